// Dates as people type them: JJ/MM/AAAA (31/12/2026) or AAAA-MM-JJ (2026-12-31).
#pragma once

#include <optional>
#include <string_view>

#include "platform/datetime.h"

namespace vkhost {

// The date written either way; std::nullopt when the text is neither form or the day does not
// exist (31/02/2026).
std::optional<TDateTime> ReadUserDate(std::string_view text);

// The date a command-line option gives, either way; raises InvalidInput naming `option` when it is
// not a date.
TDateTime ReadDateOption(std::string_view text, std::string_view option);

}  // namespace vkhost
