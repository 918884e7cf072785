// A realistic case file of N assets for the performance runs, built through the engine's own classes
// (the host's asset builder, the validation, the disposal records), so that the rows are the ones
// the engine writes.
#pragma once

#include <cstdint>
#include <string>

namespace vkperf {

struct GeneratorOptions {
    int assets = 1000;
    uint64_t seed = 20260101;
    int firstYear = 2017;  // ten fiscal years, calendar years, the last one current
    int years = 10;
    // false: the assets only as entered (no validation, no disposal records), as a register brought in
    // from a scenario or a spreadsheet is written.
    bool validate = true;
};

struct GeneratorResult {
    int assets = 0;
    int components = 0;
    int plans = 0;
    int cars = 0;
    int disposals = 0;
    int forced = 0;
    int unitsOfProduction = 0;
    int manual = 0;
    int declining = 0;
    int validated = 0;
    double seconds = 0;          // the whole generation, the case file's creation included
    double creationSeconds = 0;  // the transaction that writes the assets, commit included
};

// Creates the environment ("env") and the case file ("case") under `directory` and fills it with
// `options.assets` assets in one transaction. The same seed gives the same case file.
GeneratorResult Generate(const std::string& directory, const GeneratorOptions& options);

}  // namespace vkperf
