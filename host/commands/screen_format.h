// How the host shows amounts and dates to people: 17 520,00 and 31/12/2026, "-" for an empty
// figure. Machines get the exact forms of the JSON and CSV writers instead.
#pragma once

#include <string>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "units/uvketat_sortie.h"

namespace vkhost {

inline std::string ScreenAmount(const CCurrency& amount) {
    return amount.IsNull() ? "-" : vketat::MontantFrancais(amount);
}

inline std::string ScreenDate(const TDateTime& date) {
    return date.IsNull() ? "-" : vketat::DateFrancaise(date);
}

}  // namespace vkhost
