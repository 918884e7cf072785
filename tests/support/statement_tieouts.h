// The figures that must tie between the year-end statements of one fiscal year, checked on their
// JSON documents (as `vkhost statement DIR FORM --format json` writes them, or the scenario report's
// `statements`): each failure names the form, the row, the two figures and their difference.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vktest {

// `statements` holds one member per form ("2054", "2055", "2059a", "2033c", "2033d", "register",
// "charges"); the tie-outs between forms that are absent are skipped. Empty when everything ties.
std::vector<std::string> StatementTieOutFailures(const nlohmann::json& statements);

}  // namespace vktest
