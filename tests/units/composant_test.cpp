// Components and the component list: order, saving, the rules on their own fields, moving between
// assets, in the case file's database and in a named database.
#include <fmt/format.h>

#include "tests/units/register_fixture.h"
#include "units/uvkdetailcomposant.h"

namespace {

class Component : public ::testing::TestWithParam<const char*> {
protected:
    vktest::RegisterCase reg{GetParam()};
    UnicodeString Base() const { return GetParam(); }
    std::vector<UnicodeString> Order(const cVK_ListeComposants& list) {
        std::vector<UnicodeString> names;
        for (int i = 0; i < list.Count(); ++i) names.push_back(list.Get(i)->Designation);
        return names;
    }
};

INSTANTIATE_TEST_SUITE_P(Kinds, Component, ::testing::Values("", "OKT_DOSSIER"), vktest::KindName);

TEST_P(Component, ALaterEntryDateNeverDisplacesTheStructure) {
    auto asset = reg.NewAsset();
    asset->GetStructure()->SetDesignation("structure");
    asset->GetStructure()->SetDateEntree(EncodeDate(2024, 6, 1));
    const std::pair<const char*, TDateTime> added[] = {
        {"2025", EncodeDate(2025, 3, 1)}, {"2026", EncodeDate(2026, 2, 1)}, {"2024", EncodeDate(2024, 1, 1)}};
    for (const auto& [name, date] : added) {
        cVK_Composant* c = asset->GetListeComposants()->AddNew();
        EXPECT_FALSE(c->ISSTRUCTURE) << "only the first component of an asset is its structure";
        c->SetDesignation(name);
        c->SetDateEntree(date);
        asset->GetListeComposants()->Trie();
    }
    const std::vector<UnicodeString> expected = {"structure", "2026", "2025", "2024"};
    EXPECT_EQ(Order(*asset->GetListeComposants()), expected);
    ASSERT_TRUE(asset->BD_MAJ());
    cVK_Bien reloaded(asset->ID, Base(), nullptr, nullptr);
    EXPECT_EQ(Order(*reloaded.GetListeComposants()), expected) << "loaded in the same order";
    EXPECT_TRUE(reloaded.GetStructure()->ISSTRUCTURE);
    EXPECT_EQ(reloaded.GetListeComposants()->GetComposant(987654), nullptr);
}

TEST_P(Component, RemovingAComponentAndSavingDeletesItsRowAnEmptiedListDeletesNothing) {
    auto asset = reg.NewAsset();
    cVK_ListeComposants* list = asset->GetListeComposants();
    list->AddNew();
    cVK_Composant* removed = list->AddNew();
    ASSERT_TRUE(asset->BD_MAJ());
    const std::string ofAsset = fmt::format("ID_BIEN={}", asset->ID);
    ASSERT_EQ(reg.Count("VKC", ofAsset), 3);

    list->Delete(removed);  // not freed: the caller still holds it
    EXPECT_EQ(removed->GetRefCalc().empty(), false);
    ASSERT_TRUE(asset->BD_MAJ());
    EXPECT_EQ(reg.Count("VKC", ofAsset), 2);
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_COMPO={}", removed->ID)), 0);
    delete removed;

    // Emptied by mistake: saving deletes nothing rather than every row of the asset.
    std::vector<cVK_Composant*> held;
    while (list->Count() > 0) {
        held.push_back(list->Get(0));
        list->Delete(list->Get(0));
    }
    ASSERT_TRUE(list->BD_MAJ());
    EXPECT_EQ(reg.Count("VKC", ofAsset), 2);
    for (cVK_Composant* c : held) delete c;
}

TEST_P(Component, RowRoundTripKeepsEveryColumn) {
    auto asset = reg.NewAsset();
    cVK_Composant* c = asset->GetListeComposants()->AddNew();
    c->RefSais = "C-7";
    c->SetDesignation("Moteur");
    c->EXOCREATION = -1;
    c->EXOSUPPR = VK_IntNull;
    c->SetNumCompte("215400");
    c->ID_ETAB = 12;
    c->SetDateEntree(EncodeDate(2025, 4, 15));
    c->SetDateMiseEnService(EncodeDate(2025, 5, 2));
    c->SetTypeEntree(2);
    c->MAN_MOTIF = 2;
    c->MAN_MONTAIMMO = CCurrency::Parse("100.0001");
    c->MAN_AMORTDEJAPRAT = CCurrency::Parse("20.5");
    c->MAN_CPTACRED = "281540";
    c->MAN_MONTACRED = CCurrency::Parse("-3.25");
    c->REF_FRPPAL = "Fournisseur d'outillage";
    c->REF_MARQUE = "Marque";
    c->REF_TYPE = "Type";
    c->REF_REFCONST = "RC";
    c->REF_NUMSERIE = "SN-1";
    c->REF_NUMFACTURE = "F-2025-12";
    c->COMMENTAIRE = "Révisé l'été";
    c->CE_QTE = 3;
    for (int i = 0; i < 5; ++i) c->SetAH_Critere(i, 10 + i);
    c->AFFECT_BUDGET = "B1";
    c->DEST_EXPLOIT = true;
    c->SetIsAmortNonDeductible(true);
    c->ISIMMOS_DT_DOT_PLAF = true;
    c->POUR_CALC_REINT_AMORT = true;
    c->SetUO_CumulConsoOuvForce(CCurrency::Parse("10.5"));
    c->SetUO_ConsommationTotale(CCurrency(1000));
    c->SetUO_Designation("heures");
    c->DEROG_OUV = CCurrency::Parse("1.1");
    c->SetAmortDerogOuvForce(CCurrency::Parse("2.2"));
    c->DEROG_OUV_MAN = CCurrency::Parse("3.3");
    c->SetMAN_AmortDerogOuvForce(CCurrency::Parse("4.4"));
    c->OUV_A_DED = CCurrency::Parse("5.5");
    c->SetReintTmpOuvForce(CCurrency::Parse("6.6"));
    c->SetMAN_ReintTmpOuvForce(CCurrency::Parse("7.7"));
    c->ETATCREATION = veModification;
    c->BASE_TAXEPRO = CCurrency(777);
    for (int pass = 0; pass < 2; ++pass) {  // inserted, then updated
        ASSERT_TRUE(asset->BD_MAJ()) << "pass " << pass;
        cVK_Bien reloaded(asset->ID, Base(), nullptr, nullptr);
        const cVK_Composant* r = reloaded.GetListeComposants()->GetComposant(c->ID);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->RefSais, "C-7");
        EXPECT_EQ(r->RefCalc, c->RefCalc);
        EXPECT_EQ(r->Designation, "Moteur");
        EXPECT_EQ(r->EXOCREATION, -1);
        EXPECT_EQ(r->EXOSUPPR, VK_IntNull);
        EXPECT_EQ(r->ID_BIEN, asset->ID);
        EXPECT_FALSE(r->ISSTRUCTURE);
        EXPECT_EQ(r->NUMCOMPTE, "215400");
        EXPECT_EQ(r->ID_ETAB, 12u);
        EXPECT_EQ(FormatISODate(r->DATEENTREE), "2025-04-15");
        EXPECT_EQ(FormatISODate(r->DATEMISEENSERV), "2025-05-02");
        EXPECT_EQ(r->TYPEENTREE, 2);
        EXPECT_EQ(r->MAN_MOTIF, 2);
        EXPECT_EQ(r->MAN_MONTAIMMO, CCurrency::Parse("100.0001"));
        EXPECT_EQ(r->MAN_AMORTDEJAPRAT, CCurrency::Parse("20.5"));
        EXPECT_EQ(r->MAN_CPTACRED, "281540");
        EXPECT_EQ(r->MAN_MONTACRED, CCurrency::Parse("-3.25"));
        EXPECT_EQ(r->REF_FRPPAL, "Fournisseur d'outillage");
        EXPECT_EQ(r->REF_MARQUE + r->REF_TYPE + r->REF_REFCONST, "MarqueTypeRC");
        EXPECT_EQ(r->REF_NUMSERIE + "/" + r->REF_NUMFACTURE, "SN-1/F-2025-12");
        EXPECT_EQ(r->COMMENTAIRE, "Révisé l'été");
        EXPECT_EQ(r->CE_QTE, 3);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(r->GetAH_Critere(i), unsigned(10 + i)) << "criterion " << i;
        EXPECT_EQ(r->AFFECT_BUDGET, "B1");
        EXPECT_TRUE(r->DEST_EXPLOIT);
        EXPECT_TRUE(r->SOUMIS_TP);
        EXPECT_EQ(r->BASE_TAXEPRO, CCurrency(777));
        EXPECT_TRUE(r->ISAMORT_NON_DEDUC);
        EXPECT_TRUE(r->ISIMMOS_DT_DOT_PLAF);
        EXPECT_TRUE(r->POUR_CALC_REINT_AMORT);
        EXPECT_EQ(r->UO_CONSO_OUV, CCurrency::Parse("10.5"));
        EXPECT_EQ(r->UO_CONSO, CCurrency(1000));
        EXPECT_EQ(r->UO_DESIGNATION, "heures");
        const CCurrency opening[] = {r->DEROG_OUV,          r->DEROG_OUV_FORC, r->DEROG_OUV_MAN,
                                     r->DEROG_OUV_FORC_MAN, r->OUV_A_DED,      r->OUV_A_DED_FORCE,
                                     r->OUV_A_DED_FORC_MAN};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(opening[i], CCurrency::Parse(fmt::format("{}.{}", i + 1, i + 1)));
        EXPECT_EQ(r->ETATCREATION, veModification);
        c->COMMENTAIRE = "Révisé l'été";  // unchanged for the second pass
    }
}

// The business-tax base follows the price unless the user entered another one.
TEST_P(Component, TheBusinessTaxBaseIsWrittenAsNullWhenItEqualsThePrice) {
    struct Case {
        int entryType;
        const char* base;  // "" for the null amount
        const char* stored;
    };
    const Case cases[] = {
        {0, "5000", "<null>"},     // equal to the price: follows it
        {0, "4000", "4000.0000"},  // an amount of its own
        {0, "", "<null>"},         // none
        {5, "4000", "<null>"},     // a financial lease never has one
    };
    for (const Case& k : cases) {
        auto asset = reg.NewAsset();
        cVK_Composant* c = asset->GetStructure();
        c->SetPrixAcquis(CCurrency(4500));
        c->SetFraisAcquis(CCurrency(500));
        c->SetTypeEntree(k.entryType);
        c->BASE_TAXEPRO = *k.base ? CCurrency::Parse(k.base) : CCurrency();
        ASSERT_TRUE(asset->BD_MAJ());
        std::string stored = reg.Scalar("SELECT BASE_TAXEPRO FROM " + reg.Table("VKC") +
                                        " WHERE ID_COMPO=" + VK_Format_ID(c->ID));
        if (stored != "<null>")  // a named database keeps decimals as doubles: compare as amounts
            stored = CCurrency(std::stod(stored)).GetSQL();
        EXPECT_EQ(stored, k.stored) << "entry type " << k.entryType << " base '" << k.base << "'";
    }
}

TEST_P(Component, DuplicatingAComponentOpensANewChain) {
    auto asset = reg.NewAsset(veModification);
    cVK_Composant* source = asset->GetStructure();
    source->SetNumCompte("218300");
    ASSERT_TRUE(asset->BD_MAJ());
    source->BD_Dupliquer(veMiseAuxNormes);
    ASSERT_EQ(asset->GetListeComposants()->Count(), 2);
    const cVK_Composant* copy = asset->GetListeComposants()->Get(1);
    EXPECT_NE(copy->ID, 0u);
    EXPECT_NE(copy->ID, source->ID);
    EXPECT_NE(copy->GetRefCalc(), source->GetRefCalc());
    EXPECT_FALSE(copy->ISSTRUCTURE);
    EXPECT_TRUE(source->ISSTRUCTURE);
    EXPECT_EQ(copy->ETATCREATION, veMiseAuxNormes);
    EXPECT_EQ(copy->NUMCOMPTE, "218300");
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", asset->ID)), 2);
}

// D12: moving a structure never deletes the chain it came from.
TEST_P(Component, MovingAStructureKeepsThePreviousAssetsChain) {
    auto from = reg.NewAsset(veInitialisation, "Origine");
    from->GetListeComposants()->AddNew()->SetDesignation("second");
    ASSERT_TRUE(from->BD_MAJ());
    const UnicodeString chain = from->GetRefCalc();
    from->BD_Dupliquer(veModification, false);  // the chain has two versions
    auto to = reg.NewAsset(veInitialisation, "Destination");

    cVK_Composant* moved = from->GetStructure();
    to->GetListeComposants()->Add(moved);
    EXPECT_FALSE(moved->ISSTRUCTURE);
    EXPECT_EQ(moved->GetBien(), to.get());
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_COMPO={} AND ID_BIEN={}", moved->ID, to->ID)), 1);
    ASSERT_EQ(from->GetListeComposants()->Count(), 1);
    EXPECT_TRUE(from->GetStructure()->ISSTRUCTURE) << "the remaining component becomes the structure";
    EXPECT_EQ(from->GetStructure()->Designation, "second");
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", from->ID)), 1);
    EXPECT_EQ(reg.Count("VKB", "REF_CALC=" + chain), 2);

    // The last component leaves: only that version's row goes, the earlier one stays.
    cVK_Composant* last = from->GetStructure();
    to->GetListeComposants()->Add(last);
    EXPECT_EQ(reg.Count("VKB", "REF_CALC=" + chain), 1);
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", to->ID)), 3);
    EXPECT_EQ(to->GetStructure()->Designation, "Destination");
}

// D10: a statement that fails is a failure: no identity, still modified, and nothing hangs off a row
// that does not exist.
TEST_P(Component, AFailedInsertLeavesNoIdentityAndSavesNoChildren) {
    cVK_Bien refused(veImportation, Base(), nullptr, nullptr);  // inserted by its first save
    refused.RefSais = "REFERENCE TROP LONGUE";                  // longer than the column
    refused.Modifie();
    cVK_Bien accepted(veImportation, Base(), nullptr, nullptr);
    cVK_Composant* bad = accepted.GetListeComposants()->AddNew();
    bad->RefSais = "REFERENCE TROP LONGUE";
    bad->Modifie();
    if (bad->GetDetails()) bad->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(100));
    const int components = reg.Count("VKC");

    vktest::Messages messages;
    EXPECT_FALSE(refused.BD_MAJ());
    EXPECT_EQ(refused.ID, 0u);
    EXPECT_TRUE(refused.EstModifie);
    EXPECT_EQ(refused.GetStructure()->ID, 0u) << "no component saved for an asset that has no row";
    EXPECT_EQ(reg.Count("VKC"), components);

    EXPECT_FALSE(accepted.BD_MAJ()) << "one of its components could not be stored";
    EXPECT_NE(accepted.ID, 0u);
    EXPECT_EQ(bad->ID, 0u);
    EXPECT_TRUE(bad->EstModifie);
    if (bad->GetDetails()) {
        EXPECT_EQ(bad->GetDetails()->Get(0)->ID, 0u);
        EXPECT_EQ(reg.Count("VKL"), 0);
    }
    EXPECT_EQ(messages->exceptions.size(), 2u);
}

TEST_P(Component, DirectTotalsAreNeverNegative) {
    auto asset = reg.NewAsset();
    cVK_Composant* c = asset->GetStructure();
    c->SetPrixAcquis(CCurrency(-10));
    EXPECT_EQ(c->GetPrixAcquis(), CCurrency(0));
    EXPECT_FALSE(c->GetPrixAcquis().IsNull());
    c->SetPrixAcquis(CCurrency());
    EXPECT_TRUE(c->GetPrixAcquis().IsNull());
    c->SetFraisAcquis(CCurrency::Parse("12.3456"));
    EXPECT_EQ(c->GetPrixHT(), CCurrency::Parse("12.3456"));
}

// The first three characters and the statement line decide SOUMIS_TP.
TEST(ComponentRules, AccountSetterDecidesTheBusinessTax) {
    vktest::RegisterCase reg;
    struct Case {
        const char* account;
        bool subject;
        int type;       // GetTypeCompte: 0 intangible, 1 tangible, 2 other, 3 financial
        bool art2027H;  // PeutEtreSoumisALa2027H (regime 1)
    };
    const Case cases[] = {
        {"213100", false, 1, true},  // a building: tangible but outside the business tax
        {"211000", false, 1, false}, {"212000", false, 1, false}, {"215400", true, 1, false},
        {"218200", true, 1, false},  {"231000", false, 2, false}, {"205000", false, 0, false},
        {"261000", false, 3, true},  {"275000", false, 3, true},
    };
    auto asset = reg.NewAsset();
    cVK_Composant* c = asset->GetStructure();
    for (const Case& k : cases) {
        c->SetNumCompte(k.account);
        EXPECT_EQ(c->SOUMIS_TP, k.subject) << k.account;
        EXPECT_EQ(c->GetTypeCompte(), k.type) << k.account;
        EXPECT_EQ(c->PeutEtreSoumisALa2027H(), k.art2027H) << k.account;
        EXPECT_EQ(c->IsImmoFinanciere(), k.type == 3) << k.account;
        EXPECT_EQ(c->IsImmoIncorporelle(), k.type == 0) << k.account;
    }
    c->EstModifie = false;
    c->SOUMIS_TP = true;
    c->SetNumCompte("275000");  // unchanged: nothing happens
    EXPECT_FALSE(c->EstModifie);
    EXPECT_TRUE(c->SOUMIS_TP);
    reg.File().Dossier().RegimeFiscalSecondaire = 3;
    EXPECT_FALSE(c->PeutEtreSoumisALa2027H()) << "only regimes 1 and 2";

    // The business-tax base: the price unless entered, none unless subject, none for a lease.
    c->SetNumCompte("215400");
    c->SetPrixAcquis(CCurrency(800));
    EXPECT_EQ(c->GetBaseTaxePro(), CCurrency(800));
    c->BASE_TAXEPRO = CCurrency(600);
    EXPECT_EQ(c->GetBaseTaxePro(), CCurrency(600));
    c->SetTypeEntree(5);
    EXPECT_TRUE(c->GetBaseTaxePro().IsNull());
    c->SetNumCompte("213000");
    c->SetTypeEntree(0);
    EXPECT_TRUE(c->GetBaseTaxePro().IsNull());
}

TEST(ComponentRules, EntryTypeNamesAndCodes) {
    vktest::RegisterCase reg;  // current fiscal year 2026
    auto asset = reg.NewAsset();
    cVK_Composant* c = asset->GetStructure();
    const char* const longNames[] = {"Acquisition",
                                     "Fusions",
                                     "Rachat de crédit-bail",
                                     "Rachat de location financière",
                                     "Crédit-bail",
                                     "Location financière",
                                     "Utilisation à titre gratuit"};
    const char* const codes[] = {"A", "F", "RCB", "RLF", "CB", "LF", "UG"};
    for (int type = 0; type <= 6; ++type) {
        c->SetTypeEntree(type);
        c->SetDateEntree(EncodeDate(2026, 1, 1));
        EXPECT_EQ(c->GetTypeEntree(), codes[type]) << type;
        EXPECT_EQ(c->GetNomTypeEntree(), longNames[type]) << type;
        EXPECT_EQ(c->GetAcquisCede(EncodeDate(2026, 12, 31)), codes[type]) << "no disposal: the entry type";
        c->SetDateEntree(EncodeDate(2025, 12, 31));
        EXPECT_EQ(c->GetTypeEntree(), "") << "entered before the current year";
        EXPECT_EQ(c->GetTypeEntreeLong(), longNames[type]);
    }
    c->SetTypeEntree(7);
    EXPECT_EQ(c->GetTypeEntreeLong(), "");
    EXPECT_EQ(c->GetTypeEntree(), "");
    // Gains and losses date from the component's own entry while nothing is disposed of.
    EXPECT_EQ(FormatISODate(c->GetDateEntreePourCalculPvMv()), "2025-12-31");
}

TEST(ComponentRules, CriteriaNamesComeFromTheClassification) {
    vktest::RegisterCase reg;
    reg.File().Database().ExecuteImmediate(
        "INSERT INTO ZENKOVKQ (ID_CLASS,CLASSEMENT) VALUES (7,'Atelier Nord')");
    auto asset = reg.NewAsset();
    cVK_Composant* c = asset->GetStructure();
    c->SetAH_Critere(2, 7);
    EXPECT_EQ(c->GetAH_sCritere(2), "Atelier Nord");
    EXPECT_EQ(c->GetAH_sCritere(0), "") << "criterion not set";
    EXPECT_EQ(c->GetAH_sCritere(9), "") << "no such criterion";
}

}  // namespace
