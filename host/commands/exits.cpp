// vkhost exits DIR: the exits of a stored case file, each with its assets, its components' results
// and its totals of gains and losses; then the disposal records that belong to no exit.
#include <fmt/format.h>

#include <cstdlib>
#include <sstream>

#include "host/commands/csv_writer.h"
#include "host/commands/list.h"
#include "host/commands/screen_format.h"
#include "host/commands/stored_case.h"
#include "host/json/writer.h"
#include "host/report/to_json.h"
#include "host/scenario/build_exits.h"
#include "platform/dossier.h"
#include "platform/messages.h"
#include "units/uvkbien.h"
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

// The asset versions holding disposal records that belong to no exit: the version names none, or
// an exit that no longer exists (removed by another program). Their figures are still computed and
// reported, so that nothing recorded stays out of sight.
std::vector<unsigned> VersionsWithDisposalsOutsideExits() {
    std::vector<unsigned> ids;
    if (!pCurDossier->TableExistFirebird(GetNomTable("VKO", false))) return ids;
    const UnicodeString exits = GetNomTable("VKS", false);
    TIBQuery query(pCurDossier->GetDatabaseFirebird());
    query.SQL.SetText("SELECT DISTINCT B.ID_BIEN FROM " + GetNomTable("VKO", false) + " O JOIN " +
                      GetNomTable("VKC", false) + " C ON C.ID_COMPO=O.ID_COMPO JOIN " +
                      GetNomTable("VKB", false) +
                      " B ON B.ID_BIEN=C.ID_BIEN WHERE B.ID_SORTIE IS NULL OR NOT EXISTS (SELECT 1 FROM " +
                      exits + " S WHERE S.ID_SORTIE=B.ID_SORTIE) ORDER BY B.ID_BIEN");
    for (query.Open(); !query.Eof(); query.Next())
        ids.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
    return ids;
}

// Calls `visit(component, cession)` for each component of `asset` that has a disposal record.
template <class Visit>
void ForEachDisposal(cVK_Bien& asset, Visit visit) {
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int j = 0; components && j < components->Count(); ++j)
        if (const cVK_Cession* cession = components->Get(j)->GetCession())
            visit(*components->Get(j), *cession);
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

void PrintOutsideExits(const std::vector<unsigned>& versions, std::ostream& out) {
    out << "Fiches de cession hors de toute sortie :\n";
    for (unsigned id : versions) {
        cVK_Bien asset(id, "", nullptr, nullptr);
        out << fmt::format("  Bien {} {} (version {})\n", Printable(asset.GetReference()),
                           Printable(asset.Designation), asset.ID);
        ForEachDisposal(
            asset, [&](cVK_Composant& component, const cVK_Cession&) { PrintComponent(component, out); });
    }
}

// An asset with its components' disposal figures (the report's `components[].disposal`); `exit`
// names its exit, 0 for none.
void WriteAssetDisposalsJson(JsonWriter& json, cVK_Bien& asset, unsigned exit) {
    json.BeginObject();
    if (exit != 0) json.Field("exit", static_cast<long long>(exit));
    json.Field("ref", asset.RefSais);
    json.Field("ref_calc", std::stoll(asset.GetRefCalc()));
    if (exit == 0) json.Field("version", static_cast<long long>(asset.ID));
    json.Key("components");
    json.BeginArray();
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int j = 0; components && j < components->Count(); ++j) {
        cVK_Composant* component = components->Get(j);
        const cVK_Cession* cession = component->GetCession();
        if (exit == 0 && !cession) continue;
        json.BeginObject();
        json.Field("ref_calc", std::stoll(component->GetRefCalc()));
        if (cession) {
            json.Key("disposal");
            WriteDisposalJson(json, ReportDisposal(*cession));
        }
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

// The exits as the scenario report writes them, each asset they take out with its components'
// disposal figures, then the disposal records outside any exit.
void WriteExitsJson(const std::vector<unsigned>& ids, const std::vector<unsigned>& outside,
                    std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Array("exits", ids, [&](unsigned id) { WriteExitJson(json, ReportExit(cVK_Sortie(id))); });
    json.Key("assets");
    json.BeginArray();
    for (unsigned id : ids) {
        const cVK_Sortie exit(id);
        cVK_ListeBiens* assets = exit.GetListeBiens();
        for (int i = 0; i < assets->Count(); ++i) WriteAssetDisposalsJson(json, *assets->Get(i), id);
    }
    json.EndArray();
    json.Array("disposals_outside_exits", outside, [&](unsigned version) {
        cVK_Bien asset(version, "", nullptr, nullptr);
        WriteAssetDisposalsJson(json, asset, 0);
    });
    json.EndObject();
    out << '\n';
}

// One line per disposed component, its exit first (empty outside any exit), the JSON's disposal
// figures.
void WriteExitsCsv(const std::vector<unsigned>& ids, const std::vector<unsigned>& outside,
                   std::ostream& out) {
    CsvWriter csv(out);
    csv.Header({"exit", "ref", "ref_calc", "component_ref_calc", "price", "vat_fraction", "vat_to_reverse",
                "gross_value", "depreciation", "result", "short_term", "long_term", "excluded_long_term"});
    const auto rows = [&](cVK_Bien& asset, const std::string& exit) {
        ForEachDisposal(asset, [&](cVK_Composant& component, const cVK_Cession& cession) {
            const DisposalReport d = ReportDisposal(cession);
            csv.Row(exit, asset.RefSais, asset.GetRefCalc(), component.GetRefCalc(), d.price, d.vat_fraction,
                    d.vat_to_reverse, d.gross_value, d.depreciation, d.result, d.short_term, d.long_term,
                    d.excluded_long_term);
        });
    };
    for (unsigned id : ids) {
        const cVK_Sortie exit(id);
        cVK_ListeBiens* assets = exit.GetListeBiens();
        for (int i = 0; i < assets->Count(); ++i) rows(*assets->Get(i), std::to_string(id));
    }
    for (unsigned version : outside) {
        cVK_Bien asset(version, "", nullptr, nullptr);
        rows(asset, "");
    }
}

}  // namespace

int RunExits(const ExitsOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    const OutputFormat format = ChosenFormat(options.json, options.csv);
    const std::vector<unsigned> ids = StoredExits();
    const std::vector<unsigned> outside = VersionsWithDisposalsOutsideExits();
    std::ostringstream text;  // written whole, once the engine has computed everything
    if (format == OutputFormat::Json) {
        WriteExitsJson(ids, outside, text);
    } else if (format == OutputFormat::Csv) {
        WriteExitsCsv(ids, outside, text);
    } else {
        if (ids.empty() && outside.empty()) text << "Aucune cession.\n";
        for (unsigned id : ids) PrintExit(cVK_Sortie(id), text);
        if (!outside.empty()) PrintOutsideExits(outside, text);
    }
    FailIfEngineShowedErrors(shownBefore, "Cessions");
    out << text.str();
    return kExitOk;
}

}  // namespace vkhost
