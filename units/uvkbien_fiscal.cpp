// The passenger-car reintegration of an asset: the share of the year's depreciation of a passenger
// car's cost above the tax ceiling (tax code art. 39-4).
#include "platform/plafonds.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvklistes.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 5000
#include "units/vklocation.h"

namespace {

bool VoitureTourisme(const cVK_Vehicule* vehicle) {
    return vehicle && vehicle->TYPEVEH == vtVoitureTourisme;
}

// Sums the amount of every concerned component; an empty amount adds nothing.
template <typename F>
CCurrency SommeConcernes(const cVK_ListeComposants* components, F amount) {
    CCurrency sum;
    for (int i = 0; components && i < components->Count(); ++i) {
        cVK_Composant* component = components->Get(i);
        if (!component->GetReintDefEstConcerneVehTourisme()) continue;
        const CCurrency value = amount(component);
        if (!value.IsNull()) sum = sum.IsNull() ? value : sum + value;
    }
    return sum;
}

}  // namespace

bool cVK_Bien::GetReintDefEstConcerne() const {
    if (!VoitureTourisme(vehicule_.get()) || !composants_) return false;
    for (int i = 0; i < composants_->Count(); ++i)
        if (composants_->Get(i)->GetReintDefEstConcerneVehTourisme()) return true;
    return false;
}

CCurrency cVK_Bien::GetReintDefBaseMaxi() const {
    try {
        if (!GetReintDefEstConcerne()) return CCurrency();
        const cVK_Composant* structure = GetStructure();
        return GetPlafondAmort(vehicule_->DATEPREMIMMAT, structure ? structure->DATEENTREE : TDateTime(),
                               vehicule_->TAUXCO2, vehicule_->POUR_VEH_NORME_WLTP);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_Bien::GetReintDefCoutEntree() const {
    if (!GetReintDefEstConcerne()) return CCurrency();
    return SommeConcernes(composants_.get(), [](cVK_Composant* c) { return c->GetPrixHT(); });
}

CCurrency cVK_Bien::GetDotationReintDef(const TDateTime& date) const {
    if (!GetReintDefEstConcerne()) return CCurrency();
    return SommeConcernes(composants_.get(), [&](cVK_Composant* c) { return c->GetDotationReintDef(date); });
}

CCurrency cVK_Bien::GetReintDef(const TDateTime& date) const {
    try {
        if (!GetReintDefEstConcerne()) return CCurrency();
        const CCurrency cost = GetReintDefCoutEntree();
        if (cost.IsNull()) return CCurrency();
        const CCurrency ceiling = GetReintDefBaseMaxi();
        if (cost == CCurrency(0)) return CCurrency(0);
        // Without a first registration date (or an entry date) no ceiling can be told: nothing is
        // computed, rather than the whole allocation taken as above a ceiling of 0.
        if (ceiling.IsNull()) return CCurrency();
        if (cost <= ceiling) return CCurrency(0);  // within the ceiling
        const double allocation = GetDotationReintDef(date).AsDouble();
        const CCurrency share = CCurrency(allocation) - (allocation * ceiling) / cost.AsDouble();
        return share > CCurrency(0) ? share : CCurrency(0);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_Bien::GetReintegrVoitTourisme() const {
    try {
        if (!VoitureTourisme(vehicule_.get()) || vehicule_->DATEPREMIMMAT.IsNull() || !composants_)
            return CCurrency();
        const cVK_Composant* structure = GetStructure();
        const CCurrency ceiling =
            GetPlafondAmort(vehicule_->DATEPREMIMMAT, structure ? structure->DATEENTREE : TDateTime(),
                            vehicule_->TAUXCO2, vehicule_->POUR_VEH_NORME_WLTP);
        // Every component counts here, whatever its flags.
        CCurrency cost(0), allocation(0);
        for (int i = 0; i < composants_->Count(); ++i) {
            cVK_Composant* component = composants_->Get(i);
            cost += component->GetPrixHT();
            if (cVK_Amortissement* accounting = component->GetAmort(taComptable))
                allocation += accounting->GetDotation(TDateTime());
        }
        if (cost == CCurrency(0) || ceiling.IsNull() || cost <= ceiling) return CCurrency();
        return allocation * (cost - ceiling) / cost;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

// ---------------------------------------------------------------------------------------------
// Opening figures summed over the components (their accounting plans)

namespace {
template <typename F>
CCurrency SommePlansComptables(const cVK_ListeComposants* components, F amount) {
    CCurrency sum;
    for (int i = 0; components && i < components->Count(); ++i)
        if (cVK_Amortissement* accounting = components->Get(i)->GetAmort(taComptable)) sum += amount(accounting);
    return sum;
}
}  // namespace

CCurrency cVK_Bien::GetAmortComptaOuv() const {
    return SommePlansComptables(composants_.get(), [](cVK_Amortissement* plan) { return plan->GetCumulAmortOuv(1); });
}

CCurrency cVK_Bien::GetDepreciationOuv() const {
    return SommePlansComptables(composants_.get(), [](cVK_Amortissement* plan) {
        return plan->GetCumulDeprecNonDedOuv(1) + plan->GetCumulDeprecDedOuv(1);
    });
}

CCurrency cVK_Bien::GetVNCOuv() const {
    return SommePlansComptables(composants_.get(), [](cVK_Amortissement* plan) { return plan->GetVNCOuv(0); });
}
