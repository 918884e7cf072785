// Schedules: their first year, stored lines, forced opening values, disposals within the year, the
// charge up to a date, and the storage of plans.
#include <fmt/format.h>

#include "tests/support/engine_fixture.h"
#include "tests/units/cession_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkdivers.h"

namespace {

using vktest::SetPlan;

class Schedule : public ::testing::Test {
protected:
    vktest::EngineCase engine;  // calendar years 2024 to 2026, current 2026

    cVK_Amortissement* LinearPlan(const TDateTime& start, double price, unsigned short months = 60) {
        cVK_Bien* asset = engine.NewAsset(start, price);
        cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
        SetPlan(plan, maLineaire, months, start);
        return plan;
    }
    std::string StoredPlanColumn(const char* column, cVK_Amortissement* plan) {
        return engine.File().Scalar(std::string("SELECT ") + column + " FROM " + GetNomTable("VKA", false) +
                                    " WHERE ID_AMORT=" + std::to_string(plan->ID));
    }
};

// Stored lines for years -3 to -1 start the chain: year 0 opens with their cumul.
TEST_F(Schedule, StoredLinesStartTheChain) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2023, 1, 1), 10000);
    cVK_Composant* component = plan->GetComposant();
    const std::string table = GetNomTable("VKT", false);
    const double charges[] = {1500, 2500, 2000};  // as once computed under another plan
    double cumul = 0;
    for (int year = -3; year <= -1; ++year) {
        const double charge = charges[year + 3];
        const std::string left = CCurrency(10000 - cumul).GetSQL();
        VK_ExecSQL(
            1,
            fmt::format("INSERT INTO {} (REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT,PREMIER_AMORT,FORCAGE_OUV,"
                        "BASE,DOTATION,OUV_CUMUL_AMORT,OUV_VNC) VALUES ({},1,{},{},{},0,{},{},{},{})",
                        table, component->GetRefCalc(), year, VK_Format_ID(plan->ID), year == -3 ? 1 : 0,
                        left, CCurrency(charge).GetSQL(), CCurrency(cumul).GetSQL(), left),
            "");
        cumul += charge;
    }
    plan->GetLstTabAmort()->Relit();
    plan->GetLstTabAmort()->CalculTableau();
    EXPECT_EQ(plan->GetLstTabAmort()->Lignes().begin()->first, -3);
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(-2)->IsStocke());
    EXPECT_EQ(plan->GetCumulAmortOuv(1), CCurrency(6000));
    // 4,000 left over 1 Jan 2026 to 31 Dec 2027 (720 days): 2,000 a year.
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(2000));
    plan->ClearCalculs();
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(-1)->IsStocke());  // stored lines stay
}

// A disposal within the year ends the period at the end of use; scrapping charges all that remains.
TEST_F(Schedule, DisposalAndScrappingWithinTheYear) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2026, 1, 1), 7200);
    cVK_Composant* component = plan->GetComposant();
    cVK_Cession* cession = vktest::Dispose(component, EncodeDate(2026, 6, 30));
    // 7,200 over 60 months: 1 Jan to 30 Jun is 180 of the 1800 days left: 720.
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(720));
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(0)->GetDernierAmort());
    cession->SetMotifSortie(vmMiseAuRebut);
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(7200));
}

// A declining plan disposed of on 20 May charges up to 30 April (a month begun is not counted).
TEST_F(Schedule, DecliningDisposalStopsAtTheEndOfThePreviousMonth) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 12000);
    cVK_Composant* component = asset->GetStructure();
    cVK_Amortissement* plan = component->GetAmort(taComptable);
    SetPlan(plan, maDegressif, 60);  // rate 20 % x 1.75 = 35 %
    vktest::Dispose(component, EncodeDate(2026, 5, 20));
    // January to April: 4 months: 12,000 x 35 % x 4/12 = 1,400.
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(1400));
    EXPECT_EQ(plan->GetLstTabAmort()->GetTabAmort(0)->GetProrata(), "  4 /  12");
}

// The charge up to a date inside the year is returned, not kept: the whole year's charge stays.
TEST_F(Schedule, ChargeUpToADateIsNotKept) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2026, 1, 1), 7200);
    EXPECT_EQ(plan->GetDotation(EncodeDate(2026, 3, 31)), CCurrency(360));  // 90 of 1800 days
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(1440));
    EXPECT_EQ(plan->GetLstTabAmort()->GetTabAmort(0)->GetProrata(), "360 / 1800");
    EXPECT_EQ(plan->GetDotation(EncodeDate(2026, 3, 31)), CCurrency(360));
    EXPECT_EQ(plan->GetDotation(EncodeDate(2027, 3, 31)), CCurrency(1440));  // after the year: the year
    EXPECT_EQ(plan->GetCumulAmort(EncodeDate(2026, 6, 30)), CCurrency(720));
    EXPECT_EQ(plan->GetVNC(EncodeDate(2026, 6, 30)), CCurrency(6480));
}

// 60 months from 15 July N-2, current year starting 1 January N: from 1 August N-2 17 months have
// passed, 43 remain.
TEST_F(Schedule, RemainingDuration) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2024, 7, 15), 6000);
    EXPECT_EQ(plan->GetDureeRestantAAmortir(), 43);
}

// A component without a starting date: the schedule begins and ends at year 0 instead of reaching
// back indefinitely.
TEST_F(Schedule, NoStartingPointGivesAnEmptyCurrentYear) {
    cVK_Bien* asset = engine.NewAsset(TDateTime(), 5000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
    SetPlan(plan, maLineaire, 60);
    EXPECT_TRUE(plan->GetPtDeDepart().IsNull());
    EXPECT_TRUE(plan->GetDotation(TDateTime()).IsNull());
    EXPECT_EQ(plan->GetCumulAmortOuv(1), CCurrency(0));
    plan->GetLstTabAmort()->CalculTableau();
    EXPECT_EQ(plan->GetLstTabAmort()->Lignes().size(), 1u);
}

// Storage: a new component's default pair of plans, copy methods resolved at insert, forced cumuls
// equal to the computed one dropped.
TEST_F(Schedule, PlansAreStoredWithTheirCopyMethodResolved) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 1000);
    cVK_Composant* component = asset->GetStructure();
    ASSERT_EQ(component->GetLstAmortissement()->Count(), 2);
    EXPECT_EQ(engine.File().Count(GetNomTable("VKA", false), "ID_COMPO=" + std::to_string(component->ID)), 2);
    component->GetAmort(taComptable)->SetMethode(maUnitesOeuvre);
    cVK_Amortissement* fiscal = component->GetAmort(taFiscal);
    fiscal->ResetID();  // stored again as a new row
    fiscal->METHODE = maIdemComptable;
    ASSERT_TRUE(fiscal->BD_Inserer());
    EXPECT_EQ(fiscal->METHODE, maManuel);  // the accounting units of production become manual
    EXPECT_EQ(StoredPlanColumn("METHODE", fiscal), "4");
}

TEST_F(Schedule, ForcedCumulEqualToTheComputedOneIsNotStored) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2024, 1, 1), 10000);
    cVK_Composant* component = plan->GetComposant();
    auto* copy = component->GetLstAmortissement()->AddNew(taConsolide);
    copy->ResetID();
    SetPlan(copy, maLineaire, 60, EncodeDate(2024, 1, 1));
    struct Case {
        double forced;
        const char* stored;
    } cases[] = {{4000, "<null>"}, {-5, "<null>"}, {0, "0"}, {3000, "3000"}};
    for (const Case& c : cases) {
        copy->ResetID();
        copy->OUV_AMORT = CCurrency(c.forced);
        copy->ClearCalculs();
        ASSERT_TRUE(copy->BD_Inserer());
        EXPECT_EQ(StoredPlanColumn("OUV_AMORT", copy), c.stored) << "forced " << c.forced;
    }
}

}  // namespace
