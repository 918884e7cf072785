// Commands run on a case file that a scenario built and kept: the scenario's report is what those
// commands are checked against.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/currency.h"

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

inline CCurrency Exact(const nlohmann::json& value) {
    return CCurrency::Parse(value.dump());
}

// A CSV cell holds its JSON value: an exact amount with a decimal point, the text, true/false, or
// nothing for null.
inline bool SameValue(const std::string& cell, const nlohmann::json& value) {
    if (value.is_null()) return cell.empty();
    if (value.is_string()) return cell == value.get<std::string>();
    if (value.is_number())
        return cell.find(',') == std::string::npos && CCurrency::Parse(cell) == Exact(value);
    return cell == value.dump();
}

// The CSV `text` holds `rows` (JSON objects), a line per row, each column the field of its header's name.
inline void ExpectCsvRows(const std::string& text, const nlohmann::json& rows, const std::string& label) {
    ASSERT_FALSE(rows.empty()) << label;
    const auto lines = CsvRows(text);
    ASSERT_EQ(lines.size(), rows.size() + 1) << label << "\n" << text;
    const std::vector<std::string>& header = lines[0];
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(lines[i + 1].size(), header.size()) << label << "\n" << text;
        for (size_t f = 0; f < header.size(); ++f)
            EXPECT_TRUE(SameValue(lines[i + 1][f], rows[i].value(header[f], nlohmann::json())))
                << label << " line " << i + 1 << ", " << header[f] << ": CSV \"" << lines[i + 1][f]
                << "\", JSON " << rows[i].value(header[f], nlohmann::json()) << " (" << rows[i].dump() << ")";
    }
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
