// vkhost close-year DIR: the current fiscal year closed for every asset, after a summary and a
// confirmation on a terminal, or only shown (--dry-run).
#include <fmt/format.h>

#include <iostream>
#include <optional>
#include <string>

#include <unistd.h>

#include "host/commands/closing.h"
#include "host/commands/screen_format.h"
#include "host/commands/stored_case.h"
#include "host/commands/user_date.h"
#include "platform/barre.h"
#include "units/uvkdivers.h"
#include "units/uvketat_sortie.h"

namespace vkhost {

namespace {

// What a closing of the current year would close: the assets (latest versions) and those of them
// still in progress (neither validated nor closed).
std::string ClosingSummary(CDossier& dossier, const TDateTime& nextEnd) {
    const UnicodeString table = GetNomTable("VKB", false);
    TIBQuery query(dossier.GetDatabaseFirebird());
    query.SQL.SetText("SELECT COUNT(*), SUM(CASE WHEN B.VALIDER=1 OR B.CLOTURER=1 THEN 0 ELSE 1 END) FROM " +
                      table + " B WHERE B.ID_BIEN=(SELECT MAX(L.ID_BIEN) FROM " + table +
                      " L WHERE L.REF_CALC=B.REF_CALC)");
    query.Open();
    const long long assets = query.Fields(0)->AsInt64();
    const long long inProgress = query.Fields(1)->IsNull() ? 0 : query.Fields(1)->AsInt64();
    query.Close();
    return fmt::format(
        "Clôture de l'exercice du {} au {} : {} biens, dont {} encore en cours (non validés).\n"
        "Exercice suivant : du {} au {}.",
        vketat::DateFrancaise(dossier.DateDebutExercice), vketat::DateFrancaise(dossier.DateFinExercice),
        assets, inProgress, vketat::DateFrancaise(dossier.DateFinExercice + 1),
        vketat::DateFrancaise(nextEnd));
}

// On a terminal, the user confirms the closing; scripts (no terminal) and --yes are not asked.
bool ConfirmedOnTerminal(const std::string& summary) {
    if (!isatty(STDIN_FILENO)) return true;
    std::cerr << summary << "\nClôturer cet exercice ? Il ne pourra plus être modifié. [o/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "o" || answer == "O" || answer == "oui" || answer == "Oui";
}

}  // namespace

int RunCloseYear(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    std::optional<TDateTime> asked;
    if (!options.nextEnd.empty()) asked = ReadDateOption(options.nextEnd, "--next-end");
    session.Open(options.directory);
    const TDateTime nextEnd = NextYearEnd(session.Dossier(), asked);
    if (options.dryRun) {
        out << ClosingSummary(session.Dossier(), nextEnd) << "\nSimulation : rien n'a été modifié.\n";
        return kExitOk;
    }
    if (!options.yes && !ConfirmedOnTerminal(ClosingSummary(session.Dossier(), nextEnd))) {
        std::cerr << "Clôture abandonnée : rien n'a été modifié.\n";
        return kExitInvalid;
    }
    AnnounceDatabase(session);
    const TDateTime closedStart = session.Dossier().DateDebutExercice,
                    closedEnd = session.Dossier().DateFinExercice;
    ClosingResult result;
    session.RunAction([&] {
        CBarre bar("Clôture");
        result = CloseYear(session.Dossier(), &bar, &nextEnd);
    });
    out << fmt::format("Exercice du {} au {} clôturé : {} biens, {} clôturés.\n", ScreenDate(closedStart),
                       ScreenDate(closedEnd), result.assets, result.closed);
    out << fmt::format("Exercice courant : du {} au {} ; date de situation {}.\n",
                       ScreenDate(session.Dossier().DateDebutExercice),
                       ScreenDate(session.Dossier().DateFinExercice),
                       ScreenDate(session.Dossier().DateSituation));
    return kExitOk;
}

}  // namespace vkhost
