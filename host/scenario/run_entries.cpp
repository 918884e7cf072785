// The entry operations of the scenario runner and its report's entries section.
#include <fmt/format.h>

#include "host/commands/entries.h"
#include "platform/comptabilite.h"
#include "units/uvkecritures.h"

namespace vkhost {

void ApplyEntries(int kind, EntriesOperation operation, const UnicodeString& exportFile) {
    const cVK_ListEcr list(static_cast<VK_TypesEcr>(kind), nullptr);
    bool done = false;
    switch (operation) {
        case EntriesOperation::Create:
            done = list.Creer();
            break;
        case EntriesOperation::Cancel:
            done = list.Annuler();
            break;
        case EntriesOperation::Export:
            AssSetFichierExport(exportFile);
            done = list.Exporter();
            break;
    }
    if (!done)
        throw EngineReportedFailure(
            fmt::format("La comptabilité a refusé les écritures de type {} : rien n'a été enregistré", kind));
}

std::vector<EntriesReport> ReportEntries(const std::vector<int>& kinds) {
    std::vector<EntriesReport> reports;
    for (int kind : kinds) {
        const cVK_ListEcr list(static_cast<VK_TypesEcr>(kind), nullptr);
        EntriesReport report;
        report.kind = kind;
        for (const auto& [line, amount] : list.Lignes)
            report.lines.push_back(
                {line.Journal, line.DateEcr, line.Piece, line.Compte, line.Debit, amount, line.Libelle});
        reports.push_back(std::move(report));
    }
    return reports;
}

}  // namespace vkhost
