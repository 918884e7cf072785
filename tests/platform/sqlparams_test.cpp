// Lifting the literals of SQL texts into parameters: which literals are lifted, the exact scaling
// of numbers, and, on a real database, that the lifted form of a statement returns the same rows and
// stores the same values as the text run as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include <fmt/format.h>

#include "host/commands/tempdir.h"
#include "platform/db/ibx.h"
#include "platform/db/sqlparams.h"

namespace {

using sqlparams::Lift;
using sqlparams::Literal;

std::string Values(const sqlparams::Lifted& lifted) {
    std::string text;
    for (const Literal& value : lifted.values) {
        if (!text.empty()) text += "|";
        text += value.kind == Literal::Kind::Null     ? "NULL"
                : value.kind == Literal::Kind::Number ? "#" + value.text
                                                      : "'" + value.text + "'";
    }
    return text;
}

struct LiftCase {
    const char* sql;
    const char* shape;
    const char* values;  // as Values() prints them
};

TEST(SqlParams, LiftsOnlyLiteralsTypedByAColumn) {
    const LiftCase cases[] = {
        {"SELECT A FROM T WHERE ID_BIEN=12", "SELECT A FROM T WHERE ID_BIEN=?", "#12"},
        {"SELECT A FROM T WHERE (REF_CALC=7) AND(TYPEAMORT=1)",
         "SELECT A FROM T WHERE (REF_CALC=?) AND(TYPEAMORT=?)", "#7|#1"},
        {"SELECT R FROM T WHERE REF_SAIS='O''Neil'", "SELECT R FROM T WHERE REF_SAIS=?", "'O'Neil'"},
        {"SELECT R FROM T WHERE D='a=1 AND b=''2'''", "SELECT R FROM T WHERE D=?", "'a=1 AND b='2''"},
        {"INSERT INTO T(A,B,C,D)VALUES (NULL,'x',-5,12.50)", "INSERT INTO T(A,B,C,D)VALUES (?,?,?,?)",
         "NULL|'x'|#-5|#12.50"},
        {"INSERT INTO T(A,B)VALUES (1+2,'x')", "INSERT INTO T(A,B)VALUES (1+2,?)", "'x'"},
        {"UPDATE T SET A=1,B='y',C=NULL WHERE ID=3", "UPDATE T SET A=?,B=?,C=? WHERE ID=?", "#1|'y'|NULL|#3"},
        {"UPDATE T SET EXOCREATION=EXOCREATION-1 WHERE REF_CALC = 12",
         "UPDATE T SET EXOCREATION=EXOCREATION-1 WHERE REF_CALC = ?", "#12"},
        {"DELETE FROM T WHERE (ID_COMPO=4) AND ID NOT IN (1,2,3)",
         "DELETE FROM T WHERE (ID_COMPO=?) AND ID NOT IN (?,?,?)", "#4|#1|#2|#3"},
        {"SELECT A FROM T WHERE B.X=-1", "SELECT A FROM T WHERE B.X=?", "#-1"},
        {"SELECT FIRST 1 ID FROM T WHERE R=5 ORDER BY 1 DESCENDING",
         "SELECT FIRST 1 ID FROM T WHERE R=? ORDER BY 1 DESCENDING", "#5"},
        {"SELECT CASE WHEN U.E=0 THEN 'N' ELSE 'M' END FROM T U",
         "SELECT CASE WHEN U.E=? THEN 'N' ELSE 'M' END FROM T U", "#0"},
        {"SELECT A FROM \"T=1\" WHERE \"X\"=2", "SELECT A FROM \"T=1\" WHERE \"X\"=?", "#2"}};
    for (const LiftCase& c : cases) {
        const auto lifted = Lift(c.sql);
        ASSERT_TRUE(lifted.has_value()) << c.sql;
        EXPECT_EQ(lifted->shape, c.shape) << c.sql;
        EXPECT_EQ(Values(*lifted), c.values) << c.sql;
    }
    // Texts left as written: a literal in an expression, a list that is not all literals, typed or
    // exponent literals, parameters already there, a comment, a collation, a definition.
    std::vector<std::string> unlifted = {
        "DELETE FROM T WHERE ID IN (1,X)", "SELECT GEN_ID(G,1) FROM RDB$DATABASE",
        "SELECT RDB$GET_CONTEXT('USER_SESSION','K') FROM RDB$DATABASE",
        "CREATE TABLE T (A INTEGER DEFAULT 1)", "UPDATE OR INSERT INTO T(A) VALUES (1) MATCHING (A)"};
    for (const char* where :
         {"X+Y=1", "X=1+Y", "X='a'||'b'", "COALESCE(X,0)=1", "X IS NULL", "X BETWEEN 1 AND 2",
          "D=DATE '2024-01-01'", "D=_UTF8'x'", "X=1.5E3", "X=? AND Y=1", "X=:P AND Y=1", "X=1 -- comment",
          "X='unterminated", "X=1 COLLATE UNICODE"})
        unlifted.push_back(std::string("SELECT A FROM T WHERE ") + where);
    for (const std::string& sql : unlifted) {
        const auto lifted = Lift(sql);
        EXPECT_FALSE(lifted.has_value()) << sql << "\n lifted as: " << (lifted ? lifted->shape : "");
    }
}

TEST(SqlParams, KeySeparatesKindsOfValues) {
    EXPECT_EQ(Lift("SELECT A FROM T WHERE X=1")->Key(), Lift("SELECT A FROM T WHERE X=2")->Key());
    EXPECT_NE(Lift("SELECT A FROM T WHERE X=1")->Key(), Lift("SELECT A FROM T WHERE X='1'")->Key());
    EXPECT_NE(Lift("SELECT A FROM T WHERE X=1")->Key(), Lift("SELECT A FROM T WHERE X=NULL")->Key());
}

TEST(SqlParams, ScalesNumbersExactlyOrNotAtAll) {
    struct Case {
        const char* number;
        int scale;
        std::optional<int64_t> expected;
    };
    const Case cases[] = {{"12.34", -4, 123400},
                          {"-12.34", -4, -123400},
                          {"12.3400000", -4, 123400},
                          {"12.34565", -4, std::nullopt},
                          {"0.5", 0, std::nullopt},
                          {"7", 0, 7},
                          {"1.0", 0, 1},
                          {".5", -1, 5},
                          {"6.55957", -15, 6559570000000000},
                          {"99999999999999999999", -4, std::nullopt},
                          {"9223372036854775807", 0, INT64_MAX},
                          {"9223372036854775808", 0, std::nullopt},
                          {"-", 0, std::nullopt},
                          {"1.2.3", -4, std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(sqlparams::ScaledInteger(c.number, c.scale), c.expected)
            << c.number << " scale " << c.scale;
}

// ---------------------------------------------------------------------------------------------
// On a real database: the lifted form against the text as written.

class LiftedDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        db_.Create((directory_.Path() / "lift.fdb").string());
        for (const char* table : {"T", "U"})
            db_.ExecuteImmediate(fmt::format(
                "CREATE TABLE {} (ID INTEGER, S SMALLINT, A DECIMAL(18,4), R DECIMAL(18,15), V VARCHAR(10), "
                "W VARCHAR(60), D DATE, TS TIMESTAMP, C CHAR(3), F DOUBLE PRECISION)",
                table));
        db_.DefaultTransaction().Commit();
    }
    void TearDown() override { db_.Drop(); }

    // Every row of a query, as text, or the error's message.
    std::string Rows(const std::string& sql, bool lift) {
        db_.LiftLiterals = lift;
        std::string text;
        try {
            TIBQuery query(&db_);
            query.SQL.SetText(sql);
            for (query.Open(); !query.Eof(); query.Next()) {
                for (int i = 0; i < query.FieldCount(); ++i)
                    text += (query.Fields(i)->IsNull() ? "<null>" : query.Fields(i)->AsString()) + ";";
                text += "\n";
            }
        } catch (const EIBError& e) {
            text = std::string("error: ") + e.what();
        }
        db_.LiftLiterals = true;
        return text;
    }
    // Runs a statement; the error's message, empty when it succeeded.
    std::string Exec(const std::string& sql, bool lift) {
        db_.LiftLiterals = lift;
        std::string error;
        try {
            db_.ExecuteImmediate(sql);
        } catch (const EIBError& e) {
            error = e.what();
        }
        db_.LiftLiterals = true;
        return error;
    }

    vkhost::TemporaryDirectory directory_{"vklift"};
    TIBDatabase db_;
};

// The same insert into T lifted and into U as written stores the same row (or fails the same way).
TEST_F(LiftedDatabase, InsertsStoreWhatTheTextSays) {
    const char* const values[] = {
        "1, 2, 12.3456, 6.55957, 'abc', 'l''été', '2024-12-31', '2024-12-31 10:11:12', 'ab', 1.5",
        "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
        "-3, -32768, -0.0001, 0.000000000000001, 'x', 'y', '12/31/2024', '2024-01-02', 'abc', 0",
        "4, 1, 12.34565, 1, 'a', 'b', '2024-02-28', '2024-02-28', 'a', 2",     // rounded by the text
        "5, 1, 1, 1, 'abcdefghijk', 'b', '2024-02-28', '2024-02-28', 'a', 2",  // too long
        "6, 40000, 1, 1, 'a', 'b', '2024-02-28', '2024-02-28', 'a', 2",        // out of range
        "7, 1, 1, 1, 'a', 'b', '2024-02-30', '2024-02-28', 'a', 2",            // no such day
        "8, 1, 99999999999999.9999, 1, 'a', 'b', '2024-02-28', '2024-02-28', 'a', 2",
        "9, '12', 1, 1, 12, 'b', '2024-02-28', '2024-02-28', 'a', 2",  // mixed kinds
        "10, 1, 1, 1, 'a', 'b', '2024-02-28', '2024-02-28', 'a', 1.25"};
    for (const char* row : values) {
        const std::string lifted = Exec(fmt::format("INSERT INTO T VALUES ({})", row), true);
        const std::string written = Exec(fmt::format("INSERT INTO U VALUES ({})", row), false);
        EXPECT_EQ(lifted.empty(), written.empty())
            << row << "\n lifted: " << lifted << "\n written: " << written;
    }
    EXPECT_EQ(Rows("SELECT * FROM T ORDER BY ID", false), Rows("SELECT * FROM U ORDER BY ID", false));
    EXPECT_GT(db_.Stats().lifted, 0u);
}

// Selections with literals of every kind against every kind of column return the same rows.
TEST_F(LiftedDatabase, SelectionsReturnTheSameRows) {
    const char* const rows[] = {
        "1, 2, 12.3456, 6.55957, 'abc', 'l''été', '2024-12-31', '2024-12-31 10:11:12', 'ab', 1.5",
        "2, 0, -0.5, 0, 'O''Neil', 'x', '2020-01-01', '2020-01-01', 'abc', 0.1",
        "123, 12, 0, 1, '123', '0123', '2024-02-29', '2024-02-29 23:59:59', 'a', 2",
        "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL"};
    for (const char* row : rows) ASSERT_EQ(Exec(fmt::format("INSERT INTO T VALUES ({})", row), false), "");
    const char* const columns[] = {"ID", "S", "A", "R", "V", "W", "D", "TS", "C", "F"};
    // Separated by "|".
    const std::string literals =
        "1|2|123|-1|0|1.0|1.5|12.3456|12.34560|12.34565|6.55957|3000000000|99999999999999999999|NULL|'1'|'"
        "123'|"
        "'0123'|'1.5'|' 1'|'abc'|'ab'|'ab '|'O''Neil'|'l''été'|'abcdefghijklmnop'|'2024-12-31'|'12/31/2024'|"
        "'2024-12-31 10:11:12'|'2024-02-30'|'x'|''|0.1";
    const char* const operators[] = {"=", "<>", "<", ">=", "!="};
    std::mt19937 random(7);
    int compared = 0;
    for (const char* column : columns)
        for (size_t from = 0, to; from <= literals.size(); from = to + 1) {
            to = std::min(literals.find('|', from), literals.size());
            const std::string literal = literals.substr(from, to - from);
            const char* op = operators[random() % 5];
            for (const std::string& sql :
                 {fmt::format("SELECT ID, {0} FROM T WHERE {0}{1}{2} ORDER BY 1", column, op, literal),
                  fmt::format("SELECT ID FROM T WHERE ({0}={1}) OR (ID IN (1, {1})) ORDER BY 1", column,
                              literal)}) {
                EXPECT_EQ(Rows(sql, true), Rows(sql, false)) << sql;
                ++compared;
            }
        }
    EXPECT_GT(compared, 600);
}

// Random updates and deletes applied to two copies of the same rows leave the copies equal.
TEST_F(LiftedDatabase, RandomChangesLeaveTheSameRows) {
    for (int id = 1; id <= 20; ++id)
        for (const char* table : {"T", "U"})
            ASSERT_EQ(
                Exec(fmt::format("INSERT INTO {} VALUES ({}, {}, {}.25, 0.5, 'v{}', 'w', '2024-01-{:02}', "
                                 "'2024-01-01', 'c', 1)",
                                 table, id, id % 7, id * 3, id % 4, id),
                     false),
                "");
    std::mt19937 random(11);
    const char* const amounts[] = {"1", "12.3456", "12.34565", "-7.5", "NULL", "0.00001", "100000000000000"};
    const char* const texts[] = {"'a'", "'l''été'", "NULL", "'abcdefghijkl'", "''", "'v1'"};
    for (int step = 0; step < 200; ++step) {
        const int id = 1 + static_cast<int>(random() % 20);
        std::string change;
        switch (random() % 3) {
            case 0:
                change = fmt::format("UPDATE {{}} SET A={},V={} WHERE ID={}", amounts[random() % 7],
                                     texts[random() % 6], id);
                break;
            case 1:
                change = fmt::format("UPDATE {{}} SET S={} WHERE (V={}) AND D>='2024-01-{:02}'",
                                     random() % 100, texts[random() % 6], 1 + random() % 20);
                break;
            default:
                change =
                    fmt::format("DELETE FROM {{}} WHERE ID IN ({},{}) AND S<>{}", id, id + 1, random() % 7);
                break;
        }
        const std::string lifted = Exec(fmt::format(fmt::runtime(change), "T"), true);
        const std::string written = Exec(fmt::format(fmt::runtime(change), "U"), false);
        ASSERT_EQ(lifted.empty(), written.empty()) << change << "\n" << lifted << "\n" << written;
    }
    EXPECT_EQ(Rows("SELECT * FROM T ORDER BY ID", false), Rows("SELECT * FROM U ORDER BY ID", false));
}

// Texts are bound in the connection's character set (WIN1252), as their literals were sent: a text
// of ten accented characters fills a VARCHAR(10) although it takes more bytes in UTF-8.
TEST_F(LiftedDatabase, TextsAreBoundInTheConnectionCharacterSet) {
    const std::string full = "\u00e9\u00e8\u00e0\u00f9\u00e7\u0153\u00ff\u00ab\u00bb\u20ac";  // 10 characters
    const uint64_t lifted = db_.Stats().lifted;
    EXPECT_EQ(Exec(fmt::format("INSERT INTO T (ID, V) VALUES (1, '{}')", full), true), "");
    EXPECT_EQ(db_.Stats().lifted, lifted + 1) << "the insert ran as written";
    EXPECT_EQ(Rows(fmt::format("SELECT ID, V FROM T WHERE V='{}'", full), true), "1;" + full + ";\n");
    EXPECT_EQ(Rows("SELECT V FROM T", false), full + ";\n");
    EXPECT_NE(Exec(fmt::format("INSERT INTO T (ID, V) VALUES (2, '{}x')", full), true), "");  // 11 characters
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM T", false), "1;\n");
}

// A statement prepared once per shape: the second text of the same shape is not prepared again.
TEST_F(LiftedDatabase, TextsOfOneShapeArePreparedOnce) {
    Rows("SELECT ID FROM T WHERE ID=1", true);
    const uint64_t prepared = db_.Stats().prepares;
    for (int id = 2; id < 50; ++id) Rows(fmt::format("SELECT ID FROM T WHERE ID={}", id), true);
    EXPECT_EQ(db_.Stats().prepares, prepared);
}

}  // namespace
