// The lines the engine generates for each event, with the working of each expected figure.
// Depreciation is linear on 30/360 days (a year 360 days, both ends counted) unless stated; the case
// file's current year is 2026 and its situation date 31 December 2026.
#include <algorithm>
#include <map>

#include "platform/barre.h"
#include "platform/comptes.h"
#include "tests/units/ecritures_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkdetailsit.h"
#include "units/uvksortie.h"

namespace {

using vktest::Lines;

const TDateTime kSituation = EncodeDate(2026, 12, 31);

class Generation : public vktest::EntriesCase {};

// Linear over 60 months from 1 July 2025, base 10,000: 2025 charges 1,000 (180 / 1800 days), 2026
// charges 2,000 (9,000 x 360 / 1620). Tangible asset (215400): depreciation account 281540 (the 8
// inserted, the final zero dropped), charge account 681120; all in entry INVR of the situation date,
// piece "2", which is registered with pieces "4" and "5".
TEST_F(Generation, ChargesOfTheYear) {
    Asset(EncodeDate(2025, 7, 1), 10000, "215400");
    const cVK_ListEcr list(ecrDotations, nullptr);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"2 C 281540 2000 Dot. aux amort.",
                                                     "2 D 681120 2000 Dot. aux amort."}));
    for (const auto& [line, amount] : list.Lignes) {
        EXPECT_STREQ(line.Journal, "INVR");
        EXPECT_EQ(double(line.DateEcr), double(kSituation));
    }
    ASSERT_EQ(list.TypesEcr.size(), 3u);
    EXPECT_EQ(list.TypesEcr[0].Piece, "2");
    EXPECT_EQ(list.TypesEcr[1].Piece, "4");
    EXPECT_EQ(list.TypesEcr[2].Piece, "5");
}

// Intangible (205000, account type 0): depreciation account 280500, charge 681110. 36 months from
// 1 January 2026 on 12,000: 4,000 a year.
TEST_F(Generation, IntangibleAssetTakesItsOwnAccounts) {
    Asset(EncodeDate(2026, 1, 1), 12000, "205000", 36);
    const cVK_ListEcr list(ecrDotations, nullptr);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"2 C 280500 4000 Dot. aux amort.",
                                                     "2 D 681110 4000 Dot. aux amort."}));
}

// Declining tax plan over 60 months (coefficient 1.75: rate 20 % x 1.75 = 35 %) against a linear
// book plan, from 1 January 2026 on 10,000: tax 3,500, book 2,000, derogatory allocation 1,500 on
// 687250 / 145000 (piece "4").
TEST_F(Generation, DerogatoryAllocation) {
    Asset(EncodeDate(2026, 1, 1), 10000, "215400", 60, true);
    const cVK_ListEcr list(ecrDotations, nullptr);
    EXPECT_EQ(Lines(list),
              (std::vector<std::string>{"2 C 281540 2000 Dot. aux amort.", "2 D 681120 2000 Dot. aux amort.",
                                        "4 C 145000 1500 Dot. aux amort. dérog.",
                                        "4 D 687250 1500 Dot. aux amort. dérog."}));
}

// A financial asset (261000, account type 3) has no depreciation line even with a plan, but its
// impairment is posted on 686620 and on its impairment account 296100 (the 9 inserted, the final
// zero dropped): book value 5,000, current value 4,000 at the situation date.
TEST_F(Generation, FinancialAssetImpairmentOnly) {
    cVK_Bien* asset = Asset(EncodeDate(2026, 1, 1), 5000, "261000");
    cVK_DetSituation situation(asset->GetStructure()->GetAmort(taComptable), kSituation);
    situation.SetValActuelle(4000);
    ASSERT_TRUE(situation.BD_MAJ());
    const cVK_ListEcr list(ecrDotations, nullptr);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"5 C 296100 1000 Dot. dépréciations",
                                                     "5 D 686620 1000 Dot. dépréciations"}));
}

// The account changed from 218300 to 218400 in a modification: gross value 6,000 and the opening
// depreciation 1,200 (2025's charge on 60 months) move to the new accounts (piece "1").
TEST_F(Generation, TransferWhenTheAccountChanged) {
    cVK_Bien* moved = Asset(EncodeDate(2025, 1, 1), 6000, "218300");
    NextVersion(moved, veModification);
    moved->GetStructure()->SetNumCompte("218400");
    ASSERT_TRUE(moved->BD_MAJ());
    cVK_Bien* same = Asset(EncodeDate(2025, 1, 1), 3000, "218100");
    NextVersion(same, veModification);  // no account change: no transfer
    const cVK_ListEcr list(ecrVirements, nullptr);
    EXPECT_EQ(Lines(list),
              (std::vector<std::string>{
                  "1 C 218300 6000 Virement de poste à poste", "1 D 218400 6000 Virement de poste à poste",
                  "1 D 281830 1200 Virement de poste à poste", "1 C 281840 1200 Virement de poste à poste"}));
}

// Standards conformity: a version where nothing changed gives no line; one whose gross value grew by
// 800, credited to 131000, gives a balanced entry ODR at the year's start, piece "6".
TEST_F(Generation, StandardsConformity) {
    cVK_Bien* unchanged = Asset(EncodeDate(2025, 1, 1), 8000, "215500");
    NextVersion(unchanged, veMiseAuxNormes);
    EXPECT_TRUE(cVK_ListEcr(ecrMiseAuxNormes, nullptr).Lignes.empty());

    cVK_Bien* changed = Asset(EncodeDate(2025, 1, 1), 5000, "215600");
    NextVersion(changed, veMiseAuxNormes);
    cVK_Composant* structure = changed->GetStructure();
    structure->MAN_MOTIF = 2;
    structure->MAN_CPTACRED = "131000";
    structure->MAN_MONTACRED = CCurrency(800);
    structure->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(800));
    ASSERT_TRUE(changed->BD_MAJ());
    const cVK_ListEcr list(ecrMiseAuxNormes, nullptr);
    const std::vector<std::string> lines = Lines(list);
    for (const char* expected : {"6 D 215600 800 Mise aux normes", "6 C 131000 800 Mise aux normes"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    EXPECT_TRUE(vktest::UnbalancedInList(list).empty()) << vktest::UnbalancedInList(list).front();
    for (const auto& [line, amount] : list.Lignes) {
        EXPECT_STREQ(line.Journal, "ODR");
        EXPECT_EQ(double(line.DateEcr), double(EncodeDate(2026, 1, 1)));
    }
    IncidenceMAN effect;
    structure->GetIncidenceMiseAuxNormes(effect);
    EXPECT_EQ(effect.EcartBrut, CCurrency(800));
    EXPECT_EQ(effect.MontantCredite, CCurrency(-800));
    EXPECT_TRUE(effect.NetCredite.IsNull());
}

// Scrapped on 30 June 2026, bought 1 January 2025 for 12,000 (60 months): the year's charge to
// 30 June is 1,200 (9,600 x 180 / 1440) and the net book value 8,400 is written off with it:
// 9,600 credited to the depreciation account. The normal share is the previous version's charge of
// the year prorated: 2,400 x 180 / 360 = 1,200 on 681120, the rest, 8,400, exceptional on 687100.
// The disposal entry (ODR of the disposal date, piece "7-CP" and the reference) then takes out the
// gross value against the depreciation written so far, 2,400 + 1,200 + 8,400: no net book value.
// A disposed component gives nothing in the year's charges.
TEST_F(Generation, ScrappingSplitsTheChargeAndWritesTheValueOff) {
    cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 12000, "215400");
    Dispose(asset, vmMiseAuRebut, EncodeDate(2026, 6, 30));
    const UnicodeString piece = "7-CP" + asset->GetStructure()->GetRefCalc();
    const cVK_ListEcr list(ecrVirementsSorties, nullptr);
    EXPECT_EQ(Lines(list),
              (std::vector<std::string>{piece + " C 215400 12000 Cession Bien 215400",
                                        piece + " C 281540 9600 Dot. aux amort. Mise au rebut",
                                        piece + " D 281540 12000 Cession Bien 215400",
                                        piece + " D 681120 1200 Dot. aux amort.",
                                        piece + " D 687100 8400 Dot. aux amort. except. cédées"}));
    for (const auto& [line, amount] : list.Lignes) {
        EXPECT_STREQ(line.Journal, "ODR");
        EXPECT_EQ(double(line.DateEcr), double(EncodeDate(2026, 6, 30)));
    }
    EXPECT_TRUE(cVK_ListEcr(ecrDotations, nullptr).Lignes.empty());
}

// The disposal entry made through kind 3 records its date on the disposal; when the disposal's date
// changes, creating again cancels the entry at the old date. Cancelling clears the date.
TEST_F(Generation, DisposalEntryFollowsItsDate) {
    cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 12000, "215400");
    cVK_Cession* cession = Dispose(asset, vmCession, EncodeDate(2026, 6, 30));
    const UnicodeString ref = asset->GetStructure()->GetRefCalc();
    ASSERT_TRUE(cVK_ListEcr(ecrVirementsSorties, nullptr).Creer());
    EXPECT_EQ(Identities(), std::vector<std::string>{"ODR 2026-06-30 VK7-CP" + ref});
    EXPECT_EQ(
        engine.File().Scalar("SELECT DATE_ECR FROM ZENKOVKO WHERE ID_CESSION=" + std::to_string(cession->ID)),
        "2026-06-30");
    {
        cVK_Bien stored(asset->ID, "", nullptr, nullptr);  // as recorded, entry date included
        cVK_Cession* moved = stored.GetStructure()->GetCession();
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(double(moved->DATE_ECR), double(EncodeDate(2026, 6, 30)));
        moved->SetDateSortie(EncodeDate(2026, 7, 31));
        moved->SetDateFinUtilisation(EncodeDate(2026, 7, 31));
        ASSERT_TRUE(stored.BD_MAJ());
    }
    ASSERT_TRUE(cVK_ListEcr(ecrVirementsSorties, nullptr).Creer());
    EXPECT_EQ(Identities(), std::vector<std::string>{"ODR 2026-07-31 VK7-CP" + ref});
    EXPECT_TRUE(vktest::UnbalancedEntries().empty());
    ASSERT_TRUE(cVK_ListEcr(ecrVirementsSorties, nullptr).Annuler());
    EXPECT_TRUE(Identities().empty());
    EXPECT_EQ(
        engine.File().Scalar("SELECT DATE_ECR FROM ZENKOVKO WHERE ID_CESSION=" + std::to_string(cession->ID)),
        "<null>");
}

// A disposal of a closed year (the asset's chain ends with its disposal version, which the transfers
// and disposals query still returns) and one still undated are not posted again with the year's
// entries: the year's own disposal is, and the list is not refused for them.
TEST_F(Generation, DisposalsOfClosedYearsAreNotPostedAgain) {
    Dispose(Asset(EncodeDate(2024, 1, 1), 9000, "218100"), vmCession, EncodeDate(2025, 6, 30));
    Dispose(Asset(EncodeDate(2024, 1, 1), 7000, "218100"), vmCession, TDateTime());
    cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 12000, "215400");
    Dispose(asset, vmCession, EncodeDate(2026, 6, 30));
    const std::string year = "ODR 2026-06-30 VK7-CP" + asset->GetStructure()->GetRefCalc();
    ASSERT_TRUE(cVK_ListEcr(ecrVirementsSorties, nullptr).Creer());
    EXPECT_EQ(Identities(), std::vector<std::string>{year});
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Creer());
    EXPECT_TRUE(vktest::UnbalancedEntries().empty());
    EXPECT_TRUE(messages->informations.empty()) << messages->informations.front();
}

// Deleting the disposal version cancels its disposal entry.
TEST_F(Generation, DeletingTheDisposalCancelsItsEntry) {
    cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 12000, "215400");
    Dispose(asset, vmCession, EncodeDate(2026, 6, 30));
    ASSERT_TRUE(cVK_ListEcr(ecrVirementsSorties, nullptr).Creer());
    ASSERT_EQ(Identities().size(), 1u);
    cVK_Bien stored(asset->ID, "", nullptr, nullptr);
    ASSERT_TRUE(stored.BD_SupprimerEtatCourant(false));
    EXPECT_TRUE(Identities().empty());
}

// Sold on 30 June 2026 in an exit, bought 1 January 2025 for 12,000 (60 months): the year's charge to
// 30 June, 1,200, goes into the exit's entry (ODR of the exit's date, piece "3-" and the exit's
// identifier) with labels ending in " cédées"; the gross value leaves against the depreciation,
// 2,400 + 1,200, and the net book value 8,400 goes to 675200. The exit's label is the exit's
// designation. Nothing remains for the year's charges.
TEST_F(Generation, ExitDisposalEntry) {
    cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 12000, "215400");
    const unsigned id = Exit(asset, "Vente presse", EncodeDate(2026, 6, 30), vmCession);
    const std::string piece = fmt::format("3-{}", id);
    const std::vector<std::string> expected = {
        piece + " C 215400 12000 Cession Vente presse", piece + " C 281540 1200 Dot. aux amort. cédées",
        piece + " D 281540 3600 Cession Vente presse", piece + " D 675200 8400 Cession Vente presse",
        piece + " D 681120 1200 Dot. aux amort. cédées"};
    EXPECT_EQ(Lines(cVK_ListEcr(ecrVirementsSorties, nullptr)), expected);
    EXPECT_TRUE(cVK_ListEcr(ecrDotations, nullptr).Lignes.empty());

    // Kind 2 for the exit: the same lines; the exit records the entry's date.
    cVK_Sortie exit(id);
    const cVK_ListEcr own(ecrSortie, &exit);
    EXPECT_EQ(Lines(own), expected);
    ASSERT_TRUE(own.Creer());
    EXPECT_EQ(double(exit.DATE_ECR), double(EncodeDate(2026, 6, 30)));
    EXPECT_TRUE(exit.EstModifie);
    EXPECT_EQ(Identities(), std::vector<std::string>{"ODR 2026-06-30 VK" + piece});
    EXPECT_EQ(engine.File().Scalar(fmt::format("SELECT DATE_ECR FROM ZENKOVKS WHERE ID_SORTIE={}", id)),
              "2026-06-30");

    // Deleting the exit cancels its entry.
    cVK_Sortie stored(id);
    ASSERT_TRUE(stored.BD_Supprimer(false));
    EXPECT_TRUE(Identities().empty());
}

// VAT reversed on a disposal: 2,400 recovered at purchase in 2025, sold in 2026, outside buildings
// (5 years, the year of entry counting whole): 3 years remain, 2,400 x 3/5 = 1,440 credited to
// 445620; the net book value is gross value minus depreciation plus that VAT, 12,000 - 3,600 + 1,440.
TEST_F(Generation, DisposalWithVatToReverse) {
    cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 12000, "215400");
    asset->GetStructure()->GetDetails()->Get(0)->SetTVARecupereeOrigine(CCurrency(2400));
    ASSERT_TRUE(asset->BD_MAJ());
    cVK_Cession* cession = Dispose(asset, vmCession, EncodeDate(2026, 6, 30));
    cession->TVA_DOIT_ETRE_REVERSEE = true;
    cession->Modifie();
    ASSERT_TRUE(asset->BD_MAJ());
    const std::string piece = "7-CP" + asset->GetStructure()->GetRefCalc();
    EXPECT_EQ(
        Lines(cVK_ListEcr(ecrVirementsSorties, nullptr)),
        (std::vector<std::string>{
            piece + " C 215400 12000 Cession Bien 215400", piece + " C 281540 1200 Dot. aux amort. cédées",
            piece + " D 281540 3600 Cession Bien 215400", piece + " C 445620 1440 Cession Bien 215400",
            piece + " D 675200 9840 Cession Bien 215400", piece + " D 681120 1200 Dot. aux amort. cédées"}));
}

// Kind 2 for an exit names its own entry, the old "INVR 3" entry and the entries of the settings
// keys "0" to "25" ("dd/mm/yy" then the kind of piece); an empty or malformed value names nothing.
TEST_F(Generation, ExitDisposalNamesItsEntries) {
    StaticFichierINI* settings = engine.File().Dossier().FichierINI();
    settings->SetString("VK", "0", "15/03/264");
    settings->SetString("VK", "1", "");
    settings->SetString("VK", "2", "31/02/26 5");  // no such day
    settings->SetString("VK", "25", "01/12/49X");  // year 2049
    cVK_Sortie exit(0);
    exit.Designation = "Vente";
    exit.DATESORTIE = EncodeDate(2026, 5, 31);
    ASSERT_TRUE(exit.BD_Inserer());
    const cVK_ListEcr list(ecrSortie, &exit);
    std::vector<std::string> identities;
    for (const cEcrType& type : list.TypesEcr)
        identities.push_back(type.Journal + " " + FormatISODate(type.DateEcr) + " " + type.Piece);
    EXPECT_EQ(identities,
              (std::vector<std::string>{"ODR 2026-05-31 3-" + std::to_string(exit.ID), "INVR 2026-12-31 3",
                                        "ODR 2026-03-15 4", "ODR 2049-12-01 X"}));
}

// Kind 5 with a bar runs kinds 0, 3 and 4 on it, moving through its four steps; the last, kind 4,
// computes the year's charges and says so.
TEST_F(Generation, AllKindsUseTheBarSteps) {
    CBarre bar;
    cVK_ListEcr list(nullptr);
    list.Ajoute(ecrToutes, nullptr, &bar);
    EXPECT_EQ(bar.Caption(), "Calcul des écritures");
    EXPECT_EQ(bar.Step(), 4);
    EXPECT_EQ(bar.Message(), "Dotations");
}

// The standards conformity beyond the gross value, for the reasons 1, 2 and 5. A machine of 5,000
// bought 1 January 2025, linear over 60 months in the accounting plan and declining in the tax plan:
// its previous version opens 2026 with 1,000 of depreciation, no impairment and a derogatory balance
// of 1,750 - 1,000 = 750. The conformity forces an opening depreciation of 1,500, a deductible
// impairment of 200 and a derogatory balance of 300, cut to the new maximum 1,750 - 1,700 = 50.
// Differences are previous minus current (depreciation -500, impairment -200), current minus
// previous for the derogatory balance (-700, posted the other way); reason 1 credits the depreciation
// already practised less the amount capitalised (400 - 1,000), reason 2 the amount to credit (800);
// reason 5 takes every current value as zero. The total, on account 110000, balances the entry.
TEST_F(Generation, StandardsConformityDifferencesByReason) {
    const std::map<int, std::vector<std::string>> expected = {
        {1, {"6 C 131000 600", "6 C 281560 500", "6 C 291560 200", "6 D 110000 600", "6 D 145000 700"}},
        {2, {"6 C 131000 800", "6 C 281560 500", "6 C 291560 200", "6 D 110000 800", "6 D 145000 700"}},
        {5, {"6 C 215600 5000", "6 D 110000 3250", "6 D 145000 750", "6 D 281560 1000"}},
    };
    for (const auto& [reason, lines] : expected) {
        cVK_Bien* asset = Asset(EncodeDate(2025, 1, 1), 5000, "215600", 60, true);
        NextVersion(asset, veMiseAuxNormes);
        cVK_Composant* structure = asset->GetStructure();
        structure->MAN_MOTIF = reason;
        structure->MAN_CPTACRED = "131000";
        structure->MAN_MONTACRED = CCurrency(800);
        structure->MAN_MONTAIMMO = CCurrency(1000);
        structure->MAN_AMORTDEJAPRAT = CCurrency(400);
        structure->GetAmort(taComptable)->SetMAN_CumulAmortOuvForce(CCurrency(1500));
        structure->GetAmort(taComptable)->SetMAN_CumulDeprecDedOuvForce(CCurrency(200));
        structure->SetMAN_AmortDerogOuvForce(CCurrency(300));
        ASSERT_TRUE(asset->BD_MAJ());
        const cVK_ListEcr list(ecrMiseAuxNormes, nullptr);
        std::vector<std::string> shown;
        for (const std::string& line : Lines(list))
            shown.push_back(line.substr(0, line.rfind(" Mise aux normes")));
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, lines) << "reason " << reason;
        EXPECT_TRUE(vktest::UnbalancedInList(list).empty()) << "reason " << reason;
        ASSERT_TRUE(asset->BD_Supprimer(false));
    }
}

}  // namespace
