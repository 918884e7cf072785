// What a disposal does to the depreciation of its year and to the tax figures, end to end: assets
// bought 1 Jan 2024 for 12,000, taken out by an exit on 30 Jun 2026 (the current year), the
// disposal version's figures read as the disposal screen and the entries read them.
// Linear charges run by days (30/360) over what remains of the plan: the first half of 2026 is
// 180 of the days left.
#include "tests/units/cession_fixture.h"

namespace {

using vktest::Conclude;
using vktest::EngineCase;
using vktest::NewExit;
using vktest::SetPlan;
using vktest::TakeOut;

const TDateTime kBought = EncodeDate(2024, 1, 1);
const TDateTime kSold = EncodeDate(2026, 6, 30);
const TDateTime kYearEnd = EncodeDate(2026, 12, 31);

class DisposalEffects : public ::testing::Test {
protected:
    // The asset's plans (months of the accounting and the tax plan), then its disposal version
    // taken out by an exit at `price`; returns the disposal version's component.
    cVK_Composant* Sell(unsigned short accountingMonths, unsigned short taxMonths, const CCurrency& price,
                        VK_MotifSortie reason = vmCession, const TDateTime& endOfUse = kSold) {
        cVK_Bien* asset = engine.NewAsset(kBought, 12000);
        SetPlan(asset->GetStructure()->GetAmort(taComptable), maLineaire, accountingMonths, kBought);
        SetPlan(asset->GetStructure()->GetAmort(taFiscal), maLineaire, taxMonths, kBought);
        EXPECT_TRUE(asset->BD_MAJ());
        exit = NewExit(kSold, price, reason);
        exit->DATE_FIN_UTILISATION = endOfUse;
        cVK_Composant* component = TakeOut(*exit, asset->ID)->GetStructure();
        EXPECT_TRUE(Conclude(*exit));
        return component;
    }

    EngineCase engine;
    std::unique_ptr<cVK_Sortie> exit;
};

// 60 months: 2,400 in 2024 and 2025; 2026 charges 7,200 x 180 / 1080 = 1,200 up to the end of use
// and stops there. Book value 12,000 - 6,000; sold 7,000: a gain of 1,000, all depreciation taken
// back (short-term), held 2.5 years.
TEST_F(DisposalEffects, TheYearsChargeStopsAtTheEndOfUse) {
    cVK_Composant* component = Sell(60, 60, 7000);
    cVK_Amortissement* accounting = component->GetAmort(taComptable);
    EXPECT_EQ(accounting->GetDotation(TDateTime()), CCurrency(1200));
    EXPECT_TRUE(accounting->GetLstTabAmort()->GetTabAmort(0)->GetDernierAmort());
    EXPECT_EQ(accounting->GetCumulAmort(kYearEnd), CCurrency(6000));
    cVK_Cession* cession = component->GetCession();
    EXPECT_EQ(cession->GetAmortCptaPrat(), CCurrency(6000));
    CCurrency gross, depreciation;
    EXPECT_EQ(cession->GetValeurComptableActifsCedes(&gross, &depreciation), CCurrency(6000));
    EXPECT_EQ(gross, CCurrency(12000));
    EXPECT_EQ(depreciation, CCurrency(6000));
    EXPECT_EQ(cession->PvMvRealisee(nullptr, nullptr), CCurrency(1000));
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(1000));
    EXPECT_TRUE(cession->PvMvLongTerme(true).IsNull());
}

// Scrapped (reason 4) with its use ended on 31 March: the year charges all that remained, 7,200,
// and the asset is written down to nothing; scrapped for nothing, no result.
TEST_F(DisposalEffects, ScrappingWritesTheAssetDownToNothing) {
    cVK_Composant* component = Sell(60, 60, 0, vmMiseAuRebut, EncodeDate(2026, 3, 31));
    cVK_Amortissement* accounting = component->GetAmort(taComptable);
    EXPECT_EQ(accounting->GetDotation(TDateTime()), CCurrency(7200));
    EXPECT_EQ(accounting->GetVNC(kYearEnd), CCurrency(0));
    CCurrency depreciation;
    EXPECT_EQ(component->GetCession()->GetValeurComptableActifsCedes(nullptr, &depreciation), CCurrency(0));
    EXPECT_EQ(depreciation, CCurrency(12000));
    CCurrency pv;
    EXPECT_FALSE(component->GetCession()->GetPvMv(&pv, nullptr, nullptr, nullptr, true, false, nullptr));
    EXPECT_EQ(pv, CCurrency(0));
}

// Accounting over 120 months (1,200 a year, 600 in the first half of 2026: 9,600 x 180 / 2880),
// tax over 60 (2,400 a year, 1,200: 7,200 x 180 / 1080). Opening derogatory balance 4,800 - 2,400
// = 2,400; at the disposal 6,000 - 3,000 = 3,000, all of it reversed: the year allocates 600 and
// reverses 3,000, the disposal's reversal is 3,000, nothing is left. The depreciation of the book
// value is the tax one, 3,000 + 3,000; sold 9,000: a gain of 3,000, all of it depreciation taken back.
TEST_F(DisposalEffects, TheWholeDerogatoryBalanceIsReversedOnDisposal) {
    cVK_Composant* component = Sell(120, 60, 9000);
    EXPECT_EQ(component->GetAmortDerogOuv(1), CCurrency(2400));
    EXPECT_EQ(component->GetAmortDerog(kSold), CCurrency(3000));
    CCurrency allocation, reversal, disposalReversal, closing;
    const CCurrency movement =
        component->GetAmortDerogEx(kYearEnd, &allocation, &reversal, &disposalReversal, &closing);
    EXPECT_EQ(allocation, CCurrency(600));
    EXPECT_EQ(reversal, CCurrency(3000));
    EXPECT_EQ(disposalReversal, CCurrency(3000));
    EXPECT_EQ(closing, CCurrency(0));
    EXPECT_EQ(movement, CCurrency(-2400));
    cVK_Cession* cession = component->GetCession();
    EXPECT_EQ(cession->GetAmortCptaPrat(), CCurrency(3000));
    EXPECT_EQ(cession->GetAmortDerogPrat(kSold), CCurrency(3000));
    CCurrency depreciation;
    EXPECT_EQ(cession->GetValeurComptableActifsCedes(nullptr, &depreciation), CCurrency(6000));
    EXPECT_EQ(depreciation, CCurrency(6000));
    EXPECT_EQ(cession->PvMvRealisee(nullptr, nullptr), CCurrency(3000));
    EXPECT_EQ(cession->PvMvCourtTerme(true), CCurrency(3000));
    EXPECT_TRUE(exit->ExisteCompoAmortisDerog());
    // Entered depreciation replaces the computed one: 12,000 - (2,000 + 1,000) = 9,000, no gain.
    cession->AMORT_CPTA_PRAT_SAIS = CCurrency(2000);
    cession->AMORT_DEROG_PRAT_SAIS = CCurrency(1000);
    EXPECT_EQ(cession->PvMvRealisee(nullptr, nullptr), CCurrency(0));
}

// Accounting over 60 months, tax over 120: 4,800 - 2,400 = 2,400 added back at the opening. A
// disposed component has nothing left to add back: the whole 2,400 is deducted in the year.
TEST_F(DisposalEffects, TemporaryReintegrationIsDeductedOnDisposal) {
    cVK_Composant* component = Sell(60, 120, 9000);
    EXPECT_EQ(component->GetReintTmpOuv(1), CCurrency(2400));
    EXPECT_EQ(component->GetReintTmp(kYearEnd), CCurrency(0));
    EXPECT_EQ(component->GetReintTmpReintDed(kYearEnd, 1), CCurrency(2400));
    EXPECT_EQ(component->GetReintTmpReintDed(kYearEnd, 0), CCurrency(0));
    // Without the disposal: 7,200 - 3,600 = 3,600 at the year's end, 1,200 more added back.
    component->GetCession()->BD_Supprimer(false);
    ASSERT_EQ(component->GetCession(), nullptr);
    EXPECT_EQ(component->GetReintTmp(kYearEnd), CCurrency(3600));
    EXPECT_EQ(component->GetReintTmpReintDed(kYearEnd, 0), CCurrency(1200));
}

}  // namespace
