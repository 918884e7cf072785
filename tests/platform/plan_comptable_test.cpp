// The chart of accounts and the standard accounts of the accounts library.
#include <cstring>
#include <set>

#include "platform/comptes.h"
#include "tests/platform/compta_fixture.h"

namespace {

using PlanComptable = DossierComptaTest;

class Comptes8 : public DossierComptaTest {
protected:
    Comptes8() : DossierComptaTest(8) {}
};

PCCompte Chercher(const char* key, bool* found = nullptr) {
    PCCompte record;
    std::memset(&record, 'X', sizeof record);  // whatever was there before is overwritten
    const bool exists = PCGetGTEQ(key, &record);
    if (found) *found = exists;
    return record;
}

// The engine's derivation of a depreciation (8) or impairment (9) account from an asset account:
// the digit inserted as second character, one final zero dropped, then completed.
std::string Derive(const std::string& asset, char digit, CDossier& dossier) {
    std::string derived = asset.substr(0, 1) + digit + asset.substr(1);
    if (derived.back() == '0') derived.pop_back();
    return dossier.DossierCompleteCompte(derived, true);
}

}  // namespace

TEST_F(PlanComptable, GetGreaterOrEqualFindsExactNextAndNothingPastTheEnd) {
    const struct {
        const char* key;
        bool found;
        const char* number;
        const char* label;
    } cases[] = {
        {"215400", true, "215400", "Matériel industriel"},   // exact
        {"2154", true, "215400", "Matériel industriel"},     // completed to the account length first
        {"215450", true, "215500", "Outillage industriel"},  // next greater
        {"681120", true, "681120", "Dotations aux amortissements sur immobilisations corporelles"},
        {"", true, "101000", "Capital"},  // the first account
        {"9", false, "", ""},             // past the end: a number unlike the key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        bool found = false;
        const PCCompte record = Chercher(c.key, &found);
        EXPECT_EQ(found, c.found);
        EXPECT_STREQ(record.NumCompte, c.number);
        EXPECT_STREQ(record.Libelle, c.label);
    }
    EXPECT_FALSE(PCGetGTEQ("215400", nullptr));
}

TEST_F(PlanComptable, LabelLookupAsTheEngineDoesIt) {
    // Open, look up, compare the number, close; opens are counted.
    ASSERT_TRUE(PCOpen());
    ASSERT_TRUE(PCOpen());
    PCClose();
    PCCompte record;
    PCGetGTEQ("445620", &record);
    EXPECT_STREQ(record.NumCompte, "445620");
    EXPECT_STREQ(record.Libelle, "Taxes sur le chiffre d'affaires déductibles sur immobilisations");
    PCGetGTEQ("218310", &record);
    EXPECT_STRNE(record.NumCompte, "218310") << "an account the chart does not hold has no label";
    PCClose();
    PCClose();  // one close too many is harmless
}

TEST_F(PlanComptable, CaseFileAccountsAreAddedAndTakePrecedence) {
    PCAjouteCompte("21831", "Ordinateurs portables");
    PCAjouteCompte("215400", "Presses et machines-outils");
    EXPECT_STREQ(Chercher("218310").NumCompte, "218310");
    EXPECT_STREQ(Chercher("218310").Libelle, "Ordinateurs portables");
    EXPECT_STREQ(Chercher("215400").Libelle, "Presses et machines-outils");

    // While the chart is open an added account shows at once.
    ASSERT_TRUE(PCOpen());
    PCAjouteCompte("218320", "Serveurs");
    EXPECT_STREQ(Chercher("218320").Libelle, "Serveurs");
    PCClose();

    for (auto [number, label] : {std::pair<std::string, std::string>{"", "vide"},
                                 {"2183'1", "apostrophe"},
                                 {"123456789012345", "trop long"},
                                 {"218330", std::string(121, 'x')}})
        EXPECT_THROW(PCAjouteCompte(number, label), EComptabilite) << number;
}

TEST_F(PlanComptable, LongLabelIsCutOnACharacterBoundary) {
    // "x" then 99 euro signs (3 bytes each): 298 bytes; the record keeps "x" and 84 signs (253 bytes).
    std::string label = "x";
    for (int i = 0; i < 99; ++i) label += "\u20AC";
    PCAjouteCompte("218340", label);
    const std::string stored = Chercher("218340").Libelle;
    EXPECT_EQ(stored.size(), 253u);
    EXPECT_EQ(label.compare(0, stored.size(), stored), 0);
}

TEST_F(PlanComptable, ChartNumbersAreUniqueAndFitTheRecord) {
    const std::vector<CompteCompta> accounts = PCListeComptes();
    ASSERT_GT(accounts.size(), 150u);
    std::set<std::string> numbers;
    for (const CompteCompta& account : accounts) {
        EXPECT_EQ(account.NumCompte.size(), 6u) << account.NumCompte;
        EXPECT_LT(account.NumCompte.size(), sizeof(PCCompte::NumCompte));
        EXPECT_FALSE(account.Libelle.empty()) << account.NumCompte;
        EXPECT_TRUE(numbers.insert(account.NumCompte).second) << account.NumCompte;
        EXPECT_TRUE(account.NumCompte[0] >= '1' && account.NumCompte[0] <= '7') << account.NumCompte;
    }
}

TEST_F(PlanComptable, DerivedDepreciationAndImpairmentAccountsAreInTheChart) {
    // Asset account, then whether the general chart has its depreciation and impairment accounts.
    const struct {
        const char* asset;
        bool depreciation;
        bool impairment;
    } cases[] = {
        {"201000", true, false}, {"203000", true, false}, {"205000", true, true},  {"206000", false, true},
        {"207000", true, true},  {"208000", true, true},  {"211000", true, true},  {"212000", true, true},
        {"213100", true, true},  {"213500", true, true},  {"214000", true, true},  {"215100", true, true},
        {"215400", true, true},  {"215500", true, true},  {"218100", true, true},  {"218200", true, true},
        {"218300", true, true},  {"218400", true, true},  {"220000", true, true},  {"231000", false, true},
        {"261000", false, true}, {"267000", false, true}, {"271000", false, true}, {"274000", false, true},
        {"275000", false, true}, {"276000", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asset);
        EXPECT_STREQ(Chercher(c.asset).NumCompte, c.asset) << "asset account";
        const std::string depreciation = Derive(c.asset, '8', *dossier_);
        const std::string impairment = Derive(c.asset, '9', *dossier_);
        EXPECT_EQ(Chercher(depreciation.c_str()).NumCompte == depreciation, c.depreciation) << depreciation;
        EXPECT_EQ(Chercher(impairment.c_str()).NumCompte == impairment, c.impairment) << impairment;
    }
    EXPECT_STREQ(Chercher("281100").Libelle, "Terrains de gisement");
    EXPECT_STREQ(Chercher("281540").Libelle, "Matériel industriel");
    EXPECT_STREQ(Chercher("282000").Libelle, "Amortissements des immobilisations mises en concession");
}

TEST_F(Comptes8, StandardAccountsCompletedToTheAccountLength) {
    // The accounts library's table, completed to 8 characters.
    const char* const expected[kNombreTypesComptes] = {
        "68111000", "68112000", "68112000", "68710000", "68710000", "68710000", "14500000", "68725000",
        "78725000", "68161000", "68162000", "68162000", "68662000", "78161000", "78162000", "78162000",
        "78662000", "44562000", "67510000", "67520000", "67520000", "67560000", "11000000"};
    for (int kind = 0; kind < kNombreTypesComptes; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        EXPECT_EQ(COMPTESGetCompte(kPlanComptableGeneral, kind), expected[kind]);
        char account[14];
        ASSERT_TRUE(COMPTESGetCompteC(account, sizeof account, kPlanComptableGeneral, kind));
        EXPECT_STREQ(account, expected[kind]);
        // Every standard account has its label in the chart.
        EXPECT_STREQ(Chercher(account).NumCompte, expected[kind]);
        EXPECT_STRNE(Chercher(account).Libelle, "");
    }
    EXPECT_EQ(COMPTESGetCompte(kPlanComptableGeneral, -1), "");
    EXPECT_EQ(COMPTESGetCompte(kPlanComptableGeneral, kNombreTypesComptes), "");
    EXPECT_EQ(COMPTESGetCompte(37, 0), "");
    char small[8] = "garbage";
    EXPECT_FALSE(COMPTESGetCompteC(small, sizeof small, kPlanComptableGeneral, 0))
        << "8 characters need 9 bytes";
    EXPECT_STREQ(small, "");
    EXPECT_FALSE(COMPTESGetCompteC(nullptr, 14, kPlanComptableGeneral, 0));
}

TEST_F(Comptes8, ChartKeysAreCompletedToTheAccountLength) {
    EXPECT_STREQ(Chercher("2154").NumCompte, "21540000");
    EXPECT_STREQ(Chercher("21540000").Libelle, "Matériel industriel");
    // The engine's derivation at length 8 lands on the chart's mirror account.
    const std::string depreciation = Derive("21540000", '8', *dossier_);
    EXPECT_EQ(depreciation, "28154000");
    EXPECT_STREQ(Chercher(depreciation.c_str()).NumCompte, "28154000");
}
