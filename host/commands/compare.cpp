// vkhost compare DIR TYPE: the ledger against the register, account by account.
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
#include "units/uvkcomptes.h"
#include "units/uvkdivers.h"

namespace vkhost {

namespace {

void WriteComparisonJson(int type, const std::vector<cVK_EcartComparaison>& rows, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("type", type);
    json.Array("accounts", rows, [&](const cVK_EcartComparaison& row) {
        json.BeginObject();
        json.Field("account", row.Compte);
        json.Field("label", row.Libelle);
        json.Field("ledger", row.Comptabilite);
        json.Field("register", row.Registre);
        json.Field("difference", row.Ecart);
        json.EndObject();
    });
    json.EndObject();
    out << '\n';
}

void WriteComparisonCsv(int type, const std::vector<cVK_EcartComparaison>& rows, std::ostream& out) {
    CsvWriter csv(out);
    csv.Header({"type", "account", "label", "ledger", "register", "difference"});
    for (const cVK_EcartComparaison& row : rows)
        csv.Row(type, row.Compte, row.Libelle, row.Comptabilite, row.Registre, row.Ecart);
}

}  // namespace

int RunCompare(const CompareOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    const OutputFormat format = ChosenFormat(options.json, options.csv);
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    std::vector<cVK_EcartComparaison> rows;
    bool ledgerImported = false;
    {
        // The comparison only reads; whatever the engine might write meanwhile is rolled back.
        CActionDossier action(session.Dossier());
        cVK_ComparCptaAss comparison(options.type);
        if (!comparison.Comparer() || ExceptionsShown() != shownBefore)
            throw EngineReportedFailure("La comparaison a échoué");
        rows = comparison.Ecarts();
        ledgerImported = ComptaGrandLivreEntreprise();
    }
    if (format == OutputFormat::Json) {
        WriteComparisonJson(options.type, rows, out);
        return kExitOk;
    }
    if (format == OutputFormat::Csv) {
        WriteComparisonCsv(options.type, rows, out);
        return kExitOk;
    }
    out << fmt::format("{:<14} {:<40} {:>16} {:>16} {:>16}\n", "Compte", "Libellé", "Comptabilité",
                       "Registre", "Écart");
    int differences = 0;
    for (const cVK_EcartComparaison& row : rows) {
        if (row.Ecart != CCurrency(0)) ++differences;
        out << fmt::format("{:<14} {:<40} {:>16} {:>16} {:>16}\n", row.Compte, row.Libelle.substr(0, 40),
                           ScreenAmount(row.Comptabilite), ScreenAmount(row.Registre),
                           ScreenAmount(row.Ecart));
    }
    out << fmt::format("{} comptes, {} écarts.\n", rows.size(), differences);
    if (ledgerImported)
        out << "Comptabilité : le grand livre de l'entreprise importé pour l'exercice en cours "
               "(fec-import).\n";
    return kExitOk;
}

}  // namespace vkhost
