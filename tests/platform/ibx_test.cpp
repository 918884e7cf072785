// Data access against real embedded Firebird databases, each in its own temporary directory.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>

#include <fmt/format.h>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/db/ibx.h"
#include "tests/support/temp_dir.h"

namespace {

class DataAccess : public testing::Test {
protected:
    void SetUp() override {
        db_.Create(dir_ / "test.fdb");
        db_.ExecuteImmediate(
            "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, N INTEGER, A DECIMAL(18,4), S VARCHAR(32000), "
            "D DATE, TS TIMESTAMP, B BOOLEAN, SB SMALLINT, F DECIMAL(18,15), R DOUBLE PRECISION, "
            "C2 DECIMAL(9,2), BI BIGINT, BL BLOB SUB_TYPE TEXT)");
        Commit();
    }

    void Exec(const UnicodeString& sql) { db_.ExecuteImmediate(sql); }
    void Commit() { db_.DefaultTransaction().Commit(); }

    // The one row of a SELECT, through a bidirectional query that stays open.
    TIBQuery& Select(const UnicodeString& sql) {
        query_.Close();
        query_.SQL.Clear();
        query_.SQL.Add(sql);
        query_.Open();
        return query_;
    }
    TField* Column(const UnicodeString& column, int id) {
        return Select(fmt::format("SELECT {} FROM T WHERE ID={}", column, id)).Fields(0);
    }
    int Count(const UnicodeString& where = "1=1") {
        return Sql("SELECT COUNT(*) FROM T WHERE " + where)->Fields(0)->AsInteger();
    }
    // A query of its own over `sql`, opened.
    std::unique_ptr<TIBQuery> Query(const UnicodeString& sql, bool unidirectional = false,
                                    TIBTransaction* transaction = nullptr) {
        auto query = std::make_unique<TIBQuery>(&db_, transaction);
        query->Unidirectional = unidirectional;
        query->SQL.Add(sql);
        query->Open();
        return query;
    }
    std::unique_ptr<TIBSQL> Sql(const UnicodeString& sql, TIBTransaction* transaction = nullptr) {
        auto statement = std::make_unique<TIBSQL>(&db_, transaction);
        statement->SQL.Add(sql);
        statement->ExecQuery();
        return statement;
    }
    // The error a statement raises; a failure of the test when it runs.
    std::optional<EIBError> ErrorOf(const UnicodeString& sql) {
        try {
            Exec(sql);
        } catch (const EIBError& e) {
            return e;
        }
        ADD_FAILURE() << "accepted: " << sql;
        return std::nullopt;
    }
    // The first column of every row from the current one to the end.
    static std::vector<int> Ids(TDataSet& rows) {
        std::vector<int> ids;
        for (; !rows.Eof(); rows.Next()) ids.push_back(rows.Fields(0)->AsInteger());
        return ids;
    }

    vktest::TempDir dir_{"vkibx"};
    TIBDatabase db_;
    TIBQuery query_{&db_};
};

UnicodeString Quote(const UnicodeString& text) {
    UnicodeString quoted = "'";
    for (char c : text) quoted += c == '\'' ? UnicodeString("''") : UnicodeString(1, c);
    return quoted + "'";
}

// --- Nulls ---------------------------------------------------------------------------------------

TEST_F(DataAccess, NullReadsBackAsNullForEveryType) {
    Exec("INSERT INTO T (ID) VALUES (1)");
    for (const char* column : {"N", "A", "S", "D", "TS", "B", "SB", "F", "R", "C2", "BI", "BL"}) {
        TField* field = Column(column, 1);
        EXPECT_TRUE(field->IsNull()) << column;
        EXPECT_TRUE(field->AsCurrency().IsNull()) << column;
        EXPECT_EQ(field->AsString(), "") << column << ": not the word NULL";
        EXPECT_EQ(field->AsInteger(), 0) << column;
        EXPECT_TRUE(field->AsDateTime().IsNull()) << column;
        EXPECT_FALSE(field->AsBoolean()) << column;
    }
    // Zero is a value, not null.
    Exec("INSERT INTO T (ID, N, A, S) VALUES (2, 0, 0, '')");
    for (const char* column : {"N", "A", "S"}) EXPECT_FALSE(Column(column, 2)->IsNull()) << column;
    EXPECT_EQ(Column("A", 2)->AsCurrency(), CCurrency(0));
    // The null literals of amounts and dates written by the engine.
    Exec(fmt::format("INSERT INTO T (ID, A, D) VALUES (3, {}, NULL)", CCurrency().GetSQL()));
    EXPECT_TRUE(Column("A", 3)->IsNull());
}

// --- Amounts -------------------------------------------------------------------------------------

TEST_F(DataAccess, AmountsReadExactlyFromDecimal18_4) {
    const int64_t kMax = std::numeric_limits<int64_t>::max(), kMin = std::numeric_limits<int64_t>::min();
    // 2^53 + 1 is not a double.
    const int64_t counts[] = {0,    1,    -1,       123456,   -123456,          12345678901234,
                              kMax, kMin, kMax - 1, kMin + 1, 9007199254740993, -9007199254740993};
    int id = 10;
    for (int64_t count : counts) {
        const CCurrency amount = CCurrency::FromCount(count);
        Exec(fmt::format("INSERT INTO T (ID, A) VALUES ({}, {})", id, amount.GetSQL()));
        TField* field = Column("A", id++);
        EXPECT_EQ(field->AsCurrency().Count(), count) << amount.GetSQL();
        EXPECT_EQ(field->AsString(), amount.ToString()) << amount.GetSQL();
    }
}

TEST_F(DataAccess, OtherNumericTypesAsAmountsAndNumbers) {
    Exec(
        "INSERT INTO T (ID, F, R, C2, N, BI) VALUES (1, 1.000049999999999, 0.1, -12.35, 42, "
        "9000000000000000000)");
    Exec("INSERT INTO T (ID, F, C2) VALUES (2, -2.718281828459045, 2.5)");
    Exec("INSERT INTO T (ID, F, C2) VALUES (3, -0.000050000000000, -2.5)");
    // DECIMAL(18,15): rounded once, from the exact stored value, to the ten-thousandth.
    const struct {
        const char* column;
        int id;
        const char* amount;
    } amounts[] = {{"F", 1, "1.0000"},  {"R", 1, "0.1000"},  {"C2", 1, "-12.3500"},
                   {"N", 1, "42.0000"}, {"F", 2, "-2.7183"}, {"F", 3, "-0.0001"}};
    for (const auto& a : amounts)
        EXPECT_EQ(Column(a.column, a.id)->AsCurrency().GetSQL(), a.amount) << a.column << " " << a.id;
    EXPECT_EQ(Column("F", 1)->AsString(), "1.000049999999999");
    EXPECT_EQ(Column("C2", 1)->AsString(), "-12.35");
    EXPECT_DOUBLE_EQ(Column("F", 1)->AsFloat(), 1.000049999999999);
    EXPECT_DOUBLE_EQ(Column("R", 1)->AsFloat(), 0.1);
    EXPECT_EQ(Column("BI", 1)->AsInt64(), 9000000000000000000);
    // A whole number too large for an amount or an int raises rather than wrapping.
    EXPECT_THROW(Column("BI", 1)->AsCurrency(), Exception);
    EXPECT_THROW(Column("BI", 1)->AsInteger(), EIBError);
    EXPECT_EQ(Column("C2", 2)->AsInteger(), 3);  // half away from zero
    EXPECT_EQ(Column("C2", 3)->AsInteger(), -3);
}

// --- Text ----------------------------------------------------------------------------------------

TEST_F(DataAccess, QuotedAccentedTextRoundTripsThroughAVarchar32000) {
    // A text that fills the column, accents included: far beyond the 8191 characters a UTF-8
    // message would hold, in one literal. Then every WIN1252 character, and trailing spaces.
    const UnicodeString half(15995, 'a'), full = UnicodeString(31999, 'x') + "€";
    const UnicodeString win1252 =
        "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ ¡¢£¤¥¦§¨©ª«¬®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐ"
        "ÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ";
    const UnicodeString texts[] = {"L'été « déjà » ; DROP TABLE T; -- œuvre ÿ € 'x''y'",
                                   half + "éèàùç" + half, full, win1252 + UnicodeString(9000, ' '), "a  "};
    for (int id = 0; id < 5; ++id) {
        Exec(fmt::format("INSERT INTO T (ID, S) VALUES ({}, {})", id, Quote(texts[id])));
        EXPECT_EQ(Column("S", id)->AsString(), texts[id]) << id;
    }
    EXPECT_EQ(Column("CHAR_LENGTH(S)", 1)->AsInteger(), 31995);
    EXPECT_EQ(Column("SUBSTRING(S FROM 1 FOR 3)", 3)->AsString(), "€‚ƒ");
    EXPECT_THROW(Exec(fmt::format("INSERT INTO T (ID, S) VALUES (6, {})", Quote(full + "x"))), EIBError);
    // A BLOB of text reads as text.
    Exec("INSERT INTO T (ID, BL) VALUES (7, 'Très long texte')");
    EXPECT_EQ(Column("BL", 7)->AsString(), "Très long texte");
}

TEST_F(DataAccess, TextOutsideTheDatabaseCharacterSetIsAClearError) {
    // The same error whether the literal is sent as written or bound as a parameter.
    for (bool lift : {true, false})
        for (const char* text : {"Ā", "emoji 😀", "日本"}) {
            db_.LiftLiterals = lift;
            const auto e = ErrorOf(fmt::format("INSERT INTO T (ID, S) VALUES (1, '{}')", text));
            ASSERT_TRUE(e) << text << " lift " << lift;
            EXPECT_TRUE(e->HasCode(ibcode::kTransliteration)) << e->Message;
            EXPECT_NE(e->Message.find("WIN1252"), UnicodeString::npos) << e->Message;
            EXPECT_NE(e->SQL.find("INSERT INTO T"), UnicodeString::npos);
        }
    EXPECT_EQ(Count(), 0);
}

TEST_F(DataAccess, TextIsUtf8OnBothSidesOfTheConnection) {
    // Accented names and the values quoted by an error message come back as UTF-8.
    Exec("CREATE TABLE U (K VARCHAR(10) NOT NULL PRIMARY KEY)");
    Commit();
    Exec("INSERT INTO U VALUES ('été')");
    const auto e = ErrorOf("INSERT INTO U VALUES ('été')");
    ASSERT_TRUE(e);
    EXPECT_NE(e->Message.find("'été'"), UnicodeString::npos) << e->Message;
    EXPECT_EQ(Select("SELECT K AS \"Clé\" FROM U").Fields(0)->FieldName(), "Clé");
    EXPECT_EQ(Select("SELECT CAST('ça' AS CHAR(4)) FROM RDB$DATABASE").Fields(0)->AsString(), "ça");
    // Malformed UTF-8 is refused before it reaches the database.
    EXPECT_THROW(Exec("INSERT INTO U VALUES ('\xC3')"), EIBError);
    EXPECT_THROW(Exec("INSERT INTO U VALUES ('\xC0\xA9')"), EIBError);

    // A UTF8 connection reads the same text (up to 8191 characters a column).
    Commit();
    TIBDatabase utf8;
    IBConnectOptions options;
    options.charset = "UTF8";
    utf8.Open(dir_ / "test.fdb", options);
    TIBSQL read(&utf8);
    read.SQL.Add("SELECT K FROM U");
    read.ExecQuery();
    EXPECT_EQ(read.Fields(0)->AsString(), "été");
}

// --- Dates and booleans --------------------------------------------------------------------------

TEST_F(DataAccess, DatesTimestampsAndBooleans) {
    Exec("INSERT INTO T (ID, D, TS, B, SB) VALUES (1, '2024-02-29', '2024-03-05 14:07:09', 'true', 1)");
    Exec("INSERT INTO T (ID, D, B, SB) VALUES (2, '12/31/2024', FALSE, 0)");  // the file-based dialect's US
                                                                              // form
    Exec("INSERT INTO T (ID, D) VALUES (3, '1899-12-30')");
    EXPECT_EQ(double(Column("D", 1)->AsDateTime()), double(EncodeDate(2024, 2, 29)));
    EXPECT_EQ(Column("D", 1)->AsString(), "2024-02-29");
    EXPECT_EQ(FormatISODateTime(Column("TS", 1)->AsDateTime()), "2024-03-05 14:07:09");
    EXPECT_EQ(Column("D", 2)->AsString(), "2024-12-31");
    // The date of day 0 is stored as a date; only SQL NULL is the null date.
    EXPECT_FALSE(Column("D", 3)->IsNull());

    // Booleans, native and as a smallint.
    for (const char* column : {"B", "SB"}) {
        EXPECT_TRUE(Column(column, 1)->AsBoolean()) << column;
        EXPECT_FALSE(Column(column, 2)->AsBoolean()) << column;
    }
    EXPECT_EQ(Column("B", 1)->AsInteger(), 1);
    EXPECT_EQ(Count("SB=1"), 1);
    EXPECT_EQ(Count("B"), 1);
    // A native boolean refuses an integer.
    EXPECT_THROW(Exec("INSERT INTO T (ID, B) VALUES (4, 1)"), EIBError);
}

// --- Navigation ----------------------------------------------------------------------------------

class Navigation : public DataAccess {
protected:
    void SetUp() override {
        DataAccess::SetUp();
        for (int id = 1; id <= 5; ++id)
            Exec(fmt::format("INSERT INTO T (ID, N) VALUES ({}, {})", id, id * 10));
        Commit();
    }
};

TEST_F(Navigation, EveryKindOfDatasetWalksToTheEndAndBackToFirstAndLast) {
    // A bidirectional query, a unidirectional one (First runs it again), a light statement.
    const char* const kinds[] = {"bidirectional", "unidirectional", "TIBSQL"};
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kinds[kind]);
        const UnicodeString sql = "SELECT ID, N FROM T ORDER BY ID";
        std::unique_ptr<TDataSet> rows;
        if (kind < 2)
            rows = Query(sql, kind == 1);
        else
            rows = Sql(sql);
        EXPECT_EQ(Ids(*rows), (std::vector<int>{1, 2, 3, 4, 5}));
        EXPECT_EQ(rows->RecordCount(), 5);
        rows->First();
        ASSERT_FALSE(rows->Eof());
        EXPECT_EQ(rows->Fields(0)->AsInteger(), 1);
        rows->Last();
        EXPECT_FALSE(rows->Eof());
        EXPECT_EQ(rows->Fields(1)->AsInteger(), 50);
        EXPECT_EQ(rows->RecordCount(), 5);
    }
}

TEST_F(Navigation, BidirectionalQueryCountsWithoutMovingAndNamesItsFields) {
    EXPECT_EQ(TIBQuery(&db_).RecordCount(), 0);  // not open
    auto query = Query("SELECT ID, N FROM T ORDER BY ID");
    EXPECT_FALSE(query->Eof());
    EXPECT_EQ(query->RecordCount(), 5);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 1);  // still on the first row after counting
    query->Last();
    query->Next();
    EXPECT_TRUE(query->Eof());
    EXPECT_TRUE(query->FieldByName("N")->IsNull());  // no current row
    EXPECT_THROW(query->FieldByName("ABSENT"), EIBError);
    EXPECT_EQ(query->FindField("ABSENT"), nullptr);
    // Found in any order: the search goes round from the field found last.
    EXPECT_EQ(query->FindField("N"), query->Fields(1));
    EXPECT_EQ(query->FindField("id"), query->Fields(0));
    EXPECT_EQ(query->FindField("ID"), query->Fields(0));
    EXPECT_EQ(query->FindField("N"), query->Fields(1));
    EXPECT_THROW(query->Fields(2), EIBError);
    // Committing keeps the rows it fetched.
    Commit();
    query->Last();
    EXPECT_EQ(query->Fields(0)->AsInteger(), 5);
}

TEST_F(Navigation, EmptyResult) {
    for (bool unidirectional : {false, true}) {
        auto query = Query("SELECT ID FROM T WHERE ID > 100", unidirectional);
        EXPECT_TRUE(query->Eof());
        EXPECT_EQ(query->RecordCount(), 0);
        query->Last();
        EXPECT_TRUE(query->Eof());
        query->First();
        EXPECT_TRUE(query->Eof());
        EXPECT_TRUE(query->Fields(0)->IsNull());
    }
}

TEST_F(Navigation, TIBSQLSingleRowsStatementsWithoutRowsAndReturning) {
    // A single row read to its end goes back to it with First.
    auto one = Sql("SELECT N FROM T WHERE ID=3");
    EXPECT_EQ(one->Fields(0)->AsInteger(), 30);
    one->Next();
    EXPECT_TRUE(one->Eof());
    one->First();
    ASSERT_FALSE(one->Eof());
    EXPECT_EQ(one->Fields(0)->AsInteger(), 30);

    EXPECT_TRUE(Sql("UPDATE T SET N=N+1 WHERE ID=1")->Eof());
    EXPECT_EQ(Column("N", 1)->AsInteger(), 11);

    auto insert = Sql("INSERT INTO T (ID, N, A) VALUES (6, 60, 1.5) RETURNING ID, N, A");
    ASSERT_FALSE(insert->Eof());
    EXPECT_EQ(insert->FieldByName("ID")->AsInteger(), 6);
    EXPECT_EQ(insert->FieldByName("A")->AsCurrency().GetSQL(), "1.5000");
    insert->Next();
    EXPECT_TRUE(insert->Eof());
    EXPECT_EQ(Count(), 6);
}

// --- Errors --------------------------------------------------------------------------------------

TEST_F(DataAccess, ErrorsCarryCodesSqlcodeAndText) {
    Exec("INSERT INTO T (ID) VALUES (1)");
    auto e = ErrorOf("INSERT INTO T (ID) VALUES (1)");
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->HasCode(ibcode::kUniqueKey)) << e->Message;
    EXPECT_EQ(e->SQLCode, -803);
    EXPECT_EQ(e->SQL, "INSERT INTO T (ID) VALUES (1)");
    EXPECT_FALSE(e->Message.empty());
    // A failed statement does not end the transaction.
    EXPECT_EQ(Count(), 1);
    Commit();
    try {
        Exec("ALTER TABLE T ADD N INTEGER");
        Commit();
        FAIL() << "existing column added";
    } catch (const EIBError& error) {
        EXPECT_TRUE(error.HasCode(ibcode::kNoMetaUpdate)) << error.Message;
        EXPECT_EQ(error.SQLCode, -607);
    }
    db_.DefaultTransaction().Rollback();
    e = ErrorOf("SELEC 1 FROM RDB$DATABASE");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->SQLCode, -104);
    EXPECT_EQ(e->SQL, "SELEC 1 FROM RDB$DATABASE");
    EXPECT_NE(e->IBErrorCode(), 0);
    e = ErrorOf("INSERT INTO T (ID, C2) VALUES (9, 99999999.99)");
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->HasCode(ibcode::kStringTruncation)) << e->Message;
}

// --- Statements and cursors ----------------------------------------------------------------------

TEST_F(Navigation, PreparedStatementReuseGivesTheSameResults) {
    const UnicodeString sql = "SELECT N FROM T WHERE ID=3";
    const uint64_t preparedBefore = db_.Stats().prepares;
    std::vector<int> results;
    for (int i = 0; i < 5; ++i) results.push_back(Select(sql).Fields(0)->AsInteger());
    EXPECT_EQ(results, std::vector<int>(5, 30));
    EXPECT_EQ(db_.Stats().prepares - preparedBefore, 1u);  // prepared once, then taken from the pool

    // Reused after the rows changed, and after the table's structure changed.
    Exec("UPDATE T SET N=31 WHERE ID=3");
    EXPECT_EQ(Select(sql).Fields(0)->AsInteger(), 31);
    Commit();
    const int columns = Select("SELECT * FROM T WHERE ID=3").FieldCount();
    Exec("ALTER TABLE T ADD EXTRA INTEGER");
    Commit();
    Exec("UPDATE T SET EXTRA=7 WHERE ID=3");
    TIBQuery& all = Select("SELECT * FROM T WHERE ID=3");
    EXPECT_EQ(all.FieldCount(), columns + 1);
    ASSERT_NE(all.FindField("EXTRA"), nullptr);
    EXPECT_EQ(all.FindField("EXTRA")->AsInteger(), 7);
    EXPECT_EQ(Select(sql).Fields(0)->AsInteger(), 31);
}

TEST_F(Navigation, TwoCursorsOfTheSameTextOpenAtOnce) {
    const UnicodeString sql = "SELECT ID FROM T ORDER BY ID";
    TIBQuery outer(&db_), inner(&db_);
    outer.Unidirectional = inner.Unidirectional = true;
    outer.SQL.Add(sql);
    inner.SQL.Add(sql);
    int pairs = 0;
    for (outer.Open(); !outer.Eof(); outer.Next()) {
        int sum = 0;
        for (inner.Open(); !inner.Eof(); inner.Next()) sum += inner.Fields(0)->AsInteger();
        EXPECT_EQ(sum, 15);
        pairs += outer.Fields(0)->AsInteger();
    }
    EXPECT_EQ(pairs, 15);
}

// --- Transactions and host actions ---------------------------------------------------------------

TEST_F(DataAccess, CommitInsideAHostActionIsANoOpAndEndActionFalseRollsEverythingBack) {
    TIBTransaction& transaction = db_.DefaultTransaction();
    transaction.BeginAction();
    Exec("INSERT INTO T (ID) VALUES (1)");
    transaction.Commit();  // the engine's own commits
    transaction.CommitRetaining();
    Exec("INSERT INTO T (ID) VALUES (2)");
    transaction.BeginAction();  // nested: only the outermost end counts
    Exec("INSERT INTO T (ID) VALUES (3)");
    transaction.EndAction(true);
    EXPECT_TRUE(transaction.InAction());
    EXPECT_TRUE(transaction.InTransaction());
    transaction.EndAction(false);
    EXPECT_FALSE(transaction.InAction());
    EXPECT_FALSE(transaction.InTransaction());
    EXPECT_EQ(Count(), 0);

    // A nested failure fails the whole action.
    transaction.BeginAction();
    Exec("INSERT INTO T (ID) VALUES (4)");
    transaction.BeginAction();
    transaction.EndAction(false);
    transaction.EndAction(true);
    EXPECT_EQ(Count(), 0);

    transaction.BeginAction();
    Exec("INSERT INTO T (ID) VALUES (5)");
    transaction.EndAction(true);
    transaction.Rollback();
    EXPECT_EQ(Count(), 1);
}

TEST_F(DataAccess, AnActionWhoseCommitFailsIsRolledBack) {
    // A unique index over duplicate rows fails only when its creation is committed.
    Exec("INSERT INTO T (ID, N) VALUES (1, 7)");
    Exec("INSERT INTO T (ID, N) VALUES (2, 7)");
    Commit();
    TIBTransaction& transaction = db_.DefaultTransaction();
    transaction.BeginAction();
    Exec("INSERT INTO T (ID, N) VALUES (3, 8)");
    Exec("CREATE UNIQUE INDEX IX_T_N ON T (N)");
    EXPECT_THROW(transaction.EndAction(true), EIBError);
    EXPECT_FALSE(transaction.InTransaction());
    EXPECT_EQ(Count(), 2);
    // The database goes on working.
    Exec("INSERT INTO T (ID, N) VALUES (4, 9)");
    Commit();
    EXPECT_EQ(Count(), 3);
}

TEST_F(DataAccess, CommitRetainingKeepsTheCursorAndCommitClosesIt) {
    for (int id = 1; id <= 3; ++id) Exec(fmt::format("INSERT INTO T (ID) VALUES ({})", id));
    auto query = Query("SELECT ID FROM T ORDER BY ID", true);
    db_.DefaultTransaction().CommitRetaining();
    query->Next();
    EXPECT_EQ(query->Fields(0)->AsInteger(), 2);
    db_.DefaultTransaction().Commit();
    query->Next();
    EXPECT_TRUE(query->Eof());
    EXPECT_EQ(Count(), 3);
}

TEST_F(DataAccess, SeparateTransactionsSeeOnlyCommittedRows) {
    TIBTransaction other(db_);
    Exec("INSERT INTO T (ID) VALUES (1)");
    auto count = Sql("SELECT COUNT(*) FROM T", &other);
    EXPECT_EQ(count->Fields(0)->AsInteger(), 0);
    other.Commit();
    Commit();
    count->ExecQuery();
    EXPECT_EQ(count->Fields(0)->AsInteger(), 1);
}

TEST_F(DataAccess, CloseRollsBackEveryTransactionAndDetaches) {
    {
        TIBTransaction other(db_);
        auto open = Query("SELECT ID FROM T", true, &other);
        Exec("INSERT INTO T (ID) VALUES (1)");
        auto write = Sql("INSERT INTO T (ID) VALUES (2)", &other);
        db_.Close();
        EXPECT_FALSE(db_.Connected());
        EXPECT_FALSE(other.InTransaction());
    }
    db_.Open(dir_ / "test.fdb");
    EXPECT_EQ(Count(), 0);
}

TEST_F(DataAccess, DatabaseErrorsWhenNotOpen) {
    TIBDatabase closed, missing;
    EXPECT_THROW(closed.ExecuteImmediate("SELECT 1 FROM RDB$DATABASE"), EIBError);
    try {
        missing.Open(dir_ / "absent.fdb");
        FAIL();
    } catch (const EIBError& e) {
        EXPECT_TRUE(e.HasCode(ibcode::kIoError)) << e.Message;
    }
    TIBQuery noDatabase;
    noDatabase.SQL.Add("SELECT 1 FROM RDB$DATABASE");
    EXPECT_THROW(noDatabase.Open(), EIBError);
}

}  // namespace
