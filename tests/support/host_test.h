// A test of the vkhost binary from outside: a work directory of its own, the binary CTest names in
// VK_HOST (the test is skipped without it), and the shell, host and isql-fb runners the command-line
// tests share.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "host/commands/tempdir.h"
#include "tests/support/shell.h"

namespace vktest {

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* host = std::getenv("VK_HOST");
        if (!host || !*host) GTEST_SKIP() << "VK_HOST (the vkhost binary) is set by CTest";
        host_ = host;
    }

    // A path quoted for the shell (the work directory's paths hold no quote).
    static std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

    // The permission bits of `path` itself (a link's own), 0xFFFF when it does not exist.
    static unsigned Mode(const std::filesystem::path& path) {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
    }

    std::filesystem::path dossier() const { return work.Path() / "dossier"; }
    std::filesystem::path env() const { return work.Path() / "env"; }

    Outcome Shell(const std::string& command, const std::string& input = "") {
        return vktest::Shell(command, work.Path(), input);
    }
    // vkhost ARGUMENTS, on the work directory's environment.
    Outcome Host(const std::string& arguments) {
        return Shell(Quoted(host_) + " " + arguments + " --env " + Quoted(env()));
    }
    // vkhost run on `scenario`, written into the work directory first.
    Outcome RunScenario(const std::string& scenario, const std::string& options = "") {
        const std::filesystem::path file = work.Path() / "scenario.json";
        WriteFile(file, scenario);
        return Host("run " + Quoted(file) + " " + options);
    }
    // The database the host opens for the case file `dossier`: the served name its settings give
    // (Base=host/port:path), or its own dossier.fdb.
    static std::string DatabaseOf(const std::filesystem::path& dossier) {
        std::istringstream settings(ReadFile(dossier / "dossier.ini"));
        for (std::string line; std::getline(settings, line);)
            if (line.rfind("Base", 0) == 0 && line.find('=') != std::string::npos) {
                std::string name = line.substr(line.find('=') + 1);
                name.erase(0, name.find_first_not_of(' '));
                return name;
            }
        return (dossier / "dossier.fdb").string();
    }
    // A copy of the case file `from` in `to`, whose settings name the copy's own database when they
    // name a served one: a copied case file never opens the original's database.
    static void CopyCase(const std::filesystem::path& from, const std::filesystem::path& to) {
        std::filesystem::copy(from, to);
        const std::string settings = ReadFile(to / "dossier.ini");
        const std::string original = DatabaseOf(from);
        if (original == (from / "dossier.fdb").string()) return;  // embedded
        const size_t served = original.find(':' + (from / "dossier.fdb").string());
        if (served == std::string::npos) {
            ADD_FAILURE() << "the settings of " << from << " name another database: " << original;
            return;
        }
        const std::string copy = original.substr(0, served + 1) + (to / "dossier.fdb").string();
        std::string rewritten = settings;
        rewritten.replace(rewritten.find(original), original.size(), copy);
        WriteFile(to / "dossier.ini", rewritten);
    }
    // isql-fb on the database of the case file `dossier` (through the server when it is served);
    // the script is expected to run silently.
    std::string Isql(const std::filesystem::path& dossier, const std::string& script) {
        const Outcome outcome = Shell("isql-fb -q -ch UTF8 " + Quoted(DatabaseOf(dossier)), script);
        EXPECT_EQ(outcome.status, 0) << script << "\n" << outcome.err;
        EXPECT_EQ(outcome.err, "") << script;
        return outcome.out;
    }
    // Every row of every table of the case file, the rows in the order of the whole row, and its
    // settings file: what a command may change.
    std::string Dump(const std::filesystem::path& dossier) {
        const std::string tables = Isql(
            dossier,
            "SET HEADING OFF;\nSELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG=0 "
            "AND RDB$VIEW_BLR IS NULL ORDER BY 1;\n");
        std::string script = "SET LIST ON;\n";
        std::istringstream names(tables);
        for (std::string name; names >> name;)
            script += "SELECT '" + name + "' AS TABLE_NAME, COUNT(*) AS ROWS_IN_TABLE FROM " + name +
                      ";\nSELECT '" + name + "' AS TABLE_NAME, T.* FROM " + name + " T ORDER BY 2;\n";
        return Isql(dossier, script) + "\n[dossier.ini]\n" + ReadFile(dossier / "dossier.ini");
    }

    std::string host_;
    vkhost::TemporaryDirectory work{"vkhosttest"};
};

}  // namespace vktest
