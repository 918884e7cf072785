// The yearly charge of every method, to the cent, with the working of each expected figure.
// Day counts are 30/360 with both ends counted (1 July to 31 December = 180 days, a year 360).
#include <fmt/format.h>

#include <cmath>

#include "tests/support/engine_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkcoefdeg.h"
#include "units/uvkuniteoeuvre.h"

namespace {

using vktest::Charges;
using vktest::SetPlan;

struct YearCharge {
    int year;
    double charge;
    const char* prorata;
    bool last;
};

// Checks each listed year of a schedule: charge, prorata text and last flag.
void ExpectSchedule(cVK_Amortissement* plan, const std::vector<YearCharge>& expected, const char* source) {
    plan->GetLstTabAmort()->CalculTableau();
    for (const YearCharge& e : expected) {
        cVK_TabAmort* line = plan->GetLstTabAmort()->GetTabAmort(e.year);
        ASSERT_NE(line, nullptr) << source << ": no line for year " << e.year;
        EXPECT_NEAR(line->GetDotation(TDateTime()).AsDouble(), e.charge, 1e-9)
            << source << ", year " << e.year;
        if (e.prorata) {
            EXPECT_EQ(line->GetProrata(), e.prorata) << source << ", year " << e.year;
        }
        EXPECT_EQ(line->GetDernierAmort(), e.last) << source << ", year " << e.year;
    }
}

double Sum(const std::map<int, double>& charges) {
    double sum = 0;
    for (const auto& [year, charge] : charges)
        if (charge != CCurrency::NullDouble) sum += charge;
    return sum;
}

class Charge : public ::testing::Test {
protected:
    vktest::EngineCase engine;  // calendar years 2024 to 2026, current 2026
};

// Method 1, linear: 60 months from 1 July N-1, base 10,000.
// N-1: 10,000 x 180 / 1800 = 1,000. N: 9,000 x 360 / 1620 = 2,000 (1 Jan N to 30 Jun N+4 is
// 4 x 360 + 180 = 1620 days). N+1..N+3: 2,000 each. N+4 holds the plan end (30 June): what remains.
TEST_F(Charge, LinearSixtyMonthsStartedInJuly) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2025, 7, 1), 10000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
    SetPlan(plan, maLineaire, 60, EncodeDate(2025, 7, 1));
    ExpectSchedule(plan,
                   {{-1, 1000, "180 / 1800", false},
                    {0, 2000, "360 / 1620", false},
                    {1, 2000, "360 / 1260", false},
                    {3, 2000, nullptr, false},
                    {4, 1000, nullptr, true}},
                   "linear 60 months from 1 July 2025");
    EXPECT_EQ(plan->GetLstTabAmort()->GetTabAmort(5), nullptr);  // nothing left: refused
    EXPECT_EQ(plan->GetLstTabAmort()->GetTabAmort(5), nullptr);  // and refused again without a line
    EXPECT_EQ(plan->GetLstTabAmort()->Lignes().size(), 6u) << "years -1 to 4, no line for the refused one";
    EXPECT_DOUBLE_EQ(Sum(Charges(plan)), 10000);
    EXPECT_DOUBLE_EQ(plan->GetTaux(), 20);  // 1200 / 60
    plan->ClearCalculs();                   // refused years are forgotten with the computed lines
    EXPECT_EQ(plan->GetLstTabAmort()->Lignes().size(), 0u);
}

// Method 2, declining, by months from the first day of the month of entry, at the rate 1200 /
// months x coefficient; it switches to linear (the base over the years left, the years counted from
// the start of the plan's first fiscal year, rounded up) when that reaches the declining charge.
// The expected schedules, worked by hand:
//  - 36 months entered 15 March 2026, coefficient 1.25 (three to four years since 2010): rate
//    41.6667 %. 2026: 10 months (1 Mar to 31 Dec = 300 days): 12,000 x 41.6667 % x 10/12 =
//    4,166.67. 2027: declining 7,833.33 x 41.6667 % = 3,263.89; linear over the 2 years left
//    7,833.33 / 2 = 3,916.665 -> switch, 3,916.67 ("12 / 24"). 2028: linear over 1 year: 3,916.66.
//  - 36 months from 1 Jan 1998, coefficient 1.5 (1997-2000): rate 50 %. 1998: 5,000. 1999:
//    declining 5,000 x 50 % = 2,500; linear over 2 years 5,000 / 2 = 2,500: a tie switches.
//  - 66 months from 1 Jan 2024, coefficient 1.75 (up to 72 months): rate 1200 / 66 x 1.75 = 7/22.
//    2024: 3,181.82. 2025: 6,818.18 x 7/22 = 2,169.42 (linear over ceil(54 / 12) = 5 years:
//    1,363.64). 2026: 4,648.76 x 7/22 = 1,479.15 (linear over ceil(42 / 12) = 4 years: 1,162.19;
//    over 3 years it would switch). 2027: 3,169.61 x 7/22 = 1,008.51 < 3,169.61 / 3 = 1,056.54:
//    switch. 2028: 2,113.07 / 2 = 1,056.535 -> 1,056.54. 2029 holds the plan's end (30 June): the
//    rest, 1,056.53.
//  - 36 months entered 10 March 2025 in fiscal years from 15 July to 14 July (year 0 from 15 July
//    2025): starts 1 March 2025. Year -1: March to June, 4 months (a month begun at the year's end
//    is not counted): 12,000 x 41.6667 % x 4/12 = 1,666.67. Year 0: 15 July 2025 to 30 June 2026
//    is 346 days, 12 months begun: declining 10,333.33 x 41.6667 % = 4,305.55; linear over the
//    2 years left 5,166.665 -> switch, 5,166.67. Year 1: the last year, 5,166.66.
TEST(ChargeDeclining, SchedulesWithTheSwitchToLinear) {
    struct Year {
        int year;
        double charge;
        const char* prorata;
        bool linear, last;
    };
    auto check = [](const char* what, const ParametresDossier& years, const TDateTime& entry, double price,
                    unsigned short months, const std::vector<Year>& expected) {
        vktest::EngineCase engine(years);
        cVK_Amortissement* plan = engine.NewAsset(entry, price)->GetStructure()->GetAmort(taComptable);
        SetPlan(plan, maDegressif, months);
        plan->GetLstTabAmort()->CalculTableau();
        for (const Year& e : expected) {
            SCOPED_TRACE(fmt::format("{}, year {}", what, e.year));
            cVK_TabAmort* line = plan->GetLstTabAmort()->GetTabAmort(e.year);
            ASSERT_NE(line, nullptr) << "no line";
            EXPECT_NEAR(line->GetDotation(TDateTime()).AsDouble(), e.charge, 1e-9);
            if (e.prorata) {
                EXPECT_EQ(line->GetProrata(), e.prorata);
            }
            EXPECT_EQ(line->GetLin(), e.linear) << "switched to linear";
            EXPECT_EQ(line->GetDernierAmort(), e.last) << "last year";
        }
        EXPECT_NEAR(Sum(Charges(plan)), price, 1e-6) << what << ": the whole base is charged";
    };
    check("36 months from March 2026", vktest::CalendarYears(2024, 3, 2026), EncodeDate(2026, 3, 15), 12000,
          36,
          {{0, 4166.67, " 10 /  12", false, false},
           {1, 3916.67, " 12 /  24", true, false},
           {2, 3916.66, " 12 /  12", true, true}});
    check("36 months from 1998, rate 50 %: a tie switches", vktest::CalendarYears(1998, 3, 1999),
          EncodeDate(1998, 1, 1), 10000, 36,
          {{-1, 5000, " 12 /  12", false, false},
           {0, 2500, " 12 /  24", true, false},
           {1, 2500, nullptr, true, true}});
    check("66 months from 2024: years left rounded up", vktest::CalendarYears(2024, 3, 2026),
          EncodeDate(2024, 1, 1), 10000, 66,
          {{-2, 3181.82, " 12 /  12", false, false},
           {-1, 2169.42, " 12 /  12", false, false},
           {0, 1479.15, " 12 /  12", false, false},
           {1, 1056.54, " 12 /  36", true, false},
           {2, 1056.54, " 12 /  24", true, false},
           {3, 1056.53, nullptr, true, true}});
    check("36 months in fiscal years from 15 July", vktest::TwelveMonthYears(EncodeDate(2024, 7, 15), 3, 1),
          EncodeDate(2025, 3, 10), 12000, 36,
          {{-1, 1666.67, "  4 /  12", false, false},
           {0, 5166.67, " 12 /  24", true, false},
           {1, 5166.66, " 12 /  12", true, true}});
}

// Coefficient bands by duration (acquisitions from 2010: 1.25, 1.75, 2.25), and the research
// method's extra 0.25.
TEST_F(Charge, CoefficientBands) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 1000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taFiscal);
    struct Band {
        VK_MethodeAmort method;
        unsigned short months;
        double coefficient;
    } bands[] = {{maDegressif, 24, 1},
                 {maDegressif, 36, 1.25},
                 {maDegressif, 48, 1.25},
                 {maDegressif, 59, 1.25},
                 {maDegressif, 60, 1.75},
                 {maDegressif, 72, 1.75},
                 {maDegressif, 73, 2.25},
                 {maRechercheScientifique, 73, 2.5},
                 {maRechercheScientifique, 48, 1.5}};
    for (const Band& band : bands) {
        SetPlan(plan, band.method, band.months);
        EXPECT_DOUBLE_EQ(plan->GetCoef().AsDouble(), band.coefficient)
            << band.months << " months, method " << band.method;
        EXPECT_NEAR(plan->GetTaux(), 1200.0 / band.months * band.coefficient, 1e-9)
            << band.months << " months";
    }
}

// Method 10 ("Dégr. majoré", acquisitions 16 Oct 2001 to 2003): the months within the first twelve
// are charged 30 % more. 60 months from 1 July 2002, coefficient 1.75 (2001-2008): rate 35 %.
// 2002: 6 months, 10,000 x 35 % x 6/12 = 1,750, all within the first twelve: x 1.3 = 2,275.
// 2003: 7,725 x 35 % = 2,703.75; 6 of its 12 months within the first twelve:
//       6/12 x 2,703.75 x 1.3 + 6 x 2,703.75 / 12 = 1,757.4375 + 1,351.875 = 3,109.31.
TEST(ChargeIncreasedDeclining, FirstTwelveMonthsChargedThirtyPercentMore) {
    vktest::EngineCase engine(vktest::CalendarYears(2002, 2, 2002));
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2002, 7, 1), 10000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taFiscal);
    SetPlan(plan, maDegressifMajore, 60);
    ASSERT_EQ(plan->GetMethode(), maDegressifMajore);
    ExpectSchedule(plan, {{0, 2275, "  6 /  12", false}, {1, 3109.31, " 12 /  12", false}},
                   "increased declining");
}

// Method 3, units of production over 300,000 km, base 20,000: 30,000 km in year 0 give
// 20,000 x 30,000 / 300,000 = 2,000; in year 1, the last forecast and so the last year, 60,000 km of
// the 270,000 left give 18,000 x 60,000 / 270,000 = 4,000. A forecast above what is left (300,000)
// charges no more than the base left, 18,000. Without any forecast the algorithm holds: a charge of
// 0 and the year marked last (D1).
TEST_F(Charge, UnitsOfProductionFollowTheForecasts) {
    struct Case {
        const char* what;
        std::vector<int> forecasts;  // years 0, 1, ...
        std::vector<YearCharge> expected;
    } cases[] = {
        {"two forecasts",
         {30000, 60000},
         {{0, 2000, "30000.00 / 300000.00", false}, {1, 4000, "60000.00 / 270000.00", true}}},
        {"a forecast above what is left", {30000, 300000}, {{1, 18000, "300000.00 / 270000.00", true}}},
        {"no forecast", {}, {{0, 0, nullptr, true}}},
    };
    for (const Case& c : cases) {
        cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 20000);
        cVK_Composant* component = asset->GetStructure();
        cVK_Amortissement* plan = component->GetAmort(taComptable);
        SetPlan(plan, maUnitesOeuvre, 65535);
        component->SetUO_ConsommationTotale(300000);
        ASSERT_NE(component->GetLstUOPrevue(), nullptr);
        for (size_t year = 0; year < c.forecasts.size(); ++year)
            component->GetLstUOPrevue()->AddNew(static_cast<int>(year))->SetConsommation(c.forecasts[year]);
        plan->ClearCalculs();
        ExpectSchedule(plan, c.expected, c.what);
    }
}

// Method 4, manual: the amounts entered; the year without a following amount, or the year that
// holds the plan's end, takes all that remains. 10,000 over 36 months from 1 Jan 2026 (the plan
// ends 31 Dec 2028, year 2): with 3,000, 5,000 and 1,500, year 2 takes 2,000; with a fourth amount of
// 500 for year 3, year 2 still takes 2,000 (the plan ends in it) and year 3 charges nothing.
TEST_F(Charge, ManualAmountsAndTheRemainderInTheLastYear) {
    struct Case {
        const char* what;
        std::vector<int> amounts;  // years 0, 1, ...
    } cases[] = {
        {"no amount after year 2", {3000, 5000, 1500}},
        {"an amount after the plan's end", {3000, 5000, 1500, 500}},
    };
    for (const Case& c : cases) {
        cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 10000);
        cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taFiscal);
        SetPlan(plan, maManuel, 36, EncodeDate(2026, 1, 1));
        ASSERT_NE(plan->GetLstManuel(), nullptr);
        for (size_t year = 0; year < c.amounts.size(); ++year)
            plan->GetLstManuel()->AddNew(static_cast<int>(year))->SetConsommation(c.amounts[year]);
        plan->ClearCalculs();
        ExpectSchedule(plan, {{0, 3000, nullptr, false}, {1, 5000, nullptr, false}, {2, 2000, nullptr, true}},
                       c.what);
        EXPECT_DOUBLE_EQ(Sum(Charges(plan)), 10000) << c.what;
    }
}

// Method 0: the schedule starts at year 0, which is last at once; no other line.
TEST_F(Charge, NotDepreciable) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2024, 1, 1), 10000, "211000");
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
    SetPlan(plan, maNonAmortissable, 65535);
    plan->GetLstTabAmort()->CalculTableau();
    ASSERT_EQ(plan->GetLstTabAmort()->Lignes().size(), 1u);
    cVK_TabAmort* line = plan->GetLstTabAmort()->GetTabAmort(0);
    EXPECT_TRUE(line->GetDotation(TDateTime()).IsNull());
    EXPECT_TRUE(line->GetDernierAmort());
}

// The exceptional one-year methods (5 to 9) charge 100 % over 12 imposed months.
TEST(ChargeSoftware, SoftwareOverTwelveMonths) {
    vktest::EngineCase old(vktest::CalendarYears(2015, 2, 2016));
    cVK_Bien* asset = old.NewAsset(EncodeDate(2016, 4, 10), 1200, "205000");
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taFiscal);
    SetPlan(plan, maLogiciels, 60);
    EXPECT_EQ(plan->GetMethode(), maLogiciels);
    EXPECT_EQ(plan->GetDuree(), 12);  // imposed
    EXPECT_DOUBLE_EQ(plan->GetTaux(), 100);
    // Starts on 1 April (rule 3); April to December by days: 1,200 x 270 / 360 = 900; 2017 the rest.
    ExpectSchedule(plan, {{0, 900, "270 / 360", false}, {1, 300, nullptr, true}}, "software 12 months");
}

// A special tax method is applied only when the component's reference date lies in the period of
// its tax measure (the method table); outside it the plan applies the method's base type, with the
// entered duration. Dates: entry for 5, 10, 11; putting into service for 7, 8, 9; no car for 6.
TEST_F(Charge, SpecialMethodsOutsideTheirPeriodFallBackToTheirBaseType) {
    struct Case {
        VK_MethodeAmort method;
        TDateTime date;  // entry and putting into service
        VK_MethodeAmort applied;
    };
    const Case cases[] = {
        {maLogiciels, EncodeDate(2016, 12, 31), maLogiciels},
        {maLogiciels, EncodeDate(2017, 1, 1), maLineaire},
        {maVehiculeElectrique, EncodeDate(2005, 1, 1), maLineaire},  // the asset has no car
        {maEconomieEnergie, EncodeDate(1991, 12, 30), maLineaire},
        {maEconomieEnergie, EncodeDate(2006, 12, 31), maEconomieEnergie},
        {maAntiBruit, EncodeDate(1992, 1, 1), maAntiBruit},
        {maAntiBruit, EncodeDate(2006, 1, 1), maLineaire},
        {maAntiPollution, EncodeDate(1989, 12, 31), maLineaire},
        {maDegressifMajore, EncodeDate(2003, 12, 31), maDegressifMajore},
        {maDegressifMajore, EncodeDate(2004, 1, 1), maDegressif},
        {maRechercheScientifique, EncodeDate(2003, 12, 31), maDegressif},
        {maRechercheScientifique, EncodeDate(2004, 1, 1), maRechercheScientifique},
    };
    for (const Case& c : cases) {
        cVK_Bien* asset = engine.NewAsset(c.date, 1200);
        asset->GetStructure()->SetDateMiseEnService(c.date);
        cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taFiscal);
        SetPlan(plan, c.method, 48);
        EXPECT_EQ(plan->GetMethode(), c.applied) << "method " << c.method << " on " << FormatISODate(c.date);
        if (c.applied != c.method) {
            EXPECT_EQ(plan->GetDuree(), 48)
                << "method " << c.method << " falls back with the entered duration";
        }
    }
}

// Leasing, financial lease and free use are not depreciated, whatever the method.
TEST_F(Charge, LeasedComponentsAreNotDepreciable) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 1000);
    cVK_Composant* component = asset->GetStructure();
    cVK_Amortissement* plan = component->GetAmort(taComptable);
    SetPlan(plan, maLineaire, 60, EncodeDate(2026, 1, 1));
    for (int type : {4, 5, 6}) {
        component->SetTypeEntree(type);
        EXPECT_EQ(plan->GetMethode(), maNonAmortissable) << "entry type " << type;
        EXPECT_TRUE(plan->GetPtDeDepart().IsNull());
        EXPECT_EQ(plan->GetTaux(), CCurrency::NullDouble);
        EXPECT_EQ(plan->GetDesignationMethode(), "Non amortissable");
    }
}

// Units of production on the tax plan only when the accounting plan uses them too.
TEST_F(Charge, UnitsOnTheTaxPlanFollowTheAccountingPlan) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 1000);
    cVK_Composant* component = asset->GetStructure();
    EXPECT_FALSE(component->GetAmort(taFiscal)->MethodeValide(maUnitesOeuvre));
    component->GetAmort(taComptable)->SetMethode(maUnitesOeuvre);
    EXPECT_TRUE(component->GetAmort(taFiscal)->MethodeValide(maUnitesOeuvre));
}

TEST(MethodLists, StaticListsByKind) {
    TStrings list;
    cVK_Amortissement::RemplitListeMethodes(taFiscal, &list);
    ASSERT_EQ(list.Count(), 13);
    EXPECT_EQ(list.Strings(12), "Idem amort. comptable");
    cVK_Amortissement::RemplitListeMethodes(taComptable, &list);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Strings(3), "Unités d'oeuvre");
    EXPECT_EQ(list.Strings(4), "Idem amort. fiscal");
}

// The numbering of the former versions goes both ways; what it has no number for is not depreciable.
TEST(MethodConversions, LegacyNumbering) {
    for (int legacy = 0; legacy <= 10; ++legacy)
        EXPECT_EQ(ConvertMethodeAmort(ConvertMethodeAmort_AncienVK(legacy)), legacy) << legacy;
    EXPECT_EQ(ConvertMethodeAmort_AncienVK(11), maNonAmortissable);
    EXPECT_EQ(ConvertMethodeAmortBNC(maManuel), 4);
    EXPECT_EQ(ConvertMethodeAmortBNC(maIdemFiscal), 4);
    EXPECT_EQ(ConvertMethodeAmortBNC(maUnitesOeuvre), 3);
    EXPECT_EQ(GetDesignTypeAmort(taConsolide), "Consolidé");
    EXPECT_EQ(GetDesignTypeAmort(static_cast<VK_TypeAmort>(3)), "");
}

}  // namespace
