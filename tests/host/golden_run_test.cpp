// The golden scenarios, whose expected figures come from published French examples, run through
// `vkhost run` and compared item by item.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/golden.h"
#include "host/tempdir.h"

namespace {

class Golden : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden, ReportMatchesThePublishedFigures) {
    const char* host = std::getenv("VK_HOST");
    if (!host || !*host) GTEST_SKIP() << "VK_HOST (the vkhost binary) is set by CTest";
    vkhost::TemporaryDirectory work("vkgolden");
    const std::string golden = std::string(VK_SOURCE_DIR) + "/tests/golden/" + GetParam();
    const std::string report = (work.Path() / "report.json").string();
    const std::string command = std::string("'") + host + "' run '" + golden + ".json' --env '" +
                                (work.Path() / "env").string() + "' --out '" + report + "' 2> '" +
                                (work.Path() / "err.txt").string() + "'";
    const int status = std::system(command.c_str());
    std::ifstream err(work.Path() / "err.txt");
    std::stringstream errors;
    errors << err.rdbuf();
    ASSERT_EQ(status, 0) << errors.str();
    std::ifstream in(report);
    std::stringstream text;
    text << in.rdbuf();
    const auto mismatches = vkhost::CheckGolden(text.str(), vkhost::LoadGoldenItemsFile(golden + ".expect.json"));
    EXPECT_TRUE(mismatches.empty()) << vkhost::DescribeMismatches(mismatches);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Golden, ::testing::Values("declining_10y", "units_km", "building_vat"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
