// A FEC file checked as the tax administration's reader would, against the rules the file must
// follow, without the engine's code: the name, the owner-only mode, the character set, the header,
// every field's form, the numbering and the balance of every entry.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vktest {

struct FecExpectation {
    std::string siren;      // the file is named SIRENFECAAAAMMJJ.txt
    std::string yearStart;  // AAAAMMJJ: every EcritureDate falls in the fiscal year
    std::string yearEnd;    // AAAAMMJJ, the closing date
    std::string validDate;  // AAAAMMJJ expected on every line; empty: any valid date
    bool iso885915 = true;  // else UTF-8
    char separator = '\t';
};

struct FecLine {
    std::map<std::string, std::string> field;  // by header name, as UTF-8
    int number = 0;                            // EcritureNum
};

struct FecContent {
    std::vector<FecLine> lines;
    std::vector<std::string> faults;  // one text per broken rule, naming the line
    int entries = 0;
};

// Reads and checks the file at `path`.
FecContent CheckFec(const std::string& path, const FecExpectation& expected);

}  // namespace vktest
