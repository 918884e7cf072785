// vkhost statement: the year-end statements of a case file, in text, CSV, JSON or PDF.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "host/session.h"

namespace vkhost {

struct StatementOptions {
    UnicodeString directory;
    std::string form;
    std::optional<int> year;
    UnicodeString at;  // YYYY-MM-DD, a date inside the year
    std::string format = "text";
    UnicodeString outFile;  // empty: standard output
    std::string asset;      // for "table"
};

int RunStatement(const StatementOptions& options, const EnvironmentOptions& environment, std::ostream& out);

// The bytes of the statements of a form in a format (text, csv, json, pdf), computed on the open
// case file. Raises InvalidInput for a bad form, format, year or asset.
std::string StatementBytes(const std::string& form, const std::string& format, const std::optional<int>& year,
                           const TDateTime& at, const std::string& asset);

// Writes a new file for its owner only (0600), refusing an existing file or a link.
void WriteNewOwnerFile(const UnicodeString& path, const std::string& bytes);

}  // namespace vkhost
