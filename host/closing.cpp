#include "host/closing.h"

#include <memory>
#include <vector>

#include <fmt/format.h>

#include "host/session.h"
#include "units/uvkbien.h"
#include "units/uvkdivers.h"

namespace vkhost {

namespace {

// The latest version of every asset chain: the highest ID_BIEN of each REF_CALC.
std::vector<unsigned> LatestVersions(CDossier& dossier) {
    TIBQuery query(dossier.GetDatabaseFirebird());
    query.SQL.Add("SELECT MAX(ID_BIEN) FROM " + GetNomTable("VKB", false) + " GROUP BY REF_CALC ORDER BY 1");
    std::vector<unsigned> ids;
    for (query.Open(); !query.Eof(); query.Next())
        ids.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
    return ids;
}

void Run(CDossier& dossier, const std::string& sql) {
    if (!VK_ExecSQL(0, sql, "")) throw EngineReportedFailure("La clôture n'a pas pu être enregistrée");
    (void)dossier;
}

}  // namespace

ClosingResult CloseYear(CDossier& dossier, CBarre* bar) {
    ClosingResult result;
    const std::vector<unsigned> ids = LatestVersions(dossier);
    if (bar) bar->SetRange(0, static_cast<int>(ids.size()));
    for (unsigned id : ids) {
        cVK_Bien asset(id, "", nullptr, nullptr);
        ++result.assets;
        if (asset.Cloture()) ++result.closed;
        if (bar) bar->Next(asset.GetReference());
    }
    // Fiscal-year numbers are relative to the current year: they follow the switch.
    Run(dossier, "DELETE FROM " + GetNomTable("VKU", false) + " WHERE EXERCICE<1");
    Run(dossier, "UPDATE " + GetNomTable("VKU", false) + " SET EXERCICE=EXERCICE-1");
    Run(dossier, "UPDATE " + GetNomTable("VKT", false) + " SET EXERCICE=EXERCICE-1");
    dossier.PasserExerciceSuivant();
    return result;
}

}  // namespace vkhost
