// Cost of the data-access layer on an embedded database, for statements built as SQL text the way
// the engine builds them: single-row SELECTs (the same text again, or a new literal each time),
// INSERTs, and commits after one or after a thousand inserts.
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

#include <fmt/format.h>

#include "bench/scratch.h"
#include "platform/currency.h"
#include "platform/db/ibx.h"

namespace {

constexpr int kRows = 10000;

// One database for the whole run, in a fresh temporary directory removed at the end.
class BenchDatabase {
public:
    BenchDatabase() : directory_("vkbench") {
        db_.Create((directory_.Path() / "bench.fdb").string());
        db_.ExecuteImmediate(
            "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, A DECIMAL(18,4), S VARCHAR(60))");
        db_.ExecuteImmediate(
            "CREATE TABLE W (ID INTEGER NOT NULL PRIMARY KEY, A DECIMAL(18,4), S VARCHAR(60))");
        db_.DefaultTransaction().Commit();
        for (int id = 0; id < kRows; ++id)
            db_.ExecuteImmediate(
                fmt::format("INSERT INTO T (ID, A, S) VALUES ({}, {}, 'Immobilisation n°{}')", id,
                            CCurrency::FromCount(id * 12345LL).GetSQL(), id));
        db_.DefaultTransaction().Commit();
    }
    ~BenchDatabase() {
        try {
            db_.Close();
        } catch (...) {
        }
    }

    TIBDatabase& Db() { return db_; }
    // A new identifier for the write table.
    int NextId() { return nextId_++; }

private:
    vkbench::ScratchDirectory directory_;  // removed after the database is closed
    TIBDatabase db_;
    int nextId_ = 0;
};

BenchDatabase* bench = nullptr;

int64_t ReadRow(TIBDatabase& db, const UnicodeString& sql) {
    TIBSQL query(&db);
    query.SQL.Add(sql);
    query.ExecQuery();
    int64_t count = query.Fields(0)->AsCurrency().Count();
    benchmark::DoNotOptimize(query.Fields(1)->AsString());
    return count;
}

void SelectSameText(benchmark::State& state) {
    TIBDatabase& db = bench->Db();
    const uint64_t prepares = db.Stats().prepares;
    for (auto _ : state) benchmark::DoNotOptimize(ReadRow(db, "SELECT A, S FROM T WHERE ID=4321"));
    state.counters["prepares"] = static_cast<double>(db.Stats().prepares - prepares);  // 0 or 1: reused
}
BENCHMARK(SelectSameText);

void SelectVaryingLiteral(benchmark::State& state) {
    TIBDatabase& db = bench->Db();
    int id = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadRow(db, fmt::format("SELECT A, S FROM T WHERE ID={}", id)));
        id = (id + 7919) % kRows;
    }
}
BENCHMARK(SelectVaryingLiteral);

void SelectDatasetVaryingLiteral(benchmark::State& state) {
    // The engine's loaders: a unidirectional dataset opened, read by name and closed.
    TIBDatabase& db = bench->Db();
    int id = 0;
    for (auto _ : state) {
        TIBQuery query(&db);
        query.Unidirectional = true;
        query.SQL.Add(fmt::format("SELECT ID, A, S FROM T WHERE ID={}", id));
        query.Open();
        benchmark::DoNotOptimize(query.FieldByName("A")->AsCurrency());
        benchmark::DoNotOptimize(query.FieldByName("S")->AsString());
        query.Close();
        id = (id + 7919) % kRows;
    }
}
BENCHMARK(SelectDatasetVaryingLiteral);

void Insert(TIBDatabase& db, int id) {
    db.ExecuteImmediate(fmt::format("INSERT INTO W (ID, A, S) VALUES ({}, {}, 'Composant {}')", id,
                                    CCurrency::FromCount(id * 777LL).GetSQL(), id));
}

void InsertText(benchmark::State& state) {
    TIBDatabase& db = bench->Db();
    for (auto _ : state) Insert(db, bench->NextId());
    db.DefaultTransaction().Commit();
}
BENCHMARK(InsertText);

void CommitAfterOneInsert(benchmark::State& state) {
    TIBDatabase& db = bench->Db();
    for (auto _ : state) {
        Insert(db, bench->NextId());
        db.DefaultTransaction().Commit();
    }
}
BENCHMARK(CommitAfterOneInsert);

void CommitAfter1000Inserts(benchmark::State& state) {
    TIBDatabase& db = bench->Db();
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) Insert(db, bench->NextId());
        db.DefaultTransaction().Commit();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(CommitAfter1000Inserts)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    int status = 0;
    try {
        BenchDatabase database;
        bench = &database;
        benchmark::RunSpecifiedBenchmarks();
        bench = nullptr;
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}\n", e.what());
        status = 1;
    }
    benchmark::Shutdown();
    IBShutdown();
    return status;
}
