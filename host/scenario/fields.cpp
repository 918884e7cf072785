#include "host/scenario/fields.h"
#include "platform/db/fbclient.h"

#include <fmt/format.h>

#include <charconv>

#include "host/json/decimal_text.h"
#include "host/session.h"

namespace vkhost::fields {

namespace {

// DECIMAL(18,4): at most 18 digits, 4 of them decimals.
// The largest amount, in ten-thousandths: 9,999,999,999,999.9999. The yearly charges are computed in
// binary floating point and kept to 15 significant digits; below 10^13 a charge in cents has at most
// 15 digits and stays exact, above it the last cent could be lost.
constexpr int64_t kMaxAmountCount = kMaxAmount;
// DECIMAL(18,15): at most 3 integer digits.
constexpr int kRateDecimals = 15;

// The value of a JSON number or of a decimal string; std::nullopt for any other value.
std::optional<DecimalNumber> NumberOf(const JsonValue& value, bool stringsToo) {
    if (value.IsNumber()) return ParseJsonNumber(value.text);
    if (stringsToo && value.IsString()) return ParsePlainDecimal(value.text);
    return std::nullopt;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

void Fail(const std::string& path, const std::string& reason) {
    throw InvalidInput(DisplayPath(path) + ": " + reason);
}

std::optional<size_t> Utf8Length(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t extra;
        uint32_t codePoint;
        if (lead < 0x80) {
            extra = 0;
            codePoint = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            codePoint = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + extra >= text.size()) return std::nullopt;
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
        if ((extra == 2 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) ||
            (extra == 3 && (codePoint < 0x10000 || codePoint > 0x10FFFF)))
            return std::nullopt;
        i += extra + 1;
    }
    return count;
}

CCurrency ReadAmount(const JsonValue& value, const std::string& path) {
    if (value.IsNull()) return CCurrency::Null();
    std::optional<DecimalNumber> number = NumberOf(value, true);
    if (!number) Fail(path, "doit être un montant (un nombre, un texte décimal ou null)");
    if (DecimalPlaces(*number) > 4) Fail(path, "doit avoir au plus 4 décimales");
    int64_t count = 0;
    if (!ToScaledCount(*number, 4, count) || count > kMaxAmountCount || count < -kMaxAmountCount)
        Fail(path, kAmountRangeReason);
    return CCurrency::FromCount(count);
}

TDateTime ReadDate(const JsonValue& value, const std::string& path) {
    const std::string& t = value.text;
    bool shaped = value.IsString() && t.size() == 10 && t[4] == '-' && t[7] == '-';
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) shaped = shaped && IsDigit(t[i]);
    if (!shaped) Fail(path, "doit être une date \"AAAA-MM-JJ\"");
    int year = std::stoi(t.substr(0, 4)), month = std::stoi(t.substr(5, 2)), day = std::stoi(t.substr(8, 2));
    TDateTime date;
    if (!TryEncodeDate(year, month, day, date)) Fail(path, "n'est pas une date valide : \"" + t + "\"");
    return date;
}

bool ReadBool(const JsonValue& value, const std::string& path) {
    if (!value.IsBoolean()) Fail(path, "doit valoir true ou false");
    return value.boolean;
}

int ReadInt(const JsonValue& value, const std::string& path, int low, int high) {
    std::optional<DecimalNumber> number = NumberOf(value, false);
    if (!number || !IsWhole(*number)) Fail(path, "doit être un entier");
    int64_t count = 0;
    if (!ToScaledCount(*number, 0, count) || count < low || count > high)
        Fail(path, "doit être entre " + std::to_string(low) + " et " + std::to_string(high));
    return static_cast<int>(count);
}

int ReadIntAmong(const JsonValue& value, const std::string& path, std::initializer_list<int> allowed,
                 const char* reason) {
    std::optional<DecimalNumber> number = NumberOf(value, false);
    if (!number || !IsWhole(*number)) Fail(path, "doit être un entier");
    int64_t count = 0;
    if (ToScaledCount(*number, 0, count))
        for (int candidate : allowed)
            if (count == candidate) return candidate;
    Fail(path, reason);
}

std::string ReadText(const JsonValue& value, const std::string& path, size_t maxChars, bool nonEmpty) {
    if (!value.IsString()) Fail(path, "doit être un texte");
    std::optional<size_t> length = Utf8Length(value.text);
    if (!length) Fail(path, "doit être un texte UTF-8 valide");
    if (value.text.find('\0') != std::string::npos) Fail(path, "ne doit pas contenir de caractère NUL");
    if (nonEmpty && value.text.empty()) Fail(path, "ne doit pas être vide");
    if (*length > maxChars) Fail(path, "au plus " + std::to_string(maxChars) + " caractères");
    long codePoint = 0;
    const long position = maxChars == SIZE_MAX ? -1 : ibx_detail::FirstNotWin1252(value.text, &codePoint);
    if (position >= 0)
        Fail(path,
             fmt::format(
                 "doit être un texte que le dossier peut contenir (Windows-1252) : U+{:04X} au caractère {}",
                 codePoint, *Utf8Length(std::string_view(value.text).substr(0, size_t(position))) + 1));
    return value.text;
}

double ReadRate(const JsonValue& value, const std::string& path) {
    std::optional<DecimalNumber> number = NumberOf(value, false);
    if (!number) Fail(path, "doit être un nombre");
    int64_t count = 0;
    if (DecimalPlaces(*number) > kRateDecimals || !ToScaledCount(*number, kRateDecimals, count) ||
        count >= 1000'000000000000000LL || count <= -1000'000000000000000LL)
        Fail(path, "doit être un nombre inférieur à 1000 en valeur absolue, avec au plus 15 décimales");
    // Units of the currency for one euro: positive; -1 (or 0) keeps the currency code's own rate.
    if (count < 0 && count != -1'000000000000000LL)
        Fail(path, "doit être positif, ou -1 pour le taux propre de la devise");
    // A rate is a double in the engine; from_chars reads it whatever the locale.
    double rate = 0;
    std::from_chars(value.text.data(), value.text.data() + value.text.size(), rate);
    return rate;
}

// A key quoted back to the user: its first kMaxEchoedKey bytes, cut at a character's start, then an
// ellipsis, so that a huge key never floods the message.
std::string EchoedKey(const std::string& key) {
    if (key.size() <= kMaxEchoedKey) return key;
    size_t cut = kMaxEchoedKey;
    while (cut > 0 && (static_cast<unsigned char>(key[cut]) & 0xC0) == 0x80) --cut;
    return key.substr(0, cut) + "…";
}

ObjectReader::ObjectReader(const JsonValue& value, std::string path, std::span<const std::string_view> known)
    : value_(value), path_(std::move(path)) {
    if (!value.IsObject()) Fail(path_, "doit être un objet");
    for (const auto& member : value.members) {
        bool isKnown = false;
        for (std::string_view name : known) isKnown = isKnown || member.first == name;
        if (!isKnown) Fail(PathOf(EchoedKey(member.first)), "champ inconnu");
    }
}

const JsonValue& ObjectReader::Require(std::string_view key) const {
    const JsonValue* value = Find(key);
    if (!value) Fail(PathOf(key), "est obligatoire");
    return *value;
}

bool ObjectReader::Bool(std::string_view key, bool otherwise) const {
    const JsonValue* value = Find(key);
    return value ? ReadBool(*value, PathOf(key)) : otherwise;
}

int ObjectReader::Int(std::string_view key, int low, int high, int otherwise) const {
    const JsonValue* value = Find(key);
    return value ? ReadInt(*value, PathOf(key), low, high) : otherwise;
}

int ObjectReader::RequiredInt(std::string_view key, int low, int high) const {
    return ReadInt(Require(key), PathOf(key), low, high);
}

std::optional<int> ObjectReader::OptionalInt(std::string_view key, int low, int high) const {
    const JsonValue* value = Find(key);
    if (!value) return std::nullopt;
    return ReadInt(*value, PathOf(key), low, high);
}

int ObjectReader::IntAmong(std::string_view key, std::initializer_list<int> allowed, const char* reason,
                           int otherwise) const {
    const JsonValue* value = Find(key);
    return value ? ReadIntAmong(*value, PathOf(key), allowed, reason) : otherwise;
}

int ObjectReader::RequiredIntAmong(std::string_view key, std::initializer_list<int> allowed,
                                   const char* reason) const {
    return ReadIntAmong(Require(key), PathOf(key), allowed, reason);
}

TDateTime ObjectReader::Date(std::string_view key) const {
    return ReadDate(Require(key), PathOf(key));
}

std::optional<TDateTime> ObjectReader::OptionalDate(std::string_view key) const {
    const JsonValue* value = Find(key);
    if (!value) return std::nullopt;
    return ReadDate(*value, PathOf(key));
}

std::string ObjectReader::Text(std::string_view key, size_t maxChars, const std::string& otherwise) const {
    const JsonValue* value = Find(key);
    return value ? ReadText(*value, PathOf(key), maxChars, false) : otherwise;
}

std::string ObjectReader::RequiredText(std::string_view key, size_t maxChars) const {
    return ReadText(Require(key), PathOf(key), maxChars, true);
}

CCurrency ObjectReader::Amount(std::string_view key) const {
    const JsonValue* value = Find(key);
    return value ? ReadAmount(*value, PathOf(key)) : CCurrency::Null();
}

CCurrency ObjectReader::RequiredAmount(std::string_view key) const {
    return ReadAmount(Require(key), PathOf(key));
}

std::optional<CCurrency> ObjectReader::OptionalAmount(std::string_view key) const {
    const JsonValue* value = Find(key);
    if (!value) return std::nullopt;
    return ReadAmount(*value, PathOf(key));
}

double ObjectReader::Rate(std::string_view key, double otherwise) const {
    const JsonValue* value = Find(key);
    return value ? ReadRate(*value, PathOf(key)) : otherwise;
}

const std::vector<JsonValue>* ObjectReader::List(std::string_view key) const {
    const JsonValue* value = Find(key);
    if (!value) return nullptr;
    if (!value->IsArray()) Fail(PathOf(key), "doit être une liste");
    if (value->items.size() > kMaxListLength)
        Fail(PathOf(key), "doit contenir au plus " + std::to_string(kMaxListLength) + " éléments");
    return &value->items;
}

const std::vector<JsonValue>& ObjectReader::RequiredList(std::string_view key) const {
    Require(key);
    return *List(key);
}

}  // namespace vkhost::fields
