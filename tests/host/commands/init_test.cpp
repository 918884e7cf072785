// vkhost init and demo, from outside: the case file they make, read back with Firebird's isql tool,
// and the refusals of a bad request.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/host_test.h"

namespace {

namespace fs = std::filesystem;
using vktest::Outcome;

class InitCommand : public vktest::HostTest {};

TEST_F(InitCommand, CreatesACaseFileWithTheEngineTablesThatIsqlReads) {
    const Outcome init =
        Host("init " + Quoted(dossier()) + " --first-year 2022-01-01 --years 3 --tax-regime 2");
    ASSERT_EQ(init.status, 0) << init.err;
    EXPECT_NE(init.out.find("01/01/2024"), std::string::npos) << init.out;
    for (const char* table : {"ZENKOVKB", "ZENKOVKC", "ZENKOVKE", "ZENKOVKL", "ZENKOVKS", "ZENKOVKV"})
        EXPECT_NE(init.out.find(table), std::string::npos) << table << " in\n" << init.out;
    const std::string shown = Isql(dossier(), "SHOW TABLES;\nSHOW TABLE ZENKOVKS;\n");
    for (const char* expected :
         {"DOSSIER", "EXERCICES", "ZENKOVKI", "ZENKOVKQ", "MOTIFSORTIE                     VARCHAR(25)",
          "TAUXCHANGE                      DECIMAL(18, 15)"})
        EXPECT_NE(shown.find(expected), std::string::npos) << expected << " in\n" << shown;
}

// A bad request: status 2, the option named, no case file; a second init of a directory is refused
// and keeps the first case file.
TEST_F(InitCommand, RefusesBadOptionsAndASecondInit) {
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--first-year 2024-02-30", "--first-year : date invalide « 2024-02-30 »"},
        {"--current-year 2030-01-01", "exercice courant"},
        {"--tax-regime 3", "tax-regime"},
        {"--years 0", "years"},
    };
    for (const auto& c : cases) {
        const Outcome run = Host("init " + Quoted(dossier()) + " " + c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_FALSE(fs::exists(dossier() / "dossier.fdb")) << c.arguments;
    }
    EXPECT_EQ(Shell(Quoted(host_) + " unknown-command").status, 2);
    ASSERT_EQ(Host("init " + Quoted(dossier())).status, 0);
    const Outcome again = Host("init " + Quoted(dossier()));
    EXPECT_EQ(again.status, 2) << again.err;
    EXPECT_NE(again.err.find("contient déjà un dossier"), std::string::npos) << again.err;
    EXPECT_TRUE(fs::exists(dossier() / "dossier.fdb"));
}

TEST_F(InitCommand, DemoRunsAndKeepsItsCaseFileWhenAsked) {
    const Outcome demo = Host("demo");
    EXPECT_EQ(demo.status, 0) << demo.err;
    EXPECT_NE(demo.out.find("Exercices"), std::string::npos) << demo.out;
    EXPECT_EQ(Host("demo --keep " + Quoted(dossier())).status, 0);
    EXPECT_TRUE(fs::exists(dossier() / "dossier.fdb"));
}

}  // namespace
