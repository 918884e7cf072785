// The host's names for the engine's session (units/vksession.h).
#pragma once

#include "units/vksession.h"

namespace vkhost {
using vk::EngineReportedFailure;
using vk::EnvironmentOptions;
using vk::InvalidInput;
using vk::kExitFailure;
using vk::kExitInvalid;
using vk::kExitOk;
using vk::Session;
}  // namespace vkhost
