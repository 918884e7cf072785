// The exit's totals over its assets and their components, and the tests that choose what the
// disposal screen shows. Assets are visited in list order, components in list order; a component
// without a disposal record counts for nothing.
#include <functional>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"

#define VK_UNIT vk::kUnitSortie
#define VK_LINE_BASE 1000
#include "units/vklocation.h"
// After the location macros, which it uses.
#include "units/uvkcession_interne.h"

using vkcession::Protege;

namespace {

// Calls `visit` for every component of every asset of the list, until it returns true; true
// when it did.
bool ChaqueComposant(const cVK_ListeBiens* assets, const std::function<bool(cVK_Composant*)>& visit) {
    for (int i = 0; assets && i < assets->Count(); ++i) {
        const cVK_ListeComposants* components = assets->Get(i)->GetListeComposants();
        for (int j = 0; components && j < components->Count(); ++j)
            if (visit(components->Get(j))) return true;
    }
    return false;
}

// Adds a term to a total that starts empty: an empty term counts as nothing, so that the total
// stays empty when every term is.
void Ajoute(CCurrency& total, const CCurrency& term) {
    if (!term.IsNull()) total += term;
}

}  // namespace

void cVK_Sortie::SetDateSortieQuandEcr(const TDateTime& date) {
    if (double(date) == double(DATE_ECR)) return;
    DATE_ECR = date;
    Modifie();
}

CCurrency cVK_Sortie::GetPrixHT() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        // A rate of 0 or less is no rate: the price is taken as it stands.
        if (PRIXHT.IsNull() || !(Devise.Taux > 0)) return PRIXHT;
        return DeviseConvToDef(Devise, PRIXHT);
    });
}

CCurrency cVK_Sortie::TotalCoutEntree() const {
    CCurrency total(0);
    try {
        for (int i = 0; i < biens_->Count(); ++i) total += biens_->Get(i)->CoutEntree();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

CCurrency cVK_Sortie::TotalPrixCession_Calc() const {
    CCurrency total(0);
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            if (const cVK_Cession* cession = component->GetCession()) total += cession->PRIX_CESSION_CALC;
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

CCurrency cVK_Sortie::TotalPrixCession_Sais() const {
    CCurrency total(0);
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            if (const cVK_Cession* cession = component->GetCession())
                total += cession->PRIX_CESSION_SAIS.IsNull() ? cession->PRIX_CESSION_CALC
                                                             : cession->PRIX_CESSION_SAIS;
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

CCurrency cVK_Sortie::GetTotalTvaAReverser() const {
    CCurrency total;
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            if (const cVK_Cession* cession = component->GetCession())
                Ajoute(total, cession->GetTvaAReverser());
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

// Under corporate tax a gain taxable at the reduced rate goes wholly to its own total. Otherwise
// the short-term parts are added up, and the long-term part goes to the total of its rate,
// compared exactly.
void cVK_Sortie::GetTotalPvMv(CCurrency* ct, CCurrency* ctExclueLt, CCurrency* lt0, CCurrency* lt8,
                              CCurrency* lt15, CCurrency* lt165, CCurrency* pvTauxReduitIS,
                              CCurrency* lt19) const {
    CCurrency totals[8] = {CCurrency(0), CCurrency(0), CCurrency(0), CCurrency(0),
                           CCurrency(0), CCurrency(0), CCurrency(0), CCurrency(0)};
    enum { kCT, kExclue, kLT0, kLT8, kLT15, kLT165, kReduit, kLT19 };
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            const cVK_Cession* cession = component->GetCession();
            if (!cession) return false;
            if (pCurDossier->DossierIS() && cession->PV_TAXABLE_TAUX_REDUIT) {
                CCurrency result;
                cession->GetPvMv(&result, nullptr, nullptr, nullptr, false, true, nullptr);
                totals[kReduit] += result;
                return false;
            }
            CCurrency shortTerm, excluded, longTerm;
            cession->GetPvMv(nullptr, &shortTerm, &excluded, &longTerm, true, false, nullptr);
            totals[kCT] += shortTerm;
            totals[kExclue] += excluded;
            const CCurrency& rate = cession->TAUX_IMPOSITION;
            const struct {
                double rate;
                int total;
            } byRate[] = {{0, kLT0}, {0.08, kLT8}, {0.15, kLT15}, {0.165, kLT165}, {0.19, kLT19}};
            for (const auto& slot : byRate)
                if (rate == CCurrency(slot.rate)) totals[slot.total] += longTerm;
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    CCurrency* outputs[8] = {ct, ctExclueLt, lt0, lt8, lt15, lt165, pvTauxReduitIS, lt19};
    for (int i = 0; i < 8; ++i)
        if (outputs[i]) *outputs[i] = totals[i];
}

CCurrency cVK_Sortie::TotalAmortUOouManu_Restants(bool uo) const {
    CCurrency total;
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            Ajoute(total, component->GetAmortUOouManu_RestantsSituation(uo));
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

CCurrency cVK_Sortie::TotalAmortUOouManu_Prevus(bool uo) const {
    CCurrency total;
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            Ajoute(total, component->GetAmortUOouManu_PrevusSituation(uo, DATE_FIN_UTILISATION));
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

CCurrency cVK_Sortie::TotalAmortUOouManu_Reels(bool uo) const {
    CCurrency total;
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            Ajoute(total, component->GetAmortUOouManu_ReelsSituation(uo, DATE_FIN_UTILISATION));
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total;
}

void cVK_Sortie::GetTotalDepreciations(CCurrency* ded, CCurrency* nonDed) const {
    CCurrency deductible(0), nonDeductible(0);
    try {
        ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            cVK_Amortissement* accounting = component->GetAmort(taComptable);
            if (!accounting || !component->GetEstDeprecieAOuv()) return false;
            deductible += accounting->GetCumulDeprecDedOuv(1);
            nonDeductible += accounting->GetCumulDeprecNonDedOuv(1);
            return false;
        });
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    if (ded) *ded = deductible;
    if (nonDed) *nonDed = nonDeductible;
}

// ---------------------------------------------------------------------------------------------
// Tests of the disposal screen

bool cVK_Sortie::ExistePlrsCompoCedes() const {
    return Protege(VK_LOC(), false, [&] {
        if (biens_->Count() > 1) return true;
        if (biens_->Count() == 0) return false;
        const cVK_Bien* asset = biens_->Get(0);
        return asset->TYPEBIEN == vbAncien && asset->GetListeComposants() &&
               asset->GetListeComposants()->Count() >= 2;
    });
}

bool cVK_Sortie::ExisteCompoAmortisEnUO() const {
    return Protege(VK_LOC(), false, [&] {
        return ChaqueComposant(
            biens_.get(), [](cVK_Composant* component) { return component->GetLstUOPrevue() != nullptr; });
    });
}

bool cVK_Sortie::ExisteCompoAmortisManu() const {
    return Protege(VK_LOC(), false, [&] {
        return ChaqueComposant(biens_.get(), [](cVK_Composant* component) {
            const cVK_Amortissement* tax = component->GetAmort(taFiscal);
            return tax && tax->GetMethode() == maManuel;
        });
    });
}

bool cVK_Sortie::ExisteCompoDeprecieAOuv() const {
    return Protege(VK_LOC(), false, [&] {
        return ChaqueComposant(biens_.get(),
                               [](cVK_Composant* component) { return component->GetEstDeprecieAOuv(); });
    });
}

bool cVK_Sortie::ExisteCompoAmortisDerog() const {
    return Protege(VK_LOC(), false, [&] {
        return ChaqueComposant(biens_.get(), [&](cVK_Composant* component) {
            return component->GetAmortDerogEstConcerne(DATESORTIE);
        });
    });
}
