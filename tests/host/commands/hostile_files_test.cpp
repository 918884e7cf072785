// The files and directories around the host, as a hostile or careless user leaves them: links and
// devices where an export or a report goes, an open umask, a case directory that is a file or that
// another run claims at the same time, settings that point at another company's database, damaged
// databases. The host must never write through a link, never leave a file readable by others,
// never leave anything of a failed run, never remove what it did not create, and tell a user's
// mistake (status 2) from a case file out of reach (status 1, with a location code).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

using vktest::Outcome;
using vktest::ReadFile;
using vktest::WriteFile;

// A press bought on 1 July 2025 (linear over 60 months); its year's charges are entries of kind 4.
const char* const kPress = R"({
 "case": {"fiscal_years": [{"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01"},
 "assets": [{"ref": "M1", "designation": "Presse", "components": [{"account": "215400",
    "entry_date": "2025-07-01", "details": [{"price": 10000}],
    "plans": [{"kind": 1, "method": 1, "start": "2025-07-01", "duration": 60}]}]}]@ACTIONS@
})";

std::string Press(const std::string& actions = "") {
    std::string text = kPress;
    return text.replace(text.find("@ACTIONS@"), 9, actions.empty() ? "" : ",\n \"actions\": " + actions);
}

// The names in a directory, to show that nothing (no temporary file) was left beside a target.
std::vector<std::string> Names(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    return fmt::format("{}", fmt::join(names, " "));
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

class HostileFiles : public vktest::HostTest {
protected:
    // A case file with the press, in `directory` (default: dossier()).
    void MakeCase(const fs::path& directory) {
        const Outcome run = RunScenario(Press(), "--case " + Quoted(directory));
        ASSERT_EQ(run.status, 0) << run.err;
    }
    fs::path Target(const std::string& name) {
        fs::create_directories(work.Path() / "out");
        return work.Path() / "out" / name;
    }
};

// A target that exists and is not a regular file is refused and left as it was; nothing is
// written through it and no temporary file stays beside it.
TEST_F(HostileFiles, AnExportNeverWritesThroughALinkOrOverADevice) {
    MakeCase(dossier());
    const fs::path victim = work.Path() / "victim.txt";
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
    };
    const std::vector<Case> cases = {
        {"link to a file", [&](const fs::path& p) { fs::create_symlink(victim, p); }},
        {"dangling link", [&](const fs::path& p) { fs::create_symlink(work.Path() / "nowhere", p); }},
        {"named pipe", [&](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"directory", [&](const fs::path& p) { fs::create_directory(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(victim, "the user's own file\n");
        fs::remove_all(work.Path() / "out");
        const fs::path target = Target("entries.fec");
        c.plant(target);
        const fs::file_type before = fs::symlink_status(target).type();
        const Outcome exported = Host("entries " + Quoted(dossier()) + " 4 --export " + Quoted(target));
        EXPECT_EQ(exported.status, 1) << exported.err;
        EXPECT_NE(exported.err.find("n'est pas un fichier ordinaire"), std::string::npos) << exported.err;
        EXPECT_EQ(ReadFile(victim), "the user's own file\n");
        EXPECT_EQ(fs::symlink_status(target).type(), before);
        EXPECT_EQ(Joined(Names(work.Path() / "out")), "entries.fec");
        EXPECT_FALSE(fs::exists(work.Path() / "nowhere"));
    }
}

// The old way wrote through "FILE.tmp": a link planted there must change nothing, and the export
// itself is a new regular file of its owner only, under an open umask as over a 0644 file.
TEST_F(HostileFiles, ExportsAndReportsAreTheOwnersOnlyAndIgnoreAPlantedTemporaryName) {
    MakeCase(dossier());
    const fs::path victim = work.Path() / "victim.txt";
    WriteFile(victim, "keep me\n");
    const fs::path target = Target("entries.fec");
    fs::create_symlink(victim, target.string() + ".tmp");
    const std::string umask = "umask 000 && exec " + Quoted(host_) + " ";
    Outcome exported = Shell(umask + "entries " + Quoted(dossier()) + " 4 --export " + Quoted(target) +
                             " --env " + Quoted(env()));
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(ReadFile(victim), "keep me\n");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
    EXPECT_NE(ReadFile(target).find("JournalCode"), std::string::npos);
    EXPECT_EQ(Mode(target), 0600u) << fmt::format("{:o}", Mode(target));

    fs::permissions(target, fs::perms(0644));
    exported = Shell(umask + "entries " + Quoted(dossier()) + " 4 --export " + Quoted(target) + " --env " +
                     Quoted(env()));
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(Mode(target), 0600u) << fmt::format("over a 0644 file: {:o}", Mode(target));

    const fs::path report = Target("report.json");
    WriteFile(work.Path() / "scenario.json", Press());
    const Outcome run = Shell(umask + "run " + Quoted(work.Path() / "scenario.json") + " --out " +
                              Quoted(report) + " --env " + Quoted(env()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Mode(report), 0600u) << fmt::format("report: {:o}", Mode(report));
    EXPECT_EQ(Joined(Names(work.Path() / "out")), "entries.fec entries.fec.tmp report.json");
}

// A run that fails after an export leaves neither the export nor the report; a file that was there
// before keeps its content.
TEST_F(HostileFiles, AFailedRunLeavesNoExportBehind) {
    const fs::path earlier = Target("earlier.fec");
    WriteFile(earlier, "last month's export\n");
    fs::create_directory(work.Path() / "out" / "a-directory");
    const std::string actions = fmt::format(
        R"([{{"do": "export_entries", "kind": 4, "file": "{}"}},
            {{"do": "export_entries", "kind": 4, "file": "{}"}},
            {{"do": "export_entries", "kind": 4, "file": "{}"}}])",
        Target("new.fec").string(), earlier.string(), (work.Path() / "out" / "a-directory").string());
    const Outcome run = RunScenario(
        Press(actions), "--case " + Quoted(dossier()) + " --out " + Quoted(Target("report.json")));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err.rfind("[0x", 0), 0u) << "shown with its location code\n" << run.err;
    EXPECT_EQ(Joined(Names(work.Path() / "out")), "a-directory earlier.fec");
    EXPECT_EQ(ReadFile(earlier), "last month's export\n");
    EXPECT_FALSE(fs::exists(dossier()));

    // The same run without the bad target publishes both exports.
    const std::string good =
        fmt::format(R"([{{"do": "export_entries", "kind": 4, "file": "{}"}}])", Target("new.fec").string());
    ASSERT_EQ(RunScenario(Press(good), "").status, 0);
    EXPECT_NE(ReadFile(Target("new.fec")).find("JournalCode"), std::string::npos);
}

// --case naming something that is not a usable directory: refused with status 2, and whatever the
// user had there stays; a path that climbs out of a missing directory leaves no directory behind.
TEST_F(HostileFiles, AFailedRunRemovesOnlyWhatItCreated) {
    const fs::path file = work.Path() / "empty.txt", link = work.Path() / "link";
    WriteFile(file, "");
    fs::create_symlink(file, link);
    struct Case {
        std::string option;
        const char* named;
    };
    const std::vector<Case> cases = {
        {"--case " + Quoted(file), "--case"},
        {"--case " + Quoted(link), "--case"},
        {"--case " + Quoted(work.Path() / "nothere/../c"), "--case"},
        {"--env " + Quoted(work.Path() / "x/../e") + " --case " + Quoted(work.Path() / "d"), "--env"},
    };
    WriteFile(work.Path() / "s.json", Press());
    Shell("true");  // the runner's own files are in the work directory from now on
    const std::vector<std::string> before = Names(work.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const Outcome run = Shell(Quoted(host_) + " run " + Quoted(work.Path() / "s.json") + " " + c.option);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.err.rfind(c.named, 0), 0u) << run.err;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(Joined(Names(work.Path())), Joined(before));
}

// A run whose engine work fails removes the case directory it created with its missing parents,
// and only the case file's own files from a directory that existed.
TEST_F(HostileFiles, AFailedRunInAnExistingDirectoryKeepsTheDirectory) {
    const std::string failing =
        R"([{"do": "export_entries", "kind": 4, "file": ")" + (work.Path()).string() + R"("}])";
    const fs::path created = work.Path() / "new" / "deeper" / "case";
    EXPECT_EQ(RunScenario(Press(failing), "--case " + Quoted(created)).status, 1);
    EXPECT_FALSE(fs::exists(work.Path() / "new"));

    const fs::path existing = work.Path() / "existing";
    fs::create_directory(existing);
    EXPECT_EQ(RunScenario(Press(failing), "--case " + Quoted(existing)).status, 1);
    EXPECT_TRUE(fs::is_directory(existing));
    EXPECT_TRUE(fs::is_empty(existing));
}

// Runs started together on one --case directory: one builds the case file, the others are refused
// and remove nothing; the winner's case file is whole.
TEST_F(HostileFiles, ConcurrentRunsOnOneCaseDirectoryNeverSpoilTheWinner) {
    WriteFile(work.Path() / "scenario.json", Press());
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(fmt::format("round {}", round));
        const fs::path target = work.Path() / fmt::format("race{}", round);
        std::string script;
        for (int i = 0; i < 3; ++i)
            script += fmt::format("({} run {} --case {} --env {} >/dev/null 2>{}; echo $? >{}) & ",
                                  Quoted(host_), Quoted(work.Path() / "scenario.json"), Quoted(target),
                                  Quoted(work.Path() / fmt::format("env{}", i)),
                                  Quoted(work.Path() / fmt::format("err{}", i)),
                                  Quoted(work.Path() / fmt::format("status{}", i)));
        ASSERT_EQ(Shell(script + "wait").status, 0);
        int winners = 0;
        for (int i = 0; i < 3; ++i) {
            const std::string status = ReadFile(work.Path() / fmt::format("status{}", i));
            const std::string err = ReadFile(work.Path() / fmt::format("err{}", i));
            if (status == "0\n") {
                ++winners;
                continue;
            }
            // Held by another run (status 1) or already filled by it (status 2).
            EXPECT_TRUE(status == "1\n" || status == "2\n") << status << err;
            EXPECT_TRUE(err.find("déjà pris") != std::string::npos ||
                        err.find("n'est pas vide") != std::string::npos ||
                        err.find("contient déjà un dossier") != std::string::npos)
                << err;
        }
        EXPECT_EQ(winners, 1);
        const Outcome schedule = Host("schedule " + Quoted(target) + " M1");
        EXPECT_EQ(schedule.status, 0) << schedule.err;
        EXPECT_NE(schedule.out.find("Presse"), std::string::npos);
    }
}

// Settings that name a local database anywhere but the case file's own are refused with status 2
// naming the key, and the other company's books stay as they were; a command that writes says
// which database it opened, first.
TEST_F(HostileFiles, SettingsNeverLeadToAnotherCompanysDatabase) {
    if (std::getenv("VK_SERVER")) GTEST_SKIP() << "the case files' settings name the server's database";
    const fs::path other = work.Path() / "other", mine = dossier();
    MakeCase(other);
    MakeCase(mine);
    const std::string otherBefore = Dump(other);
    const std::string ownSettings = ReadFile(mine / "dossier.ini");
    const std::vector<std::string> redirections = {
        (other / "dossier.fdb").string(),
        "../other/dossier.fdb",
        "other/dossier.fdb",
        mine.string() + "/../other/dossier.fdb",
    };
    const std::vector<std::string> commands = {
        "validate " + Quoted(mine) + " M1", "close-year " + Quoted(mine),
        "entries " + Quoted(mine) + " 4 --create", "schedule " + Quoted(mine) + " M1"};
    for (const std::string& base : redirections) {
        WriteFile(mine / "dossier.ini", ownSettings + "\n[Dossier]\nBase=" + base + "\n");
        for (const std::string& command : commands) {
            SCOPED_TRACE(base + " / " + command);
            const Outcome outcome = Host(command);
            EXPECT_EQ(outcome.status, 2) << outcome.err;
            EXPECT_NE(FirstLine(outcome.err).find("[Dossier] Base"), std::string::npos) << outcome.err;
        }
    }
    EXPECT_EQ(Dump(other), otherBefore);

    // The case file's own database, named or not, is opened and named first on standard error.
    for (const std::string& base : {std::string(""), std::string("Base=dossier.fdb\n"),
                                    std::string("Base=") + (mine / "dossier.fdb").string() + "\n"}) {
        SCOPED_TRACE(base);
        WriteFile(mine / "dossier.ini", ownSettings + (base.empty() ? "" : "\n[Dossier]\n" + base));
        const Outcome validate = Host("validate " + Quoted(mine) + " M1");
        EXPECT_EQ(validate.status, 0) << validate.err;
        EXPECT_EQ(FirstLine(validate.err), "Base ouverte : " + (fs::absolute(mine) / "dossier.fdb").string());
    }
}

// Damaged databases: every command stops with status 1, a French message and its location code,
// before the embedded engine reads the file; nothing is shown as a success.
TEST_F(HostileFiles, ADamagedDatabaseIsStatusOneWithALocationCode) {
    if (std::getenv("VK_SERVER")) GTEST_SKIP() << "a served database is read by the server, not checked here";
    MakeCase(dossier());
    const fs::path base = dossier() / "dossier.fdb";
    const std::string good = ReadFile(base);
    ASSERT_GT(good.size(), 16384u);
    struct Damage {
        const char* what;
        std::function<std::string(std::string)> apply;
    };
    const std::vector<Damage> damages = {
        {"emptied", [](std::string) { return std::string(); }},
        {"cut in the middle of a page", [](std::string d) { return d.substr(0, d.size() / 2 + 100); }},
        {"header page zeroed", [](std::string d) { return std::string(8192, '\0') + d.substr(8192); }},
        {"page size changed", [](std::string d) { return d.replace(16, 2, "\x01\x01"); }},
        {"other structure version", [](std::string d) { return d.replace(18, 2, "\x0B\x80"); }},
        {"random bytes over a page",
         [](std::string d) {
             for (size_t i = 0; i < 8192; ++i) d[5 * 8192 + i] = char((i * 131 + 77) % 256 | 0x80);
             return d;
         }},
        {"text file", [](std::string) { return std::string(20000, 'x'); }},
    };
    const std::vector<std::string> commands = {
        "schedule " + Quoted(dossier()) + " M1", "exits " + Quoted(dossier()),
        "validate " + Quoted(dossier()) + " M1", "entries " + Quoted(dossier()) + " 4 --create"};
    for (const Damage& damage : damages) {
        WriteFile(base, damage.apply(good));
        for (const std::string& command : commands) {
            SCOPED_TRACE(std::string(damage.what) + " / " + command);
            const Outcome outcome = Host(command);
            EXPECT_EQ(outcome.status, 1) << outcome.err;
            EXPECT_EQ(outcome.err.rfind("[0x", 0), 0u) << outcome.err;
            EXPECT_NE(outcome.err.find("endommagée"), std::string::npos) << outcome.err;
            EXPECT_EQ(outcome.out, "");
        }
    }
    WriteFile(base, good);
    EXPECT_EQ(Host("schedule " + Quoted(dossier()) + " M1").status, 0);
}

// A scenario file has a bound (64 MiB): a larger file, or one without end, is refused before it is
// read whole; so is a list longer than 100,000 items.
TEST_F(HostileFiles, OversizedScenariosAreRefusedEarly) {
    const fs::path sparse = work.Path() / "sparse.json";
    WriteFile(sparse, "");
    fs::resize_file(sparse, (64u << 20) + 1);
    std::string items = "0";
    for (int i = 0; i < 100000; ++i) items += ",0";
    WriteFile(work.Path() / "long.json",
              Press().substr(0, Press().rfind('}')) + ", \"report\": {\"entries\": [" + items + "]}}");
    struct Case {
        std::string file, message;
    };
    const std::vector<Case> cases = {
        {"/dev/zero", "/dev/zero: plus de 64 Mio"},
        {sparse.string(), sparse.string() + ": plus de 64 Mio"},
        {(work.Path() / "long.json").string(), "report.entries: doit contenir au plus 100000 éléments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto start = std::chrono::steady_clock::now();
        const Outcome run = Host("run " + Quoted(c.file));
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
                .count();
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(FirstLine(run.err), c.message);
        EXPECT_LT(seconds, 20);
    }
}

// A designation holding terminal controls (an escape sequence, a bell) is stored as given and
// printed escaped: nothing read from the case file drives the terminal. (C1 controls are not in the
// case file's character set: the reader refuses them.)
TEST_F(HostileFiles, ControlCharactersOfStoredTextArePrintedEscaped) {
    std::string scenario = Press();
    scenario.replace(scenario.find("\"Presse\""), 8, R"("Presse\u001b[2J\u0007fin")");
    ASSERT_EQ(RunScenario(scenario, "--case " + Quoted(dossier())).status, 0);
    const std::string stored = Isql(dossier(), "SET LIST ON;\nSELECT DESIGNATION FROM ZENKOVKB;\n");
    EXPECT_NE(stored.find("Presse\x1b[2J\x07"
                          "fin"),
              std::string::npos)
        << stored;
    const Outcome schedule = Host("schedule " + Quoted(dossier()) + " M1");
    ASSERT_EQ(schedule.status, 0) << schedule.err;
    EXPECT_NE(schedule.out.find("Presse\\u001B[2J\\u0007fin"), std::string::npos) << schedule.out;
    for (char c : schedule.out) EXPECT_FALSE(c == '\x1b' || c == '\x07') << schedule.out;
}

}  // namespace
