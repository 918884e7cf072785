// Writing the ledger's entries in the FEC layout: the export run of the engine (an import file for
// an accounting package) and the FEC of a whole fiscal year.
#include <filesystem>
#include <optional>

#include <fmt/format.h>

#include "platform/compta_interne.h"
#include "platform/dossier.h"
#include "platform/fec.h"
#include "platform/files.h"

namespace fec {

namespace {

UnicodeString DateFEC(const TDateTime& date) {
    if (date.IsNull()) return "";
    int year, month, day;
    DecodeDate(date, year, month, day);
    return fmt::format("{:04}{:02}{:02}", year, month, day);
}

UnicodeString LibelleJournal(const UnicodeString& journal) {
    if (journal == "ODR") return "Opérations diverses";
    if (journal == "INVR") return "Opérations d'inventaire";
    return journal;
}

// The file needs a label for every account: the chart's, else the number itself.
UnicodeString LibelleCompte(const std::map<UnicodeString, UnicodeString>& chart, CDossier* dossier,
                            const UnicodeString& account) {
    auto found = chart.find(compta::Completer(dossier, account));
    return found != chart.end() && !found->second.empty() ? found->second : account;
}

// Written whole to a temporary file beside the target (owner-only, created exclusively), then
// renamed over it: the target is replaced whole or not at all, never through a link.
void EcrireFichier(const UnicodeString& path, const std::string& content) {
    try {
        WriteFileSafely(path, content);
    } catch (const EFichier& e) {
        throw EComptabilite("Export des écritures : " + e.Message);
    }
}

class Redacteur {
public:
    Redacteur(const OptionsEcriture& options, std::string& out) : options_(options), out_(out) {
        if (options.JeuCaracteres == Jeu::Iso885915) versIso_.emplace("ISO-8859-15", "UTF-8");
    }

    // One field; `entry` and `name` say where a refusal comes from.
    void Champ(const UnicodeString& text, const EcritureCompta* entry, const char* name) {
        if (!first_) out_ += options_.Separateur;
        first_ = false;
        UnicodeString field = text;
        for (char& c : field) {
            if (c == '\t' || c == '\r' || c == '\n') c = ' ';
            if (c == options_.Separateur)
                throw EContenuNonEcrivable(fmt::format(
                    "Écriture {}, champ {} : le texte \"{}\" contient le séparateur \"{}\" du fichier ; "
                    "choisissez l'autre séparateur.",
                    entry ? compta::Designation(*entry) : "", name, text, options_.Separateur));
        }
        if (!versIso_) {
            out_ += field;
            return;
        }
        if (!versIso_->Ajouter(field, out_))
            throw EContenuNonEcrivable(
                fmt::format("Écriture {}, champ {} : le texte \"{}\" a un caractère qui n'existe pas en "
                            "ISO 8859-15 ; choisissez le jeu UTF-8.",
                            entry ? compta::Designation(*entry) : "", name, text));
    }
    void Montant(const CCurrency& amount, const EcritureCompta& entry, const char* name) {
        UnicodeString text;
        if (!options_.DeuxDecimales)
            text = compta::MontantVirgule(amount);
        else if (!MontantDeuxDecimales(amount, text))
            throw EContenuNonEcrivable(
                fmt::format("Écriture {}, champ {} : le montant {} a une fraction de centime.",
                            compta::Designation(entry), name, compta::MontantVirgule(amount)));
        Champ(text, &entry, name);
    }
    void FinLigne() {
        out_ += '\n';
        first_ = true;
    }

private:
    const OptionsEcriture& options_;
    std::string& out_;
    std::optional<Conversion> versIso_;
    bool first_ = true;
};

}  // namespace

const std::vector<UnicodeString>& Colonnes() {
    static const std::vector<UnicodeString> names = {
        "JournalCode", "JournalLib",  "EcritureNum", "EcritureDate", "CompteNum",     "CompteLib",
        "CompAuxNum",  "CompAuxLib",  "PieceRef",    "PieceDate",    "EcritureLib",   "Debit",
        "Credit",      "EcritureLet", "DateLet",     "ValidDate",    "Montantdevise", "Idevise"};
    return names;
}

UnicodeString NomFichier(const UnicodeString& siren, const TDateTime& closing) {
    return siren + "FEC" + DateFEC(closing) + ".txt";
}

bool MontantDeuxDecimales(const CCurrency& amount, UnicodeString& text) {
    const int64_t count = amount.IsNull() ? 0 : amount.Count();
    if (count % 100 != 0) return false;
    const uint64_t magnitude = count < 0 ? uint64_t(0) - uint64_t(count) : uint64_t(count);
    text = fmt::format("{}{},{:02}", count < 0 ? "-" : "", magnitude / CCurrency::Scale,
                       magnitude % CCurrency::Scale / 100);
    return true;
}

void Ecrire(const UnicodeString& path, const std::vector<EcritureCompta>& entries, CDossier* dossier,
            const OptionsEcriture& options) {
    const std::map<UnicodeString, UnicodeString> chart = compta::ChargerPlan(dossier);
    std::string content;
    content.reserve(256 * (entries.size() + 1));
    Redacteur out(options, content);
    for (const UnicodeString& name : Colonnes()) out.Champ(name, nullptr, "en-tête");
    out.FinLigne();
    int number = 0;
    for (const EcritureCompta& entry : entries) {
        ++number;
        const UnicodeString numero = fmt::format("{}", options.CommeEnregistrees ? entry.Numero : number);
        UnicodeString piece = compta::ReferencePiece(entry.Origine, entry.Piece);
        if (piece.empty()) piece = numero;
        const UnicodeString date = DateFEC(entry.Date);
        const UnicodeString validation = options.CommeEnregistrees ? DateFEC(entry.DateValidation) : "";
        for (const LigneCompta& line : entry.Lignes) {
            out.Champ(entry.Journal, &entry, "JournalCode");
            out.Champ(LibelleJournal(entry.Journal), &entry, "JournalLib");
            out.Champ(numero, &entry, "EcritureNum");
            out.Champ(date, &entry, "EcritureDate");
            out.Champ(line.Compte, &entry, "CompteNum");
            out.Champ(LibelleCompte(chart, dossier, line.Compte), &entry, "CompteLib");
            out.Champ("", &entry, "CompAuxNum");
            out.Champ("", &entry, "CompAuxLib");
            out.Champ(piece, &entry, "PieceRef");
            out.Champ(date, &entry, "PieceDate");
            out.Champ(line.Libelle, &entry, "EcritureLib");
            out.Montant(line.Debit ? line.Montant : CCurrency(0), entry, "Debit");
            out.Montant(line.Debit ? CCurrency(0) : line.Montant, entry, "Credit");
            out.Champ("", &entry, "EcritureLet");
            out.Champ("", &entry, "DateLet");
            out.Champ(validation, &entry, "ValidDate");
            out.Champ("", &entry, "Montantdevise");
            out.Champ("", &entry, "Idevise");
            out.FinLigne();
        }
    }
    EcrireFichier(path, content);
}

UnicodeString Exporter(CDossier& dossier, long exercice, const UnicodeString& directory,
                       const OptionsEcriture& options) {
    if (dossier.Siren.empty())
        throw EDossier("siren : le dossier n'a pas de SIREN ; il nomme le fichier des écritures comptables.");
    TDateTime start, end;
    dossier.DonnerDatesDebEtFin(exercice, false, &start, &end);
    bool recorded = false;
    for (const ExerciceFiscal& year : dossier.Exercices())
        recorded = recorded || (double(year.Debut) == double(start) && double(year.Fin) == double(end));
    if (!recorded)
        throw EDossier(fmt::format("exercice : l'exercice {} (du {} au {}) n'est pas un exercice du dossier.",
                                   exercice, compta::DateFr(start), compta::DateFr(end)));
    std::vector<EcritureCompta> entries;
    for (EcritureCompta& entry : compta::LireEcritures(dossier))
        if (entry.Date >= start && entry.Date <= end) {
            compta::VerifierEquilibre(entry);
            entries.push_back(std::move(entry));
        }
    const UnicodeString path = (std::filesystem::path(directory) / NomFichier(dossier.Siren, end)).string();
    Ecrire(path, entries, &dossier, options);
    return path;
}

}  // namespace fec
