#include "tests/support/fec_conformity.h"

#include <iconv.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace vktest {

namespace {

const char* const kNames[] = {"JournalCode", "JournalLib",    "EcritureNum", "EcritureDate", "CompteNum",
                              "CompteLib",   "CompAuxNum",    "CompAuxLib",  "PieceRef",     "PieceDate",
                              "EcritureLib", "Debit",         "Credit",      "EcritureLet",  "DateLet",
                              "ValidDate",   "Montantdevise", "Idevise"};

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields(1);
    for (char c : line)
        if (c == separator)
            fields.emplace_back();
        else
            fields.back() += c;
    return fields;
}

// The bytes as UTF-8; false when they are not text of the set.
bool Decode(const std::string& bytes, bool iso885915, std::string& text) {
    iconv_t cd = iconv_open("UTF-8", iso885915 ? "ISO-8859-15" : "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    text.assign(bytes.size() * 3 + 1, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size(), outLeft = text.size();
    char* out = text.data();
    const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
    text.resize(text.size() - outLeft);
    iconv_close(cd);
    return ok;
}

long long Cents(const std::string& amount) {
    const size_t comma = amount.find(',');
    const bool negative = amount[0] == '-';
    const long long units = std::stoll(amount.substr(negative ? 1 : 0, comma - (negative ? 1 : 0)));
    const long long cents = units * 100 + std::stoll(amount.substr(comma + 1));
    return negative ? -cents : cents;
}

}  // namespace

FecContent CheckFec(const std::string& path, const FecExpectation& expected) {
    FecContent content;
    auto fault = [&](size_t line, const std::string& what) {
        content.faults.push_back("line " + std::to_string(line) + ": " + what);
    };
    const std::filesystem::path file(path);
    const std::string name = expected.siren + "FEC" + expected.yearEnd + ".txt";
    if (file.filename() != name) fault(0, "file name " + file.filename().string() + ", expected " + name);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || (status.st_mode & 0777) != 0600)
        fault(0, "not a regular file of mode 0600");

    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string raw = bytes.str();
    if (expected.iso885915)
        for (unsigned char c : raw)
            if (c >= 0x80 && c <= 0x9F) {
                fault(0, "a control byte of ISO 8859-15 (0x80-0x9F): UTF-8 text leaked?");
                break;
            }
    std::string text;
    if (!Decode(raw, expected.iso885915, text)) fault(0, "bytes outside the character set");

    const std::regex date("[0-9]{8}");
    const std::regex amount("-?[0-9]+,[0-9]{2}");
    std::istringstream lines(text);
    std::string line;
    size_t number = 0;
    std::map<int, long long> balance;
    std::set<int> closed;
    int previous = 0;
    std::string previousDate;
    while (std::getline(lines, line)) {
        ++number;
        const std::vector<std::string> fields = Split(line, expected.separator);
        if (fields.size() != std::size(kNames)) {
            fault(number, std::to_string(fields.size()) + " fields");
            continue;
        }
        if (number == 1) {
            for (size_t i = 0; i < fields.size(); ++i)
                if (fields[i] != kNames[i]) fault(1, "header field " + fields[i] + ", expected " + kNames[i]);
            continue;
        }
        FecLine row;
        for (size_t i = 0; i < fields.size(); ++i) row.field[kNames[i]] = fields[i];
        auto& f = row.field;
        for (const char* required : {"JournalCode", "JournalLib", "EcritureNum", "CompteNum", "CompteLib",
                                     "PieceRef", "EcritureLib"})
            if (f[required].empty()) fault(number, std::string(required) + " empty");
        for (const char* name : {"EcritureDate", "PieceDate", "ValidDate"})
            if (!std::regex_match(f[name], date)) fault(number, std::string(name) + " \"" + f[name] + "\"");
        if (f["EcritureDate"] < expected.yearStart || f["EcritureDate"] > expected.yearEnd)
            fault(number, "EcritureDate " + f["EcritureDate"] + " outside the fiscal year");
        if (!expected.validDate.empty() && f["ValidDate"] != expected.validDate)
            fault(number, "ValidDate " + f["ValidDate"] + ", expected " + expected.validDate);
        const bool amounts = std::regex_match(f["Debit"], amount) && std::regex_match(f["Credit"], amount);
        if (!amounts) fault(number, "amounts \"" + f["Debit"] + "\" \"" + f["Credit"] + "\"");
        try {
            row.number = std::stoi(f["EcritureNum"]);
        } catch (const std::exception&) {
            fault(number, "EcritureNum \"" + f["EcritureNum"] + "\"");
        }
        if (row.number != previous) {
            // A new entry: the next number, never one seen before, dated on or after the previous one.
            if (row.number != previous + 1 || closed.count(row.number))
                fault(number,
                      "EcritureNum " + std::to_string(row.number) + " after " + std::to_string(previous));
            if (f["EcritureDate"] < previousDate)
                fault(number,
                      "entry " + f["EcritureNum"] + " dated before entry " + std::to_string(previous));
            closed.insert(previous);
            previous = row.number;
            previousDate = f["EcritureDate"];
            ++content.entries;
        }
        if (amounts) balance[row.number] += Cents(f["Debit"]) - Cents(f["Credit"]);
        content.lines.push_back(std::move(row));
    }
    if (number == 0) fault(1, "no header");
    for (const auto& [entry, total] : balance)
        if (total != 0)
            fault(0, "entry " + std::to_string(entry) + " unbalanced by " + std::to_string(total) + " cents");
    return content;
}

}  // namespace vktest
