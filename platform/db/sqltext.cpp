#include "platform/db/sqltext.h"

#include <cctype>

#include <fmt/format.h>

namespace sqltext {

namespace {
bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}
}  // namespace

UnicodeString Upper(const UnicodeString& text) {
    UnicodeString upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

UnicodeString ReplaceWord(const UnicodeString& sql, const UnicodeString& word,
                          const UnicodeString& replacement, bool onlyBare) {
    const UnicodeString wanted = Upper(word);
    UnicodeString out;
    out.reserve(sql.size());
    size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (c == '\'' || c == '"') {  // copy a quoted part as it stands ('' and "" stay inside)
            size_t end = i + 1;
            while (end < sql.size()) {
                if (sql[end] == c) {
                    if (end + 1 < sql.size() && sql[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            end = end < sql.size() ? end + 1 : end;
            out.append(sql, i, end - i);
            i = end;
        } else if (IsWordChar(c)) {
            size_t end = i;
            while (end < sql.size() && IsWordChar(sql[end])) ++end;
            UnicodeString token = sql.substr(i, end - i);
            size_t next = end;
            while (next < sql.size() && std::isspace(static_cast<unsigned char>(sql[next]))) ++next;
            bool bare = next >= sql.size() || sql[next] != '(';
            out += Upper(token) == wanted && (bare || !onlyBare) ? replacement : token;
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

bool StartsWith(const UnicodeString& sql, const UnicodeString& keywords) {
    UnicodeString normalised;
    bool space = false;
    for (char c : sql) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = !normalised.empty();
            continue;
        }
        if (space) normalised += ' ';
        space = false;
        normalised += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (normalised.size() > keywords.size()) break;
    }
    UnicodeString wanted = Upper(keywords);
    return normalised.compare(0, wanted.size(), wanted) == 0 &&
           (normalised.size() == wanted.size() || !IsWordChar(normalised[wanted.size()]));
}

UnicodeString ObjectName(const UnicodeString& prefix, const UnicodeString& table,
                         const UnicodeString& column) {
    UnicodeString name = Upper(prefix + table + "_" + column);
    if (name.size() <= 31) return name;
    uint32_t hash = 2166136261u;  // FNV-1a: the same name on every machine and build
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    return name.substr(0, 22) + fmt::format("_{:08X}", hash);
}

}  // namespace sqltext
