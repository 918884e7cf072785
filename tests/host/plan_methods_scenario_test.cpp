// Schedules of whole scenarios run through vkhost for the method rules of a plan: a copy plan
// ("Idem") follows the method the other plan applies, the units forecasts a copy plan uses survive
// the save, a plan that applies no method has one line, and a component gone in an earlier year
// charges nothing.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "tests/host/scenario_report.h"

namespace {

using vktest::Figure;

// One asset "A1" of state `state` whose single component is `component`, optional exits, over the
// calendar years 2025 to 2027 (2026 current).
std::string AssetScenario(int state, const std::string& component, const std::string& exits = "") {
    return std::string("{") + vktest::kYears2025To2027 +
           fmt::format(R"(, "assets": [{{"ref": "A1", "state": {}, "components": [{}]}}])", state,
                       component) +
           (exits.empty() ? "" : ", \"exits\": " + exits) +
           R"(, "report": {"schedules": true, "tax": true}})";
}

class PlanMethodsScenario : public vktest::ScenarioReport {
protected:
    // "method charges" of a plan of the report, e.g. "3 0:4000 1:6000".
    static std::string MethodAndCharges(const nlohmann::json& report, int kind) {
        const nlohmann::json plan = Plan(report, kind);
        if (plan.is_null()) return "no plan";
        return plan.at("method").dump() + " " + Charges(plan);
    }
    struct Row {
        const char* rule;        // what the row guards
        const char* component;   // the component, a JSON object
        const char* accounting;  // expected "method charges" of the accounting plan
        const char* tax;         // same, tax plan
    };
    // Each row is run in the states 1 (asset taken over) and 2 (created), plans in the order given.
    void RunRows(const std::vector<Row>& rows, const std::string& exits = "") {
        for (const Row& row : rows)
            for (int state : {1, 2}) {
                const std::string label =
                    fmt::format("{} (state {})\ncomponent: {}", row.rule, state, row.component);
                const nlohmann::json report = Report(AssetScenario(state, row.component, exits));
                if (report.is_null()) {
                    ADD_FAILURE() << label;
                    continue;
                }
                EXPECT_EQ(MethodAndCharges(report, 1), row.accounting) << label << "\naccounting plan";
                EXPECT_EQ(MethodAndCharges(report, 2), row.tax) << label << "\ntax plan";
            }
    }
};

// A copy plan resolves against the method the other plan applies, not the one stored on it, in
// whichever order the plans are given and whatever the asset's state.
// Figures: a financial asset's accounting plan is not depreciable (method 0), so the tax copy is 0
// and charges nothing. The units plan: 10,000 x 400/1,000 = 4,000, then the remaining 6,000 units of
// 600 = 6,000; the tax units plan is allowed because the accounting plan copies it.
TEST_F(PlanMethodsScenario, ACopyPlanFollowsTheMethodTheOtherPlanApplies) {
    const std::string financial = R"({"account": "261000", "entry_date": "2026-01-01",
        "details": [{"price": 1000, "costs": 50}], "plans": [)";
    const std::string accountingLinear = R"({"kind": 1, "method": 1, "duration": 60})";
    const std::string taxCopy = R"({"kind": 2, "method": 12, "duration": 60})";
    const std::string inOrder = financial + accountingLinear + ", " + taxCopy + "]}";
    const std::string reversed = financial + taxCopy + ", " + accountingLinear + "]}";
    const char* units = R"({"account": "215400", "entry_date": "2026-01-01", "details": [{"price": 10000}],
        "units": {"total": 1000, "forecasts": [{"year": 0, "quantity": 400}, {"year": 1, "quantity": 600}]},
        "plans": [{"kind": 1, "method": 13}, {"kind": 2, "method": 3}]})";
    const char* unitsReversed =
        R"({"account": "215400", "entry_date": "2026-01-01", "details": [{"price": 10000}],
        "units": {"total": 1000, "forecasts": [{"year": 0, "quantity": 400}, {"year": 1, "quantity": 600}]},
        "plans": [{"kind": 2, "method": 3}, {"kind": 1, "method": 13}]})";
    RunRows({
        {"tax copy of a financial asset's accounting plan", inOrder.c_str(), "0 0:null", "0 0:null"},
        {"same, tax plan given first", reversed.c_str(), "0 0:null", "0 0:null"},
        {"accounting copy of a tax units plan", units, "3 0:4000 1:6000", "3 0:4000 1:6000"},
        {"same, tax plan given first", unitsReversed, "3 0:4000 1:6000", "3 0:4000 1:6000"},
    });
}

// Saving a component keeps the units forecasts that a copy plan applying units of production uses:
// the accounting copy of a manual tax plan is a units plan (10,000 x 400/1,000 = 4,000, then 6,000).
TEST_F(PlanMethodsScenario, SavingKeepsTheForecastsACopyPlanOfUnitsUses) {
    RunRows({
        {"accounting copy of a manual tax plan",
         R"({"account": "215400", "entry_date": "2026-01-01", "details": [{"price": 10000}],
             "units": {"total": 1000, "forecasts": [{"year": 0, "quantity": 400}, {"year": 1, "quantity": 600}]},
             "plans": [{"kind": 1, "method": 13}, {"kind": 2, "method": 4, "duration": 24}]})",
         "3 0:4000 1:6000", "4 0:0 1:10000"},
    });
}

// A plan whose applied method is 0 has the current year's line only, even with forced opening units:
// a tax units plan over a linear accounting plan is not allowed and applies 0. The accounting plan,
// 10,000 over 60 months from 2025, charges 2,000 a year from 2025 (year -1) to 2029.
TEST_F(PlanMethodsScenario, APlanApplyingNoMethodListsTheCurrentYearOnly) {
    RunRows({
        {"tax units plan over a linear accounting plan, forced opening units",
         R"({"account": "215400", "entry_date": "2025-01-01", "details": [{"price": 10000}],
             "units": {"total": 1000, "forced_opening": 300},
             "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 3}]})",
         "1 -1:2000 0:2000 1:2000 2:2000 3:2000", "0 0:null"},
    });
}

// A units-of-production or manual plan of a component whose use ended in an earlier year charges
// nothing in the current year (the earlier years' charges are those the schedule keeps: 0 here).
TEST_F(PlanMethodsScenario, AComponentGoneInAnEarlierYearChargesNothingThisYear) {
    const std::string exits =
        R"([{"designation": "Sale", "date": "2025-06-30", "price": 5000, "assets": [{"ref": "A1"}]}])";
    const std::vector<Row> rows = {
        {"units plans, left on 30 June 2025",
         R"({"account": "215400", "entry_date": "2025-01-01", "details": [{"price": 10000}],
             "units": {"total": 1000, "forecasts": [{"year": 0, "quantity": 400}]},
             "plans": [{"kind": 1, "method": 3}, {"kind": 2, "method": 3}]})",
         "3 -1:0 0:0", "3 -1:0 0:0"},
    };
    for (const Row& row : rows) {
        const nlohmann::json report = Report(AssetScenario(2, row.component, exits));
        if (report.is_null()) {
            ADD_FAILURE() << row.rule;
            continue;
        }
        EXPECT_EQ(MethodAndCharges(report, 1), row.accounting) << row.rule << "\naccounting plan";
        EXPECT_EQ(MethodAndCharges(report, 2), row.tax) << row.rule << "\ntax plan";
    }
}

}  // namespace
