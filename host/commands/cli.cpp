#include "host/commands/cli.h"

#include <iostream>

#include <CLI/CLI.hpp>

#include "host/commands/cli_french.h"
#include "host/commands/commands.h"
#include "host/commands/csv_writer.h"
#include "host/commands/entries.h"
#include "host/commands/fec.h"
#include "host/commands/progress.h"
#include "host/commands/register.h"
#include "host/commands/run.h"
#include "host/commands/statement.h"
#include "host/commands/stored_case.h"
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
    CLI::App app{"vkhost : l'hôte de référence du moteur d'immobilisations"};
    UseFrench(app, std::string("vkhost, vkengine ") + vk_version());
    UseProgressLine();
    app.require_subcommand(1);
    int status = kExitOk;

    EnvironmentOptions environment;
    auto addEnvironment = [&](CLI::App* command) {
        command->add_option("--env", environment.directory,
                            "répertoire de l'environnement (par défaut : $VK_ENV ou ~/.local/share/vkhost)");
        command->add_option(
            "--user", environment.user,
            "nom d'utilisateur des marques de création et de validation (par défaut : $USER)");
    };

    InitOptions init;
    CLI::App* initCommand = app.add_subcommand("init", "crée un dossier dans un nouveau répertoire");
    initCommand->add_option("DIR", init.directory, "répertoire du dossier (inexistant ou vide)")->required();
    initCommand->add_option("--company,--name", init.company, "raison sociale de l'entreprise");
    initCommand->add_option("--siren", init.siren,
                            "SIREN de l'entreprise (9 chiffres, clé de Luhn comprise)");
    initCommand->add_option("--first-year", init.firstYear,
                            "début du premier exercice enregistré (JJ/MM/AAAA ou AAAA-MM-JJ)");
    initCommand->add_option("--years", init.years, "nombre d'exercices de 12 mois enregistrés")
        ->check(CLI::Range(1, 50));
    initCommand->add_option("--current-year", init.currentYear,
                            "début de l'exercice courant (par défaut : le dernier)");
    initCommand->add_option("--situation-date", init.situationDate,
                            "date de situation (par défaut : fin de l'exercice courant)");
    initCommand
        ->add_option("--tax-regime", init.taxRegime, "régime fiscal : 1, ou 2 pour l'impôt sur les sociétés")
        ->check(CLI::Range(1, 2));
    initCommand->add_option("--account-length", init.accountLength, "longueur des numéros de compte")
        ->check(CLI::Range(6, 13));
    initCommand->add_option("--database", init.database,
                            "base du dossier sur un serveur Firebird, HÔTE:CHEMIN ou HÔTE/PORT:CHEMIN "
                            "(par défaut : DIR/dossier.fdb, par le serveur que nomme $VK_SERVER s'il est "
                            "défini ; identifiants ISC_USER et ISC_PASSWORD)");
    addEnvironment(initCommand);
    initCommand->callback([&] { status = Guarded([&] { return RunInit(init, environment, std::cout); }); });

    DemoOptions demo;
    CLI::App* demoCommand =
        app.add_subcommand("demo", "crée un dossier de démonstration et montre ce que le moteur calcule");
    demoCommand->add_option("--keep", demo.keepDirectory, "garder le dossier dans ce répertoire");
    addEnvironment(demoCommand);
    demoCommand->callback([&] { status = Guarded([&] { return RunDemo(demo, environment, std::cout); }); });

    RunOptions run;
    CLI::App* runCommand = app.add_subcommand(
        "run", "crée un dossier d'après un scénario JSON et rend compte de ce que le moteur calcule");
    runCommand->add_option("SCENARIO", run.scenario, "fichier du scénario (JSON)")->required();
    runCommand->add_option("--case", run.caseDirectory,
                           "garder le dossier dans ce répertoire (inexistant ou vide)");
    runCommand->add_option("--env", run.envDirectory,
                           "répertoire de l'environnement (par défaut : un répertoire temporaire)");
    runCommand->add_option("--out", run.reportFile, "fichier du rapport (par défaut : la sortie standard)");
    runCommand->callback([&] { status = Guarded([&] { return RunScenario(run, std::cout); }); });

    StoredCaseOptions stored;
    CLI::App* scheduleCommand = app.add_subcommand("schedule", "affiche les plans d'amortissement d'un bien");
    scheduleCommand->add_option("DIR", stored.directory, "répertoire du dossier")->required();
    scheduleCommand->add_option("REF", stored.reference, "référence du bien")->required();
    scheduleCommand->add_option(
        "--at", stored.at, "date des montants, JJ/MM/AAAA ou AAAA-MM-JJ (par défaut : la date de situation)");
    scheduleCommand->add_flag(
        "--json", stored.json,
        "sortie JSON : le bien comme le rapport d'un scénario l'écrit (montants exacts)");
    scheduleCommand->add_flag("--csv", stored.csv, kCsvHelp);
    addEnvironment(scheduleCommand);
    scheduleCommand->callback(
        [&] { status = Guarded([&] { return RunSchedule(stored, environment, std::cout); }); });

    CLI::App* validateCommand = app.add_subcommand("validate", "valide la dernière version d'un bien");
    validateCommand->add_option("DIR", stored.directory, "répertoire du dossier")->required();
    validateCommand->add_option("REF", stored.reference, "référence du bien")->required();
    validateCommand->add_option("--complement", stored.complement, "état complémentaire donné (par défaut 2)")
        ->check(CLI::Range(1, 3));
    addEnvironment(validateCommand);
    validateCommand->callback(
        [&] { status = Guarded([&] { return RunValidate(stored, environment, std::cout); }); });

    CLI::App* closeCommand =
        app.add_subcommand("close-year", "clôture l'exercice courant et passe au suivant");
    closeCommand->add_option("DIR", stored.directory, "répertoire du dossier")->required();
    closeCommand->add_flag("--yes", stored.yes, "clôturer sans demander de confirmation (scripts)");
    closeCommand->add_option("--next-end", stored.nextEnd,
                             "fin de l'exercice suivant, JJ/MM/AAAA ou AAAA-MM-JJ (au plus 24 mois ; par "
                             "défaut : l'exercice enregistré, ou 12 mois)");
    closeCommand->add_flag("--dry-run", stored.dryRun,
                           "montrer ce que la clôture ferait, sans rien modifier");
    addEnvironment(closeCommand);
    closeCommand->callback(
        [&] { status = Guarded([&] { return RunCloseYear(stored, environment, std::cout); }); });

    ExitsOptions exits;
    CLI::App* exitsCommand =
        app.add_subcommand("exits", "liste les cessions du dossier avec leurs plus et moins-values");
    exitsCommand->add_option("DIR", exits.directory, "répertoire du dossier")->required();
    exitsCommand->add_flag(
        "--json", exits.json,
        "sortie JSON : les cessions et leurs biens comme le rapport d'un scénario les écrit");
    exitsCommand->add_flag("--csv", exits.csv, kCsvHelp);
    addEnvironment(exitsCommand);
    exitsCommand->callback(
        [&] { status = Guarded([&] { return RunExits(exits, environment, std::cout); }); });

    StatementOptions statement;
    CLI::App* statementCommand = app.add_subcommand(
        "statement",
        "imprime un état de fin d'exercice : 2054, 2055, 2059a, 2033c, 2033d, register, charges, table");
    statementCommand->add_option("DIR", statement.directory, "répertoire du dossier")->required();
    statementCommand
        ->add_option("FORM", statement.form, "2054, 2055, 2059a, 2033c, 2033d, register, charges ou table")
        ->required()
        ->check(CLI::IsMember({"2054", "2055", "2059a", "2033c", "2033d", "register", "charges", "table"}));
    statementCommand->add_option(
        "--year", statement.year,
        "exercice qui se termine dans cette année civile (par défaut : l'exercice courant)");
    statementCommand->add_option(
        "--at", statement.at,
        "une date dans l'exercice : les montants à cette date (JJ/MM/AAAA ou AAAA-MM-JJ)");
    statementCommand->add_option("--format", statement.format, "text (par défaut), csv, json ou pdf")
        ->check(CLI::IsMember({"text", "csv", "json", "pdf"}));
    statementCommand->add_option("--out", statement.outFile,
                                 "fichier à créer (lisible par son seul propriétaire ; ne doit pas exister)");
    statementCommand->add_option("--asset", statement.asset, "référence du bien (FORM table)");
    addEnvironment(statementCommand);
    statementCommand->callback(
        [&] { status = Guarded([&] { return RunStatement(statement, environment, std::cout); }); });

    AddEntriesCommands(app, environment, addEnvironment, Guarded, status);
    AddFecCommands(app, environment, addEnvironment, Guarded, status);
    AddRegisterCommands(app, addEnvironment, environment, status, Guarded);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            app.exit(e);  // --help or --version
            return kExitOk;
        }
        const bool unknownCommand = app.get_subcommands().empty() && argc > 1 && argv[1][0] != '-';
        std::cerr << (unknownCommand ? "commande inconnue « " + std::string(argv[1]) + " »"
                                     : FrenchParseError(e))
                  << "\nPour l'aide : vkhost --help, ou vkhost COMMANDE --help\n";
        return kExitInvalid;
    }
    IBShutdown();
    return status;
}

}  // namespace vkhost
