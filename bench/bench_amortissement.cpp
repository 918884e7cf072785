// The depreciation engine's speed: a whole schedule computed for a plan already in memory, and an
// asset loaded from the database with all its plans computed, for linear and declining plans of 5
// and 50 years.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "host/commands/tempdir.h"
#include "platform/dossier.h"
#include "platform/environnement.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvklistes.h"
#include "units/uvktables.h"

namespace {

// One case file with four stored assets: linear and declining, over 60 and 600 months.
class Fixture {
public:
    Fixture() : directory_("vkbench") {
        setenv("VK_FORCED_WRITES", "0", 0);
        environment_ = TEnvironnement::Ouvrir((directory_.Path() / "env").string(), "bench");
        pEnvironnement = environment_.get();
        ParametresDossier parameters;
        for (int year = 2024; year <= 2026; ++year)
            parameters.Exercices.push_back({EncodeDate(year, 1, 1), EncodeDate(year, 12, 31), year < 2026});
        parameters.DebutExerciceCourant = EncodeDate(2026, 1, 1);
        dossier_ = CDossier::Creer((directory_.Path() / "dossier").string(), parameters);
        pCurDossier = dossier_.get();
        VK_CreerTables("");
        for (VK_MethodeAmort method : {maLineaire, maDegressif})
            for (unsigned short months : {60, 600}) ids_[Key(method, months)] = NewAsset(method, months);
        dossier_->GetDatabaseFirebird()->DefaultTransaction().Commit();
    }
    ~Fixture() {
        pCurDossier = nullptr;
        dossier_.reset();
        pEnvironnement = nullptr;
        environment_.reset();
    }
    unsigned Id(VK_MethodeAmort method, unsigned short months) { return ids_[Key(method, months)]; }

private:
    static int Key(VK_MethodeAmort method, unsigned short months) { return method * 10000 + months; }
    unsigned NewAsset(VK_MethodeAmort method, unsigned short months) {
        cVK_Bien asset(veInitialisation, "", nullptr, nullptr);
        cVK_Composant* component = asset.GetStructure();
        component->SetNumCompte("215400");
        component->SetDateEntree(EncodeDate(2024, 3, 15));
        component->SetDateMiseEnService(EncodeDate(2024, 3, 15));
        component->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(123456.78));
        for (VK_TypeAmort kind : {taComptable, taFiscal}) {
            cVK_Amortissement* plan = component->GetAmort(kind);
            plan->SetMethode(method);
            plan->SetDuree(months);
        }
        asset.BD_MAJ();
        return asset.ID;
    }

    vkhost::TemporaryDirectory directory_;
    std::unique_ptr<TEnvironnement> environment_;
    std::unique_ptr<CDossier> dossier_;
    std::map<int, unsigned> ids_;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void ScheduleInMemory(benchmark::State& state, VK_MethodeAmort method, unsigned short months) {
    cVK_Bien asset(Shared().Id(method, months), "", nullptr, nullptr);
    cVK_Amortissement* plan = asset.GetStructure()->GetAmort(taComptable);
    size_t lines = 0;
    for (auto _ : state) {
        plan->ClearCalculs();
        plan->GetLstTabAmort()->CalculTableau();
        lines = plan->GetLstTabAmort()->Lignes().size();
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void LoadAndCompute(benchmark::State& state, VK_MethodeAmort method, unsigned short months) {
    const unsigned id = Shared().Id(method, months);
    for (auto _ : state) {
        cVK_Bien asset(id, "", nullptr, nullptr);
        cVK_LstAmortissement* plans = asset.GetStructure()->GetLstAmortissement();
        for (int i = 0; i < plans->Count(); ++i) plans->Get(i)->GetLstTabAmort()->CalculTableau();
        benchmark::DoNotOptimize(plans->Get(0)->GetDotation(TDateTime()));
    }
}

}  // namespace

BENCHMARK_CAPTURE(ScheduleInMemory, linear_5y, maLineaire, 60)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScheduleInMemory, declining_5y, maDegressif, 60)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScheduleInMemory, linear_50y, maLineaire, 600)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScheduleInMemory, declining_50y, maDegressif, 600)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LoadAndCompute, linear_5y, maLineaire, 60)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LoadAndCompute, declining_5y, maDegressif, 60)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LoadAndCompute, linear_50y, maLineaire, 600)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LoadAndCompute, declining_50y, maDegressif, 600)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    IBShutdown();
    return 0;
}
