// vkhost schedule DIR REF: every plan of every component of an asset, as text or as the scenario
// report's asset (JSON).
#include <fmt/format.h>

#include <algorithm>
#include <sstream>

#include "host/commands/screen_format.h"
#include "host/commands/stored_case.h"
#include "host/json/writer.h"
#include "host/report/build.h"
#include "host/report/to_json.h"
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
    json.Array("assets", std::vector<AssetReport>{report},
               [&](const AssetReport& asset) { WriteAssetJson(json, asset); });
    json.Array("warnings", warnings, [&](const std::string& warning) { json.String(warning); });
    json.EndObject();
    out << '\n';
}

}  // namespace

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

}  // namespace vkhost
