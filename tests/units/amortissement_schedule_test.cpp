// Schedules: their first year, stored lines, forced opening values, disposals within the year, the
// charge up to a date, and the storage of plans.
#include "tests/support/engine_fixture.h"
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
};

// 36 months from 1 July 2025 (year -1): lines -1, 0, 1 and 2; year 2 holds the end and is last;
// year 3 is refused.
TEST_F(Schedule, ThirtySixMonthsFromTheSeventhMonth) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2025, 7, 1), 3600, 36);
    plan->GetLstTabAmort()->CalculTableau();
    std::vector<int> years;
    for (const auto& [year, line] : plan->GetLstTabAmort()->Lignes()) years.push_back(year);
    EXPECT_EQ(years, (std::vector<int>{-1, 0, 1, 2}));
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(2)->GetDernierAmort());
    EXPECT_EQ(plan->GetLstTabAmort()->GetTabAmort(3), nullptr);
    plan->ClearCalculs();  // refused years are forgotten with the computed lines
    EXPECT_EQ(plan->GetLstTabAmort()->Lignes().size(), 0u);
}

// Forcing the opening cumul of a plan started in year -2 with no stored line: the schedule starts
// at year 0, which opens with the forced cumul. 10,000 linear over 60 months from 1 Jan 2024, 5,000
// forced: 5,000 left over 1 Jan 2026 to 31 Dec 2028 (1080 days): 5,000 x 360 / 1080 = 1,666.67.
TEST_F(Schedule, ForcedOpeningCumulMovesTheFirstYearToZero) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2024, 1, 1), 10000);
    plan->SetCumulAmortOuvForce(5000);
    plan->GetLstTabAmort()->CalculTableau();
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(0)->GetForcageOuv());
    EXPECT_EQ(plan->GetCumulAmortOuv(1), CCurrency(5000));
    EXPECT_EQ(plan->GetCumulAmortOuv(0), CCurrency(4000));  // the chain alone: 2 x 2,000
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(1666.67));
    plan->SetCumulAmortOuvForce(CCurrency());  // removing the forcing rebuilds the chain
    EXPECT_EQ(plan->GetCumulAmortOuv(1), CCurrency(4000));
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(2000));
}

// Stored lines for years -3 to -1 start the chain: year 0 opens with their cumul.
TEST_F(Schedule, StoredLinesStartTheChain) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2023, 1, 1), 10000);
    cVK_Composant* component = plan->GetComposant();
    const std::string table = GetNomTable("VKT", false);
    const double charges[] = {1500, 2500, 2000};  // as once computed under another plan
    double cumul = 0;
    for (int year = -3; year <= -1; ++year) {
        const double charge = charges[year + 3];
        VK_ExecSQL(1,
                   "INSERT INTO " + table +
                       "(REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT,PREMIER_AMORT,FORCAGE_OUV,BASE,DOTATION,OUV_CUMUL_AMORT,"
                       "OUV_VNC) VALUES (" +
                       component->GetRefCalc() + ",1," + std::to_string(year) + "," + VK_Format_ID(plan->ID) + "," +
                       (year == -3 ? "1" : "0") + ",0," + CCurrency(10000 - cumul).GetSQL() + "," +
                       CCurrency(charge).GetSQL() + "," + CCurrency(cumul).GetSQL() + "," +
                       CCurrency(10000 - cumul).GetSQL() + ")",
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
    auto* cession = new cVK_Cession(component, nullptr, 0);
    component->SetCession(cession);
    cession->SetMotifSortie(vmCession);
    cession->SetDateFinUtilisation(EncodeDate(2026, 6, 30));
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
    auto* cession = new cVK_Cession(component, nullptr, 0);
    component->SetCession(cession);
    cession->SetMotifSortie(vmCession);
    cession->SetDateFinUtilisation(EncodeDate(2026, 5, 20));
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
    EXPECT_EQ(engine.File().Scalar("SELECT METHODE FROM " + GetNomTable("VKA", false) + " WHERE ID_AMORT=" +
                                   std::to_string(fiscal->ID)),
              "4");
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
        EXPECT_EQ(engine.File().Scalar("SELECT OUV_AMORT FROM " + GetNomTable("VKA", false) + " WHERE ID_AMORT=" +
                                       std::to_string(copy->ID)),
                  c.stored)
            << "forced " << c.forced;
    }
}

// A plan removed from the list leaves the table at the next save, with its stored lines.
TEST_F(Schedule, RemovedPlanIsDeletedWithItsLines) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2024, 1, 1), 10000);
    cVK_Composant* component = plan->GetComposant();
    plan->StockeAmortAnterieurs(false);  // writes years -2 and -1
    const std::string lines = GetNomTable("VKT", false);
    ASSERT_EQ(engine.File().Count(lines, "REF_CALC=" + component->GetRefCalc() + " AND TYPEAMORT=1"), 2);
    component->GetLstAmortissement()->Delete(plan);
    ASSERT_TRUE(component->GetLstAmortissement()->BD_MAJ());
    delete plan;
    EXPECT_EQ(engine.File().Count(lines, "REF_CALC=" + component->GetRefCalc() + " AND TYPEAMORT=1"), 0);
}

// Storing the past twice writes each year once.
TEST_F(Schedule, StoringThePastTwiceWritesEachYearOnce) {
    cVK_Amortissement* plan = LinearPlan(EncodeDate(2024, 1, 1), 10000);
    plan->StockeAmortAnterieurs(false);
    plan->StockeAmortAnterieurs(false);
    const std::string where = "REF_CALC=" + plan->GetComposant()->GetRefCalc() + " AND TYPEAMORT=1";
    EXPECT_EQ(engine.File().Count(GetNomTable("VKT", false), where), 2);
    plan->StockeAmortAnterieurs(true);  // at closing the current year is frozen too
    EXPECT_EQ(engine.File().Count(GetNomTable("VKT", false), where), 3);
    EXPECT_EQ(plan->GetDotation(TDateTime()), CCurrency(2000));  // read back as stored
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(0)->IsStocke());
}

}  // namespace
