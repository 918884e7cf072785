#include "tests/support/engine_fixture.h"

#include "units/uvktables.h"
#include "units/uvkdetailsit.h"
#include "units/uvksortie.h"
#include "units/uvkuniteoeuvre.h"

namespace vktest {

void CreateEngineTables() { VK_CreerTables(""); }

EngineCase::EngineCase(const ParametresDossier& parameters) : file_(parameters) { CreateEngineTables(); }

cVK_Bien* EngineCase::NewAsset(const TDateTime& entry, const CCurrency& price, const UnicodeString& account) {
    auto asset = std::make_unique<cVK_Bien>(veInitialisation, "", nullptr, nullptr);
    cVK_Composant* component = asset->GetStructure();
    component->SetNumCompte(account);
    component->SetDateEntree(entry);
    component->SetDateMiseEnService(entry);
    cVK_DetailComposant* line = component->GetDetails()->AddNew();
    line->SetPrixAcquisOrigine(price);
    asset->BD_MAJ();
    assets_.push_back(std::move(asset));
    return assets_.back().get();
}

void SetPlan(cVK_Amortissement* plan, VK_MethodeAmort method, unsigned short months, const TDateTime& start) {
    plan->SetMethode(method);
    plan->SetDuree(months);
    if (!start.IsNull()) plan->SetPtDeDepart(start);
}

std::map<int, double> Charges(cVK_Amortissement* plan) {
    std::map<int, double> charges;
    plan->GetLstTabAmort()->CalculTableau();
    for (const auto& [year, line] : plan->GetLstTabAmort()->Lignes())
        charges[year] = line->GetDotation(TDateTime()).AsDouble();
    return charges;
}

}  // namespace vktest
