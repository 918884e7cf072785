// The golden checker on hand-made reports (the engine does not run here): paths, selection by key,
// comparison of numbers to a number of decimals, and what a mismatch says.
#include <gtest/gtest.h>

#include "host/report/golden.h"
#include "host/session.h"

namespace vkhost {
namespace {

const std::string kGoldenDir = std::string(VK_SOURCE_DIR) + "/tests/golden";

// A report with the figures of the declining-balance example: 200,000 bought on 5 May, 10 years,
// coefficient 2.25 (22.5 %), first year 200,000 x 22.5 % x 8/12 = 30,000, then 22.5 % of each
// year's opening value. A decoy asset before it and a decoy plan of kind 2 make [key=value] matter.
const char* kDecliningReport = R"({
 "assets": [
  {"ref": "X1", "components": [{"index": 0, "plans": [{"kind": 1, "rate": 10}]}]},
  {"ref": "D2", "ref_calc": 2, "components": [{"index": 0, "plans": [
    {"kind": 2, "rate": 99, "coefficient": 9, "schedule": []},
    {"kind": 1, "rate": 22.5, "coefficient": 2.25, "schedule": [
      {"year": 0, "prorata": "  8 /  12", "charge": 30000},
      {"year": 1, "prorata": " 12 /  12", "charge": 38250},
      {"year": 2, "charge": 29643.75},
      {"year": 3, "charge": 22973.91},
      {"year": 4, "charge": 17804.78},
      {"year": 5, "charge": 13798.70}]}]}]}],
 "exits": [], "entries": [], "warnings": []
})";

std::vector<GoldenItem> Items(const std::string& text) {
    return ParseGoldenItems(text);
}

TEST(GoldenChecker, GoldenExpectationsHoldOnAMatchingReport) {
    std::vector<GoldenItem> items = LoadGoldenItemsFile(kGoldenDir + "/declining_10y.expect.json");
    ASSERT_EQ(items.size(), 9u);
    std::vector<GoldenMismatch> mismatches = CheckGolden(kDecliningReport, items);
    EXPECT_TRUE(mismatches.empty()) << DescribeMismatches(mismatches);
}

TEST(GoldenChecker, MismatchesNamePathExpectedAndActual) {
    std::string report = kDecliningReport;
    report.replace(report.find("29643.75"), 8, "29643.76");
    report.replace(report.find("\"  8 /  12\""), 11, "\"8 / 12\"");
    std::vector<GoldenMismatch> mismatches =
        CheckGolden(report, LoadGoldenItemsFile(kGoldenDir + "/declining_10y.expect.json"));
    ASSERT_EQ(mismatches.size(), 2u) << DescribeMismatches(mismatches);
    EXPECT_EQ(mismatches[0].path, "assets[ref=D2].components[0].plans[kind=1].schedule[year=0].prorata");
    EXPECT_EQ(mismatches[0].expected, "\"  8 /  12\"");  // padding is part of the text
    EXPECT_EQ(mismatches[0].actual, "\"8 / 12\"");
    EXPECT_EQ(mismatches[1].path, "assets[ref=D2].components[0].plans[kind=1].schedule[year=2].charge");
    EXPECT_EQ(mismatches[1].expected, "29643.75");
    EXPECT_EQ(mismatches[1].actual, "29643.76");
}

struct CompareCase {
    const char* expected;  // the item's expected value and optional decimals, as JSON
    const char* actual;    // the value in the report
    bool equal;
};

TEST(GoldenChecker, ValuesAreComparedByKindAndToTheirDecimals) {
    const CompareCase cases[] = {
        {"30000", "30000", true},
        {"30000", "30000.0000", true},
        {"13798.7", "13798.70", true},
        {"29643.75", "29643.7501", false},  // 4 decimals by default
        {"29643.75", "29643.75004", true},  // rounds to 29643.7500
        {"13798.7, 2", "13798.704", true},
        {"13798.7, 2", "13798.705", false},  // rounds half away from zero to 13798.71
        {"-12.5, 0", "-12.5", true},         // -12.5 rounds to -13 on both sides
        {"-12, 0", "-12.5", false},
        {"0, 2", "0.004", true},
        {"0, 2", "-0.004", true},
        {"30000", "\"30000\"", false},  // a number is not a text
        {"\"2/5\"", "\"2/5\"", true},
        {"\"10/20\"", "\"1/2\"", false},
        {"null", "null", true},
        {"null", "0", false},
        {"0", "null", false},
        {"true", "true", true},
        {"false", "true", false},
        {"12345678901234.5678", "12345678901234.5679", false},  // no binary rounding in the comparison
        {"[1, 2.5]", "[1.0, 2.50]", true},
    };
    for (const CompareCase& c : cases) {
        std::string items = std::string(R"([["v", )") + c.expected + "]]";
        std::string report = std::string(R"({"v": )") + c.actual + "}";
        std::vector<GoldenMismatch> mismatches = CheckGolden(report, Items(items));
        EXPECT_EQ(mismatches.empty(), c.equal) << "expected " << c.expected << ", report " << c.actual;
    }
}

TEST(GoldenChecker, KeySelectionTakesTheFirstMatchComparingNumbersAsNumbers) {
    const char* report = R"({"lines": [
        {"year": -2, "ref": "A", "n": 1},
        {"year": -1.0, "ref": "10", "n": 2},
        {"year": 0, "ref": "A", "n": 3},
        {"year": "7", "ref": "B", "n": 4},
        {"ref": "C", "n": 5},
        "not an object"]})";
    struct Case {
        const char* path;
        const char* n;  // the element expected by its "n", or "" when none matches
    };
    const Case cases[] = {
        {"lines[year=-2].n", "1"},  {"lines[year=-1].n", "2"}, {"lines[year=0].n", "3"},
        {"lines[year=0.0].n", "3"}, {"lines[ref=A].n", "1"},   {"lines[ref=10].n", "2"},
        {"lines[year=7].n", "4"},   {"lines[ref=C].n", "5"},   {"lines[year=1].n", ""},
        {"lines[2].n", "3"},        {"lines[9].n", ""},        {"lines[ref=Z].n", ""},
    };
    for (const Case& c : cases) {
        std::vector<GoldenMismatch> mismatches =
            CheckGolden(report, Items(std::string(R"([[")") + c.path + R"(", )" + (*c.n ? c.n : "0") + "]]"));
        if (*c.n) {
            EXPECT_TRUE(mismatches.empty()) << c.path << "\n" << DescribeMismatches(mismatches);
        } else {
            ASSERT_EQ(mismatches.size(), 1u) << c.path;
            EXPECT_EQ(mismatches[0].actual.rfind("missing: ", 0), 0u) << mismatches[0].actual;
        }
    }
}

TEST(GoldenChecker, MissingPlacesSayWhereTheWalkStopped) {
    std::vector<GoldenMismatch> mismatches =
        CheckGolden(kDecliningReport, Items(R"([["assets[ref=D2].components[0].plans[kind=4].rate", 1],
                                    ["assets[ref=D2].components[1].price", 1],
                                    ["assets[ref=D2].components[0].disposal.vat_fraction", "2/5"],
                                    ["assets[0].ref.length", 2, 2]])"));
    ASSERT_EQ(mismatches.size(), 4u);
    EXPECT_EQ(mismatches[0].actual, "missing: no element with kind=4 at assets[ref=D2].components[0].plans");
    EXPECT_EQ(mismatches[1].actual, "missing: no element 1 at assets[ref=D2].components");
    EXPECT_EQ(mismatches[2].actual, "missing: no field \"disposal\" at assets[ref=D2].components[0]");
    EXPECT_EQ(mismatches[3].actual, "missing: no field \"length\" at assets[0].ref");
    EXPECT_EQ(mismatches[3].expected, "2 (to 2 decimals)");
}

TEST(GoldenChecker, BadPathsAndItemsAreRefused) {
    struct Case {
        const char* items;
        const char* message;
    };
    const Case cases[] = {
        {R"({"a": 1})", "$: must be a list of [path, expected] items"},
        {R"([["a"]])", "[0]: must be [path, expected] or [path, expected, decimals]"},
        {R"([["a", 1, 2, 3]])", "[0]: must be [path, expected] or [path, expected, decimals]"},
        {R"([[1, 1]])", "[0][0]: doit être un texte"},
        {R"([["a", 1, 5]])", "[0][2]: doit être entre 0 et 4"},
        {R"([["a..b", 1]])", "a..b: empty field name at character 3"},
        {R"([[".a", 1]])", ".a: starts with '.'"},
        {R"([["a[x]", 1]])", "a[x]: [x] is neither an index nor key=value"},
        {R"([["a[=1]", 1]])", "a[=1]: [=1] has no key"},
        {R"([["a[0", 1]])", "a[0: '[' without ']'"},
        {R"([["a[0]b", 1]])", "a[0]b: expected '.' or '[' at character 5"},
    };
    for (const Case& c : cases) {
        try {
            ParseGoldenItems(c.items);
            ADD_FAILURE() << c.items << " was accepted";
        } catch (const InvalidInput& e) {
            EXPECT_STREQ(e.what(), c.message) << c.items;
        }
    }
}

TEST(GoldenChecker, PathSteps) {
    std::vector<GoldenPathStep> steps = ParseGoldenPath("assets[ref=D.2].components[0].plans[kind=1]");
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[1].kind, GoldenPathStep::Kind::Match);
    EXPECT_EQ(steps[1].name, "ref");
    EXPECT_EQ(steps[1].value, "D.2");  // a dot inside brackets belongs to the value
    EXPECT_EQ(steps[3].kind, GoldenPathStep::Kind::Index);
    EXPECT_EQ(steps[3].index, 0u);
    EXPECT_EQ(steps[4].name, "plans");
}

}  // namespace
}  // namespace vkhost
