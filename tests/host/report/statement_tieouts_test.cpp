// The tie-outs between the year-end statements, on the demonstration case file, on the golden
// scenarios and on a generated case file of 1,000 assets; and the statements of a closed year and at
// a date inside the year.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "bench/perf/generator.h"
#include "host/commands/tempdir.h"
#include "host/session.h"
#include "tests/host/scenario/scenario_report.h"
#include "tests/support/statement_tieouts.h"
#include "units/uvketat.h"
#include "units/uvketat_sortie.h"

namespace {

using nlohmann::json;

const char* const kForms[] = {"2054", "2055", "2059a", "2033c", "2033d", "register", "charges"};

std::string Joined(const std::vector<std::string>& failures) {
    std::string text;
    for (const std::string& failure : failures) text += "\n  " + failure;
    return text;
}

class StatementTieOuts : public vktest::ScenarioReport {
protected:
    // Every form of a stored case file, through `vkhost statement` (extra: --year or --at).
    json StoredStatements(const std::string& extra = "") {
        json statements = json::object();
        for (const char* form : kForms) {
            const vktest::Outcome outcome =
                Host("statement " + Quoted(dossier()) + " " + form + " --format json " + extra);
            EXPECT_EQ(outcome.status, 0) << form << ": " << outcome.err;
            if (outcome.status == 0) statements[form] = json::parse(outcome.out);
        }
        return statements;
    }
};

TEST_F(StatementTieOuts, OnTheDemonstrationCaseFile) {
    ASSERT_EQ(Host("demo --keep " + Quoted(dossier())).status, 0);
    const json statements = StoredStatements();
    EXPECT_EQ(vktest::StatementTieOutFailures(statements), std::vector<std::string>{})
        << Joined(vktest::StatementTieOutFailures(statements));
}

TEST_F(StatementTieOuts, OnTheGoldenScenarios) {
    for (const char* name : {"declining_10y", "units_km", "building_vat"}) {
        std::ifstream in(std::string(VK_SOURCE_DIR) + "/tests/golden/" + name + ".json");
        std::stringstream text;
        text << in.rdbuf();
        json scenario = json::parse(text.str());
        scenario["report"]["statements"] = kForms;
        const json report = Report(scenario.dump());
        if (report.is_null()) {
            ADD_FAILURE() << name;
            continue;
        }
        const std::vector<std::string> failures = vktest::StatementTieOutFailures(report.at("statements"));
        EXPECT_TRUE(failures.empty()) << name << Joined(failures);
    }
}

// Assets of every kind over ten years, validated, with disposals of the current year.
TEST(StatementTieOutsGenerated, OnAThousandAssets) {
    vkhost::TemporaryDirectory directory("vktieouts");
    vkperf::GeneratorOptions options;
    options.assets = 1000;
    setenv("VK_FORCED_WRITES", "0", 1);
    const vkperf::GeneratorResult generated = vkperf::Generate(directory.Path().string(), options);
    unsetenv("VK_FORCED_WRITES");
    ASSERT_GT(generated.disposals, 0);
    vkhost::Session session({(directory.Path() / "env").string(), "test"});
    session.Open((directory.Path() / "case").string());
    json statements = json::object();
    session.RunAction([&] {
        for (const char* form : kForms) {
            vketat::Demande demande;
            demande.formulaire = form;
            statements[form] = json::parse(vketat::EcrireJSON(vketat::Calculer(demande)));
        }
    });
    EXPECT_FALSE(statements.at("2059a").at("lines").empty());
    const std::vector<std::string> failures = vktest::StatementTieOutFailures(statements);
    EXPECT_TRUE(failures.empty()) << failures.size() << " failures:" << Joined(failures);
}

}  // namespace
