// Data access against real embedded Firebird databases, each in its own temporary directory.
#include <gtest/gtest.h>

#include <limits>

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
        TIBSQL sql(&db_);
        sql.SQL.Add("SELECT COUNT(*) FROM T WHERE " + where);
        sql.ExecQuery();
        return sql.Fields(0)->AsInteger();
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
    const int64_t counts[] = {0,
                              1,
                              -1,
                              123456,
                              -123456,
                              12345678901234,
                              kMax,
                              kMin,
                              kMax - 1,
                              kMin + 1,
                              9007199254740993 /* 2^53 + 1: not a double */,
                              -9007199254740993};
    int id = 10;
    for (int64_t count : counts) {
        const CCurrency amount = CCurrency::FromCount(count);
        Exec(fmt::format("INSERT INTO T (ID, A) VALUES ({}, {})", id, amount.GetSQL()));
        TField* field = Column("A", id);
        EXPECT_EQ(field->AsCurrency().Count(), count) << amount.GetSQL();
        EXPECT_EQ(field->AsString(), amount.ToString()) << amount.GetSQL();
        ++id;
    }
}

TEST_F(DataAccess, OtherNumericTypesAsAmountsAndNumbers) {
    Exec(
        "INSERT INTO T (ID, F, R, C2, N, BI) VALUES (1, 1.000049999999999, 0.1, -12.35, 42, "
        "9000000000000000000)");
    // DECIMAL(18,15): rounded once, from the exact stored value, to the ten-thousandth.
    EXPECT_EQ(Column("F", 1)->AsString(), "1.000049999999999");
    EXPECT_EQ(Column("F", 1)->AsCurrency().GetSQL(), "1.0000");
    EXPECT_DOUBLE_EQ(Column("F", 1)->AsFloat(), 1.000049999999999);
    EXPECT_DOUBLE_EQ(Column("R", 1)->AsFloat(), 0.1);
    EXPECT_EQ(Column("R", 1)->AsCurrency().GetSQL(), "0.1000");
    EXPECT_EQ(Column("C2", 1)->AsCurrency().GetSQL(), "-12.3500");
    EXPECT_EQ(Column("C2", 1)->AsString(), "-12.35");
    EXPECT_EQ(Column("N", 1)->AsCurrency().GetSQL(), "42.0000");
    EXPECT_EQ(Column("BI", 1)->AsInt64(), 9000000000000000000);
    // A whole number too large for an amount or an int raises rather than wrapping.
    EXPECT_THROW(Column("BI", 1)->AsCurrency(), Exception);
    EXPECT_THROW(Column("BI", 1)->AsInteger(), EIBError);

    Exec("INSERT INTO T (ID, F, C2) VALUES (2, -2.718281828459045, 2.5)");
    EXPECT_EQ(Column("F", 2)->AsCurrency().GetSQL(), "-2.7183");
    EXPECT_EQ(Column("C2", 2)->AsInteger(), 3);  // half away from zero
    Exec("INSERT INTO T (ID, F, C2) VALUES (3, -0.000050000000000, -2.5)");
    EXPECT_EQ(Column("F", 3)->AsCurrency().GetSQL(), "-0.0001");
    EXPECT_EQ(Column("C2", 3)->AsInteger(), -3);
}

// --- Text ----------------------------------------------------------------------------------------

TEST_F(DataAccess, QuotedAccentedTextRoundTripsThroughAVarchar32000) {
    const UnicodeString text = "L'été « déjà » ; DROP TABLE T; -- œuvre ÿ € 'x''y'";
    Exec(fmt::format("INSERT INTO T (ID, S) VALUES (1, {})", Quote(text)));
    EXPECT_EQ(Column("S", 1)->AsString(), text);
    // A text that fills the column, accents included: far beyond the 8191 characters a UTF-8
    // message would hold, in one literal.
    const UnicodeString half(15995, 'a');
    const UnicodeString longText = half + "éèàùç" + half;
    Exec(fmt::format("INSERT INTO T (ID, S) VALUES (2, {})", Quote(longText)));
    EXPECT_EQ(Column("CHAR_LENGTH(S)", 2)->AsInteger(), 31995);
    EXPECT_EQ(Column("S", 2)->AsString(), longText);
    const UnicodeString full = UnicodeString(31999, 'x') + "€";
    Exec(fmt::format("INSERT INTO T (ID, S) VALUES (3, {})", Quote(full)));
    EXPECT_EQ(Column("S", 3)->AsString(), full);
    EXPECT_THROW(Exec(fmt::format("INSERT INTO T (ID, S) VALUES (6, {})", Quote(full + "x"))), EIBError);
    // Every WIN1252 character comes back as the same UTF-8 text.
    const UnicodeString win1252 =
        "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ ¡¢£¤¥¦§¨©ª«¬®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐ"
        "ÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ";
    Exec(fmt::format("INSERT INTO T (ID, S) VALUES (4, {})", Quote(win1252 + UnicodeString(9000, ' '))));
    EXPECT_EQ(Column("S", 4)->AsString(), win1252 + UnicodeString(9000, ' '));
    EXPECT_EQ(Column("SUBSTRING(S FROM 1 FOR 3)", 4)->AsString(), "€‚ƒ");
    // Trailing spaces of a VARCHAR are kept; a BLOB of text reads as text.
    Exec("INSERT INTO T (ID, S, BL) VALUES (5, 'a  ', 'Très long texte')");
    EXPECT_EQ(Column("S", 5)->AsString(), "a  ");
    EXPECT_EQ(Column("BL", 5)->AsString(), "Très long texte");
}

TEST_F(DataAccess, TextOutsideTheDatabaseCharacterSetIsAClearError) {
    for (const char* text : {"Ā", "emoji 😀", "日本"}) {
        try {
            Exec(fmt::format("INSERT INTO T (ID, S) VALUES (1, '{}')", text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EIBError& e) {
            EXPECT_TRUE(e.HasCode(ibcode::kTransliteration)) << e.Message;
            EXPECT_NE(e.Message.find("WIN1252"), UnicodeString::npos) << e.Message;
            EXPECT_NE(e.SQL.find("INSERT INTO T"), UnicodeString::npos);
        }
    }
    EXPECT_EQ(Count(), 0);
}

TEST_F(DataAccess, TextIsUtf8OnBothSidesOfTheConnection) {
    // Accented names and the values quoted by an error message come back as UTF-8.
    Exec("CREATE TABLE U (K VARCHAR(10) NOT NULL PRIMARY KEY)");
    Commit();
    Exec("INSERT INTO U VALUES ('été')");
    try {
        Exec("INSERT INTO U VALUES ('été')");
        FAIL();
    } catch (const EIBError& e) {
        EXPECT_NE(e.Message.find("'été'"), UnicodeString::npos) << e.Message;
    }
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

TEST_F(DataAccess, DatesAndTimestamps) {
    Exec("INSERT INTO T (ID, D, TS) VALUES (1, '2024-02-29', '2024-03-05 14:07:09')");
    Exec("INSERT INTO T (ID, D) VALUES (2, '12/31/2024')");  // the file-based dialect's US form
    Exec("INSERT INTO T (ID, D) VALUES (3, '1899-12-30')");
    EXPECT_EQ(double(Column("D", 1)->AsDateTime()), double(EncodeDate(2024, 2, 29)));
    EXPECT_EQ(Column("D", 1)->AsString(), "2024-02-29");
    EXPECT_EQ(FormatISODateTime(Column("TS", 1)->AsDateTime()), "2024-03-05 14:07:09");
    EXPECT_EQ(Column("D", 2)->AsString(), "2024-12-31");
    // The date of day 0 is stored as a date; only SQL NULL is the null date.
    EXPECT_FALSE(Column("D", 3)->IsNull());
}

TEST_F(DataAccess, BooleansNativeAndAsSmallint) {
    Exec("INSERT INTO T (ID, B, SB) VALUES (1, 'true', 1)");
    Exec("INSERT INTO T (ID, B, SB) VALUES (2, FALSE, 0)");
    EXPECT_TRUE(Column("B", 1)->AsBoolean());
    EXPECT_TRUE(Column("SB", 1)->AsBoolean());
    EXPECT_FALSE(Column("B", 2)->AsBoolean());
    EXPECT_FALSE(Column("SB", 2)->AsBoolean());
    EXPECT_EQ(Column("B", 1)->AsInteger(), 1);
    EXPECT_EQ(Count("SB=1"), 1);
    EXPECT_EQ(Count("B"), 1);
    // A native boolean refuses an integer.
    EXPECT_THROW(Exec("INSERT INTO T (ID, B) VALUES (3, 1)"), EIBError);
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

TEST_F(Navigation, BidirectionalQuery) {
    TIBQuery query(&db_);
    query.SQL.Add("SELECT ID, N FROM T ORDER BY ID");
    EXPECT_EQ(query.RecordCount(), 0);  // not open
    query.Open();
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.RecordCount(), 5);
    EXPECT_EQ(query.FieldByName("id")->AsInteger(), 1);  // still on the first row after counting
    query.Last();
    EXPECT_EQ(query.FieldByName("N")->AsInteger(), 50);
    EXPECT_FALSE(query.Eof());
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_TRUE(query.FieldByName("N")->IsNull());  // no current row
    query.First();
    EXPECT_EQ(query.Fields(0)->AsInteger(), 1);
    int seen = 0;
    for (; !query.Eof(); query.Next()) ++seen;
    EXPECT_EQ(seen, 5);
    EXPECT_THROW(query.FieldByName("ABSENT"), EIBError);
    EXPECT_EQ(query.FindField("ABSENT"), nullptr);
    EXPECT_THROW(query.Fields(2), EIBError);
}

TEST_F(Navigation, UnidirectionalQuery) {
    TIBQuery query(&db_);
    query.Unidirectional = true;
    query.SQL.Add("SELECT ID, N FROM T ORDER BY ID");
    query.Open();
    std::vector<int> ids;
    for (; !query.Eof(); query.Next()) ids.push_back(query.Fields(0)->AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(query.RecordCount(), 5);
    query.First();  // runs again
    EXPECT_EQ(query.Fields(0)->AsInteger(), 1);
    query.Last();
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.Fields(0)->AsInteger(), 5);
    EXPECT_EQ(query.RecordCount(), 5);
}

TEST_F(Navigation, EmptyResult) {
    for (bool unidirectional : {false, true}) {
        TIBQuery query(&db_);
        query.Unidirectional = unidirectional;
        query.SQL.Add("SELECT ID FROM T WHERE ID > 100");
        query.Open();
        EXPECT_TRUE(query.Eof());
        EXPECT_EQ(query.RecordCount(), 0);
        query.Last();
        EXPECT_TRUE(query.Eof());
        query.First();
        EXPECT_TRUE(query.Eof());
        EXPECT_TRUE(query.Fields(0)->IsNull());
    }
}

TEST_F(Navigation, TIBSQLRowByRow) {
    TIBSQL sql(&db_);
    sql.SQL.Add("SELECT ID FROM T ORDER BY ID");
    sql.ExecQuery();
    std::vector<int> ids;
    for (; !sql.Eof(); sql.Next()) ids.push_back(sql.Fields(0)->AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(sql.RecordCount(), 5);
    sql.First();
    EXPECT_FALSE(sql.Eof());
    EXPECT_EQ(sql.Fields(0)->AsInteger(), 1);
    sql.Last();
    EXPECT_EQ(sql.Fields(0)->AsInteger(), 5);

    // A single row read to its end goes back to it with First.
    TIBSQL one(&db_);
    one.SQL.Add("SELECT N FROM T WHERE ID=3");
    one.ExecQuery();
    EXPECT_EQ(one.Fields(0)->AsInteger(), 30);
    one.Next();
    EXPECT_TRUE(one.Eof());
    one.First();
    ASSERT_FALSE(one.Eof());
    EXPECT_EQ(one.Fields(0)->AsInteger(), 30);

    // A statement without rows.
    TIBSQL update(&db_);
    update.SQL.Add("UPDATE T SET N=N+1 WHERE ID=1");
    update.ExecQuery();
    EXPECT_TRUE(update.Eof());
    EXPECT_EQ(Column("N", 1)->AsInteger(), 11);
}

TEST_F(Navigation, InsertReturningThroughTIBSQL) {
    TIBSQL insert(&db_);
    insert.SQL.Add("INSERT INTO T (ID, N, A) VALUES (6, 60, 1.5) RETURNING ID, N, A");
    insert.ExecQuery();
    ASSERT_FALSE(insert.Eof());
    EXPECT_EQ(insert.FieldByName("ID")->AsInteger(), 6);
    EXPECT_EQ(insert.FieldByName("A")->AsCurrency().GetSQL(), "1.5000");
    insert.Next();
    EXPECT_TRUE(insert.Eof());
    EXPECT_EQ(Count(), 6);
}

TEST_F(Navigation, CommitKeepsABidirectionalQuerysFetchedRows) {
    TIBQuery query(&db_);
    query.SQL.Add("SELECT ID FROM T ORDER BY ID");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 5);
    Commit();
    query.Last();
    EXPECT_EQ(query.Fields(0)->AsInteger(), 5);
}

// --- Errors --------------------------------------------------------------------------------------

TEST_F(DataAccess, ErrorsCarryCodesSqlcodeAndText) {
    Exec("INSERT INTO T (ID) VALUES (1)");
    const UnicodeString duplicate = "INSERT INTO T (ID) VALUES (1)";
    try {
        Exec(duplicate);
        FAIL() << "duplicate key accepted";
    } catch (const EIBError& e) {
        EXPECT_TRUE(e.HasCode(ibcode::kUniqueKey)) << e.Message;
        EXPECT_EQ(e.SQLCode, -803);
        EXPECT_EQ(e.SQL, duplicate);
        EXPECT_FALSE(e.Message.empty());
    }
    // A failed statement does not end the transaction.
    EXPECT_EQ(Count(), 1);
    Commit();
    const UnicodeString alter = "ALTER TABLE T ADD N INTEGER";
    try {
        Exec(alter);
        Commit();
        FAIL() << "existing column added";
    } catch (const EIBError& e) {
        EXPECT_TRUE(e.HasCode(ibcode::kNoMetaUpdate)) << e.Message;
        EXPECT_EQ(e.SQLCode, -607);
    }
    db_.DefaultTransaction().Rollback();
    try {
        Exec("SELEC 1 FROM RDB$DATABASE");
        FAIL();
    } catch (const EIBError& e) {
        EXPECT_EQ(e.SQLCode, -104);
        EXPECT_EQ(e.SQL, "SELEC 1 FROM RDB$DATABASE");
        EXPECT_NE(e.IBErrorCode(), 0);
    }
    try {
        Exec("INSERT INTO T (ID, C2) VALUES (9, 99999999.99)");
        FAIL();
    } catch (const EIBError& e) {
        EXPECT_TRUE(e.HasCode(ibcode::kStringTruncation)) << e.Message;
    }
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
    TIBQuery query(&db_);
    query.Unidirectional = true;
    query.SQL.Add("SELECT ID FROM T ORDER BY ID");
    query.Open();
    db_.DefaultTransaction().CommitRetaining();
    query.Next();
    EXPECT_EQ(query.Fields(0)->AsInteger(), 2);
    db_.DefaultTransaction().Commit();
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(Count(), 3);
}

TEST_F(DataAccess, SeparateTransactionsSeeOnlyCommittedRows) {
    TIBTransaction other(db_);
    Exec("INSERT INTO T (ID) VALUES (1)");
    TIBSQL count(&db_, &other);
    count.SQL.Add("SELECT COUNT(*) FROM T");
    count.ExecQuery();
    EXPECT_EQ(count.Fields(0)->AsInteger(), 0);
    other.Commit();
    Commit();
    count.ExecQuery();
    EXPECT_EQ(count.Fields(0)->AsInteger(), 1);
}

TEST_F(DataAccess, CloseRollsBackEveryTransactionAndDetaches) {
    const std::string path = dir_ / "test.fdb";
    {
        TIBTransaction other(db_);
        TIBQuery open(&db_, &other);
        open.Unidirectional = true;
        open.SQL.Add("SELECT ID FROM T");
        open.Open();
        Exec("INSERT INTO T (ID) VALUES (1)");
        TIBSQL write(&db_, &other);
        write.SQL.Add("INSERT INTO T (ID) VALUES (2)");
        write.ExecQuery();
        db_.Close();
        EXPECT_FALSE(db_.Connected());
        EXPECT_FALSE(other.InTransaction());
    }
    db_.Open(path);
    EXPECT_EQ(Count(), 0);
}

TEST_F(DataAccess, DatabaseErrorsWhenNotOpen) {
    TIBDatabase closed;
    EXPECT_THROW(closed.ExecuteImmediate("SELECT 1 FROM RDB$DATABASE"), EIBError);
    TIBDatabase missing;
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
