// Tax figures of whole scenarios run through vkhost: a component that lacks one of its two plans,
// impairment reversals and their ceiling.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <fmt/format.h>

#include "tests/host/scenario/scenario_report.h"

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

// The two parts of a reversal are each capped by what the books hold (D46). Taken over with 2,000
// of depreciation and 1,000 of non-deductible impairment (no deductible one), 10,000 linear over 60
// months from 2025: 2026 charges the 7,000 left over the 48 months left, 1,750, so the net book value
// before any reversal is 10,000 - 3,750 - 1,000 = 5,250. A current value of 9,000 asks for 3,750 of
// reversal, cut to the 1,000 on the books; the entered non-deductible movement reverses 200 of it,
// and the 800 left over has no deductible impairment to reverse: the year reverses 200 (net book
// value 5,450), 2027 opens with 800 non-deductible and no deductible impairment.
TEST_F(TaxRulesScenario, EachPartOfAReversalIsCappedByWhatTheBooksHold) {
    const nlohmann::json report = Report(std::string("{") + vktest::kYears2025To2027 +
                                         R"(, "assets": [{"ref": "A1", "state": 1, "components": [
            {"account": "215400", "entry_date": "2025-01-01", "details": [{"price": 10000}],
             "plans": [{"kind": 1, "method": 1, "duration": 60,
                        "forced_opening": {"depreciation": 2000, "impairment_ded": 0, "impairment_nonded": 1000}},
                       {"kind": 2, "method": 1, "duration": 60}],
             "situations": [{"date": "2026-12-31", "kind": 1, "current_value": 9000, "impairment_nonded": -200}]}]}],
            "report": {"schedules": true}})");
    ASSERT_FALSE(report.is_null());
    const nlohmann::json accounting = Plan(report, 1);
    EXPECT_EQ(Figure(accounting.at("at").at("nbv")), "5450");
    for (const nlohmann::json& line : accounting.at("schedule"))
        if (line.at("year") == 1) {
            EXPECT_EQ(Figure(line.at("opening_impairment_ded")), "0");
            EXPECT_EQ(Figure(line.at("opening_impairment_nonded")), "800");
            EXPECT_EQ(Figure(line.at("opening_nbv")), "5450");
        }
}

// An impairment reversal on a component that stays is posted with the year's charges; the impairment
// of a component that leaves is reversed whole in its disposal entry. Two machines taken over with
// 2,000 of depreciation and 1,000 of deductible impairment, 10,000 linear over 60 months from 2025:
// 7,000 over the 48 months left, 1,750 a year. The kept one, worth 5,850 at the end of 2026 against a
// book value of 10,000 - 3,750 - 1,000 = 5,250, reverses 600; the sold one (30 June 2026, half a
// year: 875) reverses its 1,000 in the exit's entry and nothing with the year's charges.
TEST_F(TaxRulesScenario, AReversalOnAKeptComponentIsPostedWithTheYearsCharges) {
    const std::string machine =
        R"({"account": "215400", "entry_date": "2025-01-01", "details": [{"price": 10000}],
        "plans": [{"kind": 1, "method": 1, "duration": 60,
                   "forced_opening": {"depreciation": 2000, "impairment_ded": 1000}},
                  {"kind": 2, "method": 1, "duration": 60, "forced_opening": {"depreciation": 2000}}])";
    const nlohmann::json report = Report(std::string("{") + vktest::kYears2025To2027 + R"(, "assets": [
            {"ref": "K", "state": 1, "components": [)" +
                                         machine + R"(,
                "situations": [{"date": "2026-12-31", "kind": 1, "current_value": 5850}]}]},
            {"ref": "S", "state": 1, "components": [)" +
                                         machine + R"(}]}],
         "exits": [{"designation": "Vente", "date": "2026-06-30", "price": 6000, "assets": [{"ref": "S"}]}],
         "report": {"entries": [3, 4]}})");
    ASSERT_FALSE(report.is_null());
    std::map<int, std::vector<std::string>> lines;
    for (const nlohmann::json& entries : report.at("entries"))
        for (const nlohmann::json& line : entries.at("lines"))
            lines[entries.at("kind").get<int>()].push_back(
                line.at("piece").get<std::string>() + " " + line.at("account").get<std::string>() +
                (line.at("debit").get<bool>() ? " D " : " C ") + Figure(line.at("amount")));
    for (auto& [kind, text] : lines) std::sort(text.begin(), text.end());
    EXPECT_EQ(lines[4], (std::vector<std::string>{"2 281540 C 1750", "2 681120 D 1750", "5 291540 D 600",
                                                  "5 781620 C 600"}));
    EXPECT_EQ(lines[3],
              (std::vector<std::string>{"3-1 215400 C 10000", "3-1 281540 C 875", "3-1 281540 D 2875",
                                        "3-1 291540 D 1000", "3-1 675200 D 7125", "3-1 681120 D 875",
                                        "3-1 781620 C 1000"}));
}

}  // namespace
