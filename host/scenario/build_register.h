// The register of a scenario: building its assets through the engine, and reporting them.
#pragma once

#include <memory>
#include <vector>

#include "host/report/report.h"
#include "host/scenario/scenario.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"

namespace vkhost {

// One asset as built: the stored version and its components in input order (the engine keeps
// them in its own order, structure first).
struct BuiltAsset {
    std::unique_ptr<cVK_Bien> asset;
    std::vector<cVK_Composant*> components;  // owned by the asset's component list
};

// Builds and stores one asset in the open case file: a version in the asset's state and
// complement, its vehicle, its components (components[0] is the structure) with their acquisition
// details. Raises EngineReportedFailure when the engine could not store it, InvalidInput naming the
// field (PATH the asset's place in the scenario) for a plan a form would not let one enter.
BuiltAsset BuildAsset(const AssetInput& input, const std::string& path = "assets[0]");

// The report of a built asset: references, state, complement, number of versions of its chain,
// and each component's reference and price.
AssetReport ReportAsset(const BuiltAsset& built);

}  // namespace vkhost
