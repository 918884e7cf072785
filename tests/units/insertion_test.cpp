// How a new plan with a forced opening cumul reaches its row, by the way its asset is written.
//
// The case file has calendar years 2024 to 2026, 2026 current. The machine: 10,000 entered on
// 1 Jan 2025, accounting plan linear over 60 months with no starting point entered (the method
// takes the service date), so the computed opening cumul of 2026 is 10,000 x 360 / 1,800 = 2,000.
#include <fmt/format.h>

#include "platform/dossier.h"
#include "tests/support/amount_text.h"
#include "tests/support/engine_fixture.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"

namespace {

struct InsertionCase {
    const char* name;
    VK_Etats state;
    VK_Insertion insertion;
    int forced;          // the forced opening cumul entered
    const char* stored;  // the OUV_AMORT of the row, "null" when nothing is forced
    int opening;         // the opening cumul of 2026 the plan then gives
};

// An importation is normalised at its insert: a forcing equal to the computed cumul forces
// nothing. A register written at its first save stores what was entered, as when each object was
// inserted when made and updated at the save.
const InsertionCase kCases[] = {
    {"importation, forcing above the computed", veImportation, VK_Insertion::Immediate, 3000, "3000", 3000},
    {"importation, forcing equal to the computed", veImportation, VK_Insertion::Immediate, 2000, "null",
     2000},
    {"first save, forcing equal to the computed", veInitialisation, VK_Insertion::AuPremierEnregistrement,
     2000, "2000", 2000},
    {"first save, forcing above the computed", veInitialisation, VK_Insertion::AuPremierEnregistrement, 3000,
     "3000", 3000},
};

std::string StoredColumn(const char* column, unsigned planId) {
    TIBQuery row(pCurDossier->GetDatabaseFirebird());
    row.SQL.Add(
        fmt::format("SELECT {} FROM {} WHERE ID_AMORT={}", column, GetNomTableBase("VKA", ""), planId));
    row.Open();
    return row.Fields(0)->IsNull() ? "null" : row.Fields(0)->AsString();
}

TEST(PlanInsertion, ForcedOpeningByTheWayTheAssetIsWritten) {
    vktest::EngineCase engine;
    for (const InsertionCase& c : kCases) {
        SCOPED_TRACE(c.name);
        cVK_Bien asset(c.state, "", nullptr, nullptr, c.insertion);
        ASSERT_EQ(asset.ID, 0u) << "nothing is written before the save";
        cVK_Composant* component = asset.GetStructure();
        component->SetNumCompte("215400");
        component->SetDateEntree(EncodeDate(2025, 1, 1));
        component->SetDateMiseEnService(EncodeDate(2025, 1, 1));
        component->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(10000));
        cVK_Amortissement* plan = component->GetAmort(taComptable);
        vktest::SetPlan(plan, maLineaire, 60, TDateTime());
        plan->SetCumulAmortOuvForce(CCurrency(c.forced));
        ASSERT_TRUE(asset.BD_MAJ());
        EXPECT_FALSE(asset.InsereAuPremierEnregistrement())
            << "once written, its later inserts are normalised";
        EXPECT_EQ(StoredColumn("OUV_AMORT", plan->ID), c.stored);
        // Checking the forcing works the schedule out, which fills in the starting point the method
        // would take: the row keeps the one entered.
        EXPECT_EQ(StoredColumn("PTDEDEPART", plan->ID), "null") << "no starting point was entered";
        EXPECT_EQ(vktest::AmountText(plan->GetCumulAmortOuv(1)), vktest::AmountText(CCurrency(c.opening)));
    }
}

}  // namespace
