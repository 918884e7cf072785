// vkhost fec and fec-import from outside: the demonstration case file's FEC checked rule by rule,
// a small company's FEC written by hand (its accountant's depreciation holding one deliberate error)
// imported and compared with the register, and the refusals of the SIREN and of a faulty file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "platform/datetime.h"
#include "tests/support/fec_conformity.h"
#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

using vktest::Outcome;
using vktest::ReadFile;

const fs::path kData = fs::path(VK_SOURCE_DIR) / "tests" / "data" / "fec";

class FecCommands : public vktest::HostTest {
protected:
    std::string Case() const { return Quoted(dossier()); }
};

std::string Today() {
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    return fmt::format("{:04}{:02}{:02}", year, month, day);
}

}  // namespace

// The demonstration case file (three calendar years, the current one last) with all its entries
// recorded today: its FEC in each form the command offers.
TEST_F(FecCommands, DemoCaseFileFecConformsInEveryForm) {
    ASSERT_EQ(Host("demo --keep " + Case()).status, 0);
    ASSERT_EQ(Host("entries " + Case() + " 5 --create").status, 0);
    const std::string year = Today().substr(0, 4);
    const struct {
        const char* options;
        bool iso;
        char separator;
    } forms[] = {{"", true, '\t'}, {"--separator pipe", true, '|'}, {"--charset utf-8", false, '\t'}};
    for (const auto& form : forms) {
        const fs::path out =
            work.Path() / ("out" + std::to_string(form.separator) + (form.iso ? "iso" : "utf8"));
        fs::create_directories(out);
        // Twice: the second export replaces the file with the same content.
        std::string first;
        for (int run = 0; run < 2; ++run) {
            const Outcome fec = Host("fec " + Case() + " --out " + Quoted(out) + " " + form.options);
            ASSERT_EQ(fec.status, 0) << form.options << "\n" << fec.err;
            const fs::path file = out / ("123456782FEC" + year + "1231.txt");
            EXPECT_NE(fec.out.find(file.string()), std::string::npos) << fec.out;
            vktest::FecExpectation expected{"123456782", year + "0101", year + "1231",
                                            Today(),     form.iso,      form.separator};
            const vktest::FecContent content = vktest::CheckFec(file.string(), expected);
            for (const std::string& fault : content.faults) ADD_FAILURE() << form.options << ": " << fault;
            EXPECT_GT(content.entries, 1) << form.options;
            if (run == 0) first = ReadFile(file);
            if (run == 1) {
                EXPECT_EQ(ReadFile(file), first) << form.options << ": numbers are stable";
            }
        }
    }
}

// Menuiserie Petit: a press bought 1 July 2025 (10,000, 60 months: 1,000 in 2025, 2,000 in 2026) and
// a licence bought 1 January 2026 (12,000, 36 months: 4,000 in 2026). Its accountant's FEC of 2026
// holds the opening balances, the licence's purchase and payment, and the year's depreciation, the
// press's posted at 2,100 instead of 2,000. The opening agrees with the register; the year shows
// that error alone, on the depreciation account and on the charge.
TEST_F(FecCommands, SmallCompanysFecComparedShowsExactlyTheAccountantsError) {
    const Outcome run = Host("run " + Quoted(kData / "small_company.json") + " --case " + Case());
    ASSERT_EQ(run.status, 0) << run.err;
    const Outcome imported = Host("fec-import " + Case() + " " + Quoted(kData / "small_company.txt"));
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out,
              "Grand livre de l'exercice du 01/01/2026 au 31/12/2026 importé : 11 lignes, 4 écritures.\n");
    for (const char* type : {"0", "5"}) {
        const Outcome compare = Host(std::string("compare ") + Case() + " " + type);
        ASSERT_EQ(compare.status, 0) << compare.err;
        EXPECT_EQ(compare.out, ReadFile(kData / (std::string("small_company.compare") + type + ".txt")))
            << "compare " << type;
    }
    // Imported again, the year is replaced, not added to.
    const Outcome again = Host("fec-import " + Case() + " " + Quoted(kData / "small_company.txt"));
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("remplace l'import précédent, 11 lignes"), std::string::npos) << again.out;
    EXPECT_EQ(Host("compare " + Case() + " 5").out, ReadFile(kData / "small_company.compare5.txt"));

    // A faulty file (the press's depreciation credited 2,000 on line 12: entry 4, from line 9, no
    // longer balances) is refused whole: status 2, its line named, the imported ledger as it was.
    std::string faulty = ReadFile(kData / "small_company.txt");
    faulty.replace(faulty.rfind("2100,00"), 7, "2000,00");
    vktest::WriteFile(work.Path() / "faulty.txt", faulty);
    const Outcome refused = Host("fec-import " + Case() + " " + Quoted(work.Path() / "faulty.txt"));
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(
        refused.err.find("ligne 9 : écriture 4 du journal OD déséquilibrée : débit 6100,00, crédit 6000,00"),
        std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("rien n'est enregistré"), std::string::npos) << refused.err;
    EXPECT_EQ(Host("compare " + Case() + " 5").out, ReadFile(kData / "small_company.compare5.txt"));
}

TEST_F(FecCommands, TheSirenIsCheckedWhereverItIsGiven) {
    const std::string years =
        R"("fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"}], "current_year": "2024-01-01")";
    const struct {
        std::string how;
        std::string siren;
        int status;
        const char* message;  // on stderr when refused
    } cases[] = {
        {"init", "732829320", 0, ""},
        {"init", "732829321", 2, "--siren: \"732829321\" n'est pas un SIREN"},  // Luhn check broken
        {"init", "73282932", 2, "--siren: \"73282932\" n'est pas un SIREN"},    // 8 digits
        {"scenario", "552100554", 0, ""},
        {"scenario", "55210055A", 2, "case.siren: \"55210055A\" n'est pas un SIREN"},
        {"scenario", "5521005540", 2, "case.siren: \"5521005540\" n'est pas un SIREN"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path directory = work.Path() / ("case" + std::to_string(n++));
        const Outcome outcome =
            c.how == "init"
                ? Host("init " + Quoted(directory) + " --siren " + c.siren + " --name 'Menuiserie Petit'")
                : RunScenario(R"({"case": {)" + years + R"(, "siren": ")" + c.siren + R"("}, "assets": []})",
                              "--case " + Quoted(directory));
        EXPECT_EQ(outcome.status, c.status) << c.how << " " << c.siren << "\n" << outcome.err;
        if (c.status != 0) {
            EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
            EXPECT_FALSE(fs::exists(directory / "dossier.fdb")) << "no case file made";
            continue;
        }
        // The SIREN names the file.
        const Outcome fec = Host("fec " + Quoted(directory) + " --out " + Quoted(work.Path()));
        EXPECT_EQ(fec.status, 0) << fec.err;
        const std::string closing =
            c.how == "init" ? fmt::format("{}1231", Today().substr(0, 4)) : "20241231";
        EXPECT_TRUE(fs::exists(work.Path() / (c.siren + "FEC" + closing + ".txt"))) << fec.out;
    }
    // The legal name is given once, by either of its two names.
    const Outcome twice =
        RunScenario(R"({"case": {)" + years + R"(, "company": "A", "legal_name": "B"}, "assets": []})");
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("case.legal_name"), std::string::npos) << twice.err;
    // A case file without SIREN has no FEC: status 2 naming the field.
    ASSERT_EQ(Host("init " + Case()).status, 0);
    const Outcome fec = Host("fec " + Case() + " --out " + Quoted(work.Path()));
    EXPECT_EQ(fec.status, 2);
    EXPECT_EQ(fec.err.rfind("siren", 0), 0u) << fec.err;
}
