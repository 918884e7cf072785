#include "units/uvktables.h"

#include "platform/dossier.h"
#include "platform/messages.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvksortie.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 4000
#include "units/vklocation.h"

bool VK_CreerTables(const UnicodeString& base) {
    const uint64_t shownBefore = ExceptionsShown();
    try {
        if (vkchamps::EstDossier(base)) {
            // Groups, exits and vehicles before the assets that reference them; the assets before
            // their components; the components before their acquisition details.
            cVK_Ensemble::CreerBase();
            cVK_Sortie::CreerBase();
            cVK_Vehicule::CreerBase(base);
            cVK_Bien::CreerBase(base);
            cVK_Composant::CreerBase(base);
            cVK_DetailComposant::CreerBase();
            // Plans ("VKA"), schedule lines ("VKT"), disposals ("VKO"), forecasts ("VKU") and
            // situation details ("VKD") follow here, after the components, as their parts come in.
            pCurDossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
        } else {
            cVK_Vehicule::CreerBase(base);
            cVK_Bien::CreerBase(base);
            cVK_Composant::CreerBase(base);
            // Plans, forecasts and situation details follow here in a named database too.
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return ExceptionsShown() == shownBefore;
}
