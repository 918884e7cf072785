// Schedules of whole scenarios run through vkhost for the method rules of a plan: a copy plan
// ("Idem") follows the method the other plan applies, the units forecasts a copy plan uses survive
// the save, a plan that applies no method has one line, and a component gone in an earlier year
// charges nothing.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "tests/host/scenario/scenario_report.h"

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
// the units plan of a component in leasing (entry type 4) applies 0, whatever method it was given.
TEST_F(PlanMethodsScenario, APlanApplyingNoMethodListsTheCurrentYearOnly) {
    RunRows({
        {"units plans of a component in leasing, forced opening units",
         R"({"account": "215400", "entry_date": "2025-01-01", "entry_type": 4, "details": [{"price": 10000}],
             "units": {"total": 1000, "forced_opening": 300},
             "plans": [{"kind": 1, "method": 3}]})",
         "0 0:null", "no plan"},
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

// What a form lets one enter, judged on the component's dates (entry date for 5, 10 and 11, date of
// putting into service for 7, 8 and 9, the vehicle's first registration for 6) against the dates of
// the tax measures of the method table, and on the plan's kind. Each row is one component of a
// taken-over asset (state 1); `expected` is "method N" when the scenario runs and applies N, otherwise
// the first line of the refusal (exit status 2).
TEST_F(PlanMethodsScenario, AMethodAFormWouldRefuseIsRefusedWithThePlanNamed) {
    struct Case {
        const char* rule;
        const char* dates;    // the component's dates, JSON members
        const char* vehicle;  // the first registration of the asset's car, or none
        const char* method;   // the tax plan's method (the accounting plan is linear over 60 months)
        std::string expected;
    };
    const char* refusedMethod = "assets[0].components[0].plans[1].method: la méthode ";
    auto refused = [&](const char* what) { return std::string(refusedMethod) + what; };
    const std::vector<Case> cases = {
        // Software (5): entered up to 31/12/2016.
        {"software entered on the last day", R"("entry_date": "2016-12-31")", nullptr, "5", "method 5"},
        {"software entered the day after", R"("entry_date": "2017-01-01")", nullptr, "5",
         refused("5 (Logiciels) n'est pas permise pour ce composant")},
        // Electric vehicles (6): first registration up to 31/12/2005; no vehicle, not allowed.
        {"electric vehicle registered on the last day", R"("entry_date": "2005-12-31")", "2005-12-31", "6",
         "method 6"},
        {"electric vehicle registered the day after", R"("entry_date": "2005-12-31")", "2006-01-01", "6",
         refused("6 (Véhic. élec.) n'est pas permise pour ce composant")},
        {"electric vehicle method without a vehicle", R"("entry_date": "2005-06-30")", nullptr, "6",
         refused("6 (Véhic. élec.) n'est pas permise pour ce composant")},
        // Energy saving (7): in service from 31/12/1991 to 31/12/2006.
        {"energy saving in service the day before", R"("entry_date": "1991-12-30")", nullptr, "7",
         refused("7 (Eco. énergie) n'est pas permise pour ce composant")},
        {"energy saving in service on the first day", R"("entry_date": "1991-12-31")", nullptr, "7",
         "method 7"},
        {"energy saving entered in 2006, in service in 2007",
         R"("entry_date": "2006-12-31", "service_date": "2007-01-01")", nullptr, "7",
         refused("7 (Eco. énergie) n'est pas permise pour ce composant")},
        // Anti-noise (8): 01/01/1992 to 31/12/2005.
        {"anti-noise in service the day before", R"("entry_date": "1991-12-31")", nullptr, "8",
         refused("8 (Anti-bruit) n'est pas permise pour ce composant")},
        {"anti-noise in service on the last day", R"("entry_date": "2005-12-31")", nullptr, "8", "method 8"},
        // Anti-pollution (9): 01/01/1990 to 31/12/2005.
        {"anti-pollution in service on the first day", R"("entry_date": "1990-01-01")", nullptr, "9",
         "method 9"},
        {"anti-pollution in service the day after", R"("entry_date": "2006-01-01")", nullptr, "9",
         refused("9 (Anti-pollution) n'est pas permise pour ce composant")},
        // Increased declining (10): entered from 16/10/2001 to 31/12/2003.
        {"increased declining entered the day before", R"("entry_date": "2001-10-15")", nullptr, "10",
         refused("10 (Dégr. majoré) n'est pas permise pour ce composant")},
        {"increased declining entered on the first day", R"("entry_date": "2001-10-16")", nullptr, "10",
         "method 10"},
        // Scientific research (11): entered from 01/01/2004.
        {"research entered the day before", R"("entry_date": "2003-12-31")", nullptr, "11",
         refused("11 (Rech. scient. tech.) n'est pas permise pour ce composant")},
        {"research entered on the first day", R"("entry_date": "2004-01-01")", nullptr, "11", "method 11"},
        // A copy of the tax plan is not a tax method; units on the tax plan need units on the other.
        {"tax plan copying the tax plan", R"("entry_date": "2025-01-01")", nullptr, "13",
         refused("13 (Idem amort. fiscal) n'est pas permise pour un plan de ce type")},
        {"tax units over a linear accounting plan", R"("entry_date": "2025-01-01")", nullptr, "3",
         refused("3 (Unités d'oeuvre) n'est pas permise pour ce composant")},
    };
    for (const Case& c : cases) {
        const std::string vehicle =
            c.vehicle ? fmt::format(R"(, "vehicle": {{"type": 1, "first_registration": "{}"}})", c.vehicle)
                      : "";
        const std::string scenario =
            std::string("{") + vktest::kYears2025To2027 +
            fmt::format(R"(, "assets": [{{"ref": "A1", "state": 1{}, "components": [{{"account": "215400", {},
                "details": [{{"price": 10000}}],
                "plans": [{{"kind": 1, "method": 1, "duration": 60}}, {{"kind": 2, "method": {}, "duration": 60}}]}}]}}],
                "report": {{"tax": true}}}})",
                        vehicle, c.dates, c.method);
        const std::string label = std::string(c.rule) + "\nscenario: " + scenario;
        if (c.expected.rfind("method ", 0) == 0) {
            const nlohmann::json report = Report(scenario);
            if (report.is_null()) {
                ADD_FAILURE() << label;
                continue;
            }
            EXPECT_EQ("method " + Plan(report, 2).at("method").dump(), c.expected) << label;
        } else {
            EXPECT_EQ(Refusal(scenario), c.expected) << label;
        }
    }
}

// A method whose duration is entered needs one; a copy plan takes the start and duration it lacks
// from the plan it copies, as a form fills them in: the tax copy of 10,000 linear over 60 months from
// 1 July 2025 charges what the accounting plan charges (1,000 in 2025, then 2,000 a year).
TEST_F(PlanMethodsScenario, ADurationIsNeededWhereAFormAsksForOne) {
    const char* component =
        R"({{"account": "215400", "entry_date": "2025-07-01", "details": [{{"price": 10000}}],
        "plans": [{}]}})";
    const std::string linearWithout = fmt::format(fmt::runtime(component), R"({"kind": 1, "method": 1})");
    EXPECT_EQ(Refusal(AssetScenario(2, linearWithout)),
              "assets[0].components[0].plans[0].duration: la méthode 1 (Linéaire) demande une durée");
    const std::string decliningWithout = fmt::format(
        fmt::runtime(component), R"({"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 2})");
    EXPECT_EQ(Refusal(AssetScenario(2, decliningWithout)),
              "assets[0].components[0].plans[1].duration: la méthode 2 (Dégressif) demande une durée");
    RunRows({
        {"tax copy given without start or duration",
         fmt::format(fmt::runtime(component),
                     R"({"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 12})")
             .c_str(),
         "1 -1:1000 0:2000 1:2000 2:2000 3:2000 4:1000", "1 -1:1000 0:2000 1:2000 2:2000 3:2000 4:1000"},
    });
}

}  // namespace
