// `vkhost import DIR FILE.csv`: a register read from a spreadsheet, stored in one transaction.
#pragma once

#include <ostream>

#include "host/session.h"

namespace vkhost {

struct ImportOptions {
    UnicodeString directory;
    UnicodeString file;
};

// Reads and checks every line, then stores every asset in one transaction and lists them as
// `list` does. Any refused line: its errors on `errors` (`ligne L, colonne C : raison`), status 2,
// nothing written.
int RunImport(const ImportOptions& options, const EnvironmentOptions& environment, std::ostream& out,
              std::ostream& errors);

}  // namespace vkhost
