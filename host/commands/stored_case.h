// Commands on a stored case file: the schedule of one asset, validating a version, closing the year,
// and what the commands that read or change a stored case file share.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "host/session.h"
#include "units/uvkbien.h"

namespace vkhost {

struct StoredCaseOptions {
    UnicodeString directory;  // the case file
    UnicodeString reference;  // an asset's entered or calculated reference
    UnicodeString at;         // date of the figures (default: the situation date)
    int complement = 2;       // validate: the complementary state given
    bool json = false;        // schedule: the scenario report's `assets[]` element instead of text
    bool csv = false;         // schedule: one line per schedule line, the JSON's figures
    bool yes = false;         // close-year: no question asked on a terminal
    bool dryRun = false;      // close-year: the summary only, nothing changed
    UnicodeString nextEnd;    // close-year: the next fiscal year's end (default: as recorded, or 12 months)
};

// For the commands that write: the database opened, as the first line on standard error, so that
// the user sees which company's books are changed.
void AnnounceDatabase(Session& session);
// Raises EngineReportedFailure when the engine showed an error since `shownBefore`: a command that
// reads never ends with status 0 after an error, its output cut short.
void FailIfEngineShowedErrors(uint64_t shownBefore, const char* what);

// A stored text (a designation, a reference) as shown on a terminal: its control characters
// (C0, DEL, C1) written escaped ("\u001B"), so that a text entered with them can never drive the
// terminal; the rest unchanged.
std::string Printable(const std::string& text);
// The date of an --at option, JJ/MM/AAAA or AAAA-MM-JJ; `byDefault` when none is given. Raises
// InvalidInput naming the option otherwise.
TDateTime DateOption(const UnicodeString& text, const TDateTime& byDefault);
// The latest version of the asset `options.reference` names; raises InvalidInput naming REF when
// there is none.
std::unique_ptr<cVK_Bien> FindAsset(const StoredCaseOptions& options);

// Prints the schedule of every plan of every component of an asset's latest version; as JSON, the
// asset as the scenario report writes it with its schedules, tax and disposal figures.
int RunSchedule(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out);
// Validates an asset's latest version (stores its opening balances), in one transaction.
int RunValidate(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out);
// Closes the current fiscal year for every asset and moves the case file to the next year, in one
// transaction, with a progress bar.
int RunCloseYear(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out);

}  // namespace vkhost
