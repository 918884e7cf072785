// Assets: their structure component, their chain of versions, their deletions and their locking,
// in the case file's database and in a named database.
#include <fmt/format.h>

#include "tests/units/register_fixture.h"
#include "units/uvksortie.h"

namespace {

class Asset : public ::testing::TestWithParam<const char*> {
protected:
    vktest::RegisterCase reg{GetParam()};
    UnicodeString Base() const { return GetParam(); }
    bool Named() const { return !Base().empty(); }
};

INSTANTIATE_TEST_SUITE_P(Kinds, Asset, ::testing::Values("", "OKT_DOSSIER"), vktest::KindName);

// D6: whatever way an asset comes into being, it has its structure component.
TEST_P(Asset, ANewAssetAlwaysHasItsStructureComponent) {
    auto stored = reg.NewAsset(veInitialisation);
    ASSERT_NE(stored->ID, 0u);
    ASSERT_EQ(stored->GetListeComposants()->Count(), 1);
    cVK_Composant* structure = stored->GetStructure();
    EXPECT_TRUE(structure->ISSTRUCTURE);
    EXPECT_NE(structure->ID, 0u) << "a stored asset stores its structure at once";
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", stored->ID)), 1);
    EXPECT_EQ(structure->Designation, "Presse") << "the asset's designation names an unnamed structure";

    // An importation is inserted by the host itself: nothing is stored until it saves.
    cVK_Bien imported(veImportation, Base(), nullptr, nullptr);
    EXPECT_EQ(imported.ID, 0u);
    ASSERT_NE(imported.GetStructure(), nullptr);
    EXPECT_EQ(imported.GetStructure()->ID, 0u);
    ASSERT_TRUE(imported.BD_MAJ());
    EXPECT_NE(imported.GetStructure()->ID, 0u);
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", imported.ID)), 1);

    // An asset whose components are all gone gets a new structure when loaded.
    ASSERT_TRUE(VK_ExecSQL(
        1, "DELETE FROM " + reg.Table("VKC") + " WHERE ID_BIEN=" + VK_Format_ID(stored->ID), Base()));
    cVK_Bien reloaded(stored->ID, Base(), nullptr, nullptr);
    ASSERT_EQ(reloaded.GetListeComposants()->Count(), 1);
    EXPECT_TRUE(reloaded.GetStructure()->ISSTRUCTURE);
}

TEST_P(Asset, RowRoundTripKeepsEveryColumn) {
    auto asset = reg.NewAsset(veModification, "Chariot élévateur");
    asset->RefSais = "CH-01";
    asset->TYPEBIEN = vbAncien;
    asset->EtatCplmt = vcCloture;
    asset->USERVALID = "contrôleur";
    asset->DATEVALID = EncodeDateTime(2026, 2, 3, 10, 11, 12);
    asset->EXOCREAT = -2;
    asset->REDUC_ASS_TP = 3;
    asset->PLANCHER_CALC_PV = CCurrency::Parse("1234.5678");
    ASSERT_TRUE(asset->BD_MAJ());
    cVK_Bien reread(asset->ID, Base(), nullptr, nullptr);
    EXPECT_EQ(reread.RefSais, "CH-01");
    EXPECT_EQ(reread.RefCalc, asset->RefCalc);
    EXPECT_EQ(reread.Designation, "Chariot élévateur");
    EXPECT_EQ(reread.TYPEBIEN, vbAncien);
    EXPECT_EQ(reread.Etat, veModification);
    EXPECT_EQ(reread.EtatCplmt, vcCloture);
    EXPECT_EQ(reread.USERCREAT, "testeur");
    EXPECT_EQ(FormatISODateTime(reread.DATECREAT), FormatISODateTime(asset->DATECREAT))
        << "kept with its time";
    EXPECT_EQ(reread.USERVALID, "contrôleur");
    EXPECT_EQ(FormatISODateTime(reread.DATEVALID), "2026-02-03 10:11:12");
    EXPECT_EQ(reread.EXOCREAT, -2);
    EXPECT_EQ(reread.REDUC_ASS_TP, 3);
    EXPECT_EQ(reread.PLANCHER_CALC_PV, CCurrency::Parse("1234.5678"));
}

// D26: every version's vehicle goes with the chain; nothing of the chain is left behind.
TEST_P(Asset, DeletingAWholeAssetRemovesEveryVersionAndItsVehicles) {
    auto asset = reg.NewAsset(veInitialisation, "Voiture");
    asset->CreeVehicule()->SetTypeVehicule(vtVoitureTourisme);
    asset->GetListeComposants()->AddNew()->SetDateEntree(EncodeDate(2025, 5, 1));
    ASSERT_TRUE(asset->BD_MAJ());
    auto other = reg.NewAsset(veInitialisation, "Témoin");
    other->CreeVehicule();
    ASSERT_TRUE(other->BD_MAJ());
    const UnicodeString r = asset->GetRefCalc();
    asset->BD_Dupliquer(veModification, false);  // version 2, its own vehicle row
    asset->BD_Dupliquer(veModification, false);  // version 3
    ASSERT_EQ(reg.Count("VKB", "REF_CALC=" + r), 3);
    ASSERT_EQ(reg.Count("VKV"), 4);
    ASSERT_EQ(reg.Count("VKC"), 7);

    vktest::Messages messages;
    ASSERT_TRUE(asset->BD_Supprimer(false));
    EXPECT_EQ(reg.Count("VKB", "REF_CALC=" + r), 0);
    EXPECT_EQ(reg.Count("VKV"), 1) << "only the other asset's vehicle is left";
    EXPECT_EQ(reg.Count("VKC"), 1) << "only the other asset's structure is left";
    EXPECT_TRUE(messages->exceptions.empty());
    cVK_Bien witness(other->ID, Base(), nullptr, nullptr);
    ASSERT_NE(witness.GetVehicule(), nullptr);
    EXPECT_EQ(witness.GetVehicule()->ID, other->GetVehicule()->ID);
}

TEST_P(Asset, DeletingTheCurrentVersionKeepsTheEarlierOnes) {
    auto asset = reg.NewAsset();
    asset->GetListeComposants()->AddNew();
    ASSERT_TRUE(asset->BD_MAJ());
    const unsigned first = asset->ID;
    asset->BD_Dupliquer(veModification, false);
    const unsigned second = asset->ID;
    ASSERT_NE(first, second);
    ASSERT_TRUE(asset->BD_SupprimerEtatCourant(false));
    EXPECT_EQ(reg.Count("VKB", "REF_CALC=" + asset->GetRefCalc()), 1);
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", second)), 0) << "its components go with it";
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={}", first)), 2);
}

struct Refusal {
    const char* what;
    std::function<bool(cVK_Bien&)> act;
    const char* question;
};

TEST_P(Asset, ARefusedConfirmationChangesNothing) {
    const Refusal refusals[] = {
        {"whole asset", [](cVK_Bien& a) { return a.BD_Supprimer(true); },
         "Etes-vous sûr de vouloir supprimer ce bien ?"},
        {"family",
         [](cVK_Bien& a) {
             a.TYPEBIEN = vbFamille;
             return a.BD_Supprimer(true);
         },
         "Etes-vous sûr de vouloir supprimer cette famille ?"},
        {"version", [](cVK_Bien& a) { return a.BD_SupprimerEtatCourant(true); },
         "Etes-vous sûr de vouloir supprimer cette modification ?"},
        {"disposal", [](cVK_Bien& a) { return a.BD_SupprimerSortie(true); },
         "Etes-vous sûr de vouloir supprimer ce bien de la cession en cours ?"},
        {"component", [](cVK_Bien& a) { return a.GetStructure()->BD_Supprimer(true); },
         "Etes-vous sûr de vouloir supprimer ce composant ?"},
    };
    for (const Refusal& refusal : refusals) {
        auto asset = reg.NewAsset();
        asset->CreeVehicule();
        ASSERT_TRUE(asset->BD_MAJ());
        const int assets = reg.Count("VKB"), components = reg.Count("VKC"), vehicles = reg.Count("VKV");
        vktest::Messages messages;
        messages->answers = {false};
        EXPECT_FALSE(refusal.act(*asset)) << refusal.what;
        ASSERT_EQ(messages->questions.size(), 1u) << refusal.what;
        EXPECT_EQ(messages->questions[0], refusal.question);
        EXPECT_EQ(reg.Count("VKB"), assets) << refusal.what;
        EXPECT_EQ(reg.Count("VKC"), components) << refusal.what;
        EXPECT_EQ(reg.Count("VKV"), vehicles) << refusal.what;
        EXPECT_EQ(asset->GetListeComposants()->Count(), 1) << refusal.what;
    }
}

// A standards conformity opened from a version: every component carried over takes reason 4.
TEST_P(Asset, DuplicatingInStandardsConformityGivesEveryComponentReason4) {
    auto asset = reg.NewAsset();
    asset->GetListeComposants()->AddNew()->SetDateEntree(EncodeDate(2025, 1, 1));
    asset->GetListeComposants()->AddNew()->SetDateEntree(EncodeDate(2024, 1, 1));
    ASSERT_TRUE(asset->BD_MAJ());
    const UnicodeString r = asset->GetRefCalc();
    std::vector<UnicodeString> componentRefs;
    for (int i = 0; i < 3; ++i) componentRefs.push_back(asset->GetListeComposants()->Get(i)->GetRefCalc());

    asset->BD_Dupliquer(veMiseAuxNormes, false);
    EXPECT_EQ(asset->GetRefCalc(), r) << "the new version stays in the chain";
    EXPECT_EQ(asset->Etat, veMiseAuxNormes);
    EXPECT_EQ(asset->EtatCplmt, vcEnCours);
    ASSERT_EQ(asset->GetListeComposants()->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        cVK_Composant* c = asset->GetListeComposants()->Get(i);
        EXPECT_EQ(c->MAN_MOTIF, 4) << "component " << i;
        EXPECT_EQ(c->GetRefCalc(), componentRefs[i]) << "each component keeps its own chain";
    }
    EXPECT_EQ(reg.Count("VKC", fmt::format("ID_BIEN={} AND MAN_MOTIF=4", asset->ID)), 3);
    EXPECT_EQ(reg.Count("VKB", "REF_CALC=" + r), 2);

    // With new references the copy is a new asset: no reason 4, other references.
    asset->BD_Dupliquer(veMiseAuxNormes, true);
    EXPECT_NE(asset->GetRefCalc(), r);
    EXPECT_NE(asset->GetStructure()->GetRefCalc(), componentRefs[0]);
}

TEST_P(Asset, VersionQueriesOnAFirstVersionAnswerNoEarlierVersion) {
    auto asset = reg.NewAsset();
    EXPECT_FALSE(asset->EtatPrecExist());
    EXPECT_EQ(asset->GetEtatPrec(), 0);
    EXPECT_EQ(asset->GetEtatComplPrec(), 1);
    EXPECT_EQ(asset->GetBienDerModif(), nullptr);
    cVK_Composant* structure = asset->GetStructure();
    EXPECT_EQ(structure->GetCompoPrec(), nullptr);

    const unsigned first = asset->ID;
    asset->EtatCplmt = vcValide;
    ASSERT_TRUE(asset->BD_MAJ());
    asset->BD_Dupliquer(veModification, false);
    if (Named()) {  // a named database keeps no chain to query
        EXPECT_FALSE(asset->EtatPrecExist());
        EXPECT_EQ(asset->GetEtatPrec(), 0);
        EXPECT_EQ(asset->GetEtatComplPrec(), 1);
        return;
    }
    EXPECT_TRUE(asset->EtatPrecExist());
    EXPECT_EQ(asset->GetEtatPrec(), veInitialisation);
    EXPECT_EQ(asset->GetEtatComplPrec(), vcValide);
    cVK_Composant* previous = asset->GetStructure()->GetCompoPrec();
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(previous->ID_BIEN, first);
    cVK_Bien firstVersion(first, Base(), nullptr, nullptr);
    std::unique_ptr<cVK_Bien> latest(firstVersion.GetBienDerModif());
    ASSERT_NE(latest, nullptr);
    EXPECT_EQ(latest->ID, asset->ID);
    EXPECT_EQ(latest->Etat, veModification);
}

TEST_P(Asset, StateNamesShowAnEntryOfTheYear) {
    auto asset = reg.NewAsset(veImportation);
    asset->GetStructure()->SetDateEntree(EncodeDate(2026, 3, 1));  // in the current year (2026)
    EXPECT_EQ(asset->GetEtat(), "Entrée");
    asset->GetStructure()->SetDateEntree(EncodeDate(2025, 3, 1));
    EXPECT_EQ(asset->GetEtat(), "Importation");
}

// Locking by action, kind, state S and complement C; the structure entered in 2025 unless said.
TEST(AssetLocking, LockingTable) {
    vktest::RegisterCase reg;
    struct Case {
        int action, kind, s, c;
        bool enteredThisYear;
        bool locked;
    };
    const Case cases[] = {
        {13, 0, 1, 1, false, true},  {13, 0, 5, 3, false, true},   // 13: always
        {3, 0, 2, 2, false, true},   {3, 0, 2, 1, false, false},   // validated initialisation only
        {3, 0, 4, 2, false, false},  {5, 0, 2, 2, false, true},    //
        {4, 0, 3, 2, false, true},   {4, 0, 2, 2, false, false},   // standards conformity
        {6, 0, 4, 2, false, true},   {6, 0, 4, 1, false, false},   // modification
        {20, 0, 2, 2, false, false}, {21, 3, 1, 1, false, false},  // above 19: never
        {19, 0, 2, 3, false, false}, {19, 0, 2, 1, false, true},  {19, 0, 2, 2, false, false},
        {17, 3, 2, 2, false, true},  {17, 3, 2, 3, false, false},  // 17 kind 3: C not 3
        {18, 3, 2, 2, false, false}, {18, 3, 4, 2, false, true},  {18, 3, 2, 1, false, true},
        {17, 4, 2, 3, true, false},  {17, 4, 2, 2, true, true},   // entered this year: locked
        {17, 4, 1, 2, false, false}, {17, 4, 1, 1, false, true},  // importation: C not 2
        {18, 4, 2, 2, false, false}, {18, 4, 4, 2, false, true},  //
        {17, 6, 2, 3, false, false}, {17, 6, 2, 1, false, true},  {17, 6, 2, 2, false, false},
        {17, 5, 2, 1, false, false}, {7, 0, 2, 2, false, false},  // other kinds, other actions
    };
    auto asset = reg.NewAsset();
    for (const Case& c : cases) {
        asset->Etat = static_cast<VK_Etats>(c.s);
        asset->EtatCplmt = static_cast<VK_EtatsCplmt>(c.c);
        asset->GetStructure()->DATEENTREE =
            c.enteredThisYear ? EncodeDate(2026, 2, 1) : EncodeDate(2025, 2, 1);
        EXPECT_EQ(asset->IsVerrouille(static_cast<VK_Actions>(c.action), c.kind), c.locked)
            << "action " << c.action << " kind " << c.kind << " S " << c.s << " C " << c.c
            << (c.enteredThisYear ? " entered this year" : "");
    }
    // A component adds its own rule for actions 3 and 4: locked when it entered this year.
    asset->Etat = veModification;
    asset->EtatCplmt = vcEnCours;
    cVK_Composant* component = asset->GetStructure();
    component->DATEENTREE = EncodeDate(2026, 2, 1);
    EXPECT_TRUE(component->IsVerrouille(vaAction3, 0));
    EXPECT_TRUE(component->IsVerrouille(vaMiseAuxNormes, 0));
    EXPECT_FALSE(component->IsVerrouille(vaModification, 0));
    component->DATEENTREE = EncodeDate(2025, 12, 31);
    EXPECT_FALSE(component->IsVerrouille(vaAction3, 0));
}

// D11: an exit goes only when no asset row names it any more.
TEST(AssetExits, MovingToAnotherExitDeletesThePreviousOneOnlyWhenEmpty) {
    vktest::RegisterCase reg;
    cVK_Sortie first(0), second(0);
    first.Designation = "Vente lot";
    second.Designation = "Mise au rebut";
    ASSERT_TRUE(first.BD_MAJ());
    ASSERT_TRUE(second.BD_MAJ());
    cVK_Bien* a = first.GetListeBiens()->AddNew();
    cVK_Bien* b = first.GetListeBiens()->AddNew();
    a->Etat = b->Etat = veCession;
    ASSERT_TRUE(first.BD_MAJ());
    ASSERT_EQ(reg.Count("VKB", fmt::format("ID_SORTIE={}", first.ID)), 2);

    second.GetListeBiens()->Add(a);
    EXPECT_EQ(first.GetListeBiens()->Count(), 1);
    EXPECT_EQ(reg.Count("VKB", fmt::format("ID_SORTIE={}", second.ID)), 1);
    EXPECT_EQ(reg.Count("VKS", fmt::format("ID_SORTIE={}", first.ID)), 1) << "b still belongs to it";

    second.GetListeBiens()->Add(b);
    EXPECT_EQ(reg.Count("VKS", fmt::format("ID_SORTIE={}", first.ID)), 0) << "no asset names it any more";
    EXPECT_EQ(reg.Count("VKB", fmt::format("ID_SORTIE={}", second.ID)), 2) << "the moved assets are intact";

    // Deleting the last asset of an exit deletes the exit as well.
    cVK_Sortie reread(second.ID);
    ASSERT_EQ(reread.GetListeBiens()->Count(), 2);
    std::unique_ptr<cVK_Bien> gone(reread.GetListeBiens()->Get(0));
    ASSERT_TRUE(gone->BD_Supprimer(false));  // takes it out of the list
    EXPECT_EQ(reg.Count("VKS", fmt::format("ID_SORTIE={}", second.ID)), 1);
    gone.reset(reread.GetListeBiens()->Get(0));
    ASSERT_TRUE(gone->BD_Supprimer(false));
    EXPECT_EQ(reread.GetListeBiens()->Count(), 0);
    EXPECT_EQ(reg.Count("VKS", fmt::format("ID_SORTIE={}", second.ID)), 0);
}

TEST(AssetExits, AnExitListSavesAndDropsItsAssets) {
    vktest::RegisterCase reg;
    cVK_Sortie exit(0);
    exit.DATESORTIE = EncodeDate(2026, 9, 30);
    exit.PRIXHT = CCurrency(12000);
    exit.MOTIFSORTIE = vmCession;
    exit.TVA_DOIT_ETRE_REVERSEE = true;
    for (int i = 0; i < 3; ++i) exit.GetListeBiens()->AddNew()->Etat = veCession;
    ASSERT_TRUE(exit.BD_MAJ());
    cVK_Sortie reread(exit.ID);
    EXPECT_EQ(reread.GetListeBiens()->Count(), 3);
    EXPECT_EQ(FormatISODate(reread.DATESORTIE), "2026-09-30");
    EXPECT_EQ(reread.PRIXHT, CCurrency(12000));
    EXPECT_EQ(reread.GetNomMotifSortie(), "Cession");
    EXPECT_TRUE(reread.TVA_DOIT_ETRE_REVERSEE);
    EXPECT_EQ(reread.GetListeBiens()->GetBien(exit.GetListeBiens()->Get(1)->ID)->ID,
              exit.GetListeBiens()->Get(1)->ID);
    EXPECT_EQ(reread.GetListeBiens()->GetBien(999999), nullptr);

    cVK_Bien* dropped = reread.GetListeBiens()->Get(1);
    reread.GetListeBiens()->Delete(dropped);
    ASSERT_TRUE(reread.BD_MAJ());
    delete dropped;
    EXPECT_EQ(reg.Count("VKB", fmt::format("ID_SORTIE={}", exit.ID)), 2) << "the dropped asset's row goes";
    EXPECT_EQ(reg.Count("VKB"), 2);

    vktest::Messages messages;
    messages->answers = {false};
    EXPECT_FALSE(reread.BD_Supprimer(true));
    EXPECT_EQ(reg.Count("VKS"), 1);
    ASSERT_TRUE(reread.BD_Supprimer(false));
    EXPECT_EQ(reg.Count("VKS"), 0);
    EXPECT_EQ(reg.Count("VKB"), 0) << "each asset's disposal version goes with the exit";
}

}  // namespace
