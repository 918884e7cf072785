#include "host/commands/csv_writer.h"

#include <charconv>
#include <cmath>

namespace vkhost {

void CsvWriter::Header(std::initializer_list<std::string_view> names) {
    first_ = true;
    for (std::string_view name : names) Field(name);
    out_ << "\r\n";
}

void CsvWriter::Separate() {
    if (!first_) out_ << ';';
    first_ = false;
}

// Quoted only when it holds a separator, a quote or a line end; a quote inside is doubled.
void CsvWriter::Field(std::string_view text) {
    Separate();
    if (text.find_first_of(";\"\n\r") == std::string_view::npos) {
        out_ << text;
        return;
    }
    out_ << '"';
    for (char c : text) out_ << (c == '"' ? "\"\"" : std::string_view(&c, 1));
    out_ << '"';
}

void CsvWriter::Field(long long value) {
    Separate();
    out_ << value;
}

void CsvWriter::Field(bool value) {
    Separate();
    out_ << (value ? "true" : "false");
}

void CsvWriter::Field(const CCurrency& amount) {
    Separate();
    if (!amount.IsNull()) out_ << amount.ToString();
}

void CsvWriter::Field(const TDateTime& date) {
    Separate();
    if (!date.IsNull()) out_ << FormatISODate(date);
}

// As the JSON writes it: the shortest text that reads back as the same double.
void CsvWriter::Field(std::optional<double> value) {
    Separate();
    if (!value || !std::isfinite(*value)) return;
    char text[64];
    auto [end, error] = std::to_chars(text, text + sizeof text, *value);
    out_ << std::string_view(text, size_t(end - text));
}

}  // namespace vkhost
