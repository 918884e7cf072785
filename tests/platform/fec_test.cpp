// The ledger's numbering, the FEC of a fiscal year checked rule by rule, the round trip through
// fec-import, the reader's refusals, and an old case file brought up to date when it is opened.
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "platform/compta_interne.h"
#include "platform/fec.h"
#include "tests/platform/compta_fixture.h"
#include "tests/support/fec_conformity.h"
#include "tests/support/shell.h"

namespace fs = std::filesystem;

namespace {

const char* const kSiren = "732829320";
const char* const kHeader =
    "JournalCode\tJournalLib\tEcritureNum\tEcritureDate\tCompteNum\tCompteLib\tCompAuxNum\tCompAuxLib\t"
    "PieceRef\tPieceDate\tEcritureLib\tDebit\tCredit\tEcritureLet\tDateLet\tValidDate\tMontantdevise\t"
    "Idevise\n";

std::string Aaaammjj(const TDateTime& date) {
    int year, month, day;
    DecodeDate(date, year, month, day);
    return fmt::format("{:04}{:02}{:02}", year, month, day);
}

class Fec : public DossierComptaTest {
protected:
    void SetUp() override {
        DossierComptaTest::SetUp();
        dossier_->SetSiren(kSiren);
    }

    // Entry `i` of a generated year 2024: dates spread over the year and recorded out of their
    // order, two journals, two to four lines, labels with the accents of ISO 8859-15 (é, €, Œ).
    static bool CreerGeneree(int i) {
        const TDateTime date = EncodeDate(2024, 1, 1) + (i * 37) % 366;
        const std::string piece = std::to_string(i);
        const double amount = 100 + (i * 7919) % 90000 / 100.0;
        if (i % 3 == 0)
            return Creer("INVR", date, '2', piece.c_str(),
                         {{"681120", "Dotation matériel €", amount, true},
                          {"281540", "Dotation matériel €", amount, false}});
        if (i % 3 == 1)
            return Creer("ODR", date, '3', piece.c_str(),
                         {{"675200", "Sortie Œuvre d'art", amount, true},
                          {"281540", "Sortie Œuvre d'art", 10, true},
                          {"215400", "Sortie Œuvre d'art", amount + 10, false}});
        return Creer("ODR", date, '6', piece.c_str(),
                     {{"215400", "Mise aux normes", amount, true},
                      {"218100", "Mise aux normes", 1, true},
                      {"404000", "Mise aux normes", amount, false},
                      {"404000", "Mise aux normes", 1, false}});
    }

    std::string Exporter(const std::string& subdirectory, const fec::OptionsEcriture& options = {}) {
        const fs::path out = fs::path(directory_) / subdirectory;
        fs::create_directories(out);
        return fec::Exporter(*dossier_, 0, out.string(), options);
    }

    vktest::FecExpectation Attendu() const {
        vktest::FecExpectation expected;
        expected.siren = kSiren;
        expected.yearStart = "20240101";
        expected.yearEnd = "20241231";
        expected.validDate = Aaaammjj(Date());  // every entry was recorded today
        return expected;
    }

    // The number each entry has in a FEC, by journal, date and piece.
    static std::map<std::string, int> Numeros(const vktest::FecContent& content) {
        std::map<std::string, int> numbers;
        for (const vktest::FecLine& line : content.lines) {
            auto field = line.field;
            numbers[field["JournalCode"] + " " + field["EcritureDate"] + " " + field["PieceRef"]] =
                line.number;
        }
        return numbers;
    }
};

void PrintFaults(const vktest::FecContent& content) {
    for (const std::string& fault : content.faults) ADD_FAILURE() << fault;
}

}  // namespace

TEST_F(Fec, GeneratedYearConformsRuleByRuleAcrossTwoExports) {
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(CreerGeneree(i)) << i;
    ASSERT_TRUE(Creer("ODR", EncodeDate(2025, 1, 5), '3', "X",
                      {{"675200", "Autre exercice", 5, true}, {"215400", "Autre exercice", 5, false}}));

    const std::string first = Exporter("first");
    const vktest::FecContent one = vktest::CheckFec(first, Attendu());
    PrintFaults(one);
    EXPECT_EQ(one.entries, 60) << "the 2025 entry is not in the 2024 file";
    EXPECT_EQ(one.lines.size(), 20u * 2 + 20 * 3 + 20 * 4);
    // The labels in ISO 8859-15: é E9, € A4, Œ BC, as single bytes.
    const std::string bytes = vktest::ReadFile(first);
    for (const char* text : {"Dotation mat\xE9riel \xA4",
                             "Sortie \xBC"
                             "uvre",
                             "Op\xE9rations diverses"})
        EXPECT_NE(bytes.find(text), std::string::npos) << text;

    // A second export with nothing recorded in between is the same file; one entry recorded among
    // the earlier ones takes its place in the sequence, every later entry moving up one.
    EXPECT_EQ(vktest::ReadFile(Exporter("again")), bytes);
    const TDateTime inserted = EncodeDate(2024, 3, 1);
    ASSERT_TRUE(Dotation(inserted, 50, "NEW"));
    const vktest::FecContent two = vktest::CheckFec(Exporter("second"), Attendu());
    PrintFaults(two);
    EXPECT_EQ(two.entries, 61);
    const std::map<std::string, int> before = Numeros(one), after = Numeros(two);
    for (const auto& [entry, number] : before) {
        const bool later = entry.substr(entry.find(' ') + 1, 8) > Aaaammjj(inserted);
        EXPECT_EQ(after.at(entry), number + (later ? 1 : 0)) << entry;
    }
}

TEST_F(Fec, NumberingStaysContinuousWhenEntriesAreRemovedOrReplaced) {
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(CreerGeneree(i));
    // Removing one entry and recording another one with the identity of an existing entry (which
    // replaces it): the year is still numbered 1..n in chronological order.
    ASSERT_TRUE(AssEcrAnnule("ODR", EncodeDate(2024, 1, 1) + 37, AssCodeOrigine('3'), "1"));
    ASSERT_TRUE(CreerGeneree(5));
    std::vector<EcritureCompta> entries;
    for (EcritureCompta& entry : ComptaLireEcritures())
        if (double(entry.Date) >= double(EncodeDate(2024, 1, 1)) &&
            double(entry.Date) <= double(EncodeDate(2024, 12, 31)))
            entries.push_back(std::move(entry));
    ASSERT_EQ(entries.size(), 11u);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].Numero, int(i + 1)) << compta::Designation(entries[i]);
        if (i) {
            EXPECT_LE(double(entries[i - 1].Date), double(entries[i].Date));
        }
        EXPECT_EQ(Aaaammjj(entries[i].DateValidation), Aaaammjj(Date()));
    }
}

TEST_F(Fec, WhatTheFileCannotHoldIsRefusedNamingTheEntryAndFieldAndNothingIsWritten) {
    // Where the label comes from: an em dash has no code in ISO 8859-15, a "|" is the pipe separator.
    const struct {
        const char* label;
        fec::Jeu charset;
        char separator;
        const char* refusal;  // empty: written
    } cases[] = {{"Tiret \xE2\x80\x94 long", fec::Jeu::Iso885915, '\t', "ISO 8859-15"},
                 {"Tiret \xE2\x80\x94 long", fec::Jeu::Utf8, '\t', ""},
                 {"Achat a|b", fec::Jeu::Iso885915, '|', "séparateur"},
                 {"Achat a|b", fec::Jeu::Iso885915, '\t', ""}};
    const TDateTime day = EncodeDate(2024, 6, 30);
    int n = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(
            Creer("ODR", day, '3', "P", {{"675200", c.label, 5, true}, {"215400", c.label, 5, false}}));
        fec::OptionsEcriture options;
        options.JeuCaracteres = c.charset;
        options.Separateur = c.separator;
        const std::string where = "case" + std::to_string(n++);
        SCOPED_TRACE(std::string(c.label) + " / " + where);
        try {
            const std::string path = Exporter(where, options);
            EXPECT_STREQ(c.refusal, "") << "written: " << path;
        } catch (const fec::EContenuNonEcrivable& e) {
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("champ EcritureLib"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("journal ODR du 30/06/2024"), std::string::npos) << e.what();
            EXPECT_TRUE(fs::is_empty(fs::path(directory_) / where)) << "nothing left behind";
        }
    }
    // The case file without SIREN, and a year it does not record: refused before anything is written.
    EXPECT_THROW(fec::Exporter(*dossier_, 5, directory_, {}), EDossier);
    dossier_->SetSiren("");
    EXPECT_THROW(fec::Exporter(*dossier_, 0, directory_, {}), EDossier);
    EXPECT_THROW(dossier_->SetSiren("732829321"), EDossier) << "Luhn check";
}

TEST_F(Fec, ExportImportedBackGivesTheSameLedger) {
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(CreerGeneree(i));
    for (const char separator : {'\t', '|'}) {
        fec::OptionsEcriture options;
        options.Separateur = separator;
        const std::string path = Exporter(separator == '|' ? "pipe" : "tab", options);
        const fec::BilanImport imported = fec::Importer(*dossier_, path);
        EXPECT_EQ(imported.Ecritures, 30u);
        EXPECT_EQ(imported.Remplacees, separator == '|' ? imported.Lignes : 0u)
            << "the second replaces the first";
        const std::vector<fec::LigneFEC> lines = fec::LireGrandLivre(*dossier_, EncodeDate(2024, 1, 1));
        EXPECT_EQ(Compter("CPTA_GRAND_LIVRE"), int(lines.size()));
        size_t k = 0;
        for (const EcritureCompta& entry : ComptaLireEcritures())
            for (const LigneCompta& line : entry.Lignes) {
                ASSERT_LT(k, lines.size());
                const fec::LigneFEC& read = lines[k++];
                SCOPED_TRACE(compta::Designation(entry) + " " + line.Compte);
                EXPECT_EQ(read.JournalCode, entry.Journal);
                EXPECT_EQ(read.EcritureNum, std::to_string(entry.Numero));
                EXPECT_EQ(Aaaammjj(read.EcritureDate), Aaaammjj(entry.Date));
                EXPECT_EQ(Aaaammjj(read.ValidDate), Aaaammjj(entry.DateValidation));
                EXPECT_EQ(read.CompteNum, line.Compte);
                EXPECT_EQ(read.EcritureLib, line.Libelle);
                EXPECT_EQ(read.Debit, line.Debit ? line.Montant : CCurrency(0));
                EXPECT_EQ(read.Credit, line.Debit ? CCurrency(0) : line.Montant);
            }
        EXPECT_EQ(k, lines.size());
    }
}

namespace {

// One line of a hand-written FEC: journal, number, date, account, debit, credit; the other fields
// are filled.
std::string LigneFec(const char* journal, const char* number, const char* date, const char* account,
                     const char* debit, const char* credit, const char* label = "Libellé") {
    return fmt::format("{}\tJournal {}\t{}\t{}\t{}\tCompte {}\t\t\tP{}\t{}\t{}\t{}\t{}\t\t\t{}\t\t\n",
                       journal, journal, number, date, account, account, number, date, label, debit, credit,
                       date);
}

const std::string kLignesValides = LigneFec("AN", "1", "20240101", "215400", "1000,00", "0,00") +
                                   LigneFec("AN", "1", "20240101", "281540", "0,00", "200,00") +
                                   LigneFec("AN", "1", "20240101", "101000", "0,00", "800,00") +
                                   LigneFec("OD", "2", "20241231", "681120", "200,00", "") +
                                   LigneFec("OD", "2", "20241231", "281540", "", "200,00");

// The valid lines, then a third entry of two lines on `date`: 681120 debited, 281540 credited.
std::string AvecTroisieme(const char* date, const char* debit, const char* credit,
                          const char* label = "Libellé") {
    return std::string(kHeader) + kLignesValides + LigneFec("OD", "3", date, "681120", debit, "", label) +
           LigneFec("OD", "3", date, "281540", "", credit);
}

}  // namespace

TEST_F(Fec, AFaultyFileIsRefusedWholeNamingItsLine) {
    const std::string good = std::string(kHeader) + kLignesValides;
    const struct {
        const char* fault;
        std::string content;
        fec::JeuLecture charset;
        size_t line;
        const char* field;
        const char* reason;
    } cases[] = {{"bad header",
                  std::string(kHeader).replace(std::string(kHeader).find("Montantdevise"), 13, "Montant") +
                      kLignesValides,
                  fec::JeuLecture::Auto, 1, "Montantdevise", "\"Montant\" au lieu de \"Montantdevise\""},
                 {"header without separator", "JournalCode JournalLib\n" + kLignesValides,
                  fec::JeuLecture::Auto, 1, "", "sans séparateur"},
                 {"unbalanced entry", AvecTroisieme("20241231", "10,00", "9,99"), fec::JeuLecture::Auto, 7,
                  "", "déséquilibrée : débit 10,00, crédit 9,99"},
                 {"bad date", AvecTroisieme("20240231", "10,00", "10,00"), fec::JeuLecture::Auto, 7,
                  "EcritureDate", "\"20240231\" n'est pas une date AAAAMMJJ"},
                 {"date outside the years", AvecTroisieme("20300101", "10,00", "10,00"),
                  fec::JeuLecture::Auto, 7, "EcritureDate", "hors des exercices du dossier"},
                 {"two fiscal years", AvecTroisieme("20250101", "10,00", "10,00"), fec::JeuLecture::Auto, 7,
                  "EcritureDate", "n'est pas dans l'exercice du fichier"},
                 {"thousands separator", AvecTroisieme("20241231", "1 000,00", "1000,00"),
                  fec::JeuLecture::Auto, 7, "Debit", "\"1 000,00\" n'est pas un montant"},
                 {"five decimals", AvecTroisieme("20241231", "10,00001", "10,00001"), fec::JeuLecture::Auto,
                  7, "Debit", "plus de quatre décimales"},
                 {"unknown character set", AvecTroisieme("20241231", "1,00", "1,00", "Dotation \x81"),
                  fec::JeuLecture::Auto, 7, "", "jeu de caractères inconnu : l'octet 0x81"},
                 {"ISO 8859-15 read as UTF-8", AvecTroisieme("20241231", "1,00", "1,00", "Mat\xE9riel"),
                  fec::JeuLecture::Utf8, 7, "", "n'est pas de l'UTF-8"},
                 {"missing field", good + "OD\tJournal\t3\t20241231\n", fec::JeuLecture::Auto, 7, "",
                  "4 champs, 18 attendus"},
                 {"empty line inside", std::string(kHeader) + "\n" + kLignesValides, fec::JeuLecture::Auto, 2,
                  "", "ligne vide"}};
    // An earlier import, which a refused file must leave as it is.
    const std::string earlier = directory_ + "/earlier.txt";
    vktest::WriteFile(earlier, good);
    ASSERT_EQ(fec::Importer(*dossier_, earlier).Lignes, 5u);
    for (const auto& c : cases) {
        const std::string path = directory_ + "/faulty.txt";
        vktest::WriteFile(path, c.content);
        try {
            fec::Importer(*dossier_, path, c.charset);
            ADD_FAILURE() << c.fault << ": accepted";
        } catch (const fec::EFichierInvalide& e) {
            EXPECT_EQ(e.Ligne, c.line) << c.fault << ": " << e.what();
            EXPECT_EQ(e.Champ, c.field) << c.fault << ": " << e.what();
            EXPECT_NE(e.Raison.find(c.reason), std::string::npos) << c.fault << ": " << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(fmt::format("ligne {}", c.line), 0), 0u) << e.what();
        }
        EXPECT_EQ(Compter("CPTA_GRAND_LIVRE"), 5) << c.fault << ": the earlier import is kept";
    }
}

TEST_F(Fec, EveryFormOfTheFileReadsTheSameLedger) {
    // The same lines with a BOM, with "|", in ISO 8859-15 with CRLF line ends, with a currency amount.
    auto pipes = [](std::string text) {
        for (char& c : text)
            if (c == '\t') c = '|';
        return text;
    };
    auto crlf = [](const std::string& text) {
        std::string out;
        for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    const std::string utf8 = std::string(kHeader) + kLignesValides;
    std::string latin;
    ASSERT_TRUE(fec::VersIso885915(utf8, latin));
    const std::pair<const char*, std::string> forms[] = {{"UTF-8", utf8},
                                                         {"BOM", "\xEF\xBB\xBF" + utf8},
                                                         {"pipe", pipes(utf8)},
                                                         {"ISO 8859-15, CRLF", crlf(latin)}};
    for (const auto& [form, content] : forms) {
        vktest::WriteFile(directory_ + "/form.txt", content);
        const fec::BilanImport imported = fec::Importer(*dossier_, directory_ + "/form.txt");
        EXPECT_EQ(imported.Lignes, 5u) << form;
        EXPECT_EQ(imported.Ecritures, 2u) << form;
        const std::vector<fec::LigneFEC> lines = fec::LireGrandLivre(*dossier_, EncodeDate(2024, 1, 1));
        ASSERT_EQ(lines.size(), 5u) << form;
        EXPECT_EQ(lines[0].EcritureLib, "Libellé") << form;
        EXPECT_TRUE(lines[0].Ouverture && lines[2].Ouverture && !lines[3].Ouverture) << form;
        EXPECT_EQ(lines[1].Credit, CCurrency::FromCount(2000000)) << form;
        EXPECT_EQ(lines[3].Credit, CCurrency(0)) << form << ": an empty amount is zero";
        EXPECT_EQ(Compter("CPTA_GRAND_LIVRE"), 5) << form << ": each import replaces the previous one";
    }
    std::string currency = std::string(kHeader) + kLignesValides;
    const std::string plain = LigneFec("OD", "2", "20241231", "681120", "200,00", "");
    currency.replace(currency.find(plain), plain.size(),
                     plain.substr(0, plain.size() - 3) + "\t150,5\tUSD\n");  // the last two fields
    vktest::WriteFile(directory_ + "/currency.txt", currency);
    fec::Importer(*dossier_, directory_ + "/currency.txt");
    const fec::LigneFEC line = fec::LireGrandLivre(*dossier_, EncodeDate(2024, 1, 1))[3];
    EXPECT_EQ(line.MontantDevise, CCurrency::FromCount(1505000));
    EXPECT_EQ(line.Idevise, "USD");
}

// A case file made before entries were numbered and before the SIREN: its tables get the new
// columns when it is opened, and every row is kept.
TEST_F(Fec, AnOlderCaseFileIsBroughtUpToDateAndKeepsEveryRow) {
    const std::vector<std::tuple<TDateTime, const char*>> recorded = {{EncodeDate(2024, 12, 31), "3"},
                                                                      {EncodeDate(2024, 3, 1), "1"},
                                                                      {EncodeDate(2024, 6, 15), "2"},
                                                                      {EncodeDate(2025, 2, 1), "1"}};
    for (const auto& [date, piece] : recorded)
        ASSERT_TRUE(Creer("ODR", date, '3', piece,
                          {{"675200", "Sortie", 12.5, true}, {"215400", "Sortie", 12.5, false}}));
    TIBDatabase& database = *dossier_->GetDatabaseFirebird();
    database.DefaultTransaction().Commit();
    for (const char* change :
         {"ALTER TABLE DOSSIER DROP SIREN", "ALTER TABLE CPTA_ECRITURES DROP NUM_ECRITURE",
          "ALTER TABLE CPTA_ECRITURES DROP DATE_VALID", "DROP TABLE CPTA_GRAND_LIVRE"}) {
        database.ExecuteImmediate(change);
        database.DefaultTransaction().Commit();
    }
    const std::string path = dossier_->Repertoire();
    for (int opening = 0; opening < 2; ++opening) {  // the second opening finds nothing to change
        dossier_->Fermer();
        pCurDossier = nullptr;
        dossier_ = CDossier::Ouvrir(path);
        pCurDossier = dossier_.get();
        ComptaCreerTables(*dossier_);
        EXPECT_EQ(dossier_->Siren, "");
        EXPECT_EQ(Compter("CPTA_ECRITURES"), 4);
        EXPECT_EQ(Compter("CPTA_LIGNES"), 8);
        EXPECT_EQ(Compter("CPTA_GRAND_LIVRE"), 0);
        const std::vector<EcritureCompta> entries = ComptaLireEcritures();
        ASSERT_EQ(entries.size(), 4u);
        const int expected[] = {1, 2, 3, 1};  // chronological in 2024, then 2025 on its own
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].Numero, expected[i]) << compta::Designation(entries[i]);
            EXPECT_EQ(Aaaammjj(entries[i].DateValidation), Aaaammjj(Date())) << "the day of the change";
            ASSERT_EQ(entries[i].Lignes.size(), 2u);
            EXPECT_EQ(entries[i].Lignes[0].Montant, CCurrency::FromCount(125000));
        }
    }
    dossier_->SetSiren(kSiren);
    dossier_->GetDatabaseFirebird()->DefaultTransaction().Commit();
    dossier_->Relire();
    EXPECT_EQ(dossier_->Siren, kSiren);
}
