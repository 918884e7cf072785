// A program run as a separate process by a test, its standard output and error read as they come,
// with time limits on every wait: a child still running past its limit is killed and reported.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vktest {

class ChildProcess {
public:
    // Starts `program` with `args`; `environment` sets variables (an empty value removes one) over
    // this process's own.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads until a line starting with `prefix` has come; false at the end of the output or after
    // `limit`.
    bool WaitForLine(const std::string& prefix, std::chrono::milliseconds limit);
    // Reads the rest of the output and waits for the end; the exit status, or -1 when the child
    // had to be killed after `limit` (or died of a signal).
    int Finish(std::chrono::milliseconds limit);

    const std::string& Output() const { return output_; }
    // The output's lines that start with `prefix`, without it.
    std::vector<std::string> Lines(const std::string& prefix) const;
    // The time from the start to the end of the output.
    std::chrono::milliseconds Elapsed() const { return elapsed_; }

private:
    // Reads what is available within `limit`; false at the end of the output.
    bool ReadSome(std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int fd_ = -1;
    std::string output_;
    size_t scanned_ = 0;  // output already searched by WaitForLine
    std::chrono::steady_clock::time_point start_;
    std::chrono::milliseconds elapsed_{0};
    std::optional<int> status_;
};

}  // namespace vktest
