// Exact fixed-point amounts with four decimals and a null state.
//
// An amount is a signed 64-bit count of ten-thousandths, the same representation as a DECIMAL(18,4)
// column, plus a null flag. Null is a state of its own, distinct from zero:
//  - a default-constructed amount is null, and so is one built from the lowest finite double
//    (-1.7976931348623157e308); a null amount converts back to that double;
//  - in arithmetic a null operand counts as zero and the result is never null;
//  - comparisons see the null flag: null equals only null and orders before every value.
//
// Rounding: every result that does not fall on a ten-thousandth is rounded half away from zero
// (commercial rounding). Products and quotients of two amounts are computed exactly on 128 bits
// before that single rounding. A double is first read as its 15 significant digits (which drops the
// binary noise of floating-point arithmetic: 0.1 + 0.2 reads as 0.3) and then rounded the same way;
// an amount times or divided by a double is the exact product or quotient of the amount and those
// 15 digits, rounded once (an amount of 16 digits or more keeps all of them).
// A result outside the 64-bit range, a division by zero and a double that is not finite raise
// ECurrencyError: an amount never wraps around.
#pragma once

#include <compare>
#include <cstdint>
#include <limits>

#include "platform/system.h"

class ECurrencyError : public Exception {
  public:
    using Exception::Exception;
};

// The platform's raw currency value: a count of ten-thousandths.
struct Currency {
    int64_t Val = 0;
};

class CCurrency {
  public:
    static constexpr int64_t Scale = 10000;
    static constexpr double NullDouble = std::numeric_limits<double>::lowest();

    CCurrency() = default;
    CCurrency(double value);  // NOLINT: amounts are built from doubles everywhere
    CCurrency(int value) : count_(int64_t(value) * Scale), null_(false) {}
    CCurrency(const Currency& value) : count_(value.Val), null_(false) {}
    CCurrency(const CCurrency&) = default;

    CCurrency& operator=(const CCurrency&) = default;
    CCurrency& operator=(double value) { return *this = CCurrency(value); }
    CCurrency& operator=(int value) { return *this = CCurrency(value); }
    CCurrency& operator=(const Currency& value) { return *this = CCurrency(value); }

    static CCurrency FromCount(int64_t tenThousandths);
    static CCurrency Null() { return CCurrency(); }
    // Reads a decimal text exactly ("-1234.5678", "12", "0.5"); at most four decimals.
    // Raises ECurrencyError for anything else.
    static CCurrency Parse(const UnicodeString& text);

    bool IsNull() const { return null_; }
    void SetNull() { *this = CCurrency(); }
    void Clear() { *this = CCurrency(0); }  // zero, not null
    // The count of ten-thousandths; 0 for null.
    int64_t Count() const { return null_ ? 0 : count_; }

    explicit operator double() const;
    explicit operator int() const;  // truncated toward zero; raises ECurrencyError beyond int
    explicit operator Currency() const { return Currency{Count()}; }
    double AsDouble() const { return static_cast<double>(*this); }

    // "NULL", or a DECIMAL(18,4) literal such as -1234.5000.
    UnicodeString GetSQL() const;
    // The shortest decimal text ("1234.5", "-3", "0.0001"); "" for null.
    UnicodeString ToString() const;

    CCurrency operator-() const { return FromCount(Negate(Count())); }
    CCurrency operator+() const { return FromCount(Count()); }
    CCurrency& operator+=(const CCurrency& other) { return *this = *this + other; }
    CCurrency& operator-=(const CCurrency& other) { return *this = *this - other; }
    CCurrency& operator*=(const CCurrency& other) { return *this = *this * other; }
    CCurrency& operator/=(const CCurrency& other) { return *this = *this / other; }
    CCurrency& operator++() { return *this += CCurrency(1); }
    CCurrency operator++(int) {
        CCurrency before = *this;
        ++*this;
        return before;
    }

    friend CCurrency operator+(const CCurrency& a, const CCurrency& b);
    friend CCurrency operator-(const CCurrency& a, const CCurrency& b);
    friend CCurrency operator*(const CCurrency& a, const CCurrency& b);
    friend CCurrency operator/(const CCurrency& a, const CCurrency& b);
    friend CCurrency operator+(const CCurrency& a, double b) { return a + CCurrency(b); }
    friend CCurrency operator-(const CCurrency& a, double b) { return a - CCurrency(b); }
    friend CCurrency operator*(const CCurrency& a, double b);
    friend CCurrency operator/(const CCurrency& a, double b);
    friend CCurrency operator-(double a, const CCurrency& b) { return CCurrency(a) - b; }
    friend CCurrency operator*(double a, const CCurrency& b) { return b * a; }

    friend bool operator==(const CCurrency& a, const CCurrency& b) {
        return a.null_ == b.null_ && (a.null_ || a.count_ == b.count_);
    }
    friend bool operator<(const CCurrency& a, const CCurrency& b) {
        if (a.null_ || b.null_) return a.null_ && !b.null_;
        return a.count_ < b.count_;
    }
    friend bool operator!=(const CCurrency& a, const CCurrency& b) { return !(a == b); }
    friend bool operator>(const CCurrency& a, const CCurrency& b) { return b < a; }
    friend bool operator<=(const CCurrency& a, const CCurrency& b) { return !(b < a); }
    friend bool operator>=(const CCurrency& a, const CCurrency& b) { return !(a < b); }

    // Against a double: the lowest double is null; a double beyond the amounts' range lies above or
    // below every amount (a comparison never raises); NaN is unordered (only != holds).
    static std::partial_ordering Compare(const CCurrency& a, double b);
    friend bool operator==(const CCurrency& a, double b) { return Compare(a, b) == 0; }
    friend bool operator!=(const CCurrency& a, double b) { return !(a == b); }
    friend bool operator<(const CCurrency& a, double b) { return Compare(a, b) < 0; }
    friend bool operator>(const CCurrency& a, double b) { return Compare(a, b) > 0; }
    friend bool operator<=(const CCurrency& a, double b) { return Compare(a, b) <= 0; }
    friend bool operator>=(const CCurrency& a, double b) { return Compare(a, b) >= 0; }

    friend bool operator==(const CCurrency& a, int b) { return a == CCurrency(b); }
    friend bool operator!=(const CCurrency& a, int b) { return a != CCurrency(b); }
    friend bool operator<(const CCurrency& a, int b) { return a < CCurrency(b); }
    friend bool operator>(const CCurrency& a, int b) { return a > CCurrency(b); }
    friend bool operator<=(const CCurrency& a, int b) { return a <= CCurrency(b); }
    friend bool operator>=(const CCurrency& a, int b) { return a >= CCurrency(b); }

  private:
    static int64_t Negate(int64_t count);

    int64_t count_ = 0;
    bool null_ = true;
};

// Rounds a double to a number of decimals, half away from zero, reading the value as its 15
// significant digits first (so that 2.675, stored in binary as 2.67499999..., gives 2.68).
double Round(double value, int decimals);

// The count of units of 10^-decimals nearest to value (same reading and rounding as Round).
// Raises ECurrencyError when the value is not finite or the count does not fit 64 bits.
int64_t RoundToScaled(double value, int decimals);
