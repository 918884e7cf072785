// Depreciation plans of whole scenarios run through vkhost: copy plans, units of production, plans
// that depreciate nothing and components that left in an earlier year.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "tests/host/scenario_report.h"

namespace {

using vktest::Figure;
using vktest::OneComponentScenario;

class PlanRulesScenario : public vktest::ScenarioReport {
protected:
    // The scenario of one component in an asset of the given state (1 importation, 2 creation).
    static std::string InState(int state, const std::string& component,
                               const std::string& report = R"({"schedules": true, "tax": true})") {
        std::string text = OneComponentScenario(component, report);
        const std::string asset = R"({"ref": "A1")";
        return text.replace(text.find(asset), asset.size(), asset + ", \"state\": " + std::to_string(state));
    }
};

// A 10,000 machine of 1,000 units used 400 units in 2026 and 600 in 2027.
const char* const kMachineUnits =
    R"("account": "215400", "entry_date": "2026-01-01", "details": [{"price": 10000}],
       "units": {"total": 1000, "forecasts": [{"year": 0, "quantity": 400}, {"year": 1, "quantity": 600}]})";

// A copy plan ("Idem amort. comptable" 12, "Idem amort. fiscal" 13) takes the method the other plan
// really applies (its effective method), not the one stored on it, whatever the asset's state and
// the order in which the plans are given. Expected figures:
// - a financial asset (261000, price 1,000, costs 50): its accounting plan depreciates nothing, so a
//   tax plan copying it depreciates nothing either (method 0, no charge);
// - a units machine: 400 / 1,000 x 10,000 = 4,000 in 2026, then the remaining 6,000, on both plans
//   (a tax units plan is allowed because the accounting plan, copying it, uses units too).
TEST_F(PlanRulesScenario, ACopyPlanFollowsTheOtherPlansEffectiveMethod) {
    struct Case {
        const char* label;
        std::string component;
        int accountingMethod, taxMethod;
        const char* accountingCharges;
        const char* taxCharges;
    } cases[] = {
        {"financial asset, tax copies accounting",
         R"("account": "261000", "entry_date": "2025-01-01", "details": [{"price": 1000, "costs": 50}],
            "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 12, "duration": 60}])",
         0, 0, "0:null", "0:null"},
        {"financial asset, plans given tax first",
         R"("account": "261000", "entry_date": "2025-01-01", "details": [{"price": 1000, "costs": 50}],
            "plans": [{"kind": 2, "method": 12, "duration": 60}, {"kind": 1, "method": 1, "duration": 60}])",
         0, 0, "0:null", "0:null"},
        {"units machine, accounting copies tax units",
         std::string(kMachineUnits) +
             R"(, "plans": [{"kind": 1, "method": 13, "duration": 60}, {"kind": 2, "method": 3}])",
         3, 3, "0:4000 1:6000", "0:4000 1:6000"},
        {"units machine, plans given tax first",
         std::string(kMachineUnits) +
             R"(, "plans": [{"kind": 2, "method": 3}, {"kind": 1, "method": 13, "duration": 60}])",
         3, 3, "0:4000 1:6000", "0:4000 1:6000"},
    };
    for (const Case& c : cases)
        for (int state : {1, 2}) {
            const std::string label = fmt::format("{}, state {}", c.label, state);
            const nlohmann::json report = Report(InState(state, "{" + c.component + "}"));
            if (report.is_null()) {
                ADD_FAILURE() << label;
                continue;
            }
            const nlohmann::json accounting = Plan(report, 1), tax = Plan(report, 2);
            EXPECT_EQ(accounting.at("method"), c.accountingMethod) << label;
            EXPECT_EQ(tax.at("method"), c.taxMethod) << label;
            EXPECT_EQ(Charges(accounting), c.accountingCharges) << label;
            EXPECT_EQ(Charges(tax), c.taxCharges) << label;
        }
}

// Saving a component keeps the units forecasts while one of its plans applies units of production,
// judged on the method it applies: an accounting plan copying a manual tax plan (4, 24 months) is
// a units plan (manual and units stand for each other), and charges 4,000 then 6,000 from the
// forecasts, in an asset created in the year as much as in an imported one. The case file is then
// read again by `vkhost schedule`, which must find the same charges.
TEST_F(PlanRulesScenario, SavingAComponentKeepsTheForecastsOfACopyPlanUsingUnits) {
    for (int state : {1, 2}) {
        const std::string label = fmt::format("state {}", state);
        const std::string component = std::string("{") + kMachineUnits +
                                      R"(, "plans": [{"kind": 1, "method": 13},
                                                     {"kind": 2, "method": 4, "duration": 24}]})";
        const auto file = work.Path() / "report.json";
        const auto dossier = work.Path() / ("case" + std::to_string(state));
        last = RunScenario(InState(state, component), "--out " + Quoted(file) + " --case " + Quoted(dossier));
        ASSERT_EQ(last.status, 0) << label << "\n" << last.err;
        const nlohmann::json report = nlohmann::json::parse(vktest::ReadFile(file));
        const nlohmann::json accounting = Plan(report, 1);
        EXPECT_EQ(accounting.at("method"), 3) << label;
        EXPECT_EQ(Charges(accounting), "0:4000 1:6000") << label;
        const vktest::Outcome schedule = Host("schedule " + Quoted(dossier) + " A1");
        ASSERT_EQ(schedule.status, 0) << label << "\n" << schedule.err;
        EXPECT_NE(schedule.out.find("0 2026-12-31       10000.00        4000.00"), std::string::npos)
            << label << "\n"
            << schedule.out;
        EXPECT_NE(schedule.out.find("1 2027-12-31        6000.00        6000.00"), std::string::npos)
            << label << "\n"
            << schedule.out;
    }
}

}  // namespace
