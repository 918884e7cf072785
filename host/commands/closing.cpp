#include "host/commands/closing.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "host/session.h"
#include "platform/messages.h"
#include "units/uvkbien.h"
#include "units/uvkdivers.h"
#include "units/uvketat_sortie.h"

namespace vkhost {

namespace {

// The host's own statements of the closing show their failures with a location code of their own,
// like the engine's: unit 910, then the line.
constexpr unsigned kUnitHostClosing = 910;
#define HOST_CLOSING_LOC() VK_LocationCode(kUnitHostClosing, __LINE__)

// The latest version of every asset chain: the highest ID_BIEN of each REF_CALC.
std::vector<unsigned> LatestVersions(CDossier& dossier) {
    try {
        TIBQuery query(dossier.GetDatabaseFirebird());
        query.SQL.Add("SELECT MAX(ID_BIEN) FROM " + GetNomTable("VKB", false) +
                      " GROUP BY REF_CALC ORDER BY 1");
        std::vector<unsigned> ids;
        for (query.Open(); !query.Eof(); query.Next())
            ids.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
        return ids;
    } catch (const std::exception& e) {
        throw EUser(HOST_CLOSING_LOC(), e);
    }
}

void Run(unsigned long code, const std::string& sql) {
    if (!VK_ExecSQL(code, sql, "")) throw EngineReportedFailure("La clôture n'a pas pu être enregistrée");
}

}  // namespace

void CheckNextYearEnd(const CDossier& dossier, const TDateTime& nextEnd) {
    const TDateTime nextStart = dossier.DateFinExercice + 1;
    const TDateTime latest = AjouteMois(nextStart, 24) - 1;
    if (nextEnd < nextStart || nextEnd > latest)
        throw InvalidInput("--next-end : l'exercice suivant commence le " + vketat::DateFrancaise(nextStart) +
                           " et doit finir au plus tard le " + vketat::DateFrancaise(latest) +
                           " (24 mois), pas le " + vketat::DateFrancaise(nextEnd));
}

TDateTime NextYearEnd(const CDossier& dossier, const std::optional<TDateTime>& asked) {
    const TDateTime nextStart = dossier.DateFinExercice + 1;
    const std::vector<ExerciceFiscal>& years = dossier.Exercices();
    const auto recorded = std::find_if(years.begin(), years.end(),
                                       [&](const ExerciceFiscal& year) { return year.Debut == nextStart; });
    if (!asked) return recorded != years.end() ? recorded->Fin : AjouteMois(nextStart, 12) - 1;
    CheckNextYearEnd(dossier, *asked);
    if (recorded != years.end() && recorded->Fin != *asked)
        throw InvalidInput("--next-end : l'exercice suivant est déjà enregistré, du " +
                           vketat::DateFrancaise(recorded->Debut) + " au " +
                           vketat::DateFrancaise(recorded->Fin) + " ; sa fin ne peut pas changer");
    return *asked;
}

ClosingResult CloseYear(CDossier& dossier, CBarre* bar, const TDateTime* nextEnd) {
    ClosingResult result;
    const std::vector<unsigned> ids = LatestVersions(dossier);
    if (bar) bar->SetRange(0, static_cast<int>(ids.size()));
    for (unsigned id : ids) {
        // The engine shows a failure and carries on; the whole closing will be rolled back, so the
        // first failure ends it rather than one message per asset left to close.
        const uint64_t shownBefore = ExceptionsShown();
        cVK_Bien asset(id, "", nullptr, nullptr);
        ++result.assets;
        if (asset.Cloture()) ++result.closed;
        if (ExceptionsShown() != shownBefore)
            throw EngineReportedFailure("La clôture du bien " + asset.GetReference() + " a échoué");
        if (bar) bar->Next(asset.GetReference());
    }
    // Fiscal-year numbers are relative to the current year: they follow the switch.
    Run(HOST_CLOSING_LOC(), "DELETE FROM " + GetNomTable("VKU", false) + " WHERE EXERCICE<1");
    Run(HOST_CLOSING_LOC(), "UPDATE " + GetNomTable("VKU", false) + " SET EXERCICE=EXERCICE-1");
    Run(HOST_CLOSING_LOC(), "UPDATE " + GetNomTable("VKT", false) + " SET EXERCICE=EXERCICE-1");
    try {
        dossier.PasserExerciceSuivant(nextEnd);
    } catch (const EDossier&) {
        throw;  // the user's request refused (a next year recorded with another end)
    } catch (const std::exception& e) {
        throw EUser(HOST_CLOSING_LOC(), e);
    }
    return result;
}

}  // namespace vkhost
