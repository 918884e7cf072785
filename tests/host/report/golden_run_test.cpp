// The golden scenarios, whose expected figures come from published French examples, run through
// `vkhost run` and compared item by item.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/report/golden.h"
#include "tests/support/host_test.h"

namespace {

class Golden : public vktest::HostTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Golden, ReportMatchesThePublishedFigures) {
    const std::string golden = std::string(VK_SOURCE_DIR) + "/tests/golden/" + GetParam();
    const std::filesystem::path report = work.Path() / "report.json";
    const vktest::Outcome run = Host("run " + Quoted(golden + ".json") + " --out " + Quoted(report));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto mismatches =
        vkhost::CheckGolden(vktest::ReadFile(report), vkhost::LoadGoldenItemsFile(golden + ".expect.json"));
    EXPECT_TRUE(mismatches.empty()) << vkhost::DescribeMismatches(mismatches);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Golden, ::testing::Values("declining_10y", "units_km", "building_vat"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
