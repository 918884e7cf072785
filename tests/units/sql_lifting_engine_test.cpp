// The engine's own statements with their literals lifted into parameters: a generated case file
// (assets of every kind, validated years, passenger cars, disposal records, units of production,
// manual plans, forced values) built, run and closed once with the literals lifted and once with
// every text run as written stores the same rows and computes the same figures; and every SELECT the
// engine ran for the year's figures and the closing returns the same rows in both forms.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "bench/perf/generator.h"
#include "bench/perf/measures.h"
#include "host/commands/closing.h"
#include "host/commands/tempdir.h"
#include "host/session.h"
#include "units/uvkdivers.h"

namespace {

struct CaseRun {
    std::string checksum;
    std::map<std::string, std::string> tables;  // every row of each engine table, as text
    std::vector<std::string> selects;           // the SELECT texts of the year's figures and closing
    uint64_t lifted = 0;
};

// Every row a query returns, each column named; without the time stamps of the run when asked.
std::string Rows(TIBDatabase& database, const std::string& sql, bool stamps = true) {
    TIBQuery query(&database);
    query.SQL.SetText(sql);
    std::string text;
    for (query.Open(); !query.Eof(); query.Next()) {
        for (int i = 0; i < query.FieldCount(); ++i) {
            const std::string name = query.Fields(i)->FieldName();
            if (!stamps && (name == "DATECREAT" || name == "DATEVALID")) continue;
            text += name + "=" + (query.Fields(i)->IsNull() ? "<null>" : query.Fields(i)->AsString()) + ";";
        }
        text += "\n";
    }
    return text;
}

CaseRun BuildRunAndClose(const std::filesystem::path& directory, bool lift) {
    setenv("VK_SQL_LIFT", lift ? "1" : "0", 1);
    setenv("VK_FORCED_WRITES", "0", 1);
    vkperf::GeneratorOptions options;
    options.assets = 30;
    options.seed = 42;
    vkperf::Generate(directory.string(), options);
    CaseRun run;
    vkhost::Session session({(directory / "env").string(), "test"});
    session.Open((directory / "case").string());
    TIBDatabase& database = *session.Dossier().GetDatabaseFirebird();
    database.OnStatement = [&](const UnicodeString& sql) {
        if (sql.rfind("SELECT", 0) == 0) run.selects.push_back(sql);
    };
    // The objects' own statements, not the batches read ahead: they make the corpus.
    setenv("PERF_READ_AHEAD", "0", 1);
    session.RunAction([&] { run.checksum = vkperf::YearChecksum(session.Dossier()); });
    unsetenv("PERF_READ_AHEAD");
    session.RunAction([&] { vkhost::CloseYear(session.Dossier(), nullptr); });
    database.OnStatement = nullptr;
    for (const char* code : {"VKB", "VKC", "VKL", "VKA", "VKT", "VKU", "VKO", "VKV", "VKD"})
        run.tables[code] = Rows(database, "SELECT * FROM " + GetNomTable(code, false) + " ORDER BY 1", false);
    run.lifted = database.Stats().lifted;
    unsetenv("VK_SQL_LIFT");
    return run;
}

TEST(SqlLiftingEngine, SameRowsAndFiguresAsTheTextsRunAsWritten) {
    vkhost::TemporaryDirectory lifted("vklift-on"), written("vklift-off");
    const CaseRun a = BuildRunAndClose(lifted.Path(), true);
    const CaseRun b = BuildRunAndClose(written.Path(), false);
    EXPECT_EQ(b.lifted, 0u);
    EXPECT_GT(a.lifted, 500u) << "the engine's statements were not lifted";
    EXPECT_EQ(a.checksum, b.checksum);
    for (const char* table : {"VKB", "VKC", "VKL", "VKA", "VKT"}) EXPECT_NE(a.tables.at(table), "") << table;
    for (const auto& [table, rows] : a.tables) EXPECT_EQ(rows, b.tables.at(table)) << "table " << table;

    // Every distinct SELECT of the year's figures and the closing, replayed on the closed case file
    // both ways.
    const std::set<std::string> corpus(a.selects.begin(), a.selects.end());
    ASSERT_GT(corpus.size(), 100u);
    vkhost::Session session({(lifted.Path() / "env").string(), "test"});
    session.Open((lifted.Path() / "case").string());
    TIBDatabase& database = *session.Dossier().GetDatabaseFirebird();
    int nonEmpty = 0;
    for (const std::string& sql : corpus) {
        database.LiftLiterals = false;
        const std::string written = Rows(database, sql);
        database.LiftLiterals = true;
        EXPECT_EQ(Rows(database, sql), written) << sql;
        nonEmpty += !written.empty();
    }
    EXPECT_GT(nonEmpty, 50);
}

}  // namespace
