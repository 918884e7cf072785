// Tax figures of whole scenarios run through vkhost: a component that lacks one of its two plans,
// impairment reversals and their ceiling.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "tests/host/scenario_report.h"

namespace {

using vktest::Figure;
using vktest::OneComponentScenario;

class TaxRulesScenario : public vktest::ScenarioReport {};

// The temporary reintegration and the derogatory balance compare the accounting and the tax plan.
// A component that has only one of them is not concerned by either, whatever opening is forced:
// every figure is null and the run succeeds (it used to end on a segmentation fault when a
// temporary-reintegration opening was forced).
TEST_F(TaxRulesScenario, AComponentWithOnlyOnePlanIsNotConcernedByTheTaxAdjustments) {
    struct Case {
        const char* plan;
        const char* forced;
    } cases[] = {
        {R"({"kind": 2, "method": 1, "duration": 60})", R"({"temporary_reintegration_opening": 100})"},
        {R"({"kind": 1, "method": 1, "duration": 60})", R"({"temporary_reintegration_opening": 100})"},
        {R"({"kind": 2, "method": 2, "duration": 60})", R"({"derogatory_opening": 100})"},
        {R"({"kind": 1, "method": 1, "duration": 60})",
         R"({"derogatory_opening": 100, "temporary_reintegration_opening": 0})"},
    };
    for (const Case& c : cases) {
        const std::string label = fmt::format("plan {}, forced {}", c.plan, c.forced);
        const nlohmann::json report = Report(OneComponentScenario(fmt::format(
            R"({{"account": "215400", "entry_date": "2025-01-01", "details": [{{"price": 10000}}],
                 "plans": [{}], "forced": {}}})",
            c.plan, c.forced)));
        if (report.is_null()) {
            ADD_FAILURE() << label;
            continue;
        }
        const nlohmann::json& tax = Component(report).at("tax");
        const nlohmann::json& temporary = tax.at("temporary_reintegration");
        for (const char* field : {"opening", "balance", "reintegrated", "deducted"})
            EXPECT_EQ(Figure(temporary.at(field)), "null") << label << ", temporary reintegration " << field;
        const nlohmann::json& derogatory = tax.at("derogatory");
        EXPECT_EQ(derogatory.at("concerned"), false) << label;
        for (const char* field : {"opening", "balance", "allocation", "reversal"})
            EXPECT_EQ(Figure(derogatory.at(field)), "null") << label << ", derogatory " << field;
    }
}

}  // namespace
