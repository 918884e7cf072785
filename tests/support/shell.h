// Running a command line from the host tests: its exit status and what it wrote.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vktest {

struct Outcome {
    int status = -1;
    std::string out, err;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Runs `command` through the shell, standard input from `input`, its outputs kept in files of `work`.
inline Outcome Shell(const std::string& command, const std::filesystem::path& work,
                     const std::string& input = "") {
    const std::filesystem::path in = work / "stdin.txt", out = work / "stdout.txt", err = work / "stderr.txt";
    WriteFile(in, input);
    const std::string line =
        command + " < '" + in.string() + "' > '" + out.string() + "' 2> '" + err.string() + "'";
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
}

}  // namespace vktest
