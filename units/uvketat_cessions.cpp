// The gains and losses of the year's disposals: one line per component that left, then the totals.
#include "platform/dossier.h"
#include "units/uvketat_internes.h"

namespace vketat {

namespace {

// The long-term part goes to the rate the company's tax regime applies: 12.8 % under income tax,
// 15 % (the reduced rate of patents, the only operating assets still on the long-term regime) under
// corporate income tax.
const char* ColonneTaux() {
    return pCurDossier->DossierIS() ? "long_term_15" : "long_term_12_8";
}
const char* LibelleTaux() {
    return pCurDossier->DossierIS() ? "Long terme à 15 %" : "Long terme à 12,8 %";
}

}  // namespace

Etat Etat2059A(const std::vector<FaitsComposant>& faits, const Periode& periode, bool simplifie) {
    Etat etat =
        Entete(simplifie ? "2033c" : "2059a",
               simplifie ? "PLUS-VALUES, MOINS-VALUES" : "DÉTERMINATION DES PLUS ET MOINS-VALUES", periode);
    if (simplifie) etat.cadre = "III";
    etat.cleLignes = "lines";
    Colonnes(etat, {{"designation", "Nature des éléments cédés"}, {"account", "Compte"}}, TypeCellule::Texte);
    Colonnes(etat, {{"acquired", "Date d'acquisition"}, {"disposed", "Date de cession"}}, TypeCellule::Date);
    Colonnes(etat, {{"original_value", "Valeur d'origine"},
                    {"depreciation", "Amortissements pratiqués"},
                    {"residual", "Valeur résiduelle"},
                    {"price", "Prix de vente"},
                    {"gain", "Plus ou moins-value"},
                    {"short_term", "Court terme"},
                    {"long_term", "Long terme"},
                    {ColonneTaux(), LibelleTaux()}});
    std::vector<CCurrency> total(8, CCurrency(0));
    for (const FaitsComposant& f : faits) {
        if (!f.sortiDansLAnnee) continue;
        Ligne line;
        line.libelle = f.reference + " " + f.designation;
        line.comptes = {f.compte};
        line.cellules = {Cellule::DeTexte(f.designation), Cellule::DeTexte(f.compte),
                         Cellule::DeDate(f.entree), Cellule::DeDate(f.sortie)};
        const std::vector<CCurrency> amounts = {f.valeurOrigine, f.amortPratiques, f.valeurResiduelle,
                                                f.prixCession,   f.plusMoinsValue, f.courtTerme,
                                                f.longTerme,     f.longTerme};
        for (size_t i = 0; i < amounts.size(); ++i) {
            line.cellules.push_back(Cellule::DeMontant(amounts[i]));
            total[i] += amounts[i];
        }
        etat.lignes.push_back(std::move(line));
    }
    Ligne sum;
    sum.libelle = "Total algébrique";
    sum.sousTotal = true;
    sum.cellules = {Cellule::DeTexte(""), Cellule::DeTexte(""), Cellule::DeDate(TDateTime()),
                    Cellule::DeDate(TDateTime())};
    for (const CCurrency& amount : total) sum.cellules.push_back(Cellule::DeMontant(amount));
    etat.total = sum;
    return etat;
}

}  // namespace vketat
