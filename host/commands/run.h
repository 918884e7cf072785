// vkhost run: builds a case file from a scenario, runs it through the engine and reports.
#pragma once

#include <ostream>

#include "host/scenario/scenario.h"
#include "host/session.h"

namespace vkhost {

struct RunOptions {
    UnicodeString scenario;       // the scenario file
    UnicodeString caseDirectory;  // empty: a temporary case file, removed afterwards
    UnicodeString envDirectory;   // empty: a temporary environment, removed afterwards
    UnicodeString reportFile;     // empty: the report goes to `out`
};

// Exit status 0 with the report written; invalid input raises InvalidInput ("PATH: REASON", status
// 2); an engine or database failure raises (status 1). On any failure no report is written and no
// case file is left: the case file this run created is removed, with its directory when it was
// given (--case).
int RunScenario(const RunOptions& options, std::ostream& out);

// Refuses (InvalidInput "PATH: not supported yet by this host") the parts of a valid scenario that
// need engine parts this host does not drive yet.
void RefuseUnsupported(const Scenario& scenario);

}  // namespace vkhost
