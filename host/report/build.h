// The report of a scenario, filled from the engine: each asset's latest version read back from the
// case file, with its components, plans, schedules and tax figures.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/report/report.h"
#include "host/scenario/build_register.h"
#include "host/scenario/scenario.h"
#include "units/vksession.h"

namespace vkhost {

// What identifies a scenario's asset across its versions: the chain's calculated reference, and
// each component's (components keep theirs from version to version), in input order.
struct AssetKey {
    std::string ref;
    std::string refCalc;
    std::vector<std::string> componentRefCalcs;
};
AssetKey KeyOf(const BuiltAsset& built);

using vk::LoadAssetByReference;
using vk::LoadLatestVersion;

// One plan at date D, with its whole schedule when asked.
PlanReport ReportPlan(cVK_Amortissement& plan, const TDateTime& at, bool schedule);
ComponentTaxReport ReportComponentTax(cVK_Composant& component, const TDateTime& at);
// The report of an asset's latest version at date D; texts worth telling the user go to warnings.
AssetReport ReportAssetAt(cVK_Bien& asset, const AssetKey& key, const ReportOptions& options,
                          const TDateTime& at, std::vector<std::string>& warnings);

}  // namespace vkhost
