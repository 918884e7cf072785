// vkhost fec DIR [--year N] [--out DIR] [--separator tab|pipe] [--charset iso-8859-15|utf-8]: the
// whole recorded ledger of one fiscal year written as SirenFECAAAAMMJJ.txt, replacing a file of that
// name whole (status 2 when the case file has no SIREN, an option is invalid, or the ledger holds a
// text the character set cannot hold or an amount with a fraction of a cent; 1 when the file cannot
// be written).
// vkhost fec-import DIR FILE [--charset auto|utf-8|iso-8859-15]: the company's FEC recorded as its
// general ledger of the file's fiscal year, replacing an earlier import of that year, in one
// transaction; a file with a fault is refused whole (status 2, its line, field and reason).
#pragma once

#include <functional>
#include <ostream>

#include "host/session.h"

namespace CLI {
class App;
}

namespace vkhost {

struct FecOptions {
    UnicodeString directory;
    long year = 0;
    UnicodeString outDirectory;
    UnicodeString separator = "tab";
    UnicodeString charset = "iso-8859-15";
};

struct FecImportOptions {
    UnicodeString directory;
    UnicodeString file;
    UnicodeString charset = "auto";
};

int RunFec(const FecOptions& options, const EnvironmentOptions& environment, std::ostream& out);
int RunFecImport(const FecImportOptions& options, const EnvironmentOptions& environment, std::ostream& out);

void AddFecCommands(CLI::App& app, EnvironmentOptions& environment,
                    const std::function<void(CLI::App*)>& addEnvironment,
                    const std::function<int(const std::function<int()>&)>& guarded, int& status);

}  // namespace vkhost
