// Groups, vehicles and the creation of the register's tables.
#include <fmt/format.h>

#include "tests/units/register_fixture.h"

namespace {

TEST(Groups, AGroupIsStoredAtOnceAndShowsItsIdentifier) {
    vktest::RegisterCase reg;
    cVK_Ensemble group(0);
    ASSERT_NE(group.ID, 0u);
    EXPECT_EQ(group.Designation, "");
    EXPECT_EQ(reg.Count("VKE"), 1);
    group.Designation = "Matériel de l'atelier";
    group.RefSais = "ATL";
    ASSERT_TRUE(group.BD_MAJ());
    cVK_Ensemble reread(group.ID);
    EXPECT_EQ(reread.Designation, "Matériel de l'atelier");
    EXPECT_EQ(reread.GetRefCalc(), fmt::format("{}", group.ID)) << "a group's reference is its identifier";
    EXPECT_EQ(cVK_Ensemble::GetDesignation(group.ID), "Matériel de l'atelier");
    EXPECT_EQ(cVK_Ensemble::GetDesignation(0), "");

    // Deleting the group keeps its assets, which lose the link.
    auto asset = reg.NewAsset();
    asset->ID_ENS = group.ID;
    ASSERT_TRUE(asset->BD_MAJ());
    vktest::Messages messages;
    messages->answers = {false, true};
    EXPECT_FALSE(group.BD_Supprimer(true));
    EXPECT_EQ(messages->questions.at(0), "Etes-vous sûr de vouloir supprimer cet ensemble ?");
    EXPECT_EQ(reg.Count("VKE"), 1);
    ASSERT_TRUE(group.BD_Supprimer(true));
    EXPECT_EQ(reg.Count("VKE"), 0);
    EXPECT_EQ(reg.Scalar("SELECT ID_ENS FROM ZENKOVKB WHERE ID_BIEN=" + VK_Format_ID(asset->ID)), "<null>");
}

TEST(Vehicles, TypeNamesAndCeilingCategories) {
    struct Case {
        VK_TypeVehicule type;
        const char* name;
        int category;
    };
    const Case cases[] = {{vtNonConcerne, "Non concerné", 0},
                          {vtCamion, "Camion", 0},
                          {vtMoto, "Moto", 1},
                          {vtVelomoteur, "Vélomoteur", 2},
                          {vtVoitureTourisme, "Voiture de tourisme", 3},
                          {vtVoitureUtilitaire, "Voiture utilitaire", 4}};
    cVK_Vehicule vehicle(0, nullptr, false, "");
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertTypeVehicule(c.type), c.category) << c.name;
        vehicle.TYPEVEH = c.type;
        EXPECT_EQ(vehicle.GetNomTypeVehicule(), c.name);
    }
    EXPECT_EQ(ConvertTypeVehicule(static_cast<VK_TypeVehicule>(9)), 0);
}

class Vehicle : public ::testing::TestWithParam<const char*> {
protected:
    vktest::RegisterCase reg{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Kinds, Vehicle, ::testing::Values("", "OKT_DOSSIER"), vktest::KindName);

TEST_P(Vehicle, ANewVehicleWritesNullUntilSetAndKeepsEveryColumn) {
    auto asset = reg.NewAsset(veInitialisation, "Berline");
    cVK_Vehicule* v = asset->CreeVehicule();
    ASSERT_TRUE(asset->BD_MAJ());
    ASSERT_NE(v->ID, 0u);
    EXPECT_EQ(asset->ID_VEH, v->ID);
    for (const char* column : {"PUISADMIN", "NBPLASSISES", "TAUXCO2", "DATEPREMIMMAT", "NUMIMMAT"})
        EXPECT_EQ(
            reg.Scalar(fmt::format("SELECT {} FROM {} WHERE ID_VEH={}", column, reg.Table("VKV"), v->ID)),
            "<null>")
            << column;

    v->SetTypeVehicule(vtVoitureTourisme);
    v->NUMIMMAT = "AB-123-CD";
    v->SetDatePremierImmatriculation(EncodeDate(2024, 3, 1));
    v->DESCOMM = "Berline 5p";
    v->DATECERTIF = EncodeDate(2024, 2, 20);
    v->GENRE = "VP";
    v->TYPECARROS = "CI";
    v->PUISADMIN = 7;
    v->NBPLASSISES = 5;
    v->TAUXCO2 = 128;
    v->POUR_VEH_NORME_WLTP = true;
    ASSERT_TRUE(asset->BD_MAJ());
    cVK_Bien reloaded(asset->ID, GetParam(), nullptr, nullptr);
    const cVK_Vehicule* r = reloaded.GetVehicule();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->TYPEVEH, vtVoitureTourisme);
    EXPECT_EQ(r->NUMIMMAT, "AB-123-CD");
    EXPECT_EQ(FormatISODate(r->DATEPREMIMMAT), "2024-03-01");
    EXPECT_EQ(r->DESCOMM, "Berline 5p");
    EXPECT_EQ(FormatISODate(r->DATECERTIF), "2024-02-20");
    EXPECT_EQ(r->GENRE + r->TYPECARROS, "VPCI");
    EXPECT_EQ(r->PUISADMIN, 7);
    EXPECT_EQ(r->NBPLASSISES, 5);
    EXPECT_EQ(r->TAUXCO2, 128);
    EXPECT_TRUE(r->POUR_VEH_NORME_WLTP);
    // The component sees its asset's vehicle; loaded alone it reads it from the database.
    EXPECT_EQ(reloaded.GetStructure()->GetTypeVehicule(), vtVoitureTourisme);
    cVK_Composant alone(nullptr, GetParam(), nullptr, reloaded.GetStructure()->ID);
    EXPECT_TRUE(alone.HasVehicule());
    EXPECT_EQ(alone.GetTypeVehicule(), vtVoitureTourisme);
    EXPECT_EQ(FormatISODate(alone.GetDatePremiereImmatriculation()), "2024-03-01");

    // The same date again changes nothing.
    v->EstModifie = false;
    v->SetDatePremierImmatriculation(EncodeDate(2024, 3, 1));
    v->SetTypeVehicule(vtVoitureTourisme);
    EXPECT_FALSE(v->EstModifie);

    // Dropping the vehicle deletes its row with the next save: none is left orphaned.
    const unsigned id = v->ID;
    asset->SupprimeVehicule();
    ASSERT_TRUE(asset->BD_MAJ());
    EXPECT_EQ(reg.Count("VKV", fmt::format("ID_VEH={}", id)), 0);
    EXPECT_EQ(
        reg.Scalar("SELECT ID_VEH FROM " + reg.Table("VKB") + " WHERE ID_BIEN=" + VK_Format_ID(asset->ID)),
        "<null>");
}

TEST(Tables, CreatedOnceWithTheirGeneratorsAndIndexes) {
    vktest::CaseFile file;
    ASSERT_TRUE(VK_CreerTables(""));
    ASSERT_TRUE(VK_CreerTables("")) << "a second run finds every table and creates nothing";
    ASSERT_TRUE(VK_CreerTables("OKT_DOSSIER"));
    struct Table {
        const char* name;
        int columns;
    };
    for (const Table& t : {Table{"ZENKOVKE", 3}, Table{"ZENKOVKS", 10}, Table{"ZENKOVKV", 12},
                           Table{"ZENKOVKB", 22}, Table{"ZENKOVKC", 51}, Table{"ZENKOVKL", 14}})
        EXPECT_EQ(file.Count("RDB$RELATION_FIELDS", fmt::format("RDB$RELATION_NAME='{}'", t.name)), t.columns)
            << t.name;
    for (const char* t : {"ZENKOVKV", "ZENKOVKB", "ZENKOVKC"})
        EXPECT_EQ(file.Count("RDB$RELATIONS", fmt::format("RDB$RELATION_NAME='{}'", t), "OKT_DOSSIER"), 1)
            << t;
    for (const char* index : {"IDX_REF_CALC_EXOCREATION", "VKL_IDDETAIL_IDCOMPO"})
        EXPECT_EQ(file.Count("RDB$INDICES", fmt::format("RDB$INDEX_NAME='{}'", index)), 1) << index;
    // The foreign keys and their rules: components cascade with their asset, vehicles and groups
    // are unlinked, an exit that an asset names cannot go.
    // Cascades also with the plans, lines, disposals and forecasts.
    EXPECT_EQ(file.Count("RDB$REF_CONSTRAINTS", "RDB$DELETE_RULE='CASCADE'"), 7);
    EXPECT_EQ(file.Count("RDB$REF_CONSTRAINTS", "RDB$DELETE_RULE='SET NULL'"), 2);
    EXPECT_EQ(file.Count("RDB$REF_CONSTRAINTS", "RDB$DELETE_RULE='RESTRICT'"), 1);
    EXPECT_GE(file.Count("RDB$GENERATORS", "RDB$GENERATOR_NAME STARTING WITH 'G_ZENKOVK'"), 8);
}

}  // namespace
