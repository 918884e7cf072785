// Scenarios run through the vkhost binary whose report is read back as JSON, for the tests that
// check what the engine computes for a whole case file built the way a user builds it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/host_test.h"

namespace vktest {

// Calendar fiscal years 2025 to 2027, 2026 current; the situation date is the end of 2026.
inline const char* const kYears2025To2027 =
    R"("case": {"fiscal_years": [{"start": "2025-01-01", "end": "2025-12-31"},
                             {"start": "2026-01-01", "end": "2026-12-31"},
                             {"start": "2027-01-01", "end": "2027-12-31"}],
            "current_year": "2026-01-01"})";

// A scenario of one asset "A1" whose single component is `component` (a JSON object), reported
// with `report` (a JSON object).
inline std::string OneComponentScenario(const std::string& component,
                                        const std::string& report = R"({"schedules": true, "tax": true})") {
    return std::string("{") + kYears2025To2027 + R"(, "assets": [{"ref": "A1", "components": [)" + component +
           "]}], \"report\": " + report + "}";
}

// An amount of the report as exact text: JSON numbers keep their digits ("6000", "2016.44"); null
// is "null".
inline std::string Figure(const nlohmann::json& value) {
    return value.dump();
}

class ScenarioReport : public HostTest {
protected:
    // The report of a scenario that must run (exit status 0); null when it did not, after a failure
    // naming the exit status and standard error.
    nlohmann::json Report(const std::string& scenario) {
        const auto file = work.Path() / "report.json";
        std::filesystem::remove(file);
        last = RunScenario(scenario, "--out " + Quoted(file));
        EXPECT_EQ(last.status, 0) << last.err << "\nscenario: " << scenario;
        if (last.status != 0) return nullptr;
        return nlohmann::json::parse(ReadFile(file));
    }
    // The first line of standard error of a scenario that must be refused as invalid (exit 2).
    std::string Refusal(const std::string& scenario) {
        last = RunScenario(scenario);
        EXPECT_EQ(last.status, 2) << last.err << "\nscenario: " << scenario;
        return last.err.substr(0, last.err.find('\n'));
    }
    static const nlohmann::json& Component(const nlohmann::json& report, size_t asset = 0, size_t index = 0) {
        return report.at("assets").at(asset).at("components").at(index);
    }
    // The plan of a kind (1 accounting, 2 tax) of the first component; null when it has none.
    static nlohmann::json Plan(const nlohmann::json& report, int kind) {
        for (const nlohmann::json& plan : Component(report).at("plans"))
            if (plan.at("kind") == kind) return plan;
        return nullptr;
    }
    // The yearly charges of a reported plan, "year:charge" joined by blanks, lowest year first.
    static std::string Charges(const nlohmann::json& plan) {
        std::string text;
        for (const nlohmann::json& line : plan.at("schedule"))
            text += (text.empty() ? "" : " ") + line.at("year").dump() + ":" + Figure(line.at("charge"));
        return text;
    }

    Outcome last;
};

}  // namespace vktest
