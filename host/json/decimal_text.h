// Exact decimal numbers read from text.
//
// JSON numbers and decimal strings are read digit by digit, never through a double, so that 0.1 is
// one tenth and 12345678901234.5678 keeps its last digit. A value is kept as its significant digits
// and a power of ten; it is turned into a fixed-point count or a rounded text on demand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vkhost {

struct DecimalNumber {
    bool negative = false;
    std::string digits;  // significant digits, no leading or trailing zero; empty for zero
    int exponent = 0;    // value = digits x 10^exponent

    bool IsZero() const { return digits.empty(); }
};

// Reads a number written as JSON writes it: "-12.50", "0", "3e2", "1.5E-3". No blank, no '+' sign,
// no leading zero. std::nullopt when the text is not such a number, or when its power of ten is
// beyond 10^±1000000 (no value that far is in any range the host accepts).
std::optional<DecimalNumber> ParseJsonNumber(std::string_view text);
// Reads a plain decimal text: an optional '-', digits, and optionally '.' followed by digits
// ("-1234.5678", "12", "0.5"). No exponent. std::nullopt otherwise (and beyond 10^±1000000).
std::optional<DecimalNumber> ParsePlainDecimal(std::string_view text);

// Number of decimals the value needs: 0 for 12 and 12.000, 1 for 12.5.
int DecimalPlaces(const DecimalNumber& number);
// Whether the value is a whole number.
inline bool IsWhole(const DecimalNumber& number) {
    return DecimalPlaces(number) == 0;
}

// The value as a count of 10^-scale units. False when it has more than `scale` decimals or the
// count does not fit 64 bits.
bool ToScaledCount(const DecimalNumber& number, int scale, int64_t& count);

// The value rounded half away from zero to `decimals` places.
DecimalNumber RoundDecimal(const DecimalNumber& number, int decimals);
// The shortest plain text of the value: "-3", "0.0001", "1234.5"; "0" for zero.
std::string DecimalToText(const DecimalNumber& number);

inline bool operator==(const DecimalNumber& a, const DecimalNumber& b) {
    return a.negative == b.negative && a.digits == b.digits && (a.IsZero() || a.exponent == b.exponent);
}

}  // namespace vkhost
