// The command line in French: help pages and the parser's own failure messages.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace vkhost {

// Help pages laid out as CLI11 does, with French headings and value names ("Utilisation :",
// "Arguments :", TEXTE, OBLIGATOIRE...).
class FrenchFormatter : public CLI::Formatter {
public:
    FrenchFormatter();
    std::string make_group(std::string group, bool is_positional,
                           std::vector<const CLI::Option*> opts) const override;
    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option_opts(const CLI::Option* opt) const override;
    std::string make_description(const CLI::App* app) const override;
};

// Installs the French formatter and the French --help and --version flags on `app`; call it before
// adding the subcommands, which inherit both.
void UseFrench(CLI::App& app, const std::string& version);

// The French text of a failure of the command line's parsing (unknown option, missing argument,
// value out of range...), the argument it concerns named first.
std::string FrenchParseError(const CLI::ParseError& error);

// The value names CLI11 prints in usage lines (TEXT, INT, "INT in [1 - 50]", "{a,b}"...) in French.
std::string FrenchValueName(const std::string& name);

}  // namespace vkhost
