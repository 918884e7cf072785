// Exits: the share of the exit's price each component takes, the totals over the components, the
// tests of the disposal screen, and deleting an exit or the assets it took out.
#include <fmt/format.h>

#include "tests/units/cession_fixture.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvkuniteoeuvre.h"

namespace {

using vktest::Conclude;
using vktest::Dispose;
using vktest::EngineCase;
using vktest::Entered;
using vktest::NewExit;
using vktest::Regime;
using vktest::Shown;
using vktest::TakeOut;

const TDateTime kJan2020 = EncodeDate(2020, 1, 1);
const TDateTime kExitDate = EncodeDate(2026, 6, 30);

// Adds a stored component of the given price to a stored asset.
cVK_Composant* AddComponent(cVK_Bien* asset, const CCurrency& price, const TDateTime& entry = kJan2020) {
    cVK_Composant* component = asset->GetListeComposants()->AddNew();
    component->SetNumCompte("215400");
    component->SetDateEntree(entry);
    component->SetDateMiseEnService(entry);
    component->GetDetails()->AddNew()->SetPrixAcquisOrigine(price);
    asset->BD_MAJ();
    return component;
}

// Every row a query returns, its columns joined by "|" and its rows by "\n".
std::string Rows(const std::string& sql) {
    TIBQuery query(pCurDossier->GetDatabaseFirebird());
    query.SQL.SetText(sql);
    std::string text;
    for (query.Open(); !query.Eof(); query.Next()) {
        for (int i = 0; i < query.FieldCount(); ++i)
            text += (query.Fields(i)->IsNull() ? "<null>" : query.Fields(i)->AsString()) + "|";
        text += "\n";
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Empty exit and currency

TEST(Exit, WithoutAssetsEverythingIsZeroOrEmpty) {
    EngineCase engine;
    auto exit = NewExit(kExitDate, 1000);
    CCurrency t[10];
    exit->GetTotalPvMv(&t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &t[7]);
    exit->GetTotalDepreciations(&t[8], &t[9]);
    for (const CCurrency& total : t) EXPECT_EQ(Shown(total), "0");
    for (const CCurrency& total :
         {exit->TotalCoutEntree(), exit->TotalPrixCession_Calc(), exit->TotalPrixCession_Sais()})
        EXPECT_EQ(Shown(total), "0");
    EXPECT_EQ(Shown(exit->GetTotalTvaAReverser()), "<empty>");
    for (bool uo : {true, false})
        for (const CCurrency& total :
             {exit->TotalAmortUOouManu_Restants(uo), exit->TotalAmortUOouManu_Prevus(uo),
              exit->TotalAmortUOouManu_Reels(uo)})
            EXPECT_EQ(Shown(total), "<empty>") << "units " << uo;
    const bool flags[] = {exit->ExistePlrsCompoCedes(), exit->ExisteCompoAmortisEnUO(),
                          exit->ExisteCompoAmortisManu(), exit->ExisteCompoDeprecieAOuv(),
                          exit->ExisteCompoAmortisDerog()};
    for (size_t i = 0; i < std::size(flags); ++i) EXPECT_FALSE(flags[i]) << "flag " << i;
}

TEST(Exit, PriceInACurrencyIsConvertedOnlyWithARate) {
    EngineCase engine;
    auto exit = NewExit(kExitDate, CCurrency::Parse("655.957"));
    EXPECT_EQ(exit->GetPrixHT(), CCurrency::Parse("655.957")) << "default currency";
    exit->Devise = CDevise(kCodeFranc, kTauxFranc);
    EXPECT_EQ(exit->GetPrixHT(), CCurrency(100));
    exit->Devise = CDevise(kCodeFranc, 0);
    EXPECT_EQ(exit->GetPrixHT(), CCurrency::Parse("655.957")) << "rate 0: unconverted";
    exit->Devise = CDevise(kCodeFranc, -1.0);
    EXPECT_EQ(exit->GetPrixHT(), CCurrency::Parse("655.957")) << "rate -1: unconverted";
}

// ---------------------------------------------------------------------------------------------
// Price allocation

// One asset of type 1 with a single component takes the whole price; with two components (D25),
// or with several assets, each component takes its cost's share of the total cost.
TEST(ExitPrice, SharedByCostUnlessOneAssetOfOneComponent) {
    EngineCase engine;
    cVK_Bien* single = engine.NewAsset(kJan2020, 1000);
    auto whole = NewExit(kExitDate, 5000);
    cVK_Bien* version = TakeOut(*whole, single->ID);
    ASSERT_TRUE(Conclude(*whole));
    EXPECT_EQ(version->GetStructure()->GetCession()->PRIX_CESSION_CALC, CCurrency(5000))
        << "price 5,000, cost 1,000";
    EXPECT_FALSE(whole->ExistePlrsCompoCedes());

    // Type 1, components of 3,000 and 1,000, price 2,000: 1,500 and 500.
    cVK_Bien* pair = engine.NewAsset(kJan2020, 3000);
    AddComponent(pair, 1000);
    auto shared = NewExit(kExitDate, 2000);
    version = TakeOut(*shared, pair->ID);
    ASSERT_TRUE(Conclude(*shared));
    EXPECT_EQ(version->GetListeComposants()->Get(0)->GetCession()->PRIX_CESSION_CALC, CCurrency(1500));
    EXPECT_EQ(version->GetListeComposants()->Get(1)->GetCession()->PRIX_CESSION_CALC, CCurrency(500));
    EXPECT_FALSE(shared->ExistePlrsCompoCedes()) << "one asset of type 1";
    version->TYPEBIEN = vbAncien;
    EXPECT_TRUE(shared->ExistePlrsCompoCedes()) << "one asset of type 2 with two components";

    // Two assets of 1,000 and 2,000 for 1,000: 1,000 x 1/3 = 333.3333 and 1,000 x 2/3 = 666.6667.
    cVK_Bien* first = engine.NewAsset(kJan2020, 1000);
    cVK_Bien* second = engine.NewAsset(kJan2020, 2000);
    auto both = NewExit(kExitDate, 1000);
    cVK_Composant* a = TakeOut(*both, first->ID)->GetStructure();
    cVK_Composant* b = TakeOut(*both, second->ID)->GetStructure();
    ASSERT_TRUE(Conclude(*both));
    EXPECT_EQ(a->GetCession()->PRIX_CESSION_CALC, CCurrency::Parse("333.3333"));
    EXPECT_EQ(b->GetCession()->PRIX_CESSION_CALC, CCurrency::Parse("666.6667"));
    EXPECT_EQ(both->TotalCoutEntree(), CCurrency(3000));
    EXPECT_EQ(both->TotalPrixCession_Calc(), CCurrency(1000));
    EXPECT_TRUE(both->ExistePlrsCompoCedes());
    a->GetCession()->PRIX_CESSION_SAIS = CCurrency(900);
    EXPECT_EQ(both->TotalPrixCession_Sais(), CCurrency::Parse("1566.6667")) << "900 entered + 666.6667";
    EXPECT_EQ(both->TotalPrixCession_Calc(), CCurrency(1000));
    EXPECT_EQ(engine.File().Scalar("SELECT PRIX_CESSION_CALC FROM ZENKOVKO WHERE ID_CESSION=" +
                                   VK_Format_ID(b->GetCession()->ID)),
              "666.6667");

    // The disposal version loaded on its own reads its exit from the database for the share.
    cVK_Bien alone(b->GetBien()->ID, "", nullptr, nullptr);
    cVK_Cession* reread = alone.GetStructure()->GetCession();
    ASSERT_NE(reread, nullptr);
    reread->PRIX_CESSION_CALC = CCurrency(0);
    reread->AffecterPrixCession_Calc();
    EXPECT_EQ(reread->PRIX_CESSION_CALC, CCurrency::Parse("666.6667"));
}

// ---------------------------------------------------------------------------------------------
// Totals of gains and losses and of VAT

// Six assets held six years, each priced 1,200 for a gross value of 1,000 and depreciation of 300:
// a gain of 500, 300 short-term and 200 long-term, the long-term part going to the total of its
// rate. The one at 0.2 goes nowhere.
TEST(ExitTotals, LongTermGainsByRate) {
    EngineCase engine;
    auto exit = NewExit(kExitDate, 0, vmCession, true);
    const double rates[] = {0, 0.08, 0.15, 0.165, 0.19, 0.2};
    for (double rate : rates) {
        cVK_Bien* asset = engine.NewAsset(kJan2020, 1000);
        asset->GetStructure()->GetDetails()->Get(0)->SetTVARecupereeOrigine(100);
        asset->BD_MAJ();
        cVK_Cession* cession = Entered(TakeOut(*exit, asset->ID)->GetStructure()->GetCession(), 1200, 300);
        cession->VAL_REEVAL_SAIS = CCurrency(1000);
        cession->TAUX_IMPOSITION = CCurrency(rate);
    }
    CCurrency ct, excluded, lt0, lt8, lt15, lt165, reduced, lt19;
    exit->GetTotalPvMv(&ct, &excluded, &lt0, &lt8, &lt15, &lt165, &reduced, &lt19);
    EXPECT_EQ(ct, CCurrency(1800)) << "6 x 300";
    EXPECT_EQ(excluded, CCurrency(0));
    for (const CCurrency* total : {&lt0, &lt8, &lt15, &lt165, &lt19}) EXPECT_EQ(*total, CCurrency(200));
    EXPECT_EQ(reduced, CCurrency(0));
    EXPECT_EQ(lt0 + lt8 + lt15 + lt165 + lt19, CCurrency(1000)) << "the 200 at 0.2 lands nowhere";
    // 100 of VAT deducted in 2020, sold 2026: nothing left of the 5 years.
    EXPECT_EQ(exit->GetTotalTvaAReverser(), CCurrency(0));
    exit->GetListeBiens()->Get(0)->GetStructure()->GetCession()->TVA_A_REVERSER_SAIS = CCurrency(30);
    EXPECT_EQ(exit->GetTotalTvaAReverser(), CCurrency(30));
    exit->GetTotalPvMv(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);  // no outputs
}

// Under corporate tax a gain taxable at the reduced rate is counted whole, as an absolute value,
// and nowhere else; the others are split short-term and excluded.
TEST(ExitTotals, ReducedRateUnderCorporateTax) {
    EngineCase engine(Regime(2));
    auto exit = NewExit(kExitDate, 0);
    for (bool reduced : {false, true}) {
        cVK_Bien* asset = engine.NewAsset(kJan2020, 1000);
        // A loss of 200, a gain of 500.
        cVK_Cession* cession =
            Entered(TakeOut(*exit, asset->ID)->GetStructure()->GetCession(), reduced ? 500 : 1200, 300);
        cession->PV_TAXABLE_TAUX_REDUIT = reduced;
    }
    CCurrency ct, excluded, lt0, lt8, lt15, lt165, reducedRate, lt19;
    exit->GetTotalPvMv(&ct, &excluded, &lt0, &lt8, &lt15, &lt165, &reducedRate, &lt19);
    EXPECT_EQ(ct, CCurrency(300));
    EXPECT_EQ(excluded, CCurrency(200));
    EXPECT_EQ(reducedRate, CCurrency(200)) << "|-200|";
    EXPECT_EQ(lt15, CCurrency(0)) << "no long-term result under corporate tax";
}

// Units of production and manual charges at the end of use, 30 Jun 2026 (181 of the year's 365
// calendar days): a units plan of 10,000 units with 4,000 forecast for 2026, of which 1,500 were
// entered at the situation, and a manual tax plan charging 9,000 in 2026.
TEST(ExitTotals, UnitsAndManualChargesAtTheEndOfUse) {
    EngineCase engine;
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), 20000);
    cVK_Composant* component = asset->GetStructure();
    vktest::SetPlan(component->GetAmort(taComptable), maUnitesOeuvre, 65535);
    component->SetUO_ConsommationTotale(CCurrency(10000));
    component->GetLstUOPrevue()->AddNew(0)->SetConsommation(CCurrency(4000));
    vktest::SetPlan(component->GetAmort(taFiscal), maManuel, 36, EncodeDate(2026, 1, 1));
    ASSERT_TRUE(asset->BD_MAJ());
    component->GetAmort(taFiscal)->GetLstManuel()->GetUOPrevue(0)->SetConsommation(CCurrency(9000));
    ASSERT_TRUE(asset->BD_MAJ());
    cVK_DetSituation situation(component, kExitDate);
    situation.SetUO_QuantiteForc(CCurrency(1500));
    ASSERT_TRUE(situation.BD_MAJ());

    auto exit = NewExit(kExitDate, 15000);
    TakeOut(*exit, asset->ID);
    ASSERT_TRUE(Conclude(*exit));
    EXPECT_TRUE(exit->ExisteCompoAmortisEnUO());
    EXPECT_TRUE(exit->ExisteCompoAmortisManu());
    EXPECT_EQ(Shown(exit->TotalAmortUOouManu_Restants(true)), "10000") << "nothing consumed before 2026";
    EXPECT_EQ(Shown(exit->TotalAmortUOouManu_Prevus(true)), "1983.5616") << "4,000 x 181 / 365";
    EXPECT_EQ(Shown(exit->TotalAmortUOouManu_Reels(true)), "1500") << "the entered quantity";
    EXPECT_EQ(Shown(exit->TotalAmortUOouManu_Restants(false)), "20000");
    EXPECT_EQ(Shown(exit->TotalAmortUOouManu_Prevus(false)), "4463.0137") << "9,000 x 181 / 365";
    EXPECT_EQ(Shown(exit->TotalAmortUOouManu_Reels(false)), "4463.0137");
}

// ---------------------------------------------------------------------------------------------
// Tests of the disposal screen

TEST(ExitScreen, EachTestFindsItsComponent) {
    EngineCase engine;
    cVK_Bien* asset = engine.NewAsset(kJan2020, 12000);
    cVK_Composant* plain = asset->GetStructure();
    vktest::SetPlan(plain->GetAmort(taComptable), maLineaire, 120, kJan2020);
    vktest::SetPlan(plain->GetAmort(taFiscal), maLineaire, 120, kJan2020);
    cVK_Composant* other = AddComponent(asset, 1000);
    asset->BD_MAJ();
    auto exit = NewExit(kExitDate, 10000);
    cVK_Bien* version = TakeOut(*exit, asset->ID);
    ASSERT_TRUE(Conclude(*exit));
    cVK_Composant* structure = version->GetStructure();
    cVK_Composant* second = version->GetListeComposants()->Get(1);
    ASSERT_EQ(second->GetRefCalc(), other->GetRefCalc());
    EXPECT_FALSE(exit->ExisteCompoAmortisEnUO());
    EXPECT_FALSE(exit->ExisteCompoAmortisManu());
    EXPECT_FALSE(exit->ExisteCompoDeprecieAOuv());
    EXPECT_FALSE(exit->ExisteCompoAmortisDerog()) << "same plans: no derogatory depreciation";

    second->SetLstUOPrevue(new cVK_LstUOPrevue(second, ""));
    EXPECT_TRUE(exit->ExisteCompoAmortisEnUO());
    second->GetAmort(taFiscal)->SetMethode(maManuel);
    EXPECT_TRUE(exit->ExisteCompoAmortisManu());
    // Forced opening impairments of 100 deductible and 40 not.
    structure->GetAmort(taComptable)->SetCumulDeprecDedOuvForce(CCurrency(100));
    structure->GetAmort(taComptable)->SetCumulDeprecNonDedOuvForce(CCurrency(40));
    EXPECT_TRUE(exit->ExisteCompoDeprecieAOuv());
    CCurrency ded, nonDed;
    exit->GetTotalDepreciations(&ded, &nonDed);
    EXPECT_EQ(ded, CCurrency(100));
    EXPECT_EQ(nonDed, CCurrency(40));
    // A tax plan of 60 months against 120: the tax depreciation runs ahead.
    vktest::SetPlan(structure->GetAmort(taFiscal), maLineaire, 60, kJan2020);
    EXPECT_TRUE(exit->ExisteCompoAmortisDerog());
}

// ---------------------------------------------------------------------------------------------
// Deletions

class ExitDeletion : public ::testing::Test {
protected:
    void SetUp() override {
        first = engine.NewAsset(kJan2020, 1000);
        AddComponent(first, 500);
        second = engine.NewAsset(kJan2020, 2000);
        exit = NewExit(kExitDate, 3000);
        TakeOut(*exit, first->ID);
        TakeOut(*exit, second->ID);
        ASSERT_TRUE(Conclude(*exit));
    }
    // Everything stored of the versions taken out, with their components and plans.
    std::string EarlierVersions() {
        const std::string ids = fmt::format("{},{}", first->ID, second->ID);
        return Rows("SELECT * FROM ZENKOVKB WHERE ID_BIEN IN (" + ids + ") ORDER BY ID_BIEN") +
               Rows("SELECT * FROM ZENKOVKC WHERE ID_BIEN IN (" + ids + ") ORDER BY ID_COMPO") +
               Rows(
                   "SELECT A.* FROM ZENKOVKA A JOIN ZENKOVKC C ON C.ID_COMPO=A.ID_COMPO WHERE C.ID_BIEN IN "
                   "(" +
                   ids + ") ORDER BY A.ID_AMORT");
    }
    int Count(const char* table, const std::string& where = "") {
        return engine.File().Count(std::string("ZENKO") + table, where);
    }

    EngineCase engine;
    cVK_Bien* first = nullptr;
    cVK_Bien* second = nullptr;
    std::unique_ptr<cVK_Sortie> exit;
};

TEST_F(ExitDeletion, AnsweredNoChangesNothingAnsweredYesLeavesTheEarlierVersions) {
    exit->SetDateSortieQuandEcr(EncodeDate(2026, 7, 1));
    ASSERT_TRUE(exit->EstModifie);
    ASSERT_TRUE(exit->BD_MAJ());
    ASSERT_EQ(Count("VKB", "CESSION=1"), 2);
    ASSERT_EQ(Count("VKO"), 3);
    const std::string before = EarlierVersions();
    const int components = Count("VKC"), plans = Count("VKA");

    vktest::Messages messages;
    messages->answers = {false};
    cVK_Sortie stored(exit->ID);
    EXPECT_FALSE(stored.BD_Supprimer(true));
    ASSERT_EQ(messages->questions.size(), 1u);
    EXPECT_EQ(messages->questions[0], "Etes-vous sûr de vouloir supprimer cette cession ?");
    EXPECT_EQ(stored.GetListeBiens()->Count(), 2);
    EXPECT_EQ(Count("VKS"), 1);
    EXPECT_EQ(Count("VKB", "CESSION=1"), 2);
    EXPECT_EQ(Count("VKO"), 3);
    EXPECT_EQ(engine.File().Scalar("SELECT DATE_ECR FROM ZENKOVKS"), "2026-07-01") << "the entry date stays";

    messages->answers = {true};
    EXPECT_TRUE(stored.BD_Supprimer(true));
    EXPECT_EQ(Count("VKS"), 0);
    EXPECT_EQ(Count("VKB", "CESSION=1"), 0);
    EXPECT_EQ(Count("VKO"), 0);
    EXPECT_EQ(Count("VKC"), components - 3) << "the components of the disposal versions go with them";
    EXPECT_EQ(Count("VKA"), plans - 6);
    EXPECT_EQ(EarlierVersions(), before) << "the versions taken out are as they were";
}

// Deleting a whole asset whose disposal version is the last asset of its exit deletes the exit;
// while another asset remains, the exit stays.
TEST_F(ExitDeletion, DeletingTheWholeLastAssetDeletesTheExit) {
    cVK_Bien chain(first->ID, "", nullptr, nullptr);
    ASSERT_TRUE(chain.BD_Supprimer(false));
    EXPECT_EQ(Count("VKB", "REF_CALC=" + first->GetRefCalc()), 0);
    EXPECT_EQ(Count("VKS"), 1) << "the second asset still belongs to it";
    EXPECT_EQ(Count("VKO"), 1) << "the second asset's disposal stays";
    cVK_Bien other(second->ID, "", nullptr, nullptr);
    ASSERT_TRUE(other.BD_Supprimer(false));
    EXPECT_EQ(Count("VKS"), 0);
    EXPECT_EQ(Count("VKB"), 0);
    EXPECT_EQ(Count("VKO"), 0);
}

// A new version of an asset does not carry the components disposed of in the previous one.
TEST(ExitVersions, DuplicatingDropsTheDisposedComponents) {
    EngineCase engine;
    cVK_Bien* asset = engine.NewAsset(kJan2020, 1000);
    cVK_Composant* sold = AddComponent(asset, 400);
    const UnicodeString soldRef = sold->GetRefCalc();
    Dispose(sold, kExitDate);
    ASSERT_TRUE(asset->BD_MAJ());
    const unsigned previous = asset->ID;
    asset->BD_Dupliquer(veModification, false);
    ASSERT_NE(asset->ID, previous);
    ASSERT_EQ(asset->GetListeComposants()->Count(), 1);
    EXPECT_NE(asset->GetStructure()->GetRefCalc(), soldRef);
    EXPECT_EQ(engine.File().Count("ZENKOVKC", "ID_BIEN=" + VK_Format_ID(asset->ID)), 1);
    EXPECT_EQ(engine.File().Count("ZENKOVKC", "ID_BIEN=" + VK_Format_ID(previous)), 2)
        << "the previous version keeps it";
    EXPECT_EQ(engine.File().Count("ZENKOVKO"), 1);
}

TEST(ExitStorage, EntryDateAndCopy) {
    EngineCase engine;
    auto exit = NewExit(kExitDate, CCurrency::Parse("1234.5"), vmDestruction, true);
    exit->DATE_FIN_UTILISATION = EncodeDate(2026, 5, 31);
    exit->Devise = CDevise(kCodeFranc, kTauxFranc);
    exit->SetDateSortieQuandEcr(EncodeDate(2026, 7, 15));
    ASSERT_TRUE(exit->BD_MAJ());
    cVK_Sortie stored(exit->ID);
    EXPECT_EQ(FormatISODate(stored.DATE_ECR), "2026-07-15");
    stored.EstModifie = false;
    stored.SetDateSortieQuandEcr(EncodeDate(2026, 7, 15));
    EXPECT_FALSE(stored.EstModifie) << "the same date changes nothing";

    cVK_Sortie copy(0);
    copy.Assign(&stored);
    EXPECT_EQ(copy.ID, 0u);
    EXPECT_EQ(FormatISODate(copy.DATESORTIE), "2026-06-30");
    EXPECT_EQ(FormatISODate(copy.DATE_FIN_UTILISATION), "2026-05-31");
    EXPECT_EQ(copy.PRIXHT, CCurrency::Parse("1234.5"));
    EXPECT_EQ(copy.Devise, CDevise(kCodeFranc, kTauxFranc));
    EXPECT_EQ(copy.GetNomMotifSortie(), "Destruction");
    EXPECT_TRUE(copy.TVA_DOIT_ETRE_REVERSEE);
    EXPECT_EQ(FormatISODate(copy.DATE_ECR), "2026-07-15");
}

}  // namespace
