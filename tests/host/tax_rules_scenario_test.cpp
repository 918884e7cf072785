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

// An impairment reversal never exceeds the impairment on the books (D46). 10,000 entered 1 Jan 2025,
// both plans linear 60 months: net book value at the end of 2026 is 10,000 - 2 x 2,000 = 6,000. A
// current value of 9,000 on this never-impaired asset reverses nothing, with or without an entered
// maximum: the book value stays 6,000, the next year opens with no impairment and no reversal entry
// (account 781620) is generated.
TEST_F(TaxRulesScenario, AnImpairmentReversalNeverExceedsTheImpairmentOnTheBooks) {
    for (const char* maximum : {"", R"(, "max_reversal": 0)", R"(, "max_reversal": 5000)"}) {
        const std::string label = std::string("situation ") + maximum;
        const nlohmann::json report = Report(OneComponentScenario(
            std::string(R"({"account": "215400", "entry_date": "2025-01-01", "details": [{"price": 10000}],
                 "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 1, "duration": 60}],
                 "situations": [{"date": "2026-12-31", "kind": 1, "current_value": 9000)") +
                maximum + "}]}",
            R"({"schedules": true, "tax": true, "entries": [4]})"));
        if (report.is_null()) {
            ADD_FAILURE() << label;
            continue;
        }
        const nlohmann::json accounting = Plan(report, 1);
        EXPECT_EQ(Figure(accounting.at("at").at("nbv")), "6000") << label;
        for (const nlohmann::json& line : accounting.at("schedule")) {
            const std::string year = line.at("year").dump();
            for (const char* field : {"opening_impairment_ded", "opening_impairment_nonded"})
                if (!line.at(field).is_null()) {
                    EXPECT_EQ(Figure(line.at(field)), "0") << label << ", year " << year << " " << field;
                }
            if (year == "1") {
                EXPECT_EQ(Figure(line.at("opening_nbv")), "6000") << label;
            }
        }
        EXPECT_EQ(Figure(Component(report).at("tax").at("derogatory").at("concerned")), "false") << label;
        for (const nlohmann::json& line : report.at("entries").at(0).at("lines"))
            EXPECT_NE(line.at("account").get<std::string>().substr(0, 6), "781620")
                << label << ": " << line.dump();
    }
}

}  // namespace
