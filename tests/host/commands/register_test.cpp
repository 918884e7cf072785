// vkhost list and vkhost import run as a user runs them: the register listed against the figures
// the scenario report gives for the same case, and a spreadsheet imported whole or not at all.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/currency.h"
#include "tests/host/commands/kept_case.h"
#include "tests/support/hcmd_json.h"

namespace {

using nlohmann::json;

// Three assets entered out of reference order: shelves bought in 2025 (price and costs), a van of
// two components bought in the current year, land that is not depreciated.
const char* const kRegisterScenario = R"({
 "case": {"fiscal_years": [{"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"},
                           {"start": "2027-01-01", "end": "2027-12-31"}], "current_year": "2026-01-01"},
 "assets": [
  {"ref": "B2", "designation": "Étagères", "components": [{"account": "218400", "entry_date": "2025-07-01",
    "details": [{"price": 17520, "costs": 480}],
    "plans": [{"kind": 1, "method": 1, "duration": 120}, {"kind": 2, "method": 1, "duration": 120}]}]},
  {"ref": "A10", "designation": "Fourgon", "components": [
    {"account": "218200", "entry_date": "2026-03-15", "details": [{"price": 24000.5}],
     "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 2, "duration": 60}]},
    {"account": "218200", "entry_date": "2026-03-15", "details": [{"price": 1000}],
     "plans": [{"kind": 1, "method": 1, "duration": 36}, {"kind": 2, "method": 1, "duration": 36}]}]},
  {"ref": "A2", "designation": "Terrain", "components": [{"account": "211000", "entry_date": "2025-02-01",
    "details": [{"price": 50000}], "plans": [{"kind": 1, "method": 0}, {"kind": 2, "method": 0}]}]}],
 "report": {"at": "@AT@"}})";

// An exact amount from its JSON number, its CSV text or an import's decimal comma.
CCurrency Exact(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return CCurrency::Parse(text);
}

// 17520.5 as a French screen shows it: "17 520,50".
std::string French(const CCurrency& amount) {
    const int64_t cents = (amount.Count() + (amount.Count() < 0 ? -50 : 50)) / 100;
    std::string whole = std::to_string((cents < 0 ? -cents : cents) / 100);
    for (int at = int(whole.size()) - 3; at > 0; at -= 3) whole.insert(size_t(at), " ");
    return (cents < 0 ? "-" : "") + whole + fmt::format(",{:02}", (cents < 0 ? -cents : cents) % 100);
}

struct Expected {
    std::string ref, designation, account, entry;
    CCurrency gross, nbv;
    json refCalc;
};

// What `list` must show for a scenario report: per asset, the components' prices and accounting
// net book values summed, in reference order.
std::vector<Expected> FromReport(const json& report, const json& scenario) {
    std::map<std::string, Expected> byRef;
    for (size_t a = 0; a < report["assets"].size(); ++a) {
        const json& asset = report["assets"][a];
        const json& input = scenario["assets"][a];
        Expected line{asset["ref"],
                      input["designation"],
                      input["components"][0]["account"],
                      input["components"][0]["entry_date"],
                      CCurrency(0),
                      CCurrency(0),
                      asset["ref_calc"]};
        for (const json& component : asset["components"]) {
            line.gross += Exact(component["price"].dump());
            for (const json& plan : component["plans"])
                if (plan["kind"] == 1) line.nbv += Exact(plan["at"]["nbv"].dump());
        }
        byRef[line.ref] = line;
    }
    std::vector<Expected> lines;
    for (auto& [ref, line] : byRef) lines.push_back(line);
    return lines;
}

class RegisterCommands : public vktest::KeptCase {
protected:
    vktest::Outcome List(const std::string& options) { return OnCase("list", options); }
};

// At the situation date (no --at) and at a date inside the year, given either way: the same assets,
// in reference order, with the report's gross values and net book values, as JSON, CSV and text.
TEST_F(RegisterCommands, ListShowsTheScenarioReportsFigures) {
    struct Case {
        const char* reportAt;  // the scenario report's date
        const char* option;    // how `list` is asked for it
        const char* heading;   // the net book value's column in the text
    };
    const Case cases[] = {{"2026-12-31", "", "VNC au 31/12/2026"},
                          {"2026-06-30", "--at 30/06/2026", "VNC au 30/06/2026"},
                          {"2026-03-15", "--at 2026-03-15", "VNC au 15/03/2026"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reportAt);
        std::filesystem::remove_all(dossier());
        std::string scenarioText = kRegisterScenario;
        scenarioText.replace(scenarioText.find("@AT@"), 4, c.reportAt);
        const json report = KeptReport(scenarioText);
        ASSERT_FALSE(report.is_null());
        const std::vector<Expected> expected = FromReport(report, json::parse(scenarioText));
        ASSERT_EQ(expected.size(), 3u);
        EXPECT_EQ(expected[0].ref + expected[1].ref + expected[2].ref, "A10A2B2");

        const vktest::Outcome asJson = List(std::string(c.option) + " --json");
        ASSERT_EQ(asJson.status, 0) << asJson.err;
        const json listed = json::parse(asJson.out);
        EXPECT_EQ(listed["at"], c.reportAt);
        ASSERT_EQ(listed["assets"].size(), expected.size()) << asJson.out;
        for (size_t i = 0; i < expected.size(); ++i) {
            const json& line = listed["assets"][i];
            const Expected& e = expected[i];
            vktest::ExpectFields(line,
                                 {{"ref", e.ref},
                                  {"ref_calc", e.refCalc},
                                  {"designation", e.designation},
                                  {"account", e.account},
                                  {"entry_date", e.entry},
                                  {"state", 2}},
                                 e.ref);
            EXPECT_EQ(Exact(line["gross_value"].dump()), e.gross)
                << e.ref << ": listed " << line["gross_value"] << ", report " << e.gross.ToString();
            EXPECT_EQ(Exact(line["nbv"].dump()), e.nbv)
                << e.ref << ": listed " << line["nbv"] << ", report " << e.nbv.ToString();
        }

        const vktest::Outcome asCsv = List(std::string(c.option) + " --csv");
        ASSERT_EQ(asCsv.status, 0) << asCsv.err;
        EXPECT_EQ(asCsv.out.rfind(
                      "ref;ref_calc;designation;state;complement;account;entry_date;gross_value;nbv\r\n", 0),
                  0u)
            << "no byte-order mark, the columns in this order: " << asCsv.out;
        vktest::ExpectCsvRows(asCsv.out, listed["assets"], "list --csv");

        const vktest::Outcome asText = List(c.option);
        ASSERT_EQ(asText.status, 0) << asText.err;
        EXPECT_NE(asText.out.find(c.heading), std::string::npos) << asText.out;
        CCurrency gross(0), nbv(0);
        size_t previous = 0;
        for (const Expected& e : expected) {
            const size_t at = asText.out.find("\n" + e.ref + " ");
            ASSERT_NE(at, std::string::npos) << e.ref << " missing:\n" << asText.out;
            EXPECT_GT(at, previous) << e.ref << " out of order:\n" << asText.out;
            previous = at;
            const std::string line = asText.out.substr(at + 1, asText.out.find('\n', at + 1) - at - 1);
            const std::string entry =
                e.entry.substr(8, 2) + "/" + e.entry.substr(5, 2) + "/" + e.entry.substr(0, 4);
            for (const std::string& shown : {e.designation, entry, French(e.gross), French(e.nbv)})
                EXPECT_NE(line.find(shown), std::string::npos) << "\"" << shown << "\" not in: " << line;
            gross += e.gross, nbv += e.nbv;
        }
        const std::string total = asText.out.substr(asText.out.find("3 biens"));
        EXPECT_NE(total.find(French(gross)), std::string::npos) << total;
        EXPECT_NE(total.find(French(nbv)), std::string::npos) << total;
    }
}

// Options a user may get wrong: status 2, a French message naming the option, nothing listed.
TEST_F(RegisterCommands, ListRefusesDatesOutsideTheYearAndUnknownOptions) {
    std::string scenarioText = kRegisterScenario;
    scenarioText.replace(scenarioText.find("@AT@"), 4, "2026-12-31");
    ASSERT_FALSE(KeptReport(scenarioText).is_null());
    const struct {
        const char* options;
        const char* message;
    } refusals[] = {
        {"--at 2027-01-01", "--at : 01/01/2027 hors de l'exercice courant (du 01/01/2026 au 31/12/2026)"},
        {"--at 31/12/2025 --json", "--at : 31/12/2025 hors de l'exercice courant"},
        {"--at 30/02/2026", "--at : date invalide « 30/02/2026 »"},
        {"--at 2026-13-01", "--at : date invalide"},
        {"--state 7", "--state : état inconnu \"7\""},
        {"--json --csv", "--json, --csv : choisir l'un ou l'autre"},
    };
    for (const auto& r : refusals) {
        const vktest::Outcome outcome = List(r.options);
        EXPECT_EQ(outcome.status, 2) << r.options << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(r.message), std::string::npos)
            << r.options << ": expected \"" << r.message << "\", got " << outcome.err;
        EXPECT_EQ(outcome.out, "") << r.options;
    }
    const struct {
        const char* options;
        size_t assets;
    } filters[] = {{"--state Initialisation", 3}, {"--state 2", 3}, {"--state cession", 0}};
    for (const auto& f : filters) {
        const vktest::Outcome outcome = List(std::string(f.options) + " --json");
        ASSERT_EQ(outcome.status, 0) << f.options << "\n" << outcome.err;
        EXPECT_EQ(json::parse(outcome.out)["assets"].size(), f.assets) << f.options;
    }
}

// Another tool's export: its own column order, decimal comma with thousands spaced, JJ/MM/AAAA,
// Windows-1252, CRLF; two lines per reference, so 1,000 lines make 500 assets of two components.
std::string ForeignExport(size_t lines) {
    std::string text =
        "D\xE9signation;Date d'entr\xE9"
        "e;Prix HT;Frais d'acquisition;Compte;R\xE9"
        "f\xE9rence;"
        "Dur\xE9"
        "e comptable (mois);M\xE9thode comptable;TVA r\xE9"
        "cup\xE9r\xE9"
        "e\r\n";
    for (size_t i = 0; i < lines; ++i) {
        const unsigned euros = 5 * unsigned(200 + i);  // 1 000 to 5 995: a fifth of it is whole cents
        text += fmt::format(
            "Mat\xE9riel n\xB0{} \xE0 l'\xE9tage;01/01/2026;{} {:03},00;12,50;218400;R{:04};60;"
            "Lin\xE9"
            "aire;{},00\r\n",
            i, euros / 1000, euros % 1000, i / 2, euros / 5);
    }
    return text;
}

// The export is read, stored and listed back: every asset with the sum of its lines, its text
// converted from Windows-1252, and a net book value of four fifths of its cost after one year of
// five (linear over 60 months from 1 January: figures by hand).
TEST_F(RegisterCommands, ImportsAThousandLinesFromAnotherToolAndListsThemBack) {
    ASSERT_EQ(Host("init " + Quoted(dossier()) + " --first-year 2025-01-01 --years 2").status, 0);
    const auto file = work.Path() / "export.csv";
    vktest::WriteFile(file, ForeignExport(1000));
    const vktest::Outcome import = Host("import " + Quoted(dossier()) + " " + Quoted(file));
    ASSERT_EQ(import.status, 0) << import.err;
    EXPECT_EQ(import.out.rfind("500 biens importés (1000 composants, fichier lu en Windows-1252).", 0), 0u)
        << import.out.substr(0, 200);
    EXPECT_NE(import.out.find("R0499       Matériel n°998 à l'étage"), std::string::npos);

    const vktest::Outcome listed = List("--json");
    ASSERT_EQ(listed.status, 0) << listed.err;
    const json assets = json::parse(listed.out)["assets"];
    ASSERT_EQ(assets.size(), 500u);
    for (size_t k = 0; k < assets.size(); ++k) {
        const json& asset = assets[k];
        const CCurrency gross = CCurrency(int(5 * (200 + 2 * k) + 5 * (200 + 2 * k + 1))) + Exact("25");
        SCOPED_TRACE(fmt::format("asset {} ({})", k, asset.dump()));
        EXPECT_EQ(asset["ref"], fmt::format("R{:04}", k));
        EXPECT_EQ(asset["designation"], fmt::format("Matériel n°{} à l'étage", 2 * k));
        EXPECT_EQ(asset["account"], "218400");
        EXPECT_EQ(asset["entry_date"], "2026-01-01");
        EXPECT_EQ(Exact(asset["gross_value"].dump()), gross);
        EXPECT_EQ(Exact(asset["nbv"].dump()), CCurrency::FromCount(gross.Count() / 5 * 4));
    }
}

// A file with faulty lines is refused whole: every fault on standard error as
// "FILE: ligne L, colonne C: raison", status 2, and the case file exactly as it was.
TEST_F(RegisterCommands, ImportRefusesAFileWithFaultyLinesWhole) {
    ASSERT_EQ(Host("init " + Quoted(dossier()) + " --first-year 2025-01-01 --years 2").status, 0);
    const auto file = work.Path() / "register.csv";
    const std::string header =
        "Référence;Désignation;Compte;Date d'entrée;Prix HT;Méthode comptable;"
        "Durée comptable (mois);Immatriculation\r\n";
    vktest::WriteFile(file, header + "E1;Ordinateur;218300;01/02/2026;1 200,00;linéaire;36;\r\n");
    ASSERT_EQ(Host("import " + Quoted(dossier()) + " " + Quoted(file)).status, 0);
    const std::string before = Dump(dossier());

    std::string sound;  // 200 sound lines, so that the faults sit deep in the file
    for (int i = 0; i < 200; ++i)
        sound += fmt::format("S{};Chaise {};218400;01/02/2026;100;linéaire;60;\r\n", i, i);
    const struct {
        const char* what;
        std::string body;
        std::vector<std::string> messages;  // every message, in order
    } refusals[] = {
        {"bad amount and unknown method on two lines",
         sound + "X1;Table;218400;01/02/2026;100,0,0;linéaire;60;\r\nX2;Lampe;218400;01/02/"
                 "2026;10;annuel;60;\r\n",
         {"ligne 202, colonne 5: Prix HT : montant invalide \"100,0,0\"",
          "ligne 203, colonne 6: Méthode comptable : méthode inconnue \"annuel\""}},
        {"reference already in the case file",
         sound + "E1;Écran;218300;01/02/2026;300;linéaire;36;\r\n",
         {"ligne 202, colonne 1: Référence : \"E1\" existe déjà dans le dossier"}},
    };
    for (const auto& r : refusals) {
        vktest::WriteFile(file, header + r.body);
        const vktest::Outcome outcome = Host("import " + Quoted(dossier()) + " " + Quoted(file));
        EXPECT_EQ(outcome.status, 2) << r.what << "\n" << outcome.err;
        EXPECT_EQ(outcome.out, "") << r.what;
        size_t from = 0;
        for (const std::string& message : r.messages) {
            const size_t at = outcome.err.find(file.string() + ": " + message, from);
            EXPECT_NE(at, std::string::npos) << r.what << ": expected " << message << "\ngot:\n"
                                             << outcome.err;
            from = at == std::string::npos ? from : at;
        }
        EXPECT_NE(outcome.err.find(fmt::format("{} erreur{}, rien n'a été importé", r.messages.size(),
                                               r.messages.size() > 1 ? "s" : "")),
                  std::string::npos)
            << r.what << "\n"
            << outcome.err;
        EXPECT_EQ(Dump(dossier()), before) << r.what << ": the case file changed";
    }

    vktest::WriteFile(file, "Référence;Désignation;Date d'entrée;Prix HT\r\nX1;Table;01/02/2026;100\r\n");
    const vktest::Outcome missing = Host("import " + Quoted(dossier()) + " " + Quoted(file));
    EXPECT_EQ(missing.status, 2) << missing.err;
    EXPECT_NE(missing.err.find("ligne 1: colonne obligatoire \"Compte\" absente"), std::string::npos)
        << missing.err;
    EXPECT_EQ(Dump(dossier()), before) << "missing column: the case file changed";
}

}  // namespace
