// Location codes of the engine's messages: the high 16 bits number the source unit, the low 16
// bits the line of the catch. A unit split into several files gives each file its own range of
// lines (VK_LINE_BASE), so that every place keeps a code of its own.
#pragma once

#include "platform/messages.h"

namespace vk {
enum Unit : unsigned {
    kUnitDivers = 900,
    kUnitBien = 901,
    kUnitComposant = 902,
    kUnitDetailComposant = 903,
    kUnitSortie = 904,
    kUnitAmortissement = 905,
    kUnitDetailSit = 906,
    kUnitUniteOeuvre = 907,
};

// The module-wide context pointer passed with every message the engine shows.
extern void* const Context;

// Shows a caught exception with its location code.
inline void Display(unsigned long code, const std::exception& e) {
    OKTDisplayException(code, e, Context);
}
}  // namespace vk

#ifndef VK_LINE_BASE
#define VK_LINE_BASE 0
#endif
// The location code of the current line in the file's unit (VK_UNIT must be defined by the file).
#define VK_LOC() VK_LocationCode(VK_UNIT, VK_LINE_BASE + __LINE__)
