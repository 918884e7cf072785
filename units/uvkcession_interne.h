// Shared by the files of the disposal computations: every computed getter reports a failure with
// its own location code and answers its neutral value. Include it after the file's own
// VK_UNIT and VK_LINE_BASE definitions and units/vklocation.h.
#pragma once

#include <exception>

#include "units/vklocation.h"

namespace vkcession {

// Runs a computation; a failure is shown with the caller's location code and gives `neutral`.
template <typename T, typename F>
T Protege(unsigned long code, T neutral, F&& compute) {
    try {
        return compute();
    } catch (const std::exception& e) {
        vk::Display(code, e);
        return neutral;
    }
}

}  // namespace vkcession
