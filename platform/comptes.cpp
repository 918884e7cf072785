#include "platform/comptes.h"

#include <cstring>

#include "platform/dossier.h"

namespace {

// The one table of the standard accounts, indexed by kind (French general chart).
constexpr const char* kComptesStandard[kNombreTypesComptes] = {
    "681110",  // 0 depreciation charge, intangible assets
    "681120",  // 1 depreciation charge, tangible assets
    "681120",  // 2 depreciation charge, other assets
    "687100",  // 3 exceptional depreciation charge, intangible
    "687100",  // 4 exceptional depreciation charge, tangible
    "687100",  // 5 exceptional depreciation charge, other
    "145000",  // 6 derogatory depreciation (balance sheet)
    "687250",  // 7 derogatory depreciation charge
    "787250",  // 8 derogatory depreciation reversal
    "681610",  // 9 impairment charge, intangible
    "681620",  // 10 impairment charge, tangible
    "681620",  // 11 impairment charge, other
    "686620",  // 12 impairment charge, financial
    "781610",  // 13 impairment reversal, intangible
    "781620",  // 14 impairment reversal, tangible
    "781620",  // 15 impairment reversal, other
    "786620",  // 16 impairment reversal, financial
    "445620",  // 17 VAT to be reversed
    "675100",  // 18 net book value of disposed assets, intangible
    "675200",  // 19 net book value of disposed assets, tangible
    "675200",  // 20 net book value of disposed assets, other
    "675600",  // 21 net book value of disposed assets, financial
    "110000",  // 22 balancing account of standards conformity
};

}  // namespace

UnicodeString COMPTESGetCompte(int chart, int kind) {
    if (chart != kPlanComptableGeneral || kind < 0 || kind >= kNombreTypesComptes) return "";
    UnicodeString account = kComptesStandard[kind];
    return pCurDossier ? pCurDossier->DossierCompleteCompte(account, true) : account;
}

bool COMPTESGetCompteC(char* account, int size, int chart, int kind) {
    if (!account || size <= 0) return false;
    account[0] = '\0';
    const UnicodeString text = COMPTESGetCompte(chart, kind);
    if (text.empty() || text.size() >= static_cast<size_t>(size)) return false;
    std::memcpy(account, text.c_str(), text.size() + 1);
    return true;
}
