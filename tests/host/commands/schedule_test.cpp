// vkhost schedule on a stored case file against the report `vkhost run` wrote for the same case.
#include <gtest/gtest.h>

#include "tests/support/hcmd_stored_case.h"

namespace {

using nlohmann::json;

class ScheduleCommand : public vktest::StoredCase {};

// Each asset's schedule JSON is the report's element for it, field for field (plans, every schedule
// line, tax and disposal figures, exact amounts); its CSV holds a line per schedule line.
TEST_F(ScheduleCommand, IsTheReportsAssetAsJsonAndCsv) {
    for (const json& expected : report["assets"]) {
        const std::string ref = expected["ref"];
        const json shown = Command("schedule", ref);
        ASSERT_TRUE(shown.is_object()) << ref;
        EXPECT_EQ(shown["at"], "2026-12-31");
        ASSERT_EQ(shown["assets"].size(), 1u);
        EXPECT_EQ(shown["assets"][0], expected)
            << ref << "\nschedule: " << shown["assets"][0].dump() << "\nreport:   " << expected.dump();
    }
    EXPECT_EQ(Command("schedule", "B2 --at 30/06/2026")["at"], "2026-06-30");
    const vktest::Outcome refused = OnCase("schedule", "B2 --at 31/06/2026 --json");
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(refused.err.find("--at : date invalide"), std::string::npos) << refused.err;

    const json asset = Command("schedule", "B2")["assets"][0];
    json rows = json::array();
    for (const json& component : asset["components"])
        for (const json& plan : component["plans"])
            for (json line : plan["schedule"]) {
                line.update(json{{"ref", asset["ref"]},
                                 {"ref_calc", asset["ref_calc"]},
                                 {"component_ref_calc", component["ref_calc"]},
                                 {"kind", plan["kind"]},
                                 {"method", plan["method"]}});
                rows.push_back(line);
            }
    ExpectCsvHolds("schedule", "B2", rows);
}

}  // namespace
