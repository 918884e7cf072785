// The register listing (one line per component, subtotals per account) and the year's charges
// per account.
#include <algorithm>
#include <map>

#include "platform/comptes.h"
#include "units/uvketat_internes.h"

namespace vketat {

namespace {

const std::vector<std::pair<const char*, const char*>> kMontantsRegistre = {
    {"gross", "Valeur brute"},
    {"opening_depreciation", "Amortissements au début"},
    {"charge", "Dotation de l'exercice"},
    {"closing_depreciation", "Amortissements à la fin"},
    {"net_book_value", "Valeur nette comptable"},
    {"derogatory", "Amortissements dérogatoires"}};

std::vector<CCurrency> MontantsRegistre(const FaitsComposant& f) {
    const CCurrency closing =
        f.sortiDansLAnnee ? f.amortOuverture + f.dotation + f.dotationExceptionnelle : f.amortCloture;
    const CCurrency net = f.sortiDansLAnnee ? CCurrency(0) : f.brut - f.amortCloture;
    return {f.brut, f.amortOuverture, f.dotation + f.dotationExceptionnelle, closing, net, f.derogCloture};
}

Ligne SousTotal(const std::string& label, const std::string& account, const std::vector<CCurrency>& sum) {
    Ligne row;
    row.libelle = label;
    if (!account.empty()) row.comptes = {account};
    row.sousTotal = true;
    for (int i = 0; i < 6; ++i) row.cellules.push_back(Cellule::DeTexte(""));
    for (int i = 0; i < 2; ++i) row.cellules.push_back(Cellule::DeDate(TDateTime()));
    for (size_t i = 0; i < sum.size(); ++i) row.cellules.push_back(Cellule::DeMontant(sum[i]));
    row.cellules.push_back(Cellule::DeDate(TDateTime()));
    return row;
}

// Puts the year's amount of a kind of standard account into the charges by account.
void Ajoute(std::map<std::string, std::pair<CCurrency, CCurrency>>& comptes, int kind,
            const CCurrency& amount, bool reprise) {
    if (amount == CCurrency(0)) return;
    const std::string account = COMPTESGetCompte(kPlanComptableGeneral, kind);
    auto& [charge, reversal] = comptes.try_emplace(account, CCurrency(0), CCurrency(0)).first->second;
    (reprise ? reversal : charge) += amount;
}

const char* LibelleCompte(const std::string& account) {
    static const std::vector<std::pair<const char*, const char*>> labels = {
        {"6811", "Dotations aux amortissements des immobilisations"},
        {"6816", "Dotations aux dépréciations des immobilisations"},
        {"6866", "Dotations aux dépréciations des éléments financiers"},
        {"6871", "Dotations aux amortissements exceptionnels"},
        {"6872", "Dotations aux provisions réglementées (amortissements dérogatoires)"},
        {"7816", "Reprises sur dépréciations des immobilisations"},
        {"7866", "Reprises sur dépréciations des éléments financiers"},
        {"7872", "Reprises sur provisions réglementées (amortissements dérogatoires)"}};
    for (const auto& [prefix, label] : labels)
        if (account.compare(0, 4, prefix) == 0) return label;
    return "";
}

}  // namespace

Etat EtatRegistre(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("register", "REGISTRE DES IMMOBILISATIONS", periode);
    Colonnes(etat,
             {{"reference", "Référence"},
              {"designation", "Désignation"},
              {"account", "Compte"},
              {"method", "Mode comptable"},
              {"duration", "Durée (mois)"},
              {"tax_method", "Mode fiscal"}},
             TypeCellule::Texte);
    Colonnes(etat, {{"entry_date", "Entrée"}, {"service_date", "Mise en service"}}, TypeCellule::Date);
    Colonnes(etat, kMontantsRegistre);
    Colonnes(etat, {{"disposal_date", "Sortie"}}, TypeCellule::Date);
    std::vector<const FaitsComposant*> order;
    for (const FaitsComposant& f : faits) order.push_back(&f);
    std::stable_sort(order.begin(), order.end(),
                     [](const FaitsComposant* a, const FaitsComposant* b) { return a->compte < b->compte; });
    std::vector<CCurrency> total(6, CCurrency(0)), sub(6, CCurrency(0));
    for (size_t i = 0; i < order.size(); ++i) {
        const FaitsComposant& f = *order[i];
        Ligne row;
        row.libelle = f.reference;
        row.comptes = {f.compte};
        row.cellules = {Cellule::DeTexte(f.reference),
                        Cellule::DeTexte(f.designation),
                        Cellule::DeTexte(f.compte),
                        Cellule::DeTexte(f.methodeComptable),
                        Cellule::DeTexte(f.dureeComptable ? std::to_string(f.dureeComptable) : ""),
                        Cellule::DeTexte(f.methodeFiscale),
                        Cellule::DeDate(f.entree),
                        Cellule::DeDate(f.miseEnService)};
        const std::vector<CCurrency> amounts = MontantsRegistre(f);
        for (size_t c = 0; c < amounts.size(); ++c) {
            row.cellules.push_back(Cellule::DeMontant(amounts[c]));
            sub[c] += amounts[c];
            total[c] += amounts[c];
        }
        row.cellules.push_back(Cellule::DeDate(f.sortiDansLAnnee ? f.sortie : TDateTime()));
        etat.lignes.push_back(std::move(row));
        if (i + 1 == order.size() || order[i + 1]->compte != f.compte) {
            etat.lignes.push_back(SousTotal("Sous-total du compte " + f.compte, f.compte, sub));
            sub.assign(6, CCurrency(0));
        }
    }
    etat.total = SousTotal("Total", "", total);
    return etat;
}

Etat EtatCharges(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("charges", "DOTATIONS ET REPRISES DE L'EXERCICE", periode);
    Colonnes(etat, {{"account", "Compte"}, {"label", "Libellé"}}, TypeCellule::Texte);
    Colonnes(etat, {{"allocations", "Dotations"}, {"reversals", "Reprises"}});
    std::map<std::string, std::pair<CCurrency, CCurrency>> comptes;
    for (const FaitsComposant& f : faits) {
        const int type = std::clamp(f.typeCompte, 0, 3);
        if (type != 3) {
            Ajoute(comptes, 0 + type, f.dotation, false);
            Ajoute(comptes, 3 + type, f.dotationExceptionnelle, false);
        }
        Ajoute(comptes, 7, f.derogDotation, false);
        Ajoute(comptes, 8, f.derogReprise, true);
        Ajoute(comptes, 9 + type, f.deprecDotation, false);
        Ajoute(comptes, 13 + type, f.deprecReprise, true);
    }
    CCurrency charges(0), reversals(0);
    for (const auto& [account, amounts] : comptes) {
        Ligne row;
        row.libelle = account;
        row.comptes = {account};
        row.cellules = {Cellule::DeTexte(account), Cellule::DeTexte(LibelleCompte(account)),
                        Cellule::DeMontant(amounts.first), Cellule::DeMontant(amounts.second)};
        charges += amounts.first;
        reversals += amounts.second;
        etat.lignes.push_back(std::move(row));
    }
    Ligne total;
    total.libelle = "Total";
    total.sousTotal = true;
    total.cellules = {Cellule::DeTexte("Total"), Cellule::DeTexte(""), Cellule::DeMontant(charges),
                      Cellule::DeMontant(reversals)};
    etat.total = total;
    return etat;
}

}  // namespace vketat
