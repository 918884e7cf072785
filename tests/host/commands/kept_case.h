// Commands run on a case file that a scenario built and kept: the scenario's report is what those
// commands are checked against.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/host/scenario/scenario_report.h"

namespace vktest {

// The cells of a CSV text as vkhost writes it (';', CRLF), line by line; no field of the tests'
// cases holds a separator.
inline std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::istringstream fields(line + ";");
        for (std::string cell; std::getline(fields, cell, ';');) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

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
