// Several programs on one case file at the same time, each a separate process (tests/worker).
//
// On a case file served by a Firebird server (VK_SERVER, ISC_USER and ISC_PASSWORD set, as
// scripts/server.sh does; skipped otherwise): two programs computing and one writing all succeed,
// and every reading is one committed state, never half of one; two programs changing the same
// asset end with one success and one clear refusal, within the lock time-out of 10 seconds.
// On an embedded case file: a second program is told that the case file is in use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include <fmt/format.h>

#include "tests/support/child_process.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vktest::ChildProcess;
using vktest::ReadFile;

std::string Program(const char* variable, const char* name) {
    if (const char* path = std::getenv(variable); path && *path) return path;
    return (fs::read_symlink("/proc/self/exe").parent_path() / name).string();
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool ServerAvailable() {
    return !Env("VK_SERVER").empty() && !Env("ISC_USER").empty() && !Env("ISC_PASSWORD").empty();
}

constexpr const char* kNoServer =
    "no Firebird server: VK_SERVER, ISC_USER and ISC_PASSWORD are not all set (scripts/server.sh starts "
    "a server on loopback and runs the suite against it)";

std::vector<int> Numbers(const std::vector<std::string>& lines) {
    std::vector<int> numbers;
    for (const std::string& line : lines) numbers.push_back(std::stoi(line));
    return numbers;
}

// A case file with asset CONC-01 (three components at 10000, 20000 and 30000) made by the worker,
// served by the server of VK_SERVER or embedded, and the environment every program shares.
class MultiUser : public testing::Test {
protected:
    void Setup(bool served) {
        served_ = served;
        ChildProcess setup(Program("VK_WORKER", "vkworker"), {"setup", Case()}, Variables());
        ASSERT_EQ(setup.Finish(120s), 0) << setup.Output();
        const std::string settings = ReadFile(fs::path(Case()) / "dossier.ini");
        if (served)
            ASSERT_NE(settings.find(Env("VK_SERVER") + ":" + Case()), std::string::npos) << settings;
        else
            ASSERT_EQ(settings.find("Base"), std::string::npos) << settings;
    }
    std::string Case() const { return root_ / "case"; }
    std::map<std::string, std::string> Variables() const {
        std::map<std::string, std::string> variables{{"VK_ENV", root_ / "env"}};
        if (!served_) variables["VK_SERVER"] = "";  // removed: the case file is embedded
        return variables;
    }
    std::unique_ptr<ChildProcess> Worker(const std::vector<std::string>& args) {
        return std::make_unique<ChildProcess>(Program("VK_WORKER", "vkworker"), args, Variables());
    }
    // A shift seen by a new reading once everything is committed.
    int ReadNow() {
        auto reader = Worker({"compute", Case(), "CONC-01", "0", "30"});
        EXPECT_EQ(reader->Finish(60s), 0) << reader->Output();
        auto seen = Numbers(reader->Lines("seen "));
        return seen.empty() ? -1 : seen.front();
    }

    vktest::TempDir root_{"vkmulti"};
    bool served_ = false;
};

TEST_F(MultiUser, ServedCaseFileTwoProgramsComputeWhileAThirdWrites) {
    if (!ServerAvailable()) GTEST_SKIP() << kNoServer;
    Setup(true);
    constexpr int kMiddle = 20;
    constexpr int kLast = 40;
    auto first = Worker({"compute", Case(), "CONC-01", std::to_string(kLast), "90"});
    auto second = Worker({"compute", Case(), "CONC-01", std::to_string(kLast), "90"});
    // The writer stops half way until both readers have seen that state: a middle state is then
    // seen whatever the speed of each program.
    auto writer = Worker({"write", Case(), "CONC-01", "1", std::to_string(kMiddle)});
    ASSERT_EQ(writer->Finish(120s), 0) << writer->Output();
    for (ChildProcess* reader : {first.get(), second.get()})
        ASSERT_TRUE(reader->WaitForLine(fmt::format("seen {}", kMiddle), 60s)) << reader->Output();
    auto rest = Worker({"write", Case(), "CONC-01", std::to_string(kMiddle + 1), std::to_string(kLast)});
    ASSERT_EQ(rest->Finish(120s), 0) << rest->Output();
    ASSERT_EQ(first->Finish(120s), 0) << first->Output();
    ASSERT_EQ(second->Finish(120s), 0) << second->Output();

    std::vector<int> committed = Numbers(writer->Lines("committed "));
    for (int shift : Numbers(rest->Lines("committed "))) committed.push_back(shift);
    ASSERT_EQ(committed.size(), size_t(kLast)) << writer->Output() << rest->Output();
    std::set<int> between;  // states seen while the writer was at work
    for (ChildProcess* reader : {first.get(), second.get()}) {
        // Each reading is a new transaction: it sees every commit made before it started, so the
        // shifts never go back, and the last one is the writer's last commit.
        std::vector<int> seen = Numbers(reader->Lines("seen "));
        ASSERT_FALSE(seen.empty()) << reader->Output();
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << reader->Output();
        EXPECT_EQ(seen.back(), kLast) << reader->Output();
        for (int shift : seen)
            if (shift > 0 && shift < kLast) between.insert(shift);
    }
    EXPECT_FALSE(between.empty()) << "the readers saw no state between the first and the last commit:\n"
                                  << first->Output() << second->Output();
    EXPECT_EQ(ReadNow(), kLast);
}

// Two programs changing the same asset: the late one waits for the holder's commit, then is refused
// (the row changed under it), or gives up at the lock time-out of 10 seconds if the holder keeps its
// transaction longer; the holder's change is kept whole, and the refused one, done again, goes through.
TEST_F(MultiUser, ServedCaseFileTwoWritersOnOneAssetOneSucceedsTheOtherIsRefused) {
    if (!ServerAvailable()) GTEST_SKIP() << kNoServer;
    Setup(true);
    const struct {
        int holdMs, held, refused;
        std::chrono::milliseconds least, most;
        const char* why;
    } cases[] = {
        {3000, 111, 222, 0s, 10s, "refused at the holder's commit, before the lock time-out"},
        {15000, 7, 8, 9s, 14s, "10 seconds of waiting, plus the program's start"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto holder = Worker({"update", Case(), "CONC-01", std::to_string(c.held), std::to_string(c.holdMs)});
        ASSERT_TRUE(holder->WaitForLine("updated", 60s)) << holder->Output();
        auto late = Worker({"update", Case(), "CONC-01", std::to_string(c.refused), "0"});
        EXPECT_EQ(late->Finish(30s), 1) << late->Output();
        EXPECT_NE(late->Output().find("Conflit d'accès"), std::string::npos) << late->Output();
        EXPECT_NE(late->Output().find("update conflicts with concurrent update"), std::string::npos)
            << late->Output();
        EXPECT_GE(late->Elapsed(), c.least) << late->Output();
        EXPECT_LT(late->Elapsed(), c.most) << late->Output();
        ASSERT_EQ(holder->Finish(30s), 0) << holder->Output();
        EXPECT_EQ(ReadNow(), c.held);
        auto again = Worker({"update", Case(), "CONC-01", std::to_string(c.refused), "0"});
        ASSERT_EQ(again->Finish(60s), 0) << again->Output();
        EXPECT_EQ(ReadNow(), c.refused);
    }
}

TEST_F(MultiUser, EmbeddedCaseFileASecondProgramIsToldItIsInUse) {
    Setup(false);
    auto holder = Worker({"update", Case(), "CONC-01", "5", "4000"});
    ASSERT_TRUE(holder->WaitForLine("updated", 60s)) << holder->Output();
    ChildProcess host(Program("VK_HOST", "vkhost"), {"schedule", Case(), "CONC-01", "--env", root_ / "env"},
                      Variables());
    // In use elsewhere is not the user's mistake: status 1, with the place that found it.
    EXPECT_EQ(host.Finish(60s), 1) << host.Output();
    EXPECT_NE(host.Output().find("est déjà utilisé par un autre programme"), std::string::npos)
        << host.Output();
    EXPECT_EQ(host.Output().rfind("[0x", 0), 0u) << host.Output();
    auto reader = Worker({"compute", Case(), "CONC-01", "0", "30"});
    EXPECT_EQ(reader->Finish(60s), 1) << reader->Output();
    EXPECT_NE(reader->Output().find("est déjà utilisé par un autre programme"), std::string::npos)
        << reader->Output();
    ASSERT_EQ(holder->Finish(30s), 0) << holder->Output();

    // Free again once the first program has ended.
    ChildProcess after(Program("VK_HOST", "vkhost"), {"schedule", Case(), "CONC-01", "--env", root_ / "env"},
                       Variables());
    EXPECT_EQ(after.Finish(60s), 0) << after.Output();
    EXPECT_EQ(ReadNow(), 5);
}

}  // namespace
