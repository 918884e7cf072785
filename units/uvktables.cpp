#include "units/uvktables.h"

#include "platform/dossier.h"
#include "platform/messages.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvksortie.h"
#include "units/uvkuniteoeuvre.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 4000
#include "units/vklocation.h"

// Indexes added after the tables first shipped. The lookups by entered reference check every new
// asset's and component's calculated reference against the references users entered: without an
// index each reads the whole table, and creating the N-th asset costs more than the first.
bool VK_CreerIndex() {
    struct Index {
        const char* name;
        const char* table;
        const char* columns;
    };
    static const Index indexes[] = {{"IDX_VKB_REF_CALC", "VKB", "REF_CALC"},
                                    {"IDX_VKB_REF_SAIS", "VKB", "REF_SAIS"},
                                    {"IDX_VKC_REF_SAIS", "VKC", "REF_SAIS"}};
    const uint64_t shownBefore = ExceptionsShown();
    try {
        for (const Index& index : indexes) {
            const UnicodeString table = GetNomTable(index.table, false);
            if (pCurDossier->TableExistFirebird(table))
                VK_CreateIndex(VK_LOC(), index.name, table, index.columns);
        }
        pCurDossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return ExceptionsShown() == shownBefore;
}

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
            // Then what hangs off the components: plans before their schedule lines and forecasts.
            cVK_Amortissement::CreerBase(base);
            cVK_TabAmort::CreerBase();
            cVK_Cession::CreerBase();
            cVK_UOPrevue::CreerBase(base);
            cVK_DetSituation::CreerBase();
            pCurDossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
            VK_CreerIndex();
        } else {
            cVK_Vehicule::CreerBase(base);
            cVK_Bien::CreerBase(base);
            cVK_Composant::CreerBase(base);
            cVK_Amortissement::CreerBase(base);
            cVK_UOPrevue::CreerBase(base);
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return ExceptionsShown() == shownBefore;
}
