#include "host/json/decimal_text.h"

#include <limits>

namespace vkhost {

namespace {

// A number whose power of ten (written, or once its digits are normalised) is beyond this bound
// is not read: every such value is out of any range we accept, and the bound keeps the arithmetic
// on exponents far from overflowing an int. Refused rather than clamped, which would read another
// value than the one written.
constexpr int kExponentLimit = 1000000;

// The number, unless its normalised exponent is beyond the bound.
std::optional<DecimalNumber> WithinBound(DecimalNumber number) {
    if (number.exponent > kExponentLimit || number.exponent < -kExponentLimit) return std::nullopt;
    return number;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Builds the number from its integer digits, fraction digits and exponent, dropping the leading
// and trailing zeros.
DecimalNumber Normalised(bool negative, std::string_view integer, std::string_view fraction, int exponent) {
    DecimalNumber number;
    number.digits.reserve(integer.size() + fraction.size());
    number.digits.append(integer);
    number.digits.append(fraction);
    number.exponent = exponent - static_cast<int>(fraction.size());
    size_t first = number.digits.find_first_not_of('0');
    if (first == std::string::npos) return DecimalNumber{};  // zero, whatever its sign
    number.digits.erase(0, first);
    size_t last = number.digits.find_last_not_of('0');
    number.exponent += static_cast<int>(number.digits.size() - 1 - last);
    number.digits.erase(last + 1);
    number.negative = negative;
    return number;
}

// Reads digits from text[i]; returns the number read (possibly none).
size_t SkipDigits(std::string_view text, size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

}  // namespace

std::optional<DecimalNumber> ParseJsonNumber(std::string_view text) {
    size_t i = 0;
    bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    size_t intStart = i;
    i = SkipDigits(text, i);
    std::string_view integer = text.substr(intStart, i - intStart);
    if (integer.empty() || (integer.size() > 1 && integer[0] == '0')) return std::nullopt;
    std::string_view fraction;
    if (i < text.size() && text[i] == '.') {
        size_t fracStart = ++i;
        i = SkipDigits(text, i);
        fraction = text.substr(fracStart, i - fracStart);
        if (fraction.empty()) return std::nullopt;
    }
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        size_t expStart = i;
        bool beyond = false;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > kExponentLimit) {
                beyond = true;
                exponent = kExponentLimit;
            }
        }
        if (i == expStart || beyond) return std::nullopt;
        if (expNegative) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;
    if (fraction.size() > size_t(kExponentLimit) || integer.size() > size_t(kExponentLimit))
        return std::nullopt;
    return WithinBound(Normalised(negative, integer, fraction, exponent));
}

std::optional<DecimalNumber> ParsePlainDecimal(std::string_view text) {
    size_t i = 0;
    bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    size_t intStart = i;
    i = SkipDigits(text, i);
    std::string_view integer = text.substr(intStart, i - intStart);
    if (integer.empty()) return std::nullopt;
    std::string_view fraction;
    if (i < text.size() && text[i] == '.') {
        size_t fracStart = ++i;
        i = SkipDigits(text, i);
        fraction = text.substr(fracStart, i - fracStart);
        if (fraction.empty()) return std::nullopt;
    }
    if (i != text.size() || fraction.size() > size_t(kExponentLimit) ||
        integer.size() > size_t(kExponentLimit))
        return std::nullopt;
    return WithinBound(Normalised(negative, integer, fraction, 0));
}

int DecimalPlaces(const DecimalNumber& number) {
    return number.IsZero() || number.exponent >= 0 ? 0 : -number.exponent;
}

bool ToScaledCount(const DecimalNumber& number, int scale, int64_t& count) {
    count = 0;
    if (number.IsZero()) return true;
    if (DecimalPlaces(number) > scale) return false;
    int shift = number.exponent + scale;  // >= 0: zeros appended to the digits
    if (number.digits.size() + size_t(shift) > 19) return false;
    // Accumulated as a negative value so that the lowest int64 is reachable.
    constexpr int64_t lowest = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    auto push = [&](int digit) {
        if (value < (lowest + digit) / 10) return false;
        value = value * 10 - digit;
        return true;
    };
    for (char c : number.digits)
        if (!push(c - '0')) return false;
    for (int k = 0; k < shift; ++k)
        if (!push(0)) return false;
    if (!number.negative) {
        if (value == lowest) return false;
        value = -value;
    }
    count = value;
    return true;
}

DecimalNumber RoundDecimal(const DecimalNumber& number, int decimals) {
    if (DecimalPlaces(number) <= decimals) return number;
    // Digits kept: those whose power of ten is at least 10^-decimals.
    long keep = long(number.digits.size()) - long(-decimals - number.exponent);
    if (keep < 0) return DecimalNumber{};  // below half of the last place kept
    std::string kept = number.digits.substr(0, size_t(keep));
    bool up = number.digits[size_t(keep)] >= '5';
    if (up) {
        long k = long(kept.size()) - 1;
        for (; k >= 0 && kept[size_t(k)] == '9'; --k) kept[size_t(k)] = '0';
        if (k < 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[size_t(k)];
    }
    DecimalNumber rounded = Normalised(number.negative, kept, "", -decimals);
    return rounded;
}

std::string DecimalToText(const DecimalNumber& number) {
    if (number.IsZero()) return "0";
    std::string text = number.negative ? "-" : "";
    const long size = long(number.digits.size());
    if (number.exponent > 64 || number.exponent < -(size + 64))
        return text + number.digits + "e" + std::to_string(number.exponent);
    if (number.exponent >= 0) return text + number.digits + std::string(size_t(number.exponent), '0');
    long integerDigits = size + number.exponent;
    if (integerDigits > 0)
        return text + number.digits.substr(0, size_t(integerDigits)) + "." +
               number.digits.substr(size_t(integerDigits));
    return text + "0." + std::string(size_t(-integerDigits), '0') + number.digits;
}

}  // namespace vkhost
