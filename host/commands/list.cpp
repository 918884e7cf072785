#include "host/commands/list.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "host/commands/csv_writer.h"
#include "host/commands/stored_case.h"
#include "host/commands/user_date.h"
#include "host/json/writer.h"
#include "units/uvketat_sortie.h"

namespace vkhost {

namespace {

const char* const kStateNames[] = {"Aucun",           "Importation",  "Initialisation",
                                   "Mise aux normes", "Modification", "Cession"};
constexpr int kStateCount = 6;

std::string Lowercase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void WriteText(const std::vector<vk::RegisterLine>& lines, const TDateTime& at, std::ostream& out) {
    const std::string nbvHeader = "VNC au " + vketat::DateFrancaise(at);
    out << fmt::format("{:<10}  {:<40}  {:<15}  {:<13}  {:<10}  {:>16}  {:>16}\n", "Référence", "Désignation",
                       "État", "Compte", "Entrée", "Valeur brute", nbvHeader);
    CCurrency gross(0), nbv(0);
    for (const vk::RegisterLine& line : lines) {
        out << fmt::format("{:<10}  {:<40}  {:<15}  {:<13}  {:<10}  {:>16}  {:>16}\n", Printable(line.ref),
                           Printable(line.designation), StateName(line.state), Printable(line.account),
                           vketat::DateFrancaise(line.entryDate), vketat::MontantFrancais(line.gross),
                           vketat::MontantFrancais(line.nbv));
        gross += line.gross;
        nbv += line.nbv;
    }
    const std::string count = fmt::format("{} bien{}", lines.size(), lines.size() > 1 ? "s" : "");
    out << fmt::format("{:<96}  {:>16}  {:>16}\n", count, vketat::MontantFrancais(gross),
                       vketat::MontantFrancais(nbv));
}

void WriteJson(const std::vector<vk::RegisterLine>& lines, const TDateTime& at, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("at", at);
    json.Array("assets", lines, [&](const vk::RegisterLine& line) {
        json.BeginObject();
        json.Field("ref", line.ref);
        json.Field("ref_calc", std::stoll(line.refCalc));
        json.Field("designation", line.designation);
        json.Field("state", line.state);
        json.Field("complement", line.complement);
        json.Field("account", line.account);
        json.Field("entry_date", line.entryDate);
        json.Field("gross_value", line.gross);
        json.Field("nbv", line.nbv);
        json.EndObject();
    });
    json.EndObject();
    out << '\n';
}

void WriteCsv(const std::vector<vk::RegisterLine>& lines, std::ostream& out) {
    CsvWriter csv(out);
    csv.Header({"ref", "ref_calc", "designation", "state", "complement", "account", "entry_date",
                "gross_value", "nbv"});
    for (const vk::RegisterLine& line : lines)
        csv.Row(line.ref, line.refCalc, line.designation, line.state, line.complement, line.account,
                line.entryDate, line.gross, line.nbv);
}

}  // namespace

OutputFormat ChosenFormat(bool json, bool csv) {
    if (json && csv) throw InvalidInput("--json, --csv : choisir l'un ou l'autre");
    return json ? OutputFormat::Json : csv ? OutputFormat::Csv : OutputFormat::Text;
}

int ReadState(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kStateCount) return text[0] - '0';
    for (int state = 0; state < kStateCount; ++state)
        if (Lowercase(text) == Lowercase(kStateNames[state])) return state;
    throw InvalidInput("--state : état inconnu \"" + text +
                       "\" (0 à 5, ou Aucun, Importation, Initialisation, Mise aux normes, Modification, "
                       "Cession)");
}

std::string StateName(int state) {
    return state >= 0 && state < kStateCount ? kStateNames[state] : std::to_string(state);
}

void WriteRegister(const std::vector<vk::RegisterLine>& lines, const TDateTime& at, OutputFormat format,
                   std::ostream& out) {
    switch (format) {
        case OutputFormat::Json:
            return WriteJson(lines, at, out);
        case OutputFormat::Csv:
            return WriteCsv(lines, out);
        case OutputFormat::Text:
            return WriteText(lines, at, out);
    }
}

int RunList(const ListOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    const OutputFormat format = ChosenFormat(options.json, options.csv);
    std::optional<int> state;
    if (!options.state.empty()) state = ReadState(options.state);
    std::optional<TDateTime> at;
    if (!options.at.empty()) at = ReadDateOption(options.at, "--at");
    Session session(environment);
    session.Open(options.directory);
    const uint64_t shownBefore = ExceptionsShown();
    const TDateTime date = at ? *at : session.Dossier().DateSituation;
    // The engine computes a plan's figures inside the current fiscal year only: a later date would
    // silently show the year-end figures.
    if (date < session.Dossier().DateDebutExercice || date > session.Dossier().DateFinExercice)
        throw InvalidInput("--at : " + vketat::DateFrancaise(date) + " hors de l'exercice courant (du " +
                           vketat::DateFrancaise(session.Dossier().DateDebutExercice) + " au " +
                           vketat::DateFrancaise(session.Dossier().DateFinExercice) + ")");
    const std::vector<vk::RegisterLine> lines = vk::ListRegister(date, state);
    FailIfEngineShowedErrors(shownBefore, "Registre");
    std::ostringstream text;  // written whole, once the engine has read everything without an error
    WriteRegister(lines, date, format, text);
    out << text.str();
    return kExitOk;
}

}  // namespace vkhost
