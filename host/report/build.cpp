#include "host/report/build.h"

#include <fmt/format.h>

#include "host/scenario/build_exits.h"
#include "platform/dossier.h"
#include "platform/plafonds.h"
#include "units/uvkamortissement.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"

namespace vkhost {

namespace {

std::vector<ScheduleLineReport> ReportSchedule(cVK_Amortissement& plan) {
    std::vector<ScheduleLineReport> lines;
    cVK_LstTabAmort* schedule = plan.GetLstTabAmort();
    schedule->CalculTableau();
    for (const auto& [year, line] : schedule->Lignes()) {
        ScheduleLineReport report;
        report.year = year;
        report.base = line->GetBaseAmortissableEx();
        report.charge = line->GetDotation(TDateTime());
        report.prorata = line->GetProrata();
        report.opening_depreciation = line->GetCumulAmortOuv(1);
        report.opening_impairment_ded = line->GetCumulDeprecDedOuv(1);
        report.opening_impairment_nonded = line->GetCumulDeprecNonDedOuv(1);
        report.opening_nbv = line->GetVNCOuv(0);
        report.linear = line->GetLin();
        report.last = line->GetDernierAmort();
        report.stored = line->IsStocke();
        lines.push_back(std::move(report));
    }
    return lines;
}

// A passenger car whose ceiling depends on a CO2 rate nobody entered.
bool MissingCo2(const cVK_Bien& asset) {
    const cVK_Vehicule* vehicle = asset.GetVehicule();
    if (!vehicle || vehicle->TYPEVEH != vtVoitureTourisme || vehicle->TAUXCO2 != VK_IntNull) return false;
    bool missing = false;
    const cVK_Composant* structure = asset.GetStructure();
    GetPlafondAmort(vehicle->DATEPREMIMMAT, structure ? structure->DATEENTREE : TDateTime(), vehicle->TAUXCO2,
                    vehicle->POUR_VEH_NORME_WLTP, &missing);
    return missing;
}

}  // namespace

AssetKey KeyOf(const BuiltAsset& built) {
    AssetKey key;
    key.ref = built.asset->RefSais;
    key.refCalc = built.asset->GetRefCalc();
    for (const cVK_Composant* component : built.components)
        key.componentRefCalcs.push_back(component->GetRefCalc());
    return key;
}

PlanReport ReportPlan(cVK_Amortissement& plan, const TDateTime& at, bool schedule) {
    PlanReport report;
    report.kind = plan.TYPEAMORT;
    report.method = plan.GetMethode();
    const double rate = plan.GetTaux();
    if (rate != CCurrency::NullDouble) report.rate = rate;
    report.coefficient = plan.GetCoef();
    report.start = plan.GetPtDeDepart();
    report.duration = plan.GetDuree();
    report.depreciable = plan.GetValAmortissable();
    if (schedule) report.schedule = ReportSchedule(plan);
    report.at.charge = plan.GetDotation(at);
    report.at.cumul = plan.GetCumulAmort(at);
    report.at.nbv = plan.GetVNC(at);
    return report;
}

ComponentTaxReport ReportComponentTax(cVK_Composant& component, const TDateTime& at) {
    ComponentTaxReport tax;
    DerogatoryReport& derogatory = tax.derogatory;
    derogatory.concerned = component.GetAmortDerogEstConcerne(at);
    derogatory.opening = component.GetAmortDerogOuv(1);
    derogatory.min = component.GetAmortDerogMini(at);
    derogatory.max = component.GetAmortDerogMaxi(at);
    derogatory.retained = component.GetAmortDerogRetenu(at);
    derogatory.balance = component.GetAmortDerog(at);
    component.GetAmortDerogEx(at, &derogatory.allocation, &derogatory.reversal, &derogatory.disposal_reversal,
                              nullptr);
    TemporaryReintegrationReport& temporary = tax.temporary_reintegration;
    temporary.opening = component.GetReintTmpOuv(1);
    temporary.balance = component.GetReintTmp(at);
    temporary.reintegrated = component.GetReintTmpReintDed(at, 0);
    temporary.deducted = component.GetReintTmpReintDed(at, 1);
    tax.definitive_reintegration = component.GetReintDef(at);
    return tax;
}

AssetReport ReportAssetAt(cVK_Bien& asset, const AssetKey& key, const ReportOptions& options,
                          const TDateTime& at, std::vector<std::string>& warnings) {
    AssetReport report;
    report.ref = key.ref;
    report.ref_calc = std::stoll(asset.GetRefCalc());
    report.state = asset.Etat;
    report.complement = asset.EtatCplmt;
    TIBQuery versions(pCurDossier->GetDatabaseFirebird());
    versions.SQL.Add("SELECT COUNT(*) FROM " + GetNomTable("VKB", false) +
                     " WHERE REF_CALC=" + asset.GetRefCalc());
    versions.Open();
    report.versions = versions.Fields(0)->AsInteger();
    versions.Close();
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (size_t index = 0; index < key.componentRefCalcs.size(); ++index) {
        cVK_Composant* component = nullptr;
        for (int i = 0; components && i < components->Count() && !component; ++i)
            if (components->Get(i)->GetRefCalc() == key.componentRefCalcs[index])
                component = components->Get(i);
        if (!component) continue;  // no longer in this version (disposed and closed)
        ComponentReport line;
        line.index = static_cast<int>(index);
        line.ref_calc = std::stoll(component->GetRefCalc());
        line.price = component->GetPrixHT();
        cVK_LstAmortissement* plans = component->GetLstAmortissement();
        for (int p = 0; plans && p < plans->Count(); ++p)
            line.plans.push_back(ReportPlan(*plans->Get(p), at, options.schedules));
        if (options.tax) line.tax = ReportComponentTax(*component, at);
        if (options.disposals && component->GetCession())
            line.disposal = ReportDisposal(*component->GetCession());
        report.components.push_back(std::move(line));
    }
    if (options.tax && asset.GetVehicule()) {
        CarReintegrationReport car;
        car.ceiling = asset.GetReintDefBaseMaxi();
        car.cost = asset.GetReintDefCoutEntree();
        car.reintegrated = asset.GetReintegrVoitTourisme();
        car.definitive = asset.GetReintDef(at);
        report.car_reintegration = car;
    }
    if (MissingCo2(asset))
        warnings.push_back(fmt::format(
            "Taux de CO2 inconnu pour le véhicule du bien {} : le plafond le plus bas est retenu", key.ref));
    return report;
}

}  // namespace vkhost
