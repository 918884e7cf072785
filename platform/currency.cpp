#include "platform/currency.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <fmt/format.h>

namespace {

using int128 = __int128;

constexpr int64_t kPow10[19] = {1LL,
                                10LL,
                                100LL,
                                1000LL,
                                10000LL,
                                100000LL,
                                1000000LL,
                                10000000LL,
                                100000000LL,
                                1000000000LL,
                                10000000000LL,
                                100000000000LL,
                                1000000000000LL,
                                10000000000000LL,
                                100000000000000LL,
                                1000000000000000LL,
                                10000000000000000LL,
                                100000000000000000LL,
                                1000000000000000000LL};

int64_t Checked(int128 value, const char* what) {
    if (value > std::numeric_limits<int64_t>::max() || value < std::numeric_limits<int64_t>::min())
        throw ECurrencyError(fmt::format("Dépassement de capacité d'un montant ({})", what));
    return static_cast<int64_t>(value);
}

// numerator / denominator rounded half away from zero; denominator must not be 0.
int128 DivideRounded(int128 numerator, int128 denominator) {
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int128 quotient = numerator / denominator;
    int128 remainder = numerator % denominator;
    if (remainder < 0) remainder = -remainder;
    if (2 * remainder >= denominator) quotient += (numerator < 0 ? -1 : 1);
    return quotient;
}

// A finite, non-zero double read as its 15 significant digits: value = mantissa * 10^(exponent - 14),
// the mantissa carrying the sign.
struct FifteenDigits {
    int64_t mantissa;
    int exponent;
};

FifteenDigits ReadFifteenDigits(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", value);
    const char* e = std::strchr(text, 'e');
    int64_t mantissa = 0;
    for (const char* p = text; p < e; ++p)
        if (*p >= '0' && *p <= '9') mantissa = mantissa * 10 + (*p - '0');
    return {value < 0 ? -mantissa : mantissa, std::atoi(e + 1)};
}

}  // namespace

int64_t RoundToScaled(double value, int decimals) {
    if (!std::isfinite(value)) throw ECurrencyError("Montant non fini");
    if (value == 0) return 0;
    const FifteenDigits digits = ReadFifteenDigits(value);
    int shift = digits.exponent - 14 + decimals;
    if (shift >= 0) {
        if (shift > 18) throw ECurrencyError("Dépassement de capacité d'un montant");
        return Checked(int128(digits.mantissa) * kPow10[shift], "conversion");
    }
    if (-shift > 18) return 0;
    return Checked(DivideRounded(digits.mantissa, kPow10[-shift]), "conversion");
}

double Round(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    if (decimals < 0 || decimals > 15) return value;
    double magnitude = std::fabs(value);
    if (magnitude >= 1e15) return value;  // no decimals left to round at this size
    if (value == 0) return 0;
    // When every one of the 15 digits lies above the last decimal kept there is nothing to round:
    // the result is the 15-digit reading itself, which a count of 10^-decimals units may not hold
    // (123456.5 has 21 digits with 15 decimals).
    const FifteenDigits digits = ReadFifteenDigits(value);
    if (digits.exponent - 14 + decimals >= 0) {
        const int power = 14 - digits.exponent;  // -1 (999999999999999.9 reads 1e15) to 15
        const double mantissa = static_cast<double>(digits.mantissa);
        return power >= 0 ? mantissa / static_cast<double>(kPow10[power])
                          : mantissa * static_cast<double>(kPow10[-power]);
    }
    int64_t scaled = RoundToScaled(value, decimals);
    return static_cast<double>(scaled) / static_cast<double>(kPow10[decimals]);
}

CCurrency::CCurrency(double value) {
    if (value == NullDouble) return;  // stays null
    count_ = RoundToScaled(value, 4);
    null_ = false;
}

CCurrency CCurrency::FromCount(int64_t tenThousandths) {
    CCurrency result;
    result.count_ = tenThousandths;
    result.null_ = false;
    return result;
}

CCurrency CCurrency::Parse(const UnicodeString& text) {
    auto fail = [&]() -> CCurrency { throw ECurrencyError("Montant invalide : \"" + text + "\""); };
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int128 count = 0;
    int digits = 0, decimals = -1;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9') return fail();
        if (decimals >= 0 && ++decimals > 4) return fail();
        count = count * 10 + (c - '0');
        if (count > int128(std::numeric_limits<int64_t>::max()) * 10) return fail();
        ++digits;
    }
    if (digits == 0) return fail();
    count *= kPow10[4 - (decimals < 0 ? 0 : decimals)];
    if (negative) count = -count;
    try {
        return FromCount(Checked(count, "lecture"));
    } catch (const ECurrencyError&) {
        return fail();
    }
}

int64_t CCurrency::Negate(int64_t count) {
    return Checked(-int128(count), "opposé");
}

CCurrency::operator double() const {
    if (null_) return NullDouble;
    return static_cast<double>(count_) / Scale;
}

CCurrency::operator int() const {
    return static_cast<int>(Count() / Scale);
}

UnicodeString CCurrency::GetSQL() const {
    if (null_) return "NULL";
    uint64_t magnitude = count_ < 0 ? uint64_t(0) - uint64_t(count_) : uint64_t(count_);
    return fmt::format("{}{}.{:04}", count_ < 0 ? "-" : "", magnitude / Scale, magnitude % Scale);
}

UnicodeString CCurrency::ToString() const {
    if (null_) return "";
    UnicodeString text = GetSQL();
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

CCurrency operator+(const CCurrency& a, const CCurrency& b) {
    return CCurrency::FromCount(Checked(int128(a.Count()) + b.Count(), "addition"));
}

CCurrency operator-(const CCurrency& a, const CCurrency& b) {
    return CCurrency::FromCount(Checked(int128(a.Count()) - b.Count(), "soustraction"));
}

CCurrency operator*(const CCurrency& a, const CCurrency& b) {
    int128 product = int128(a.Count()) * b.Count();
    return CCurrency::FromCount(Checked(DivideRounded(product, CCurrency::Scale), "multiplication"));
}

CCurrency operator/(const CCurrency& a, const CCurrency& b) {
    if (b.Count() == 0) throw ECurrencyError("Division d'un montant par zéro");
    int128 numerator = int128(a.Count()) * CCurrency::Scale;
    return CCurrency::FromCount(Checked(DivideRounded(numerator, b.Count()), "division"));
}

CCurrency operator*(const CCurrency& a, double b) {
    if (b == CCurrency::NullDouble) b = 0;
    return CCurrency(a.Count() / double(CCurrency::Scale) * b);
}

CCurrency operator/(const CCurrency& a, double b) {
    if (b == CCurrency::NullDouble) b = 0;
    if (b == 0) throw ECurrencyError("Division d'un montant par zéro");
    return CCurrency(a.Count() / double(CCurrency::Scale) / b);
}
