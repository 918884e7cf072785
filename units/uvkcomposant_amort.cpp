// What a component owns of the depreciation engine and of the disposals: its plans, its units
// forecasts and its disposal record.
#include "units/uvkamortissement.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkuniteoeuvre.h"

cVK_Amortissement* cVK_Composant::GetAmort(VK_TypeAmort kind) const {
    return amortissements_ ? amortissements_->GetAmort(kind) : nullptr;
}

void cVK_Composant::SetCession(cVK_Cession* cession) {
    if (cession == cession_.get()) return;
    cession_.reset(cession);
    if (cession_) cession_->SetComposant(this);
    ClearCalculs();
}

void cVK_Composant::SetLstUOPrevue(cVK_LstUOPrevue* forecasts) {
    if (forecasts == uoPrevues_.get()) return;
    uoPrevues_.reset(forecasts);
    ClearCalculs();
}

void cVK_Composant::ClearCalculs() {
    if (amortissements_) amortissements_->ClearCalculs();
}
