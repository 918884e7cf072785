#include "host/commands/user_date.h"

#include <cctype>
#include <string>

#include "units/vksession.h"

namespace vkhost {

namespace {

// The number written by exactly `count` digits at `at`; -1 when they are not all digits.
int Digits(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::optional<TDateTime> ReadUserDate(std::string_view text) {
    if (text.size() != 10) return std::nullopt;
    int year = -1, month = -1, day = -1;
    if (text[2] == '/' && text[5] == '/') {
        day = Digits(text, 0, 2), month = Digits(text, 3, 2), year = Digits(text, 6, 4);
    } else if (text[4] == '-' && text[7] == '-') {
        year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    }
    TDateTime date;
    if (year < 1 || month < 1 || day < 1 || !TryEncodeDate(year, month, day, date)) return std::nullopt;
    return date;
}

TDateTime ReadDateOption(std::string_view text, std::string_view option) {
    const std::optional<TDateTime> date = ReadUserDate(text);
    if (!date)
        throw vk::InvalidInput(std::string(option) + " : date invalide « " + std::string(text) +
                               " » (JJ/MM/AAAA ou AAAA-MM-JJ)");
    return *date;
}

}  // namespace vkhost
