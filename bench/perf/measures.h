// The measures of the performance run, each on a case file made by the generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CDossier;

namespace vkperf {

// One figure printed as name=value.
struct Figure {
    std::string name;
    std::string value;
};

// What one measure reports: its time, the assets it went through and what the database did.
struct MeasureResult {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the process (every thread, Firebird's too)
    int assets = 0;
    uint64_t statements = 0;  // statements executed during the timed part
    uint64_t prepares = 0;    // of which prepared from text (the rest came from the cache)
    std::vector<Figure> extra;
};

// Runs the named measure ("load", "run", "entries", "close", "floor", "compute") on the case file
// of `directory` (made by Generate) and returns its figures. Raises on an unknown name.
MeasureResult Measure(const std::string& directory, const std::string& name);

// The measure names in the order the runner takes them (the closing last: it changes the case file).
const std::vector<std::string>& MeasureNames();

// The year's figures of the latest version of every asset chain at the situation date, as the run
// measure computes them, summed into a checksum ("sum/count" of the non-null amounts).
std::string YearChecksum(CDossier& dossier);

// The process's peak resident memory so far, in KiB (VmHWM).
long PeakKiB();

}  // namespace vkperf
