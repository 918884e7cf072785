// The exits of a scenario, built the way a user disposes of assets, and what the host reports and
// lists of them.
#pragma once

#include <ostream>
#include <vector>

#include "host/report/build.h"
#include "host/report/report.h"
#include "host/scenario/scenario.h"
#include "host/session.h"

class cVK_Cession;
class cVK_Sortie;

namespace vkhost {

// Builds one exit in the open case file: the exit itself; for each of its assets a disposal
// version (state 5, same references) of the asset's latest version, which joins the exit's list;
// for each component of that version a disposal record on the exit's terms (date, end of use,
// reason, VAT flag) with the values the scenario entered; then each component's share of the
// price. Returns the exit's identifier. Raises EngineReportedFailure when the engine could not
// store it.
unsigned BuildExit(const ExitInput& input, const std::vector<AssetKey>& keys);
// Every exit of the scenario, in input order.
std::vector<unsigned> BuildExits(const std::vector<ExitInput>& exits, const std::vector<AssetKey>& keys);

// A component's `disposal` section.
DisposalReport ReportDisposal(const cVK_Cession& cession);
// An exit's totals.
ExitReport ReportExit(const cVK_Sortie& exit);
// The exits still stored among the given ones, read back from the case file, in the given order.
std::vector<ExitReport> ReportExits(const std::vector<unsigned>& ids);

struct ExitsOptions {
    UnicodeString directory;  // the case file
    bool json = false;        // the scenario report's `exits[]`, and the disposals of their assets
    bool csv = false;         // one line per disposed component, the JSON's disposal figures
};

// vkhost exits DIR: every exit of a stored case file, with its assets and its totals of gains and
// losses.
int RunExits(const ExitsOptions& options, const EnvironmentOptions& environment, std::ostream& out);

}  // namespace vkhost
