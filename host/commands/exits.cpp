// vkhost exits DIR: the exits of a stored case file, each with its assets, its components' results
// and its totals of gains and losses.
#include <fmt/format.h>

#include <cstdlib>
#include <sstream>

#include "host/commands/screen_format.h"
#include "host/commands/stored_case.h"
#include "host/json/writer.h"
#include "host/report/to_json.h"
#include "host/scenario/build_exits.h"
#include "platform/dossier.h"
#include "platform/messages.h"
#include "units/uvkcession.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"

namespace vkhost {

namespace {

std::string Amount(const CCurrency& amount) {
    return ScreenAmount(amount);
}

std::vector<unsigned> StoredExits() {
    std::vector<unsigned> ids;
    if (!pCurDossier->TableExistFirebird(GetNomTable("VKS", false))) return ids;
    TIBQuery query(pCurDossier->GetDatabaseFirebird());
    query.SQL.SetText("SELECT ID_SORTIE FROM " + GetNomTable("VKS", false) + " ORDER BY ID_SORTIE");
    for (query.Open(); !query.Eof(); query.Next())
        ids.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
    return ids;
}

void PrintComponent(cVK_Composant& component, std::ostream& out) {
    const cVK_Cession* cession = component.GetCession();
    if (!cession) {
        out << fmt::format("    Composant {} : sans fiche de cession\n", Printable(component.GetReference()));
        return;
    }
    const DisposalReport figures = ReportDisposal(*cession);
    out << fmt::format(
        "    Composant {} {} : prix {} ; TVA à reverser {} ({}) ; valeur brute {} ; amortissements {} ; "
        "résultat {} (CT {}, LT {}, CT exclue du LT {})\n",
        Printable(component.GetReference()), Printable(component.Designation), Amount(figures.price),
        Amount(figures.vat_to_reverse), figures.vat_fraction.empty() ? "-" : figures.vat_fraction,
        Amount(figures.gross_value), Amount(figures.depreciation), Amount(figures.result),
        Amount(figures.short_term), Amount(figures.long_term), Amount(figures.excluded_long_term));
}

void PrintExit(const cVK_Sortie& exit, std::ostream& out) {
    const ExitReport totals = ReportExit(exit);
    out << fmt::format("Cession {} — {} : le {}, fin d'utilisation le {}, {} ; prix {}{}\n", exit.ID,
                       Printable(exit.Designation), ScreenDate(exit.DATESORTIE),
                       ScreenDate(exit.DATE_FIN_UTILISATION), exit.GetNomMotifSortie(), Amount(totals.price),
                       exit.TVA_DOIT_ETRE_REVERSEE ? ", TVA à reverser" : "");
    cVK_ListeBiens* assets = exit.GetListeBiens();
    for (int i = 0; i < assets->Count(); ++i) {
        cVK_Bien* asset = assets->Get(i);
        out << fmt::format("  Bien {} {} (version {}) : coût d'entrée {}\n", Printable(asset->GetReference()),
                           Printable(asset->Designation), asset->ID, Amount(asset->CoutEntree()));
        cVK_ListeComposants* components = asset->GetListeComposants();
        for (int j = 0; components && j < components->Count(); ++j) PrintComponent(*components->Get(j), out);
    }
    const ExitGainsReport& gains = totals.gains;
    out << fmt::format("  Total : coût d'entrée {} ; TVA à reverser {}\n", Amount(totals.total_cost),
                       Amount(totals.vat_to_reverse));
    out << fmt::format(
        "  Plus et moins-values : court terme {} ; CT exclue du LT {} ; long terme à 0 % {}, à 8 % {}, "
        "à 15 % {}, à 16,5 % {}, à 19 % {} ; imposable au taux réduit (IS) {}\n\n",
        Amount(gains.ct), Amount(gains.ct_excluded_lt), Amount(gains.lt0), Amount(gains.lt8),
        Amount(gains.lt15), Amount(gains.lt165), Amount(gains.lt19), Amount(gains.pv_reduced_rate_is));
}

// The exits as the scenario report writes them, then each asset they take out with its
// components' disposal figures (the report's `components[].disposal`).
void WriteExitsJson(const std::vector<unsigned>& ids, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Key("exits");
    json.BeginArray();
    for (unsigned id : ids) WriteExitJson(json, ReportExit(cVK_Sortie(id)));
    json.EndArray();
    json.Key("assets");
    json.BeginArray();
    for (unsigned id : ids) {
        const cVK_Sortie exit(id);
        cVK_ListeBiens* assets = exit.GetListeBiens();
        for (int i = 0; i < assets->Count(); ++i) {
            cVK_Bien* asset = assets->Get(i);
            json.BeginObject();
            json.Field("exit", static_cast<long long>(id));
            json.Field("ref", asset->RefSais);
            json.Field("ref_calc", std::stoll(asset->GetRefCalc()));
            json.Key("components");
            json.BeginArray();
            cVK_ListeComposants* components = asset->GetListeComposants();
            for (int j = 0; components && j < components->Count(); ++j) {
                cVK_Composant* component = components->Get(j);
                json.BeginObject();
                json.Field("ref_calc", std::stoll(component->GetRefCalc()));
                if (const cVK_Cession* cession = component->GetCession()) {
                    json.Key("disposal");
                    WriteDisposalJson(json, ReportDisposal(*cession));
                }
                json.EndObject();
            }
            json.EndArray();
            json.EndObject();
        }
    }
    json.EndArray();
    json.EndObject();
    out << '\n';
}

}  // namespace

int RunExits(const ExitsOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    const std::vector<unsigned> ids = StoredExits();
    if (options.json) {
        std::ostringstream text;  // written whole, once the engine has computed everything
        WriteExitsJson(ids, text);
        FailIfEngineShowedErrors(shownBefore, "Cessions");
        out << text.str();
        return kExitOk;
    }
    if (ids.empty()) out << "Aucune cession.\n";
    for (unsigned id : ids) {
        const cVK_Sortie exit(id);
        PrintExit(exit, out);
    }
    FailIfEngineShowedErrors(shownBefore, "Cessions");
    return kExitOk;
}

}  // namespace vkhost
