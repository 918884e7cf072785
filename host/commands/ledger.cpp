// vkhost ledger DIR: every entry recorded in the accounting, with its lines and its balance.
#include <fmt/format.h>

#include <algorithm>
#include <sstream>

#include "host/commands/csv_writer.h"
#include "host/commands/entries.h"
#include "host/commands/list.h"
#include "host/commands/screen_format.h"
#include "host/json/writer.h"
#include "platform/comptabilite.h"
#include "platform/messages.h"

namespace vkhost {

namespace {

void WriteLedgerJson(const std::vector<EcritureCompta>& entries, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Array("entries", entries, [&](const EcritureCompta& entry) {
        CCurrency debit(0), credit(0);
        json.BeginObject();
        json.Field("id", entry.Id);
        json.Field("journal", entry.Journal);
        json.Field("date", entry.Date);
        json.Field("origin", entry.OrigineTexte());
        json.Field("piece", entry.Piece);
        json.Field("special", entry.Speciale);
        json.Array("lines", entry.Lignes, [&](const LigneCompta& line) {
            (line.Debit ? debit : credit) += line.Montant;
            json.BeginObject();
            json.Field("account", line.Compte);
            json.Field("debit", line.Debit);
            json.Field("amount", line.Montant);
            json.Field("label", line.Libelle);
            json.EndObject();
        });
        json.Field("total_debit", debit);
        json.Field("total_credit", credit);
        json.Field("balanced", debit == credit);
        json.EndObject();
    });
    json.EndObject();
    out << '\n';
}

// One line per entry line, the entry's fields repeated, named as the JSON names them.
void WriteLedgerCsv(const std::vector<EcritureCompta>& entries, std::ostream& out) {
    CsvWriter csv(out);
    csv.Header(
        {"id", "journal", "date", "origin", "piece", "special", "account", "debit", "amount", "label"});
    for (const EcritureCompta& entry : entries)
        for (const LigneCompta& line : entry.Lignes)
            csv.Row(static_cast<long long>(entry.Id), entry.Journal, entry.Date, entry.OrigineTexte(),
                    entry.Piece, entry.Speciale, line.Compte, line.Debit, line.Montant, line.Libelle);
}

bool Balanced(const EcritureCompta& entry) {
    CCurrency debit(0), credit(0);
    for (const LigneCompta& line : entry.Lignes) (line.Debit ? debit : credit) += line.Montant;
    return debit == credit;
}

}  // namespace

int RunLedger(const LedgerOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    const OutputFormat format = ChosenFormat(options.json, options.csv);
    if (format != OutputFormat::Text) {
        std::ostringstream text;
        if (format == OutputFormat::Json)
            WriteLedgerJson(entries, text);
        else
            WriteLedgerCsv(entries, text);
        out << text.str();
        return std::all_of(entries.begin(), entries.end(), Balanced) ? kExitOk : kExitFailure;
    }
    int unbalanced = 0;
    for (const EcritureCompta& entry : entries) {
        CCurrency debit(0), credit(0);
        for (const LigneCompta& line : entry.Lignes) (line.Debit ? debit : credit) += line.Montant;
        const bool balanced = debit == credit;
        if (!balanced) ++unbalanced;
        out << fmt::format("Écriture {} : journal {}, {}, pièce {}{}{}\n", entry.Id, entry.Journal,
                           ScreenDate(entry.Date), entry.OrigineTexte(), entry.Piece,
                           entry.Speciale ? " (spéciale)" : "");
        for (const LigneCompta& line : entry.Lignes)
            out << fmt::format("  {:<14} {:>16} {:>16}  {}\n", line.Compte,
                               line.Debit ? ScreenAmount(line.Montant) : "",
                               line.Debit ? "" : ScreenAmount(line.Montant), line.Libelle);
        out << fmt::format("  {:<14} {:>16} {:>16}  {}\n", "Total", ScreenAmount(debit), ScreenAmount(credit),
                           balanced ? "équilibrée" : "DÉSÉQUILIBRÉE");
    }
    out << fmt::format("{} écritures, {} déséquilibrées.\n", entries.size(), unbalanced);
    return unbalanced == 0 ? kExitOk : kExitFailure;
}

}  // namespace vkhost
