// Checked reading of the scenario's fields: each reader either returns a value of the right type
// and range or raises InvalidInput "PATH: REASON" naming the field.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/json/value.h"
#include "platform/currency.h"
#include "platform/datetime.h"

namespace vkhost::fields {

[[noreturn]] void Fail(const std::string& path, const std::string& reason);

// The most items a list of a scenario may hold (assets, components, details, actions...).
constexpr size_t kMaxListLength = 100000;
// The most bytes of an unknown key that a message quotes.
constexpr size_t kMaxEchoedKey = 40;
std::string EchoedKey(const std::string& key);

// Number of characters of a UTF-8 text; std::nullopt when the text is not valid UTF-8.
std::optional<size_t> Utf8Length(std::string_view text);

// The bound of every amount of a scenario, in ten-thousandths (9999999999999.9999), and of the sum of
// a component's acquisition lines: the largest value whose charges the engine computes exactly.
constexpr int64_t kMaxAmount = 99999999999999999LL;
inline constexpr const char* kAmountRangeReason = "doit être entre -9999999999999.9999 et 9999999999999.9999";

// Single values. Each names the value by path in its messages.
CCurrency ReadAmount(const JsonValue& value, const std::string& path);  // null: the null amount
TDateTime ReadDate(const JsonValue& value, const std::string& path);
bool ReadBool(const JsonValue& value, const std::string& path);
// A whole number within [low, high] ("doit être entre low et high").
int ReadInt(const JsonValue& value, const std::string& path, int low, int high);
// A whole number among the allowed ones; reason is the message otherwise ("doit valoir 1 ou 2").
int ReadIntAmong(const JsonValue& value, const std::string& path, std::initializer_list<int> allowed,
                 const char* reason);
// A text of at most maxChars characters, without NUL; nonEmpty refuses "". A text bound for a column
// (maxChars not SIZE_MAX) must hold only characters of the case file's character set, Windows-1252:
// the database could not store the others.
std::string ReadText(const JsonValue& value, const std::string& path, size_t maxChars, bool nonEmpty);
// A currency rate: a number of at most 15 decimals below 1000 in magnitude (DECIMAL(18,15)).
double ReadRate(const JsonValue& value, const std::string& path);

// An object whose fields are all known: the constructor refuses a value that is not an object and
// the first field (in document order) that is not among `known`.
class ObjectReader {
public:
    ObjectReader(const JsonValue& value, std::string path, std::span<const std::string_view> known);
    ObjectReader(const JsonValue& value, std::string path, std::initializer_list<std::string_view> known)
        : ObjectReader(value, std::move(path),
                       std::span<const std::string_view>(known.begin(), known.size())) {}

    const std::string& Path() const { return path_; }
    std::string PathOf(std::string_view key) const { return MemberPath(path_, key); }
    const JsonValue* Find(std::string_view key) const { return value_.Find(key); }
    const JsonValue& Require(std::string_view key) const;

    bool Bool(std::string_view key, bool otherwise) const;
    int Int(std::string_view key, int low, int high, int otherwise) const;
    int RequiredInt(std::string_view key, int low, int high) const;
    std::optional<int> OptionalInt(std::string_view key, int low, int high) const;
    int IntAmong(std::string_view key, std::initializer_list<int> allowed, const char* reason,
                 int otherwise) const;
    int RequiredIntAmong(std::string_view key, std::initializer_list<int> allowed, const char* reason) const;
    TDateTime Date(std::string_view key) const;  // required
    std::optional<TDateTime> OptionalDate(std::string_view key) const;
    std::string Text(std::string_view key, size_t maxChars, const std::string& otherwise = "") const;
    std::string RequiredText(std::string_view key, size_t maxChars) const;  // present and not empty
    CCurrency Amount(std::string_view key) const;                           // absent: null
    CCurrency RequiredAmount(std::string_view key) const;
    std::optional<CCurrency> OptionalAmount(std::string_view key) const;
    double Rate(std::string_view key, double otherwise) const;
    // A list: nullptr when absent; refuses anything but a list.
    const std::vector<JsonValue>* List(std::string_view key) const;
    const std::vector<JsonValue>& RequiredList(std::string_view key) const;

private:
    const JsonValue& value_;
    std::string path_;
};

}  // namespace vkhost::fields
