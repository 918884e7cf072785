// The asset's entries: each generator asks every component, in list order. A failure skips the
// asset's remaining components and is shown; generation goes on with the next asset.
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkecritures.h"
#include "units/uvklistes.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 10000
#include "units/vklocation.h"

namespace {

template <typename Generator>
void PourChaqueComposant(const cVK_ListeComposants* components, unsigned long code, Generator generate) {
    try {
        for (int i = 0; components && i < components->Count(); ++i) generate(*components->Get(i));
    } catch (const std::exception& e) {
        vk::Display(code, e);
    }
}

}  // namespace

void cVK_Bien::GetEcritureDotation(cVK_ListEcr* list) const {
    PourChaqueComposant(composants_.get(), VK_LOC(),
                        [&](const cVK_Composant& c) { c.GetEcritureDotation(list, nullptr); });
}

void cVK_Bien::GetEcritureDerogatoire(cVK_ListEcr* list) const {
    PourChaqueComposant(composants_.get(), VK_LOC(),
                        [&](const cVK_Composant& c) { c.GetEcritureDerogatoire(list, nullptr); });
}

void cVK_Bien::GetEcritureDepreciation(cVK_ListEcr* list) const {
    PourChaqueComposant(composants_.get(), VK_LOC(),
                        [&](const cVK_Composant& c) { c.GetEcritureDepreciation(list, nullptr); });
}

void cVK_Bien::GetEcritureSortie(cVK_ListEcr* list) const {
    PourChaqueComposant(composants_.get(), VK_LOC(),
                        [&](const cVK_Composant& c) { c.GetEcritureSortie(list); });
}

void cVK_Bien::GetEcritureVirement(cVK_ListEcr* list) const {
    PourChaqueComposant(composants_.get(), VK_LOC(),
                        [&](const cVK_Composant& c) { c.GetEcritureVirement(list); });
}

void cVK_Bien::GetEcritureMiseAuxNormes(cVK_ListEcr* list) const {
    PourChaqueComposant(composants_.get(), VK_LOC(),
                        [&](const cVK_Composant& c) { c.GetEcritureMiseAuxNormes(list); });
}
