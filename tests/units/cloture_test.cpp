// Opening values of plans (forced, standards conformity, the past stored into "VKT"), plan
// comparison, validation of an asset version and the year-end closing of components and assets.
//
// The case file has calendar years 2024 to 2026, 2026 current (year 0). A machine of 10,000 on a
// linear plan of 60 months from 1 January 2024 charges 2,000 a year (360 / 1,800 of the base the
// first year, then 360 / what remains): years -2 to 2, year 0 opening 4,000.
#include <fmt/format.h>

#include <functional>

#include "platform/dossier.h"
#include "tests/support/calc_dump.h"
#include "tests/support/engine_fixture.h"
#include "tests/units/cession_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkdivers.h"

namespace {

using vktest::SetPlan;

const TDateTime kD = EncodeDate(2026, 12, 31);

double Money(const CCurrency& amount) {
    return amount.IsNull() ? CCurrency::NullDouble : amount.AsDouble();
}

class Opening : public ::testing::Test {
protected:
    vktest::EngineCase engine;  // calendar years 2024 to 2026, current 2026
    vktest::Messages messages;
    std::vector<std::unique_ptr<cVK_Bien>> owned;

    void TearDown() override {
        for (const auto& shown : messages->exceptions) ADD_FAILURE() << "engine showed: " << shown.message;
    }
    // A stored asset in the given state with one structure component, its accounting plan linear
    // over 60 months from its entry date, its tax plan of the given method over 60 months.
    cVK_Bien* NewAsset(VK_Etats state, const TDateTime& entry, const CCurrency& price,
                       VK_MethodeAmort taxMethod = maLineaire) {
        cVK_Bien* asset;
        if (state == veInitialisation) {
            asset = engine.NewAsset(entry, price);
        } else {
            owned.push_back(std::make_unique<cVK_Bien>(state, "", nullptr, nullptr));
            asset = owned.back().get();
            cVK_Composant* component = asset->GetStructure();
            component->SetNumCompte("215400");
            component->SetDateEntree(entry);
            component->SetDateMiseEnService(entry);
            component->GetDetails()->AddNew()->SetPrixAcquisOrigine(price);
        }
        SetPlan(asset->GetStructure()->GetAmort(taComptable), maLineaire, 60, entry);
        SetPlan(asset->GetStructure()->GetAmort(taFiscal), taxMethod, 60,
                taxMethod == maLineaire ? entry : TDateTime());
        EXPECT_TRUE(asset->BD_MAJ());
        return asset;
    }
    int StoredLines(cVK_Composant* component, VK_TypeAmort kind, const std::string& where = "") {
        return engine.File().Count(
            GetNomTable("VKT", false),
            "REF_CALC=" + component->GetRefCalc() + " AND TYPEAMORT=" + std::to_string(kind) + where);
    }
    // One column of the register's table `code` ("VKC"...) for the row chosen by `where`.
    std::string Stored(const char* column, const char* code, const std::string& where) {
        return engine.File().Scalar(std::string("SELECT ") + column + " FROM " + GetNomTable(code, false) +
                                    " WHERE " + where);
    }
    std::string StoredYears(cVK_Composant* component, VK_TypeAmort kind) {
        return engine.File().Scalar("SELECT LIST(EXERCICE, ',') FROM (SELECT EXERCICE FROM " +
                                    GetNomTable("VKT", false) + " WHERE REF_CALC=" + component->GetRefCalc() +
                                    " AND TYPEAMORT=" + std::to_string(kind) + " ORDER BY EXERCICE)");
    }
};

std::vector<int> Years(cVK_Amortissement* plan) {
    plan->GetLstTabAmort()->CalculTableau();
    std::vector<int> years;
    for (const auto& [year, line] : plan->GetLstTabAmort()->Lignes()) years.push_back(year);
    return years;
}

// ---------------------------------------------------------------------------------------------
// Forced opening values

// Forcing 5,000 on a plan started in year -2 with no stored line: the schedule starts at year 0,
// which opens with 5,000: 5,000 x 360 / 1,080 = 1,666.67, year 1 3,333.33 x 360 / 720 = 1,666.67,
// year 2 the rest 1,666.66. Removing the forcing rebuilds the chain from year -2 (opening 4,000,
// charge 2,000).
TEST_F(Opening, ForcingThenRemovingTheForcing) {
    cVK_Amortissement* plan =
        NewAsset(veInitialisation, EncodeDate(2024, 1, 1), 10000)->GetStructure()->GetAmort(taComptable);
    EXPECT_EQ(Years(plan), (std::vector<int>{-2, -1, 0, 1, 2}));
    EXPECT_FALSE(plan->GetForcageOuv(false));

    plan->SetCumulAmortOuvForce(CCurrency(5000));
    EXPECT_TRUE(plan->GetForcageOuv(false));
    EXPECT_EQ(Years(plan), (std::vector<int>{0, 1, 2}));
    cVK_TabAmort* line = plan->GetLstTabAmort()->GetTabAmort(0);
    EXPECT_TRUE(line->GetForcageOuv());
    EXPECT_DOUBLE_EQ(Money(line->GetCumulAmortOuv(1)), 5000);
    EXPECT_DOUBLE_EQ(Money(plan->GetCumulAmortOuv(0)), 4000) << "the chain alone, without the forcing";
    EXPECT_DOUBLE_EQ(Money(plan->GetDotation(kD)), 1666.67);
    EXPECT_DOUBLE_EQ(Money(plan->GetLstTabAmort()->GetTabAmort(1)->GetDotation(TDateTime())), 1666.67);
    EXPECT_DOUBLE_EQ(Money(plan->GetLstTabAmort()->GetTabAmort(2)->GetDotation(TDateTime())), 1666.66);

    plan->SetCumulAmortOuvForce(CCurrency());
    EXPECT_FALSE(plan->GetForcageOuv(false));
    EXPECT_EQ(Years(plan), (std::vector<int>{-2, -1, 0, 1, 2}));
    EXPECT_DOUBLE_EQ(Money(plan->GetCumulAmortOuv(1)), 4000);
    EXPECT_DOUBLE_EQ(Money(plan->GetDotation(kD)), 2000);
}

// Which values make a plan's opening forced (and so move its first schedule year).
TEST_F(Opening, WhatForcesTheOpening) {
    cVK_Composant* component = NewAsset(veInitialisation, EncodeDate(2024, 1, 1), 10000)->GetStructure();
    cVK_Amortissement* plan = component->GetAmort(taComptable);
    struct Case {
        const char* label;
        void (cVK_Amortissement::*set)(const CCurrency&);
        bool normal, standards;
    } cases[] = {
        {"OUV_AMORT", &cVK_Amortissement::SetCumulAmortOuvForce, true, false},
        {"OUV_DEPREC_DED", &cVK_Amortissement::SetCumulDeprecDedOuvForce, true, false},
        {"OUV_DEPREC_NON_DED", &cVK_Amortissement::SetCumulDeprecNonDedOuvForce, true, false},
        {"OUV_AMORT_MAN", &cVK_Amortissement::SetMAN_CumulAmortOuvForce, true, true},
        {"OUV_DEPREC_DED_MAN", &cVK_Amortissement::SetMAN_CumulDeprecDedOuvForce, true, true},
        {"OUV_DEPREC_NON_DED_MAN", &cVK_Amortissement::SetMAN_CumulDeprecNonDedOuvForce, true, true},
    };
    for (const Case& c : cases) {
        (plan->*c.set)(CCurrency(0));  // 0 is a value
        EXPECT_EQ(plan->GetForcageOuv(false), c.normal) << c.label;
        EXPECT_EQ(plan->GetForcageOuv(true), c.standards) << c.label;
        (plan->*c.set)(CCurrency());
        EXPECT_FALSE(plan->GetForcageOuv(false)) << c.label << " removed";
    }
    plan->OUV_AMORT_CALC_MAN = CCurrency(100);  // a stored standards cumul forces the normal schedule
    EXPECT_TRUE(plan->GetForcageOuv(false));
    EXPECT_FALSE(plan->GetForcageOuv(true));
    plan->OUV_AMORT_CALC_MAN = CCurrency();
    // Units of production with forced opening units.
    SetPlan(plan, maUnitesOeuvre, 65535);
    component->SetUO_ConsommationTotale(CCurrency(1000));
    EXPECT_FALSE(plan->GetForcageOuv(false));
    component->SetUO_CumulConsoOuvForce(CCurrency(0));
    EXPECT_TRUE(plan->GetForcageOuv(false));
    EXPECT_TRUE(plan->GetForcageOuv(true));
}

// ---------------------------------------------------------------------------------------------
// Standards conformity

// An asset in state 3 whose component has no earlier version: the conformity applies. The plan was
// stored with an empty year -1, so the normal schedule starts afresh in year 0.
//  - setting 1 (retrospective): year 0 opens with the standards schedule's computed cumul, the
//    chain from 1 Jan 2024: 4,000; charge 6,000 x 360 / 1,080 = 2,000;
//  - setting 0: the forced standards value (3,000: charge 7,000 x 360 / 1,080 = 2,333.33), else the
//    stored OUV_AMORT_CALC_MAN (3,500: 2,166.67); the insert under setting 0 forced 0 (3,333.33).
TEST_F(Opening, RetrospectiveSettingAndStandardsOpening) {
    struct Case {
        const char* setting;
        const char* forcedMan;
        const char* storedMan;
        double opening;
        double charge;
    } cases[] = {
        {"1", nullptr, nullptr, 4000, 2000},   {"1", "3000", nullptr, 3000, 2333.33},
        {"0", "3000", nullptr, 3000, 2333.33}, {"0", nullptr, "3500", 3500, 2166.67},
        {"0", "3000", "3500", 3000, 2333.33},  {"1", nullptr, "3500", 3500, 2166.67},
    };
    for (const Case& c : cases) {
        pCurDossier->FichierINI()->SetString("VK", "MiseAuxNormes_MethodeRetrospective", c.setting);
        cVK_Amortissement* plan =
            NewAsset(veMiseAuxNormes, EncodeDate(2024, 1, 1), 10000)->GetStructure()->GetAmort(taComptable);
        const std::string label =
            fmt::format("setting {}, forced {}, stored {}", c.setting, c.forcedMan ? c.forcedMan : "-",
                        c.storedMan ? c.storedMan : "-");
        EXPECT_TRUE(plan->MiseAuxNormesAAppliquer()) << label;
        EXPECT_TRUE(plan->GetLstTabAmort()->HasStocke()) << label << ": the empty year -1";
        if (std::string(c.setting) == "0") {
            EXPECT_DOUBLE_EQ(Money(plan->OUV_AMORT_MAN), 0) << label << ": set by the insert";
            plan->SetMAN_CumulAmortOuvForce(CCurrency());
            EXPECT_DOUBLE_EQ(Money(plan->GetCumulAmortOuv(1)), 0) << label << ": nothing stored";
        }
        plan->SetMAN_CumulAmortOuvForce(c.forcedMan ? CCurrency::Parse(c.forcedMan) : CCurrency());
        plan->OUV_AMORT_CALC_MAN = c.storedMan ? CCurrency::Parse(c.storedMan) : CCurrency();
        plan->ClearCalculs();
        EXPECT_DOUBLE_EQ(Money(plan->GetCumulAmortOuv(1)), c.opening) << label;
        EXPECT_DOUBLE_EQ(Money(plan->GetDotation(kD)), c.charge) << label;
    }
}

// Whether the conformity applies: never in state 2; in state 3 when the component has no earlier
// version or the earlier version's plan of the same kind differs (method, start, duration,
// depreciable value), whatever the forced values.
TEST_F(Opening, WhenTheStandardsConformityApplies) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2024, 1, 1), 10000);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
    EXPECT_FALSE(plan->MiseAuxNormesAAppliquer()) << "state 2";
    asset->BD_Dupliquer(veMiseAuxNormes, false);
    ASSERT_EQ(asset->Etat, veMiseAuxNormes);
    plan = asset->GetStructure()->GetAmort(taComptable);
    ASSERT_NE(asset->GetStructure()->GetCompoPrec(), nullptr);
    EXPECT_FALSE(plan->MiseAuxNormesAAppliquer()) << "same plan as the earlier version";
    plan->SetCumulAmortOuvForce(CCurrency(1234));
    EXPECT_FALSE(plan->MiseAuxNormesAAppliquer()) << "forced values are not compared";
    SetPlan(plan, maLineaire, 72, EncodeDate(2024, 1, 1));
    EXPECT_TRUE(plan->MiseAuxNormesAAppliquer()) << "duration changed";
}

// ---------------------------------------------------------------------------------------------
// Storing the past

// Years -2 to 0 computed: storing the past writes -2 and -1; again, nothing more (D24); at closing
// 0 joins them. The stored lines are read back with their figures.
TEST_F(Opening, StoringThePastWritesEachYearOnceAndGoesWithThePlan) {
    cVK_Composant* component = NewAsset(veInitialisation, EncodeDate(2024, 1, 1), 10000)->GetStructure();
    cVK_Amortissement* plan = component->GetAmort(taComptable);
    std::unique_ptr<cVK_Amortissement> removed;  // freed at the end, after the lines read from it
    plan->StockeAmortAnterieurs(false);
    EXPECT_EQ(StoredYears(component, taComptable), "-2,-1");
    plan->StockeAmortAnterieurs(false);
    EXPECT_EQ(StoredYears(component, taComptable), "-2,-1") << "stored twice";
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(-1)->IsStocke());
    EXPECT_FALSE(plan->GetLstTabAmort()->GetTabAmort(0)->IsStocke());
    plan->StockeAmortAnterieurs(true);
    EXPECT_EQ(StoredYears(component, taComptable), "-2,-1,0");
    EXPECT_TRUE(plan->GetLstTabAmort()->GetTabAmort(0)->IsStocke()) << "the current year frozen too";
    EXPECT_EQ(StoredLines(component, taFiscal), 0) << "only this plan";
    cVK_LstTabAmort reread(plan, false);
    ASSERT_NE(reread.GetTabAmort(0), nullptr);
    EXPECT_TRUE(reread.GetTabAmort(0)->IsStocke());
    EXPECT_DOUBLE_EQ(Money(reread.GetTabAmort(0)->GetDotation(TDateTime())), 2000);
    EXPECT_DOUBLE_EQ(Money(reread.GetTabAmort(0)->GetCumulAmortOuv(1)), 4000);
    EXPECT_EQ(reread.GetTabAmort(0)->GetProrata(), "360 / 1080");
    EXPECT_DOUBLE_EQ(Money(plan->GetDotation(kD)), 2000) << "the stored year 0 still answers";
    // A plan removed from the list leaves the table at the next save, with its stored lines.
    component->GetLstAmortissement()->Delete(plan);
    removed.reset(plan);
    ASSERT_TRUE(component->GetLstAmortissement()->BD_MAJ());
    EXPECT_EQ(StoredLines(component, taComptable), 0);
}

// A plan with nothing stored before year 0 gets an empty stored year -1 when its asset is in state
// 3, or in state 2 with a component entered before the current year; otherwise nothing is written.
// A plan whose opening is forced starts at year 0: the forced value stands for every earlier year,
// so no computed line before it is stored as the past and the plan too gets the empty year -1.
//  - state 3 (retrospective), entered 1 Jan 2024: the standards cumul kept is the chain's 4,000 and
//    year 0 still opens with it (charge 6,000 x 360 / 1,080 = 2,000);
//  - state 2, entered 1 Jan 2024, opening forced to 5,000: charge 5,000 x 360 / 1,080 = 1,666.67.
TEST_F(Opening, EmptyYearBeforeTheCurrentOne) {
    struct Case {
        const char* label;
        VK_Etats state;
        TDateTime entry, start;
        const char* forced;
        const char* stored;
        double opening, charge;
        const char* standardsCumul;  // OUV_AMORT_CALC_MAN after storing
    } cases[] = {
        {"state 3, entered this year", veMiseAuxNormes, EncodeDate(2026, 3, 1), EncodeDate(2026, 3, 1),
         nullptr, "-1", 0, 1666.67, "0"},
        {"state 2, entered this year", veInitialisation, EncodeDate(2026, 3, 1), EncodeDate(2026, 3, 1),
         nullptr, "<null>", 0, 1666.67, nullptr},
        {"state 2, entered before, started this year", veInitialisation, EncodeDate(2025, 6, 1),
         EncodeDate(2026, 1, 1), nullptr, "-1", 0, 2000, nullptr},
        {"state 3, entered two years before", veMiseAuxNormes, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 1),
         nullptr, "-1", 4000, 2000, "4000"},
        {"state 2, opening forced", veInitialisation, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 1), "5000",
         "-1", 5000, 1666.67, nullptr},
    };
    pCurDossier->FichierINI()->SetString("VK", "MiseAuxNormes_MethodeRetrospective", "1");
    for (const Case& c : cases) {
        cVK_Bien* asset = NewAsset(veInitialisation, c.entry, 10000);
        cVK_Composant* component = asset->GetStructure();
        cVK_Amortissement* plan = component->GetAmort(taComptable);
        SetPlan(plan, maLineaire, 60, c.start);
        if (c.forced) plan->SetCumulAmortOuvForce(CCurrency::Parse(c.forced));
        asset->Etat = c.state;  // the state of the version being validated
        plan->GetLstTabAmort()->CalculTableau();
        plan->StockeAmortAnterieurs(false);
        EXPECT_EQ(StoredYears(component, taComptable), c.stored) << c.label;
        if (std::string(c.stored) == "-1") {
            EXPECT_EQ(StoredLines(component, taComptable, " AND DOTATION=0 AND PREMIER_AMORT=1"), 1)
                << c.label;
        }
        EXPECT_DOUBLE_EQ(Money(plan->GetCumulAmortOuv(1)), c.opening) << c.label;
        EXPECT_DOUBLE_EQ(Money(plan->GetDotation(kD)), c.charge) << c.label;
        EXPECT_EQ(
            plan->OUV_AMORT_CALC_MAN.IsNull() ? "null" : fmt::format("{}", Money(plan->OUV_AMORT_CALC_MAN)),
            c.standardsCumul ? c.standardsCumul : "null")
            << c.label;
    }
}

// ---------------------------------------------------------------------------------------------
// Plan comparison

// Method, starting point, duration and depreciable value decide; forced openings do not, except
// for Export_EstEgalA, which also compares the opening cumul in effect.
TEST_F(Opening, PlanComparisonIgnoresForcedValues) {
    cVK_Composant* component = NewAsset(veInitialisation, EncodeDate(2024, 1, 1), 10000)->GetStructure();
    cVK_Amortissement* a = component->GetAmort(taComptable);
    cVK_Amortissement* b = component->GetAmort(taFiscal);
    EXPECT_TRUE(*a == *b);
    EXPECT_TRUE(a->Export_EstEgalA(*b));
    b->SetCumulAmortOuvForce(CCurrency(3000));
    b->SetMAN_CumulDeprecDedOuvForce(CCurrency(10));
    EXPECT_TRUE(*a == *b) << "forced openings are not compared";
    EXPECT_FALSE(*a != *b);
    EXPECT_FALSE(a->Export_EstEgalA(*b)) << "opening 4,000 against 3,000";
    b->SetCumulAmortOuvForce(CCurrency());
    b->SetMAN_CumulDeprecDedOuvForce(CCurrency());
    struct Change {
        const char* label;
        std::function<void()> apply, undo;
    } changes[] = {
        {"duration", [&] { b->SetDuree(48); }, [&] { b->SetDuree(60); }},
        {"start", [&] { b->SetPtDeDepart(EncodeDate(2024, 2, 1)); },
         [&] { b->SetPtDeDepart(EncodeDate(2024, 1, 1)); }},
        {"residual value", [&] { b->SetValResiduelle(CCurrency(500)); },
         [&] { b->SetValResiduelle(CCurrency()); }},
        {"method", [&] { SetPlan(b, maDegressif, 60); },
         [&] { SetPlan(b, maLineaire, 60, EncodeDate(2024, 1, 1)); }},
    };
    for (const Change& change : changes) {
        change.apply();
        EXPECT_TRUE(*a != *b) << change.label;
        EXPECT_FALSE(a->Export_EstEgalA(*b)) << change.label;
        change.undo();
        EXPECT_TRUE(*a == *b) << change.label << " undone";
    }
}

// A plan change in the history: the years -2 and -1 stored under 60 months, the later years
// computed under 72 months in a new version of the asset, in the same session: two combinations of
// method, start and duration for the same price. Without the change, one combination. The stored
// lines keep the plan they were computed with, although the version's plan object became a new
// plan.
TEST_F(Opening, PlanChangeFoundInTheHistory) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2024, 1, 1), 10000);
    asset->GetStructure()->StockeAmortAnterieurs();
    ASSERT_TRUE(asset->BD_MAJ());
    EXPECT_FALSE(asset->GetStructure()->GetAmort(taComptable)->GetASubitUnChangementDePlan());
    asset->BD_Dupliquer(veModification, false);
    cVK_Amortissement* plan = asset->GetStructure()->GetAmort(taComptable);
    SetPlan(plan, maLineaire, 72, EncodeDate(2024, 1, 1));
    ASSERT_TRUE(asset->BD_MAJ());
    cVK_TabAmort* stored = plan->GetLstTabAmort()->GetTabAmort(-2);
    ASSERT_TRUE(stored && stored->IsStocke());
    EXPECT_EQ(stored->GetAmortissement()->GetDuree(), 60) << "the plan the stored line was computed with";
    EXPECT_EQ(plan->GetLstTabAmort()->GetTabAmort(0)->GetAmortissement(), plan);
    EXPECT_TRUE(plan->GetASubitUnChangementDePlan());
    EXPECT_FALSE(asset->GetStructure()->GetAmort(taFiscal)->GetASubitUnChangementDePlan())
        << "tax plan unchanged";
    asset->TYPEBIEN = 3;
    EXPECT_FALSE(plan->GetASubitUnChangementDePlan()) << "asset type 3";
}

// ---------------------------------------------------------------------------------------------
// Validation

// Validating stores the openings without the forced values: machine of 2025, A linear 60 months, F
// declining 35 %: computed derogatory opening 1,500 (forced 700 is not frozen); temporary
// reintegration opening 0 (A never above F). Every plan stores its past (year -1).
TEST_F(Opening, ValidationStoresTheComputedOpenings) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000, maDegressif);
    cVK_Composant* component = asset->GetStructure();
    component->SetAmortDerogOuvForce(CCurrency(700));
    component->SetReintTmpOuvForce(CCurrency(50));
    asset->Valider(vcValide);
    EXPECT_EQ(asset->EtatCplmt, vcValide);
    EXPECT_EQ(asset->USERVALID, "testeur");
    EXPECT_DOUBLE_EQ(Money(component->DEROG_OUV), 1500);
    EXPECT_TRUE(component->DEROG_OUV_MAN.IsNull());
    EXPECT_DOUBLE_EQ(Money(component->OUV_A_DED), 0);
    EXPECT_DOUBLE_EQ(Money(component->GetAmortDerogOuv(1)), 700) << "the forcing stays in effect";
    EXPECT_EQ(StoredYears(component, taComptable), "-1");
    EXPECT_EQ(StoredYears(component, taFiscal), "-1");
    EXPECT_EQ(Stored("DEROG_OUV", "VKC", "ID_COMPO=" + std::to_string(component->ID)), "1500");
    EXPECT_EQ(Stored("VALIDER", "VKB", "ID_BIEN=" + std::to_string(asset->ID)), "1");
    component->SupprimeStokageOuv();
    EXPECT_TRUE(component->DEROG_OUV.IsNull());
    EXPECT_TRUE(component->OUV_A_DED.IsNull());
}

// In state 3 the standards opening is stored instead (reason 4: the computed maximum 1,500).
TEST_F(Opening, ValidationInStandardsStateStoresTheStandardsOpening) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000, maDegressif);
    asset->BD_Dupliquer(veMiseAuxNormes, false);
    cVK_Composant* component = asset->GetStructure();
    ASSERT_EQ(component->MAN_MOTIF, 4);
    asset->Valider(vcValide);
    EXPECT_DOUBLE_EQ(Money(component->DEROG_OUV_MAN), 1500);
    EXPECT_TRUE(component->DEROG_OUV.IsNull());
}

// ---------------------------------------------------------------------------------------------
// Year-end closing

class Closing : public Opening {};

// A component entered after the year's end takes no part: false, and its rows are left alone.
TEST_F(Closing, ComponentEnteredAfterTheYearEndChangesNothing) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2027, 2, 1), 10000);
    cVK_Composant* component = asset->GetStructure();
    component->SetAmortDerogOuvForce(CCurrency(5));
    ASSERT_TRUE(asset->BD_MAJ());
    const std::string before = vktest::DumpDatabase(engine.File().Database(), true);
    EXPECT_FALSE(component->Cloture());
    EXPECT_EQ(vktest::DumpDatabase(engine.File().Database(), true), before);
    EXPECT_DOUBLE_EQ(Money(component->DEROG_OUV_FORC), 5);
    EXPECT_EQ(component->EXOCREATION, 0);
    EXPECT_FALSE(asset->Cloture()) << "an asset none of whose components entered";
    EXPECT_EQ(vktest::DumpDatabase(engine.File().Database(), true), before);
    EXPECT_EQ(asset->EtatCplmt, vcEnCours);
}

// A component entered on the last day takes part: every stored version of it moves back one year.
TEST_F(Closing, ComponentEnteredBeforeLowersEveryStoredVersion) {
    cVK_Bien* asset = NewAsset(veInitialisation, kD, 10000);
    asset->BD_Dupliquer(veModification, false);
    cVK_Composant* component = asset->GetStructure();
    const std::string versions = "SELECT LIST(EXOCREATION, ',') FROM (SELECT EXOCREATION FROM " +
                                 GetNomTable("VKC", false) + " WHERE REF_CALC=" + component->GetRefCalc() +
                                 " ORDER BY ID_COMPO)";
    ASSERT_EQ(engine.File().Scalar(versions), "0,0");
    EXPECT_TRUE(component->Cloture());
    EXPECT_EQ(engine.File().Scalar(versions), "-1,-1");
    EXPECT_EQ(component->EXOCREATION, -1);
}

// The closing of a machine of 2025 (A linear 2,000 a year, F declining 35 %): the balance at the
// year's end 1,775 becomes the next opening, forced values are dropped, the years up to 0 of each
// plan are stored, and the asset gets a closed version (state 2, complement 3) created in year -1 while
// its earlier version moves back one year.
TEST_F(Closing, TheYearsBalancesBecomeTheNextOpening) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000, maDegressif);
    cVK_Composant* component = asset->GetStructure();
    cVK_Amortissement* tax = component->GetAmort(taFiscal);
    component->SetAmortDerogOuvForce(CCurrency(700));
    component->SetReintTmpOuvForce(CCurrency(80));
    component->SetMAN_AmortDerogOuvForce(CCurrency(3));
    component->MAN_MOTIF = 4;
    // Forced to the computed value: the same charges, but the tax schedule starts at year 0.
    tax->SetCumulAmortOuvForce(CCurrency(3500));
    tax->SetMAN_CumulDeprecDedOuvForce(CCurrency(0));
    ASSERT_TRUE(asset->BD_MAJ());
    const unsigned firstVersion = asset->ID;
    ASSERT_DOUBLE_EQ(Money(component->GetAmortDerog(kD)), 1775);

    ASSERT_TRUE(asset->Cloture());
    EXPECT_NE(asset->ID, firstVersion);
    EXPECT_EQ(asset->Etat, veInitialisation);
    EXPECT_EQ(asset->EtatCplmt, vcCloture);
    EXPECT_EQ(asset->EXOCREAT, -1);
    EXPECT_DOUBLE_EQ(Money(component->DEROG_OUV), 1775);
    // The forced opening 80 made the component concerned by the temporary reintegration; A never
    // exceeds F, so the balance frozen is 0.
    EXPECT_DOUBLE_EQ(Money(component->OUV_A_DED), 0);
    for (const CCurrency* forced :
         {&component->DEROG_OUV_FORC, &component->DEROG_OUV_FORC_MAN, &component->DEROG_OUV_MAN,
          &component->OUV_A_DED_FORCE, &component->OUV_A_DED_FORC_MAN, &tax->OUV_AMORT,
          &tax->OUV_DEPREC_DED_MAN})
        EXPECT_TRUE(forced->IsNull());
    EXPECT_EQ(component->MAN_MOTIF, 0);
    EXPECT_EQ(component->EXOCREATION, -1);
    EXPECT_EQ(StoredYears(component, taComptable), "-1,0");
    EXPECT_EQ(StoredYears(component, taFiscal), "0") << "a forced opening has no earlier line";
    const std::string chain =
        "SELECT LIST(S, ';') FROM (SELECT EXOCREAT || ',' || CLOTURER || ',' || "
        "INITIALISATION AS S FROM " +
        GetNomTable("VKB", false) + " WHERE REF_CALC=" + asset->GetRefCalc() + " ORDER BY ID_BIEN)";
    EXPECT_EQ(engine.File().Scalar(chain), "-1,0,1;-1,1,1");
    EXPECT_EQ(Stored("DEROG_OUV", "VKC", "ID_COMPO=" + std::to_string(component->ID)), "1775");
    EXPECT_EQ(Stored("DEROG_OUV_FORC", "VKC", "ID_BIEN=" + std::to_string(firstVersion)), "700")
        << "the closed version keeps what was entered";
}

// Acquisition-detail creation years: lowered only when not the sentinel and 0 or less (D4).
TEST_F(Closing, DetailCreationYears) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000);
    cVK_Composant* component = asset->GetStructure();
    cVK_LstDetailComposant* details = component->GetDetails();
    while (details->Count() < 4) details->AddNew()->SetPrixAcquisOrigine(CCurrency(100));
    const int before[4] = {VK_IntNull, 0, -1, 1};
    const int after[4] = {VK_IntNull, -1, -2, 1};
    for (int i = 0; i < 4; ++i) details->Get(i)->EXOCREATION = before[i];
    for (int i = 0; i < 4; ++i) details->Get(i)->Modifie();
    ASSERT_TRUE(asset->BD_MAJ());
    ASSERT_TRUE(asset->Cloture());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(details->Get(i)->EXOCREATION, after[i]) << "creation year " << before[i];
        EXPECT_EQ(Stored("EXOCREATION", "VKL", "ID_DETAIL=" + std::to_string(details->Get(i)->ID)),
                  after[i] == VK_IntNull ? "<null>" : std::to_string(after[i]))
            << "creation year " << before[i];
    }
}

// A disposed component takes part (its versions move back) but keeps its openings and leaves the
// closing version.
TEST_F(Closing, DisposedComponentLeavesTheClosingVersion) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000);
    cVK_ListeComposants* components = asset->GetListeComposants();
    cVK_Composant* sold = components->AddNew();
    sold->SetNumCompte("215400");
    sold->SetDateEntree(EncodeDate(2025, 1, 1));
    sold->SetDateMiseEnService(EncodeDate(2025, 1, 1));
    sold->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(2000));
    ASSERT_TRUE(asset->BD_MAJ());
    vktest::Dispose(sold, EncodeDate(2026, 6, 30));
    const std::string soldRef = sold->GetRefCalc();
    ASSERT_TRUE(asset->Cloture());
    EXPECT_EQ(components->Count(), 1);
    EXPECT_EQ(engine.File().Count(GetNomTable("VKC", false), "REF_CALC=" + soldRef), 1);
    EXPECT_EQ(Stored("EXOCREATION", "VKC", "REF_CALC=" + soldRef), "-1");
    EXPECT_EQ(engine.File().Count(GetNomTable("VKC", false), "ID_BIEN=" + std::to_string(asset->ID)), 1);
}

// An asset whose every component is disposed: its chain ends with the disposal version, which moves
// back one year; no empty version is made (a new version would need a structure).
TEST_F(Closing, WhollyDisposedAssetMakesNoEmptyVersion) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000);
    vktest::Dispose(asset->GetStructure(), EncodeDate(2026, 6, 30));
    const std::string chain = "SELECT LIST(EXOCREAT, ',') FROM (SELECT EXOCREAT FROM " +
                              GetNomTable("VKB", false) + " WHERE REF_CALC=" + asset->GetRefCalc() +
                              " ORDER BY ID_BIEN)";
    ASSERT_EQ(engine.File().Scalar(chain), "0");
    EXPECT_TRUE(asset->Cloture());
    EXPECT_EQ(engine.File().Scalar(chain), "-1") << "one version, moved back; none added";
}

// A failed statement is not a success (D10): when moving the earlier versions back one year fails,
// the asset's closing says so.
TEST_F(Closing, AFailedStatementFailsTheClosing) {
    cVK_Bien* asset = NewAsset(veInitialisation, EncodeDate(2025, 1, 1), 10000);
    TIBDatabase& database = engine.File().Database();
    database.ExecuteImmediate("CREATE EXCEPTION VKTEST_REFUS 'refused by the test'");
    database.ExecuteImmediate("CREATE TRIGGER VKTEST_REFUS_UPDATE FOR " + GetNomTable("VKB", false) +
                              " BEFORE UPDATE AS BEGIN EXCEPTION VKTEST_REFUS; END");
    engine.File().Commit();
    EXPECT_FALSE(asset->Cloture());
    ASSERT_FALSE(messages->exceptions.empty());
    EXPECT_NE(messages->exceptions[0].message.find("refused by the test"), std::string::npos)
        << messages->exceptions[0].message;
    messages->exceptions.clear();
}

}  // namespace
