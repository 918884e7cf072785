// The export file, in the layout of the French "fichier des écritures comptables" (FEC): UTF-8 text,
// one header line then one line per entry line, 18 columns separated by tabulations, dates written
// YYYYMMDD, amounts with a decimal comma and no thousands separator.
#include <fmt/format.h>

#include <cstdio>
#include <sstream>

#include "platform/compta_interne.h"
#include "platform/files.h"

namespace compta {

namespace {

const char* const kColonnes[] = {"JournalCode", "JournalLib",    "EcritureNum", "EcritureDate", "CompteNum",
                                 "CompteLib",   "CompAuxNum",    "CompAuxLib",  "PieceRef",     "PieceDate",
                                 "EcritureLib", "Debit",         "Credit",      "EcritureLet",  "DateLet",
                                 "ValidDate",   "Montantdevise", "Idevise"};
constexpr size_t kNombreColonnes = std::size(kColonnes);

UnicodeString DateFEC(const TDateTime& date) {
    if (date.IsNull()) return "";
    int year, month, day;
    DecodeDate(date, year, month, day);
    return fmt::format("{:04}{:02}{:02}", year, month, day);
}

// A field never holds the separators of the file.
UnicodeString Champ(const UnicodeString& text) {
    UnicodeString field = text;
    for (char& c : field)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return field;
}

UnicodeString LibelleJournal(const UnicodeString& journal) {
    if (journal == "ODR") return "Opérations diverses";
    if (journal == "INVR") return "Opérations d'inventaire";
    return journal;
}

// The file needs a label for every account: the chart's, else the number itself.
UnicodeString LibelleCompte(const std::map<UnicodeString, UnicodeString>& chart, CDossier* dossier,
                            const UnicodeString& account) {
    auto found = chart.find(Completer(dossier, account));
    return found != chart.end() && !found->second.empty() ? found->second : account;
}

void EcrireLigne(std::ostream& out, const std::vector<UnicodeString>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) out << (i ? "\t" : "") << Champ(fields[i]);
    out << '\n';
}

}  // namespace

void EcrireFEC(const UnicodeString& path, const std::vector<EcritureCompta>& entries,
               const std::map<UnicodeString, UnicodeString>& chart, CDossier* dossier,
               const TDateTime& validation) {
    // Written whole to a temporary file beside the target, then renamed over it (WriteFileSafely).
    std::ostringstream out;
    EcrireLigne(out, std::vector<UnicodeString>(std::begin(kColonnes), std::end(kColonnes)));
    int number = 0;
    for (const EcritureCompta& entry : entries) {
        ++number;
        UnicodeString piece = ReferencePiece(entry.Origine, entry.Piece);
        if (piece.empty()) piece = fmt::format("{}", number);
        for (const LigneCompta& line : entry.Lignes) {
            std::vector<UnicodeString> fields = {entry.Journal,
                                                 LibelleJournal(entry.Journal),
                                                 fmt::format("{}", number),
                                                 DateFEC(entry.Date),
                                                 line.Compte,
                                                 LibelleCompte(chart, dossier, line.Compte),
                                                 "",
                                                 "",
                                                 piece,
                                                 DateFEC(entry.Date),
                                                 line.Libelle,
                                                 MontantVirgule(line.Debit ? line.Montant : CCurrency(0)),
                                                 MontantVirgule(line.Debit ? CCurrency(0) : line.Montant),
                                                 "",
                                                 "",
                                                 DateFEC(validation),
                                                 "",
                                                 ""};
            EcrireLigne(out, fields);
        }
    }
    try {
        WriteFileSafely(path, out.str());
    } catch (const EFichier& e) {
        throw EComptabilite("Export des écritures : " + e.Message);
    }
    static_assert(kNombreColonnes == 18);
}

}  // namespace compta
