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

// Line ranges of the register's files: 901 uvkbien 0, uvkbien_versions 1000, uvkbien_ensemble
// 2000, uvklistes_biens 3000, uvktables 4000; 902 uvkcomposant 0, uvkcomposant_bd 1000,
// uvkcomposant_regles 2000, uvklistes_composants 3000, uvkcession_calculs 4000,
// uvkcession_pvmv 9000, uvkcomposant_situation 10000; 903 uvkdetailcomposant 0,
// uvkdetailcomposant_liste 1000; 904 uvksortie 0, uvksortie_totaux 1000.
// Entries: 900 uvkecritures 3000, uvkecritures_ajoute 4000, uvkcomptes 5000, uvkcomparaison 6000;
// 901 uvkbien_ecritures 10000; 902 uvkcomposant_ecritures 11000; 904 uvksortie_ecritures 10000.

#ifndef VK_LINE_BASE
#define VK_LINE_BASE 0
#endif
// The location code of the current line in the file's unit (VK_UNIT must be defined by the file).
#define VK_LOC() VK_LocationCode(VK_UNIT, VK_LINE_BASE + __LINE__)
