// The tables of a database, for the host's reports.
#pragma once

#include <vector>

#include "platform/dossier.h"

namespace vkhost {
// The user tables of the case file's database, by name.
std::vector<UnicodeString> ListTables(CDossier& dossier);
}  // namespace vkhost
