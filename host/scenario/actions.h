// The actions of a scenario, run in order after its register and exits are built.
#pragma once

#include <vector>

#include "host/report/build.h"
#include "host/scenario/scenario.h"
#include "host/session.h"

namespace vkhost {

// Runs one action inside the scenario's transaction. Raises EngineReportedFailure or InvalidInput.
void RunScenarioAction(Session& session, const ActionInput& action, const std::vector<AssetKey>& keys);

}  // namespace vkhost
