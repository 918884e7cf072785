// CSV for programs, the one form every --csv of vkhost writes: `;` between fields, CRLF line ends,
// UTF-8 without a byte-order mark, a header of the JSON output's field names, exact amounts with a
// decimal point ("17520.5"), ISO dates, true/false; an empty field where the JSON has null.
#pragma once

#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/currency.h"
#include "platform/datetime.h"

namespace vkhost {

// The help of every --csv option.
inline const char* const kCsvHelp =
    "sortie CSV pour les programmes (point-virgule, point décimal, dates ISO, UTF-8)";

class CsvWriter {
public:
    explicit CsvWriter(std::ostream& out) : out_(out) {}

    void Header(std::initializer_list<std::string_view> names);
    // One line, a field per argument, in order.
    template <class... Fields>
    void Row(const Fields&... fields) {
        first_ = true;
        (Field(fields), ...);
        out_ << "\r\n";
    }

private:
    void Field(std::string_view text);
    void Field(const std::string& text) { Field(std::string_view(text)); }
    void Field(const char* text) { Field(std::string_view(text)); }
    void Field(long long value);
    void Field(int value) { Field(static_cast<long long>(value)); }
    void Field(unsigned value) { Field(static_cast<long long>(value)); }
    void Field(bool value);
    void Field(const CCurrency& amount);
    void Field(const TDateTime& date);
    void Field(std::optional<double> value);
    void Separate();

    std::ostream& out_;
    bool first_ = true;
};

}  // namespace vkhost
