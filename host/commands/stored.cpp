#include "host/commands/stored.h"
#include "host/commands/screen_format.h"

#include <fmt/format.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include <unistd.h>

#include "host/commands/closing.h"
#include "host/commands/user_date.h"
#include "host/json/writer.h"
#include "host/report/build.h"
#include "host/report/to_json.h"
#include "platform/barre.h"
#include "platform/messages.h"
#include "units/uvkamortissement.h"
#include "units/uvkdivers.h"
#include "units/uvketat_sortie.h"
#include "units/uvklistes.h"

namespace vkhost {

namespace {

// A rate as people read it: 33,3333 %.
std::string DecimalComma(std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::unique_ptr<cVK_Bien> FindAsset(const StoredCaseOptions& options) {
    std::unique_ptr<cVK_Bien> asset = LoadAssetByReference(options.reference);
    if (!asset) throw InvalidInput("REF: aucun bien de référence \"" + options.reference + "\"");
    return asset;
}

void PrintPlan(cVK_Amortissement& plan, const TDateTime& at, std::ostream& out) {
    const PlanReport report = ReportPlan(plan, at, true);
    out << fmt::format(
        "  Plan {} : {} ; départ {} ; durée {} ; taux {} ; valeur amortissable {}\n",
        plan.GetDesignTypeAmort(), plan.GetDesignationMethode(), ScreenDate(report.start),
        report.duration == 65535 ? std::string("-") : std::to_string(report.duration) + " mois",
        report.rate ? DecimalComma(fmt::format("{:.4f} %", *report.rate)) : "-",
        ScreenAmount(report.depreciable));
    out << fmt::format("  {:>9} {:>10} {:>14} {:>14} {:>14} {:>14} {:>13}  {}\n", "Exercice", "Clôture",
                       "Base", "Dotation", "Cumul ouv.", "VNC ouv.", "Prorata", "");
    for (const ScheduleLineReport& line : *report.schedule) {
        TDateTime end;
        pCurDossier->DonnerDatesDebEtFin(line.year, false, nullptr, &end);
        std::string flags;
        if (line.stored) flags += " figé";
        if (line.linear) flags += " linéaire";
        if (line.last) flags += " dernier";
        out << fmt::format("  {:>9} {:>10} {:>14} {:>14} {:>14} {:>14} {:>13} {}\n", line.year,
                           ScreenDate(end), ScreenAmount(line.base), ScreenAmount(line.charge),
                           ScreenAmount(line.opening_depreciation), ScreenAmount(line.opening_nbv),
                           line.prorata, flags);
    }
    out << fmt::format("  Au {} : dotation {}, cumul {}, VNC {}\n\n", ScreenDate(at),
                       ScreenAmount(report.at.charge), ScreenAmount(report.at.cumul),
                       ScreenAmount(report.at.nbv));
}

// The asset as the scenario report writes it, every section asked, at `at`.
void WriteScheduleJson(cVK_Bien& asset, const TDateTime& at, std::ostream& out) {
    AssetKey key;
    key.ref = asset.RefSais;
    key.refCalc = asset.GetRefCalc();
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i)
        key.componentRefCalcs.push_back(components->Get(i)->GetRefCalc());
    ReportOptions sections;
    sections.schedules = sections.tax = sections.disposals = true;
    std::vector<std::string> warnings;
    const AssetReport report = ReportAssetAt(asset, key, sections, at, warnings);
    JsonWriter json(out);
    json.BeginObject();
    json.Field("at", at);
    json.Key("assets");
    json.BeginArray();
    WriteAssetJson(json, report);
    json.EndArray();
    json.Key("warnings");
    json.BeginArray();
    for (const std::string& warning : warnings) json.String(warning);
    json.EndArray();
    json.EndObject();
    out << '\n';
}

}  // namespace

TDateTime DateOption(const UnicodeString& text, const TDateTime& byDefault) {
    return text.empty() ? byDefault : ReadDateOption(text, "--at");
}

std::string Printable(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            shown += fmt::format("\\u{:04X}", c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            shown += fmt::format("\\u{:04X}", next);
            ++i;
        } else {
            shown += char(c);
        }
    }
    return shown;
}

void AnnounceDatabase(Session& session) {
    std::cerr << "Base ouverte : " << session.Dossier().NomBase() << std::endl;
}

void FailIfEngineShowedErrors(uint64_t shownBefore, const char* what) {
    if (ExceptionsShown() != shownBefore)
        throw EngineReportedFailure(
            fmt::format("{} : le moteur a signalé une erreur, l'affichage est incomplet", what));
}

int RunSchedule(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    const TDateTime at = DateOption(options.at, session.Dossier().DateSituation);
    std::unique_ptr<cVK_Bien> asset = FindAsset(options);
    if (options.json) {
        std::ostringstream text;  // written whole, once the engine has computed everything
        WriteScheduleJson(*asset, at, text);
        FailIfEngineShowedErrors(shownBefore, "Échéancier");
        out << text.str();
        return kExitOk;
    }
    out << fmt::format("Bien {} — {} (version {}, état {})\n\n", Printable(asset->GetReference()),
                       Printable(asset->Designation), asset->ID, asset->GetEtat());
    cVK_ListeComposants* components = asset->GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i) {
        cVK_Composant* component = components->Get(i);
        out << fmt::format("Composant {} {} — compte {}, entré le {}, prix {}\n",
                           Printable(component->GetReference()), Printable(component->Designation),
                           component->NUMCOMPTE, ScreenDate(component->DATEENTREE),
                           ScreenAmount(component->GetPrixHT()));
        cVK_LstAmortissement* plans = component->GetLstAmortissement();
        for (int p = 0; plans && p < plans->Count(); ++p) PrintPlan(*plans->Get(p), at, out);
    }
    FailIfEngineShowedErrors(shownBefore, "Échéancier");
    return kExitOk;
}

int RunValidate(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    AnnounceDatabase(session);
    std::string reference;
    session.RunAction([&] {
        std::unique_ptr<cVK_Bien> asset = FindAsset(options);
        reference = Printable(asset->GetReference());
        asset->Valider(static_cast<VK_EtatsCplmt>(options.complement));
    });
    out << "Bien " << reference << " validé.\n";
    return kExitOk;
}

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
