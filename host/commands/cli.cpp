#include "host/commands/cli.h"

#include <iostream>

#include <CLI/CLI.hpp>

#include "host/commands/commands.h"
#include "host/commands/entries.h"
#include "host/commands/fec.h"
#include "host/commands/register.h"
#include "host/commands/run.h"
#include "host/commands/statement.h"
#include "host/commands/stored.h"
#include "host/scenario/build_exits.h"
#include "host/session.h"
#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/db/ibx.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/version.h"

namespace vkhost {

namespace {

// Location codes of the failures that reach the command line without one of their own: unit 913,
// then the line of the catch, so that every message of status 1 names where it was stopped.
constexpr unsigned kUnitHostCommand = 913;
#define HOST_COMMAND_LOC() VK_LocationCode(kUnitHostCommand, __LINE__)

int Failure(unsigned long code, const char* message) {
    std::cerr << FormatLocationCode(code) << ' ' << message << '\n';
    return kExitFailure;
}

// Runs a command and turns its failures into the host's exit statuses, the message on stderr.
// Status 2 is the user's input only (a field, a path, settings that name a wrong place); a case
// file in use, damaged or out of reach, and every failure of the engine, the database or the
// system, are status 1 with their location code.
int Guarded(const std::function<int()>& command) {
    try {
        return command();
    } catch (const InvalidInput& e) {
        std::cerr << e.what() << '\n';
        return kExitInvalid;
    } catch (const EDossierInaccessible& e) {
        return Failure(e.Code, e.what());
    } catch (const EDossier& e) {
        std::cerr << e.what() << '\n';
        return kExitInvalid;
    } catch (const EDateError& e) {
        std::cerr << e.what() << '\n';
        return kExitInvalid;
    } catch (const EUser& e) {
        return Failure(e.Code, e.what());
    } catch (const EngineReportedFailure& e) {
        return Failure(HOST_COMMAND_LOC(), e.what());
    } catch (const EFichier& e) {
        return Failure(HOST_COMMAND_LOC(), e.what());
    } catch (const EIBError& e) {
        return Failure(HOST_COMMAND_LOC(), e.what());
    } catch (const std::exception& e) {
        return Failure(HOST_COMMAND_LOC(), e.what());
    }
}

}  // namespace

int Main(int argc, char** argv) {
    CLI::App app{"vkhost: the reference host of the fixed-asset engine"};
    app.set_version_flag("--version", std::string("vkhost, vkengine ") + vk_version());
    app.require_subcommand(1);
    int status = kExitOk;

    EnvironmentOptions environment;
    auto addEnvironment = [&](CLI::App* command) {
        command->add_option("--env", environment.directory,
                            "environment directory (default: $VK_ENV or ~/.local/share/vkhost)");
        command->add_option("--user", environment.user, "user name written in the stamps (default: $USER)");
    };

    InitOptions init;
    CLI::App* initCommand = app.add_subcommand("init", "create a case file in a new directory");
    initCommand->add_option("DIR", init.directory, "case-file directory (must not exist or be empty)")
        ->required();
    initCommand->add_option("--company,--name", init.company, "the company's legal name");
    initCommand->add_option("--siren", init.siren, "the company's SIREN (9 digits with their Luhn check)");
    initCommand->add_option("--first-year", init.firstYear,
                            "start of the first recorded fiscal year (YYYY-MM-DD)");
    initCommand->add_option("--years", init.years, "number of recorded 12-month fiscal years")
        ->check(CLI::Range(1, 50));
    initCommand->add_option("--current-year", init.currentYear,
                            "start of the current fiscal year (default: the last)");
    initCommand->add_option("--situation-date", init.situationDate,
                            "situation date (default: end of the current year)");
    initCommand->add_option("--tax-regime", init.taxRegime, "1, or 2 for corporate income tax")
        ->check(CLI::Range(1, 2));
    initCommand->add_option("--account-length", init.accountLength, "length of account numbers")
        ->check(CLI::Range(6, 13));
    initCommand->add_option("--database", init.database,
                            "the case file's database on a Firebird server, HOST:PATH or HOST/PORT:PATH "
                            "(default: DIR/dossier.fdb, through the server $VK_SERVER names when set; "
                            "credentials from ISC_USER and ISC_PASSWORD)");
    addEnvironment(initCommand);
    initCommand->callback([&] { status = Guarded([&] { return RunInit(init, environment, std::cout); }); });

    DemoOptions demo;
    CLI::App* demoCommand =
        app.add_subcommand("demo", "build a demonstration case file and show what the engine computes");
    demoCommand->add_option("--keep", demo.keepDirectory, "keep the case file in this directory");
    addEnvironment(demoCommand);
    demoCommand->callback([&] { status = Guarded([&] { return RunDemo(demo, environment, std::cout); }); });

    RunOptions run;
    CLI::App* runCommand = app.add_subcommand(
        "run", "build a case file from a JSON scenario and report what the engine computes");
    runCommand->add_option("SCENARIO", run.scenario, "scenario file (JSON)")->required();
    runCommand->add_option("--case", run.caseDirectory,
                           "keep the case file in this directory (must not exist or be empty)");
    runCommand->add_option("--env", run.envDirectory, "environment directory (default: a temporary one)");
    runCommand->add_option("--out", run.reportFile, "report file (default: standard output)");
    runCommand->callback([&] { status = Guarded([&] { return RunScenario(run, std::cout); }); });

    StoredCaseOptions stored;
    CLI::App* scheduleCommand =
        app.add_subcommand("schedule", "print the depreciation schedules of one asset");
    scheduleCommand->add_option("DIR", stored.directory, "case-file directory")->required();
    scheduleCommand->add_option("REF", stored.reference, "the asset's reference")->required();
    scheduleCommand->add_option("--at", stored.at, "date of the figures (default: the situation date)");
    scheduleCommand->add_flag(
        "--json", stored.json,
        "sortie JSON : le bien comme le rapport d'un scénario l'écrit (montants exacts)");
    addEnvironment(scheduleCommand);
    scheduleCommand->callback(
        [&] { status = Guarded([&] { return RunSchedule(stored, environment, std::cout); }); });

    CLI::App* validateCommand = app.add_subcommand("validate", "validate an asset's latest version");
    validateCommand->add_option("DIR", stored.directory, "case-file directory")->required();
    validateCommand->add_option("REF", stored.reference, "the asset's reference")->required();
    validateCommand->add_option("--complement", stored.complement, "complementary state given (default 2)")
        ->check(CLI::Range(1, 3));
    addEnvironment(validateCommand);
    validateCommand->callback(
        [&] { status = Guarded([&] { return RunValidate(stored, environment, std::cout); }); });

    CLI::App* closeCommand =
        app.add_subcommand("close-year", "close the current fiscal year and move to the next one");
    closeCommand->add_option("DIR", stored.directory, "case-file directory")->required();
    closeCommand->add_flag("--yes", stored.yes, "clôturer sans demander de confirmation (scripts)");
    closeCommand->add_flag("--dry-run", stored.dryRun,
                           "montrer ce que la clôture ferait, sans rien modifier");
    addEnvironment(closeCommand);
    closeCommand->callback(
        [&] { status = Guarded([&] { return RunCloseYear(stored, environment, std::cout); }); });

    ExitsOptions exits;
    CLI::App* exitsCommand =
        app.add_subcommand("exits", "list the exits of a case file with their gains and losses");
    exitsCommand->add_option("DIR", exits.directory, "case-file directory")->required();
    exitsCommand->add_flag(
        "--json", exits.json,
        "sortie JSON : les cessions et leurs biens comme le rapport d'un scénario les écrit");
    addEnvironment(exitsCommand);
    exitsCommand->callback(
        [&] { status = Guarded([&] { return RunExits(exits, environment, std::cout); }); });

    StatementOptions statement;
    CLI::App* statementCommand = app.add_subcommand(
        "statement", "print a year-end statement: 2054, 2055, 2059a, 2033c, 2033d, register, charges, table");
    statementCommand->add_option("DIR", statement.directory, "case-file directory")->required();
    statementCommand
        ->add_option("FORM", statement.form, "2054, 2055, 2059a, 2033c, 2033d, register, charges or table")
        ->required()
        ->check(CLI::IsMember({"2054", "2055", "2059a", "2033c", "2033d", "register", "charges", "table"}));
    statementCommand->add_option("--year", statement.year,
                                 "fiscal year ending in this calendar year (default: the current one)");
    statementCommand->add_option("--at", statement.at,
                                 "a date inside the year: figures at that date (YYYY-MM-DD)");
    statementCommand->add_option("--format", statement.format, "text (default), csv, json or pdf")
        ->check(CLI::IsMember({"text", "csv", "json", "pdf"}));
    statementCommand->add_option("--out", statement.outFile, "file to create (owner only; must not exist)");
    statementCommand->add_option("--asset", statement.asset, "the asset's reference (FORM table)");
    addEnvironment(statementCommand);
    statementCommand->callback(
        [&] { status = Guarded([&] { return RunStatement(statement, environment, std::cout); }); });

    AddEntriesCommands(app, environment, addEnvironment, Guarded, status);
    AddFecCommands(app, environment, addEnvironment, Guarded, status);
    AddRegisterCommands(app, addEnvironment, environment, status, Guarded);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? kExitOk : kExitInvalid;
    }
    IBShutdown();
    return status;
}

}  // namespace vkhost
