// JSON documents read with their numbers kept as written.
//
// The scenario's amounts and the reports' figures must be compared and stored exactly, so a number
// is kept as its source text (a parsed double would already have rounded 12345678901234.5678).
// Objects keep their members in document order; a member given twice is refused rather than one
// of the two silently winning.
//
// Paths name a place in a document the way the error messages and the golden files do:
// `assets[0].components[1].plans[0].duration`; the document itself is "$".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vkhost {

struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    // Defined where JsonValue is complete: the type holds vectors of itself, whose destructor some
    // compilers (clang 14 in C++20) otherwise instantiate while the type is still incomplete.
    JsonValue();
    JsonValue(const JsonValue&);
    JsonValue(JsonValue&&) noexcept;
    JsonValue& operator=(const JsonValue&);
    JsonValue& operator=(JsonValue&&) noexcept;
    ~JsonValue();

    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text;  // a string's value (UTF-8), or a number's text as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    bool IsNull() const { return kind == Kind::Null; }
    bool IsObject() const { return kind == Kind::Object; }
    bool IsArray() const { return kind == Kind::Array; }
    bool IsString() const { return kind == Kind::String; }
    bool IsNumber() const { return kind == Kind::Number; }
    bool IsBoolean() const { return kind == Kind::Boolean; }
    // The member named key of an object, or nullptr.
    const JsonValue* Find(std::string_view key) const;
};

// Deepest nesting of arrays and objects accepted.
constexpr int kJsonMaxDepth = 64;

// Reads a whole document. Raises InvalidInput "PATH: REASON", PATH being the place where the text
// stops being valid JSON ("must be valid UTF-8 text" for a string that is not, "field given twice"
// for a repeated member).
JsonValue ParseJson(std::string_view text);

// The compact JSON text of a value, numbers as written.
std::string ToJsonText(const JsonValue& value);
// A string as a JSON string literal, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string QuoteJson(std::string_view text);

// Paths: "" is the document itself. A key of letters, digits, underscores and characters beyond
// ASCII is written ".key" ("key" first); any other key (empty, with a blank, a point, a colon...)
// is written ["key"], the key as a JSON string whose colons are escaped too, so that a path is
// never ambiguous and the first ": " of a message "PATH: REASON" always ends the path.
std::string MemberPath(const std::string& path, std::string_view key);
std::string ItemPath(const std::string& path, size_t index);
// The path as shown in messages: "$" for the document itself.
std::string DisplayPath(const std::string& path);

}  // namespace vkhost
