// The comparison of the ledger with the register, account by account.
#include <memory>
#include <vector>

#include "platform/barre.h"
#include "platform/comptes.h"
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkcomptes.h"
#include "units/uvkdivers.h"
#include "units/uvkecritures.h"
#include "units/uvkrequetes.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 6000
#include "units/vklocation.h"

namespace {

// The opposite of an amount; a null amount stays null (it adds nothing).
CCurrency Oppose(const CCurrency& amount) {
    return amount.IsNull() ? amount : -amount;
}

bool Nul(const CCurrency& amount) {
    return amount.IsNull() || amount == CCurrency(0);
}

// The row of an account: "775" accounts (disposal income) grouped by their first four characters
// with a fixed label; every key completed to the case file's account length.
UnicodeString Cle(const UnicodeString& account, const char** label) {
    UnicodeString key = account;
    *label = nullptr;
    if (account.rfind("775", 0) == 0) {
        key = account.substr(0, 4);
        if (key.size() == 4) switch (key[3]) {
                case '1':
                    *label = "Produit cessions incorporelles";
                    break;
                case '2':
                    *label = "Produit cessions corporelles";
                    break;
                case '4':
                    *label = "Produit cessions biens vivants";
                    break;
                case '6':
                    *label = "Produit cessions financières";
                    break;
                default:
                    break;
            }
    }
    return pCurDossier->DossierCompleteCompte(key, true);
}

// Disposal income account by account type.
const char* const kComptesProduitCession[4] = {"775100", "775200", "757000", "775600"};

// The standard account kinds whose balance in the generated entries the register side takes, by
// group (the progress bar advances after each group).
const std::vector<std::vector<int>> kGroupesEcritures = {
    {18, 19, 20, 21}, {0, 1, 2}, {3, 4, 5}, {9, 10, 11, 12}, {7}, {13, 14, 15, 16}, {8}};

}  // namespace

cVK_ComparCptaAss::cVK_ComparCptaAss(TYPE_COMPARAISON type)
    : Params(new Parametres{0, type}), FctRegistre(&Registre), FctLigne(&LigneCompta) {}

cVK_ComparCptaAss::~cVK_ComparCptaAss() {
    delete Params;
}

void cVK_ComparCptaAss::AjouteMontant(std::map<UnicodeString, cVK_LigneComparaison>& rows,
                                      const UnicodeString& account, const CCurrency& amount) {
    try {
        const char* label = nullptr;
        const UnicodeString key = Cle(account, &label);
        auto found = rows.find(key);
        if (found != rows.end()) {
            found->second.Total += amount;
            return;
        }
        if (amount.IsNull()) return;  // a new row that stays empty is not kept
        rows.emplace(
            key, cVK_LigneComparaison{key, label ? UnicodeString(label) : GetDesignationCompte(key), amount});
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Ledger side

void cVK_ComparCptaAss::LigneCompta(void* context, const char* account, const char* journal,
                                    const char* origin, int16_t special, dateDOS date, int16_t debit,
                                    double amount) {
    auto* self = static_cast<cVK_ComparCptaAss*>(context);
    try {
        const UnicodeString j = journal ? journal : "", o = origin ? origin : "";
        TDateTime day;
        day << date;
        const bool bySituation = day <= pCurDossier->DateSituation;
        bool taken = false;
        switch (self->GetType()) {
            case 0:
                taken = special == 0;
                break;
            case 1:
            case 2:
                taken = special == 0 || (j == "ODR" && o == "VK6");
                break;
            case 3:
            case 4:
                taken = bySituation && !(j == "INVR" && (o == "VK2" || o == "VK4" || o == "VK5"));
                break;
            default:
                taken = bySituation;
                break;
        }
        if (!taken) return;
        const CCurrency value(amount);
        AjouteMontant(self->LignesCompta, account ? account : "", debit ? value : -value);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Register side: every amount follows the ledger's convention (debit balances positive)

void cVK_ComparCptaAss::AjouteRegistre(const UnicodeString& account, const CCurrency& amount) {
    const char* label = nullptr;
    ComptesRegistre.insert(Cle(account, &label));
    AjouteMontant(LignesRegistre, account, amount);
}

void cVK_ComparCptaAss::Registre(void* context) {
    auto* self = static_cast<cVK_ComparCptaAss*>(context);
    try {
        self->RegistreComposants();
        if (self->GetType() >= 3) self->RegistreEcritures();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_ComparCptaAss::RegistreComposants() {
    const int type = GetType();
    const TDateTime situation = pCurDossier->DateSituation;
    std::vector<unsigned> ids;
    if (auto query = VK_InitDataset(VK_LOC(), GetRequete_ListeComposantsComparaison(type), true, "")) {
        for (query->Open(); !query->Eof(); query->Next())
            ids.push_back(static_cast<unsigned>(query->Fields(0)->AsInt64()));
    }
    CBarre bar("Comparaison");
    bar.SetRange(0, static_cast<int>(ids.size()));
    for (unsigned id : ids) {
        cVK_Composant component(nullptr, "", nullptr, id);
        const bool disposed = component.EstCedeALaSituation();
        const CCurrency gross = type == 0  ? component.GetPrixHTOuverture()
                                : disposed ? CCurrency(0)
                                           : component.GetPrixHT();
        AjouteRegistre(component.NUMCOMPTE, gross);
        if (!disposed) {
            const CCurrency derogatory =
                type == 5 ? component.GetAmortDerog(situation) : component.GetAmortDerogOuv(1);
            AjouteRegistre(COMPTESGetCompte(kPlanComptableGeneral, 6), Oppose(derogatory));
            if (cVK_Amortissement* plan = component.GetAmort(taComptable)) {
                const CCurrency depreciation =
                    type == 5 ? plan->GetCumulAmort(situation) : plan->GetCumulAmortOuv(1);
                AjouteRegistre(component.GetNumCompte(0), Oppose(depreciation));
                const CCurrency impairment =
                    type == 5 ? plan->GetCumulDeprecDed(situation) + plan->GetCumulDeprecNonDed(situation)
                              : plan->GetCumulDeprecDedOuv(1) + plan->GetCumulDeprecNonDedOuv(1);
                AjouteRegistre(component.GetNumCompte(1), Oppose(impairment));
            }
        }
        const cVK_Cession* cession = component.GetCession();
        if (type >= 3 && disposed && cession->GetMotifSortie() != vmMiseEnNonValeur)
            AjouteRegistre(kComptesProduitCession[component.GetTypeCompte()],
                           Oppose(cession->GetPrixCession()));
        bar.StepIt();
    }
}

// The balances of the generated entries on the standard accounts. Several kinds may share one
// account (the tangible and other assets' charges, for example): each account is taken once.
void cVK_ComparCptaAss::RegistreEcritures() {
    const TDateTime situation = pCurDossier->DateSituation;
    const cVK_ListEcr list(GetType() == 5 ? ecrToutes : ecrVirementsSorties, nullptr);
    CBarre bar("Comparaison");
    bar.SetRange(0, static_cast<int>(kGroupesEcritures.size()));
    std::set<UnicodeString> taken;
    for (const std::vector<int>& group : kGroupesEcritures) {
        for (int kind : group) {
            const UnicodeString account = COMPTESGetCompte(kPlanComptableGeneral, kind);
            if (account.empty() || !taken.insert(account).second) continue;
            AjouteRegistre(account, list.Solde(account, situation));
        }
        bar.StepIt();
    }
}

// ---------------------------------------------------------------------------------------------
// Running and confronting

bool cVK_ComparCptaAss::Comparer() {
    try {
        LignesCompta.clear();
        LignesRegistre.clear();
        ComptesRegistre.clear();
        ComptaComparer(this, FctLigne, FctRegistre);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

std::vector<cVK_EcartComparaison> cVK_ComparCptaAss::Ecarts() const {
    std::set<UnicodeString> accounts = ComptesRegistre;
    for (const auto& [key, row] : LignesRegistre) accounts.insert(key);
    for (const auto& [key, row] : LignesCompta)
        if (key.rfind("2", 0) == 0 || key.rfind("775", 0) == 0) accounts.insert(key);
    std::vector<cVK_EcartComparaison> result;
    for (const UnicodeString& account : accounts) {
        auto ledger = LignesCompta.find(account);
        auto reg = LignesRegistre.find(account);
        cVK_EcartComparaison row;
        row.Compte = account;
        row.Comptabilite = ledger != LignesCompta.end() ? ledger->second.Total : CCurrency(0);
        row.Registre = reg != LignesRegistre.end() ? reg->second.Total : CCurrency(0);
        if (Nul(row.Comptabilite) && Nul(row.Registre)) continue;
        row.Libelle = ledger != LignesCompta.end() ? ledger->second.Libelle : reg->second.Libelle;
        row.Ecart = row.Comptabilite - row.Registre;
        result.push_back(row);
    }
    return result;
}
