#include "bench/perf/statement_trace.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <vector>

#include <fmt/format.h>

#include "platform/db/ibx.h"
#include "platform/db/sqlparams.h"

namespace vkperf {

StatementTrace::StatementTrace(TIBDatabase& database) : database_(database) {
    const char* setting = std::getenv("PERF_TRACE");
    if (!setting || setting[0] != '1') return;
    active_ = true;
    database_.OnStatement = [this](const UnicodeString& sql) { Record(sql); };
}

// A statement's time runs until the next one starts: the engine's own work in between counts with it.
void StatementTrace::Record(const std::string& sql) {
    const auto now = std::chrono::steady_clock::now();
    if (!last_.empty()) shapes_[last_].seconds += std::chrono::duration<double>(now - lastStart_).count();
    const std::optional<sqlparams::Lifted> lifted = sqlparams::Lift(sql);
    last_ = lifted ? lifted->shape : sql;
    ++shapes_[last_].count;
    lastStart_ = now;
}

StatementTrace::~StatementTrace() {
    if (!active_) return;
    database_.OnStatement = nullptr;
    std::vector<std::pair<double, std::string>> sorted;
    for (const auto& [shape, figures] : shapes_)
        sorted.push_back({figures.seconds, fmt::format("{}\t{:.3f} s\t{}", figures.count, figures.seconds,
                                                       shape.substr(0, 300))});
    std::sort(sorted.rbegin(), sorted.rend());
    for (size_t i = 0; i < sorted.size() && i < 25; ++i) std::cerr << sorted[i].second << "\n";
}

}  // namespace vkperf
