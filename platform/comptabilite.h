// The host's accounting library: the case file's ledger, the calls that record, export and cancel
// entries, the reading of the ledger (for the host and for the ledger-register comparison) and the
// chart of accounts.
//
// Ledger. Entries live in the case file's database, in tables of their own created by
// ComptaCreerTables: "CPTA_ECRITURES" (one row per entry: journal, date, piece text, origin code,
// special flag) and "CPTA_LIGNES" (its lines: account, label, direction, amount as DECIMAL(18,4),
// written and read exactly). An entry is identified by its journal, date, origin code and piece
// text; recording an entry with the identity of a recorded one replaces it, so creating the same
// entries twice leaves one set. The ledger writes in the case file's default transaction and never
// commits: the host's action commits or rolls back the entries together with the rest of its work.
//
// Dates. Entries are created or cancelled only at dates that fall in a recorded fiscal year of the
// case file that is not closed. Every other date is refused (closed years, years before the first or
// after the last recorded one, the null date), and so is any date when no case file is open or when
// its ledger tables were never created; a refusal tells the user why (OKTInformation).
//
// One entry at a time. AssEcrOpen (or AssEcrOpenPourExport) opens an entry, AssEcrInsLigne adds its
// lines in memory, AssEcrValide records it (or AssAjoutEcrPourExport adds it to the export run). An
// entry opened and never validated leaves nothing. Recording or exporting an entry whose debits and
// credits differ raises EComptabilite and records nothing: a failure is never reported as success.
// A misuse (a second entry opened while one is open, a line with no entry open, an entry of one
// mode closed in the other) also raises EComptabilite, after dropping the open entry so that the
// library is ready for the next operation. Database errors pass as EIBError; the entry being
// recorded is then left out whole (a savepoint covers its rows).
//
// Origin codes. A 32-bit integer: its lowest byte is the kind of piece (the first character of the
// engine's piece), the second byte is zero, the third and fourth bytes are 'V' and 'K'. The ledger
// shows it as text, "VK" followed by the kind ("VK6"). Entries of origin "VK6" (standards
// conformity) restate the opening balances of the year rather than record a movement of it: the
// ledger flags them special, as it does entries opened with the special flag set.
//
// Export. AssSetFichierExport names the file, AssInitExportEcr starts a run, each entry is opened
// with AssEcrOpenPourExport and added with AssAjoutEcrPourExport, AssEcrExportee writes the run's
// entries to the file in the layout of the French "fichier des écritures comptables" (FEC), and
// AssDesinitExportEcr ends the run. An export reads nothing from the ledger and changes nothing in
// it; its dates are not checked against the fiscal years.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/system.h"

class CDossier;

// Extra data of a line (analytic details) that the ledger does not keep; the engine passes null.
struct tagCPTA_HIRAODATA;

class EComptabilite : public Exception {
  public:
    using Exception::Exception;
};

// --- Ledger tables ---

// Creates the ledger's tables and the case file's chart-of-accounts table when they are missing,
// and commits them (a table can be filled only once its creation is committed): call it when a case
// file is created or opened, outside a host action.
void ComptaCreerTables(CDossier& dossier);
// Whether the case file has the ledger's tables.
bool ComptaTablesPresentes(CDossier& dossier);

// --- Origin codes ---

constexpr int AssCodeOrigine(char kind) {
    return static_cast<int>(static_cast<unsigned char>(kind)) | ('V' << 16) | ('K' << 24);
}
// "VK6" for AssCodeOrigine('6'); "" for 0; the decimal number for a code of another shape.
UnicodeString AssOrigineTexte(int origin);

// --- Calls of the engine ---

// Whether an entry may be created (creer true) or cancelled (false) at this date; a refusal is
// explained to the user.
bool AssPeutCreerAnnulerEcr(const TDateTime& date, bool creer);

// Opens an entry to be recorded. `speciale` flags it special (the engine passes false). Returns false,
// with the reason shown to the user, when the date is refused (as AssPeutCreerAnnulerEcr), the journal
// is empty or longer than 6 characters, or the piece text is longer than 15 characters.
bool AssEcrOpen(const UnicodeString& journal, const TDateTime& date, bool speciale, int origin,
                const UnicodeString& piece);
// Adds one line to the open entry. A negative amount is recorded on the other side with its absolute
// value. Raises EComptabilite when no entry is open, the account is empty or longer than 14
// characters, or the label longer than 100.
bool AssEcrInsLigne(const UnicodeString& account, const UnicodeString& label, const Currency& amount,
                    bool debit, tagCPTA_HIRAODATA* data);
// Records the open entry, replacing a recorded entry of the same identity. Returns false when no entry
// is open or it has no line (nothing is recorded, nothing is replaced); raises EComptabilite when its
// debits and credits differ.
bool AssEcrValide();
// Removes the recorded entry of this identity with its lines; false when there is none, or when the
// date is refused (the reason is shown).
bool AssEcrAnnule(const UnicodeString& journal, const TDateTime& date, int origin,
                  const UnicodeString& piece);

// Names the file the next export runs write (kept until changed).
void AssSetFichierExport(const UnicodeString& path);
const UnicodeString& AssGetFichierExport();
// Starts an export run (a run left unfinished by a failed operation is dropped). The flag is not used
// (the engine passes false). Raises EComptabilite when no export file was named.
bool AssInitExportEcr(bool);
// Opens an entry of the export run; same arguments and refusals as AssEcrOpen, except that the date
// is only required to be a date. Raises EComptabilite when no export run is started.
bool AssEcrOpenPourExport(const UnicodeString& journal, const TDateTime& date, bool speciale, int origin,
                          const UnicodeString& piece);
// Adds the open entry to the export run; false when no entry is open or it has no line; raises
// EComptabilite when its debits and credits differ.
bool AssAjoutEcrPourExport();
// Writes the run's entries to the export file (a run without entries writes the header alone). The
// file is replaced whole or not at all; raises EComptabilite when it cannot be written.
bool AssEcrExportee();
// Ends the export run.
void AssDesinitExportEcr();

// Drops the open entry and the export run, if any: the host calls it when an action fails.
void AssEcrAbandonne();
bool AssEcrEstOuverte();
bool AssExportEnCours();

// --- Reading the ledger ---

struct LigneCompta {
    UnicodeString Compte;
    UnicodeString Libelle;
    bool Debit = false;
    CCurrency Montant;  // never negative
};

struct EcritureCompta {
    int Id = 0;  // the entry's row in the ledger (0 for an entry not recorded)
    // Its number in its fiscal year: entries are numbered 1, 2, 3... in chronological order (date,
    // journal, piece) as they are recorded, the sequence kept continuous when an entry is recorded
    // among earlier ones or removed; 0 for an entry not recorded.
    int Numero = 0;
    // The day it was recorded (its validation date); null for an entry not recorded.
    TDateTime DateValidation;
    UnicodeString Journal;
    TDateTime Date;
    UnicodeString Piece;
    int Origine = 0;
    bool Speciale = false;
    std::vector<LigneCompta> Lignes;

    UnicodeString OrigineTexte() const { return AssOrigineTexte(Origine); }
};

// Every recorded entry with its lines, in chronological order (date, journal, piece); lines in their
// recorded order.
std::vector<EcritureCompta> ComptaLireEcritures();

// The comparison of the ledger with the register: the ledger callback receives one ledger line with
// its entry's journal, origin text ("VK6") and special flag (0 or 1), its date, its direction (1 debit,
// 0 credit) and its amount (never negative). The register callback is called once, after the lines.
using FctLigneCompta = void (*)(void* contexte, const char* compte, const char* journal, const char* origine,
                                int16_t speciale, dateDOS date, int16_t debit, double montant);
using FctRegistreCompta = void (*)(void* contexte);
// Calls `ligne` once per ledger line (in the order of ComptaLireEcritures), then `registre` when
// given; returns the number of lines visited. Exceptions of the callbacks pass to the caller.
// When the company's own general ledger of the current year was imported (fec::Importer), the
// comparison confronts the register with it instead: its lines on the accounts the register has a
// say on (20-23, 28, 29, 68, 78, 675, 775, 145), in the file's order, the origin empty, the opening
// balances ("à-nouveaux") not flagged special and the year's movements flagged special, each line's
// balance on one side.
int ComptaComparer(void* contexte, FctLigneCompta ligne, FctRegistreCompta registre = nullptr);

dateDOS ComptaDateDOS(const TDateTime& date);
// Whether the comparison confronts the register with the company's imported general ledger.
bool ComptaGrandLivreEntreprise();

// --- Chart of accounts ---
//
// The French general chart's accounts of classes 1 to 7 that fixed-asset entries post to, with their
// labels, plus the accounts the case file adds (table "PLAN_COMPTABLE"; they take precedence). Account
// numbers are completed to the case file's account length (DossierCompleteCompte) and compared byte by
// byte.

struct PCCompte {
    char NumCompte[15];  // up to 14 characters, zero-terminated
    char Libelle[256];   // zero-terminated (UTF-8, cut on a character boundary)
};

// Opens the chart (loaded on the first open; opens are counted). PCGetGTEQ also works unopened.
bool PCOpen();
// Fills the record with the first account whose number is equal to or greater than the key (the key
// completed first) and returns true. When no account is, fills it with the empty number and label and
// returns false. Always fills the record.
bool PCGetGTEQ(const char* key, PCCompte* record);
void PCClose();

// Adds an account to the case file's chart, or changes its label. Raises EComptabilite when the
// number is empty, holds anything but letters and digits, or exceeds 14 characters once completed, or
// the label exceeds 120 characters.
void PCAjouteCompte(const UnicodeString& account, const UnicodeString& label);

struct CompteCompta {
    UnicodeString NumCompte;  // completed
    UnicodeString Libelle;
};
// The whole chart, in account order.
std::vector<CompteCompta> PCListeComptes();
