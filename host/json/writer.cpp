#include "host/json/writer.h"

#include <charconv>
#include <cmath>

#include "host/json/value.h"

namespace vkhost {

void JsonWriter::NewLine(size_t depth) {
    out_ << '\n';
    for (size_t i = 0; i < depth * size_t(indent_); ++i) out_ << ' ';
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (level.count++ > 0) out_ << ',';
    NewLine(levels_.size());
}

void JsonWriter::Key(std::string_view key) {
    Level& level = levels_.back();
    if (level.count++ > 0) out_ << ',';
    NewLine(levels_.size());
    out_ << QuoteJson(key) << ": ";
    afterKey_ = true;
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    out_ << bracket;
    levels_.push_back(Level{bracket == '{'});
}

void JsonWriter::Close(char bracket) {
    bool empty = levels_.back().count == 0;
    levels_.pop_back();
    if (!empty) NewLine(levels_.size());
    out_ << bracket;
    if (levels_.empty()) out_ << '\n';
}

void JsonWriter::Scalar(std::string_view text) {
    BeforeValue();
    out_ << text;
}

void JsonWriter::Raw(std::string_view json) {
    while (!json.empty() && (json.back() == '\n' || json.back() == ' ')) json.remove_suffix(1);
    Scalar(json);
}

void JsonWriter::Int(long long value) {
    Scalar(std::to_string(value));
}

void JsonWriter::Amount(const CCurrency& value) {
    if (value.IsNull())
        Null();
    else
        Scalar(value.ToString());
}

void JsonWriter::Date(const TDateTime& date) {
    if (date.IsNull())
        Null();
    else
        String(FormatISODate(date));
}

void JsonWriter::Double(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return Null();
    char text[64];
    auto [end, error] = std::to_chars(text, text + sizeof text, *value);
    Scalar(std::string_view(text, size_t(end - text)));
}

void JsonWriter::String(std::string_view text) {
    Scalar(QuoteJson(text));
}

}  // namespace vkhost
