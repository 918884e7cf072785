// The "fichier des écritures comptables" (FEC) both ways: the ledger of one fiscal year written as
// the file a company hands to the tax administration, and a company's own FEC, produced by its
// accounting software, read into the case file as its general ledger.
//
// The file: a header line naming the 18 fields, then one line per entry line, the fields separated by
// a tabulation or a "|": JournalCode JournalLib EcritureNum EcritureDate CompteNum CompteLib
// CompAuxNum CompAuxLib PieceRef PieceDate EcritureLib Debit Credit EcritureLet DateLet ValidDate
// Montantdevise Idevise. Dates are written AAAAMMJJ, amounts with a decimal comma and no thousands
// separator. The file is named SirenFECAAAAMMJJ.txt after the company's SIREN and the closing date of
// the fiscal year.
//
// The company's general ledger is kept apart from the engine's entries (table "CPTA_GRAND_LIVRE",
// one row per line of the file, per fiscal year): the comparison with the register then confronts
// the register with the company's real accounts.
#pragma once

#include <iconv.h>

#include <string>
#include <vector>

#include "platform/comptabilite.h"

class CDossier;

namespace fec {

enum class Jeu { Iso885915, Utf8 };

// The 18 field names, in their order.
const std::vector<UnicodeString>& Colonnes();

// A conversion between two character sets through the system's iconv, kept open for many texts.
class Conversion {
public:
    // Raises EComptabilite when the system has no such conversion.
    Conversion(const char* to, const char* from);
    ~Conversion();
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    // Appends `text` converted to `out`; false when a character has no code in the target set or the
    // text is not of the source set (`out` then holds what was converted before it).
    bool Ajouter(const std::string& text, std::string& out);

private:
    iconv_t descriptor_;
};

// The file's text from the ledger's UTF-8 text; false when a character has no ISO 8859-15 code
// (`out` is then incomplete).
bool VersIso885915(const UnicodeString& utf8, std::string& out);
// ISO 8859-15 text as UTF-8 (every byte is a character; 0x80-0x9F, control codes, are refused by
// the reader before).
UnicodeString DepuisIso885915(const std::string& latin);

// "123456789FEC20241231.txt".
UnicodeString NomFichier(const UnicodeString& siren, const TDateTime& closing);

// An amount with a decimal comma and exactly two decimals ("-1234,50"); false when the amount has
// a fraction of a cent (it cannot be written exactly).
bool MontantDeuxDecimales(const CCurrency& amount, UnicodeString& text);

struct OptionsEcriture {
    char Separateur = '\t';
    Jeu JeuCaracteres = Jeu::Iso885915;
    // True: each entry's number and validation date as the ledger recorded them; false (an import
    // file for an accounting package, not validated yet): entries numbered in the file and an empty
    // ValidDate.
    bool CommeEnregistrees = true;
    // True: amounts with exactly two decimals, a fraction of a cent refused; false: two decimals at
    // least, up to four.
    bool DeuxDecimales = true;
};

// What the ledger holds and the chosen form of the file cannot: a text with a character outside the
// character set or holding the separator, an amount with a fraction of a cent. The message names
// the entry and the field.
class EContenuNonEcrivable : public EComptabilite {
public:
    using EComptabilite::EComptabilite;
};

// Writes entries in the FEC layout through the case file's safe writer (WriteFileSafely): the file
// is its owner's only (0600), replaced whole or not at all, never written through a symbolic link.
// Raises EContenuNonEcrivable (nothing written), or EComptabilite when the file cannot be written
// (nothing is left behind then).
void Ecrire(const UnicodeString& path, const std::vector<EcritureCompta>& entries, CDossier* dossier,
            const OptionsEcriture& options);

// The whole recorded ledger of fiscal year `exercice` (relative to the current one) written into
// `directory` as SirenFECAAAAMMJJ.txt; returns the file's path. Raises EDossier naming the field
// when the case file has no SIREN or the year is not recorded, and as Ecrire.
UnicodeString Exporter(CDossier& dossier, long exercice, const UnicodeString& directory,
                       const OptionsEcriture& options);

// --- Reading a company's FEC ---

// A refusal of the file: the line (1 for the header), the field (empty for the whole line) and why.
class EFichierInvalide : public EComptabilite {
public:
    EFichierInvalide(size_t line, const UnicodeString& field, const UnicodeString& reason);
    size_t Ligne;
    UnicodeString Champ;
    UnicodeString Raison;
};

enum class JeuLecture { Auto, Iso885915, Utf8 };
// "auto", "utf-8", "iso-8859-15" (case ignored); false for another name.
bool JeuLectureDepuisNom(const UnicodeString& name, JeuLecture& out);

struct LigneFEC {
    size_t Ligne = 0;  // in the file, the header being line 1
    UnicodeString JournalCode, JournalLib, EcritureNum;
    TDateTime EcritureDate;
    UnicodeString CompteNum, CompteLib, CompAuxNum, CompAuxLib, PieceRef;
    TDateTime PieceDate;
    UnicodeString EcritureLib;
    CCurrency Debit, Credit;  // never null (an empty field is zero)
    UnicodeString EcritureLet;
    TDateTime DateLet, ValidDate;
    CCurrency MontantDevise;  // null when empty
    UnicodeString Idevise;
    bool Ouverture = false;  // a line of the opening balances ("à-nouveaux")
};

struct FichierFEC {
    char Separateur = '\t';
    Jeu JeuCaracteres = Jeu::Utf8;
    std::vector<LigneFEC> Lignes;
};

// Reads a FEC: the separator taken from the header (tabulation or "|"), the character set from the
// file (UTF-8 with or without byte-order mark, else ISO 8859-15) unless one is given, the 18 header
// names checked in their order, every date and amount read exactly, every entry (journal and
// number) balanced. Raises EFichierInvalide at the first fault; EComptabilite when the file cannot
// be read.
FichierFEC Lire(const UnicodeString& path, JeuLecture jeu = JeuLecture::Auto);

struct BilanImport {
    TDateTime Debut, Fin;  // the fiscal year of the file
    size_t Lignes = 0;
    size_t Ecritures = 0;
    size_t Remplacees = 0;  // lines of an earlier import of the same year
};

// Reads a FEC and records it as the company's general ledger of its fiscal year, in the case
// file's default transaction, replacing an earlier import of the same year. Every line must be
// dated in that one recorded fiscal year (EFichierInvalide otherwise). Nothing is recorded when the
// file is refused.
BilanImport Importer(CDossier& dossier, const UnicodeString& path, JeuLecture jeu = JeuLecture::Auto);

// Whether a general ledger was imported for the fiscal year starting on `debut`.
bool GrandLivreImporte(CDossier& dossier, const TDateTime& debut);
// The imported lines of that year, in the file's order.
std::vector<LigneFEC> LireGrandLivre(CDossier& dossier, const TDateTime& debut);

}  // namespace fec
