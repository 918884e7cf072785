// Reading a register from a spreadsheet's CSV file, before anything reaches a case file: the
// layouts spreadsheets write are read alike, and every faulty cell is named by its line and column.
#include <gtest/gtest.h>

#include <string>

#include "host/commands/import_csv.h"

namespace {

using vkhost::CsvRegister;
using vkhost::FormatCsvError;
using vkhost::ReadRegisterCsv;

// Every message of a reading, one per line.
std::string Messages(const CsvRegister& read) {
    std::string text;
    for (const vkhost::CsvError& error : read.errors) text += FormatCsvError(error) + "\n";
    return text;
}

const char* const kHeader =
    "Référence;Désignation;Compte;Date d'entrée;Prix HT;Frais d'acquisition;Méthode comptable;"
    "Durée comptable (mois);Amortissements antérieurs;Immatriculation\r\n";
const char* const kSoundLine = "A1;Bureau;218400;01/02/2026;1200,00;;linéaire;60;;\r\n";

struct Refusal {
    const char* what;
    std::string lines;    // after the header and the sound line 2
    const char* message;  // the first message expected
};

// Each faulty line is refused with its line and column; the sound line before it does not hide it.
TEST(ImportCsv, NamesTheLineAndColumnOfEachFault) {
    const Refusal cases[] = {
        {"day that does not exist", "A2;Chaise;218400;31/02/2026;100;;linéaire;60;;\r\n",
         "ligne 3, colonne 4: Date d'entrée : date invalide \"31/02/2026\""},
        {"date in neither form", "A2;Chaise;218400;2026/02/01;100;;linéaire;60;;\r\n",
         "ligne 3, colonne 4: Date d'entrée : date invalide"},
        {"missing entry date", "A2;Chaise;218400;;100;;linéaire;60;;\r\n",
         "ligne 3, colonne 4: Date d'entrée : date obligatoire absente"},
        {"two decimal commas", "A2;Chaise;218400;01/02/2026;12,3,4;;linéaire;60;;\r\n",
         "ligne 3, colonne 5: Prix HT : montant invalide \"12,3,4\""},
        {"five decimals", "A2;Chaise;218400;01/02/2026;100,12345;;linéaire;60;;\r\n",
         "ligne 3, colonne 5: Prix HT : montant invalide"},
        {"exponent", "A2;Chaise;218400;01/02/2026;1e3;;linéaire;60;;\r\n",
         "ligne 3, colonne 5: Prix HT : montant invalide \"1e3\""},
        {"point and comma mixed", "A2;Chaise;218400;01/02/2026;1.000,50;;linéaire;60;;\r\n",
         "ligne 3, colonne 5: Prix HT : montant invalide"},
        {"negative price", "A2;Chaise;218400;01/02/2026;-5;;linéaire;60;;\r\n",
         "ligne 3, colonne 5: Prix HT : montant négatif"},
        {"negative costs", "A2;Chaise;218400;01/02/2026;5;-1;linéaire;60;;\r\n",
         "ligne 3, colonne 6: Frais d'acquisition : montant négatif"},
        {"unknown method", "A2;Chaise;218400;01/02/2026;100;;exponentiel;60;;\r\n",
         "ligne 3, colonne 7: Méthode comptable : méthode inconnue \"exponentiel\""},
        {"linear without duration", "A2;Chaise;218400;01/02/2026;100;;linéaire;;;\r\n",
         "ligne 3, colonne 8: Durée comptable (mois) : durée obligatoire pour cette méthode"},
        {"duration of zero months", "A2;Chaise;218400;01/02/2026;100;;linéaire;0;;\r\n",
         "ligne 3, colonne 8: Durée comptable (mois) : nombre entier de 1 à"},
        {"duration in years", "A2;Chaise;218400;01/02/2026;100;;linéaire;5 ans;;\r\n",
         "ligne 3, colonne 8: Durée comptable (mois) : nombre entier de 1 à"},
        {"account with a letter", "A2;Chaise;21840X;01/02/2026;100;;linéaire;60;;\r\n",
         "ligne 3, colonne 3: Compte : chiffres seulement"},
        {"missing designation", "A2;;218400;01/02/2026;100;;linéaire;60;;\r\n",
         "ligne 3, colonne 2: Désignation : valeur obligatoire absente"},
        {"reference too long", "A2345678901;Chaise;218400;01/02/2026;100;;linéaire;60;;\r\n",
         "ligne 3, colonne 1: Référence : au plus 10 caractères (11 donnés)"},
        {"value beyond the header's columns", "A2;Chaise;218400;01/02/2026;100;;linéaire;60;;;en trop\r\n",
         "ligne 3, colonne 11: valeur hors des colonnes de l'en-tête"},
        {"prior depreciation above the cost", "A2;Chaise;218400;01/02/2025;100;20;linéaire;60;120,01;\r\n",
         "ligne 3, colonne 9: Amortissements antérieurs : supérieurs au coût d'acquisition (120,00)"},
        {"one reference, two vehicles",
         "A2;Voiture;218100;01/02/2026;100;;linéaire;60;;AB-123-CD\r\n"
         "A2;Pneus;218100;01/02/2026;10;;linéaire;60;;EF-456-GH\r\n",
         "ligne 4, colonne 10: Immatriculation : véhicule différent de celui de la ligne 3 du même bien"},
        {"quote left open", "A2;\"Chaise;218400;01/02/2026;100;;linéaire;60;;\r\n",
         "ligne 3: guillemet ouvert jusqu'à la fin du fichier"},
    };
    for (const Refusal& c : cases) {
        const CsvRegister read = ReadRegisterCsv(std::string(kHeader) + kSoundLine + c.lines);
        ASSERT_FALSE(read.errors.empty()) << c.what << ": accepted\n" << c.lines;
        EXPECT_EQ(FormatCsvError(read.errors[0]).rfind(c.message, 0), 0u)
            << c.what << "\n  line: " << c.lines << "  expected: " << c.message
            << "\n  got: " << Messages(read);
    }
}

// Header faults are line 1's; every fault of a file is told at once, in line order.
TEST(ImportCsv, RefusesBadHeadersAndTellsEveryFault) {
    const Refusal headers[] = {
        {"required column missing", "Référence;Désignation;Compte;Prix HT\r\nA1;Bureau;218400;100\r\n",
         "ligne 1: colonne obligatoire \"Date d'entrée\" absente"},
        {"unknown column", "Référence;Désignation;Compte;Date d'entrée;Prix HT;Couleur\r\n",
         "ligne 1, colonne 6: colonne inconnue \"Couleur\""},
        {"repeated column", "Référence;Désignation;Compte;Date d'entrée;Prix HT;prix ht\r\n",
         "ligne 1, colonne 6: colonne \"Prix HT\" en double (déjà colonne 5)"},
        {"empty file", "", "ligne 1: ligne d'en-tête absente"},
        {"header only", "Référence;Désignation;Compte;Date d'entrée;Prix HT\r\n", "aucune ligne de bien"},
    };
    for (const Refusal& c : headers) {
        const CsvRegister read = ReadRegisterCsv(c.lines);
        ASSERT_FALSE(read.errors.empty()) << c.what;
        EXPECT_EQ(FormatCsvError(read.errors[0]).rfind(c.message, 0), 0u)
            << c.what << "\n  expected: " << c.message << "\n  got: " << Messages(read);
    }

    const CsvRegister read = ReadRegisterCsv(std::string(kHeader) + kSoundLine +
                                             "A2;Chaise;218400;31/02/2026;abc;;linéaire;60;;\r\n"
                                             "A3;Table;218400;01/02/2026;100;;linéaire;60;;\r\n"
                                             "A4;Lampe;218400;01/02/2026;100;;spirale;60;;\r\n");
    EXPECT_EQ(
        Messages(read),
        "ligne 3, colonne 4: Date d'entrée : date invalide \"31/02/2026\" (JJ/MM/AAAA ou AAAA-MM-JJ)\n"
        "ligne 3, colonne 5: Prix HT : montant invalide \"abc\" (chiffres, virgule ou point, 4 décimales "
        "au plus)\n"
        "ligne 5, colonne 7: Méthode comptable : méthode inconnue \"spirale\" (non amortissable, linéaire, "
        "dégressif)\n");
}

struct Layout {
    const char* what;
    std::string bytes;
};

// The same register written the ways spreadsheets write it reads to the same assets: its columns
// in any order, ';' or ',', decimal comma or point, thousands spaced, JJ/MM/AAAA or ISO dates,
// UTF-8 with or without a byte-order mark, or Windows-1252; a quoted cell may hold the separator.
TEST(ImportCsv, ReadsTheLayoutsSpreadsheetsWrite) {
    const Layout layouts[] = {
        {"UTF-8, ';', decimal comma",
         "Référence;Désignation;Compte;Date d'entrée;Prix HT;Méthode comptable;Durée comptable (mois)\r\n"
         "É1;Étagère, chêne;218400;15/03/2026;17 520,50;linéaire;60\r\n"
         "É1;Pose;218400;15/03/2026;480;linéaire;60\r\n"},
        {"byte-order mark, ',' and quotes, ISO dates, decimal point",
         "\xEF\xBB\xBF"
         "Prix HT,Date d'entrée,Référence,Compte,Désignation,Méthode comptable,Durée comptable (mois)\n"
         "17520.50,2026-03-15,É1,218400,\"Étagère, chêne\",Linéaire,60\n"
         "\"480,00\",2026-03-15,É1,218400,Pose,1,60\n"},
        {"Windows-1252, headers without accents, non-breaking space between thousands",
         "reference;designation;compte;date d'entree;prix ht;methode comptable;duree comptable (mois)\r\n"
         "\xC9"
         "1;\xC9tag\xE8re, ch\xEAne;218400;15/03/2026;17\xA0"
         "520,50;lin\xE9"
         "aire;60\r\n"
         "\xC9"
         "1;Pose;218400;15/03/2026;480;LIN\xC9"
         "AIRE;60\r\n"},
    };
    for (const Layout& layout : layouts) {
        const CsvRegister read = ReadRegisterCsv(layout.bytes);
        ASSERT_EQ(read.errors.size(), 0u) << layout.what << "\n" << Messages(read);
        ASSERT_EQ(read.assets.size(), 1u) << layout.what;
        const vkhost::AssetInput& asset = read.assets[0];
        EXPECT_EQ(asset.ref, "É1") << layout.what;
        EXPECT_EQ(asset.designation, "Étagère, chêne") << layout.what;
        ASSERT_EQ(asset.components.size(), 2u) << layout.what;
        EXPECT_EQ(asset.components[0].details[0].price.GetSQL(), "17520.5000") << layout.what;
        EXPECT_EQ(asset.components[1].details[0].price.GetSQL(), "480.0000") << layout.what;
        EXPECT_EQ(FormatISODate(asset.components[0].entry_date), "2026-03-15") << layout.what;
        ASSERT_TRUE(asset.components[1].plans) << layout.what;
        EXPECT_EQ(asset.components[1].plans->front().method, 1) << layout.what;
        EXPECT_EQ(asset.components[1].plans->front().duration, 60) << layout.what;
    }
}

}  // namespace
