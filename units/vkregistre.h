/// @file
/// The register of the open case file as a host lists it: one line per asset (the latest version
/// of each chain), its structure's account and entry date, its gross value and its net book value
/// at a date.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"

namespace vk {

/// One asset of the register.
struct RegisterLine {
    std::string ref;          ///< the entered reference (REF_SAIS)
    std::string refCalc;      ///< the chain's calculated reference
    std::string designation;  ///< the asset's designation
    int state = 0;            ///< VK_Etats of the latest version
    int complement = 0;       ///< VK_EtatsCplmt of the latest version
    std::string account;      ///< the structure's account
    TDateTime entryDate;      ///< the structure's entry date
    CCurrency gross;          ///< the components' prices before tax, summed
    CCurrency nbv;            ///< the components' accounting net book values at the date, summed
};

/// The register at `at`, by entered reference (then calculated reference); only the assets whose
/// latest version is in `state` when one is given. A component without an accounting plan counts
/// at its price.
std::vector<RegisterLine> ListRegister(const TDateTime& at, std::optional<int> state = std::nullopt);

}  // namespace vk
