// The host's commands, each a thin driver over the engine.
#pragma once

#include <ostream>

#include "host/session.h"

namespace vkhost {

struct InitOptions {
    UnicodeString directory;
    UnicodeString company = "Demo";  // the legal name (--company or --name)
    UnicodeString siren;             // empty: not recorded
    UnicodeString firstYear;         // default: 1 January, two years before this one
    int years = 3;
    UnicodeString currentYear;  // default: the last recorded year
    UnicodeString situationDate;
    int taxRegime = 1;
    int accountLength = 6;
    UnicodeString database;  // empty: DIR/dossier.fdb (through $VK_SERVER when set)
};

struct DemoOptions {
    UnicodeString keepDirectory;  // empty: a temporary case file, removed at the end
};

// Builds the parameters of a new case file from the command's options (raises InvalidInput).
ParametresDossier ParametersFromOptions(const InitOptions& options);
// Describes an open case file: database, company, fiscal years, tables.
void PrintCaseFile(CDossier& dossier, std::ostream& out);

int RunInit(const InitOptions& options, const EnvironmentOptions& environment, std::ostream& out);
int RunDemo(const DemoOptions& options, const EnvironmentOptions& environment, std::ostream& out);

}  // namespace vkhost
