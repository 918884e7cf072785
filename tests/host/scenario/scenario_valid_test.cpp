// Valid scenarios: the format's example, the golden scenarios and exact amounts, read with their
// values and defaults.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/host/scenario/scenario_test_support.h"
#include "tests/support/amount_text.h"

namespace vkhost::testing {
namespace {

using vktest::AmountText;

const std::string kGoldenDir = std::string(VK_SOURCE_DIR) + "/tests/golden";

std::string Iso(TDateTime date) {
    return FormatISODate(date);
}
// The example of the scenario format, as written there.
const char* kFormatExample = R"({"case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01", "situation_date": "2026-12-31", "tax_regime": 1},
 "assets": [{"ref": "A1", "designation": "Delivery van",
   "vehicle": {"type": 5, "first_registration": "2024-03-01"},
   "components": [{"account": "218200", "entry_date": "2024-03-15",
     "details": [{"price": 24000, "costs": 500, "vat": 4900}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-03-15", "duration": 60},
               {"kind": 2, "method": 1, "start": "2024-03-15", "duration": 60}]}]}],
 "exits": [{"designation": "Sale of the van", "date": "2026-09-30", "price": 12000,
            "reason": 1, "vat_reversed": true, "assets": [{"ref": "A1"}]}],
 "report": {"schedules": true, "disposals": true}})";

TEST(ScenarioValid, FormatExampleWithItsDefaults) {
    Scenario s = ParseScenario(kFormatExample);
    ASSERT_EQ(s.case_.fiscal_years.size(), 3u);
    EXPECT_EQ(Iso(s.case_.fiscal_years[1].start), "2025-01-01");
    EXPECT_EQ(Iso(s.case_.fiscal_years[1].end), "2025-12-31");
    EXPECT_EQ(Iso(s.case_.current_year), "2026-01-01");
    EXPECT_EQ(Iso(s.case_.situation_date), "2026-12-31");
    EXPECT_EQ(s.case_.tax_regime, 1);
    EXPECT_EQ(s.case_.company, "Demo");
    EXPECT_EQ(s.case_.user, "demo");
    EXPECT_EQ(s.case_.account_length, 6);
    EXPECT_TRUE(s.case_.settings.empty());

    ASSERT_EQ(s.assets.size(), 1u);
    const AssetInput& a = s.assets[0];
    EXPECT_EQ(a.ref, "A1");
    EXPECT_EQ(a.designation, "Delivery van");
    EXPECT_EQ(a.type, 1);
    EXPECT_EQ(a.state, 2);
    EXPECT_EQ(a.complement, 2);
    ASSERT_TRUE(a.vehicle.has_value());
    EXPECT_EQ(a.vehicle->type, 5);
    EXPECT_EQ(Iso(a.vehicle->first_registration), "2024-03-01");
    EXPECT_EQ(a.vehicle->registration, "");
    EXPECT_FALSE(a.vehicle->co2.has_value());
    EXPECT_FALSE(a.vehicle->wltp);

    ASSERT_EQ(a.components.size(), 1u);
    const ComponentInput& c = a.components[0];
    EXPECT_EQ(c.account, "218200");
    EXPECT_EQ(Iso(c.entry_date), "2024-03-15");
    EXPECT_EQ(Iso(c.service_date), "2024-03-15");  // default: the entry date
    EXPECT_EQ(c.entry_type, 0);
    EXPECT_EQ(c.designation, "Delivery van");  // default: the asset's designation
    EXPECT_FALSE(c.non_deductible);
    EXPECT_FALSE(c.car_reintegration);
    ASSERT_EQ(c.details.size(), 1u);
    EXPECT_EQ(AmountText(c.details[0].price), "24000.0000");
    EXPECT_EQ(AmountText(c.details[0].costs), "500.0000");
    EXPECT_EQ(AmountText(c.details[0].vat), "4900.0000");
    EXPECT_EQ(c.details[0].currency, 0);
    EXPECT_EQ(c.details[0].rate, -1.0);
    ASSERT_TRUE(c.plans.has_value());
    ASSERT_EQ(c.plans->size(), 2u);
    EXPECT_EQ((*c.plans)[1].kind, 2);
    EXPECT_EQ((*c.plans)[1].method, 1);
    EXPECT_EQ(Iso((*c.plans)[1].start), "2024-03-15");
    EXPECT_EQ((*c.plans)[1].duration, 60);
    EXPECT_FALSE((*c.plans)[1].residual.has_value());
    EXPECT_FALSE(c.units.has_value());

    ASSERT_EQ(s.exits.size(), 1u);
    const ExitInput& e = s.exits[0];
    EXPECT_EQ(e.designation, "Sale of the van");
    EXPECT_EQ(Iso(e.date), "2026-09-30");
    EXPECT_EQ(Iso(e.end_of_use), "2026-09-30");  // default: the exit's date
    EXPECT_EQ(AmountText(e.price), "12000.0000");
    EXPECT_EQ(e.currency, 0);
    EXPECT_EQ(e.reason, 1);
    EXPECT_TRUE(e.vat_reversed);
    ASSERT_EQ(e.assets.size(), 1u);
    EXPECT_EQ(e.assets[0].ref, "A1");
    EXPECT_EQ(e.assets[0].asset_index, 0u);
    EXPECT_TRUE(e.assets[0].components.empty());

    EXPECT_TRUE(s.actions.empty());
    EXPECT_TRUE(s.report.schedules);
    EXPECT_TRUE(s.report.disposals);
    EXPECT_FALSE(s.report.tax);
    EXPECT_TRUE(s.report.entries.empty());
    EXPECT_FALSE(s.report.at.has_value());  // the situation date at report time
}

TEST(ScenarioValid, FullScenarioSectionsAndActions) {
    Scenario s = ParseScenario(kFullScenario, "/data/run");
    ASSERT_EQ(s.case_.settings.size(), 2u);
    EXPECT_EQ(s.case_.settings[0], std::make_pair(std::string("DerogatoireTaux"), std::string("100")));
    EXPECT_EQ(s.case_.settings[1], std::make_pair(std::string("0"), std::string("31/12/26 1")));

    const ComponentInput& units = s.assets[0].components[1];
    ASSERT_TRUE(units.units.has_value());
    EXPECT_EQ(AmountText(*units.units->total), "1000.0000");
    EXPECT_EQ(units.units->designation, "km");
    EXPECT_FALSE(units.units->forced_opening.has_value());
    ASSERT_EQ(units.units->forecasts.size(), 1u);
    EXPECT_EQ(AmountText(units.units->forecasts[0].amount), "10.0000");
    EXPECT_FALSE(units.plans.has_value());  // absent: the engine's default plans
    ASSERT_EQ(units.situations.size(), 1u);
    EXPECT_EQ(units.situations[0].kind, 1);
    EXPECT_EQ(AmountText(units.situations[0].current_value), "100.0000");
    EXPECT_EQ(AmountText(units.situations[0].impairment_nonded), "null");

    const ExitComponentInput& entered = s.exits[0].assets[0].components[0];
    EXPECT_EQ(entered.index, 0);
    EXPECT_EQ(AmountText(entered.entered_price), "11000.0000");
    EXPECT_EQ(AmountText(entered.vat_to_reverse), "null");
    EXPECT_FALSE(entered.tax_rate.has_value());

    ASSERT_EQ(s.actions.size(), 3u);
    EXPECT_EQ(s.actions[0].kind, ActionKind::Validate);
    EXPECT_EQ(s.actions[0].asset, "B2");
    EXPECT_EQ(s.actions[0].asset_index, 1u);
    EXPECT_EQ(s.actions[0].complement, 2);
    EXPECT_EQ(s.actions[1].kind, ActionKind::CloseYear);
    EXPECT_EQ(s.actions[2].kind, ActionKind::ExportEntries);
    EXPECT_EQ(s.actions[2].entries_kind, 4);
    EXPECT_EQ(s.actions[2].file, "out/entries.txt");
    EXPECT_EQ(s.actions[2].file_path, "/data/run/out/entries.txt");
    EXPECT_STREQ(ActionName(s.actions[2].kind), "export_entries");
    EXPECT_EQ(s.report.entries, std::vector<int>{4});
}

TEST(ScenarioValid, ActionsOfEveryKind) {
    std::string text = Variant("/actions", R"([
        {"do": "validate", "asset": "A1"},
        {"do": "store_past", "asset": "A1"},
        {"do": "duplicate", "asset": "B2", "state": 4, "new_references": true},
        {"do": "delete_version", "asset": "B2"},
        {"do": "create_entries", "kind": 5},
        {"do": "cancel_entries", "kind": 0},
        {"do": "export_entries", "kind": 2, "file": "/abs/e.txt"}])");
    Scenario s = ParseScenario(text, "/data/run");
    ASSERT_EQ(s.actions.size(), 7u);
    EXPECT_EQ(s.actions[0].complement, 2);  // default
    EXPECT_EQ(s.actions[1].kind, ActionKind::StorePast);
    EXPECT_EQ(s.actions[2].kind, ActionKind::Duplicate);
    EXPECT_EQ(s.actions[2].state, 4);
    EXPECT_TRUE(s.actions[2].new_references);
    EXPECT_EQ(s.actions[3].kind, ActionKind::DeleteVersion);
    EXPECT_EQ(s.actions[4].entries_kind, 5);
    EXPECT_EQ(s.actions[5].kind, ActionKind::CancelEntries);
    EXPECT_EQ(s.actions[6].file_path, "/abs/e.txt");  // absolute paths are kept
}

// Amounts are read digit by digit: what a double cannot hold comes through unchanged.
struct AmountCase {
    std::string raw;
    const char* expected;  // GetSQL() of the amount read
};

TEST(ScenarioValid, AmountsAreReadExactly) {
    const AmountCase cases[] = {
        {"0.1", "0.1000"},
        {"\"0.1\"", "0.1000"},
        {"0.0001", "0.0001"},
        {"-0.0001", "-0.0001"},
        {"1234567890123.4567", "1234567890123.4567"},
        {"\"1234567890123.4567\"", "1234567890123.4567"},
        // The largest price whose line (with its costs and VAT, 5,400) stays within the bound.
        {"9999999994599.9999", "9999999994599.9999"},
        {"-9999999999999.9999", "-9999999999999.9999"},
        {"3892.78", "3892.7800"},
        {"1.00000", "1.0000"},  // trailing zeros are not decimals of the value
        {"1e3", "1000.0000"},
        {"2.5E-2", "0.0250"},
        {"-0", "0.0000"},
        {"\"-12.5\"", "-12.5000"},
        {"null", "NULL"},
    };
    for (const AmountCase& c : cases) {
        Scenario s = ParseScenario(Variant("/assets/0/components/0/details/0/price", c.raw));
        EXPECT_EQ(s.assets[0].components[0].details[0].price.GetSQL(), c.expected) << "price " << c.raw;
    }
    // Absent and null are both the null amount where the format gives no other default.
    Scenario s = ParseScenario(Variant("/assets/0/components/0/details/0/costs", ""));
    EXPECT_TRUE(s.assets[0].components[0].details[0].costs.IsNull());
    // Where absence must leave the engine's default alone, absent and null differ.
    s = ParseScenario(Variant("/assets/0/components/0/plans/0/residual", "null"));
    ASSERT_TRUE(s.assets[0].components[0].plans->at(0).residual.has_value());
    EXPECT_TRUE(s.assets[0].components[0].plans->at(0).residual->IsNull());
    EXPECT_FALSE(s.assets[0].components[0].plans->at(1).residual.has_value());
}

TEST(ScenarioValid, TextsAreCountedInCharacters) {
    // Ten accented letters: 20 bytes, 10 characters, the most a ref holds.
    std::string ref = "\u00e9\u00e8\u00ea\u00eb\u00e0\u00e2\u00e7\u00f4\u00fb\u00ee";
    std::string text = kFormatExample;
    for (size_t at; (at = text.find("\"A1\"")) != std::string::npos;) text.replace(at, 4, "\"" + ref + "\"");
    Scenario s = ParseScenario(text);
    EXPECT_EQ(s.assets[0].ref, ref);
    EXPECT_EQ(s.exits[0].assets[0].ref, ref);
    std::string designation(59, 'x');
    designation += "\u20ac";  // a three-byte character as the 60th
    s = ParseScenario(Variant("/assets/0/designation", "\"" + designation + "\""));
    EXPECT_EQ(s.assets[0].designation, designation);
}

TEST(ScenarioValid, FiscalYearsAtTheirLimits) {
    // A first year of exactly 24 months, and a short one after it.
    const char* text = R"({"case": {"fiscal_years": [{"start": "2024-01-01", "end": "2025-12-31"},
                                                        {"start": "2026-01-01", "end": "2026-06-30"}],
                                       "current_year": "2026-01-01", "situation_date": "2026-01-01",
                                       "tax_regime": 2, "account_length": 13, "user": "anne"}})";
    Scenario s = ParseScenario(text);
    EXPECT_EQ(Iso(s.case_.situation_date), "2026-01-01");
    EXPECT_EQ(s.case_.tax_regime, 2);
    ParametresDossier parameters = CaseParameters(s.case_);
    ASSERT_EQ(parameters.Exercices.size(), 2u);
    EXPECT_TRUE(parameters.Exercices[0].Cloture);  // before the current year
    EXPECT_FALSE(parameters.Exercices[1].Cloture);
    EXPECT_EQ(Iso(parameters.DebutExerciceCourant), "2026-01-01");
    EXPECT_EQ(parameters.RegimeFiscal, 2);
    EXPECT_EQ(parameters.LongueurCompte, 13);
    EXPECT_TRUE(s.assets.empty());
}

// What the golden scenarios leave out takes its default; their figures are checked by the golden runs.
TEST(ScenarioValid, GoldenScenariosLeaveFieldsToTheirDefaults) {
    Scenario units = ParseScenarioFile(kGoldenDir + "/units_km.json");
    const ComponentInput& km = units.assets[0].components[0];
    ASSERT_TRUE(km.units.has_value());
    std::vector<std::string> quantities;
    for (const YearAmountInput& forecast : km.units->forecasts)
        quantities.push_back(std::to_string(forecast.year) + ":" + forecast.amount.ToString());
    EXPECT_EQ(quantities, (std::vector<std::string>{"0:30000", "1:0", "2:60000", "3:90000", "4:120000"}));
    EXPECT_EQ((*km.plans)[0].duration, kNoDuration) << "absent: none";

    Scenario declining = ParseScenarioFile(kGoldenDir + "/declining_10y.json");
    EXPECT_TRUE((*declining.assets[0].components[0].plans)[0].start.IsNull()) << "absent: the method's rule";

    Scenario building = ParseScenarioFile(kGoldenDir + "/building_vat.json");
    EXPECT_EQ(Iso(building.case_.situation_date), "2024-12-31") << "absent: end of the current year";
}

TEST(ScenarioValid, EveryGoldenScenarioParses) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir)) {
        std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".json" || name.find(".expect.") != std::string::npos) continue;
        EXPECT_NO_THROW(ParseScenarioFile(entry.path().string())) << name;
        ++count;
    }
    EXPECT_GE(count, 3);
}

TEST(ScenarioValid, RelativeExportFilesFollowTheScenarioFile) {
    auto dir = std::filesystem::temp_directory_path() / ("vk_scenario_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "s.json").string();
    {
        std::ofstream out(path);
        out << kFullScenario;
    }
    Scenario s = ParseScenarioFile(path);
    EXPECT_EQ(s.actions[2].file_path, (dir / "out" / "entries.txt").string());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vkhost::testing
