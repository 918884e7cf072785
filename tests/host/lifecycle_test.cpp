// The life of a machine on a stored case file, driven through the host's binary: built by `vkhost
// run`, validated by `vkhost validate`, then closed year after year with `vkhost close-year`. Between
// two commands the test opens the case file itself and reads what the engine computes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "host/report_build.h"
#include "host/session.h"
#include "host/tempdir.h"
#include "platform/dossier.h"
#include "platform/messages.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvklistes.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Text(const CCurrency& amount) {
    return amount.IsNull() ? "null" : fmt::format("{:.4f}", amount.AsDouble());
}

// What a schedule line shows, as text, so that a changed figure names itself. The last flag is
// left out: the stored lines have no column for it.
std::string Describe(cVK_TabAmort& line) {
    return fmt::format("charge {} base {} opening {} nbv {} prorata '{}'{}",
                       Text(line.GetDotation(TDateTime())), Text(line.GetBaseAmortissableEx()),
                       Text(line.GetCumulAmortOuv(1)), Text(line.GetVNCOuv(0)), line.GetProrata(),
                       line.GetLin() ? " linear" : "");
}

// The figures of one fiscal year, read in the case file before it is closed.
struct YearFigures {
    std::string yearEnd;
    CCurrency balance, opening, allocation, reversal, movement;
    std::map<int, std::string> lines[2];  // accounting, tax: year -> description
    std::map<int, bool> stored[2];
    std::string derogOuvColumn;  // DEROG_OUV as stored
};

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        const char* host = std::getenv("VK_HOST");
        if (!host || !*host) GTEST_SKIP() << "VK_HOST (the vkhost binary) is set by CTest";
        host_ = host;
    }

    Outcome Shell(const std::string& command, const std::string& input = "") {
        const fs::path in = work.Path() / "stdin.txt", out = work.Path() / "stdout.txt",
                       err = work.Path() / "stderr.txt";
        WriteFile(in, input);
        const std::string line =
            command + " < '" + in.string() + "' > '" + out.string() + "' 2> '" + err.string() + "'";
        const int raw = std::system(line.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ReadFile(out);
        outcome.err = ReadFile(err);
        return outcome;
    }
    Outcome Host(const std::string& arguments) {
        return Shell("'" + host_ + "' " + arguments + " --env '" + env().string() + "'");
    }
    Outcome Run(const std::string& scenario) {
        WriteFile(work.Path() / "scenario.json", scenario);
        return Shell("'" + host_ + "' run '" + (work.Path() / "scenario.json").string() + "' --case '" +
                     dossier().string() + "' --env '" + env().string() + "'");
    }
    std::string Isql(const std::string& script) {
        const Outcome outcome =
            Shell("isql-fb -q -ch UTF8 '" + (dossier() / "dossier.fdb").string() + "'", script);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        return outcome.out;
    }
    // Every row of every table of the case file, and its settings file: what a closing may change.
    std::string Dump() {
        std::string tables = Isql(
            "SET HEADING OFF;\nSELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG=0 "
            "AND RDB$VIEW_BLR IS NULL ORDER BY 1;\n");
        std::string script = "SET LIST ON;\n";
        std::istringstream names(tables);
        for (std::string name; names >> name;)
            script += "SELECT '" + name + "' AS TABLE_NAME, COUNT(*) AS ROWS_IN_TABLE FROM " + name +
                      ";\nSELECT '" + name + "' AS TABLE_NAME, T.* FROM " + name + " T ORDER BY 2;\n";
        return Isql(script) + "\n[dossier.ini]\n" + ReadFile(dossier() / "dossier.ini");
    }

    fs::path dossier() const { return work.Path() / "dossier"; }
    fs::path env() const { return work.Path() / "env"; }

    std::string host_;
    vkhost::TemporaryDirectory work{"vklifecycle"};
};

// The case file opened in this process for as long as the object lives (the host's binary cannot
// open it meanwhile), with what the engine shows recorded.
class OpenCase {
public:
    explicit OpenCase(const fs::path& dossier, const fs::path& env)
        : scope_(&messages), session_(vkhost::EnvironmentOptions{env.string(), ""}) {
        session_.Open(dossier.string());
    }
    ~OpenCase() {
        for (const auto& shown : messages.exceptions) ADD_FAILURE() << "engine showed: " << shown.message;
    }
    CDossier& Dossier() { return session_.Dossier(); }
    std::unique_ptr<cVK_Bien> Asset(const std::string& reference) {
        return vkhost::LoadAssetByReference(reference);
    }
    RecordingMessageHandler messages;

private:
    ScopedMessageHandler scope_;
    vkhost::Session session_;
};

YearFigures ReadYear(OpenCase& open) {
    YearFigures figures;
    const TDateTime end = open.Dossier().DateFinExercice;
    figures.yearEnd = FormatISODate(end);
    std::unique_ptr<cVK_Bien> asset = open.Asset("M1");
    EXPECT_NE(asset, nullptr);
    if (!asset) return figures;
    cVK_Composant* component = asset->GetStructure();
    figures.derogOuvColumn = Text(component->DEROG_OUV);
    figures.opening = component->GetAmortDerogOuv(1);
    figures.balance = component->GetAmortDerog(end);
    CCurrency closing;
    figures.movement =
        component->GetAmortDerogEx(end, &figures.allocation, &figures.reversal, nullptr, &closing);
    const VK_TypeAmort kinds[2] = {taComptable, taFiscal};
    for (int p = 0; p < 2; ++p) {
        cVK_Amortissement* plan = component->GetAmort(kinds[p]);
        EXPECT_NE(plan, nullptr);
        if (!plan) continue;
        plan->GetLstTabAmort()->CalculTableau();
        for (const auto& [year, line] : plan->GetLstTabAmort()->Lignes()) {
            figures.lines[p][year] = Describe(*line);
            figures.stored[p][year] = line->IsStocke();
        }
    }
    return figures;
}

const char* const kMachine = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"}],
          "current_year": "2024-01-01", "user": "comptable"},
 "assets": [{"ref": "M1", "designation": "Presse",
   "components": [{"account": "215400", "entry_date": "2024-01-01",
     "details": [{"price": 10000}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-01-01", "duration": 60},
               {"kind": 2, "method": 2, "duration": 60}]}]}%s],
 "report": {"tax": true}
})";

std::string Scenario(const std::string& moreAssets = "") {
    std::string text = kMachine;
    text.replace(text.find("%s"), 2, moreAssets);
    return text;
}

// A machine of 10,000 bought on 1 January 2024: accounting linear over 60 months (2,000 a year),
// tax declining over 60 months at 35 % (coefficient 1.75), switching to linear for the last two
// years: 3,500; 2,275; 1,478.75; 2,746.25 / 2 = 1,373.13; 1,373.12.
// Tax cumul 3,500; 5,775; 7,253.75; 8,626.88; 10,000 against 2,000; 4,000; 6,000; 8,000; 10,000:
// derogatory balance at each year's end 1,500; 1,775; 1,253.75; 626.88; 0; movements +1,500, +275,
// -521.25, -626.87, -626.88, which add up to 0.
TEST_F(Lifecycle, MachineClosedYearAfterYearThroughTheHost) {
    Outcome run = Run(Scenario());
    ASSERT_EQ(run.status, 0) << run.err;
    Outcome validated = Host("validate '" + dossier().string() + "' M1");
    ASSERT_EQ(validated.status, 0) << validated.err;
    EXPECT_EQ(validated.out, "Bien M1 validé.\n");

    const char* balances[] = {"1500.0000", "1775.0000", "1253.7500", "626.8800", "0.0000"};
    const char* movements[] = {"1500.0000", "275.0000", "-521.2500", "-626.8700", "-626.8800"};
    CCurrency allocations(0), reversals(0), net(0);
    for (int closing = 0; closing < 5; ++closing) {
        YearFigures before;
        {
            OpenCase open(dossier(), env());
            before = ReadYear(open);
        }
        const std::string label = "year ending " + before.yearEnd;
        EXPECT_EQ(Text(before.balance), balances[closing]) << label;
        EXPECT_EQ(Text(before.movement), movements[closing]) << label;
        allocations += before.allocation;
        reversals += before.reversal;
        net += before.movement;

        Outcome closed = Host("close-year '" + dossier().string() + "'");
        ASSERT_EQ(closed.status, 0) << label << '\n' << closed.err;
        EXPECT_NE(closed.out.find(": 1 biens, 1 clôturés."), std::string::npos) << closed.out;

        OpenCase open(dossier(), env());
        EXPECT_EQ(FormatISODate(open.Dossier().DateDebutExercice), fmt::format("{}-01-01", 2025 + closing));
        EXPECT_EQ(FormatISODate(open.Dossier().DateSituation), fmt::format("{}-12-31", 2025 + closing));
        YearFigures after = ReadYear(open);
        // The balance computed before the closing is the one frozen in the component.
        EXPECT_EQ(after.derogOuvColumn, Text(before.balance)) << label;
        EXPECT_EQ(Text(after.opening), Text(before.balance)) << label;
        for (int p = 0; p < 2; ++p) {
            const char* plan = p == 0 ? "accounting" : "tax";
            for (const auto& [year, description] : before.lines[p]) {
                const int now = year - 1;  // every year number follows the switch
                ASSERT_TRUE(after.lines[p].count(now)) << label << ", " << plan << " year " << year;
                EXPECT_EQ(after.lines[p][now], description) << label << ", " << plan << " year " << year;
                EXPECT_EQ(after.stored[p][now], year <= 0)
                    << label << ", " << plan << " year " << year << ": the closed years are stored";
            }
            EXPECT_EQ(after.lines[p].size(), before.lines[p].size()) << label << ", " << plan;
        }
    }
    EXPECT_EQ(Text(net), "0.0000") << "derogatory movements over the whole life";
    EXPECT_EQ(Text(allocations - reversals), "0.0000")
        << "allocations " << Text(allocations) << ", reversals " << Text(reversals);
    EXPECT_EQ(Text(allocations), "1775.0000");

    // 2029: nothing left to depreciate, nothing derogatory, five closed versions after the first.
    OpenCase open(dossier(), env());
    std::unique_ptr<cVK_Bien> asset = open.Asset("M1");
    ASSERT_NE(asset, nullptr);
    cVK_Composant* component = asset->GetStructure();
    EXPECT_EQ(Text(component->GetAmortDerogOuv(1)), "0.0000");
    EXPECT_FALSE(component->GetAmortDerogEstConcerne(open.Dossier().DateFinExercice));
    EXPECT_EQ(Text(component->GetAmort(taComptable)->GetCumulAmort(open.Dossier().DateFinExercice)),
              "10000.0000");
    EXPECT_EQ(Text(component->GetAmort(taFiscal)->GetCumulAmort(open.Dossier().DateFinExercice)),
              "10000.0000");
    EXPECT_EQ(asset->EtatCplmt, vcCloture);
    EXPECT_EQ(asset->EXOCREAT, -1);
}

// A closing that fails half-way leaves the case file exactly as it was: after a first closing, the
// second one closes the first machine completely before the insert of the second machine's closing
// version is refused by a trigger.
TEST_F(Lifecycle, AnInterruptedClosingLeavesTheCaseFileAsItWas) {
    const std::string second = R"(,
  {"ref": "M2", "designation": "Tour",
   "components": [{"account": "215400", "entry_date": "2024-06-01", "details": [{"price": 4000}]}]})";
    Outcome run = Run(Scenario(second));
    ASSERT_EQ(run.status, 0) << run.err;
    Outcome closed = Host("close-year '" + dossier().string() + "'");
    ASSERT_EQ(closed.status, 0) << closed.err;
    Isql(
        "CREATE EXCEPTION VKTEST_REFUS 'closing refused by the test';\n"
        "SET TERM ^ ;\n"
        "CREATE TRIGGER VKTEST_REFUS_M2 FOR ZENKOVKB BEFORE INSERT AS BEGIN\n"
        "  IF (NEW.REF_SAIS = 'M2') THEN EXCEPTION VKTEST_REFUS;\nEND^\n"
        "SET TERM ; ^\nCOMMIT;\n");
    const std::string before = Dump();
    ASSERT_NE(before.find("ZENKOVKT"), std::string::npos) << before;
    ASSERT_NE(before.find("DEROG_OUV                       1500.0000"), std::string::npos) << before;

    closed = Host("close-year '" + dossier().string() + "'");
    EXPECT_EQ(closed.status, 1) << closed.out;
    EXPECT_NE(closed.err.find("closing refused by the test"), std::string::npos) << closed.err;
    EXPECT_EQ(Dump(), before);

    // Without the trigger the same closing goes through.
    Isql("DROP TRIGGER VKTEST_REFUS_M2;\nCOMMIT;\n");
    closed = Host("close-year '" + dossier().string() + "'");
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_NE(closed.out.find(": 2 biens, 2 clôturés."), std::string::npos) << closed.out;
    const std::string after = Dump();
    EXPECT_NE(after.find("DEROG_OUV                       1775.0000"), std::string::npos) << after;
}

// A passenger car whose CO2 rate is not known gets the lowest ceiling of its dates (D43) and the
// report says the rate is missing. 25,000 bought and first registered on 1 January 2026, measured
// under WLTP: ceilings 30,000 to 9,900, the lowest 9,900; accounting linear over 60 months 5,000:
// 5,000 x (25,000 - 9,900) / 25,000 = 3,020 added back.
TEST_F(Lifecycle, CarWithoutCo2RateGetsTheLowestCeilingAndAWarning) {
    WriteFile(work.Path() / "car.json", R"({
 "case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
 "assets": [{"ref": "V1", "vehicle": {"type": 4, "first_registration": "2026-01-01", "wltp": true},
   "components": [{"account": "218200", "entry_date": "2026-01-01", "details": [{"price": 25000}],
     "plans": [{"kind": 1, "method": 1, "start": "2026-01-01", "duration": 60},
               {"kind": 2, "method": 1, "start": "2026-01-01", "duration": 60}]}]}],
 "report": {"tax": true}
})");
    Outcome run = Shell("'" + host_ + "' run '" + (work.Path() / "car.json").string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    const nlohmann::json& car = report["assets"][0]["car_reintegration"];
    EXPECT_EQ(car["ceiling"], 9900) << car;
    EXPECT_EQ(car["cost"], 25000) << car;
    EXPECT_EQ(car["reintegrated"], 3020) << car;
    EXPECT_EQ(car["definitive"], 3020) << car;
    ASSERT_EQ(report["warnings"].size(), 1u) << report["warnings"];
    EXPECT_NE(report["warnings"][0].get<std::string>().find("CO2"), std::string::npos) << report["warnings"];
}

}  // namespace
