// Accounts: derived depreciation and impairment accounts, labels, the rows of a ledger comparison
// and which ledger lines each type takes, and the establishment callback.
#include "tests/units/ecritures_fixture.h"
#include "units/uvkcomposant.h"

namespace {

class Accounts : public vktest::EntriesCase {};

// No settings row: the 8 (depreciation) or 9 (impairment) inserted as second character, one final
// zero dropped, then completed to the account length (6).
TEST_F(Accounts, DerivedFromTheAssetAccount) {
    struct Case {
        const char* account;
        const char* depreciation;
        const char* impairment;
    } cases[] = {{"215400", "281540", "291540"},
                 {"205000", "280500", "290500"},
                 {"2154", "281540", "291540"},      // "28154" completed
                 {"218315", "2818315", "2918315"},  // no final zero: one character longer
                 {"", "", ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(ListeComptes.find(c.account, false), c.depreciation) << c.account;
        EXPECT_EQ(ListeComptes.find(c.account, true), c.impairment) << c.account;
    }
}

// A settings row gives the accounts entered (completed); an empty one is still derived. The second
// lookup does not read the settings again.
TEST_F(Accounts, SettingsRowThenCache) {
    engine.File().Database().ExecuteImmediate(
        "INSERT INTO ZENKOVKI (NUM_COMPTE,NUM_COMPTE_AMORT_SAISI) VALUES ('218200','2818')");
    EXPECT_EQ(ListeComptes.find("218200", false), "281800");
    EXPECT_EQ(ListeComptes.find("218200", true), "291820");
    engine.File().Database().ExecuteImmediate(
        "UPDATE ZENKOVKI SET NUM_COMPTE_AMORT_SAISI='2819',NUM_COMPTE_PROVISION_SAISI='2919' WHERE "
        "NUM_COMPTE='218200'");
    EXPECT_EQ(ListeComptes.find("218200", false), "281800");
    EXPECT_EQ(ListeComptes.find("218200", true), "291820");
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), CCurrency(100), "218200");
    EXPECT_EQ(asset->GetStructure()->GetNumCompte(0), "281800");
    EXPECT_EQ(asset->GetStructure()->GetNumCompte(1), "291820");
}

TEST_F(Accounts, LabelsFromTheChart) {
    PCAjouteCompte("281540", "Amortissements du matériel industriel");
    EXPECT_EQ(GetDesignationCompte("215400"), "Matériel industriel");
    EXPECT_EQ(GetDesignationCompte("281540"), "Amortissements du matériel industriel");
    EXPECT_EQ(GetDesignationCompte("999999"), "");
    EXPECT_EQ(GetDesignationCompte(""), "");
}

// Disposal income ("775") is grouped by its first four characters under fixed labels; "775" alone
// is its own row, completed; a new row with nothing in it is not kept.
TEST_F(Accounts, RowsOfDisposalIncome) {
    std::map<UnicodeString, cVK_LigneComparaison> rows;
    cVK_ComparCptaAss::AjouteMontant(rows, "775200", CCurrency(-100));
    cVK_ComparCptaAss::AjouteMontant(rows, "775210", CCurrency(-50));
    cVK_ComparCptaAss::AjouteMontant(rows, "775100", CCurrency(-10));
    cVK_ComparCptaAss::AjouteMontant(rows, "7754", CCurrency(-1));
    cVK_ComparCptaAss::AjouteMontant(rows, "775600", CCurrency(-2));
    cVK_ComparCptaAss::AjouteMontant(rows, "775", CCurrency(-3));
    cVK_ComparCptaAss::AjouteMontant(rows, "215400", CCurrency());
    struct Row {
        const char* key;
        const char* label;
        int total;
    } expected[] = {{"775000", "Produits des cessions d'éléments d'actif", -3},
                    {"775100", "Produit cessions incorporelles", -10},
                    {"775200", "Produit cessions corporelles", -150},
                    {"775400", "Produit cessions biens vivants", -1},
                    {"775600", "Produit cessions financières", -2}};
    ASSERT_EQ(rows.size(), std::size(expected));
    for (const Row& row : expected) {
        ASSERT_TRUE(rows.count(row.key)) << row.key;
        EXPECT_EQ(rows[row.key].Libelle, row.label) << row.key;
        EXPECT_EQ(rows[row.key].Total, CCurrency(row.total)) << row.key;
    }
}

// Which ledger lines each type takes: 0 the lines not flagged special; 1 and 2 those and the
// standards-conformity entries (ODR, VK6, flagged); 3 and 4 the lines by the situation date but
// the engine's year-end entries (INVR VK2, VK4, VK5); 5 every line by the situation date.
TEST_F(Accounts, LedgerLinesTakenByType) {
    struct Line {
        const char* journal;
        const char* origin;
        int special;
        TDateTime date;
        int amount;
    } lines[] = {
        {"INVR", "VK2", 0, EncodeDate(2026, 12, 31), 1}, {"INVR", "VK4", 0, EncodeDate(2026, 12, 31), 2},
        {"INVR", "VK1", 0, EncodeDate(2026, 12, 31), 4}, {"ODR", "VK6", 1, EncodeDate(2026, 1, 1), 8},
        {"ODR", "VK3", 0, EncodeDate(2026, 5, 31), 16},  {"AN", "", 0, EncodeDate(2026, 1, 1), 32},
        {"AN", "", 1, EncodeDate(2026, 1, 1), 64},       {"ODR", "VK3", 0, EncodeDate(2027, 2, 1), 128}};
    const int expected[6] = {1 + 2 + 4 + 16 + 32 + 128,     1 + 2 + 4 + 8 + 16 + 32 + 128,
                             1 + 2 + 4 + 8 + 16 + 32 + 128, 4 + 8 + 16 + 32 + 64,
                             4 + 8 + 16 + 32 + 64,          1 + 2 + 4 + 8 + 16 + 32 + 64};
    for (int type = 0; type <= 5; ++type) {
        cVK_ComparCptaAss comparison(type);
        for (const Line& line : lines)
            comparison.FctLigne(&comparison, "215400", line.journal, line.origin, int16_t(line.special),
                                ComptaDateDOS(line.date), 1, line.amount);
        comparison.FctLigne(&comparison, "404000", "AN", "", 0, ComptaDateDOS(EncodeDate(2026, 1, 1)), 0, 5);
        ASSERT_TRUE(comparison.LignesCompta.count("215400")) << "type " << type;
        EXPECT_EQ(comparison.LignesCompta["215400"].Total, CCurrency(expected[type])) << "type " << type;
        EXPECT_EQ(comparison.LignesCompta["404000"].Total, CCurrency(-5)) << "credits are negative";
    }
}

TEST_F(Accounts, DeletedEstablishmentLeavesComponentsWithoutOne) {
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), CCurrency(100), "215400");
    const std::string id = std::to_string(asset->GetStructure()->ID);
    engine.File().Database().ExecuteImmediate("UPDATE ZENKOVKC SET ID_ETAB=5 WHERE ID_COMPO=" + id);
    VK_FctSupprEtabAssCallBack(3);
    EXPECT_EQ(engine.File().Scalar("SELECT ID_ETAB FROM ZENKOVKC WHERE ID_COMPO=" + id), "5");
    VK_FctSupprEtabAssCallBack(5);
    EXPECT_EQ(engine.File().Scalar("SELECT ID_ETAB FROM ZENKOVKC WHERE ID_COMPO=" + id), "<null>");
    EXPECT_TRUE(messages->exceptions.empty());
}

}  // namespace
