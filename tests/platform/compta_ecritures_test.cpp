// The ledger: recording, replacing, cancelling entries, the fiscal-year rule and the comparison driver.
#include <fmt/format.h>

#include <tuple>

#include "tests/platform/compta_fixture.h"

namespace {

using Ledger = DossierComptaTest;

const TDateTime k31Dec2024 = EncodeDate(2024, 12, 31);
const TDateTime k1Jan2024 = EncodeDate(2024, 1, 1);

CCurrency Solde(const EcritureCompta& entry) {
    CCurrency balance(0);
    for (const LigneCompta& line : entry.Lignes) balance += line.Debit ? line.Montant : -line.Montant;
    return balance;
}

// The amount of the first line of the only entry of the ledger.
CCurrency OnlyEntrysAmount() {
    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    EXPECT_EQ(entries.size(), 1u);
    return entries.empty() ? CCurrency() : entries[0].Lignes.at(0).Montant;
}

}  // namespace

TEST(OrigineCompta, CodeAndText) {
    // Lowest byte the kind of piece, second byte zero, then 'V' and 'K'.
    EXPECT_EQ(AssCodeOrigine('6'), 0x4B560036);
    EXPECT_EQ(AssOrigineTexte(AssCodeOrigine('6')), "VK6");
    EXPECT_EQ(AssOrigineTexte(AssCodeOrigine('2')), "VK2");
    EXPECT_EQ(AssOrigineTexte(0), "");
    EXPECT_EQ(AssOrigineTexte(12345), "12345");
}

TEST_F(Ledger, EntriesAreRecordedExactlyAndReadBackBalanced) {
    ASSERT_TRUE(Dotation(k31Dec2024, 1234.5678));
    ASSERT_TRUE(Creer("ODR", k1Jan2024, '6', "",
                      {{"215400", "Mise aux normes", 100.01, true},
                       {"281540", "Mise aux normes", 40, false},
                       {"110000", "Mise aux normes", 60.01, false}}));
    ASSERT_TRUE(Creer(
        "ODR", EncodeDate(2024, 6, 30), '3', "-12",
        {{"675200", "Cession l'été; DROP", 0.0001, true}, {"215400", "Cession l'été; DROP", 0.0001, false}}));
    // A negative amount is recorded on the other side.
    ASSERT_TRUE(Dotation(k31Dec2024, -12.5, "NEG"));

    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    ASSERT_EQ(entries.size(), 4u);
    // By date: the standards conformity of 1 January, the disposal, the year's charges.
    EXPECT_EQ(entries[0].Journal, "ODR");
    EXPECT_EQ(entries[0].OrigineTexte(), "VK6");
    EXPECT_TRUE(entries[0].Speciale) << "standards-conformity entries are special";
    EXPECT_EQ(entries[1].Piece, "-12");
    EXPECT_EQ(entries[1].OrigineTexte(), "VK3");
    EXPECT_EQ(entries[1].Lignes[0].Libelle, "Cession l'été; DROP");
    EXPECT_EQ(entries[1].Lignes[0].Montant.Count(), 1);
    EXPECT_EQ(entries[2].Journal, "INVR");
    EXPECT_EQ(double(entries[2].Date), double(k31Dec2024));
    EXPECT_FALSE(entries[2].Speciale);
    ASSERT_EQ(entries[2].Lignes.size(), 2u);
    EXPECT_EQ(entries[2].Lignes[0].Compte, "681120");
    EXPECT_TRUE(entries[2].Lignes[0].Debit);
    EXPECT_EQ(entries[2].Lignes[0].Montant.Count(), 12345678);
    EXPECT_FALSE(entries[2].Lignes[1].Debit);
    ASSERT_EQ(entries[3].Piece, "NEG");
    EXPECT_FALSE(entries[3].Lignes[0].Debit);
    EXPECT_EQ(entries[3].Lignes[0].Montant, CCurrency(12.5));
    EXPECT_TRUE(entries[3].Lignes[1].Debit);
    for (const EcritureCompta& entry : entries) EXPECT_EQ(Solde(entry), CCurrency(0)) << entry.Journal;
    EXPECT_TRUE(shown_.informations.empty());
}

TEST_F(Ledger, SameEntryCreatedTwiceLeavesOne) {
    // D32: journal, date, origin and piece identify an entry; recording it again replaces it.
    ASSERT_TRUE(Dotation(k31Dec2024, 100));
    ASSERT_TRUE(Dotation(k31Dec2024, 250.5));
    // Another identity (the piece text differs) is another entry.
    ASSERT_TRUE(Dotation(k31Dec2024, 7, "-1"));
    // So is the same piece text of another origin.
    ASSERT_TRUE(Creer(
        "INVR", k31Dec2024, '4', "",
        {{"687250", "Dot. aux amort. dérog.", 3, true}, {"145000", "Dot. aux amort. dérog.", 3, false}}));

    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Piece, "");
    EXPECT_EQ(entries[0].Origine, AssCodeOrigine('2'));
    ASSERT_EQ(entries[0].Lignes.size(), 2u);
    EXPECT_EQ(entries[0].Lignes[0].Montant, CCurrency(250.5));
    EXPECT_EQ(Compter("CPTA_LIGNES"), 6) << "the replaced entry's lines are gone";
}

TEST_F(Ledger, CancelRemovesTheEntryAndItsLines) {
    ASSERT_TRUE(Creer("ODR", EncodeDate(2024, 6, 30), '3', "-12",
                      {{"675200", "Cession", 10, true}, {"215400", "Cession", 10, false}}));
    ASSERT_TRUE(Dotation(k31Dec2024, 5));

    EXPECT_FALSE(AssEcrAnnule("ODR", EncodeDate(2024, 6, 29), AssCodeOrigine('3'), "-12")) << "other date";
    EXPECT_FALSE(AssEcrAnnule("ODR", EncodeDate(2024, 6, 30), AssCodeOrigine('7'), "-12")) << "other origin";
    EXPECT_TRUE(AssEcrAnnule("ODR", EncodeDate(2024, 6, 30), AssCodeOrigine('3'), "-12"));
    EXPECT_FALSE(AssEcrAnnule("ODR", EncodeDate(2024, 6, 30), AssCodeOrigine('3'), "-12"))
        << "already cancelled";
    EXPECT_EQ(OnlyEntrysAmount(), CCurrency(5));
    EXPECT_EQ(Compter("CPTA_LIGNES"), 2);
}

TEST_F(Ledger, DatesOutsideTheOpenRecordedYearsAreRefusedAndChangeNothing) {
    // D38: open recorded years only (2024 and 2025 here); 2023 is closed; depreciation extrapolates
    // years before 2023 and after 2025, the ledger does not.
    ASSERT_TRUE(Dotation(k31Dec2024, 5));
    const struct {
        const char* name;
        TDateTime date;
        const char* reason;  // empty: accepted
    } cases[] = {
        {"first day of the current year", k1Jan2024, ""},
        {"last day of the open later year", EncodeDate(2025, 12, 31), ""},
        {"closed year", EncodeDate(2023, 6, 30), "l'exercice du 01/01/2023 au 31/12/2023 est clos"},
        {"before the first recorded year", EncodeDate(2022, 12, 31), "hors des exercices du dossier"},
        {"after the last recorded year", EncodeDate(2026, 1, 1), "hors des exercices du dossier"},
        {"null date", TDateTime(), "n'a pas de date"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool accepted = !*c.reason;
        shown_.informations.clear();
        EXPECT_EQ(AssPeutCreerAnnulerEcr(c.date, true), accepted);
        EXPECT_EQ(AssPeutCreerAnnulerEcr(c.date, false), accepted);
        if (accepted) {
            EXPECT_TRUE(shown_.informations.empty());
            continue;
        }
        ASSERT_EQ(shown_.informations.size(), 2u);
        EXPECT_NE(shown_.informations[0].find("Création d'écriture refusée"), std::string::npos);
        EXPECT_NE(shown_.informations[0].find(c.reason), std::string::npos) << shown_.informations[0];
        EXPECT_NE(shown_.informations[1].find("Annulation d'écriture refusée"), std::string::npos);
        EXPECT_FALSE(AssEcrOpen("INVR", c.date, false, AssCodeOrigine('2'), ""));
        EXPECT_FALSE(AssEcrEstOuverte());
        EXPECT_FALSE(AssEcrAnnule("INVR", c.date, AssCodeOrigine('2'), ""));
    }
    ASSERT_EQ(ComptaLireEcritures().size(), 1u);

    // Closing 2024 makes its entries untouchable.
    dossier_->PasserExerciceSuivant();
    shown_.informations.clear();
    EXPECT_FALSE(AssEcrAnnule("INVR", k31Dec2024, AssCodeOrigine('2'), ""));
    ASSERT_EQ(shown_.informations.size(), 1u);
    EXPECT_NE(shown_.informations[0].find("l'exercice du 01/01/2024 au 31/12/2024 est clos"),
              std::string::npos);
    EXPECT_FALSE(Dotation(k31Dec2024, 9));
    EXPECT_EQ(OnlyEntrysAmount(), CCurrency(5));
}

TEST_F(Ledger, UnbalancedEmptyOrFailedEntriesReplaceNothing) {
    ASSERT_TRUE(Dotation(k31Dec2024, 5));
    ASSERT_TRUE(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('2'), ""));
    AssEcrInsLigne("681120", "Dot. aux amort.", Currency{1000000}, true, nullptr);
    AssEcrInsLigne("281540", "Dot. aux amort.", Currency{999999}, false, nullptr);
    try {
        AssEcrValide();
        FAIL() << "an unbalanced entry was recorded";
    } catch (const EComptabilite& e) {
        EXPECT_NE(std::string(e.what()).find("déséquilibrée"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("100,00"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("99,9999"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(AssEcrEstOuverte());
    EXPECT_EQ(OnlyEntrysAmount(), CCurrency(5)) << "the recorded entry is not replaced";

    // An entry without lines records nothing.
    ASSERT_TRUE(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('2'), ""));
    EXPECT_FALSE(AssEcrValide());
    EXPECT_EQ(OnlyEntrysAmount(), CCurrency(5)) << "an empty entry does not replace the recorded one";

    // A character the case file's database cannot store fails the insert of the second line, after the
    // earlier entry was deleted and the new one inserted: the savepoint takes all of it back.
    ASSERT_TRUE(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('2'), ""));
    AssEcrInsLigne("681120", "Dot. aux amort.", Currency{80000}, true, nullptr);
    AssEcrInsLigne("281540", "Dot. \xF0\x9F\x99\x82", Currency{80000}, false, nullptr);
    EXPECT_THROW(AssEcrValide(), EIBError);
    EXPECT_FALSE(AssEcrEstOuverte());
    EXPECT_EQ(OnlyEntrysAmount(), CCurrency(5));
    EXPECT_EQ(Compter("CPTA_LIGNES"), 2);
}

TEST_F(Ledger, EntryOpenedAndNeverValidatedLeavesNothing) {
    // The engine validates once after an empty list.
    EXPECT_FALSE(AssEcrValide());
    ASSERT_TRUE(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('2'), ""));
    AssEcrInsLigne("681120", "Dot. aux amort.", Currency{50000}, true, nullptr);
    AssEcrInsLigne("281540", "Dot. aux amort.", Currency{50000}, false, nullptr);
    EXPECT_EQ(Compter("CPTA_ECRITURES"), 0) << "lines stay in memory until validation";
    // A second open while one is open is a misuse: it raises and drops the first.
    EXPECT_THROW(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('4'), ""), EComptabilite);
    EXPECT_FALSE(AssEcrEstOuverte());
    EXPECT_FALSE(AssEcrValide()) << "nothing is open any more";
    EXPECT_EQ(Compter("CPTA_ECRITURES"), 0);
    EXPECT_EQ(Compter("CPTA_LIGNES"), 0);
}

TEST_F(Ledger, LinesAreCheckedWhenAdded) {
    EXPECT_THROW(AssEcrInsLigne("681120", "x", Currency{1}, true, nullptr), EComptabilite) << "no entry open";
    const struct {
        const char* account;
        std::string label;
    } invalid[] = {{"", "vide"}, {"123456789012345", "15 caractères"}, {"681120", std::string(101, 'x')}};
    for (const auto& line : invalid) {
        SCOPED_TRACE(line.account);
        ASSERT_TRUE(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('2'), ""));
        EXPECT_THROW(AssEcrInsLigne(line.account, line.label, Currency{1}, true, nullptr), EComptabilite);
        EXPECT_FALSE(AssEcrEstOuverte()) << "a refused line drops its entry";
    }
    // Identity texts: journal 1 to 6 characters, piece text up to 15.
    EXPECT_FALSE(AssEcrOpen("", k31Dec2024, false, AssCodeOrigine('2'), ""));
    EXPECT_FALSE(AssEcrOpen("JOURNAL", k31Dec2024, false, AssCodeOrigine('2'), ""));
    EXPECT_FALSE(AssEcrOpen("ODR", k31Dec2024, false, AssCodeOrigine('7'), "-CP1234567890123"));
    EXPECT_TRUE(AssEcrOpen("ODR", k31Dec2024, false, AssCodeOrigine('7'), "-CP123456789012"));
    EXPECT_EQ(Compter("CPTA_ECRITURES"), 0);
}

TEST_F(Ledger, EntriesFollowTheHostTransaction) {
    {
        CActionDossier action(*dossier_);
        ASSERT_TRUE(Dotation(k31Dec2024, 5));
        EXPECT_EQ(ComptaLireEcritures().size(), 1u);
    }  // not committed: rolled back
    EXPECT_TRUE(ComptaLireEcritures().empty());
}

namespace {

struct LigneVue {
    std::string compte, journal, origine;
    int speciale;
    int jour, mois, annee;
    int debit;
    double montant;
    bool operator==(const LigneVue&) const = default;
};

struct Collecte {
    std::vector<LigneVue> lignes;
    int registre = 0;
    size_t lignesAvantRegistre = 0;
};

void SurLigne(void* context, const char* account, const char* journal, const char* origin, int16_t special,
              dateDOS date, int16_t debit, double amount) {
    static_cast<Collecte*>(context)->lignes.push_back(
        {account, journal, origin, special, date.da_day, date.da_mon, date.da_year, debit, amount});
}

void SurRegistre(void* context) {
    auto* collected = static_cast<Collecte*>(context);
    ++collected->registre;
    collected->lignesAvantRegistre = collected->lignes.size();
}

}  // namespace

TEST_F(Ledger, ComparisonVisitsEveryLedgerLineWithItsFlags) {
    // An opening-balance entry of the host (no engine origin) marked special by the caller, a
    // standards-conformity entry (special), the year's charges.
    ASSERT_TRUE(AssEcrOpen("AN", k1Jan2024, true, 0, "1"));
    AssEcrInsLigne("215400", "A nouveau", static_cast<Currency>(CCurrency(1000)), true, nullptr);
    AssEcrInsLigne("281540", "A nouveau", static_cast<Currency>(CCurrency(300)), false, nullptr);
    AssEcrInsLigne("110000", "A nouveau", static_cast<Currency>(CCurrency(700)), false, nullptr);
    ASSERT_TRUE(AssEcrValide());
    ASSERT_TRUE(Creer("ODR", k1Jan2024, '6', "",
                      {{"215400", "Mise aux normes", 50, true}, {"110000", "Mise aux normes", 50, false}}));
    ASSERT_TRUE(Dotation(k31Dec2024, 123.45));

    Collecte collected;
    EXPECT_EQ(ComptaComparer(&collected, SurLigne, SurRegistre), 7);
    const std::vector<LigneVue> expected = {{"215400", "AN", "", 1, 1, 1, 2024, 1, 1000},
                                            {"281540", "AN", "", 1, 1, 1, 2024, 0, 300},
                                            {"110000", "AN", "", 1, 1, 1, 2024, 0, 700},
                                            {"215400", "ODR", "VK6", 1, 1, 1, 2024, 1, 50},
                                            {"110000", "ODR", "VK6", 1, 1, 1, 2024, 0, 50},
                                            {"681120", "INVR", "VK2", 0, 31, 12, 2024, 1, 123.45},
                                            {"281540", "INVR", "VK2", 0, 31, 12, 2024, 0, 123.45}};
    ASSERT_EQ(collected.lignes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(collected.lignes[i], expected[i])
            << "line " << i << ": " << collected.lignes[i].compte << " " << collected.lignes[i].journal << " "
            << collected.lignes[i].origine;
    EXPECT_EQ(collected.registre, 1);
    EXPECT_EQ(collected.lignesAvantRegistre, expected.size())
        << "the register side comes after the ledger lines";
}

TEST_F(Ledger, LongEntryKeepsAllItsLinesInOrder) {
    // More lines than one recording block holds: the rest go in further blocks of the same entry.
    constexpr int kLines = 150;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(AssEcrOpen("INVR", k31Dec2024, false, AssCodeOrigine('2'), ""));
        for (int i = 0; i < kLines; ++i)
            AssEcrInsLigne(fmt::format("{}", 281000 + i / 2), fmt::format("Ligne {}", i),
                           Currency{100 + i / 2}, i % 2 == 0, nullptr);
        ASSERT_TRUE(AssEcrValide());
    }
    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_EQ(entries[0].Lignes.size(), static_cast<size_t>(kLines));
    for (int i = 0; i < kLines; ++i) EXPECT_EQ(entries[0].Lignes[i].Libelle, fmt::format("Ligne {}", i));
    EXPECT_EQ(Solde(entries[0]), CCurrency(0));
    EXPECT_EQ(Compter("CPTA_LIGNES"), kLines);
}
