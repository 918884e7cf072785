// Invalid scenarios: each variant of a valid scenario changes one field and must be refused with
// exactly the message "PATH: REASON" naming that field.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/commands/tempdir.h"
#include "host/json/value.h"
#include "tests/host/scenario/scenario_test_support.h"

namespace vkhost::testing {
namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

struct InvalidCase {
    std::string pointer;  // JSON pointer of the field changed
    std::string raw;      // its new raw JSON text; empty: the field is removed
    std::string message;  // the exact message expected
};

const std::string kActionNames =
    "validate, close_year, store_past, duplicate, delete_version, create_entries, cancel_entries, "
    "export_entries";
const std::string kAmountRange = "doit être entre -9999999999999.9999 et 9999999999999.9999";

const InvalidCase kInvalidCases[] = {
    // Missing required fields.
    {"/case", "", "case: est obligatoire"},
    {"/case/fiscal_years", "", "case.fiscal_years: est obligatoire"},
    {"/case/current_year", "", "case.current_year: est obligatoire"},
    {"/assets/0/ref", "", "assets[0].ref: est obligatoire"},
    {"/assets/1/components", "", "assets[1].components: est obligatoire"},
    {"/assets/0/components/0/account", "", "assets[0].components[0].account: est obligatoire"},
    {"/assets/0/components/0/entry_date", "", "assets[0].components[0].entry_date: est obligatoire"},
    {"/assets/0/components/0/plans/0/kind", "", "assets[0].components[0].plans[0].kind: est obligatoire"},
    {"/assets/0/components/0/plans/0/method", "", "assets[0].components[0].plans[0].method: est obligatoire"},
    {"/assets/0/vehicle/type", "", "assets[0].vehicle.type: est obligatoire"},
    {"/exits/0/date", "", "exits[0].date: est obligatoire"},
    {"/exits/0/price", "", "exits[0].price: est obligatoire"},
    {"/exits/0/assets", "", "exits[0].assets: est obligatoire"},
    {"/actions/0/do", "", "actions[0].do: est obligatoire"},
    {"/actions/0/asset", "", "actions[0].asset: est obligatoire"},
    {"/actions/2/file", "", "actions[2].file: est obligatoire"},
    // Wrong types.
    {"/case/tax_regime", Quoted("1"), "case.tax_regime: doit être un entier"},
    {"/case/fiscal_years", "{}", "case.fiscal_years: doit être une liste"},
    {"/assets/0", "[]", "assets[0]: doit être un objet"},
    {"/assets/0/components/0/details", "{}", "assets[0].components[0].details: doit être une liste"},
    {"/assets/0/ref", "12", "assets[0].ref: doit être un texte"},
    {"/exits/0/vat_reversed", Quoted("yes"), "exits[0].vat_reversed: doit valoir true ou false"},
    {"/assets/0/components/0/details/0/price", "true",
     "assets[0].components[0].details[0].price: doit être un montant (un nombre, un texte décimal ou null)"},
    {"/assets/0/components/0/details/0/price", Quoted(" 12"),
     "assets[0].components[0].details[0].price: doit être un montant (un nombre, un texte décimal ou null)"},
    {"/assets/0/components/0/details/0/price", Quoted("1e3"),
     "assets[0].components[0].details[0].price: doit être un montant (un nombre, un texte décimal ou null)"},
    {"/assets/0/components/0/plans/0/duration", "12.5",
     "assets[0].components[0].plans[0].duration: doit être un entier"},
    {"/assets/0/components/0/entry_date", "20240315",
     "assets[0].components[0].entry_date: doit être une date \"AAAA-MM-JJ\""},
    {"/actions/0/do", "1", "actions[0].do: doit être un texte"},
    // Dates that do not exist, or are not written AAAA-MM-JJ.
    {"/assets/0/components/0/entry_date", Quoted("2025-02-31"),
     "assets[0].components[0].entry_date: n'est pas une date valide : \"2025-02-31\""},
    {"/assets/0/components/0/entry_date", Quoted("2023-02-29"),
     "assets[0].components[0].entry_date: n'est pas une date valide : \"2023-02-29\""},
    {"/assets/0/components/0/entry_date", Quoted("0000-01-01"),
     "assets[0].components[0].entry_date: n'est pas une date valide : \"0000-01-01\""},
    {"/assets/0/components/0/entry_date", Quoted("2024-3-15"),
     "assets[0].components[0].entry_date: doit être une date \"AAAA-MM-JJ\""},
    {"/assets/0/components/0/entry_date", Quoted("15/03/2024"),
     "assets[0].components[0].entry_date: doit être une date \"AAAA-MM-JJ\""},
    {"/exits/0/end_of_use", Quoted("2026-13-01"),
     "exits[0].end_of_use: n'est pas une date valide : \"2026-13-01\""},
    // Ranges.
    {"/assets/0/components/0/plans/0/duration", "-1",
     "assets[0].components[0].plans[0].duration: doit être entre 0 et 65535"},
    {"/assets/0/components/0/plans/0/duration", "65536",
     "assets[0].components[0].plans[0].duration: doit être entre 0 et 65535"},
    {"/assets/0/components/0/plans/0/duration", "99999999999999999999999",
     "assets[0].components[0].plans[0].duration: doit être entre 0 et 65535"},
    {"/assets/0/state", "6", "assets[0].state: doit être entre 0 et 5"},
    {"/assets/0/complement", "0", "assets[0].complement: doit être entre 1 et 3"},
    {"/assets/0/components/0/entry_type", "7", "assets[0].components[0].entry_type: doit être entre 0 et 6"},
    {"/assets/0/components/0/plans/0/method", "14",
     "assets[0].components[0].plans[0].method: doit être entre 0 et 13"},
    {"/assets/0/components/0/plans/0/kind", "3",
     "assets[0].components[0].plans[0].kind: doit valoir 1, 2 ou 4"},
    {"/assets/0/components/0/plans/1/kind", "1",
     "assets[0].components[0].plans[1].kind: un plan de type 1 est déjà donné"},
    {"/assets/0/vehicle/type", "6", "assets[0].vehicle.type: doit être entre 0 et 5"},
    {"/assets/0/vehicle/co2", "-1", "assets[0].vehicle.co2: doit être entre 0 et 2147483647"},
    {"/case/tax_regime", "3", "case.tax_regime: doit valoir 1 ou 2"},
    {"/case/account_length", "14", "case.account_length: doit être entre 6 et 13"},
    {"/case/account_length", "5", "case.account_length: doit être entre 6 et 13"},
    {"/exits/0/reason", "0", "exits[0].reason: doit être entre 1 et 5"},
    {"/exits/0/reason", "6", "exits[0].reason: doit être entre 1 et 5"},
    {"/exits/0/currency", "978", "exits[0].currency: doit valoir 0 ou 250"},
    {"/assets/0/components/0/details/0/currency", "1",
     "assets[0].components[0].details[0].currency: doit valoir 0 ou 250"},
    {"/assets/0/components/0/details/0/rate", "1000",
     "assets[0].components[0].details[0].rate: doit être un nombre inférieur à 1000 en valeur absolue, "
     "avec au plus 15 décimales"},
    {"/assets/0/components/1/units/forecasts/0/year", "-1",
     "assets[0].components[1].units.forecasts[0].year: doit être entre 0 et 32767"},
    {"/assets/0/components/1/units/forecasts/0/quantity", "-5",
     "assets[0].components[1].units.forecasts[0].quantity: doit être positif ou nul"},
    {"/assets/0/components/1/units/forecasts/1", R"({"year": 0, "quantity": 3})",
     "assets[0].components[1].units.forecasts[1].year: année 0 déjà donnée"},
    {"/assets/0/components/1/situations/0/kind", "4",
     "assets[0].components[1].situations[0].kind: doit valoir 0, 1 ou 2"},
    {"/assets/0/components/0/plans/0/manual", R"([{"year": 0, "amount": 100}])",
     "assets[0].components[0].plans[0].manual: ne vaut que pour la méthode 4 (manuelle)"},
    {"/report/entries/0", "6", "report.entries[0]: doit être entre 0 et 5"},
    {"/actions/2/kind", "6", "actions[2].kind: doit être entre 0 et 5"},
    {"/actions/0/complement", "4", "actions[0].complement: doit être entre 1 et 3"},
    // Amounts: at most 4 decimals, within DECIMAL(18,4).
    {"/assets/0/components/0/details/0/price", "24000.12345",
     "assets[0].components[0].details[0].price: doit avoir au plus 4 décimales"},
    {"/assets/0/components/0/details/0/price", Quoted("0.00001"),
     "assets[0].components[0].details[0].price: doit avoir au plus 4 décimales"},
    {"/assets/0/components/0/details/0/price", "1e-5",
     "assets[0].components[0].details[0].price: doit avoir au plus 4 décimales"},
    {"/assets/0/components/0/details/0/price", "100000000000000",
     "assets[0].components[0].details[0].price: " + kAmountRange},
    {"/exits/0/price", "-100000000000000", "exits[0].price: " + kAmountRange},
    {"/exits/0/price", Quoted("99999999999999999999.5"), "exits[0].price: " + kAmountRange},
    {"/exits/0/price", "1e30", "exits[0].price: " + kAmountRange},
    // Texts within their columns, counted in characters of valid UTF-8.
    {"/assets/0/ref", Quoted("ABCDEFGHIJK"), "assets[0].ref: au plus 10 caractères"},
    {"/assets/0/ref", Quoted("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
     "assets[0].ref: au plus 10 caractères"},
    {"/assets/0/ref", Quoted(""), "assets[0].ref: ne doit pas être vide"},
    {"/assets/0/designation", Quoted(std::string(61, 'x')), "assets[0].designation: au plus 60 caractères"},
    {"/assets/0/components/0/designation", Quoted(std::string(61, 'x')),
     "assets[0].components[0].designation: au plus 60 caractères"},
    {"/assets/0/components/0/account", Quoted("21820000000000"),
     "assets[0].components[0].account: au plus 13 caractères"},
    {"/assets/0/vehicle/registration", Quoted(std::string(26, 'R')),
     "assets[0].vehicle.registration: au plus 25 caractères"},
    {"/assets/0/components/0/details/0/supplier", Quoted(std::string(61, 's')),
     "assets[0].components[0].details[0].supplier: au plus 60 caractères"},
    {"/assets/0/components/1/units/designation", Quoted(std::string(36, 'u')),
     "assets[0].components[1].units.designation: au plus 35 caractères"},
    {"/exits/0/designation", Quoted(std::string(61, 'x')), "exits[0].designation: au plus 60 caractères"},
    {"/case/company", Quoted(std::string(61, 'c')), "case.company: au plus 60 caractères"},
    {"/case/user", Quoted(std::string(16, 'u')), "case.user: au plus 15 caractères"},
    {"/case/user", Quoted(""), "case.user: ne doit pas être vide"},
    {"/assets/0/designation", Quoted("Caf\xC3"), "assets[0].designation: doit être un texte UTF-8 valide"},
    {"/assets/0/designation", Quoted("\xC0\xAF"), "assets[0].designation: doit être un texte UTF-8 valide"},
    {"/assets/0/designation", Quoted("\xED\xA0\x80"),
     "assets[0].designation: doit être un texte UTF-8 valide"},
    {"/assets/0/designation", Quoted("a\\u0000b"),
     "assets[0].designation: ne doit pas contenir de caractère NUL"},
    // References: unique, known, and an asset leaves the register once.
    {"/assets/1/ref", Quoted("A1"), "assets[1].ref: référence \"A1\" en double (aussi assets[0].ref)"},
    {"/exits/0/assets/0/ref", Quoted("Z9"), "exits[0].assets[0].ref: aucun bien n'a la référence \"Z9\""},
    {"/exits/0/assets/0/components/0/index", "2",
     "exits[0].assets[0].components[0].index: doit être entre 0 et 1"},
    {"/exits/0/assets/0/components/1", R"({"index": 0})",
     "exits[0].assets[0].components[1].index: composant 0 déjà donné"},
    {"/exits/1", R"({"date": "2026-10-01", "price": 1, "assets": [{"ref": "A1"}]})",
     "exits[1].assets[0].ref: le bien \"A1\" est déjà sorti par exits[0].assets[0].ref"},
    {"/actions/0/asset", Quoted("Q"), "actions[0].asset: aucun bien n'a la référence \"Q\""},
    // Unknown fields, at every level.
    {"/foo", "1", "foo: champ inconnu"},
    {"/case/tax_regim", "1", "case.tax_regim: champ inconnu"},
    {"/assets/0/colour", Quoted("red"), "assets[0].colour: champ inconnu"},
    {"/assets/0/vehicle/co2_rate", "120", "assets[0].vehicle.co2_rate: champ inconnu"},
    {"/assets/0/components/0/plans/0/dur\u00e9e", "60",
     "assets[0].components[0].plans[0].dur\u00e9e: champ inconnu"},
    {"/assets/0/components/0/details/0/prix", "1", "assets[0].components[0].details[0].prix: champ inconnu"},
    {"/assets/0/components/1/units/forecasts/0/qty", "1",
     "assets[0].components[1].units.forecasts[0].qty: champ inconnu"},
    {"/exits/0/assets/0/components/0/entered", "1",
     "exits[0].assets[0].components[0].entered: champ inconnu"},
    {"/report/schedule", "true", "report.schedule: champ inconnu"},
    {"/actions/1/asset", Quoted("A1"), "actions[1].asset: champ inconnu pour l'action \"close_year\""},
    {"/actions/0/do", Quoted("validat"), "actions[0].do: action inconnue (" + kActionNames + ")"},
    {"/case/settings/Foo", "1",
     "case.settings.Foo: réglage inconnu (DerogatoireTaux, MiseAuxNormes_MethodeRetrospective ou "
     "\"0\"..\"25\")"},
    {"/case/settings/26", Quoted("x"),
     "case.settings.26: réglage inconnu (DerogatoireTaux, MiseAuxNormes_MethodeRetrospective ou "
     "\"0\"..\"25\")"},
    {"/case/settings/DerogatoireTaux", Quoted("100"), "case.settings.DerogatoireTaux: doit être un nombre"},
    {"/case/settings/MiseAuxNormes_MethodeRetrospective", "0.5",
     "case.settings.MiseAuxNormes_MethodeRetrospective: doit être un entier"},
    {"/case/settings/0", Quoted("a\\nb"),
     "case.settings.0: ne doit contenir ni saut de ligne ni caractère de contrôle"},
    // Fiscal years in order, contiguous, at most 24 months; current year and situation date.
    {"/case/fiscal_years", "[]", "case.fiscal_years: doit contenir au moins un exercice"},
    {"/case/fiscal_years/1/start", Quoted("2024-12-01"),
     "case.fiscal_years[1].start: chevauche l'exercice précédent (qui finit le 2024-12-31)"},
    {"/case/fiscal_years/1/start", Quoted("2025-02-01"),
     "case.fiscal_years[1].start: laisse un trou après l'exercice précédent (qui finit le 2024-12-31)"},
    {"/case/fiscal_years/1", R"({"start": "2023-01-01", "end": "2023-12-31"})",
     "case.fiscal_years[1].start: les exercices doivent se suivre (le précédent commence le 2024-01-01)"},
    {"/case/fiscal_years/0/end", Quoted("2026-01-01"),
     "case.fiscal_years[0].end: un exercice dure au plus 24 mois"},
    {"/case/fiscal_years/0/end", Quoted("2023-12-31"),
     "case.fiscal_years[0].end: ne doit pas précéder start"},
    {"/case/current_year", Quoted("2026-02-01"),
     "case.current_year: doit être le début d'un exercice enregistré"},
    {"/case/current_year", Quoted("2027-01-01"),
     "case.current_year: doit être le début d'un exercice enregistré"},
    {"/case/situation_date", Quoted("2025-12-31"),
     "case.situation_date: doit tomber dans l'exercice courant (2026-01-01..2026-12-31)"},
    {"/case/situation_date", Quoted("2027-01-01"),
     "case.situation_date: doit tomber dans l'exercice courant (2026-01-01..2026-12-31)"},
    // Lists that may not be empty.
    {"/assets/1/components", "[]", "assets[1].components: doit contenir au moins un composant"},
    // Account numbers are digits only: a letter, a space or SQL text would reach the ledger as such.
    {"/assets/0/components/0/account", Quoted("21A4BC"),
     "assets[0].components[0].account: ne doit contenir que des chiffres"},
    {"/assets/0/components/0/account", Quoted(" 215400"),
     "assets[0].components[0].account: ne doit contenir que des chiffres"},
    {"/assets/0/components/0/account", Quoted("2154');--"),
     "assets[0].components[0].account: ne doit contenir que des chiffres"},
    {"/assets/0/ref", Quoted("   "), "assets[0].ref: ne doit pas être fait que d'espaces"},
    // An exit happens in a recorded fiscal year (2024-01-01..2026-12-31) and after its assets' entry
    // (A1 entered on 2024-03-15).
    {"/exits/0/date", Quoted("2027-01-15"),
     "exits[0].date: doit tomber dans un exercice enregistré (2024-01-01..2026-12-31)"},
    {"/exits/0/date", Quoted("2023-12-31"),
     "exits[0].date: doit tomber dans un exercice enregistré (2024-01-01..2026-12-31)"},
    {"/exits/0/date", Quoted("2024-03-14"),
     "exits[0].date: ne doit pas précéder l'entrée du bien \"A1\" (2024-03-15)"},
    // A rate is a number of units for one euro; -1 alone keeps the currency's own rate.
    {"/exits/0/rate", "-6.55957", "exits[0].rate: doit être positif, ou -1 pour le taux propre de la devise"},
    {"/assets/0/components/0/details/0/rate", "-0.5",
     "assets[0].components[0].details[0].rate: doit être positif, ou -1 pour le taux propre de la devise"},
    // A schedule holds at most 1000 years: 998 years of duration (11976 months) at most.
    {"/assets/0/components/0/plans/0/duration", "11977",
     "assets[0].components[0].plans[0].duration: au plus 11976 mois (un plan tient au plus 1000 ans), "
     "ou 65535 pour aucune"},
    {"/assets/0/components/0/plans/0/duration", "65534",
     "assets[0].components[0].plans[0].duration: au plus 11976 mois (un plan tient au plus 1000 ans), "
     "ou 65535 pour aucune"},
    // Text the case file's character set (Windows-1252) cannot hold; positions count characters.
    {"/assets/0/designation", Quoted("ab\u202Ecd"),
     "assets[0].designation: doit être un texte que le dossier peut contenir (Windows-1252) : U+202E au "
     "caractère 3"},
    {"/assets/0/designation", Quoted("\\u00e9t\\u00e9 \\ud83d\\ude9a"),
     "assets[0].designation: doit être un texte que le dossier peut contenir (Windows-1252) : U+1F69A au "
     "caractère 5"},
    {"/case/company", Quoted("\u682a\u5f0f"),
     "case.company: doit être un texte que le dossier peut contenir (Windows-1252) : U+682A au caractère 1"},
    {"/assets/0/components/0/details/0/supplier", Quoted("x\u0085"),
     "assets[0].components[0].details[0].supplier: doit être un texte que le dossier peut contenir "
     "(Windows-1252) : U+0085 au caractère 2"},
    // Lists and echoed keys have bounds.
    {"/report/entries", "[4, 4]", "report.entries[1]: type 4 déjà demandé"},
    {"/report/statements", R"(["2054", "2056"])",
     "report.statements[1]: doit être l'un de 2054, 2055, 2059a, 2033c, 2033d, register, charges"},
    {"/report/statements", R"(["2055", "2055"])", "report.statements[1]: état 2055 déjà demandé"},
    {"/assets/0/" + std::string(100, 'k'), "1",
     "assets[0]." + std::string(40, 'k') + "\u2026: champ inconnu"},
};

TEST(ScenarioInvalid, EachBadFieldIsNamedWithItsReason) {
    for (const InvalidCase& c : kInvalidCases) {
        std::string text = Variant(c.pointer, c.raw);
        EXPECT_EQ(ParseError(text), c.message)
            << "field " << c.pointer << " set to " << (c.raw.empty() ? "(removed)" : c.raw);
    }
}

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The same corpus through the host's binary, as a user runs it: exit status 2, the message as the
// first line of standard error, no report, and neither the case file nor its directory left.
TEST(ScenarioInvalid, TheHostExitsWithStatusTwoAndLeavesNoCaseFile) {
    const char* host = std::getenv("VK_HOST");
    if (!host || !*host) GTEST_SKIP() << "VK_HOST (the vkhost binary) is set by CTest";
    TemporaryDirectory work("vkinvalid");
    const std::filesystem::path scenario = work.Path() / "scenario.json", dossier = work.Path() / "dossier",
                                report = work.Path() / "report.json", err = work.Path() / "stderr.txt";
    for (const InvalidCase& c : kInvalidCases) {
        std::ofstream(scenario, std::ios::binary) << Variant(c.pointer, c.raw);
        const std::string command = "'" + std::string(host) + "' run '" + scenario.string() + "' --case '" +
                                    dossier.string() + "' --env '" + (work.Path() / "env").string() +
                                    "' --out '" + report.string() + "' >/dev/null 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const std::string shown = ReadWhole(err);
        EXPECT_EQ(status, 2) << c.pointer << " = " << c.raw << "\n" << shown;
        EXPECT_EQ(shown.substr(0, shown.find('\n')), c.message) << c.pointer << " = " << c.raw;
        EXPECT_FALSE(std::filesystem::exists(dossier)) << c.pointer << " = " << c.raw;
        EXPECT_FALSE(std::filesystem::exists(report)) << c.pointer << " = " << c.raw;
        std::filesystem::remove_all(dossier);
        std::filesystem::remove_all(report);
    }
}

TEST(ScenarioInvalid, TheFullScenarioItselfIsValid) {
    EXPECT_EQ(ParseError(kFullScenario), "");
}

// Whole documents that no single-field change produces.
struct DocumentCase {
    const char* name;
    std::string text;
    std::string message;
};

TEST(ScenarioInvalid, WholeDocuments) {
    const DocumentCase cases[] = {
        {"not an object", "[]", "$: doit être un objet"},
        {"empty object", "{}", "case: est obligatoire"},
        {"champ donné deux fois",
         R"({"case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}],
                      "current_year": "2026-01-01", "current_year": "2026-01-01"}})",
         "case.current_year: champ donné deux fois"},
        {"champ inconnu before a missing one",
         R"({"case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
             "assets": [{"colour": "red"}]})",
         "assets[0].colour: champ inconnu"},
    };
    for (const DocumentCase& c : cases) EXPECT_EQ(ParseError(c.text), c.message) << c.name << "\n" << c.text;
}

TEST(ScenarioInvalid, NestingIsBounded) {
    // A document nested without end must fail cleanly, not exhaust the stack.
    std::string text = R"({"assets": )" + std::string(100000, '[');
    std::string message = ParseError(text);
    std::string prefix = "assets";
    for (int i = 0; i < kJsonMaxDepth - 1; ++i) prefix += "[0]";
    EXPECT_EQ(message, prefix + ": imbriqué sur plus de 64 niveaux");
}

TEST(ScenarioInvalid, SyntaxErrorsNameWhereTheTextBreaks) {
    std::string text = Variant("/assets/0/designation", "\"Van\" \"Truck\"");
    std::string message = ParseError(text);
    EXPECT_EQ(message.rfind("assets[0]: JSON invalide (", 0), 0u) << message;
    message = ParseError(R"({"case": {"fiscal_years": [{"start": tru}]}})");
    EXPECT_EQ(message.rfind("case.fiscal_years[0].start: JSON invalide (", 0), 0u) << message;
    EXPECT_EQ(ParseError("").rfind("$: JSON invalide (", 0), 0u) << ParseError("");
}

TEST(ScenarioInvalid, UnreadableFileIsInvalidInput) {
    try {
        ParseScenarioFile("/nonexistent/dir/scenario.json");
        FAIL() << "a missing file was accepted";
    } catch (const InvalidInput& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/dir/scenario.json: illisible", 0), 0u)
            << e.what();
    }
}

}  // namespace
}  // namespace vkhost::testing
