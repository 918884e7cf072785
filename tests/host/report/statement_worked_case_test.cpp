// The year-end statements of a small register whose every figure is worked by hand: a building, a
// machine bought this year declining for tax over linear accounting, and shelving held two and a
// half years then sold at a gain, read from the scenario report's statements (2054, 2055, 2059-A).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/host/scenario/scenario_report.h"

namespace {

using vktest::Figure;

// Fiscal years 2025 to 2027, 2026 current.
// - B1, a workshop (213100): 200,000 entered 1 January 2025, linear over 240 months in both plans:
//   10,000 a year.
// - M1, a lathe (215400): 30,000 entered 1 April 2026, linear over 60 months in the accounting plan,
//   declining over 60 months in the tax plan (rate 20 % x 1.75 = 35 %).
// - S1, shelving (218400), taken over with 4,000 of depreciation (2024 and 2025), 10,000 linear over
//   60 months from 1 January 2024, sold on 30 June 2026 for 11,000.
const char* const kWorkedCase = R"({"case": {"company": "Atelier Durand",
  "fiscal_years": [{"start": "2025-01-01", "end": "2025-12-31"}, {"start": "2026-01-01", "end": "2026-12-31"},
                   {"start": "2027-01-01", "end": "2027-12-31"}],
  "current_year": "2026-01-01"},
 "assets": [
  {"ref": "B1", "designation": "Atelier", "components": [{"account": "213100", "entry_date": "2025-01-01",
    "details": [{"price": 200000}],
    "plans": [{"kind": 1, "method": 1, "duration": 240}, {"kind": 2, "method": 1, "duration": 240}]}]},
  {"ref": "M1", "designation": "Tour", "components": [{"account": "215400", "entry_date": "2026-04-01",
    "details": [{"price": 30000}],
    "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 2, "duration": 60}]}]},
  {"ref": "S1", "designation": "Rayonnages", "state": 1, "components": [{"account": "218400",
    "entry_date": "2024-01-01", "details": [{"price": 10000}],
    "plans": [{"kind": 1, "method": 1, "duration": 60, "forced_opening": {"depreciation": 4000}},
              {"kind": 2, "method": 1, "duration": 60, "forced_opening": {"depreciation": 4000}}]}]}],
 "exits": [{"designation": "Vente des rayonnages", "date": "2026-06-30", "price": 11000, "assets": [{"ref": "S1"}]}],
 "report": {"statements": ["2054", "2055", "2059a"]}})";

const char* const kBuildings = "Constructions sur sol propre";
const char* const kMachines = "Installations techniques, matériel et outillage industriels";
const char* const kFurniture = "Matériel de bureau et informatique, mobilier";
const char* const kTotal = "total";

class WorkedStatements : public vktest::ScenarioReport {
protected:
    // The row of a frame by its label ("total" for the frame's total; a sale of 2059-A is labelled
    // with its reference and designation), null when absent.
    static nlohmann::json Row(const nlohmann::json& frame, const std::string& label) {
        if (label == kTotal) return frame.at("total");
        for (const nlohmann::json& row : frame.contains("rows") ? frame.at("rows") : frame.at("lines"))
            if (row.value("label", "") == label) return row;
        return nullptr;
    }
};

TEST_F(WorkedStatements, EveryFigureOfTheFormsAsWorkedByHand) {
    const nlohmann::json report = Report(kWorkedCase);
    ASSERT_FALSE(report.is_null());
    const nlohmann::json& statements = report.at("statements");
    const nlohmann::json& f2054 = statements.at("2054");
    const nlohmann::json& frameA = statements.at("2055").at(0);
    const nlohmann::json& frameB = statements.at("2055").at(1);
    const nlohmann::json& f2059a = statements.at("2059a");
    struct Case {
        const nlohmann::json* frame;
        const char* name;  // for the failure message
        std::string row, column, expected, how;
    };
    const std::vector<Case> cases = {
        // 2054: gross values.
        {&f2054, "2054", kBuildings, "opening", "200000", "the workshop, held since 2025"},
        {&f2054, "2054", kBuildings, "closing", "200000", "nothing moved"},
        {&f2054, "2054", kMachines, "increase_acquisitions", "30000", "the lathe bought on 1 April"},
        {&f2054, "2054", kFurniture, "opening", "10000", "the shelving at the year's start"},
        {&f2054, "2054", kFurniture, "decrease_disposals", "10000", "sold on 30 June"},
        {&f2054, "2054", kFurniture, "closing", "0", "10,000 - 10,000"},
        {&f2054, "2054", kTotal, "closing", "230000", "200,000 + 30,000"},
        // 2055 frame A: depreciation.
        {&frameA, "2055 A", kBuildings, "opening", "10000", "2025: 200,000 / 20"},
        {&frameA, "2055 A", kBuildings, "allocations", "10000", "2026: 200,000 / 20"},
        {&frameA, "2055 A", kMachines, "allocations", "4500",
         "30,000 x 270 / 1,800 days (April to December)"},
        {&frameA, "2055 A", kFurniture, "opening", "4000", "taken over: 2 x 2,000"},
        {&frameA, "2055 A", kFurniture, "allocations", "1000", "6,000 x 180 / 1,080 days, to 30 June"},
        {&frameA, "2055 A", kFurniture, "decreases", "5000", "4,000 + 1,000 leave with the shelving"},
        {&frameA, "2055 A", kTotal, "closing", "24500", "20,000 + 4,500"},
        // 2055 frame B: derogatory depreciation.
        {&frameB, "2055 B", kMachines, "linear", "4500", "the accounting charge"},
        {&frameB, "2055 B", kMachines, "derog_alloc_declining", "3375",
         "30,000 x 35 % x 9/12 = 7,875 for tax, less 4,500"},
        {&frameB, "2055 B", kTotal, "derog_net", "3375", "no reversal"},
        // 2059-A: the sale.
        {&f2059a, "2059-A", "S1 Rayonnages", "original_value", "10000", "the shelving's cost"},
        {&f2059a, "2059-A", "S1 Rayonnages", "depreciation", "5000", "4,000 + 1,000"},
        {&f2059a, "2059-A", "S1 Rayonnages", "residual", "5000", "10,000 - 5,000"},
        {&f2059a, "2059-A", "S1 Rayonnages", "price", "11000", "the exit's price"},
        {&f2059a, "2059-A", "S1 Rayonnages", "gain", "6000", "11,000 - 5,000"},
        {&f2059a, "2059-A", "S1 Rayonnages", "short_term", "5000",
         "held two years or more: short term up to the depreciation"},
        {&f2059a, "2059-A", "S1 Rayonnages", "long_term", "1000", "the rest, 6,000 - 5,000"},
        {&f2059a, "2059-A", kTotal, "gain", "6000", "one sale"},
    };
    for (const Case& c : cases) {
        const nlohmann::json row = Row(*c.frame, c.row);
        if (row.is_null()) {
            ADD_FAILURE() << c.name << ": no row " << c.row;
            continue;
        }
        EXPECT_EQ(Figure(row.at(c.column)), c.expected)
            << c.name << ", " << c.row << ", " << c.column << ": " << c.how;
    }
    EXPECT_EQ(f2054.at("company"), "Atelier Durand");
    EXPECT_EQ(f2054.at("year").at("end"), "2026-12-31");
}

// A closed year's statements are read from its stored lines: once 2026 is closed, `--year 2026`
// gives the documents it gave while 2026 was current. At 30 June 2026 the year's charges run to that
// date: the workshop 200,000 / 20 x 180 / 360 = 5,000, the lathe 30,000 x 90 / 1,800 = 1,500, the
// shelving 1,000 up to its sale that day.
TEST_F(WorkedStatements, AClosedYearAndADateInsideTheYear) {
    nlohmann::json scenario = nlohmann::json::parse(kWorkedCase);
    scenario.erase("report");
    const vktest::Outcome built = RunScenario(scenario.dump(), "--case " + Quoted(dossier()));
    ASSERT_EQ(built.status, 0) << built.err;
    auto statement = [&](const std::string& form, const std::string& extra) {
        const vktest::Outcome outcome =
            Host("statement " + Quoted(dossier()) + " " + form + " --format json " + extra);
        EXPECT_EQ(outcome.status, 0) << form << " " << extra << ": " << outcome.err;
        return outcome.status == 0 ? nlohmann::json::parse(outcome.out) : nlohmann::json();
    };
    const nlohmann::json midYear = statement("2055", "--at 2026-06-30");
    ASSERT_FALSE(midYear.is_null());
    const std::vector<std::pair<std::string, std::string>> allocations = {
        {kBuildings, "5000"}, {kMachines, "1500"}, {kFurniture, "1000"}, {kTotal, "7500"}};
    for (const auto& [row, expected] : allocations)
        EXPECT_EQ(Figure(Row(midYear.at(0), row).at("allocations")), expected) << row << " at 30 June";

    const char* const forms[] = {"2054", "2055", "2059a", "2033c", "2033d", "register", "charges"};
    std::map<std::string, nlohmann::json> current;
    for (const char* form : forms) current[form] = statement(form, "");
    // A dry run shows what would be closed (the shelving's disposal version is not validated) and
    // changes nothing.
    const vktest::Outcome dry = Host("close-year " + Quoted(dossier()) + " --dry-run");
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(
        dry.out,
        "Clôture de l'exercice du 01/01/2026 au 31/12/2026 : 3 biens, dont 1 encore en cours (non "
        "validés).\nExercice suivant : du 01/01/2027 au 31/12/2027.\nSimulation : rien n'a été modifié.\n");
    for (const char* form : forms)
        EXPECT_EQ(statement(form, ""), current[form]) << form << " after the dry run";
    const vktest::Outcome closed = Host("close-year " + Quoted(dossier()) + " --yes");
    ASSERT_EQ(closed.status, 0) << closed.err;
    for (const char* form : forms) EXPECT_EQ(statement(form, "--year 2026"), current[form]) << form;
    EXPECT_NE(statement("2054", ""), current["2054"]) << "the current year is 2027 now";

    // Two closings later, 2026's gross values, depreciation frame and gains still read back; the
    // forms that carry its derogatory balances are refused, not printed wrong.
    ASSERT_EQ(Host("close-year " + Quoted(dossier())).status, 0);
    for (const char* form : {"2054", "2059a"})
        EXPECT_EQ(statement(form, "--year 2026"), current[form]) << form;
    const vktest::Outcome refused = Host("statement " + Quoted(dossier()) + " 2055 --year 2026");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("antérieur au dernier exercice clos"), std::string::npos) << refused.err;
}

}  // namespace
