// Writes JSON text as it goes, indented, with amounts written exactly.
//
// An amount is written as a JSON number carrying its fixed-point value ("3892.78", "0.0001",
// "-12.5"), never through a double, or null for the null amount. Dates are "YYYY-MM-DD" (null for the
// null date). The writer trusts its caller to nest calls properly.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"

namespace vkhost {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out, int indent = 2) : out_(out), indent_(indent) {}

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // Names the next value of the open object.
    void Key(std::string_view key);

    void Null() { Scalar("null"); }
    void Bool(bool value) { Scalar(value ? "true" : "false"); }
    void Int(long long value);
    void Amount(const CCurrency& value);
    void Date(const TDateTime& date);
    // The shortest text that reads back as the same double; null when unset or not finite.
    void Double(std::optional<double> value);
    void String(std::string_view text);
    // A value that is already JSON text (a whole document written elsewhere), as it stands.
    void Raw(std::string_view json);

    // A member of the open object: Key then the value.
    void Field(std::string_view key, bool value) { Key(key), Bool(value); }
    void Field(std::string_view key, int value) { Key(key), Int(value); }
    void Field(std::string_view key, long long value) { Key(key), Int(value); }
    void Field(std::string_view key, const CCurrency& value) { Key(key), Amount(value); }
    void Field(std::string_view key, const TDateTime& value) { Key(key), Date(value); }
    void Field(std::string_view key, std::optional<double> value) { Key(key), Double(value); }
    void Field(std::string_view key, std::string_view value) { Key(key), String(value); }
    void Field(std::string_view key, const char* value) { Key(key), String(value); }

    // A member of the open object holding an array: `writeRow(row)` for each of `rows`, in order.
    template <class Rows, class WriteRow>
    void Array(std::string_view key, const Rows& rows, WriteRow writeRow) {
        Key(key);
        BeginArray();
        for (const auto& row : rows) writeRow(row);
        EndArray();
    }

private:
    struct Level {
        bool object;
        int count = 0;
    };
    void Open(char bracket);
    void Close(char bracket);
    void Scalar(std::string_view text);
    // Before a value: the separator and indentation an array element needs.
    void BeforeValue();
    void NewLine(size_t depth);

    std::ostream& out_;
    int indent_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

}  // namespace vkhost
