// Texts that look like SQL or break naive quoting, run through `vkhost run`: they are data, stored
// and reported character for character, and they change nothing else in the case file. A text that
// fills its column with quotes fills it exactly (the quotes doubled in a statement do not count).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "host/tempdir.h"
#include "tests/support/shell.h"

namespace fs = std::filesystem;

namespace {

using vktest::ReadFile;

struct Field {
    const char* where;  // JSON pointer in the scenario
    std::string text;
    const char* query;  // isql query that reads it back
};

TEST(HostileTexts, AreStoredAndReportedAsWritten) {
    const char* host = std::getenv("VK_HOST");
    if (!host || !*host) GTEST_SKIP() << "VK_HOST (the vkhost binary) is set by CTest";
    vkhost::TemporaryDirectory work("vkhostile");

    const Field fields[] = {
        {"/assets/0/ref", "O'K;--", "SELECT REF_SAIS FROM ZENKOVKB"},
        {"/assets/0/designation", "L'atelier \"Nord\"; DROP TABLE ZENKOVKB; --",
         "SELECT DESIGNATION FROM ZENKOVKB"},
        {"/assets/0/components/0/designation", std::string(60, '\''), "SELECT DESIGNATION FROM ZENKOVKC"},
        {"/assets/0/components/0/details/0/supplier", "'); DELETE FROM ZENKOVKC WHERE ('1'='1",
         "SELECT FOURNISSEUR FROM ZENKOVKL"},
        {"/assets/0/vehicle/registration", "AB'1\\;--", "SELECT NUMIMMAT FROM ZENKOVKV"},
        {"/case/company", "Fils'; COMMIT; UPDATE DOSSIER SET REGIME_FISCAL=9; --",
         "SELECT RAISON_SOCIALE FROM DOSSIER"},
    };
    nlohmann::ordered_json scenario = nlohmann::ordered_json::parse(R"({
     "case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
     "assets": [{"ref": "X", "vehicle": {"type": 5, "first_registration": "2026-02-01", "co2": 120},
       "components": [{"account": "218200", "entry_date": "2026-02-01",
                       "details": [{"price": 20000, "supplier": "x"}]}]}],
     "report": {}})");
    for (const Field& f : fields) scenario[nlohmann::ordered_json::json_pointer(f.where)] = f.text;
    std::ofstream(work.Path() / "scenario.json") << scenario.dump();

    const fs::path dossier = work.Path() / "dossier", report = work.Path() / "report.json";
    const std::string command = "'" + std::string(host) + "' run '" +
                                (work.Path() / "scenario.json").string() + "' --case '" + dossier.string() +
                                "' --env '" + (work.Path() / "env").string() + "' --out '" + report.string() +
                                "' 2>'" + (work.Path() / "err").string() + "'";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << ReadFile(work.Path() / "err");
    EXPECT_EQ(nlohmann::json::parse(ReadFile(report))["assets"][0]["ref"], "O'K;--");

    // Each text read back by Firebird's own tool, one per line between markers; and the tables the
    // texts name are whole.
    std::string script = "SET HEADING OFF;\n";
    for (const Field& f : fields)
        script += std::string("SELECT '<' || (") + f.query + ") || '>' FROM RDB$DATABASE;\n";
    script +=
        "SELECT 'counts', (SELECT COUNT(*) FROM ZENKOVKB), (SELECT COUNT(*) FROM ZENKOVKC), "
        "(SELECT REGIME_FISCAL FROM DOSSIER) FROM RDB$DATABASE;\n";
    std::ofstream(work.Path() / "read.sql") << script;
    const std::string isql = "isql-fb -q -ch UTF8 '" + (dossier / "dossier.fdb").string() + "' -i '" +
                             (work.Path() / "read.sql").string() + "' >'" +
                             (work.Path() / "read.out").string() + "' 2>&1";
    ASSERT_EQ(std::system(isql.c_str()), 0) << ReadFile(work.Path() / "read.out");
    const std::string shown = ReadFile(work.Path() / "read.out");
    for (const Field& f : fields)
        EXPECT_NE(shown.find("<" + f.text + ">"), std::string::npos) << f.where << ": " << f.text << "\n"
                                                                     << shown;
    std::istringstream lines(shown.substr(shown.find("counts")));
    std::string label;
    int assets = 0, components = 0, regime = 0;
    lines >> label >> assets >> components >> regime;
    EXPECT_EQ(assets, 1);
    EXPECT_EQ(components, 1);
    EXPECT_EQ(regime, 1) << "the default regime, untouched by the company name";
}

}  // namespace
