#include "tests/support/child_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vktest {

namespace {

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable = *entry;
        if (!changes.count(variable.substr(0, variable.find('=')))) merged.push_back(variable);
    }
    for (const auto& [name, value] : changes)
        if (!value.empty()) merged.push_back(name + "=" + value);
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& environment)
    : start_(std::chrono::steady_clock::now()) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe: " + std::string(strerror(errno)));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = MergedEnvironment(environment);
    const int error =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, Pointers(argv).data(), Pointers(envp).data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    fd_ = pipeFds[0];
    if (error != 0) {
        close(fd_);
        throw std::runtime_error("cannot start " + program + ": " + strerror(error));
    }
}

ChildProcess::~ChildProcess() {
    if (!status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
}

bool ChildProcess::ReadSome(std::chrono::milliseconds limit) {
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(limit.count())) <= 0) return true;  // nothing yet
    char buffer[4096];
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) {
        elapsed_ =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
        return false;
    }
    output_.append(buffer, static_cast<size_t>(n));
    return true;
}

bool ChildProcess::WaitForLine(const std::string& prefix, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (size_t end; (end = output_.find('\n', scanned_)) != std::string::npos; scanned_ = end + 1)
            if (output_.compare(scanned_, prefix.size(), prefix) == 0) {
                scanned_ = end + 1;
                return true;
            }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(left)) return false;
    }
}

int ChildProcess::Finish(std::chrono::milliseconds limit) {
    if (status_) return *status_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool open = true;
    while (open) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid_, SIGKILL);
            output_ += "\n[killed after the time limit]\n";
            break;
        }
        open = ReadSome(left);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return *status_;
}

std::vector<std::string> ChildProcess::Lines(const std::string& prefix) const {
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = output_.find('\n', begin)) != std::string::npos; begin = end + 1)
        if (output_.compare(begin, prefix.size(), prefix) == 0)
            lines.push_back(output_.substr(begin + prefix.size(), end - begin - prefix.size()));
    return lines;
}

}  // namespace vktest
