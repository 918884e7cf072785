#include "host/scenario/scenario.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/scenario/fields.h"
#include "host/scenario/sections.h"
#include "host/session.h"

namespace vkhost {

namespace {

// An exit happens in a recorded fiscal year (the ledger takes no entry elsewhere) and not before
// any of its assets entered the register.
void CheckExitDates(const Scenario& scenario) {
    const std::vector<FiscalYearInput>& years = scenario.case_.fiscal_years;
    if (years.empty()) return;
    for (size_t i = 0; i < scenario.exits.size(); ++i) {
        const ExitInput& exit = scenario.exits[i];
        const std::string path = ItemPath("exits", i) + ".date";
        if (exit.date < years.front().start || exit.date > years.back().end)
            fields::Fail(path, "doit tomber dans un exercice enregistré (" +
                                   FormatISODate(years.front().start) + ".." +
                                   FormatISODate(years.back().end) + ")");
        for (const ExitAssetInput& taken : exit.assets)
            for (const ComponentInput& component : scenario.assets[taken.asset_index].components)
                if (exit.date < component.entry_date)
                    fields::Fail(path, "ne doit pas précéder l'entrée du bien \"" + taken.ref + "\" (" +
                                           FormatISODate(component.entry_date) + ")");
    }
}

}  // namespace

Scenario ParseScenario(std::string_view text, const std::string& baseDirectory) {
    JsonValue document = ParseJson(text);
    fields::ObjectReader root(document, "", {"case", "assets", "exits", "actions", "report"});
    Scenario scenario;
    scenario.case_ = sections::ReadCase(root.Require("case"), root.PathOf("case"));
    scenario.assets = sections::ReadAssets(root);
    scenario.exits = sections::ReadExits(root, scenario.assets);
    scenario.actions = sections::ReadActions(root, scenario.assets, baseDirectory);
    scenario.report = sections::ReadReportOptions(root);
    CheckExitDates(scenario);
    return scenario;
}

Scenario ParseScenarioFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw InvalidInput(path + ": illisible (un répertoire)");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InvalidInput(path + ": illisible (" + std::strerror(errno) + ")");
    const auto tooLarge = [&] {
        return InvalidInput(path + ": plus de " + std::to_string(kMaxScenarioBytes >> 20) + " Mio");
    };
    if (std::filesystem::is_regular_file(path, error) &&
        std::filesystem::file_size(path, error) > kMaxScenarioBytes && !error)
        throw tooLarge();
    // Read by blocks, so that a file without end (a device, a pipe) stops at the limit.
    std::string text;
    std::vector<char> block(1 << 16);
    while (file.read(block.data(), std::streamsize(block.size())) || file.gcount() > 0) {
        text.append(block.data(), size_t(file.gcount()));
        if (text.size() > kMaxScenarioBytes) throw tooLarge();
    }
    if (file.bad()) throw InvalidInput(path + ": illisible");
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return ParseScenario(text, error ? std::string() : absolute.parent_path().string());
}

}  // namespace vkhost
