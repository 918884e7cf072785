// A disposed component's figures: the VAT to reverse, the book value, the realised result and its
// split for tax, the entered values read back against the computed ones, the tax rate. Expected
// figures are worked out by hand in the comments (holding periods in 360-day years, both ends
// counted: 1 Jan 2020 to 30 Jun 2026 is 6 x 360 + 180 = 2340 days).
#include "tests/units/cession_fixture.h"
#include "units/uvkdivers.h"

namespace {

using vktest::Dispose;
using vktest::EngineCase;
using vktest::Entered;
using vktest::Regime;
using vktest::Shown;

// ---------------------------------------------------------------------------------------------
// VAT to reverse

struct VatCase {
    const char* what;
    const char* account;
    TDateTime entry, exit;
    bool reversed;
    const char* text;     // GetFractionAReverser
    const char* reverse;  // GetTvaAReverser on 1,000 of deducted VAT
};

// 5 years outside real estate; real estate (line 7300) 10 years when it entered before 1996, 20
// after. The year of entry counts whole: R = N - (exit year - entry year + 1), between 0 and N.
TEST(DisposalVat, FractionOfTheAdjustmentPeriodLeft) {
    EngineCase engine;
    const VatCase cases[] = {
        {"bought 2020, sold 2022: 5 - 3 = 2", "215400", EncodeDate(2020, 5, 10), EncodeDate(2022, 3, 1), true,
         "2/5", "400"},
        {"real estate entered 1 Mar 1995, sold 1999: 10 - 5", "213100", EncodeDate(1995, 3, 1),
         EncodeDate(1999, 6, 30), true, "5/10", "500"},
        {"real estate entered 1996, sold 2000: 20 - 5", "213100", EncodeDate(1996, 1, 1),
         EncodeDate(2000, 6, 30), true, "15/20", "750"},
        {"real estate entered 31 Dec 1995, sold 2000: 10 - 6", "213100", EncodeDate(1995, 12, 31),
         EncodeDate(2000, 1, 2), true, "4/10", "400"},
        {"real estate without entry date: no period", "213100", TDateTime(), EncodeDate(2000, 1, 2), true,
         "0/0", "0"},
        {"no disposal date: nothing remains", "215400", EncodeDate(2020, 5, 10), TDateTime(), true, "0/5",
         "0"},
        {"sold before the entry: at most the whole period", "215400", EncodeDate(2022, 5, 1),
         EncodeDate(2021, 12, 31), true, "5/5", "1000"},
        {"held beyond the period: nothing", "215400", EncodeDate(2015, 1, 1), EncodeDate(2022, 1, 1), true,
         "0/5", "0"},
        {"no VAT reversed", "215400", EncodeDate(2020, 5, 10), EncodeDate(2022, 3, 1), false, "", "<empty>"},
    };
    for (const VatCase& c : cases) {
        cVK_Composant* component = engine.NewAsset(EncodeDate(2020, 1, 1), 10000, c.account)->GetStructure();
        component->GetDetails()->Get(0)->SetTVARecupereeOrigine(1000);
        component->DATEENTREE = c.entry;
        cVK_Cession* cession = Dispose(component, c.exit, vmCession, c.reversed);
        EXPECT_EQ(cession->GetFractionAReverser(), c.text) << c.what;
        EXPECT_EQ(Shown(cession->GetTvaAReverser()), c.reverse) << c.what;
        EXPECT_EQ(cession->GetFractionTvaAReverser().IsNull(), !c.reversed) << c.what;
    }
}

// The deducted VAT and the VAT to reverse may be entered; the gross value of the disposed asset
// carries the VAT reversed.
TEST(DisposalVat, EnteredAmountsAndTheGrossValue) {
    EngineCase engine;
    cVK_Composant* component = engine.NewAsset(EncodeDate(2024, 4, 1), 10000)->GetStructure();
    component->GetDetails()->Get(0)->SetTVARecupereeOrigine(2000);
    cVK_Cession* cession = Dispose(component, EncodeDate(2026, 6, 30), vmCession, true);
    // 2024 to 2026: 3 years of 5 gone, 2/5 of 2,000 = 800.
    EXPECT_EQ(cession->GetFractionTvaAReverser(), CCurrency(0.4));
    EXPECT_EQ(cession->GetTvaAReverser(), CCurrency(800));
    CCurrency gross;
    cession->GetValeurComptableActifsCedes(&gross, nullptr);
    EXPECT_EQ(gross, CCurrency(10800)) << "price 10,000 + 800 reversed";

    cession->TVA_DED_SAIS = CCurrency(500);  // 2/5 of 500
    EXPECT_EQ(cession->GetTvaAReverser(), CCurrency(200));
    cession->TVA_A_REVERSER_SAIS = CCurrency::Parse("123.45");
    EXPECT_EQ(cession->GetTvaAReverser(), CCurrency::Parse("123.45"));
    EXPECT_EQ(cession->GetTvaAReverser_Calc(), CCurrency(200)) << "the computed amount stays available";
    cession->VAL_REEVAL_SAIS = CCurrency(9000);
    cession->GetValeurComptableActifsCedes(&gross, nullptr);
    EXPECT_EQ(gross, CCurrency(9000)) << "a revalued value replaces price and VAT";
}

// ---------------------------------------------------------------------------------------------
// Realised result and its split

struct SplitCase {
    const char* what;
    int regime;
    const char* account;
    TDateTime entry, exit;
    int price, depreciation;  // entered price and accounting depreciation; gross value 1,000
    const char* pv;
    const char* shortTerm;
    const char* longTerm;
    const char* excluded;
    bool applicable;
};

// Gross value B = 1,000 (the price of the component, no VAT), depreciation A entered, no
// derogatory depreciation, price P entered: PV = P - (B - A).
// Short-term: the whole result when held less than two years; otherwise a loss with depreciation,
// or for a gain the depreciation taken back, PV - max(0, P - B). Outside corporate tax the
// long-term part is the rest; under it (regime 2) the rest is excluded from the long-term regime:
// the gain above the gross value, or the whole loss of an asset without depreciation.
TEST(DisposalSplit, ShortLongAndExcludedParts) {
    const TDateTime jan2020 = EncodeDate(2020, 1, 1), jun2026 = EncodeDate(2026, 6, 30);
    const SplitCase cases[] = {
        // 1200 - (1000 - 300) = 500; short 500 - 200 = 300; long 200.
        {"gain held 6 years", 1, "215400", jan2020, jun2026, 1200, 300, "500", "300", "200", "<empty>",
         false},
        {"gain held 6 years, corporate tax", 2, "215400", jan2020, jun2026, 1200, 300, "500", "300",
         "<empty>", "200", true},
        // 1 Jan 2025 to 30 Jun 2026: 540 days, (540 - 1) / 360 = 1 year: all short-term.
        {"gain held 18 months", 1, "215400", EncodeDate(2025, 1, 1), jun2026, 1200, 300, "500", "500",
         "<empty>", "<empty>", false},
        {"gain held 18 months, corporate tax", 2, "215400", EncodeDate(2025, 1, 1), jun2026, 1200, 300, "500",
         "500", "<empty>", "<empty>", true},
        // 1 Jul 2024 to 30 Jun 2026: 720 days, 719 / 360 = 1; to 1 Jul 2026: 721, 720 / 360 = 2.
        {"exactly two years less a day", 1, "215400", EncodeDate(2024, 7, 2), EncodeDate(2026, 7, 1), 1200,
         300, "500", "500", "<empty>", "<empty>", false},
        {"two years to the day", 1, "215400", EncodeDate(2024, 7, 1), EncodeDate(2026, 7, 1), 1200, 300,
         "500", "300", "200", "<empty>", false},
        // 800 - 1000 = -200, no depreciation: nothing short-term.
        {"loss without depreciation", 1, "215400", jan2020, jun2026, 800, 0, "-200", "<empty>", "-200",
         "<empty>", false},
        {"loss without depreciation, corporate tax", 2, "215400", jan2020, jun2026, 800, 0, "-200", "<empty>",
         "<empty>", "-200", true},
        // 500 - 700 = -200, all short-term; the long-term rest is 0, no result.
        {"loss with depreciation", 1, "215400", jan2020, jun2026, 500, 300, "-200", "-200", "<empty>",
         "<empty>", false},
        {"loss with depreciation, corporate tax", 2, "215400", jan2020, jun2026, 500, 300, "-200", "-200",
         "<empty>", "<empty>", true},
        // 900 - 700 = 200, below the gross value: only depreciation taken back.
        {"gain below the gross value", 2, "215400", jan2020, jun2026, 900, 300, "200", "200", "<empty>",
         "<empty>", true},
        // A patent held two years or more under corporate tax: the whole gain long-term.
        {"patent gain, corporate tax", 2, "205000", jan2020, jun2026, 1200, 300, "500", "<empty>", "500",
         "<empty>", false},
        {"disposal before the entry", 1, "215400", EncodeDate(2026, 3, 1), EncodeDate(2026, 1, 15), 1200, 300,
         "<empty>", "<empty>", "<empty>", "<empty>", false},
        {"disposal before the entry, corporate tax", 2, "215400", EncodeDate(2026, 3, 1),
         EncodeDate(2026, 1, 15), 1200, 300, "<empty>", "<empty>", "<empty>", "<empty>", true},
    };
    for (int regime : {1, 2}) {
        EngineCase engine(Regime(regime));
        for (const SplitCase& c : cases) {
            if (c.regime != regime) continue;
            cVK_Composant* component = engine.NewAsset(c.entry, 1000, c.account)->GetStructure();
            cVK_Cession* cession = Entered(Dispose(component, c.exit), c.price, c.depreciation);
            CCurrency pv, shortTerm, excluded, longTerm;
            bool applicable = !c.applicable;
            const bool gain =
                cession->GetPvMv(&pv, &shortTerm, &excluded, &longTerm, true, false, &applicable);
            EXPECT_EQ(Shown(pv), c.pv) << c.what;
            EXPECT_EQ(Shown(shortTerm), c.shortTerm) << c.what;
            EXPECT_EQ(Shown(longTerm), c.longTerm) << c.what;
            EXPECT_EQ(Shown(excluded), c.excluded) << c.what;
            EXPECT_EQ(applicable, c.applicable) << c.what;
            EXPECT_EQ(gain, !pv.IsNull() && pv > CCurrency(0)) << c.what;
            // The absolute values keep empty parts empty.
            cession->GetPvMv(&pv, &shortTerm, nullptr, nullptr, true, true, nullptr);
            EXPECT_EQ(Shown(shortTerm), std::string(c.shortTerm).substr(c.shortTerm[0] == '-' ? 1 : 0))
                << c.what;
        }
    }
}

// D19: the entered values are read back against the computed ones, but what was entered is what
// is stored.
TEST(DisposalSplit, EnteredValuesAreCutWhenReadAndKeptAsEntered) {
    EngineCase engine;
    cVK_Composant* component = engine.NewAsset(EncodeDate(2020, 1, 1), 1000)->GetStructure();
    cVK_Cession* cession = Entered(Dispose(component, EncodeDate(2026, 6, 30)), 1200, 300);
    // A short-term gain of 900 entered for a realised gain of 500: 500 short-term, nothing left.
    cession->PVCT_SAIS = CCurrency(900);
    EXPECT_EQ(cession->GetPVCT_Sais(), CCurrency(500));
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(500));
    EXPECT_EQ(cession->PvMvCourtTerme(false), CCurrency(300)) << "computed without the entered value";
    EXPECT_TRUE(cession->PvMvLongTerme(true).IsNull());
    EXPECT_EQ(cession->PVCT_SAIS, CCurrency(900)) << "reading does not rewrite the field";
    ASSERT_TRUE(cession->BD_MAJ());
    EXPECT_EQ(
        engine.File().Scalar("SELECT PVCT_SAIS FROM ZENKOVKO WHERE ID_CESSION=" + VK_Format_ID(cession->ID)),
        "900");
    // Entered 150: 150 short-term, 350 long-term.
    cession->PVCT_SAIS = CCurrency(150);
    EXPECT_EQ(cession->PvMvLongTerme(true), CCurrency(350));

    // A short-term gain entered on a loss is no short-term gain; a short-term loss is at most the
    // realised loss. 800 - 1000 = -200 without depreciation.
    cession->PRIX_CESSION_SAIS = CCurrency(800);
    cession->AMORT_CPTA_PRAT_SAIS = CCurrency(0);
    EXPECT_TRUE(cession->GetPVCT_Sais().IsNull());
    cession->MVCT_SAIS = CCurrency(-50);
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(-50));
    EXPECT_EQ(cession->PvMvLongTerme(true), CCurrency(-150));
    cession->MVCT_SAIS = CCurrency(-1000);
    EXPECT_EQ(cession->GetMVCT_Sais(), CCurrency(-200));
    EXPECT_EQ(cession->MVCT_SAIS, CCurrency(-1000));
}

// Under corporate tax the entered excluded gain is at most the computed one (200), and what it
// leaves of the computed one stays long-term.
TEST(DisposalSplit, EnteredExcludedGainUnderCorporateTax) {
    EngineCase engine(Regime(2));
    cVK_Composant* component = engine.NewAsset(EncodeDate(2020, 1, 1), 1000)->GetStructure();
    cVK_Cession* cession = Entered(Dispose(component, EncodeDate(2026, 6, 30)), 1200, 300);
    cession->PVLT_EXCLUES_SAIS = CCurrency(150);
    EXPECT_EQ(cession->PvMvCTExclueLongTerme(true, nullptr), CCurrency(150));
    EXPECT_EQ(cession->PvMvCTExclueLongTerme(false, nullptr), CCurrency(200));
    EXPECT_EQ(cession->PvMvLongTerme(true), CCurrency(50));
    cession->PVLT_EXCLUES_SAIS = CCurrency(250);
    EXPECT_EQ(cession->GetPVLTExclues_Sais(), CCurrency(200));
    EXPECT_TRUE(cession->PvMvLongTerme(true).IsNull()) << "200 - 200 = 0 is no result";
    // An entered short-term gain of 100 leaves 400 of the gain excluded.
    cession->PVLT_EXCLUES_SAIS.SetNull();
    cession->PVCT_SAIS = CCurrency(100);
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(100));
    EXPECT_EQ(cession->PvMvCTExclueLongTerme(true, nullptr), CCurrency(400));
}

// A leased asset bought back (entry type 2) whose asset has a floor: the short-term gain is the
// floor when the gain exceeds it, else the whole gain.
TEST(DisposalSplit, LeaseBuyBackFloor) {
    EngineCase engine;
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2020, 1, 1), 1000);
    cVK_Composant* component = asset->GetStructure();
    component->SetTypeEntree(2);
    cVK_Cession* cession = Entered(Dispose(component, EncodeDate(2026, 6, 30)), 1200, 300);
    asset->PLANCHER_CALC_PV = CCurrency(100);
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(100));
    EXPECT_EQ(cession->PvMvLongTerme(true), CCurrency(400));
    asset->PLANCHER_CALC_PV = CCurrency(800);  // 500 below the floor; 500 - 300 computed >= 0
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(500));
    EXPECT_TRUE(cession->PVCT_SAIS.IsNull()) << "nothing written";
}

// ---------------------------------------------------------------------------------------------
// Tax rate, reason, price

// D17: a disposal loaded without a rate takes the rate of its long-term result: 0.15 for an
// intangible asset, 0 for a financial one from 2007. Without a long-term result it stays empty.
TEST(DisposalRate, LoadingGivesARateToALongTermResult) {
    EngineCase engine(Regime(2));
    struct {
        const char* what;
        const char* account;
        int depreciation;
        CCurrency excludedEntered;
        const char* rate;
    } cases[] = {
        {"patent: all long-term", "205000", 300, CCurrency(), "0.15"},
        // 1200 - 1000 = 200 excluded, 150 of it entered: 50 long-term.
        {"participation with an excluded gain entered", "261000", 0, CCurrency(150), "0"},
        {"equipment: no long-term result under corporate tax", "215400", 300, CCurrency(), "<empty>"},
    };
    for (const auto& c : cases) {
        cVK_Bien* asset = engine.NewAsset(EncodeDate(2020, 1, 1), 1000, c.account);
        cVK_Cession* cession =
            Entered(Dispose(asset->GetStructure(), EncodeDate(2026, 6, 30)), 1200, c.depreciation);
        cession->PVLT_EXCLUES_SAIS = c.excludedEntered;
        cession->TAUX_IMPOSITION.SetNull();
        ASSERT_TRUE(asset->BD_MAJ());
        cVK_Bien reloaded(asset->ID, "", nullptr, nullptr);
        ASSERT_NE(reloaded.GetStructure()->GetCession(), nullptr) << c.what;
        EXPECT_EQ(Shown(reloaded.GetStructure()->GetCession()->TAUX_IMPOSITION), c.rate) << c.what;
    }
}

// Without an exit the record's own price is the computed price; a rate of 0 or less is no rate.
TEST(DisposalPrice, OwnPriceAndCurrency) {
    EngineCase engine;
    cVK_Cession* cession =
        Dispose(engine.NewAsset(EncodeDate(2020, 1, 1), 1000)->GetStructure(), EncodeDate(2026, 1, 1));
    cession->AffecterPrixCession_Calc();
    EXPECT_EQ(cession->PRIX_CESSION_CALC, CCurrency(0)) << "no price at all";
    EXPECT_EQ(cession->GetPrixCession(), CCurrency(0));
    cession->PRIXHT_SORTIE = CCurrency::Parse("655.957");
    cession->DeviseSortie = CDevise(kCodeFranc, kTauxFranc);
    cession->AffecterPrixCession_Calc();
    EXPECT_EQ(cession->PRIX_CESSION_CALC, CCurrency(100)) << "655.957 francs at 6.55957";
    cession->DeviseSortie = CDevise(kCodeFranc, 0);
    EXPECT_EQ(cession->GetPrixHT(), CCurrency::Parse("655.957")) << "rate 0: taken as it stands";
    cession->PRIX_CESSION_SAIS = CCurrency(90);
    EXPECT_EQ(cession->GetPrixCession(), CCurrency(90));
}

}  // namespace
