// A register read from a spreadsheet's CSV file: one line per component, French headers, the lines
// of one reference forming one asset. Everything is checked before the caller writes anything.
#pragma once

#include <string>
#include <vector>

#include "host/scenario/scenario.h"

namespace vkhost {

// One refused cell: its line (1 = the header) and column (1 = the first), or 0 when the reason
// concerns the whole line or the whole file.
struct CsvError {
    size_t line = 0;
    size_t column = 0;
    std::string reason;
};
// "ligne 12, colonne 6: Prix HT : montant invalide ..." (the column left out when 0, the line too).
std::string FormatCsvError(const CsvError& error);

struct CsvRegister {
    std::vector<AssetInput> assets;  // in the order of their first line
    std::vector<size_t> firstLines;  // the line of each asset's first component
    std::vector<CsvError> errors;    // empty: every line is sound
    char separator = ';';            // the one detected
    size_t refColumn = 0;            // the column of the references
    bool converted = false;          // read as Windows-1252 (not valid UTF-8)
};

// The headers understood, as written in the documentation.
const std::vector<std::string>& RegisterCsvHeaders();

// Reads the file's bytes: UTF-8 (with or without a byte-order mark) or else Windows-1252; ';' or ','
// between fields (the header line decides); decimal comma or point; dates JJ/MM/AAAA or AAAA-MM-JJ.
// Collects every error rather than stopping at the first (at most `maxErrors`).
CsvRegister ReadRegisterCsv(const std::string& bytes, size_t maxErrors = 100);

}  // namespace vkhost
