#include "platform/postes.h"

#include <initializer_list>

namespace {

struct Poste {
    int line;
    std::initializer_list<const char*> prefixes;  // accounts of the French general chart
};

// The one table of the account groups the engine tests.
const Poste kPostes[] = {
    {7300, {"211", "212", "213", "214"}},  // land, fixtures, buildings, buildings on others' land
    {7301, {"20"}},                        // intangible assets
    {7302, {"21", "22"}},                  // tangible assets, assets under concession
    {7303, {"26", "27"}},                  // participations and other financial assets
    {7306, {"205"}},                       // patents, licences and similar rights
};

bool StartsWith(const UnicodeString& account, const char* prefix) {
    return account.rfind(prefix, 0) == 0;
}

}  // namespace

bool POSTESCompteEstDansPoste(const UnicodeString& account, int line) {
    for (const Poste& poste : kPostes)
        if (poste.line == line)
            for (const char* prefix : poste.prefixes)
                if (StartsWith(account, prefix)) return true;
    return false;
}
