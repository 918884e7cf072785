#include "host/commands/register.h"

#include <iostream>
#include <memory>

#include <CLI/CLI.hpp>

#include "host/commands/csv_writer.h"
#include "host/commands/import.h"
#include "host/commands/list.h"

namespace vkhost {

void AddRegisterCommands(CLI::App& app, const std::function<void(CLI::App*)>& addEnvironment,
                         const EnvironmentOptions& environment, int& status, const GuardedRun& guarded) {
    auto list = std::make_shared<ListOptions>();
    CLI::App* listCommand = app.add_subcommand("list", "liste le registre des biens, un bien par ligne");
    listCommand->add_option("DIR", list->directory, "répertoire du dossier")->required();
    listCommand->add_option("--at", list->at,
                            "date des valeurs nettes, JJ/MM/AAAA ou AAAA-MM-JJ "
                            "(par défaut : la date de situation)");
    listCommand->add_option("--state", list->state,
                            "seulement les biens dans cet état (0 à 5, ou Initialisation, Cession...)");
    listCommand->add_flag("--json", list->json, "sortie JSON (montants exacts, dates ISO)");
    listCommand->add_flag("--csv", list->csv, kCsvHelp);
    addEnvironment(listCommand);
    listCommand->callback([&status, &environment, guarded, list] {
        status = guarded([&] { return RunList(*list, environment, std::cout); });
    });

    auto import = std::make_shared<ImportOptions>();
    CLI::App* importCommand = app.add_subcommand(
        "import", "importe un registre depuis un fichier CSV de tableur, un composant par ligne");
    importCommand->add_option("DIR", import->directory, "répertoire du dossier")->required();
    importCommand->add_option("FILE", import->file, "fichier CSV (en-têtes décrits dans docs/import.md)")
        ->required();
    addEnvironment(importCommand);
    importCommand->callback([&status, &environment, guarded, import] {
        status = guarded([&] { return RunImport(*import, environment, std::cout, std::cerr); });
    });
}

}  // namespace vkhost
