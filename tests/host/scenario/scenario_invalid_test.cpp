// Invalid scenarios: each variant of a valid scenario changes one field and must be refused with
// exactly the message "PATH: REASON" naming that field.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/commands/tempdir.h"
#include "host/json/value.h"
#include "tests/host/scenario/scenario_test_support.h"

namespace vkhost::testing {
namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

struct InvalidCase {
    std::string pointer;  // JSON pointer of the field changed
    std::string raw;      // its new raw JSON text; empty: the field is removed
    std::string message;  // the exact message expected
};

const std::string kActionNames =
    "validate, close_year, store_past, duplicate, delete_version, create_entries, cancel_entries, "
    "export_entries";
const std::string kAmountRange = "must be within -9999999999999.9999..9999999999999.9999";

const InvalidCase kInvalidCases[] = {
    // Missing required fields.
    {"/case", "", "case: is required"},
    {"/case/fiscal_years", "", "case.fiscal_years: is required"},
    {"/case/current_year", "", "case.current_year: is required"},
    {"/assets/0/ref", "", "assets[0].ref: is required"},
    {"/assets/1/components", "", "assets[1].components: is required"},
    {"/assets/0/components/0/account", "", "assets[0].components[0].account: is required"},
    {"/assets/0/components/0/entry_date", "", "assets[0].components[0].entry_date: is required"},
    {"/assets/0/components/0/plans/0/kind", "", "assets[0].components[0].plans[0].kind: is required"},
    {"/assets/0/components/0/plans/0/method", "", "assets[0].components[0].plans[0].method: is required"},
    {"/assets/0/vehicle/type", "", "assets[0].vehicle.type: is required"},
    {"/exits/0/date", "", "exits[0].date: is required"},
    {"/exits/0/price", "", "exits[0].price: is required"},
    {"/exits/0/assets", "", "exits[0].assets: is required"},
    {"/actions/0/do", "", "actions[0].do: is required"},
    {"/actions/0/asset", "", "actions[0].asset: is required"},
    {"/actions/2/file", "", "actions[2].file: is required"},
    // Wrong types.
    {"/case/tax_regime", Quoted("1"), "case.tax_regime: must be an integer"},
    {"/case/fiscal_years", "{}", "case.fiscal_years: must be a list"},
    {"/assets/0", "[]", "assets[0]: must be an object"},
    {"/assets/0/components/0/details", "{}", "assets[0].components[0].details: must be a list"},
    {"/assets/0/ref", "12", "assets[0].ref: must be a text"},
    {"/exits/0/vat_reversed", Quoted("yes"), "exits[0].vat_reversed: must be true or false"},
    {"/assets/0/components/0/details/0/price", "true",
     "assets[0].components[0].details[0].price: must be an amount (a number, a decimal text or null)"},
    {"/assets/0/components/0/details/0/price", Quoted(" 12"),
     "assets[0].components[0].details[0].price: must be an amount (a number, a decimal text or null)"},
    {"/assets/0/components/0/details/0/price", Quoted("1e3"),
     "assets[0].components[0].details[0].price: must be an amount (a number, a decimal text or null)"},
    {"/assets/0/components/0/plans/0/duration", "12.5",
     "assets[0].components[0].plans[0].duration: must be an integer"},
    {"/assets/0/components/0/entry_date", "20240315",
     "assets[0].components[0].entry_date: must be a date \"YYYY-MM-DD\""},
    {"/actions/0/do", "1", "actions[0].do: must be a text"},
    // Dates that do not exist, or are not written YYYY-MM-DD.
    {"/assets/0/components/0/entry_date", Quoted("2025-02-31"),
     "assets[0].components[0].entry_date: is not a valid date: \"2025-02-31\""},
    {"/assets/0/components/0/entry_date", Quoted("2023-02-29"),
     "assets[0].components[0].entry_date: is not a valid date: \"2023-02-29\""},
    {"/assets/0/components/0/entry_date", Quoted("0000-01-01"),
     "assets[0].components[0].entry_date: is not a valid date: \"0000-01-01\""},
    {"/assets/0/components/0/entry_date", Quoted("2024-3-15"),
     "assets[0].components[0].entry_date: must be a date \"YYYY-MM-DD\""},
    {"/assets/0/components/0/entry_date", Quoted("15/03/2024"),
     "assets[0].components[0].entry_date: must be a date \"YYYY-MM-DD\""},
    {"/exits/0/end_of_use", Quoted("2026-13-01"), "exits[0].end_of_use: is not a valid date: \"2026-13-01\""},
    // Ranges.
    {"/assets/0/components/0/plans/0/duration", "-1",
     "assets[0].components[0].plans[0].duration: must be 0..65535"},
    {"/assets/0/components/0/plans/0/duration", "65536",
     "assets[0].components[0].plans[0].duration: must be 0..65535"},
    {"/assets/0/components/0/plans/0/duration", "99999999999999999999999",
     "assets[0].components[0].plans[0].duration: must be 0..65535"},
    {"/assets/0/state", "6", "assets[0].state: must be 0..5"},
    {"/assets/0/complement", "0", "assets[0].complement: must be 1..3"},
    {"/assets/0/components/0/entry_type", "7", "assets[0].components[0].entry_type: must be 0..6"},
    {"/assets/0/components/0/plans/0/method", "14", "assets[0].components[0].plans[0].method: must be 0..13"},
    {"/assets/0/components/0/plans/0/kind", "3", "assets[0].components[0].plans[0].kind: must be 1, 2 or 4"},
    {"/assets/0/components/0/plans/1/kind", "1",
     "assets[0].components[0].plans[1].kind: a plan of kind 1 is already given"},
    {"/assets/0/vehicle/type", "6", "assets[0].vehicle.type: must be 0..5"},
    {"/assets/0/vehicle/co2", "-1", "assets[0].vehicle.co2: must be 0..2147483647"},
    {"/case/tax_regime", "3", "case.tax_regime: must be 1 or 2"},
    {"/case/account_length", "14", "case.account_length: must be 6..13"},
    {"/case/account_length", "5", "case.account_length: must be 6..13"},
    {"/exits/0/reason", "0", "exits[0].reason: must be 1..5"},
    {"/exits/0/reason", "6", "exits[0].reason: must be 1..5"},
    {"/exits/0/currency", "978", "exits[0].currency: must be 0 or 250"},
    {"/assets/0/components/0/details/0/currency", "1",
     "assets[0].components[0].details[0].currency: must be 0 or 250"},
    {"/assets/0/components/0/details/0/rate", "1000",
     "assets[0].components[0].details[0].rate: must be a number below 1000 in magnitude with at most 15 "
     "decimals"},
    {"/assets/0/components/1/units/forecasts/0/year", "-1",
     "assets[0].components[1].units.forecasts[0].year: must be 0..32767"},
    {"/assets/0/components/1/units/forecasts/0/quantity", "-5",
     "assets[0].components[1].units.forecasts[0].quantity: must be 0 or more"},
    {"/assets/0/components/1/units/forecasts/1", R"({"year": 0, "quantity": 3})",
     "assets[0].components[1].units.forecasts[1].year: year 0 is already given"},
    {"/assets/0/components/1/situations/0/kind", "4",
     "assets[0].components[1].situations[0].kind: must be 0, 1 or 2"},
    {"/assets/0/components/0/plans/0/manual", R"([{"year": 0, "amount": 100}])",
     "assets[0].components[0].plans[0].manual: is only for method 4 (manual)"},
    {"/report/entries/0", "6", "report.entries[0]: must be 0..5"},
    {"/actions/2/kind", "6", "actions[2].kind: must be 0..5"},
    {"/actions/0/complement", "4", "actions[0].complement: must be 1..3"},
    // Amounts: at most 4 decimals, within DECIMAL(18,4).
    {"/assets/0/components/0/details/0/price", "24000.12345",
     "assets[0].components[0].details[0].price: must have at most 4 decimals"},
    {"/assets/0/components/0/details/0/price", Quoted("0.00001"),
     "assets[0].components[0].details[0].price: must have at most 4 decimals"},
    {"/assets/0/components/0/details/0/price", "1e-5",
     "assets[0].components[0].details[0].price: must have at most 4 decimals"},
    {"/assets/0/components/0/details/0/price", "100000000000000",
     "assets[0].components[0].details[0].price: " + kAmountRange},
    {"/exits/0/price", "-100000000000000", "exits[0].price: " + kAmountRange},
    {"/exits/0/price", Quoted("99999999999999999999.5"), "exits[0].price: " + kAmountRange},
    {"/exits/0/price", "1e30", "exits[0].price: " + kAmountRange},
    // Texts within their columns, counted in characters of valid UTF-8.
    {"/assets/0/ref", Quoted("ABCDEFGHIJK"), "assets[0].ref: must be at most 10 characters"},
    {"/assets/0/ref", Quoted("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
     "assets[0].ref: must be at most 10 characters"},
    {"/assets/0/ref", Quoted(""), "assets[0].ref: must not be empty"},
    {"/assets/0/designation", Quoted(std::string(61, 'x')),
     "assets[0].designation: must be at most 60 characters"},
    {"/assets/0/components/0/designation", Quoted(std::string(61, 'x')),
     "assets[0].components[0].designation: must be at most 60 characters"},
    {"/assets/0/components/0/account", Quoted("21820000000000"),
     "assets[0].components[0].account: must be at most 13 characters"},
    {"/assets/0/vehicle/registration", Quoted(std::string(26, 'R')),
     "assets[0].vehicle.registration: must be at most 25 characters"},
    {"/assets/0/components/0/details/0/supplier", Quoted(std::string(61, 's')),
     "assets[0].components[0].details[0].supplier: must be at most 60 characters"},
    {"/assets/0/components/1/units/designation", Quoted(std::string(36, 'u')),
     "assets[0].components[1].units.designation: must be at most 35 characters"},
    {"/exits/0/designation", Quoted(std::string(61, 'x')),
     "exits[0].designation: must be at most 60 characters"},
    {"/case/company", Quoted(std::string(61, 'c')), "case.company: must be at most 60 characters"},
    {"/case/user", Quoted(std::string(16, 'u')), "case.user: must be at most 15 characters"},
    {"/case/user", Quoted(""), "case.user: must not be empty"},
    {"/assets/0/designation", Quoted("Caf\xC3"), "assets[0].designation: must be valid UTF-8 text"},
    {"/assets/0/designation", Quoted("\xC0\xAF"), "assets[0].designation: must be valid UTF-8 text"},
    {"/assets/0/designation", Quoted("\xED\xA0\x80"), "assets[0].designation: must be valid UTF-8 text"},
    {"/assets/0/designation", Quoted("a\\u0000b"), "assets[0].designation: must not contain a NUL character"},
    // References: unique, known, and an asset leaves the register once.
    {"/assets/1/ref", Quoted("A1"), "assets[1].ref: duplicate ref \"A1\" (also assets[0].ref)"},
    {"/exits/0/assets/0/ref", Quoted("Z9"), "exits[0].assets[0].ref: no asset has the ref \"Z9\""},
    {"/exits/0/assets/0/components/0/index", "2", "exits[0].assets[0].components[0].index: must be 0..1"},
    {"/exits/0/assets/0/components/1", R"({"index": 0})",
     "exits[0].assets[0].components[1].index: component 0 is already given"},
    {"/exits/1", R"({"date": "2026-10-01", "price": 1, "assets": [{"ref": "A1"}]})",
     "exits[1].assets[0].ref: asset \"A1\" is already taken out by exits[0].assets[0].ref"},
    {"/actions/0/asset", Quoted("Q"), "actions[0].asset: no asset has the ref \"Q\""},
    // Unknown fields, at every level.
    {"/foo", "1", "foo: unknown field"},
    {"/case/tax_regim", "1", "case.tax_regim: unknown field"},
    {"/assets/0/colour", Quoted("red"), "assets[0].colour: unknown field"},
    {"/assets/0/vehicle/co2_rate", "120", "assets[0].vehicle.co2_rate: unknown field"},
    {"/assets/0/components/0/plans/0/dur\u00e9e", "60",
     "assets[0].components[0].plans[0].dur\u00e9e: unknown field"},
    {"/assets/0/components/0/details/0/prix", "1", "assets[0].components[0].details[0].prix: unknown field"},
    {"/assets/0/components/1/units/forecasts/0/qty", "1",
     "assets[0].components[1].units.forecasts[0].qty: unknown field"},
    {"/exits/0/assets/0/components/0/entered", "1",
     "exits[0].assets[0].components[0].entered: unknown field"},
    {"/report/schedule", "true", "report.schedule: unknown field"},
    {"/actions/1/asset", Quoted("A1"), "actions[1].asset: unknown field for action \"close_year\""},
    {"/actions/0/do", Quoted("validat"), "actions[0].do: unknown action (" + kActionNames + ")"},
    {"/case/settings/Foo", "1",
     "case.settings.Foo: unknown setting (DerogatoireTaux, MiseAuxNormes_MethodeRetrospective or "
     "\"0\"..\"25\")"},
    {"/case/settings/26", Quoted("x"),
     "case.settings.26: unknown setting (DerogatoireTaux, MiseAuxNormes_MethodeRetrospective or "
     "\"0\"..\"25\")"},
    {"/case/settings/DerogatoireTaux", Quoted("100"), "case.settings.DerogatoireTaux: must be a number"},
    {"/case/settings/MiseAuxNormes_MethodeRetrospective", "0.5",
     "case.settings.MiseAuxNormes_MethodeRetrospective: must be an integer"},
    {"/case/settings/0", Quoted("a\\nb"),
     "case.settings.0: must not contain line breaks or control characters"},
    // Fiscal years in order, contiguous, at most 24 months; current year and situation date.
    {"/case/fiscal_years", "[]", "case.fiscal_years: must hold at least one fiscal year"},
    {"/case/fiscal_years/1/start", Quoted("2024-12-01"),
     "case.fiscal_years[1].start: overlaps the previous fiscal year (ending 2024-12-31)"},
    {"/case/fiscal_years/1/start", Quoted("2025-02-01"),
     "case.fiscal_years[1].start: leaves a gap after the previous fiscal year (ending 2024-12-31)"},
    {"/case/fiscal_years/1", R"({"start": "2023-01-01", "end": "2023-12-31"})",
     "case.fiscal_years[1].start: fiscal years must be in order (the previous one starts 2024-01-01)"},
    {"/case/fiscal_years/0/end", Quoted("2026-01-01"),
     "case.fiscal_years[0].end: a fiscal year lasts at most 24 months"},
    {"/case/fiscal_years/0/end", Quoted("2023-12-31"), "case.fiscal_years[0].end: must not be before start"},
    {"/case/current_year", Quoted("2026-02-01"),
     "case.current_year: must be the start of a recorded fiscal year"},
    {"/case/current_year", Quoted("2027-01-01"),
     "case.current_year: must be the start of a recorded fiscal year"},
    {"/case/situation_date", Quoted("2025-12-31"),
     "case.situation_date: must fall in the current fiscal year (2026-01-01..2026-12-31)"},
    {"/case/situation_date", Quoted("2027-01-01"),
     "case.situation_date: must fall in the current fiscal year (2026-01-01..2026-12-31)"},
    // Lists that may not be empty.
    {"/assets/1/components", "[]", "assets[1].components: must hold at least one component"},
    // Account numbers are digits only: a letter, a space or SQL text would reach the ledger as such.
    {"/assets/0/components/0/account", Quoted("21A4BC"),
     "assets[0].components[0].account: must be made of digits only"},
    {"/assets/0/components/0/account", Quoted(" 215400"),
     "assets[0].components[0].account: must be made of digits only"},
    {"/assets/0/components/0/account", Quoted("2154');--"),
     "assets[0].components[0].account: must be made of digits only"},
    {"/assets/0/ref", Quoted("   "), "assets[0].ref: must not be made of spaces only"},
    // An exit happens in a recorded fiscal year (2024-01-01..2026-12-31) and after its assets' entry
    // (A1 entered on 2024-03-15).
    {"/exits/0/date", Quoted("2027-01-15"),
     "exits[0].date: must fall in a recorded fiscal year (2024-01-01..2026-12-31)"},
    {"/exits/0/date", Quoted("2023-12-31"),
     "exits[0].date: must fall in a recorded fiscal year (2024-01-01..2026-12-31)"},
    {"/exits/0/date", Quoted("2024-03-14"),
     "exits[0].date: must not be before the entry of asset \"A1\" (2024-03-15)"},
    // A rate is a number of units for one euro; -1 alone keeps the currency's own rate.
    {"/exits/0/rate", "-6.55957", "exits[0].rate: must be positive, or -1 for the currency's own rate"},
    {"/assets/0/components/0/details/0/rate", "-0.5",
     "assets[0].components[0].details[0].rate: must be positive, or -1 for the currency's own rate"},
    // A schedule holds at most 1000 years: 998 years of duration (11976 months) at most.
    {"/assets/0/components/0/plans/0/duration", "11977",
     "assets[0].components[0].plans[0].duration: must be at most 11976 months (a schedule holds at most "
     "1000 years), or 65535 for none"},
    {"/assets/0/components/0/plans/0/duration", "65534",
     "assets[0].components[0].plans[0].duration: must be at most 11976 months (a schedule holds at most "
     "1000 years), or 65535 for none"},
    // Text the case file's character set (Windows-1252) cannot hold; positions count characters.
    {"/assets/0/designation", Quoted("ab\u202Ecd"),
     "assets[0].designation: must be text the case file can hold (Windows-1252): U+202E at character 3"},
    {"/assets/0/designation", Quoted("\\u00e9t\\u00e9 \\ud83d\\ude9a"),
     "assets[0].designation: must be text the case file can hold (Windows-1252): U+1F69A at character 5"},
    {"/case/company", Quoted("\u682a\u5f0f"),
     "case.company: must be text the case file can hold (Windows-1252): U+682A at character 1"},
    {"/assets/0/components/0/details/0/supplier", Quoted("x\u0085"),
     "assets[0].components[0].details[0].supplier: must be text the case file can hold (Windows-1252): "
     "U+0085 at character 2"},
    // Lists and echoed keys have bounds.
    {"/report/entries", "[4, 4]", "report.entries[1]: kind 4 is already asked"},
    {"/report/statements", R"(["2054", "2056"])",
     "report.statements[1]: must be one of 2054, 2055, 2059a, 2033c, 2033d, register, charges"},
    {"/report/statements", R"(["2055", "2055"])", "report.statements[1]: form 2055 is already asked"},
    {"/assets/0/" + std::string(100, 'k'), "1",
     "assets[0]." + std::string(40, 'k') + "\u2026: unknown field"},
};

TEST(ScenarioInvalid, EachBadFieldIsNamedWithItsReason) {
    for (const InvalidCase& c : kInvalidCases) {
        std::string text = Variant(c.pointer, c.raw);
        EXPECT_EQ(ParseError(text), c.message)
            << "field " << c.pointer << " set to " << (c.raw.empty() ? "(removed)" : c.raw);
    }
}

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The same corpus through the host's binary, as a user runs it: exit status 2, the message as the
// first line of standard error, no report, and neither the case file nor its directory left.
TEST(ScenarioInvalid, TheHostExitsWithStatusTwoAndLeavesNoCaseFile) {
    const char* host = std::getenv("VK_HOST");
    if (!host || !*host) GTEST_SKIP() << "VK_HOST (the vkhost binary) is set by CTest";
    TemporaryDirectory work("vkinvalid");
    const std::filesystem::path scenario = work.Path() / "scenario.json", dossier = work.Path() / "dossier",
                                report = work.Path() / "report.json", err = work.Path() / "stderr.txt";
    for (const InvalidCase& c : kInvalidCases) {
        std::ofstream(scenario, std::ios::binary) << Variant(c.pointer, c.raw);
        const std::string command = "'" + std::string(host) + "' run '" + scenario.string() + "' --case '" +
                                    dossier.string() + "' --env '" + (work.Path() / "env").string() +
                                    "' --out '" + report.string() + "' >/dev/null 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const std::string shown = ReadWhole(err);
        EXPECT_EQ(status, 2) << c.pointer << " = " << c.raw << "\n" << shown;
        EXPECT_EQ(shown.substr(0, shown.find('\n')), c.message) << c.pointer << " = " << c.raw;
        EXPECT_FALSE(std::filesystem::exists(dossier)) << c.pointer << " = " << c.raw;
        EXPECT_FALSE(std::filesystem::exists(report)) << c.pointer << " = " << c.raw;
        std::filesystem::remove_all(dossier);
        std::filesystem::remove_all(report);
    }
}

TEST(ScenarioInvalid, TheFullScenarioItselfIsValid) {
    EXPECT_EQ(ParseError(kFullScenario), "");
}

// Whole documents that no single-field change produces.
struct DocumentCase {
    const char* name;
    std::string text;
    std::string message;
};

TEST(ScenarioInvalid, WholeDocuments) {
    const DocumentCase cases[] = {
        {"not an object", "[]", "$: must be an object"},
        {"empty object", "{}", "case: is required"},
        {"field given twice",
         R"({"case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}],
                      "current_year": "2026-01-01", "current_year": "2026-01-01"}})",
         "case.current_year: field given twice"},
        {"unknown field before a missing one",
         R"({"case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
             "assets": [{"colour": "red"}]})",
         "assets[0].colour: unknown field"},
    };
    for (const DocumentCase& c : cases) EXPECT_EQ(ParseError(c.text), c.message) << c.name << "\n" << c.text;
}

TEST(ScenarioInvalid, NestingIsBounded) {
    // A document nested without end must fail cleanly, not exhaust the stack.
    std::string text = R"({"assets": )" + std::string(100000, '[');
    std::string message = ParseError(text);
    std::string prefix = "assets";
    for (int i = 0; i < kJsonMaxDepth - 1; ++i) prefix += "[0]";
    EXPECT_EQ(message, prefix + ": nested deeper than 64 levels");
}

TEST(ScenarioInvalid, SyntaxErrorsNameWhereTheTextBreaks) {
    std::string text = Variant("/assets/0/designation", "\"Van\" \"Truck\"");
    std::string message = ParseError(text);
    EXPECT_EQ(message.rfind("assets[0]: not valid JSON (", 0), 0u) << message;
    message = ParseError(R"({"case": {"fiscal_years": [{"start": tru}]}})");
    EXPECT_EQ(message.rfind("case.fiscal_years[0].start: not valid JSON (", 0), 0u) << message;
    EXPECT_EQ(ParseError("").rfind("$: not valid JSON (", 0), 0u) << ParseError("");
}

TEST(ScenarioInvalid, UnreadableFileIsInvalidInput) {
    try {
        ParseScenarioFile("/nonexistent/dir/scenario.json");
        FAIL() << "a missing file was accepted";
    } catch (const InvalidInput& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/dir/scenario.json: cannot be read", 0), 0u)
            << e.what();
    }
}

}  // namespace
}  // namespace vkhost::testing
