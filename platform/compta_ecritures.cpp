// The calls that record, cancel and export entries: the date rule, the one open entry, the export run.
#include <fmt/format.h>

#include <optional>

#include "platform/compta_interne.h"
#include "platform/dossier.h"
#include "platform/fec.h"
#include "platform/messages.h"

namespace {

constexpr size_t kLongueurJournal = 6;
constexpr size_t kLongueurPiece = 15;  // the engine's 16-character piece less its kind
constexpr size_t kLongueurCompte = 14;
constexpr size_t kLongueurLibelle = 100;

enum class Mode { Creation, Export };

struct EcritureOuverte {
    Mode mode;
    EcritureCompta ecriture;
};

// One entry at most is open, in one of the two modes; one export run at most is going on.
std::optional<EcritureOuverte> ouverte;
struct RunExport {
    bool actif = false;
    std::vector<EcritureCompta> ecritures;
};
RunExport exportEnCours;
UnicodeString fichierExport;

// Why entries cannot be created or cancelled at this date; empty when they can.
UnicodeString RaisonRefusDate(const TDateTime& date) {
    if (!pCurDossier) return "aucun dossier n'est ouvert";
    if (!ComptaTablesPresentes(*pCurDossier)) return "la comptabilité du dossier n'a pas été créée";
    if (date.IsNull()) return "l'écriture n'a pas de date";
    const TDateTime day = DateOf(date);
    const std::vector<ExerciceFiscal>& years = pCurDossier->Exercices();
    for (const ExerciceFiscal& year : years)
        if (day >= year.Debut && day <= year.Fin)
            return year.Cloture ? fmt::format("l'exercice du {} au {} est clos", compta::DateFr(year.Debut),
                                              compta::DateFr(year.Fin))
                                : "";
    if (years.empty()) return "le dossier n'a pas d'exercice";
    return fmt::format("cette date est hors des exercices du dossier (du {} au {})",
                       compta::DateFr(years.front().Debut), compta::DateFr(years.back().Fin));
}

bool AccepterDate(const TDateTime& date, const char* operation) {
    const UnicodeString reason = RaisonRefusDate(date);
    if (reason.empty()) return true;
    OKTInformation(date.IsNull()
                       ? fmt::format("{} refusée : {}.", operation, reason)
                       : fmt::format("{} refusée au {} : {}.", operation, compta::DateFr(date), reason));
    return false;
}

// Drops the open entry and raises: the library stays ready for the next operation.
[[noreturn]] void Abandonner(const UnicodeString& message) {
    ouverte.reset();
    throw EComptabilite(message);
}

bool Ouvrir(Mode mode, const UnicodeString& journal, const TDateTime& date, bool speciale, int origin,
            const UnicodeString& piece) {
    if (ouverte)
        Abandonner("Une écriture est déjà ouverte (" + compta::Designation(ouverte->ecriture) +
                   ") : elle n'a pas été validée et n'est pas enregistrée.");
    if (mode == Mode::Export && !exportEnCours.actif)
        throw EComptabilite("Aucun export d'écritures n'est en cours.");
    const char* operation = mode == Mode::Creation ? "Création d'écriture" : "Export d'écriture";
    UnicodeString invalid;
    if (journal.empty() || compta::Longueur(journal) > kLongueurJournal)
        invalid =
            fmt::format("le code journal \"{}\" doit avoir de 1 à {} caractères", journal, kLongueurJournal);
    else if (compta::Longueur(piece) > kLongueurPiece)
        invalid = fmt::format("la pièce \"{}\" dépasse {} caractères", piece, kLongueurPiece);
    else if (mode == Mode::Export && date.IsNull())
        invalid = "l'écriture n'a pas de date";
    if (!invalid.empty()) {
        OKTInformation(fmt::format("{} refusée : {}.", operation, invalid));
        return false;
    }
    if (mode == Mode::Creation && !AccepterDate(date, operation)) return false;

    EcritureCompta entry;
    entry.Journal = journal;
    entry.Date = DateOf(date);
    entry.Piece = piece;
    entry.Origine = origin;
    entry.Speciale = speciale || origin == AssCodeOrigine('6');
    ouverte = EcritureOuverte{mode, std::move(entry)};
    return true;
}

// Takes the open entry out of the library, checked for its mode and balance; nullopt when none is
// open or it has no line.
std::optional<EcritureCompta> Fermer(Mode mode) {
    if (!ouverte) return std::nullopt;
    if (ouverte->mode != mode)
        Abandonner("L'écriture (" + compta::Designation(ouverte->ecriture) + ") a été ouverte " +
                   (mode == Mode::Creation ? "pour l'export : elle ne peut pas être enregistrée."
                                           : "pour être enregistrée : elle ne peut pas être exportée."));
    EcritureCompta entry = std::move(ouverte->ecriture);
    ouverte.reset();
    if (entry.Lignes.empty()) return std::nullopt;
    compta::VerifierEquilibre(entry);
    return entry;
}

}  // namespace

void compta::VerifierEquilibre(const EcritureCompta& entry) {
    CCurrency debit(0), credit(0);
    for (const LigneCompta& line : entry.Lignes) (line.Debit ? debit : credit) += line.Montant;
    if (debit != credit)
        throw EComptabilite(
            fmt::format("Écriture déséquilibrée ({}) : total débit {}, total crédit {}. Elle n'est "
                        "pas enregistrée.",
                        Designation(entry), MontantVirgule(debit), MontantVirgule(credit)));
}

bool AssPeutCreerAnnulerEcr(const TDateTime& date, bool creer) {
    return AccepterDate(date, creer ? "Création d'écriture" : "Annulation d'écriture");
}

bool AssEcrOpen(const UnicodeString& journal, const TDateTime& date, bool speciale, int origin,
                const UnicodeString& piece) {
    return Ouvrir(Mode::Creation, journal, date, speciale, origin, piece);
}

bool AssEcrInsLigne(const UnicodeString& account, const UnicodeString& label, const Currency& amount,
                    bool debit, tagCPTA_HIRAODATA*) {
    if (!ouverte)
        throw EComptabilite("Aucune écriture n'est ouverte : la ligne du compte " + account +
                            " ne peut pas être ajoutée.");
    if (account.empty() || compta::Longueur(account) > kLongueurCompte)
        Abandonner(fmt::format("Compte \"{}\" invalide ({}) : il doit avoir de 1 à {} caractères.", account,
                               compta::Designation(ouverte->ecriture), kLongueurCompte));
    if (compta::Longueur(label) > kLongueurLibelle)
        Abandonner(fmt::format("Libellé \"{}\" trop long ({}) : {} caractères au plus.", label,
                               compta::Designation(ouverte->ecriture), kLongueurLibelle));
    CCurrency value(amount);
    // A negative amount on one side is the same movement as its opposite on the other side.
    const bool negative = value < 0;
    ouverte->ecriture.Lignes.push_back(
        {account, label, negative ? !debit : debit, negative ? -value : value});
    return true;
}

bool AssEcrValide() {
    std::optional<EcritureCompta> entry = Fermer(Mode::Creation);
    if (!entry) return false;
    if (!pCurDossier) throw EComptabilite("Aucun dossier n'est ouvert : l'écriture n'est pas enregistrée.");
    compta::EnregistrerEcriture(*pCurDossier, *entry);
    return true;
}

bool AssEcrAnnule(const UnicodeString& journal, const TDateTime& date, int origin,
                  const UnicodeString& piece) {
    if (!AccepterDate(date, "Annulation d'écriture")) return false;
    return compta::SupprimerEcriture(*pCurDossier, journal, date, origin, piece);
}

void AssSetFichierExport(const UnicodeString& path) {
    fichierExport = path;
}

const UnicodeString& AssGetFichierExport() {
    return fichierExport;
}

bool AssInitExportEcr(bool) {
    if (ouverte && ouverte->mode == Mode::Export) ouverte.reset();
    exportEnCours = {};
    if (fichierExport.empty())
        throw EComptabilite("Aucun fichier n'a été choisi pour l'export des écritures.");
    exportEnCours.actif = true;
    return true;
}

bool AssEcrOpenPourExport(const UnicodeString& journal, const TDateTime& date, bool speciale, int origin,
                          const UnicodeString& piece) {
    return Ouvrir(Mode::Export, journal, date, speciale, origin, piece);
}

bool AssAjoutEcrPourExport() {
    std::optional<EcritureCompta> entry = Fermer(Mode::Export);
    if (!entry) return false;
    if (!exportEnCours.actif) throw EComptabilite("Aucun export d'écritures n'est en cours.");
    exportEnCours.ecritures.push_back(std::move(*entry));
    return true;
}

bool AssEcrExportee() {
    if (!exportEnCours.actif) throw EComptabilite("Aucun export d'écritures n'est en cours.");
    if (fichierExport.empty())
        throw EComptabilite("Aucun fichier n'a été choisi pour l'export des écritures.");
    // An import file for an accounting package: its entries are not validated yet (empty ValidDate)
    // and are numbered in the file; the package numbers them when it records them.
    fec::OptionsEcriture options;
    options.JeuCaracteres = fec::Jeu::Utf8;
    options.CommeEnregistrees = false;
    options.DeuxDecimales = false;
    fec::Ecrire(fichierExport, exportEnCours.ecritures, pCurDossier, options);
    return true;
}

void AssDesinitExportEcr() {
    if (ouverte && ouverte->mode == Mode::Export) ouverte.reset();
    exportEnCours = {};
}

void AssEcrAbandonne() {
    ouverte.reset();
    exportEnCours = {};
}

bool AssEcrEstOuverte() {
    return ouverte.has_value();
}

bool AssExportEnCours() {
    return exportEnCours.actif;
}
