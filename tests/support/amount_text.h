// An amount as exact text, for test failures that name the figure: "null" for a null amount,
// otherwise the four decimals of the stored value ("-12.5000"), never through a double.
#pragma once

#include <string>

#include "platform/currency.h"

namespace vktest {

inline std::string AmountText(const CCurrency& amount) {
    return amount.IsNull() ? "null" : std::string(amount.GetSQL());
}

}  // namespace vktest
