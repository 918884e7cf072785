#include "host/scenario.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/scenario_sections.h"
#include "host/session.h"

namespace vkhost {

Scenario ParseScenario(std::string_view text, const std::string& baseDirectory) {
    JsonValue document = ParseJson(text);
    fields::ObjectReader root(document, "", {"case", "assets", "exits", "actions", "report"});
    Scenario scenario;
    scenario.case_ = sections::ReadCase(root.Require("case"), root.PathOf("case"));
    scenario.assets = sections::ReadAssets(root);
    scenario.exits = sections::ReadExits(root, scenario.assets);
    scenario.actions = sections::ReadActions(root, scenario.assets, baseDirectory);
    scenario.report = sections::ReadReportOptions(root);
    return scenario;
}

Scenario ParseScenarioFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw InvalidInput(path + ": cannot be read (a directory)");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InvalidInput(path + ": cannot be read (" + std::strerror(errno) + ")");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw InvalidInput(path + ": cannot be read");
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return ParseScenario(text.str(), error ? std::string() : absolute.parent_path().string());
}

}  // namespace vkhost
