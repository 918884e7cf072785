// The performance driver of a whole case file (run by bench/run-perf, outside CTest):
//
//   bench_perf generate DIR N [SEED]   builds a case file of N assets under DIR (DIR/env, DIR/case)
//   bench_perf measure DIR NAME        runs one measure on it (load, run, floor, compute, entries,
//                                      close) and prints its figures
//
// Every figure is printed on a line "name=value". Each measure runs in its own process, so that its
// peak memory (VmHWM) is its own.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#include <fmt/format.h>

#include "bench/perf/generator.h"
#include "bench/perf/measures.h"
#include "platform/db/ibx.h"

namespace {

void Print(const std::string& name, const std::string& value) {
    std::cout << name << "=" << value << "\n";
}

int Generate(const std::string& directory, int assets, uint64_t seed) {
    vkperf::GeneratorOptions options;
    options.assets = assets;
    options.seed = seed;
    if (const char* validate = std::getenv("VALIDATE")) options.validate = std::string(validate) != "0";
    const vkperf::GeneratorResult result = vkperf::Generate(directory, options);
    Print("generate_assets", std::to_string(result.assets));
    Print("generate_components", std::to_string(result.components));
    Print("generate_plans", std::to_string(result.plans));
    Print("generate_declining_plans", std::to_string(result.declining));
    Print("generate_units_of_production", std::to_string(result.unitsOfProduction));
    Print("generate_manual", std::to_string(result.manual));
    Print("generate_forced_openings", std::to_string(result.forced));
    Print("generate_cars", std::to_string(result.cars));
    Print("generate_disposals", std::to_string(result.disposals));
    Print("generate_validated", std::to_string(result.validated));
    Print("generate_s", fmt::format("{:.2f}", result.seconds));
    Print("generate_creation_s", fmt::format("{:.2f}", result.creationSeconds));
    Print("generate_creation_per_asset_ms",
          fmt::format("{:.4f}", result.creationSeconds * 1000.0 / std::max(result.assets, 1)));
    return 0;
}

int Measure(const std::string& directory, const std::string& name) {
    const vkperf::MeasureResult result = vkperf::Measure(directory, name);
    const long peak = vkperf::PeakKiB();
    for (const vkperf::Figure& figure : result.extra) Print(name + "_" + figure.name, figure.value);
    Print(name + "_s", fmt::format("{:.3f}", result.seconds));
    Print(name + "_cpu_s", fmt::format("{:.3f}", result.cpuSeconds));
    Print(name + "_assets", std::to_string(result.assets));
    if (result.assets > 0)
        Print(name + "_per_asset_ms", fmt::format("{:.4f}", result.seconds * 1000.0 / result.assets));
    Print(name + "_statements", std::to_string(result.statements));
    Print(name + "_prepares", std::to_string(result.prepares));
    Print(name + "_peak_mib", fmt::format("{:.1f}", peak / 1024.0));
    return 0;
}

int Usage() {
    std::cerr << "usage: bench_perf generate DIR N [SEED] | bench_perf measure DIR NAME\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const std::string command = argv[1], directory = argv[2];
    int status = 0;
    try {
        if (command == "generate")
            status = Generate(directory, std::atoi(argv[3]),
                              argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20260101);
        else if (command == "measure")
            status = Measure(directory, argv[3]);
        else
            status = Usage();
    } catch (const std::exception& e) {
        std::cerr << "bench_perf: " << e.what() << "\n";
        status = 1;
    }
    IBShutdown();
    return status;
}
