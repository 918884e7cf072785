#include "host/scenario/build_register.h"

#include <string>

#include "host/scenario/fields.h"
#include "host/session.h"
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkuniteoeuvre.h"

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

std::string MethodName(int method) {
    return std::to_string(method) + " (" + std::string(VK_InfoMethode(method).DesignationLongue) + ")";
}

bool IsCopyMethod(int method) {
    return method == maIdemComptable || method == maIdemFiscal;
}

// A copy plan given without a start or a duration takes them from the plan it copies, as a form
// fills them in when the copy is chosen.
void CompleteCopyPlan(cVK_Composant& component, cVK_Amortissement& plan, const PlanInput& input) {
    cVK_Amortissement* source = component.GetAmort(input.method == maIdemComptable ? taComptable : taFiscal);
    if (!source || source == &plan || IsCopyMethod(source->METHODE)) return;
    if (input.start.IsNull()) {
        const TDateTime start = source->GetPtDeDepart();
        if (!start.IsNull()) plan.SetPtDeDepart(start);
    }
    if (input.duration == kNoDuration) plan.SetDuree(source->GetDuree());
}

// A plan the user could not have entered in a form is refused: a method the plan's kind or the
// component's dates do not allow, or a method whose duration is entered given none.
void CheckPlan(cVK_Amortissement& plan, const PlanInput& input, const std::string& path) {
    if (IsCopyMethod(input.method)) {
        if ((VK_InfoMethode(input.method).TypesAutorises & input.kind) != input.kind)
            fields::Fail(path + ".method", "la méthode " + MethodName(input.method) +
                                               " n'est pas permise pour un plan de ce type");
    } else if (!plan.MethodeValide(static_cast<VK_MethodeAmort>(input.method))) {
        fields::Fail(path + ".method",
                     "la méthode " + MethodName(input.method) + " n'est pas permise pour ce composant");
    }
    const VK_MethodeAmort applied = plan.GetMethode();
    if (VK_InfoMethode(applied).DureeImposee == 0 && plan.DUREE == kNoDuration)
        fields::Fail(path + ".duration", "la méthode " + MethodName(applied) + " demande une durée");
}

// The component keeps exactly the plans the scenario lists, each set as given.
void FillPlans(cVK_Composant& component, const std::vector<PlanInput>& plans, const std::string& path) {
    cVK_LstAmortissement* list = component.GetLstAmortissement();
    for (int i = list->Count() - 1; i >= 0; --i) {
        cVK_Amortissement* plan = list->Get(i);
        bool listed = false;
        for (const PlanInput& input : plans) listed = listed || input.kind == plan->TYPEAMORT;
        if (listed) continue;
        if (plan->ID != 0) plan->BD_Supprimer(false);
        list->Delete(plan);
        delete plan;
    }
    for (const PlanInput& input : plans) {
        const auto kind = static_cast<VK_TypeAmort>(input.kind);
        cVK_Amortissement* plan = list->GetAmort(kind);
        if (!plan) plan = list->AddNew(kind);
        plan->SetMethode(static_cast<VK_MethodeAmort>(input.method));
        plan->SetDuree(static_cast<unsigned short>(input.duration));
        if (!input.start.IsNull()) plan->SetPtDeDepart(input.start);
        if (input.residual) plan->SetValResiduelle(*input.residual);
        if (input.forced_opening.depreciation)
            plan->SetCumulAmortOuvForce(*input.forced_opening.depreciation);
        if (input.forced_opening.impairment_ded)
            plan->SetCumulDeprecDedOuvForce(*input.forced_opening.impairment_ded);
        if (input.forced_opening.impairment_nonded)
            plan->SetCumulDeprecNonDedOuvForce(*input.forced_opening.impairment_nonded);
        for (const YearAmountInput& amount : input.manual)
            if (cVK_LstUOPrevue* amounts = plan->GetLstManuel())
                amounts->AddNew(static_cast<short>(amount.year))->SetConsommation(amount.amount);
        plan->ClearCalculs();
    }
    list->Trie();
    // Judged once every plan is set: a copy, and the tax units method, depend on the other plan.
    for (size_t i = 0; i < plans.size(); ++i) {
        cVK_Amortissement* plan = list->GetAmort(static_cast<VK_TypeAmort>(plans[i].kind));
        if (IsCopyMethod(plans[i].method)) CompleteCopyPlan(component, *plan, plans[i]);
    }
    for (size_t i = 0; i < plans.size(); ++i)
        CheckPlan(*list->GetAmort(static_cast<VK_TypeAmort>(plans[i].kind)), plans[i],
                  ItemPath(path + ".plans", i));
}

void FillUnits(cVK_Composant& component, const UnitsInput& input) {
    if (input.total) component.SetUO_ConsommationTotale(*input.total);
    component.SetUO_Designation(input.designation);
    if (input.forced_opening) component.SetUO_CumulConsoOuvForce(*input.forced_opening);
    if (input.forecasts.empty()) return;
    if (!component.GetLstUOPrevue())
        component.SetLstUOPrevue(new cVK_LstUOPrevue(&component, component.GetBase()));
    for (const YearAmountInput& forecast : input.forecasts)
        component.GetLstUOPrevue()
            ->AddNew(static_cast<short>(forecast.year))
            ->SetConsommation(forecast.amount);
    component.ClearCalculs();
}

// What the user entered for a situation at a date, stored once the component has its reference.
void StoreSituations(cVK_Composant& component, const std::vector<SituationInput>& situations) {
    for (const SituationInput& input : situations) {
        std::unique_ptr<cVK_DetSituation> detail;
        if (input.kind == 0) {
            detail = std::make_unique<cVK_DetSituation>(&component, input.date);
        } else {
            cVK_Amortissement* plan = component.GetAmort(static_cast<VK_TypeAmort>(input.kind));
            if (!plan)
                throw InvalidInput("Situation d'un plan absent (type " + std::to_string(input.kind) + ")");
            detail = std::make_unique<cVK_DetSituation>(plan, input.date);
        }
        detail->SetValActuelle(input.current_value);
        detail->SetDeprecNonDed(input.impairment_nonded);
        detail->SetDeprecRepriseMax(input.max_reversal);
        detail->SetDotationManuelleForc(input.manual_charge);
        detail->SetUO_QuantiteForc(input.units);
        if (!detail->BD_MAJ())
            throw EngineReportedFailure("Le détail de situation n'a pas pu être enregistré");
    }
    if (!situations.empty()) component.ClearCalculs();
}

void FillComponent(cVK_Composant& component, const ComponentInput& input, const std::string& path) {
    component.SetNumCompte(pCurDossier->DossierCompleteCompte(input.account, true));
    component.SetDateEntree(input.entry_date);
    component.SetDateMiseEnService(input.service_date);
    component.SetTypeEntree(input.entry_type);
    component.SetDesignation(input.designation);
    component.SetIsAmortNonDeductible(input.non_deductible);
    component.POUR_CALC_REINT_AMORT = input.car_reintegration;
    component.Modifie();
    if (component.GetDetails())
        for (const DetailInput& detail : input.details) FillDetail(*component.GetDetails()->AddNew(), detail);
    if (input.plans) FillPlans(component, *input.plans, path);
    if (input.units) FillUnits(component, *input.units);
    if (input.forced.derogatory_opening) component.SetAmortDerogOuvForce(*input.forced.derogatory_opening);
    if (input.forced.temporary_reintegration_opening)
        component.SetReintTmpOuvForce(*input.forced.temporary_reintegration_opening);
}

}  // namespace

BuiltAsset BuildAsset(const AssetInput& input, const std::string& path) {
    BuiltAsset built;
    // Written at the save below, one insert per object, rather than inserted and then updated.
    built.asset = std::make_unique<cVK_Bien>(static_cast<VK_Etats>(input.state), "", nullptr, nullptr,
                                             VK_Insertion::AuPremierEnregistrement);
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
        FillComponent(*component, input.components[i], ItemPath(path + ".components", i));
        built.components.push_back(component);
    }
    list->Trie();
    if (!asset.BD_MAJ()) throw EngineReportedFailure("Le bien " + input.ref + " n'a pas pu être enregistré");
    for (size_t i = 0; i < input.components.size(); ++i)
        StoreSituations(*built.components[i], input.components[i].situations);
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
