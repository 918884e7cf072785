// The case file: creation and reopening, fiscal years, identifiers, year switch, host actions.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "platform/dossier.h"
#include "platform/environnement.h"
#include "platform/messages.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TDateTime D(int year, int month, int day) {
    return EncodeDate(year, month, day);
}

// Contiguous years: the first from `start` to `firstEnd`, then `more` 12-month years.
ParametresDossier Years(TDateTime start, TDateTime firstEnd, int more, int currentIndex) {
    ParametresDossier p;
    p.Exercices.push_back({start, firstEnd, false});
    for (int i = 0; i < more; ++i) {
        TDateTime next = p.Exercices.back().Fin + 1;
        p.Exercices.push_back({next, AjouteMois(next, 12) - 1, false});
    }
    p.DebutExerciceCourant = p.Exercices[currentIndex].Debut;
    return p;
}

// Three calendar years 2022 to 2024, the current one 2024.
ParametresDossier Calendar() {
    return Years(D(2022, 1, 1), D(2022, 12, 31), 2, 2);
}

// Calendar() with one change.
template <class Change>
ParametresDossier CalendarWith(Change change) {
    ParametresDossier p = Calendar();
    change(p);
    return p;
}

// Runs a query and answers the first column of its first row as an integer.
int Scalar(TIBDatabase& database, const UnicodeString& sql) {
    TIBSQL query(&database);
    query.SQL.Add(sql);
    query.ExecQuery();
    return query.Fields(0)->AsInteger();
}

// The current year's first and last day, and the situation date.
std::string Current(const CDossier& dossier) {
    return FormatISODate(dossier.DateDebutExercice) + " " + FormatISODate(dossier.DateFinExercice) + " " +
           FormatISODate(dossier.DateSituation);
}

class CaseFile : public testing::Test {
protected:
    std::unique_ptr<CDossier> Create(const ParametresDossier& p) { return CDossier::Creer(directory_, p); }
    int RowCount(CDossier& dossier, const UnicodeString& table) {
        return Scalar(*dossier.GetDatabaseFirebird(), "SELECT COUNT(*) FROM " + table);
    }

    vktest::TempDir dir_{"vkdossier"};
    std::string directory_ = dir_ / "dossier";
};

// --- Creation ------------------------------------------------------------------------------------

TEST_F(CaseFile, CreateThenReopen) {
    ParametresDossier p = Calendar();
    p.RaisonSociale = "Transports Martin SARL";
    p.RegimeFiscal = 2;
    p.LongueurCompte = 8;
    p.Exercices[0].Cloture = p.Exercices[1].Cloture = true;
    p.DateSituation = D(2024, 6, 30);
    {
        auto dossier = Create(p);
        EXPECT_TRUE(fs::exists(dir_ / "dossier/dossier.fdb"));
        EXPECT_TRUE(fs::exists(dir_ / "dossier/dossier.ini"));
        EXPECT_EQ(dossier->RaisonSociale, "Transports Martin SARL");
        EXPECT_TRUE(dossier->TableExistFirebird("EXERCICES"));
    }
    EXPECT_TRUE(CDossier::Existe(directory_));
    auto dossier = CDossier::Ouvrir(directory_);
    EXPECT_EQ(dossier->RaisonSociale, "Transports Martin SARL");
    EXPECT_EQ(dossier->RegimeFiscal, 2);
    EXPECT_EQ(dossier->RegimeFiscalSecondaire, 2);
    EXPECT_TRUE(dossier->DossierIS());
    EXPECT_EQ(dossier->LongueurCompte, 8);
    EXPECT_EQ(Current(*dossier), "2024-01-01 2024-12-31 2024-06-30");
    ASSERT_EQ(dossier->Exercices().size(), 3u);
    EXPECT_TRUE(dossier->Exercices()[0].Cloture);
    EXPECT_FALSE(dossier->Exercices()[2].Cloture);
    EXPECT_FALSE(dossier->DateDansExerciceOuvert(D(2023, 5, 1)));
    EXPECT_TRUE(dossier->DateDansExerciceOuvert(D(2024, 5, 1)));
    EXPECT_FALSE(dossier->DateDansExerciceOuvert(D(2025, 5, 1)));  // extrapolated, not recorded
    ASSERT_NE(dossier->FichierINI(), nullptr);
    EXPECT_EQ(dossier->FichierINI()->GetInteger("VK", "MiseAuxNormes_MethodeRetrospective", -1), -1);
}

TEST_F(CaseFile, DefaultsHostTablesAndOwnerOnlyFiles) {
    auto dossier = Create(Calendar());
    EXPECT_FALSE(dossier->DossierIS());
    EXPECT_EQ(FormatISODate(dossier->DateSituation), "2024-12-31");  // the current year's end
    for (const char* table : {"DOSSIER", "EXERCICES", "ZENKOVKQ", "ZENKOVKI", "zenkovkq"})
        EXPECT_TRUE(dossier->TableExistFirebird(table)) << table;
    EXPECT_FALSE(dossier->TableExistFirebird("ZENKOVKB"));
    EXPECT_FALSE(dossier->TableExistFirebird("X' OR '1'='1"));
    // The files are the owner's only.
    auto mode = [](const fs::path& path) {
        struct stat info {};
        stat(path.c_str(), &info);
        return info.st_mode & 0777;
    };
    EXPECT_EQ(mode(directory_), 0700u);
    EXPECT_EQ(mode(dir_ / "dossier/dossier.fdb"), 0600u);
    EXPECT_EQ(mode(dir_ / "dossier/dossier.ini"), 0600u);
}

TEST_F(CaseFile, ASecondCreationInTheSameDirectoryIsRefusedAndLeavesTheFirstIntact) {
    {
        auto dossier = Create(Calendar());
        dossier->ExecSQLFirebird(0, "INSERT INTO ZENKOVKQ (ID_CLASS, CLASSEMENT) VALUES (1, 'Matériel')",
                                 true, nullptr);
        dossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
        // Refused while the first is open, and after.
        EXPECT_THROW(Create(Calendar()), EDossier);
    }
    EXPECT_THROW(Create(Calendar()), EDossier);
    auto dossier = CDossier::Ouvrir(directory_);
    EXPECT_EQ(RowCount(*dossier, "ZENKOVKQ"), 1);
}

TEST_F(CaseFile, CreationIsRefusedInANonEmptyDirectory) {
    fs::create_directories(directory_);
    std::ofstream(directory_ + "/notes.txt") << "x";
    EXPECT_THROW(Create(Calendar()), EDossier);
    EXPECT_TRUE(fs::exists(directory_ + "/notes.txt"));
    EXPECT_FALSE(CDossier::Existe(directory_));
    EXPECT_THROW(CDossier::Ouvrir(directory_), EDossier);
    EXPECT_THROW(CDossier::Ouvrir(dir_ / "absent"), EDossier);
}

TEST_F(CaseFile, FiscalYearsAreValidatedBeforeAnythingIsWritten) {
    using P = ParametresDossier&;
    const std::pair<const char*, ParametresDossier> cases[] = {
        {"gap", CalendarWith([](P p) { p.Exercices[1].Debut = D(2023, 1, 2); })},
        {"overlap", CalendarWith([](P p) { p.Exercices[1].Debut = D(2022, 12, 31); })},
        {"more than 24 months", Years(D(2022, 1, 1), D(2024, 1, 1), 0, 0)},
        {"current year not recorded", CalendarWith([](P p) { p.DebutExerciceCourant = D(2025, 1, 1); })},
        {"current year not starting a recorded year",
         CalendarWith([](P p) { p.DebutExerciceCourant = D(2024, 2, 1); })},
        {"situation date before the current year",
         CalendarWith([](P p) { p.DateSituation = D(2023, 12, 31); })},
        {"situation date after the current year", CalendarWith([](P p) { p.DateSituation = D(2025, 1, 1); })},
        {"no fiscal year", CalendarWith([](P p) { p.Exercices.clear(); })},
        {"a year ending before it starts", CalendarWith([](P p) { p.Exercices[2].Fin = D(2023, 12, 1); })},
        {"account length", CalendarWith([](P p) { p.LongueurCompte = 5; })},
        {"tax regime", CalendarWith([](P p) { p.RegimeFiscal = 3; })}};
    for (const auto& [why, p] : cases) {
        EXPECT_THROW(Create(p), EDossier) << why;
        EXPECT_FALSE(fs::exists(directory_)) << why;
    }
    // Exactly 24 months is accepted.
    EXPECT_NO_THROW(Create(Years(D(2022, 1, 1), D(2023, 12, 31), 0, 0)));
}

// --- Fiscal years --------------------------------------------------------------------------------

// Every year from -n to n starts the day after the previous one ends, and both ends give its number.
void ExpectContiguous(const CDossier& dossier, int n) {
    TDateTime previousEnd;
    for (long year = -n; year <= n; ++year) {
        TDateTime start, end;
        dossier.DonnerDatesDebEtFin(year, false, &start, &end);
        if (year > -n) {
            EXPECT_EQ(double(start), double(previousEnd) + 1) << "year " << year;
        }
        EXPECT_EQ(dossier.DonnerExercice(start), year) << FormatISODate(start);
        EXPECT_EQ(dossier.DonnerExercice(end), year) << FormatISODate(end);
        EXPECT_EQ(dossier.DonnerExercice(end + 0.75), year) << "with a time of day";
        previousEnd = end;
    }
}

TEST_F(CaseFile, FiscalYearsRecordedAndExtrapolated) {
    // Dates and numbers worked by hand: 0 is the current year, the years beyond the recorded ones
    // are of twelve months, before the first and after the last.
    const struct {
        const char* why;
        ParametresDossier p;
        const char* numbers;  // date, its year's number...
        const char* bounds;   // year number, its first and last day...
        int contiguous;
    } cases[] = {
        {"calendar years 2022-2024, current 2024", Calendar(),
         "2024-06-15 0 2024-01-01 0 2024-12-31 0 2023-12-31 -1 2022-01-01 -2 2021-12-31 -3 2020-01-01 -4 "
         "2025-01-01 1 2026-12-31 2 2027-01-01 3",
         "-3 2021-01-01 2021-12-31 2 2026-01-01 2026-12-31 -1 2023-01-01 2023-12-31", 6},
        {"July to June", Years(D(2022, 7, 1), D(2023, 6, 30), 1, 1),
         "2024-06-30 0 2023-07-01 0 2023-06-30 -1 2024-07-01 1 2025-06-30 1 2025-07-01 2 2022-06-30 -2 "
         "2021-07-01 -2 2021-06-30 -3",
         "-2 2021-07-01 2022-06-30 1 2024-07-01 2025-06-30", 5},
        {"a company created on 1 April 2023 with a first year of nine months",
         Years(D(2023, 4, 1), D(2023, 12, 31), 1, 1),
         "2023-04-01 -1 2023-03-31 -2 2022-04-01 -2 2022-03-31 -3", "-2 2022-04-01 2023-03-31", 4},
        {"an 18-month first year, then calendar years", Years(D(2023, 7, 1), D(2024, 12, 31), 1, 0),
         "2023-07-01 0 2024-12-31 0 2025-01-01 1 2026-01-01 2 2023-06-30 -1 2022-07-01 -1", "", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all(directory_);
        auto dossier = Create(c.p);
        std::istringstream numbers(c.numbers), bounds(c.bounds);
        std::string date, first, last;
        long number = 0;
        while (numbers >> date >> number) {
            EXPECT_EQ(dossier->DonnerExercice(ParseISODate(date), true), number) << date;
            EXPECT_EQ(dossier->DonnerExercice(ParseISODate(date), false), number) << date;
        }
        while (bounds >> number >> first >> last) {
            TDateTime start, end;
            dossier->DonnerDatesDebEtFin(number, false, &start, &end);
            EXPECT_EQ(FormatISODate(start) + " " + FormatISODate(end), first + " " + last)
                << "year " << number;
        }
        ExpectContiguous(*dossier, c.contiguous);
    }
    // One end asked alone.
    auto dossier = CDossier::Ouvrir(directory_);
    TDateTime start, end;
    dossier->DonnerDatesDebEtFin(-1, false, &start, nullptr);
    EXPECT_EQ(FormatISODate(start), "2022-07-01");
    dossier->DonnerDatesDebEtFin(0, false, nullptr, &end);
    EXPECT_EQ(FormatISODate(end), "2024-12-31");
}

TEST_F(CaseFile, AccountsAreCompletedToTheAccountLength) {
    ParametresDossier p = Calendar();
    p.LongueurCompte = 8;
    auto dossier = Create(p);
    EXPECT_EQ(dossier->DossierCompleteCompte("2182", true), "21820000");
    EXPECT_EQ(dossier->DossierCompleteCompte("21820000", true), "21820000");
    EXPECT_EQ(dossier->DossierCompleteCompte("218200001", true), "218200001");
    EXPECT_EQ(dossier->DossierCompleteCompte("", true), "");
}

// --- Identifiers ---------------------------------------------------------------------------------

class Identifiers : public CaseFile {
protected:
    void SetUp() override {
        dossier_ = Create(Calendar());
        dossier_->ExecSQLFirebird(
            0,
            "CREATE TABLE ZENKOVKB (ID_BIEN AUTOINC NOT NULL PRIMARY KEY, REF_CALC INTEGER, "
            "ACTIF BOOLEAN DEFAULT 1, LIBELLE VARCHAR(20) DEFAULT 'BOOLEAN AUTOINC')",
            false, nullptr);
        dossier_->CreeAutoIncFirebird("ZENKOVKB", "ID_BIEN", true);
        dossier_->CreeAutoIncFirebird("ZENKOVKB", "REF_CALC", false);
        Commit();
    }
    void Commit() { dossier_->GetDatabaseFirebird()->DefaultTransaction().Commit(); }
    void Insert(TIBDatabase& database, const UnicodeString& values = "(REF_CALC) VALUES (NULL)") {
        database.ExecuteImmediate("INSERT INTO ZENKOVKB " + values);
    }
    int MaxId() { return Scalar(*dossier_->GetDatabaseFirebird(), "SELECT MAX(ID_BIEN) FROM ZENKOVKB"); }

    std::unique_ptr<CDossier> dossier_;
};

TEST_F(Identifiers, TableTypesAreRewrittenOutsideQuotesAndDrawsGiveANewValueEachCall) {
    Insert(*dossier_->GetDatabaseFirebird());
    TIBSQL sql(dossier_->GetDatabaseFirebird());
    sql.SQL.Add("SELECT ID_BIEN, ACTIF, LIBELLE FROM ZENKOVKB");
    sql.ExecQuery();
    EXPECT_EQ(sql.Fields(0)->AsInteger(), 1);
    EXPECT_TRUE(sql.Fields(1)->AsBoolean());
    EXPECT_EQ(sql.Fields(2)->AsString(), "BOOLEAN AUTOINC");
    // Creating the increments again changes nothing.
    EXPECT_NO_THROW(dossier_->CreeAutoIncFirebird("ZENKOVKB", "ID_BIEN", true));
    EXPECT_NO_THROW(dossier_->CreeAutoIncFirebird("zenkovkb", "REF_CALC", false));
    Commit();
    int previous = 0;
    for (int i = 0; i < 5; ++i) {
        const int drawn = dossier_->RecupAutoIncFirebird("ZENKOVKB", "REF_CALC", true);
        EXPECT_GT(drawn, previous);
        previous = drawn;
    }
}

TEST_F(Identifiers, LastInsertOfThisAttachment) {
    EXPECT_EQ(dossier_->RecupAutoIncFirebird("ZENKOVKB", "ID_BIEN", false), 0);  // nothing inserted yet
    Insert(*dossier_->GetDatabaseFirebird());
    Insert(*dossier_->GetDatabaseFirebird());
    EXPECT_EQ(dossier_->RecupAutoIncFirebird("ZENKOVKB", "ID_BIEN", false), MaxId());
    EXPECT_EQ(MaxId(), 2);
    // An identifier given explicitly is the one recorded.
    Insert(*dossier_->GetDatabaseFirebird(), "(ID_BIEN) VALUES (100)");
    EXPECT_EQ(dossier_->RecupAutoIncFirebird("ZENKOVKB", "ID_BIEN", false), 100);
    Commit();
}

TEST_F(Identifiers, LastInsertIsThisAttachmentsEvenAfterAnotherInserted) {
    // Two attachments to the same file in one process (the embedded engine allows it).
    TIBDatabase other;
    other.Open(dossier_->GetDatabaseFirebird()->Path());
    Insert(*dossier_->GetDatabaseFirebird());
    Commit();
    const int mine = dossier_->RecupAutoIncFirebird("ZENKOVKB", "ID_BIEN", false);
    Insert(other);
    Insert(other);
    other.DefaultTransaction().Commit();
    EXPECT_EQ(dossier_->RecupAutoIncFirebird("ZENKOVKB", "ID_BIEN", false), mine);
    // The generator's current value is the other attachment's, which is what must not be answered.
    EXPECT_EQ(
        Scalar(*dossier_->GetDatabaseFirebird(), "SELECT GEN_ID(G_ZENKOVKB_ID_BIEN, 0) FROM RDB$DATABASE"),
        mine + 2);
    EXPECT_EQ(
        Scalar(other, "SELECT RDB$GET_CONTEXT('USER_SESSION', 'VK_LAST_ZENKOVKB.ID_BIEN') FROM RDB$DATABASE"),
        mine + 2);
    other.Close();
}

TEST_F(Identifiers, LongTableAndColumnNamesStayDistinct) {
    const UnicodeString table = "ZENKOVKTABLEAUAVECUNNOMLONG";
    dossier_->ExecSQLFirebird(
        0,
        "CREATE TABLE " + table +
            " (IDENTIFIANT_NUMERO_UN AUTOINC NOT NULL, IDENTIFIANT_NUMERO_DEUX INTEGER)",
        false, nullptr);
    dossier_->CreeAutoIncFirebird(table, "IDENTIFIANT_NUMERO_UN", true);
    dossier_->CreeAutoIncFirebird(table, "IDENTIFIANT_NUMERO_DEUX", true);
    Commit();
    dossier_->ExecSQLFirebird(0, "INSERT INTO " + table + " (IDENTIFIANT_NUMERO_UN) VALUES (NULL)", true,
                              nullptr);
    EXPECT_EQ(dossier_->RecupAutoIncFirebird(table, "IDENTIFIANT_NUMERO_UN", false), 1);
    EXPECT_EQ(dossier_->RecupAutoIncFirebird(table, "IDENTIFIANT_NUMERO_DEUX", false), 1);
    EXPECT_EQ(dossier_->RecupAutoIncFirebird(table, "IDENTIFIANT_NUMERO_DEUX", true), 2);
    EXPECT_EQ(dossier_->RecupAutoIncFirebird(table, "IDENTIFIANT_NUMERO_UN", true), 2);
}

// --- Year switch and host actions ----------------------------------------------------------------

TEST_F(CaseFile, PassingToTheNextYearRecordsItWhenMissing) {
    {
        auto dossier = Create(Calendar());
        dossier->PasserExerciceSuivant();
        dossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
        EXPECT_EQ(FormatISODate(dossier->DateDebutExercice), "2025-01-01");
        EXPECT_EQ(dossier->DonnerExercice(D(2025, 6, 1)), 0);
        EXPECT_EQ(dossier->DonnerExercice(D(2024, 6, 1)), -1);
    }
    auto dossier = CDossier::Ouvrir(directory_);
    ASSERT_EQ(dossier->Exercices().size(), 4u);
    EXPECT_TRUE(dossier->Exercices()[2].Cloture);
    EXPECT_FALSE(dossier->Exercices()[3].Cloture);
    EXPECT_EQ(FormatISODate(dossier->Exercices()[3].Fin), "2025-12-31");
    EXPECT_EQ(Current(*dossier), "2025-01-01 2025-12-31 2025-12-31");
    EXPECT_FALSE(dossier->DateDansExerciceOuvert(D(2024, 12, 31)));
    EXPECT_TRUE(dossier->DateDansExerciceOuvert(D(2025, 1, 1)));
}

TEST_F(CaseFile, PassingToAnAlreadyRecordedYearKeepsItsDates) {
    // Current 2023-07-01 .. 2024-06-30, the next one recorded with 18 months.
    ParametresDossier p = Years(D(2023, 7, 1), D(2024, 6, 30), 0, 0);
    p.Exercices.push_back({D(2024, 7, 1), D(2025, 12, 31), false});
    auto dossier = Create(p);
    dossier->PasserExerciceSuivant();
    ASSERT_EQ(dossier->Exercices().size(), 2u);
    EXPECT_TRUE(dossier->Exercices()[0].Cloture);
    EXPECT_EQ(Current(*dossier), "2024-07-01 2025-12-31 2025-12-31");
    EXPECT_EQ(dossier->DonnerExercice(D(2026, 1, 1)), 1);
}

TEST_F(CaseFile, SituationDate) {
    auto dossier = Create(Calendar());
    dossier->SetDateSituation(D(2024, 3, 31));
    EXPECT_EQ(FormatISODate(dossier->DateSituation), "2024-03-31");
    EXPECT_THROW(dossier->SetDateSituation(D(2025, 1, 1)), EDossier);
    EXPECT_EQ(FormatISODate(dossier->DateSituation), "2024-03-31");
    dossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
    dossier.reset();
    EXPECT_EQ(FormatISODate(CDossier::Ouvrir(directory_)->DateSituation), "2024-03-31");
}

TEST_F(CaseFile, AnActionRolledBackLeavesNothingInTheFileNorInTheCaseFile) {
    auto dossier = Create(Calendar());
    {
        CActionDossier action(*dossier);
        dossier->ExecSQLFirebird(0, "INSERT INTO ZENKOVKQ (ID_CLASS, CLASSEMENT) VALUES (1, 'A')", true,
                                 nullptr);
        dossier->GetDatabaseFirebird()->DefaultTransaction().Commit();  // the engine's commit: a no-op here
        dossier->PasserExerciceSuivant();
        dossier->SetDateSituation(D(2025, 2, 1));
        EXPECT_EQ(FormatISODate(dossier->DateDebutExercice), "2025-01-01");
    }
    EXPECT_EQ(RowCount(*dossier, "ZENKOVKQ"), 0);
    EXPECT_EQ(RowCount(*dossier, "EXERCICES"), 3);
    // What the case file says of itself is the state in the file.
    EXPECT_EQ(Current(*dossier), "2024-01-01 2024-12-31 2024-12-31");
    EXPECT_EQ(dossier->Exercices().size(), 3u);
    EXPECT_EQ(dossier->DonnerExercice(D(2024, 6, 1)), 0);

    {
        CActionDossier action(*dossier);
        dossier->ExecSQLFirebird(0, "INSERT INTO ZENKOVKQ (ID_CLASS, CLASSEMENT) VALUES (2, 'B')", true,
                                 nullptr);
        action.Commit();
    }
    dossier.reset();
    dossier = CDossier::Ouvrir(directory_);
    EXPECT_EQ(RowCount(*dossier, "ZENKOVKQ"), 1);
}

TEST_F(CaseFile, ExecSqlErrorsRaiseWithTheirStatement) {
    auto dossier = Create(Calendar());
    try {
        dossier->ExecSQLFirebird(VK_LocationCode(900, 1), "INSERT INTO ABSENTE VALUES (1)", true, nullptr);
        FAIL();
    } catch (const EIBError& e) {
        EXPECT_EQ(e.SQL, "INSERT INTO ABSENTE VALUES (1)");
    }
}

// --- Environment ---------------------------------------------------------------------------------

TEST(Environment, OwnDatabaseTablesAndAliases) {
    vktest::TempDir dir{"vkenv"};
    auto environment = TEnvironnement::Ouvrir((dir.Path() / "env").string(), "martin");
    EXPECT_EQ(environment->Utilisateur, "martin");
    EXPECT_TRUE(fs::is_directory(environment->NomFichier2(TEnvironnement::kRepertoireCommun)));
    EXPECT_TRUE(fs::is_directory(environment->NomFichier2(TEnvironnement::kRepertoireBases)));
    EXPECT_FALSE(environment->TableExistFirebird("VKA", ttEnvironnement));
    environment->ExecSQLFirebird(0, "CREATE TABLE VKA (ID_BIEN INTEGER NOT NULL, PREMIER BOOLEAN)", false,
                                 nullptr, ttEnvironnement);
    environment->ExecSQLFirebird(0, "INSERT INTO VKA VALUES (1, 1)", true, nullptr, ttEnvironnement);
    EXPECT_TRUE(environment->TableExistFirebird("vka", ttEnvironnement));
    EXPECT_FALSE(environment->TableExistFirebird("X' OR '1'='1", ttEnvironnement));
    // A named database is created on demand in the bases directory, the common one apart.
    EXPECT_EQ(environment->GetDatabaseAlias("OKT_DOSSIER", false), nullptr);
    ASSERT_NE(environment->GetDatabaseAlias("OKT_DOSSIER", true), nullptr);
    EXPECT_TRUE(fs::exists(environment->CheminAlias("OKT_DOSSIER")));
    EXPECT_EQ(fs::path(environment->CheminAlias("okt_commun")).parent_path(),
              fs::path(environment->NomFichier2(TEnvironnement::kRepertoireCommun)));
    environment->Liberer();
    // Committed, and detached: the row is there for the next user of the environment.
    EXPECT_EQ(Scalar(*environment->GetDatabaseFirebird(), "SELECT COUNT(*) FROM VKA"), 1);
}

}  // namespace
