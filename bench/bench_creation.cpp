// Creating a register in one transaction, as a scenario or a spreadsheet brings it in: N assets with
// their components, acquisition details and plans, as entered (no validation). The per-asset time
// must not grow with N; each run prints it and its ratio to the smallest size's.
#include <benchmark/benchmark.h>
#include <map>

#include "bench/perf/generator.h"
#include "bench/scratch.h"

namespace {

void BM_CreateRegister(benchmark::State& state) {
    static std::map<int, double> perAssetBySize;
    const int assets = static_cast<int>(state.range(0));
    double perAsset = 0;
    for (auto _ : state) {
        vkbench::ScratchDirectory directory("vkcreate");
        vkperf::GeneratorOptions options;
        options.assets = assets;
        options.validate = false;
        const vkperf::GeneratorResult result = vkperf::Generate(directory.Path().string(), options);
        state.SetIterationTime(result.creationSeconds);
        perAsset = result.creationSeconds / result.assets;
    }
    perAssetBySize[assets] = perAsset;
    state.counters["per_asset_ms"] = perAsset * 1000.0;
    state.counters["assets_per_s"] = 1.0 / perAsset;
    state.counters["ratio_to_smallest"] = perAsset / perAssetBySize.begin()->second;
}

}  // namespace

BENCHMARK(BM_CreateRegister)->Arg(1000)->Arg(10000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
