// Inner pieces of the accounting library shared by its source files: storage of entries, text and
// date helpers, the chart's contents and the export file.
#pragma once

#include <map>
#include <vector>

#include "platform/comptabilite.h"

class CDossier;

namespace compta {

// --- Text ---
// An SQL string literal.
UnicodeString Quote(const UnicodeString& text);
// Number of characters of a UTF-8 text.
size_t Longueur(const UnicodeString& text);
// "31/12/2024"; "" for the null date.
UnicodeString DateFr(const TDateTime& date);
// An amount with a decimal comma and at least two decimals ("1234,50", "0,1235").
UnicodeString MontantVirgule(const CCurrency& amount);
// The piece as the ledger shows it: the origin text then the piece text ("VK3-12").
UnicodeString ReferencePiece(int origin, const UnicodeString& piece);
// "journal ODR du 31/12/2024, pièce VK3-12"
UnicodeString Designation(const EcritureCompta& entry);

// --- Entries ---
// Raises EComptabilite when the entry's debits and credits differ.
void VerifierEquilibre(const EcritureCompta& entry);
// Records an entry in place of a recorded one of the same identity, all or nothing; returns its id.
int EnregistrerEcriture(CDossier& dossier, const EcritureCompta& entry);
// Removes the entry of this identity with its lines; false when there is none.
bool SupprimerEcriture(CDossier& dossier, const UnicodeString& journal, const TDateTime& date, int origin,
                       const UnicodeString& piece);
std::vector<EcritureCompta> LireEcritures(CDossier& dossier);
bool ColonneExiste(CDossier& dossier, const UnicodeString& table, const UnicodeString& column);

// --- Chart of accounts ---
struct CompteGeneral {
    const char* numero;
    const char* libelle;
};
// The built-in accounts of the general chart, numbers not completed.
std::vector<CompteGeneral> PlanComptableGeneral();
// The built-in chart merged with the case file's accounts, by completed number (no case file: the
// built-in chart alone, numbers as they stand).
std::map<UnicodeString, UnicodeString> ChargerPlan(CDossier* dossier);
UnicodeString Completer(CDossier* dossier, const UnicodeString& account);

}  // namespace compta
