#include "platform/currency.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <fmt/format.h>

namespace {

using int128 = __int128;

constexpr int128 kInt128Max = static_cast<int128>(~static_cast<unsigned __int128>(0) >> 1);

// Powers of ten up to 10^38, the largest that fits 128 bits.
constexpr auto kPow10 = [] {
    std::array<int128, 39> powers{};
    powers[0] = 1;
    for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
}();

int64_t Checked(int128 value, const char* what) {
    if (value > std::numeric_limits<int64_t>::max() || value < std::numeric_limits<int64_t>::min())
        throw ECurrencyError(fmt::format("Dépassement de capacité d'un montant ({})", what));
    return static_cast<int64_t>(value);
}

int128 Magnitude(int128 value) {
    return value < 0 ? -value : value;
}

// numerator / denominator rounded half away from zero; denominator must not be 0.
int128 DivideRounded(int128 numerator, int128 denominator) {
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int128 quotient = numerator / denominator;
    int128 remainder = Magnitude(numerator % denominator);
    if (remainder >= denominator - remainder) quotient += (numerator < 0 ? -1 : 1);
    return quotient;
}

// value * 10^shift rounded half away from zero, raising when it does not fit 64 bits.
// |value| must stay below 10^37 when shift is negative.
int64_t Shifted(int128 value, int shift, const char* what) {
    if (value == 0) return 0;
    if (shift >= 0) {
        if (shift > 19 || Magnitude(value) > std::numeric_limits<int64_t>::max())
            throw ECurrencyError(fmt::format("Dépassement de capacité d'un montant ({})", what));
        return Checked(value * kPow10[shift], what);
    }
    if (-shift >= static_cast<int>(kPow10.size())) return 0;
    return Checked(DivideRounded(value, kPow10[-shift]), what);
}

// A finite double read as its 15 significant digits: value = mantissa * 10^exponent, with
// 10^14 <= |mantissa| < 10^15 (mantissa 0 for zero).
struct Decimal15 {
    int128 mantissa = 0;
    int exponent = 0;
};

Decimal15 ReadDouble(double value, char (&text)[40]) {
    if (!std::isfinite(value)) throw ECurrencyError("Montant non fini");
    // "-d.dddddddddddddde+XX", whatever the locale.
    auto written = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::scientific, 14);
    *written.ptr = '\0';
    const char* e = std::strchr(text, 'e');
    Decimal15 decimal;
    for (const char* p = text; p < e; ++p)
        if (*p >= '0' && *p <= '9') decimal.mantissa = decimal.mantissa * 10 + (*p - '0');
    if (value < 0) decimal.mantissa = -decimal.mantissa;
    decimal.exponent = std::atoi(e + 1) - 14;
    return decimal;
}

Decimal15 ReadDouble(double value) {
    char text[40];
    return ReadDouble(value, text);
}

}  // namespace

int64_t RoundToScaled(double value, int decimals) {
    const Decimal15 decimal = ReadDouble(value);
    return Shifted(decimal.mantissa, decimal.exponent + decimals, "conversion");
}

double Round(double value, int decimals) {
    if (!std::isfinite(value) || value == 0) return value;
    if (decimals < 0 || decimals > 15) return value;
    if (std::fabs(value) >= 1e15) return value;  // no decimals left to round at this size
    char text[40];
    const Decimal15 decimal = ReadDouble(value, text);
    const int shift = decimal.exponent + decimals;
    if (shift >= 0) {  // the 15 digits stop before the decimals kept: nothing to round
        double read = value;
        std::from_chars(text, text + std::strlen(text), read);
        return read;
    }
    const int64_t scaled = Shifted(decimal.mantissa, shift, "arrondi");
    return static_cast<double>(scaled) / static_cast<double>(static_cast<int64_t>(kPow10[decimals]));
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
    const int64_t units = Count() / Scale;
    if (units > std::numeric_limits<int>::max() || units < std::numeric_limits<int>::min())
        throw ECurrencyError(fmt::format("Montant trop grand pour un entier : {}", ToString()));
    return static_cast<int>(units);
}

std::partial_ordering CCurrency::Compare(const CCurrency& a, double b) {
    if (std::isnan(b)) return std::partial_ordering::unordered;
    CCurrency other;  // null for the lowest double
    if (b != NullDouble) {
        if (a.IsNull()) return std::partial_ordering::less;
        try {
            other = CCurrency(b);
        } catch (const ECurrencyError&) {  // beyond every amount
            return b > 0 ? std::partial_ordering::less : std::partial_ordering::greater;
        }
    }
    if (a < other) return std::partial_ordering::less;
    if (other < a) return std::partial_ordering::greater;
    return std::partial_ordering::equivalent;
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
    const Decimal15 rate = ReadDouble(b);
    return CCurrency::FromCount(Shifted(int128(a.Count()) * rate.mantissa, rate.exponent, "multiplication"));
}

CCurrency operator/(const CCurrency& a, double b) {
    if (b == CCurrency::NullDouble) b = 0;
    if (b == 0) throw ECurrencyError("Division d'un montant par zéro");
    const Decimal15 rate = ReadDouble(b);
    // a / (m * 10^e) = a * 10^-e / m
    int128 numerator = a.Count();
    if (rate.exponent > 0) {
        if (rate.exponent > 23) return CCurrency::FromCount(0);  // the divisor exceeds twice any amount
        return CCurrency::FromCount(
            Checked(DivideRounded(numerator, rate.mantissa * kPow10[rate.exponent]), "division"));
    }
    const int shift = -rate.exponent;
    if (numerator != 0 &&
        (shift >= static_cast<int>(kPow10.size()) || Magnitude(numerator) > kInt128Max / kPow10[shift]))
        throw ECurrencyError("Dépassement de capacité d'un montant (division)");
    if (numerator != 0) numerator *= kPow10[shift];
    return CCurrency::FromCount(Checked(DivideRounded(numerator, rate.mantissa), "division"));
}
