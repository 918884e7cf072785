// vkhost run and init, from outside: the process, its exit status, its report, and the case file it
// leaves, read back with Firebird's own isql tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

using vktest::Outcome;
using vktest::ReadFile;

class HostCommands : public vktest::HostTest {};

const char* const kYears = R"("case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01", "user": "comptable"})";

// A van with its vehicle record and two components, one of them bought in francs, and a building
// entered as a modification still in progress.
std::string Register(const std::string& vanDesignation = "Fourgon de livraison") {
    return std::string("{") + kYears + R"(,
 "assets": [{"ref": "A1", "designation": ")" +
           vanDesignation + R"(",
   "vehicle": {"type": 5, "first_registration": "2024-03-01", "registration": "AB-123-CD", "co2": 158},
   "components": [{"account": "2182", "entry_date": "2024-03-15",
      "details": [{"price": 24000, "costs": "500.0001", "vat": 4900, "supplier": "Garage"}]},
     {"account": "218200", "entry_date": "2025-03-15", "designation": "Aménagement",
      "details": [{"price": 6559.57, "currency": 250}]}]},
   {"ref": "B2", "designation": "Entrepôt", "state": 4, "complement": 1,
    "components": [{"account": "213100", "entry_date": "2025-02-01", "details": [{"price": 150000}]}]}]})";
}

TEST_F(HostCommands, RunBuildsTheRegisterThatIsqlReadsBack) {
    const fs::path dossier = work.Path() / "dossier";
    const Outcome run = RunScenario(Register(), "--case '" + dossier.string() + "' --out '" +
                                                    (work.Path() / "report.json").string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "") << "the report goes to --out";
    const std::string report = ReadFile(work.Path() / "report.json");
    // Prices exact to the ten-thousandth; 6559.57 francs are 1000 euros at the legal rate 6.55957.
    for (const char* expected :
         {"\"ref\": \"A1\"", "\"price\": 24500.0001", "\"price\": 1000", "\"ref\": \"B2\"", "\"state\": 4",
          "\"complement\": 1", "\"versions\": 1", "\"price\": 150000"})
        EXPECT_NE(report.find(expected), std::string::npos) << expected << " in\n" << report;

    const std::string tables = Isql(dossier, "SHOW TABLE ZENKOVKC;\nSHOW TABLE ZENKOVKV;\n");
    for (const char* column : {"ID_COMPO                        INTEGER Not Null",
                               "REF_CALC                        INTEGER Not Null",
                               "EXOCREATION                     SMALLINT Not Null",
                               "ISSTRUCTURE                     SMALLINT Nullable",
                               "COMMENTAIRE                     VARCHAR(32000) Nullable",
                               "BASE_TAXEPRO                    DECIMAL(18, 4) Nullable",
                               "Foreign key (ID_BIEN)    References ZENKOVKB (ID_BIEN) On Delete Cascade",
                               "TAUXCO2                         DECIMAL(18, 4) Nullable",
                               "NUMIMMAT                        VARCHAR(25)"})
        EXPECT_NE(tables.find(column), std::string::npos) << column << " in\n" << tables;

    const std::string rows =
        Isql(dossier,
             "SET LIST ON;\n"
             "SELECT B.REF_SAIS, B.USERCREAT, B.MODIFICATION, C.NUMCOMPTE, C.ISSTRUCTURE, "
             "C.SOUMIS_TP, C.DESIGNATION FROM ZENKOVKB B JOIN ZENKOVKC C ON C.ID_BIEN=B.ID_BIEN "
             "ORDER BY C.ID_COMPO;\n"
             "SELECT PRIX_ACQUIS, FRAIS_ACQUIS, DEVISEO_PRIX_ACQUIS FROM ZENKOVKL "
             "ORDER BY ID_DETAIL;\nSELECT TAUXCO2, DATEPREMIMMAT FROM ZENKOVKV;\n");
    for (const char* field :
         {"REF_SAIS                        A1", "USERCREAT                       comptable",
          "NUMCOMPTE                       218200", "DESIGNATION                     Aménagement",
          "DESIGNATION                     Fourgon de livraison", "FRAIS_ACQUIS                    500.0001",
          "PRIX_ACQUIS                     6559.5700", "DEVISEO_PRIX_ACQUIS             250",
          "TAUXCO2                         158.0000", "DATEPREMIMMAT                   2024-03-01"})
        EXPECT_NE(rows.find(field), std::string::npos) << field << " in\n" << rows;
}

// A scenario refused at the door: status 2, its first bad field named, no case file left.
TEST_F(HostCommands, AnInvalidScenarioNamesItsFirstBadFieldAndLeavesNothing) {
    const fs::path dossier = work.Path() / "dossier";
    std::string badState = Register();
    badState.replace(badState.find("\"state\": 4"), 10, "\"state\": 9");
    const struct {
        std::string scenario, message;
    } cases[] = {
        {badState, "assets[1].state: doit être entre 0 et 5"},
        // The case file's text columns hold the WIN1252 characters only.
        {Register("Fourgon 日本"),
         "assets[0].designation: doit être un texte que le dossier peut contenir (Windows-1252) : U+65E5 au "
         "caractère 9"},
    };
    for (const auto& c : cases) {
        const Outcome run = RunScenario(c.scenario, "--case " + Quoted(dossier));
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.message);
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(dossier)) << c.message;
    }
}

// Amounts up to the bound, 9,999,999,999,999.9999, go exactly from the scenario through the database
// to the report; beyond it they are refused at the door, one amount or a component's total.
TEST_F(HostCommands, LargeAmountsAreExactUpToTheBoundAndRefusedBeyond) {
    const auto scenario = [](const std::string& details) {
        return std::string("{") + kYears + R"(, "assets": [{"ref": "G1", "components": [{"account": "213100",
          "entry_date": "2026-01-01", "details": [)" +
               details + R"(], "plans": [{"kind": 1, "method": 1, "start": "2026-01-01", "duration": 60}]}]}],
          "report": {"schedules": true}})";
    };
    struct Exact {
        std::string details;
        std::vector<std::string> figures;  // as the report must write them
    };
    // Linear over 60 months from the start of the year: a fifth of the price, to the cent.
    const std::vector<Exact> exact = {
        {R"({"price": "9876543210987.65"})",
         {R"("price": 9876543210987.65)", R"("charge": 1975308642197.53)", R"("nbv": 7901234568790.12)"}},
        {R"({"price": "9999999999999.9999"})", {R"("price": 9999999999999.9999)"}},
        {R"({"price": "9999999999000", "costs": "999.9999"})", {R"("price": 9999999999999.9999)"}},
        {R"({"price": "1234567890123.4567"})",
         {R"("price": 1234567890123.4567)", R"("charge": 246913578024.69)", R"("nbv": 987654312098.7667)"}},
    };
    for (const Exact& c : exact) {
        const Outcome run = RunScenario(scenario(c.details));
        ASSERT_EQ(run.status, 0) << c.details << "\n" << run.err;
        for (const std::string& figure : c.figures)
            EXPECT_NE(run.out.find(figure), std::string::npos) << c.details << ": " << figure << " in\n"
                                                               << run.out;
    }
    struct Refused {
        std::string details, message;
    };
    const std::string range = "doit être entre -9999999999999.9999 et 9999999999999.9999";
    const std::vector<Refused> refused = {
        {R"({"price": "10000000000000"})", "assets[0].components[0].details[0].price: " + range},
        {R"({"price": "9999999999999.9999", "costs": "0.0001"})",
         "assets[0].components[0].details: la somme des prix, frais et TVA " + range},
        {R"({"price": "5000000000000"}, {"price": "5000000000000"})",
         "assets[0].components[0].details: la somme des prix, frais et TVA " + range},
    };
    for (const Refused& c : refused) {
        const Outcome run = RunScenario(scenario(c.details));
        EXPECT_EQ(run.status, 2) << c.details;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.message);
    }
}

}  // namespace
