// With PERF_TRACE=1, the statements run on a database while the trace lives, counted by shape
// (literals lifted out) with the time until the next statement started, printed on the standard
// error when it ends, the costliest first: the first thing to look at when a measure or the
// generation grows faster than its assets.
#pragma once

#include <chrono>
#include <map>
#include <string>

class TIBDatabase;

namespace vkperf {

class StatementTrace {
public:
    explicit StatementTrace(TIBDatabase& database);
    ~StatementTrace();
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

private:
    struct Shape {
        uint64_t count = 0;
        double seconds = 0;
    };
    void Record(const std::string& sql);

    TIBDatabase& database_;
    bool active_ = false;
    std::map<std::string, Shape> shapes_;
    std::string last_;
    std::chrono::steady_clock::time_point lastStart_;
};

}  // namespace vkperf
