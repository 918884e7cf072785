// Recording entries in the ledger (each run replaces the entries of the previous one, with new texts) and
// exporting them to a FEC file, on a case file in a temporary directory.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "bench/scratch.h"
#include "platform/comptabilite.h"

namespace {

using vkbench::ScratchLedgerCase;

// One entry of four lines, as the disposal of a component gives. The label changes with each run so
// that no statement text repeats (a repeated text would find its statement already prepared).
void Entree(bool exporter, int number, int run) {
    const UnicodeString label = fmt::format("Cession presse {}", run);
    const UnicodeString piece = fmt::format("-CP{}", number);
    const TDateTime date = EncodeDate(2024, 6, 30);
    if (exporter)
        AssEcrOpenPourExport("ODR", date, false, AssCodeOrigine('7'), piece);
    else
        AssEcrOpen("ODR", date, false, AssCodeOrigine('7'), piece);
    AssEcrInsLigne("215400", label, Currency{100000000}, false, nullptr);
    AssEcrInsLigne("281540", label, Currency{60000000}, true, nullptr);
    AssEcrInsLigne("445620", label, Currency{2000000}, false, nullptr);
    AssEcrInsLigne("675200", label, Currency{42000000}, true, nullptr);
    if (exporter)
        AssAjoutEcrPourExport();
    else
        AssEcrValide();
}

void BM_EnregistrerEcritures(benchmark::State& state) {
    ScratchLedgerCase dossier("vk-bench-ledger");
    const int count = static_cast<int>(state.range(0));
    int run = 0;
    for (auto _ : state) {
        ++run;
        for (int i = 0; i < count; ++i) Entree(false, i, run);
        pCurDossier->GetDatabaseFirebird()->DefaultTransaction().Commit();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_EnregistrerEcritures)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ExporterEcritures(benchmark::State& state) {
    ScratchLedgerCase dossier("vk-bench-ledger");
    const int count = static_cast<int>(state.range(0));
    AssSetFichierExport(dossier.Directory() + "/FEC.txt");
    for (auto _ : state) {
        AssInitExportEcr(false);
        for (int i = 0; i < count; ++i) Entree(true, i, 0);
        AssEcrExportee();
        AssDesinitExportEcr();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ExporterEcritures)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
