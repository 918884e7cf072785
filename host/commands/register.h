// The commands on a case file's register (list, import), added to the command line.
#pragma once

#include <functional>

#include "host/session.h"

namespace CLI {
class App;
}

namespace vkhost {

// Runs a command and turns its failures into an exit status.
using GuardedRun = std::function<int(const std::function<int()>&)>;

void AddRegisterCommands(CLI::App& app, const std::function<void(CLI::App*)>& addEnvironment,
                         const EnvironmentOptions& environment, int& status, const GuardedRun& guarded);

}  // namespace vkhost
