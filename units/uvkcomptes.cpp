// The derived accounts of an asset account, account labels, and the establishment callback.
#include "units/uvkcomptes.h"

#include "platform/dossier.h"
#include "platform/tablesfichier.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 5000
#include "units/vklocation.h"

cVK_ListComptes ListeComptes;

namespace {

constexpr size_t kLongueurCompte = 14;

// The account completed to the case file's length (the standard controls' completion), at most 14
// characters kept.
UnicodeString Complete(const UnicodeString& account) {
    return pCurDossier->DossierCompleteCompte(account, true).substr(0, kLongueurCompte);
}

// The digit inserted as second character; a final zero then dropped, so that an account ending in
// zero keeps its length.
UnicodeString Derive(const UnicodeString& account, char digit) {
    UnicodeString derived = account.substr(0, 1) + digit + account.substr(account.empty() ? 0 : 1);
    if (derived.size() > 1 && derived.back() == '0') derived.pop_back();
    return Complete(derived);
}

}  // namespace

UnicodeString cVK_ListComptes::find(const UnicodeString& account, bool provision) {
    try {
        const UnicodeString current = pCurDossier ? pCurDossier->Repertoire() : UnicodeString();
        if (current != dossier_) {
            comptes_.clear();
            dossier_ = current;
        }
        auto found = comptes_.find(account);
        if (found == comptes_.end()) found = comptes_.emplace(account, Construit(account)).first;
        return provision ? found->second.Provision : found->second.Amortissement;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return "";
    }
}

void cVK_ListComptes::Clear() {
    comptes_.clear();
    dossier_.clear();
}

cVK_ListComptes::Comptes cVK_ListComptes::Construit(const UnicodeString& account) const {
    Comptes accounts;
    if (account.empty()) return accounts;
    const UnicodeString table = GetNomTable("VKI", false);
    if (pCurDossier->TableExistFirebird(table)) {
        auto query = VK_InitDataset(VK_LOC(),
                                    "SELECT NUM_COMPTE_PROVISION_SAISI,NUM_COMPTE_AMORT_SAISI FROM " + table +
                                        " WHERE NUM_COMPTE=" + VK_FormatAS(account),
                                    true, "");
        if (query) {
            query->Open();
            if (!query->Eof()) {
                accounts.Provision = Complete(query->Fields(0)->AsString());
                accounts.Amortissement = Complete(query->Fields(1)->AsString());
            }
        }
    }
    if (accounts.Provision.empty()) accounts.Provision = Derive(account, '9');
    if (accounts.Amortissement.empty()) accounts.Amortissement = Derive(account, '8');
    return accounts;
}

UnicodeString cVK_Composant::GetNumCompte(int i) const {
    return ListeComptes.find(NUMCOMPTE, i != 0);
}

UnicodeString GetDesignationCompte(const UnicodeString& account) {
    if (account.empty()) return "";
    try {
        PCOpen();
        struct Fermeture {
            ~Fermeture() { PCClose(); }
        } fermeture;
        PCCompte record;
        PCGetGTEQ(account.c_str(), &record);
        return account == record.NumCompte ? UnicodeString(record.Libelle) : UnicodeString();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return "";
    }
}

// A named database holds no components when the host never made one: there is nothing to update.
void VK_FctSupprEtabAssCallBack(const int& establishment) {
    try {
        const UnicodeString sql =
            "UPDATE ZENKOVKC SET ID_ETAB = NULL WHERE ID_ETAB = " + std::to_string(establishment);
        pCurDossier->ExecSQLFirebird(VK_LOC(), sql, true, nullptr);
        TIBTransaction& transaction = pCurDossier->GetDatabaseFirebird()->DefaultTransaction();
        transaction.Commit();  // a no-op inside a host action, which commits with the rest
        transaction.StartTransaction();
        if (tablesfichier::TableExiste("OKT_DOSSIER", GetNomTableBase("VKC", "OKT_DOSSIER")))
            VK_ExecSQL(VK_LOC(), sql, "OKT_DOSSIER");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
