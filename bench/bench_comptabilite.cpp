// Recording entries in the ledger (each run replaces the entries of the previous one, with new texts) and
// exporting them to a FEC file, on a case file in a temporary directory.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>

#include "platform/comptabilite.h"
#include "platform/dossier.h"

namespace {

class DossierTemporaire {
  public:
    DossierTemporaire() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vk-bench-ledger-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw Exception("mkdtemp");
        directory_ = pattern;
        ParametresDossier parameters;
        parameters.Exercices = {{EncodeDate(2024, 1, 1), EncodeDate(2024, 12, 31), false}};
        parameters.DebutExerciceCourant = EncodeDate(2024, 1, 1);
        dossier_ = CDossier::Creer(directory_ + "/dossier", parameters);
        pCurDossier = dossier_.get();
        ComptaCreerTables(*dossier_);
    }
    ~DossierTemporaire() {
        dossier_->Fermer();
        dossier_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    const std::string& Repertoire() const { return directory_; }

  private:
    std::string directory_;
    std::unique_ptr<CDossier> dossier_;
};

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
    DossierTemporaire dossier;
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
    DossierTemporaire dossier;
    const int count = static_cast<int>(state.range(0));
    AssSetFichierExport(dossier.Repertoire() + "/FEC.txt");
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
