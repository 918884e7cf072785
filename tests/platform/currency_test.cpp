// Amounts: the null state, exactness to the ten-thousandth, rounding, overflow, text forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/currency.h"

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

CCurrency C(int64_t count) {
    return CCurrency::FromCount(count);
}

// --- Null --------------------------------------------------------------------------------------

TEST(CurrencyNull, DefaultAndLowestDoubleAreNullAndNullGivesLowestDouble) {
    EXPECT_TRUE(CCurrency().IsNull());
    EXPECT_TRUE(CCurrency(-1.7976931348623157e308).IsNull());
    CCurrency assigned = 5;
    assigned = std::numeric_limits<double>::lowest();
    EXPECT_TRUE(assigned.IsNull());
    EXPECT_EQ(static_cast<double>(CCurrency()), -1.7976931348623157e308);
    EXPECT_EQ(CCurrency().Count(), 0);
    // Zero is a value, not null; Clear() gives zero.
    EXPECT_FALSE(CCurrency(0).IsNull());
    EXPECT_FALSE(CCurrency(0.0).IsNull());
    CCurrency cleared;
    cleared.Clear();
    EXPECT_FALSE(cleared.IsNull());
    EXPECT_EQ(cleared.Count(), 0);
}

TEST(CurrencyNull, CountsAsZeroInArithmeticAndTheResultIsNotNull) {
    const CCurrency null;
    const CCurrency five = 5;
    struct Case {
        const char* what;
        CCurrency computed;
        int64_t expected;
    } cases[] = {{"null + 5", null + five, 50000},
                 {"5 + null", five + null, 50000},
                 {"null - 5", null - five, -50000},
                 {"5 - null", five - null, 50000},
                 {"-null", -null, 0},
                 {"null + null", null + null, 0},
                 {"null * 5", null * five, 0},
                 {"5 * null", five * null, 0},
                 {"null / 5", null / five, 0},
                 {"null * 2.5", null * 2.5, 0},
                 {"null / 2.5", null / 2.5, 0},
                 {"1.5 - null", 1.5 - null, 15000},
                 {"2.0 * null", 2.0 * null, 0},
                 {"null + 1.25", null + 1.25, 12500}};
    for (const Case& c : cases) {
        EXPECT_FALSE(c.computed.IsNull()) << c.what;
        EXPECT_EQ(c.computed.Count(), c.expected) << c.what;
    }
}

TEST(CurrencyNull, SumStartingNullEqualsItsOnlyTerm) {
    // The first year of a schedule sums into an amount whose opening value is null.
    CCurrency sum;
    sum += CCurrency(123.4567);
    EXPECT_FALSE(sum.IsNull());
    EXPECT_EQ(sum, CCurrency(123.4567));

    CCurrency difference;
    difference -= CCurrency(10);
    EXPECT_EQ(difference.Count(), -100000);

    CCurrency counter;
    EXPECT_EQ(++counter, 1);
    EXPECT_EQ(counter++, 1);
    EXPECT_EQ(counter, 2);
}

TEST(CurrencyNull, ComparisonsSeeTheNullFlag) {
    const CCurrency null, zero = 0, one = 1;
    EXPECT_TRUE(null == CCurrency());
    EXPECT_FALSE(null == zero);
    EXPECT_TRUE(null != zero);
    EXPECT_FALSE(null == 0);
    EXPECT_FALSE(null == 0.0);
    EXPECT_TRUE(null == CCurrency::NullDouble);
    EXPECT_FALSE(zero == CCurrency::NullDouble);
    // Null orders before every value, negative ones included.
    EXPECT_TRUE(null < C(kMin));
    EXPECT_TRUE(null < -1);
    EXPECT_FALSE(null > zero);
    EXPECT_TRUE(null <= null);
    EXPECT_TRUE(null >= null);
    EXPECT_FALSE(null < null);
    EXPECT_TRUE(one > zero);
    EXPECT_TRUE(one >= 1);
    EXPECT_TRUE(one <= 1.0);
    EXPECT_TRUE(one < 1.5);
    EXPECT_TRUE(one != 2);
}

TEST(CurrencyNull, ComparingWithADoubleBeyondTheAmountRangeDoesNotRaise) {
    const CCurrency amount = 1000;
    EXPECT_TRUE(amount < std::numeric_limits<double>::max());
    EXPECT_TRUE(amount > -1.7e308);  // a value, not the null sentinel
    EXPECT_TRUE(C(kMin) > -1e300);
    EXPECT_TRUE(C(kMax) < 1e19);
    EXPECT_FALSE(amount == 1e300);
    EXPECT_TRUE(amount != 1e300);
    // Null still orders before everything, however low.
    EXPECT_TRUE(CCurrency() < -1e300);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(amount == nan);
    EXPECT_FALSE(amount < nan);
    EXPECT_FALSE(amount > nan);
    EXPECT_TRUE(amount != nan);
}

TEST(CurrencyNull, GetSqlAndToString) {
    struct Case {
        CCurrency amount;
        const char* sql;
        const char* text;
    } cases[] = {{CCurrency(), "NULL", ""},
                 {C(0), "0.0000", "0"},
                 {C(1), "0.0001", "0.0001"},
                 {C(-1), "-0.0001", "-0.0001"},
                 {C(-12345000), "-1234.5000", "-1234.5"},
                 {C(123456789), "12345.6789", "12345.6789"},
                 {C(30000), "3.0000", "3"},
                 {C(-1000000), "-100.0000", "-100"},
                 {C(kMax), "922337203685477.5807", "922337203685477.5807"},
                 {C(kMin), "-922337203685477.5808", "-922337203685477.5808"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.amount.GetSQL(), c.sql) << "count " << c.amount.Count();
        EXPECT_EQ(c.amount.ToString(), c.text) << "count " << c.amount.Count();
        if (!c.amount.IsNull()) {
            EXPECT_EQ(CCurrency::Parse(c.amount.ToString()), c.amount) << c.text;
        }
    }
}

// --- Exactness and rounding ---------------------------------------------------------------------

TEST(CurrencyExact, SumsAreExactToTheTenThousandth) {
    CCurrency sum = 0;
    for (int i = 0; i < 10000; ++i) sum += CCurrency(0.0001);
    EXPECT_EQ(sum.Count(), 10000);
    EXPECT_EQ(CCurrency(0.1) + CCurrency(0.2), CCurrency(0.3));
    // A cent a day over a century of days.
    CCurrency cents = 0;
    for (int i = 0; i < 36525; ++i) cents += CCurrency(0.01);
    EXPECT_EQ(cents.Count(), 3652500);
    EXPECT_EQ((C(kMax) - C(kMax - 1)).Count(), 1);
}

TEST(CurrencyExact, ProductsAndQuotientsRoundHalfAwayFromZeroOnce) {
    struct Case {
        const char* what;
        CCurrency computed;
        int64_t expected;
    } cases[] = {{"0.0001 * 0.5", C(1) * C(5000), 1},
                 {"-0.0001 * 0.5", C(-1) * C(5000), -1},
                 {"0.0001 * 0.4999", C(1) * C(4999), 0},
                 {"1.0001 * 1.0001 = 1.00020001", C(10001) * C(10001), 10002},
                 {"-1.0001 * 1.0001", C(-10001) * C(10001), -10002},
                 {"1.0003 * 1.5 = 1.50045", C(10003) * C(15000), 15005},
                 {"-1.0003 * 1.5", C(-10003) * C(15000), -15005},
                 {"1 / 3", C(10000) / C(30000), 3333},
                 {"2 / 3", C(20000) / C(30000), 6667},
                 {"-2 / 3", C(-20000) / C(30000), -6667},
                 {"2 / -3", C(20000) / C(-30000), -6667},
                 {"0.0001 / 2", C(1) / C(20000), 1},
                 {"-0.0001 / 2", C(-1) / C(20000), -1},
                 {"100 / 8", C(1000000) / C(80000), 125000},
                 // The product needs more than 64 bits before the division by 10^4.
                 {"900000000000 * 10", C(9000000000000000) * C(100000), 90000000000000000},
                 {"max / 1", C(kMax) / C(10000), kMax},
                 {"max * 1", C(kMax) * C(10000), kMax},
                 {"min * 1", C(kMin) * C(10000), kMin},
                 // A quotient whose numerator exceeds 64 bits once scaled.
                 {"500000000000000 / 1000", C(5000000000000000000) / C(10000000), 5000000000000000}};
    for (const auto& c : cases) EXPECT_EQ(c.computed.Count(), c.expected) << c.what;
}

TEST(CurrencyExact, DoublesAreReadAsFifteenSignificantDigits) {
    struct Case {
        double value;
        int64_t expected;
    } cases[] = {{0.1 + 0.2, 3000},
                 {2.675, 26750},
                 {1.00005, 10001},  // binary 1.0000499999..., read as 1.00005 then rounded up
                 {-1.00005, -10001},
                 {0.00005, 1},
                 {-0.00005, -1},
                 {0.000049999, 0},
                 {1234.56785, 12345679},
                 {-1234.56785, -12345679},
                 {123456789.12345, 1234567891235},  // 14 digits, then the half
                 {1e-300, 0},
                 {900000000000000.0, 9000000000000000000}};
    for (const auto& c : cases) {
        CCurrency amount(c.value);
        EXPECT_FALSE(amount.IsNull());
        EXPECT_EQ(amount.Count(), c.expected) << "from double " << c.value;
    }
    EXPECT_DOUBLE_EQ(static_cast<double>(C(12345678)), 1234.5678);
    EXPECT_EQ(static_cast<int>(CCurrency(-2.9)), -2);
    EXPECT_EQ(static_cast<int>(CCurrency(2.9999)), 2);
    EXPECT_EQ(static_cast<Currency>(C(-42)).Val, -42);
    EXPECT_EQ(CCurrency(Currency{77}).Count(), 77);
}

TEST(CurrencyExact, ProductWithADoubleIsExactOnTheAmountsDigits) {
    // Amounts of 16 digits and more do not survive a trip through a double; the product with a
    // rate must still keep them.
    struct Case {
        const char* what;
        CCurrency computed;
        int64_t expected;
    } cases[] = {{"(1e11 + 0.0001) * 1.0", C(1000000000000001) * 1.0, 1000000000000001},
                 {"(1e11 + 0.0001) / 1.0", C(1000000000000001) / 1.0, 1000000000000001},
                 {"max * 1.0", C(kMax) * 1.0, kMax},
                 {"min / 1.0", C(kMin) / 1.0, kMin},
                 {"(1e11 + 0.0001) * 0.5", C(1000000000000001) * 0.5, 500000000000001},
                 {"-(1e11 + 0.0001) * 0.5", C(-1000000000000001) * 0.5, -500000000000001},
                 {"1234.5678 * 0.2", C(12345678) * 0.2, 2469136},
                 {"0.0001 * 0.5", C(1) * 0.5, 1},
                 {"1.0001 * 0.5 = 0.50005", C(10001) * 0.5, 5001},
                 {"0.5 * 1.0001", 0.5 * C(10001), 5001},
                 {"100 / 3.0", C(1000000) / 3.0, 333333},
                 {"-100 / 3.0", C(-1000000) / 3.0, -333333},
                 {"0.0001 / 1e-10", C(1) / 1e-10, 10000000000},
                 {"1000 * 1e-20", C(10000000) * 1e-20, 0},
                 {"1000 / 1e30", C(10000000) / 1e30, 0},
                 {"152.449 * 6.55957 = 999.99988693", C(1524490) * 6.55957, 9999999}};
    for (const auto& c : cases) EXPECT_EQ(c.computed.Count(), c.expected) << c.what;
}

TEST(CurrencyRound, ExactHalvesAndBinaryNoiseRoundAwayFromZero) {
    struct Case {
        double value;
        int decimals;
        double expected;
    } cases[] = {{2.675, 2, 2.68},  // binary 2.67499999999999982236431605997495353221893310546875
                 {1.005, 2, 1.01},
                 {1234.565, 2, 1234.57},
                 {-2.675, 2, -2.68},
                 {-1.005, 2, -1.01},
                 {-1234.565, 2, -1234.57},
                 {0.125, 2, 0.13},  // an exact half in binary
                 {-0.125, 2, -0.13},
                 {0.1 + 0.2, 2, 0.3},
                 {1.0049999, 2, 1.0},
                 {1.004999999999, 2, 1.0},
                 {2.5, 0, 3.0},
                 {-2.5, 0, -3.0},
                 {0.5, 0, 1.0},
                 {123456789.125, 2, 123456789.13},
                 {1e15 + 0.5, 2, 1e15 + 0.5},  // no decimals left at this size
                 {0.0, 2, 0.0},
                 {1e-20, 2, 0.0},
                 {10000.5, 15, 10000.5},  // nothing to round at this precision
                 {123456.0, 15, 123456.0},
                 {9.5e14, 4, 9.5e14},
                 {1.23456789, 4, 1.2346},
                 // 10,000.00 over 3 years for 7 months: 10000 / 3 * 7 / 12 = 1944.444...
                 {10000.0 / 3.0 * 7.0 / 12.0, 2, 1944.44}};
    for (const auto& c : cases)
        EXPECT_EQ(Round(c.value, c.decimals), c.expected) << "Round(" << c.value << ", " << c.decimals << ")";
    // Rounded to the cent before becoming an amount.
    EXPECT_EQ(CCurrency(Round(10000.0 / 3.0 * 7.0 / 12.0, 2)).Count(), 19444400);
    EXPECT_TRUE(std::isnan(Round(std::numeric_limits<double>::quiet_NaN(), 2)));
}

// --- Overflow ------------------------------------------------------------------------------------

TEST(CurrencyOverflow, RaisesInsteadOfWrapping) {
    EXPECT_THROW(C(kMax) + C(1), ECurrencyError);
    EXPECT_THROW(C(kMin) - C(1), ECurrencyError);
    EXPECT_THROW(-C(kMin), ECurrencyError);
    EXPECT_THROW(C(kMax) * C(20000), ECurrencyError);
    EXPECT_THROW(C(kMin) / C(5000), ECurrencyError);
    EXPECT_THROW(C(kMax) * 2.0, ECurrencyError);
    EXPECT_THROW(C(kMax) / 0.5, ECurrencyError);
    EXPECT_THROW(C(1) / 1e-300, ECurrencyError);
    EXPECT_THROW(CCurrency(1e15), ECurrencyError);
    EXPECT_THROW(CCurrency(-1e300), ECurrencyError);
    EXPECT_THROW(CCurrency(std::numeric_limits<double>::infinity()), ECurrencyError);
    EXPECT_THROW(CCurrency(std::numeric_limits<double>::quiet_NaN()), ECurrencyError);
    EXPECT_THROW(C(1) / C(0), ECurrencyError);
    EXPECT_THROW(C(1) / CCurrency(), ECurrencyError);  // null counts as zero
    EXPECT_THROW(C(1) / 0.0, ECurrencyError);
    CCurrency top = C(kMax);
    EXPECT_THROW(++top, ECurrencyError);
    EXPECT_EQ(top.Count(), kMax);  // unchanged after the failure
    // An amount whose units do not fit an int.
    EXPECT_THROW((void)static_cast<int>(CCurrency(3000000000.0)), ECurrencyError);
    EXPECT_THROW((void)static_cast<int>(CCurrency(-3000000000.0)), ECurrencyError);
    EXPECT_EQ(static_cast<int>(CCurrency(2147483647)), 2147483647);
    EXPECT_EQ(static_cast<int>(CCurrency(-2147483647.9)), -2147483647);
}

// --- Parse ---------------------------------------------------------------------------------------

TEST(CurrencyParse, ReadsDecimalTextExactly) {
    struct Case {
        const char* text;
        int64_t expected;
    } cases[] = {{"12", 120000},
                 {"0.5", 5000},
                 {".5", 5000},
                 {"-1234.5678", -12345678},
                 {"+3", 30000},
                 {"0.0001", 1},
                 {"-0", 0},
                 {"00012.3000", 123000},
                 {"922337203685477.5807", kMax},
                 {"-922337203685477.5808", kMin}};
    for (const auto& c : cases) EXPECT_EQ(CCurrency::Parse(c.text).Count(), c.expected) << c.text;
}

TEST(CurrencyParse, RefusesMoreThanFourDecimalsAndGarbage) {
    const char* refused[] = {"1.23456", "0.00001", "",   "-",  "+",     ".",   "abc",
                             "1,5",     "1e3",     " 1", "1 ", "1.2.3", "--1", "12a"};
    const char* outOfRange[] = {"922337203685477.5808", "-922337203685477.5809",
                                "99999999999999999999999999999999999999999"};
    for (const char* text : outOfRange)
        EXPECT_THROW(CCurrency::Parse(text), ECurrencyError) << '"' << text << '"';
    for (const char* text : refused)
        EXPECT_THROW(CCurrency::Parse(text), ECurrencyError) << '"' << text << '"';
}

}  // namespace
