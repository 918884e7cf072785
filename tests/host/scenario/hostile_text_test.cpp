// Texts that look like SQL or break naive quoting, run through `vkhost run`: they are data, stored
// and reported character for character, and they change nothing else in the case file. A text that
// fills its column with quotes fills it exactly (the quotes doubled in a statement do not count).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

struct Field {
    const char* where;  // JSON pointer in the scenario
    std::string text;
    const char* query;  // isql query that reads it back
};

class HostileTexts : public vktest::HostTest {};

TEST_F(HostileTexts, AreStoredAndReportedAsWritten) {
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
    const fs::path caseDir = dossier(), report = work.Path() / "report.json";
    const vktest::Outcome run =
        RunScenario(scenario.dump(), "--case " + Quoted(caseDir) + " --out " + Quoted(report));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(vktest::ReadFile(report))["assets"][0]["ref"], "O'K;--");

    // Each text read back by Firebird's own tool, one per line between markers; and the tables the
    // texts name are whole.
    std::string script = "SET HEADING OFF;\n";
    for (const Field& f : fields)
        script += std::string("SELECT '<' || (") + f.query + ") || '>' FROM RDB$DATABASE;\n";
    script +=
        "SELECT 'counts', (SELECT COUNT(*) FROM ZENKOVKB), (SELECT COUNT(*) FROM ZENKOVKC), "
        "(SELECT REGIME_FISCAL FROM DOSSIER) FROM RDB$DATABASE;\n";
    const std::string shown = Isql(caseDir, script);
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
