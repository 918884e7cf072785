// The register of a stored case file: `vkhost list`, as text, JSON or CSV.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/session.h"
#include "units/vkregistre.h"

namespace vkhost {

enum class OutputFormat { Text, Json, Csv };

struct ListOptions {
    UnicodeString directory;
    UnicodeString at;     // date of the net book values (default: the situation date)
    UnicodeString state;  // only this state (its number 0..5 or its name); empty: every asset
    bool json = false;
    bool csv = false;
};

// The format asked for by --json and --csv (raises InvalidInput when both are given).
OutputFormat ChosenFormat(bool json, bool csv);
// The state a user names by its number (0..5) or its French name ("cession", "Mise aux normes");
// raises InvalidInput otherwise.
int ReadState(const std::string& text);
// The French name of a version's state ("Initialisation").
std::string StateName(int state);

// The register as a host prints it: aligned French text, JSON (the report's field names, exact
// amounts, ISO dates) or CSV (the same fields and figures, as csv_writer.h writes them).
void WriteRegister(const std::vector<vk::RegisterLine>& lines, const TDateTime& at, OutputFormat format,
                   std::ostream& out);

int RunList(const ListOptions& options, const EnvironmentOptions& environment, std::ostream& out);

}  // namespace vkhost
