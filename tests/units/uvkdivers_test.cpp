// SQL literal formatting and database helpers, against real embedded databases of both kinds: the
// case file's database and a named (file-based) database.
#include <clocale>

#include "platform/tablesfichier.h"
#include "tests/support/case_fixture.h"
#include "units/uvkdivers.h"

namespace {

struct FormatCase {
    const char* what;
    UnicodeString computed;
    UnicodeString expected;
};

TEST(Formatters, SentinelsAndLiterals) {
    const TDateTime newYearsEve = EncodeDate(2024, 12, 31);
    const FormatCase cases[] = {
        {"text with a quote", VK_FormatAS("l'été"), "'l''été'"},
        {"empty text", VK_FormatAS(""), "NULL"},
        {"ISO date", VK_FormatDate(newYearsEve, false, true), "'2024-12-31'"},
        {"US date", VK_FormatDate(newYearsEve, false, false), "'12/31/2024'"},
        {"null date ISO", VK_FormatDate(TDateTime(), false, true), "NULL"},
        {"null date US", VK_FormatDate(TDateTime(), true, false), "NULL"},
        {"stamp", VK_FormatDate(EncodeDateTime(2024, 3, 5, 14, 7, 9), true, true), "'2024-03-05 14:07:09'"},
        {"stamp US", VK_FormatDate(EncodeDateTime(2024, 3, 5, 14, 7, 9), true, false),
         "'03/05/2024 14:07:09'"},
        {"one and a half", VK_FormatDouble(1.5), "1.5"},
        {"lowest double", VK_FormatDouble(-1.7976931348623157e308), "NULL"},
        {"large", VK_FormatDouble(1.5e20), "1.5E20"},
        {"small", VK_FormatDouble(0.00001), "1E-5"},
        {"15 digits", VK_FormatDouble(0.1 + 0.2), "0.3"},
        {"int sentinel", VK_FormatInt(-2147483647), "NULL"},
        {"lowest int", VK_FormatInt(-2147483647 - 1), "-2147483648"},
        {"unsigned short", VK_FormatUnsignedShort(65534), "65534"},
        {"unsigned short sentinel", VK_FormatUnsignedShort(65535), "NULL"},
        {"id 0", VK_Format_ID(0), "NULL"},
        {"id", VK_Format_ID(4000000000u), "4000000000"},
        {"bool numeric", VK_FormatBool(true, true), "1"},
        {"bool word", VK_FormatBool(false, false), "'false'"},
        {"table", GetNomTable("VKB", false), "ZENKOVKB"},
        {"common table", GetNomTable("VKB", true), "VKB"},
        {"reference with alias", CastReference("B", "R"),
         "CASE WHEN B.REF_SAIS IS NULL THEN CAST(B.REF_CALC AS VARCHAR(10)) ELSE B.REF_SAIS END as R"},
        {"reference bare", CastReference("", ""),
         "CASE WHEN REF_SAIS IS NULL THEN CAST(REF_CALC AS VARCHAR(10)) ELSE REF_SAIS END"},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(c.computed, c.expected) << c.what;
}

// Entry lines are in cents: half a cent goes away from zero, less than half a cent goes.
TEST(Formatters, AmountsRoundToTheCentHalfAwayFromZero) {
    struct Case {
        const char* amount;
        const char* cents;
    } cases[] = {
        {"740.742", "740.74"}, {"740.745", "740.75"},   {"740.7449", "740.74"},
        {"1.005", "1.01"},     {"-1.005", "-1.01"},     {"-1.0049", "-1"},
        {"0.0049", "0"},       {"0.005", "0.01"},       {"-0.005", "-0.01"},
        {"12.3", "12.3"},      {"8540.742", "8540.74"}, {"-999999999.995", "-1000000000"},
    };
    for (const Case& c : cases) {
        const CCurrency amount = CCurrency::Parse(c.amount);
        EXPECT_EQ(VK_ArrondiCentime(amount).ToString(), c.cents) << "amount " << c.amount;
    }
    EXPECT_TRUE(VK_ArrondiCentime(CCurrency()).IsNull()) << "the null amount stays null";
}

TEST(Formatters, DoubleUsesAPointUnderAFrenchLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) GTEST_SKIP() << "fr_FR.UTF-8 locale not generated";
    EXPECT_EQ(VK_FormatDouble(1.5), "1.5");
    EXPECT_EQ(VK_FormatDouble(-1234.25), "-1234.25");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Helpers, UnusedGridColumns) {
    TDBGridColumns columns;
    for (const char* name : {"REF_SAIS", "DESIGNATION", "NUMCOMPTE", "DATEENTREE"}) columns.Add(name);
    EXPECT_EQ(GetChampUnusedPourRecherche("REF_SAIS,DESIGNATION", &columns), "NUMCOMPTE,DATEENTREE");
    EXPECT_TRUE(IsImmoFi("261000"));
    EXPECT_FALSE(IsImmoFi("218200"));
    EXPECT_TRUE(IsImmoIncorp("205000"));
}

// The same helper behaviour in both kinds of database.
class BothDatabases : public ::testing::TestWithParam<const char*> {
protected:
    std::string Base() const { return GetParam(); }
    std::string Table(const char* code) const { return GetNomTableBase(code, Base()); }
    vktest::CaseFile caseFile;
};

INSTANTIATE_TEST_SUITE_P(Kinds, BothDatabases, ::testing::Values("", "OKT_DOSSIER"),
                         [](const auto& info) { return std::string(*info.param ? "Named" : "CaseFile"); });

// A table created twice runs its statement once; a failed statement is shown and reported.
TEST_P(BothDatabases, TableCreatedTwiceRunsItsStatementOnceAFailedStatementIsShown) {
    const std::string sql =
        "CREATE TABLE " + Table("VKZ") + "(ID AUTOINC NOT NULL,X INTEGER,PRIMARY KEY(ID))";
    EXPECT_TRUE(VK_CreateTable(1, "VKZ", sql, Base()));
    caseFile.Commit();
    VK_ExecSQL(1, "INSERT INTO " + Table("VKZ") + "(ID,X) VALUES (1,7)", Base());
    vktest::Messages messages;
    EXPECT_FALSE(VK_CreateTable(1, "VKZ", sql, Base()));
    EXPECT_TRUE(messages->exceptions.empty());
    EXPECT_EQ(caseFile.Count(Table("VKZ"), "", Base()), 1);  // the second call did not recreate it
    EXPECT_FALSE(VK_ExecSQL(0x0384002A, "INSERT INTO " + Table("NOPE") + " VALUES (1)", Base()));
    ASSERT_EQ(messages->exceptions.size(), 1u);
    EXPECT_EQ(messages->exceptions[0].code, 0x0384002Au);
}

// A structure change on a missing table and adding an existing column are no errors; others raise.
TEST_P(BothDatabases, StructureChangesIgnoreAMissingTableAndAnExistingColumnOnly) {
    {
        vktest::Messages messages;
        EXPECT_TRUE(
            VK_ModifierStructTable(1, "VKY", "ALTER TABLE " + Table("VKY") + " ADD X INTEGER", Base()));
        EXPECT_TRUE(messages->exceptions.empty());
    }
    VK_CreateTable(1, "VKZ", "CREATE TABLE " + Table("VKZ") + "(ID INTEGER,X INTEGER)", Base());
    caseFile.Commit();
    EXPECT_TRUE(VK_ModifierStructTable(2, "VKZ", "ALTER TABLE " + Table("VKZ") + " ADD X INTEGER", Base()));
    EXPECT_TRUE(VK_ModifierStructTable(2, "VKZ", "ALTER TABLE " + Table("VKZ") + " ADD Y INTEGER", Base()));
    caseFile.Commit();
    EXPECT_EQ(caseFile.Scalar("SELECT COUNT(Y) FROM " + Table("VKZ"), Base()), "0");
    try {
        VK_ModifierStructTable(0x03840007, "VKZ",
                               "ALTER TABLE " + Table("VKZ") + " ALTER COLUMN NOPE TYPE INTEGER", Base());
        FAIL() << "a real structure error must raise";
    } catch (const EUser& e) {
        EXPECT_EQ(e.Code, 0x03840007u);
    }
}

TEST_P(BothDatabases, NullReadsBackAsNullAndTextRoundTrips) {
    const std::string table = Table("VKZ");
    VK_CreateTable(
        1, "VKZ",
        "CREATE TABLE " + table +
            "(ID AUTOINC NOT NULL,T VARCHAR(200),M DECIMAL(18,4),D DATE,B BOOLEAN,N INTEGER,PRIMARY KEY(ID))",
        Base());
    if (Base().empty()) caseFile.Dossier().CreeAutoIncFirebird(table, "ID", true);
    caseFile.Commit();
    const UnicodeString text = "L'entreprise « Dupont & Fils »; DROP TABLE X; -- été";
    const bool iso = Base().empty();
    ASSERT_TRUE(VK_ExecSQL(1,
                           "INSERT INTO " + table + "(T,M,D,B,N) VALUES (" + VK_FormatAS(text) + "," +
                               CCurrency(1234.5678).GetSQL() + "," +
                               VK_FormatDate(EncodeDate(2024, 12, 31), false, iso) + "," +
                               VK_FormatBool(true, iso) + "," + VK_FormatInt(VK_IntNull) + ")",
                           Base()));
    ASSERT_TRUE(
        VK_ExecSQL(1, "INSERT INTO " + table + "(T,M,D,B,N) VALUES (NULL,NULL,NULL,NULL,NULL)", Base()));
    auto query = VK_InitDataset(1, "SELECT T,M,D,B,N FROM " + table + " ORDER BY ID", false, Base());
    ASSERT_TRUE(query);
    query->Open();
    EXPECT_EQ(query->FieldByName("T")->AsString(), text);
    EXPECT_EQ(query->FieldByName("M")->AsCurrency(), CCurrency(1234.5678));
    EXPECT_EQ(FormatISODate(query->FieldByName("D")->AsDateTime()), "2024-12-31");
    EXPECT_TRUE(query->FieldByName("B")->AsBoolean());
    EXPECT_TRUE(query->FieldByName("N")->IsNull());
    query->Next();
    for (const char* column : {"T", "M", "D", "B", "N"})
        EXPECT_TRUE(query->FieldByName(column)->IsNull()) << column;
    EXPECT_TRUE(query->FieldByName("M")->AsCurrency().IsNull());
    EXPECT_EQ(query->FieldByName("T")->AsString(), "");
    EXPECT_EQ(VK_GetIB_Enreg(1, query.get()), 2);
    EXPECT_TRUE(query->Active());
    EXPECT_EQ(query->FieldByName("T")->AsString(), text);  // back on the first row
}

TEST(NamedDatabase, FileDialectKeepsDecimalsBooleansAndTextBlobs) {
    vktest::CaseFile caseFile;
    const std::string table = GetNomTable("VKW", false);
    ASSERT_TRUE(VK_CreateTable(
        1, "VKW",
        "CREATE TABLE " + table +
            "(ID AUTOINC,RATE DECIMAL(18,15),M DECIMAL(18,4),F BOOLEAN,C BLOB,D DATE,PRIMARY KEY(ID))",
        "OKT_DOSSIER"));
    ASSERT_TRUE(VK_ExecSQL(1,
                           "INSERT INTO " + table + "(RATE,M,F,C,D) VALUES (6.55957,12.3456," +
                               VK_FormatBool(false, false) + "," + VK_FormatAS(std::string(16000, 'x')) +
                               "," + VK_FormatDate(EncodeDate(2024, 2, 29), false, false) + ")",
                           "OKT_DOSSIER"));
    auto query = VK_InitDataset(1, "SELECT ID,RATE,M,F,C,D FROM " + table, true, "OKT_DOSSIER");
    query->Open();
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 1);  // the identity filled the column
    EXPECT_DOUBLE_EQ(query->FieldByName("RATE")->AsFloat(), 6.55957);
    EXPECT_EQ(query->FieldByName("M")->AsCurrency(), CCurrency(12.3456));
    EXPECT_FALSE(query->FieldByName("F")->AsBoolean());
    EXPECT_EQ(query->FieldByName("C")->AsString().size(), 16000u);
    EXPECT_EQ(FormatISODate(query->FieldByName("D")->AsDateTime()), "2024-02-29");
}

TEST(CommonDatabase, HoldsTheDecliningBalanceCoefficientsAndAnEmptyFamilyTable) {
    vktest::CaseFile caseFile;
    EXPECT_EQ(caseFile.Count("VKCOEF", "", "OKT_COMMUN"), 6);
    EXPECT_EQ(caseFile.Count("VKF", "", "OKT_COMMUN"), 0);
    // 4 Dec 2008 to 31 Dec 2009: the half-point increase.
    EXPECT_EQ(caseFile.Scalar(
                  "SELECT Coef_6 FROM VKCOEF WHERE (DateDebut<='06/15/2009') AND (DateFin>='06/15/2009')",
                  "OKT_COMMUN"),
              "2.75");
    EXPECT_EQ(caseFile.Scalar("SELECT Coef_3_4 FROM VKCOEF WHERE DateDebut IS NULL", "OKT_COMMUN"), "1.5");
}

}  // namespace
