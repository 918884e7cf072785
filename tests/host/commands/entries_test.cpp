// vkhost and the entries, from outside: a scenario that creates and exports entries and reports
// them, then the entries, ledger and compare commands on the case file it kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

using vktest::Outcome;
using vktest::ReadFile;
// A press bought 1 July 2025 for 10,000 (linear over 60 months in the books: 2,000 in 2026; declining
// for tax) and a licence bought 1 January 2026 for 12,000 (36 months: 4,000).
const char* const kScenario = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01"},
 "assets": [
  {"ref": "M1", "designation": "Presse", "components": [{"account": "215400", "entry_date": "2025-07-01",
    "details": [{"price": 10000}],
    "plans": [{"kind": 1, "method": 1, "start": "2025-07-01", "duration": 60}, {"kind": 2, "method": 2, "duration": 60}]}]},
  {"ref": "L1", "designation": "Licence", "components": [{"account": "205000", "entry_date": "2026-01-01",
    "details": [{"price": 12000}],
    "plans": [{"kind": 1, "method": 1, "start": "2026-01-01", "duration": 36},
              {"kind": 2, "method": 1, "start": "2026-01-01", "duration": 36}]}]}],
 "actions": [{"do": "create_entries", "kind": 5}, {"do": "export_entries", "kind": 4, "file": "fec.txt"}],
 "report": {"entries": [4]}
})";

class EntriesCommands : public vktest::HostTest {
protected:
    std::string Case() const { return Quoted(dossier()); }
};

TEST_F(EntriesCommands, ScenarioThenLedgerEntriesAndCompare) {
    const Outcome run =
        RunScenario(kScenario, "--case " + Case() + " --out " + Quoted(work.Path() / "report.json"));
    ASSERT_EQ(run.status, 0) << run.err;

    // The report's entries: the year's charges of both assets and the derogatory allocation.
    const nlohmann::json report = nlohmann::json::parse(ReadFile(work.Path() / "report.json"));
    ASSERT_EQ(report["entries"].size(), 1u);
    EXPECT_EQ(report["entries"][0]["kind"], 4);
    std::vector<std::string> lines;
    for (const auto& line : report["entries"][0]["lines"]) {
        EXPECT_EQ(line["journal"], "INVR");
        EXPECT_EQ(line["date"], "2026-12-31");
        lines.push_back(line["piece"].get<std::string>() + " " + (line["debit"].get<bool>() ? "D " : "C ") +
                        line["account"].get<std::string>() + " " + line["amount"].dump());
    }
    for (const char* expected : {"2 C 280500 4000", "2 C 281540 2000", "2 D 681110 4000", "2 D 681120 2000"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    EXPECT_NE(ReadFile(work.Path() / "fec.txt").find("JournalCode\tJournalLib"), std::string::npos);

    // The ledger holds the entries the scenario created, each balanced.
    Outcome ledger = Host("ledger " + Case());
    ASSERT_EQ(ledger.status, 0) << ledger.err;
    EXPECT_NE(ledger.out.find("journal INVR, 31/12/2026, pièce VK2"), std::string::npos) << ledger.out;
    EXPECT_NE(ledger.out.find("journal INVR, 31/12/2026, pièce VK4"), std::string::npos) << ledger.out;
    EXPECT_NE(ledger.out.find(" 0 déséquilibrées."), std::string::npos) << ledger.out;
    EXPECT_EQ(ledger.out.find("DÉSÉQUILIBRÉE"), std::string::npos) << ledger.out;

    // Cancelling the year's charges removes them; creating them again brings them back once.
    Outcome entries = Host("entries " + Case() + " 4 --cancel");
    ASSERT_EQ(entries.status, 0) << entries.err;
    ledger = Host("ledger " + Case());
    EXPECT_EQ(ledger.out.find("pièce VK2"), std::string::npos) << ledger.out;
    for (int i = 0; i < 2; ++i) ASSERT_EQ(Host("entries " + Case() + " 4 --create").status, 0);
    ledger = Host("ledger " + Case());
    const size_t first = ledger.out.find("pièce VK2");
    ASSERT_NE(first, std::string::npos) << ledger.out;
    EXPECT_EQ(ledger.out.find("pièce VK2", first + 1), std::string::npos) << "one set\n" << ledger.out;

    // Export to a file of the command line.
    entries = Host("entries " + Case() + " 5 --export '" + (work.Path() / "all.txt").string() + "'");
    ASSERT_EQ(entries.status, 0) << entries.err;
    EXPECT_NE(ReadFile(work.Path() / "all.txt").find("\t681120\t"), std::string::npos);
}

// The demonstration case file as vkhost demo keeps it: every kind of entries but the disposal of one
// owner is created (the ledger refuses any unbalanced entry, so each command would fail on one), the
// ledger lists them all balanced, and creating them all again changes nothing.
TEST_F(EntriesCommands, DemoCaseFileEntriesAllBalance) {
    const Outcome demo = Host("demo --keep " + Case());
    ASSERT_EQ(demo.status, 0) << demo.err;
    for (int kind : {0, 1, 3, 4, 5}) {
        const Outcome created = Host("entries " + Case() + " " + std::to_string(kind) + " --create");
        EXPECT_EQ(created.status, 0) << "kind " << kind << "\n" << created.err;
    }
    const Outcome ledger = Host("ledger " + Case());
    ASSERT_EQ(ledger.status, 0) << ledger.err;
    EXPECT_NE(ledger.out.find("pièce VK2"), std::string::npos) << ledger.out;  // the year's charges
    EXPECT_NE(ledger.out.find("pièce VK4"), std::string::npos) << ledger.out;  // the machine's derogatory
    EXPECT_NE(ledger.out.find(" 0 déséquilibrées."), std::string::npos) << ledger.out;
    ASSERT_EQ(Host("entries " + Case() + " 5 --create").status, 0);
    // Entries replaced by their recreation get new numbers: the rest is the same.
    const std::regex number("Écriture [0-9]+ :");
    EXPECT_EQ(std::regex_replace(Host("ledger " + Case()).out, number, "Écriture :"),
              std::regex_replace(ledger.out, number, "Écriture :"));
}

TEST_F(EntriesCommands, InvalidRequestsAndFailures) {
    ASSERT_EQ(Host("init " + Case() + " --first-year 2024-01-01 --years 3").status, 0);
    EXPECT_EQ(Host("entries " + Case() + " 4").status, 2) << "no operation";
    EXPECT_EQ(Host("entries " + Case() + " 4 --create --cancel").status, 2) << "two operations";
    EXPECT_EQ(Host("entries " + Case() + " 6 --create").status, 2) << "no such kind";
    EXPECT_EQ(Host("entries " + Case() + " 4 --create --exit 3").status, 2) << "an owner for kind 4";
    EXPECT_EQ(Host("compare " + Case() + " 7").status, 2);
    const Outcome missing = Host("entries " + Case() + " 2 --create --exit 999");
    EXPECT_EQ(missing.status, 1) << "an exit that does not exist";
    EXPECT_NE(missing.err.find("[0x0388"), std::string::npos) << missing.err;
    const Outcome ledger = Host("ledger " + Case());
    EXPECT_EQ(ledger.status, 0);
    EXPECT_NE(ledger.out.find("0 écritures"), std::string::npos) << ledger.out;
}

}  // namespace
