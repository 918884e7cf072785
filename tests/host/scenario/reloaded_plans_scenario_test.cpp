// A case file built from a scenario and read again: what the save kept is what the engine finds.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "tests/host/scenario/scenario_report.h"

namespace {

using vktest::OneComponentScenario;

class ReloadedPlansScenario : public vktest::ScenarioReport {
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

// Saving a component keeps the units forecasts while one of its plans applies units of production,
// judged on the method it applies: an accounting plan copying a manual tax plan (4, 24 months) is
// a units plan (manual and units stand for each other), and charges 4,000 then 6,000 from the
// forecasts, in an asset created in the year as much as in an imported one. The case file is then
// read again by `vkhost schedule`, which must find the same charges.
TEST_F(ReloadedPlansScenario, SavingAComponentKeepsTheForecastsOfACopyPlanUsingUnits) {
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
        EXPECT_NE(schedule.out.find("0 31/12/2026      10 000,00       4 000,00"), std::string::npos)
            << label << "\n"
            << schedule.out;
        EXPECT_NE(schedule.out.find("1 31/12/2027       6 000,00       6 000,00"), std::string::npos)
            << label << "\n"
            << schedule.out;
    }
}

}  // namespace
