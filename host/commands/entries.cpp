// vkhost entries, ledger and compare.
#include "host/commands/entries.h"
#include "host/commands/screen_format.h"
#include "host/commands/stored.h"

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

void WriteLedgerJson(const std::vector<EcritureCompta>& entries, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Key("entries");
    json.BeginArray();
    for (const EcritureCompta& entry : entries) {
        CCurrency debit(0), credit(0);
        json.BeginObject();
        json.Field("id", entry.Id);
        json.Field("journal", entry.Journal);
        json.Field("date", entry.Date);
        json.Field("origin", entry.OrigineTexte());
        json.Field("piece", entry.Piece);
        json.Field("special", entry.Speciale);
        json.Key("lines");
        json.BeginArray();
        for (const LigneCompta& line : entry.Lignes) {
            (line.Debit ? debit : credit) += line.Montant;
            json.BeginObject();
            json.Field("account", line.Compte);
            json.Field("debit", line.Debit);
            json.Field("amount", line.Montant);
            json.Field("label", line.Libelle);
            json.EndObject();
        }
        json.EndArray();
        json.Field("total_debit", debit);
        json.Field("total_credit", credit);
        json.Field("balanced", debit == credit);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    out << '\n';
}

void WriteComparisonJson(int type, const std::vector<cVK_EcartComparaison>& rows, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("type", type);
    json.Key("accounts");
    json.BeginArray();
    for (const cVK_EcartComparaison& row : rows) {
        json.BeginObject();
        json.Field("account", row.Compte);
        json.Field("label", row.Libelle);
        json.Field("ledger", row.Comptabilite);
        json.Field("register", row.Registre);
        json.Field("difference", row.Ecart);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    out << '\n';
}

bool Balanced(const EcritureCompta& entry) {
    CCurrency debit(0), credit(0);
    for (const LigneCompta& line : entry.Lignes) (line.Debit ? debit : credit) += line.Montant;
    return debit == credit;
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

int RunLedger(const LedgerOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    if (options.json) {
        std::ostringstream text;
        WriteLedgerJson(entries, text);
        out << text.str();
        return std::all_of(entries.begin(), entries.end(), Balanced) ? kExitOk : kExitFailure;
    }
    int unbalanced = 0;
    for (const EcritureCompta& entry : entries) {
        CCurrency debit(0), credit(0);
        for (const LigneCompta& line : entry.Lignes) (line.Debit ? debit : credit) += line.Montant;
        const bool balanced = debit == credit;
        if (!balanced) ++unbalanced;
        out << fmt::format("Écriture {} : journal {}, {}, pièce {}{}{}\n", entry.Id, entry.Journal,
                           ScreenDate(entry.Date), entry.OrigineTexte(), entry.Piece,
                           entry.Speciale ? " (spéciale)" : "");
        for (const LigneCompta& line : entry.Lignes)
            out << fmt::format("  {:<14} {:>16} {:>16}  {}\n", line.Compte,
                               line.Debit ? Amount(line.Montant) : "", line.Debit ? "" : Amount(line.Montant),
                               line.Libelle);
        out << fmt::format("  {:<14} {:>16} {:>16}  {}\n", "Total", Amount(debit), Amount(credit),
                           balanced ? "équilibrée" : "DÉSÉQUILIBRÉE");
    }
    out << fmt::format("{} écritures, {} déséquilibrées.\n", entries.size(), unbalanced);
    return unbalanced == 0 ? kExitOk : kExitFailure;
}

int RunCompare(const CompareOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    std::vector<cVK_EcartComparaison> rows;
    bool ledgerImported = false;
    {
        // The comparison only reads; whatever the engine might write meanwhile is rolled back.
        CActionDossier action(session.Dossier());
        cVK_ComparCptaAss comparison(options.type);
        if (!comparison.Comparer() || ExceptionsShown() != shownBefore)
            throw EngineReportedFailure("La comparaison a échoué");
        rows = comparison.Ecarts();
        ledgerImported = ComptaGrandLivreEntreprise();
    }
    if (options.json) {
        WriteComparisonJson(options.type, rows, out);
        return kExitOk;
    }
    out << fmt::format("{:<14} {:<40} {:>16} {:>16} {:>16}\n", "Compte", "Libellé", "Comptabilité",
                       "Registre", "Écart");
    int differences = 0;
    for (const cVK_EcartComparaison& row : rows) {
        if (row.Ecart != CCurrency(0)) ++differences;
        out << fmt::format("{:<14} {:<40} {:>16} {:>16} {:>16}\n", row.Compte, row.Libelle.substr(0, 40),
                           Amount(row.Comptabilite), Amount(row.Registre), Amount(row.Ecart));
    }
    out << fmt::format("{} comptes, {} écarts.\n", rows.size(), differences);
    if (ledgerImported)
        out << "Comptabilité : le grand livre de l'entreprise importé pour l'exercice en cours "
               "(fec-import).\n";
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
    addEnvironment(command);
    command->callback([&environment, &status, guarded, compare] {
        status = guarded([&] { return RunCompare(*compare, environment, std::cout); });
    });
}

}  // namespace vkhost
