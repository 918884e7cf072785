#include "host/commands/cli_french.h"

#include <regex>
#include <utility>
#include <vector>

namespace vkhost {

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The group headings CLI11 uses, in French.
std::string FrenchHeading(const std::string& group) {
    if (group == "Options" || group == "OPTIONS") return "Options";
    if (group == "Positionals") return "Arguments";
    if (group == "Subcommands") return "Commandes";
    return group;
}

struct Rewrite {
    std::regex pattern;
    const char* french;
};

// CLI11's failure messages, each pattern matched against the whole message. The first that matches
// gives the French text; its groups keep the names and values the user typed.
const std::vector<Rewrite>& Rewrites() {
    static const std::vector<Rewrite> rewrites = [] {
        const std::pair<const char*, const char*> table[] = {
            {"A subcommand is required", "une commande est attendue (vkhost --help les liste)"},
            {"(.+) is required", "$1 : argument obligatoire manquant"},
            {"The following arguments? (?:was|were) not expected: (.*)", "argument inattendu : $1"},
            {"(.+): Value (.+) not in range (.+) to (.+)", "$1 : la valeur $2 n'est pas entre $3 et $4"},
            {"(.+): Value (.+) could not be converted", "$1 : la valeur $2 n'est pas un nombre"},
            {"(.+): (.*) not in \\{(.*)\\}", "$1 : la valeur $2 n'est pas l'une de $3"},
            {"Could not convert: (.+) = (.*)", "$1 : la valeur $2 n'est pas reconnue"},
            {"The value (.+) is not an allowed value for (.+)", "$2 : la valeur $1 n'est pas reconnue"},
            {"(.+): too many inputs for a flag", "$1 : cette option ne prend pas de valeur"},
            {"(.+): Should be true/false or a number", "$1 : cette option ne prend pas de valeur"},
            {"(.+): \\d+ required .* missing", "$1 : valeur manquante"},
            {"Expected exactly (\\d+) arguments? to (.+), got (\\d+)",
             "$2 : $1 valeur(s) attendue(s), $3 reçue(s)"},
            {"Expected at least (\\d+) arguments? to (.+), got (\\d+)",
             "$2 : au moins $1 valeur(s) attendue(s), $3 reçue(s)"},
            {"(.+) requires (.+)", "$1 : demande aussi $2"},
            {"(.+) excludes (.+)", "$1 : incompatible avec $2"},
        };
        std::vector<Rewrite> built;
        for (const auto& [pattern, french] : table) built.push_back({std::regex(pattern), french});
        return built;
    }();
    return rewrites;
}

}  // namespace

FrenchFormatter::FrenchFormatter() {
    label("Usage", "Utilisation");
    label("OPTIONS", "OPTIONS");
    label("SUBCOMMAND", "COMMANDE");
    label("SUBCOMMANDS", "COMMANDES");
    label("Positionals", "Positionals");  // translated with the other headings in make_group
    label("REQUIRED", "OBLIGATOIRE");
    label("Env", "Variable");
    label("Needs", "Demande");
    label("Excludes", "Exclut");
}

std::string FrenchFormatter::make_group(std::string group, bool is_positional,
                                        std::vector<const CLI::Option*> opts) const {
    std::string out = "\n" + FrenchHeading(group) + " :\n";
    for (const CLI::Option* opt : opts) out += make_option(opt, is_positional);
    return out;
}

std::string FrenchFormatter::make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const {
    return Replaced(CLI::Formatter::make_subcommands(app, mode), "\nSubcommands:\n", "\nCommandes :\n");
}

std::string FrenchFormatter::make_usage(const CLI::App* app, std::string name) const {
    std::string usage = CLI::Formatter::make_usage(app, name);
    if (usage.rfind("Utilisation:", 0) == 0) usage.replace(0, 12, "Utilisation :");
    return usage;
}

std::string FrenchFormatter::make_option_opts(const CLI::Option* opt) const {
    return FrenchValueName(CLI::Formatter::make_option_opts(opt));
}

std::string FrenchFormatter::make_description(const CLI::App* app) const {
    return Replaced(CLI::Formatter::make_description(app), " REQUIRED ", " OBLIGATOIRE ");
}

std::string FrenchValueName(const std::string& name) {
    static const std::regex range("\\b(?:U?INT:)?INT in \\[(-?\\d+) - (-?\\d+)\\]");
    static const std::regex words("\\b(TEXT|UINT|INT|FLOAT|BOOLEAN)\\b");
    std::string french =
        Replaced(std::regex_replace(name, range, "ENTIER entre $1 et $2"), "TEXT:{", "TEXT parmi {");
    std::string out;
    std::sregex_iterator end;
    size_t copied = 0;
    for (std::sregex_iterator it(french.begin(), french.end(), words); it != end; ++it) {
        out += french.substr(copied, it->position() - copied);
        const std::string word = it->str();
        out += word == "TEXT"      ? "TEXTE"
               : word == "FLOAT"   ? "NOMBRE"
               : word == "BOOLEAN" ? "BOOLÉEN"
                                   : "ENTIER";
        copied = it->position() + it->length();
    }
    return out + french.substr(copied);
}

void UseFrench(CLI::App& app, const std::string& version) {
    app.formatter(std::make_shared<FrenchFormatter>());
    app.set_help_flag("-h,--help", "afficher cette aide et quitter");
    app.set_version_flag("--version", version, "afficher la version et quitter");
}

std::string FrenchParseError(const CLI::ParseError& error) {
    const std::string message = error.what();
    for (const Rewrite& rewrite : Rewrites())
        if (std::regex_match(message, rewrite.pattern))
            return std::regex_replace(message, rewrite.pattern, rewrite.french);
    return "ligne de commande invalide : " + message;
}

}  // namespace vkhost
