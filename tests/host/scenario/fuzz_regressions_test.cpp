// Faults found by the fuzz targets (fuzz/), each kept as the smallest case that showed it. The
// inputs that found them are also in fuzz/corpus/, replayed by the FuzzCorpus tests.
#include <gtest/gtest.h>

#include <cmath>

#include <fmt/format.h>

#include "host/json/decimal_text.h"
#include "host/json/value.h"
#include "host/scenario/scenario.h"
#include "host/session.h"
#include "platform/currency.h"
#include "tests/host/scenario/scenario_test_support.h"

namespace vkhost::testing {
namespace {

// Round(value, decimals) raised "Dépassement de capacité d'un montant" when the value's 15
// significant digits needed no rounding but did not fit a 64-bit count of 10^-decimals units
// (fuzz_amount: fault_round_123456.5_to_15_decimals). Expected values: the 15-digit reading of the
// value, rounded half away from zero at the decimal asked.
TEST(FuzzRegressions, RoundNeverOverflowsWithinFifteenDigits) {
    struct Case {
        double value;
        int decimals;
        double expected;
    };
    const Case cases[] = {
        {123456.5, 15, 123456.5},  // 21 digits as a count of 10^-15: the fault
        {-123456.5, 15, -123456.5},
        {999999999999999.0, 4, 999999999999999.0},
        {999999999999999.9, 2, 1e15},  // reads as 1.00000000000000e15
        {0.1 + 0.2, 15, 0.3},          // binary noise dropped, as before
        {2.675, 2, 2.68},
        {-2.675, 2, -2.68},
        {1234.5678, 5, 1234.5678},
        {0.000123456789012345, 15, 0.000123456789012},
    };
    for (const Case& c : cases) {
        double rounded = 0;
        ASSERT_NO_THROW(rounded = Round(c.value, c.decimals))
            << fmt::format("{:.17g}, {}", c.value, c.decimals);
        EXPECT_EQ(fmt::format("{:.14e}", rounded), fmt::format("{:.14e}", c.expected))
            << fmt::format("Round({:.17g}, {}) = {:.17g}", c.value, c.decimals, rounded);
    }
}

// A fiscal year starting in 9998 or 9999 made the reader let EDateError out (24 months later is
// beyond the last date), instead of reading the scenario (fuzz_scenario: fault_fiscal_year_9999).
TEST(FuzzRegressions, FiscalYearsAtTheEndOfTheCalendar) {
    auto scenario = [](const char* start, const char* end) {
        return fmt::format(
            R"({{"case": {{"fiscal_years": [{{"start": "{}", "end": "{}"}}], "current_year": "{}"}}}})",
            start, end, start);
    };
    EXPECT_EQ(ParseError(scenario("9999-01-01", "9999-12-31")), "");
    EXPECT_EQ(ParseError(scenario("9998-01-01", "9999-12-31")), "");  // exactly 24 months
    EXPECT_EQ(ParseError(scenario("9997-01-01", "9999-01-01")),
              "case.fiscal_years[0].end: un exercice dure au plus 24 mois");
}

// Messages "PATH: REASON" quoted control characters of the input as they were (a line break, an
// escape sequence for the terminal), and showed keys that are not plain names ambiguously: an
// empty key as "$", a key holding ": " as an empty path (fuzz_scenario: fault_control_chars_in_key,
// fault_c1_control_in_key, fault_colon_in_key, fault_empty_key).
TEST(FuzzRegressions, MessagesAreOneLineWithAnUnambiguousPath) {
    struct Case {
        std::string scenario;
        std::string message;
    };
    const Case cases[] = {
        {R"({"case\n\u001b[31m": 1})", R"(["case\n\u001b[31m"]: champ inconnu)"},
        {"{\"\xC2\x9E\": 1}", R"(["\u009E"]: champ inconnu)"},
        {R"({"": 1})", R"([""]: champ inconnu)"},
        {R"({": m3": 1})", R"(["\u003A m3"]: champ inconnu)"},
        {R"({"case": {"x.y": 1}})", R"(case["x.y"]: champ inconnu)"},
        {R"({"case": {"a": 1, "a": 2}})", "case.a: champ donné deux fois"},
        {Variant("/exits/0/assets/0/ref", R"("A\n1")"),
         R"(exits[0].assets[0].ref: aucun bien n'a la référence "A\n1")"},
        {Variant("/assets/0/components/0/plans/0/dur\u00e9e", "1"),
         "assets[0].components[0].plans[0].dur\u00e9e: champ inconnu"},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseError(c.scenario), c.message) << c.scenario;
}

// Exponents beyond 10^±1000000 were clamped, so that "1e-2000000" read as 1e-1000000 and the text
// written back read as yet another value (fuzz_amount: fault_exponent_beyond_limit). They are
// refused now, and what is read always reads back the same.
TEST(FuzzRegressions, NumbersBeyondTheExponentBoundAreRefused) {
    const char* refused[] = {"4.9922e-3337203685472", "1e-1000001", "1e1000001", "0.5e-1000000",
                             "10e1000000"};
    for (const char* text : refused) EXPECT_FALSE(ParseJsonNumber(text).has_value()) << text;
    for (const char* text : {"1e1000000", "1e-1000000", "5e-999999", "1.5E-3", "-0"}) {
        std::optional<DecimalNumber> number = ParseJsonNumber(text);
        ASSERT_TRUE(number.has_value()) << text;
        EXPECT_EQ(ParseJsonNumber(DecimalToText(*number)), number)
            << text << " written " << DecimalToText(*number);
    }
    EXPECT_EQ(ParseError(Variant("/case/settings/DerogatoireTaux", "1e-2000000")),
              "case.settings.DerogatoireTaux: doit être un nombre");
    EXPECT_EQ(ParseError(Variant("/exits/0/price", "1e-2000000")),
              "exits[0].price: doit être un montant (un nombre, un texte décimal ou null)");
}

}  // namespace
}  // namespace vkhost::testing
