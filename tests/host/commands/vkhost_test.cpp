// The reference host run as a separate program, as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <fmt/format.h>

#include "tests/support/temp_dir.h"

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error
};

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Outcome Execute(const std::string& command) {
    Outcome run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    size_t read;
    while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), read);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class Host : public testing::Test {
protected:
    void SetUp() override {
        const char* host = std::getenv("VK_HOST");
        if (!host || !*host) GTEST_SKIP() << "VK_HOST is not set (CTest sets it to the built vkhost)";
        host_ = host;
        // A process that is not root needs its own Firebird lock directory (isql-fb too).
        if (!std::getenv("FIREBIRD_LOCK") && geteuid() != 0) {
            std::string lock = fmt::format("/tmp/firebird-lock-{}", geteuid());
            std::filesystem::create_directories(lock);
            setenv("FIREBIRD_LOCK", lock.c_str(), 0);
        }
    }
    Outcome RunHost(const std::string& arguments) {
        return Execute(fmt::format("{} {} --env {}", ShellQuote(host_), arguments, ShellQuote(dir_ / "env")));
    }

    std::string host_;
    vktest::TempDir dir_{"vkhost"};
    std::string caseFile_ = dir_ / "dossier";
};

TEST_F(Host, InitCreatesACaseFileThatFirebirdToolsRead) {
    Outcome init =
        RunHost("init " + ShellQuote(caseFile_) + " --first-year 2022-01-01 --years 3 --tax-regime 2");
    ASSERT_EQ(init.status, 0) << init.output;
    EXPECT_NE(init.output.find("01/01/2024"), std::string::npos) << init.output;

    Outcome isql = Execute(
        fmt::format("echo 'SHOW TABLES;' | isql-fb -q -ch UTF8 {}", ShellQuote(caseFile_ + "/dossier.fdb")));
    ASSERT_EQ(isql.status, 0) << isql.output;
    for (const char* table : {"DOSSIER", "EXERCICES", "ZENKOVKI", "ZENKOVKQ"})
        EXPECT_NE(isql.output.find(table), std::string::npos) << table << " missing from:\n" << isql.output;
}

TEST_F(Host, ASecondInitOfTheSameDirectoryIsRefused) {
    ASSERT_EQ(RunHost("init " + ShellQuote(caseFile_)).status, 0);
    Outcome again = RunHost("init " + ShellQuote(caseFile_));
    EXPECT_EQ(again.status, 2) << again.output;
    EXPECT_NE(again.output.find("contient déjà un dossier"), std::string::npos) << again.output;
    EXPECT_TRUE(std::filesystem::exists(caseFile_ + "/dossier.fdb"));
}

TEST_F(Host, InvalidInputExitsWithStatusTwo) {
    struct Case {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--first-year 2024-02-30", "--first-year : date invalide « 2024-02-30 »"},
        {"--current-year 2030-01-01", "exercice courant"},
        {"--tax-regime 3", "tax-regime"},
        {"--years 0", "years"},
    };
    for (const Case& c : cases) {
        Outcome run = RunHost(fmt::format("init {} {}", ShellQuote(caseFile_), c.arguments));
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_FALSE(std::filesystem::exists(caseFile_ + "/dossier.fdb")) << c.arguments;
    }
    EXPECT_EQ(Execute(ShellQuote(host_) + " unknown-command").status, 2);
}

TEST_F(Host, DemoRuns) {
    Outcome demo = RunHost("demo");
    EXPECT_EQ(demo.status, 0) << demo.output;
    EXPECT_NE(demo.output.find("Exercices"), std::string::npos) << demo.output;
    Outcome kept = RunHost("demo --keep " + ShellQuote(caseFile_));
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_TRUE(std::filesystem::exists(caseFile_ + "/dossier.fdb"));
}

}  // namespace
