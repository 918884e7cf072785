// vkhost schedule DIR REF: every plan of every component of an asset, as text or as the scenario
// report's asset (JSON).
#include <fmt/format.h>

#include <algorithm>
#include <sstream>

#include "host/commands/csv_writer.h"
#include "host/commands/list.h"
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

// The asset as the scenario report builds it, every section asked, at `at`.
AssetReport ReportSchedules(cVK_Bien& asset, const TDateTime& at, std::vector<std::string>& warnings) {
    AssetKey key;
    key.ref = asset.RefSais;
    key.refCalc = asset.GetRefCalc();
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i)
        key.componentRefCalcs.push_back(components->Get(i)->GetRefCalc());
    ReportOptions sections;
    sections.schedules = sections.tax = sections.disposals = true;
    return ReportAssetAt(asset, key, sections, at, warnings);
}

void WriteScheduleJson(const AssetReport& report, const std::vector<std::string>& warnings,
                       const TDateTime& at, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("at", at);
    json.Array("assets", std::vector<AssetReport>{report},
               [&](const AssetReport& asset) { WriteAssetJson(json, asset); });
    json.Array("warnings", warnings, [&](const std::string& warning) { json.String(warning); });
    json.EndObject();
    out << '\n';
}

// One line per schedule line of every plan, named as the JSON names them.
void WriteScheduleCsv(const AssetReport& report, std::ostream& out) {
    CsvWriter csv(out);
    csv.Header({"ref", "ref_calc", "component_ref_calc", "kind", "method", "year", "base", "charge",
                "prorata", "opening_depreciation", "opening_impairment_ded", "opening_impairment_nonded",
                "opening_nbv", "linear", "last", "stored"});
    for (const ComponentReport& component : report.components)
        for (const PlanReport& plan : component.plans)
            for (const ScheduleLineReport& line : plan.schedule.value_or(std::vector<ScheduleLineReport>{}))
                csv.Row(report.ref, report.ref_calc, component.ref_calc, plan.kind, plan.method, line.year,
                        line.base, line.charge, line.prorata, line.opening_depreciation,
                        line.opening_impairment_ded, line.opening_impairment_nonded, line.opening_nbv,
                        line.linear, line.last, line.stored);
}

}  // namespace

int RunSchedule(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    const OutputFormat format = ChosenFormat(options.json, options.csv);
    const TDateTime at = DateOption(options.at, session.Dossier().DateSituation);
    std::unique_ptr<cVK_Bien> asset = FindAsset(options);
    if (format != OutputFormat::Text) {
        std::vector<std::string> warnings;
        const AssetReport report = ReportSchedules(*asset, at, warnings);
        std::ostringstream text;  // written whole, once the engine has computed everything
        if (format == OutputFormat::Json)
            WriteScheduleJson(report, warnings, at, text);
        else
            WriteScheduleCsv(report, text);
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
