// Commands run on a case file that a scenario built and kept: the scenario's report is what those
// commands are checked against.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tests/host/scenario/scenario_report.h"

namespace vktest {

class KeptCase : public ScenarioReport {
protected:
    // The report of `scenario`, run with its case file kept in dossier(); null after a failure
    // naming the exit status and standard error.
    nlohmann::json KeptReport(const std::string& scenario) {
        const auto file = work.Path() / "report.json";
        last = RunScenario(scenario, "--case " + Quoted(dossier()) + " --out " + Quoted(file));
        EXPECT_EQ(last.status, 0) << last.err;
        return last.status == 0 ? nlohmann::json::parse(ReadFile(file)) : nlohmann::json();
    }
    // vkhost COMMAND DIR ARGUMENTS on the kept case file.
    Outcome OnCase(const std::string& command, const std::string& arguments = "") {
        return Host(command + " " + Quoted(dossier()) + " " + arguments);
    }
};

}  // namespace vktest
