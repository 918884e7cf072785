#include <filesystem>

#include <fmt/format.h>

#include "host/commands/commands.h"
#include "host/commands/screen_format.h"
#include "host/commands/user_date.h"
#include "host/report/tables.h"
#include "platform/files.h"
#include "units/uvktables.h"

namespace vkhost {

namespace {

TDateTime ParseOption(const UnicodeString& text, const char* option) {
    return ReadDateOption(text, option);
}

}  // namespace

ParametresDossier ParametersFromOptions(const InitOptions& options) {
    ParametresDossier parameters;
    parameters.RaisonSociale = options.company;
    if (!options.siren.empty() && !SirenValide(options.siren))
        throw InvalidInput("--siren: \"" + options.siren +
                           "\" n'est pas un SIREN (9 chiffres dont la clé de Luhn est juste)");
    parameters.Siren = options.siren;
    parameters.RegimeFiscal = options.taxRegime;
    parameters.LongueurCompte = options.accountLength;
    if (!options.database.empty() && !TIBDatabase::IsRemotePath(options.database))
        throw InvalidInput(
            "--database: une base sur un serveur Firebird, hôte:chemin ou hôte/port:chemin, pas \"" +
            options.database + "\"");
    parameters.Base = options.database;
    TDateTime start;
    if (options.firstYear.empty()) {
        int year, month, day;
        DecodeDate(Date(), year, month, day);
        start = EncodeDate(year - (options.years - 1), 1, 1);
    } else {
        start = ParseOption(options.firstYear, "--first-year");
    }
    for (int i = 0; i < options.years; ++i) {
        TDateTime next = AjouteMois(start, 12);
        parameters.Exercices.push_back({start, next - 1, false});
        start = next;
    }
    parameters.DebutExerciceCourant = options.currentYear.empty()
                                          ? parameters.Exercices.back().Debut
                                          : ParseOption(options.currentYear, "--current-year");
    // The years before the current one have been closed by the accountant.
    for (ExerciceFiscal& year : parameters.Exercices)
        year.Cloture = year.Debut < parameters.DebutExerciceCourant;
    if (!options.situationDate.empty())
        parameters.DateSituation = ParseOption(options.situationDate, "--situation-date");
    return parameters;
}

void PrintCaseFile(CDossier& dossier, std::ostream& out) {
    out << fmt::format("Dossier     : {}\n", dossier.Repertoire());
    out << fmt::format("Base        : {}\n", dossier.GetDatabaseFirebird()->Path());
    out << fmt::format("Société     : {}\n", dossier.RaisonSociale);
    out << fmt::format("SIREN       : {}\n", dossier.Siren.empty() ? "non renseigné" : dossier.Siren);
    out << fmt::format("Régime      : {}{}\n", dossier.RegimeFiscal,
                       dossier.DossierIS() ? " (impôt sur les sociétés)" : "");
    out << fmt::format("Comptes     : {} caractères\n", dossier.LongueurCompte);
    out << "Exercices   :\n";
    for (const ExerciceFiscal& year : dossier.Exercices())
        out << fmt::format("  {:>3}  {} au {}  {}\n", dossier.DonnerExercice(year.Debut),
                           ScreenDate(year.Debut), ScreenDate(year.Fin), year.Cloture ? "clos" : "ouvert");
    out << fmt::format("Situation   : {}\n", ScreenDate(dossier.DateSituation));
    out << "Tables      : " << fmt::format("{}", fmt::join(ListTables(dossier), ", ")) << "\n";
}

int RunInit(const InitOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    ParametresDossier parameters = ParametersFromOptions(options);
    DirectoryClaim claim(options.directory, "DIR");
    Session session(environment);
    session.Create(options.directory, parameters);
    // The engine's tables, created and committed with the case file; a case file without them is
    // not left behind.
    if (!VK_CreerTables("")) {
        session.Close();
        std::error_code ignored;
        for (const char* file : {CDossier::kNomBase, CDossier::kNomIni})
            std::filesystem::remove(std::filesystem::path(options.directory) / file, ignored);
        throw EngineReportedFailure("Les tables du registre n'ont pas pu être créées");
    }
    claim.Keep();
    out << "Dossier créé.\n";
    PrintCaseFile(session.Dossier(), out);
    return kExitOk;
}

}  // namespace vkhost
