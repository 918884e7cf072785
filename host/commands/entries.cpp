// vkhost entries DIR KIND: a kind of entries created, cancelled or exported; and the command-line
// options of entries, ledger and compare.
#include "host/commands/entries.h"
#include "host/commands/csv_writer.h"
#include "host/commands/screen_format.h"
#include "host/commands/stored_case.h"

#include <algorithm>
#include <memory>
#include <sstream>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "host/json/writer.h"
#include "platform/comptabilite.h"
#include "platform/messages.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkcomptes.h"
#include "units/uvkecritures.h"
#include "units/uvksortie.h"

namespace vkhost {

namespace {

// Entry lines are in cents: the screen's two decimals show them whole.
std::string Amount(const CCurrency& amount) {
    return ScreenAmount(amount);
}

void PrintLines(const ListEcr& list, std::ostream& out) {
    for (const auto& [line, amount] : list.Lignes)
        out << fmt::format("  {:<6} {} {:<15} {:<14} {} {:>16}  {}\n", line.Journal, ScreenDate(line.DateEcr),
                           line.Piece, line.Compte, line.Debit ? "D" : "C", Amount(amount), line.Libelle);
}

// The owner of a kind-2 list, loaded from the case file.
std::unique_ptr<cVK_Primaire> Owner(const EntriesOptions& options) {
    if (options.exit != 0) return std::make_unique<cVK_Sortie>(options.exit);
    if (options.component != 0)
        return std::make_unique<cVK_Composant>(nullptr, "", nullptr, options.component);
    return nullptr;
}

// What a kind-2 entry recorded on its owner is stored with it.
void SaveOwner(cVK_Primaire* owner) {
    if (!owner || owner->TypePrimaire != 1) return;
    cVK_Cession* cession = static_cast<cVK_Composant*>(owner)->GetCession();
    if (cession && cession->EstModifie && !cession->BD_MAJ())
        throw EngineReportedFailure("La date d'écriture de la cession n'a pas pu être enregistrée");
}

}  // namespace

int RunEntries(const EntriesOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    if (int(options.create) + int(options.cancel) + int(!options.exportFile.empty()) != 1)
        throw InvalidInput("entries : une et une seule des options --create, --cancel, --export FICHIER");
    if ((options.exit != 0 || options.component != 0) && options.kind != ecrSortie)
        throw InvalidInput(
            "entries : --exit et --component ne nomment que le propriétaire d'écritures de type 2");
    Session session(environment);
    session.Open(options.directory);
    AnnounceDatabase(session);
    session.RunAction([&] {
        const std::unique_ptr<cVK_Primaire> owner = Owner(options);
        const cVK_ListEcr list(static_cast<VK_TypesEcr>(options.kind), owner.get());
        bool done;
        const char* what;
        if (options.create) {
            done = list.Creer();
            what = "créées";
        } else if (options.cancel) {
            done = list.Annuler();
            what = "annulées";
        } else {
            AssSetFichierExport(options.exportFile);
            done = list.Exporter();
            what = "exportées";
        }
        if (!done)
            throw EngineReportedFailure("La comptabilité a refusé l'opération : rien n'a été enregistré");
        SaveOwner(owner.get());
        out << fmt::format("Écritures de type {} {} : {} lignes, {} écritures nommées.\n", options.kind, what,
                           list.Lignes.size(), list.TypesEcr.size());
        PrintLines(list, out);
    });
    return kExitOk;
}

void AddEntriesCommands(CLI::App& app, EnvironmentOptions& environment,
                        const std::function<void(CLI::App*)>& addEnvironment,
                        const std::function<int(const std::function<int()>&)>& guarded, int& status) {
    auto entries = std::make_shared<EntriesOptions>();
    CLI::App* command =
        app.add_subcommand("entries", "crée, annule ou exporte un type d'écritures comptables");
    command->add_option("DIR", entries->directory, "répertoire du dossier")->required();
    command
        ->add_option("KIND", entries->kind,
                     "0 mise aux normes, 1 transferts, 2 une cession, 3 transferts et cessions, "
                     "4 dotations, 5 toutes")
        ->required()
        ->check(CLI::Range(0, 5));
    command->add_flag("--create", entries->create, "enregistrer les écritures en comptabilité");
    command->add_flag("--cancel", entries->cancel, "retirer les écritures de la comptabilité");
    command->add_option("--export", entries->exportFile, "écrire les écritures dans un fichier FEC");
    command->add_option("--exit", entries->exit, "type 2 : la sortie (ID_SORTIE)");
    command->add_option("--component", entries->component, "type 2 : le composant cédé (ID_COMPO)");
    addEnvironment(command);
    command->callback([&environment, &status, guarded, entries] {
        status = guarded([&] { return RunEntries(*entries, environment, std::cout); });
    });

    auto ledger = std::make_shared<LedgerOptions>();
    command = app.add_subcommand("ledger", "affiche les écritures enregistrées en comptabilité");
    command->add_option("DIR", ledger->directory, "répertoire du dossier")->required();
    command->add_flag("--json", ledger->json, "sortie JSON (montants exacts, dates ISO)");
    command->add_flag("--csv", ledger->csv, kCsvHelp);
    addEnvironment(command);
    command->callback([&environment, &status, guarded, ledger] {
        status = guarded([&] { return RunLedger(*ledger, environment, std::cout); });
    });

    auto compare = std::make_shared<CompareOptions>();
    command = app.add_subcommand("compare", "compare la comptabilité au registre, compte par compte");
    command->add_option("DIR", compare->directory, "répertoire du dossier")->required();
    command->add_option("TYPE", compare->type, "type de comparaison, de 0 à 5")
        ->required()
        ->check(CLI::Range(0, 5));
    command->add_flag("--json", compare->json, "sortie JSON (montants exacts)");
    command->add_flag("--csv", compare->csv, kCsvHelp);
    addEnvironment(command);
    command->callback([&environment, &status, guarded, compare] {
        status = guarded([&] { return RunCompare(*compare, environment, std::cout); });
    });
}

}  // namespace vkhost
