// Accounts: the derived depreciation and impairment accounts of an asset account, an account's
// label, the comparison of the ledger with the register, and the host's callback run when an
// establishment is deleted.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/comptabilite.h"
#include "platform/currency.h"
#include "units/vkbase.h"

// The depreciation and impairment accounts of each asset account, looked up once: the accounts
// entered for it in the host's account settings ("VKI"), else derived from it (the digit 8 or 9
// inserted as second character, a final zero dropped). Entries are never removed while one case
// file is open; opening another case file starts the cache afresh, since its settings and its
// account length are its own.
class cVK_ListComptes {
public:
    struct Comptes {
        UnicodeString Amortissement;
        UnicodeString Provision;
    };

    // The impairment account when `provision`, the depreciation account otherwise.
    UnicodeString find(const UnicodeString& account, bool provision);
    void Clear();
    size_t size() const { return comptes_.size(); }

private:
    Comptes Construit(const UnicodeString& account) const;

    std::map<UnicodeString, Comptes> comptes_;
    UnicodeString dossier_;  // the case file the entries were read for
};

extern cVK_ListComptes ListeComptes;

// The label of an account in the chart of accounts; empty for an empty account or one the chart
// does not hold.
UnicodeString GetDesignationCompte(const UnicodeString& account);

// The kind of comparison (see cVK_ComparCptaAss).
using TYPE_COMPARAISON = int32_t;

// One row of a comparison: an account, its label and its signed total (debit positive).
struct cVK_LigneComparaison {
    UnicodeString Compte;
    UnicodeString Libelle;
    CCurrency Total;
};

// One account confronted: the ledger's total, the register's, and their difference.
struct cVK_EcartComparaison {
    UnicodeString Compte;
    UnicodeString Libelle;
    CCurrency Comptabilite;
    CCurrency Registre;
    CCurrency Ecart;  // ledger minus register
};

// The comparison of the ledger with the register, handed to the accounting library's comparison
// (ComptaComparer) with its two callbacks. Types:
//  0 ledger lines not flagged special; register at the opening (opening gross values and balances);
//  1, 2 as 0, plus the standards-conformity entries; current gross values, opening balances,
//       standards-conformity assets included;
//  3, 4 ledger lines by the situation date except the engine's year-end entries; current gross
//       values, opening balances, disposal prices and the generated transfer and disposal entries;
//  5 ledger lines by the situation date; everything at the situation date and every generated entry.
// The two sides are kept apart: the ledger callback fills LignesCompta, the register callback
// LignesRegistre.
class cVK_ComparCptaAss : public TObject {
public:
    struct Parametres {
        int32_t Reserve = 0;
        TYPE_COMPARAISON Type = 0;
    };

    explicit cVK_ComparCptaAss(TYPE_COMPARAISON type);
    ~cVK_ComparCptaAss() override;
    cVK_ComparCptaAss(const cVK_ComparCptaAss&) = delete;
    cVK_ComparCptaAss& operator=(const cVK_ComparCptaAss&) = delete;

    TYPE_COMPARAISON GetType() const { return Params->Type; }

    // Adds an amount to the row of an account (rows keyed by the account completed to the case
    // file's length; the "775" accounts grouped by their first four characters, with fixed labels).
    static void AjouteMontant(std::map<UnicodeString, cVK_LigneComparaison>& rows,
                              const UnicodeString& account, const CCurrency& amount);

    // Runs the comparison through the accounting library; false when it failed (shown).
    bool Comparer();
    // The accounts of the comparison with both totals, in account order: every account the
    // register side counts, and the ledger's fixed-asset accounts (class 2, and the "775" rows of
    // disposal income) even when the register has nothing on them. Other ledger accounts (banks,
    // suppliers, VAT...) are not the register's business and are left out.
    std::vector<cVK_EcartComparaison> Ecarts() const;

    Parametres* Params;  // owned
    FctRegistreCompta FctRegistre;
    FctLigneCompta FctLigne;

    std::map<UnicodeString, cVK_LigneComparaison> LignesCompta;
    std::map<UnicodeString, cVK_LigneComparaison> LignesRegistre;
    // Every row key the register side presented, zero amounts included.
    std::set<UnicodeString> ComptesRegistre;

private:
    static void LigneCompta(void* context, const char* account, const char* journal, const char* origin,
                            int16_t special, dateDOS date, int16_t debit, double amount);
    static void Registre(void* context);
    void AjouteRegistre(const UnicodeString& account, const CCurrency& amount);
    void RegistreComposants();
    void RegistreEcritures();
};

// Called by the host when an establishment is deleted: the components of that establishment are
// left without one, in the case file and in its named database.
void VK_FctSupprEtabAssCallBack(const int& establishment);
