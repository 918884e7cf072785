// Yearly forecasts: automatic spreading, next-year indexes, fitting a manual plan to its span, and
// the forecast share of a situation.
#include "tests/support/engine_fixture.h"
#include "units/uvkcoefdeg.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvkuniteoeuvre.h"

namespace {

class Forecasts : public ::testing::Test {
protected:
    vktest::EngineCase engine;  // calendar years 2024 to 2026, current 2026

    cVK_Composant* UnitsComponent(const TDateTime& inService) {
        cVK_Bien* asset = engine.NewAsset(inService, 20000);
        cVK_Composant* component = asset->GetStructure();
        vktest::SetPlan(component->GetAmort(taComptable), maUnitesOeuvre, 65535);
        return component;
    }

    static std::vector<double> Amounts(const cVK_LstUOPrevue* list) {
        std::vector<double> amounts;
        for (int i = 0; i < list->Count(); ++i) amounts.push_back(list->Get(i)->Consommation.AsDouble());
        return amounts;
    }
};

TEST_F(Forecasts, NextYearIndexesStartAtTheStartYear) {
    cVK_LstUOPrevue* list = UnitsComponent(EncodeDate(2026, 3, 1))->GetLstUOPrevue();
    EXPECT_EQ(list->AddNew(-32768)->Exercice, 0);
    EXPECT_EQ(list->AddNew(-32768)->Exercice, 1);
}

// 1,000 units over 3 years from the first day of a year: 333.33, 333.33 and the rest, 333.34.
TEST_F(Forecasts, SpreadOverYearsGivesTheRemainderToTheLastYear) {
    cVK_LstUOPrevue* list = UnitsComponent(EncodeDate(2026, 1, 1))->GetLstUOPrevue();
    list->CalculAuto(false, 3, 1000);
    EXPECT_EQ(Amounts(list), (std::vector<double>{333.33, 333.33, 333.34}));
    EXPECT_EQ(engine.File().Count(GetNomTable("VKU", false)), 3);  // saved
}

// Starting on 1 July the first year gets per x (year end - start) / (year end - year start)
// = 500 x 183 / 364 = 251.37; the others 500 until the last takes what remains.
TEST_F(Forecasts, MidYearStartProratesTheFirstYear) {
    cVK_LstUOPrevue* list = UnitsComponent(EncodeDate(2026, 7, 1))->GetLstUOPrevue();
    list->CalculAuto(true, 500, 1200);
    EXPECT_EQ(Amounts(list), (std::vector<double>{251.37, 500, 448.63}));
}

TEST_F(Forecasts, AtMostAHundredYears) {
    cVK_LstUOPrevue* list = UnitsComponent(EncodeDate(2026, 1, 1))->GetLstUOPrevue();
    EXPECT_NO_THROW(list->CalculAuto(true, 10, 1000));  // exactly 100 years
    EXPECT_EQ(list->Count(), 100);
    EXPECT_THROW(list->CalculAuto(true, 9, 1000), Exception);
    EXPECT_THROW(list->CalculAuto(false, 101, 1000), Exception);
    // A value or a total of zero or less spreads nothing, and says so.
    EXPECT_THROW(list->CalculAuto(true, 0, 1000), Exception);
    EXPECT_THROW(list->CalculAuto(false, 3, -5), Exception);
}

// A manual plan shortened by a change of duration loses the years beyond its new end at the save.
TEST_F(Forecasts, ManualPlanFittedToItsSpan) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 9000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taFiscal);
    vktest::SetPlan(plan, maManuel, 36, EncodeDate(2026, 1, 1));
    cVK_LstUOPrevue* amounts = plan->GetLstManuel();
    ASSERT_TRUE(amounts->BD_MAJ());
    EXPECT_EQ(amounts->Count(), 3);  // 2026, 2027, 2028 added to fit
    plan->SetDuree(24);
    ASSERT_TRUE(amounts->BD_MAJ());
    EXPECT_EQ(amounts->Count(), 2);
    EXPECT_EQ(engine.File().Count(GetNomTable("VKU", false), "ID_AMORT=" + std::to_string(plan->ID)), 2);
}

// The forecast share up to a situation date: 30 June is 181 of the 365 days of 2026.
TEST_F(Forecasts, SituationShares) {
    cVK_Composant* component = UnitsComponent(EncodeDate(2026, 1, 1));
    cVK_DetSituation none(component, EncodeDate(2026, 6, 30));
    EXPECT_TRUE(none.GetUO_QuantitePrevue().IsNull());  // no forecast of year 0
    component->GetLstUOPrevue()->AddNew(0)->SetConsommation(3650);
    cVK_DetSituation june(component, EncodeDate(2026, 6, 30));
    EXPECT_EQ(june.GetUO_QuantitePrevue(), CCurrency(1810));
    cVK_DetSituation undated(component, TDateTime());
    EXPECT_EQ(undated.GetUO_QuantitePrevue(), CCurrency(3650));
    june.SetUO_QuantiteForc(100);
    EXPECT_EQ(june.GetUO_Quantite(), CCurrency(100));
    cVK_Amortissement* fiscal = component->GetAmort(taFiscal);
    vktest::SetPlan(fiscal, maManuel, 36, EncodeDate(2026, 1, 1));
    cVK_DetSituation manual(fiscal, EncodeDate(2026, 6, 30));
    EXPECT_EQ(manual.GetDotationManuellePrevue(), CCurrency(0));  // no amount: zero, not empty
}

TEST_F(Forecasts, AmbiguousSituationRowsAreIgnored) {
    cVK_Composant* component = UnitsComponent(EncodeDate(2026, 1, 1));
    cVK_DetSituation first(component, EncodeDate(2026, 6, 30));
    first.SetValActuelle(1000);
    ASSERT_TRUE(first.BD_MAJ());
    cVK_DetSituation again(component, EncodeDate(2026, 6, 30));
    EXPECT_EQ(again.ValActuelle, CCurrency(1000));
    again.ResetID();
    again.SetValActuelle(2000);
    ASSERT_TRUE(again.BD_MAJ());  // a second row for the same date, reference and kind
    cVK_DetSituation ambiguous(component, EncodeDate(2026, 6, 30));
    EXPECT_EQ(ambiguous.ID, 0u);
    EXPECT_TRUE(ambiguous.ValActuelle.IsNull());
}

// Coefficients: no coefficient under 36 months, none for overlapping periods (asked again each
// time), and a null coefficient makes the declining rate unset.
TEST(Coefficients, OverlapsAndNullCoefficients) {
    vktest::EngineCase engine;
    ListeCoefDeg.clear();
    EXPECT_EQ(ListeCoefDeg.GetCoef(EncodeDate(2026, 1, 15), 24), CCurrency(1));
    TIBDatabase* common = pEnvironnement->GetDatabaseAlias("OKT_COMMUN", false);
    common->ExecuteImmediate("INSERT INTO VKCOEF VALUES ('2026-05-01','2026-05-31',9,9,9)");
    common->ExecuteImmediate("INSERT INTO VKCOEF VALUES ('1995-05-01','1995-05-31',NULL,NULL,NULL)");
    common->ExecuteImmediate("DELETE FROM VKCOEF WHERE DateDebut IS NULL");
    EXPECT_EQ(ListeCoefDeg.GetCoef(EncodeDate(2026, 5, 5), 48), CCurrency(1));  // two periods
    EXPECT_EQ(ListeCoefDeg.Count(), 1u);                                        // only 15 January was kept
    EXPECT_EQ(ListeCoefDeg.GetCoef(EncodeDate(1990, 1, 1), 48), CCurrency(1));  // before every period
    EXPECT_TRUE(ListeCoefDeg.GetCoef(EncodeDate(1995, 5, 5), 48).IsNull());
    EXPECT_EQ(ListeCoefDeg.Count(), 2u);
    EXPECT_EQ(ListeCoefDeg.GetCoef(EncodeDate(2026, 6, 5), 73), CCurrency(2.25));
    // A declining plan without coefficient charges nothing and says why.
    cVK_Bien* asset = engine.NewAsset(EncodeDate(1995, 5, 5), 1000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
    vktest::SetPlan(plan, maDegressif, 48);
    EXPECT_EQ(plan->GetTaux(), CCurrency::NullDouble);
    vktest::Messages messages;
    const int startYear = static_cast<int>(pCurDossier->DonnerExercice(EncodeDate(1995, 5, 1)));
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(startYear)->GetDotation(TDateTime()).IsNull());
    EXPECT_FALSE(messages->exceptions.empty());
    pEnvironnement->Abandonner();
    ListeCoefDeg.clear();
}

}  // namespace
