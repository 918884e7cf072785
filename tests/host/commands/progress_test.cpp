// The progress line of long commands: what it shows, and that nothing of it reaches a pipe.
#include <gtest/gtest.h>

#include <string>

#include "host/commands/progress.h"
#include "tests/host/commands/kept_case.h"

namespace {

TEST(ProgressLine, ShowsStepCountPercentAndTimeLeft) {
    struct Case {
        const char *caption, *message;
        long long done, total;
        double elapsed;
        const char* expected;
    } cases[] = {
        // 120 of 2,000 in 2 s: 1,880 left at 60 a second, 31 s.
        {"Clôture", "Bien A1", 120, 2000, 2.0, "Clôture — Bien A1  120/2000    6 %  reste 0:31"},
        // No estimate before a second has passed, nor before the first item, nor at the end.
        {"Clôture", "", 120, 2000, 0.5, "Clôture  120/2000    6 %"},
        {"Calcul des écritures", "Dotations", 0, 40, 5.0, "Calcul des écritures — Dotations  0/40    0 %"},
        {"Import du registre", "", 40, 40, 9.0, "Import du registre  40/40  100 %"},
        // 1 of 3 in 100 s: 200 s left, shown in minutes.
        {"Rapport", "Calcul des biens", 1, 3, 100.0, "Rapport — Calcul des biens  1/3   33 %  reste 3:20"},
        // A bar without a range shows its step only.
        {"Comparaison", "", 0, 0, 3.0, "Comparaison"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vkhost::ProgressLine(c.caption, c.message, c.done, c.total, c.elapsed), c.expected)
            << c.caption << " " << c.done << "/" << c.total << " after " << c.elapsed << " s";
}

class ProgressPiped : public vktest::KeptCase {};

// The long commands run with standard error piped (as every test runs them): no bar, no carriage
// return, no terminal control in what they write there.
TEST_F(ProgressPiped, LongCommandsDrawNothingOnAPipe) {
    const std::string scenario = vktest::OneComponentScenario(
        R"({"account": "218400", "entry_date": "2026-02-01", "details": [{"price": 1200}],
            "plans": [{"kind": 1, "method": 1, "duration": 36}, {"kind": 2, "method": 1, "duration": 36}]})");
    ASSERT_FALSE(KeptReport(scenario).is_null());
    const char* const commands[] = {"entries {} 5 --create", "statement {} 2054", "compare {} 5",
                                    "close-year {} --yes"};
    for (const char* pattern : commands) {
        std::string command = pattern;
        command.replace(command.find("{}"), 2, Quoted(dossier()));
        const vktest::Outcome outcome = Host(command);
        EXPECT_EQ(outcome.status, 0) << command << "\n" << outcome.err;
        EXPECT_EQ(outcome.err.find_first_of("\r\x1b"), std::string::npos) << command << "\n" << outcome.err;
        EXPECT_EQ(outcome.err.find('#'), std::string::npos) << command << "\n" << outcome.err;
    }
    EXPECT_EQ(last.err.find_first_of("\r\x1b"), std::string::npos) << "run\n" << last.err;
}

}  // namespace
