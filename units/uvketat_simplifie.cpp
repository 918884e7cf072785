// The simplified regime's tables: 2033-C frames I (gross values) and II (depreciation), and the
// derogatory depreciation line of 2033-D.
#include "units/uvketat_internes.h"

namespace vketat {

Etat Etat2033CI(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("2033c", "IMMOBILISATIONS", periode);
    etat.cadre = "I";
    Colonnes(etat, {{"opening", "Valeur brute au début de l'exercice"},
                    {"increases", "Augmentations"},
                    {"decreases", "Diminutions"},
                    {"closing", "Valeur brute à la fin de l'exercice"}});
    Grille grille(Postes2033CI(), 4);
    // Transfers between rows count as increases and decreases: there is no column of their own.
    for (const FaitsComposant& f : faits)
        MouvementsBruts(
            f, [&](const std::string& a) -> std::vector<CCurrency>& { return grille.Du(a); }, 0, 1, 1, 2, 2,
            3);
    grille.Remplir(etat);
    return etat;
}

Etat Etat2033CII(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("2033c", "AMORTISSEMENTS", periode);
    etat.cadre = "II";
    Colonnes(etat, {{"opening", "Amortissements au début de l'exercice"},
                    {"allocations", "Augmentations : dotations de l'exercice"},
                    {"decreases", "Diminutions : éléments sortis de l'actif et reprises"},
                    {"closing", "Amortissements à la fin de l'exercice"}});
    Grille grille(Postes2033CII(), 4);
    for (const FaitsComposant& f : faits)
        if (Amortissable(f))
            MouvementsAmort(f, [&](const std::string& a) -> std::vector<CCurrency>& { return grille.Du(a); });
    grille.Remplir(etat);
    return etat;
}

Etat Etat2033D(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("2033d", "PROVISIONS : amortissements dérogatoires", periode);
    Colonnes(etat, {{"opening", "Montant au début de l'exercice"},
                    {"increases", "Augmentations : dotations"},
                    {"decreases", "Diminutions : reprises"},
                    {"closing", "Montant à la fin de l'exercice"}});
    std::vector<CCurrency> sum(4, CCurrency(0));
    for (const FaitsComposant& f : faits) {
        if (!f.derogConcerne) continue;
        sum[0] += f.derogOuverture;
        sum[1] += f.derogDotation;
        sum[2] += f.derogReprise;
        sum[3] += f.derogCloture;
    }
    Ligne row;
    row.libelle = "Amortissements dérogatoires";
    row.comptes = {"145"};
    for (const CCurrency& amount : sum) row.cellules.push_back(Cellule::DeMontant(amount));
    etat.lignes.push_back(row);
    row.libelle = "TOTAL provisions réglementées";
    row.comptes.clear();
    row.sousTotal = true;
    etat.total = row;
    return etat;
}

}  // namespace vketat
