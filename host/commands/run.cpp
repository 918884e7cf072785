#include "host/commands/run.h"

#include <fmt/format.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>

#include "host/commands/entries.h"
#include "host/commands/statement.h"
#include "host/commands/tempdir.h"
#include "host/json/value.h"
#include "host/report/build.h"
#include "host/report/to_json.h"
#include "host/scenario/actions.h"
#include "host/scenario/build_exits.h"
#include "host/scenario/build_register.h"
#include "platform/barre.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "units/uvktables.h"

namespace fs = std::filesystem;

namespace vkhost {

namespace {

// Messages of a run: errors and information on standard error with their location code, the
// information kept as the report's warnings, every question answered yes.
class RunMessages : public IMessageHandler {
public:
    explicit RunMessages(std::vector<std::string>& warnings) : warnings_(warnings) {}
    bool Question(const UnicodeString&, const UnicodeString&, unsigned) override { return true; }
    void Information(const UnicodeString& text) override {
        std::cerr << text << '\n';
        warnings_.push_back(text);
    }
    void DisplayException(unsigned long code, const UnicodeString& message) override {
        std::cerr << FormatLocationCode(code) << ' ' << message << '\n';
    }

private:
    std::vector<std::string>& warnings_;
};

void WriteSettings(CDossier& dossier, const CaseInput& input) {
    if (input.settings.empty()) return;
    for (const auto& [key, value] : input.settings) dossier.FichierINI()->SetString("VK", key, value);
    dossier.FichierINI()->Save();
}

// Builds the case file and its register, and reports it. The tables are created and committed
// first (a table can be filled only once its creation is committed); the register then goes in as
// one action, one transaction, committed only when everything was stored.
Report BuildAndReport(const Scenario& scenario, const UnicodeString& caseDirectory,
                      const EnvironmentOptions& environment) {
    Report report;
    RunMessages messages(report.warnings);
    ScopedMessageHandler scope(&messages);
    const uint64_t shownBefore = ExceptionsShown();
    Session session(environment);
    session.Create(caseDirectory, CaseParameters(scenario.case_));
    WriteSettings(session.Dossier(), scenario.case_);
    if (!VK_CreerTables("")) throw EngineReportedFailure("Les tables du registre n'ont pas pu être créées");
    std::vector<AssetKey> keys;
    std::vector<unsigned> exits;
    session.RunAction([&] {
        CBarre bar("Scénario");
        bar.SetRange(0, static_cast<int>(scenario.assets.size()));
        bar.SetMessage("Création des biens");
        for (size_t i = 0; i < scenario.assets.size(); ++i) {
            keys.push_back(KeyOf(BuildAsset(scenario.assets[i], ItemPath("assets", i))));
            bar.StepIt();
        }
        exits = BuildExits(scenario.exits, keys);
        for (const ActionInput& action : scenario.actions) RunScenarioAction(session, action, keys);
    });
    // Read back as stored: each chain's latest version, at the report's date.
    const TDateTime at = scenario.report.at ? *scenario.report.at : session.Dossier().DateSituation;
    {
        CBarre bar("Rapport");
        bar.SetRange(0, static_cast<int>(keys.size()));
        bar.SetMessage("Calcul des biens");
        for (const AssetKey& key : keys) {
            std::unique_ptr<cVK_Bien> asset = LoadLatestVersion(key.refCalc);
            if (asset)
                report.assets.push_back(ReportAssetAt(*asset, key, scenario.report, at, report.warnings));
            bar.StepIt();
        }
    }
    report.exits = ReportExits(exits);
    report.entries = ReportEntries(scenario.report.entries);
    for (const std::string& form : scenario.report.statements)
        report.statements.emplace_back(form, StatementBytes(form, "json", std::nullopt, TDateTime(), ""));
    if (ExceptionsShown() != shownBefore) throw EngineReportedFailure("Le rapport n'a pas pu être établi");
    return report;
}

// What the creation of a case file puts in its directory; the directory itself goes with its claim.
void RemoveCaseFiles(const UnicodeString& directory) {
    std::error_code ignored;
    for (const char* file : {CDossier::kNomBase, CDossier::kNomIni})
        fs::remove(fs::path(directory) / file, ignored);
}

}  // namespace

// Every section of a scenario is driven by this host now: nothing is refused.
void RefuseUnsupported(const Scenario&) {}

// A run leaves its case file (with --case), its exports and its report only when it succeeded.
// The directory given with --case is claimed first, so that two runs never build in the same
// place; the files the run writes wait in their temporary names until the end.
int RunScenario(const RunOptions& options, std::ostream& out) {
    const Scenario scenario = ParseScenarioFile(options.scenario);
    RefuseUnsupported(scenario);
    if (!options.envDirectory.empty()) CheckPathClimbsOnlyExistingDirectories(options.envDirectory, "--env");
    TemporaryDirectory temporary("vkrun");
    const UnicodeString caseDirectory =
        options.caseDirectory.empty() ? (temporary.Path() / "dossier").string() : options.caseDirectory;
    EnvironmentOptions environment;
    environment.directory =
        options.envDirectory.empty() ? (temporary.Path() / "env").string() : options.envDirectory;
    environment.user = scenario.case_.user;

    std::optional<DirectoryClaim> claim;
    if (!options.caseDirectory.empty()) claim.emplace(caseDirectory, "--case");
    PendingFiles files;
    try {
        const Report report = BuildAndReport(scenario, caseDirectory, environment);
        const std::string json = ReportJson(report);
        if (!options.reportFile.empty()) WriteFileSafely(options.reportFile, json);
        files.Publish();
        if (claim) claim->Keep();
        if (options.reportFile.empty()) {
            out << json;
            out.flush();
        }
        return kExitOk;
    } catch (...) {
        if (claim) RemoveCaseFiles(caseDirectory);
        throw;
    }
}

}  // namespace vkhost
