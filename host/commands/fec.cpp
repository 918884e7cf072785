// vkhost fec and fec-import: the ledger of a fiscal year written as the company's FEC, and the
// company's own FEC read into the case file as its general ledger.
#include "host/commands/fec.h"
#include "host/commands/screen_format.h"

#include <iostream>
#include <memory>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "platform/fec.h"

namespace vkhost {

int RunFec(const FecOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    fec::OptionsEcriture writing;
    if (options.separator == "tab")
        writing.Separateur = '\t';
    else if (options.separator == "pipe")
        writing.Separateur = '|';
    else
        throw InvalidInput("--separator: tab ou pipe, pas \"" + options.separator + "\"");
    fec::JeuLecture charset;
    if (!fec::JeuLectureDepuisNom(options.charset, charset) || charset == fec::JeuLecture::Auto)
        throw InvalidInput("--charset: iso-8859-15 ou utf-8, pas \"" + options.charset + "\"");
    writing.JeuCaracteres = charset == fec::JeuLecture::Utf8 ? fec::Jeu::Utf8 : fec::Jeu::Iso885915;
    Session session(environment);
    session.Open(options.directory);
    CDossier& dossier = session.Dossier();
    if (dossier.Siren.empty())
        throw InvalidInput("siren: le dossier n'a pas de SIREN (vkhost init --siren) ; il nomme le fichier");
    UnicodeString path;
    try {
        path = fec::Exporter(dossier, options.year, options.outDirectory.empty() ? "." : options.outDirectory,
                             writing);
    } catch (const fec::EContenuNonEcrivable& e) {
        throw InvalidInput(UnicodeString(e.what()) + " Aucun fichier n'est écrit.");
    }
    out << fmt::format("Fichier des écritures comptables écrit : {}\n", path);
    return kExitOk;
}

int RunFecImport(const FecImportOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    fec::JeuLecture charset;
    if (!fec::JeuLectureDepuisNom(options.charset, charset))
        throw InvalidInput("--charset: auto, iso-8859-15 ou utf-8, pas \"" + options.charset + "\"");
    Session session(environment);
    session.Open(options.directory);
    fec::BilanImport bilan;
    try {
        session.RunAction([&] { bilan = fec::Importer(session.Dossier(), options.file, charset); });
    } catch (const fec::EFichierInvalide& e) {
        throw InvalidInput(options.file + ", " + e.what() +
                           " : le fichier est refusé, rien n'est enregistré");
    }
    out << fmt::format(
        "Grand livre de l'exercice du {} au {} importé : {} lignes, {} écritures{}.\n",
        ScreenDate(bilan.Debut), ScreenDate(bilan.Fin), bilan.Lignes, bilan.Ecritures,
        bilan.Remplacees ? fmt::format(" (remplace l'import précédent, {} lignes)", bilan.Remplacees) : "");
    return kExitOk;
}

void AddFecCommands(CLI::App& app, EnvironmentOptions& environment,
                    const std::function<void(CLI::App*)>& addEnvironment,
                    const std::function<int(const std::function<int()>&)>& guarded, int& status) {
    auto fecOptions = std::make_shared<FecOptions>();
    CLI::App* command = app.add_subcommand("fec",
                                           "écrit la comptabilité enregistrée d'un exercice comme le FEC de "
                                           "l'entreprise (SirenFECAAAAMMJJ.txt)");
    command->add_option("DIR", fecOptions->directory, "répertoire du dossier")->required();
    command->add_option("--year", fecOptions->year, "exercice, relatif à l'exercice courant (par défaut 0)");
    command->add_option("--out", fecOptions->outDirectory,
                        "répertoire du fichier (par défaut : le répertoire courant)");
    command->add_option("--separator", fecOptions->separator, "tab (par défaut) ou pipe");
    command->add_option("--charset", fecOptions->charset, "iso-8859-15 (par défaut) ou utf-8");
    addEnvironment(command);
    command->callback([&environment, &status, guarded, fecOptions] {
        status = guarded([&] { return RunFec(*fecOptions, environment, std::cout); });
    });

    auto importOptions = std::make_shared<FecImportOptions>();
    command = app.add_subcommand(
        "fec-import", "lit le FEC de l'entreprise dans le dossier comme son grand livre de l'exercice");
    command->add_option("DIR", importOptions->directory, "répertoire du dossier")->required();
    command->add_option("FILE", importOptions->file, "le FEC (tabulation ou |, UTF-8 ou ISO 8859-15)")
        ->required();
    command->add_option("--charset", importOptions->charset, "auto (par défaut), utf-8 ou iso-8859-15");
    addEnvironment(command);
    command->callback([&environment, &status, guarded, importOptions] {
        status = guarded([&] { return RunFecImport(*importOptions, environment, std::cout); });
    });
}

}  // namespace vkhost
