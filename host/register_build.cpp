#include "host/register_build.h"

#include <string>

#include "host/session.h"
#include "platform/dossier.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"

namespace vkhost {

namespace {

void FillVehicle(cVK_Bien& asset, const VehicleInput& input) {
    cVK_Vehicule* vehicle = asset.CreeVehicule();
    vehicle->SetTypeVehicule(static_cast<VK_TypeVehicule>(input.type));
    vehicle->SetDatePremierImmatriculation(input.first_registration);
    vehicle->NUMIMMAT = input.registration;
    vehicle->TAUXCO2 = input.co2 ? *input.co2 : VK_IntNull;  // unknown: the integer sentinel
    vehicle->POUR_VEH_NORME_WLTP = input.wltp;
    vehicle->Modifie();
}

void FillDetail(cVK_DetailComposant& line, const DetailInput& input) {
    const CDevise currency(input.currency, input.rate);
    line.SetDevisePrixAcquisOrigine(currency);
    line.SetDeviseFraisAcquisOrigine(currency);
    // The recovered VAT is in euros unless the line is in francs.
    line.SetDeviseOrigineTva(input.currency == kCodeFranc ? vdtFranc : vdtEuro);
    line.SetPrixAcquisOrigine(input.price);
    line.SetFraisAcquisOrigine(input.costs);
    line.SetTVARecupereeOrigine(input.vat);
    line.SetFournisseur(input.supplier);
    line.SetDesignation(input.designation);
}

void FillComponent(cVK_Composant& component, const ComponentInput& input) {
    component.SetNumCompte(pCurDossier->DossierCompleteCompte(input.account, true));
    component.SetDateEntree(input.entry_date);
    component.SetDateMiseEnService(input.service_date);
    component.SetTypeEntree(input.entry_type);
    component.SetDesignation(input.designation);
    component.SetIsAmortNonDeductible(input.non_deductible);
    component.POUR_CALC_REINT_AMORT = input.car_reintegration;
    component.Modifie();
    if (!component.GetDetails()) return;
    for (const DetailInput& detail : input.details) FillDetail(*component.GetDetails()->AddNew(), detail);
}

}  // namespace

BuiltAsset BuildAsset(const AssetInput& input) {
    BuiltAsset built;
    built.asset = std::make_unique<cVK_Bien>(static_cast<VK_Etats>(input.state), "", nullptr, nullptr);
    cVK_Bien& asset = *built.asset;
    asset.RefSais = input.ref;
    asset.TYPEBIEN = input.type;
    asset.EtatCplmt = static_cast<VK_EtatsCplmt>(input.complement);
    asset.SetDesignation(input.designation);
    if (input.vehicle) FillVehicle(asset, *input.vehicle);
    cVK_ListeComposants* list = asset.GetListeComposants();
    if (!list) throw EngineReportedFailure("Le bien " + input.ref + " n'a pas pu être créé");
    for (size_t i = 0; i < input.components.size(); ++i) {
        cVK_Composant* component = i == 0 ? list->GetStructure() : list->AddNew();
        FillComponent(*component, input.components[i]);
        built.components.push_back(component);
    }
    list->Trie();
    if (!asset.BD_MAJ()) throw EngineReportedFailure("Le bien " + input.ref + " n'a pas pu être enregistré");
    return built;
}

AssetReport ReportAsset(const BuiltAsset& built) {
    const cVK_Bien& asset = *built.asset;
    AssetReport report;
    report.ref = asset.RefSais;
    report.ref_calc = std::stoll(asset.GetRefCalc());
    report.state = asset.Etat;
    report.complement = asset.EtatCplmt;
    TIBQuery versions(pCurDossier->GetDatabaseFirebird());
    versions.SQL.Add("SELECT COUNT(*) FROM " + cVK_Bien::NomTable("") +
                     " WHERE REF_CALC=" + asset.GetRefCalc());
    versions.Open();
    report.versions = versions.Fields(0)->AsInteger();
    for (size_t i = 0; i < built.components.size(); ++i) {
        const cVK_Composant* component = built.components[i];
        ComponentReport line;
        line.index = static_cast<int>(i);
        line.ref_calc = std::stoll(component->GetRefCalc());
        line.price = component->GetPrixHT();
        // Plans, tax and disposal figures join the report with the depreciation engine and the
        // disposals.
        report.components.push_back(std::move(line));
    }
    return report;
}

}  // namespace vkhost
