// Several figures of one case compared at once: "name=amount" each, amounts in their shortest exact
// form ("1447.92", "-700", "null" for the empty amount), so that one failure shows every figure of
// the case that differs, named. The arguments go by pairs: Figures("mini", a, "maxi", b).
#pragma once

#include <string>

#include "platform/currency.h"

namespace vktest {

// "1447.9200" -> "1447.92", "700.0000" -> "700", null -> "null"; exact, never through a double.
inline std::string ShortAmount(const CCurrency& amount) {
    if (amount.IsNull()) return "null";
    std::string text = amount.GetSQL();
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

inline void AppendFigures(std::string&) {}

template <typename... Rest>
void AppendFigures(std::string& text, const char* name, const CCurrency& amount, const Rest&... rest) {
    text += (text.empty() ? "" : " ") + std::string(name) + "=" + ShortAmount(amount);
    AppendFigures(text, rest...);
}

template <typename... Pairs>
std::string Figures(const Pairs&... pairs) {
    std::string text;
    AppendFigures(text, pairs...);
    return text;
}

}  // namespace vktest
