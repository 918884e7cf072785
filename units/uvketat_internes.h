// What the statements share inside the module: the grid that sums amounts per row of a form, the
// movements of a component, and the statements built in their own files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "units/uvketat.h"
#include "units/uvketat_faits.h"
#include "units/uvketat_postes.h"

namespace vketat {

const char* const kNonClasses = "Comptes non classés";

// Accumulates amounts per row of a form, then lays the rows out with their totals.
class Grille {
public:
    Grille(const std::vector<Poste>& postes, size_t colonnes)
        : postes_(postes), montants_(postes.size() + 1, std::vector<CCurrency>(colonnes, CCurrency(0))) {}

    // The amounts of the row an account falls under (the unclassified row when none).
    std::vector<CCurrency>& Du(const std::string& compte) {
        const int index = PosteDuCompte(postes_, compte);
        if (index < 0) {
            utiliseNonClasses_ = true;
            return montants_.back();
        }
        return montants_[index];
    }

    // The rows, totals computed; the last row of the list of rows is the grand total, given apart.
    void Remplir(Etat& etat) {
        const size_t last = postes_.size() - 1;
        for (size_t i = 0; i < postes_.size(); ++i) {
            if (i == last && utiliseNonClasses_)
                etat.lignes.push_back(LigneDe(kNonClasses, {}, montants_.back()));
            Ligne row = LigneDe(postes_[i].libelle, postes_[i].comptes, Valeurs(i));
            row.sousTotal = !postes_[i].somme.empty();
            if (i == last)
                etat.total = row;
            else
                etat.lignes.push_back(row);
        }
    }

private:
    std::vector<CCurrency> Valeurs(size_t i) const {
        if (postes_[i].somme.empty()) return montants_[i];
        std::vector<CCurrency> sum(montants_[i].size(), CCurrency(0));
        auto add = [&](const std::vector<CCurrency>& values) {
            for (size_t c = 0; c < sum.size(); ++c) sum[c] += values[c];
        };
        for (int part : postes_[i].somme) add(Valeurs(static_cast<size_t>(part)));
        if (i == postes_.size() - 1) add(montants_.back());  // the grand total takes the unclassified row
        return sum;
    }

    static Ligne LigneDe(const std::string& label, const std::vector<std::string>& accounts,
                         const std::vector<CCurrency>& values) {
        Ligne row;
        row.libelle = label;
        row.comptes = accounts;
        for (const CCurrency& value : values) row.cellules.push_back(Cellule::DeMontant(value));
        return row;
    }

    const std::vector<Poste>& postes_;
    std::vector<std::vector<CCurrency>> montants_;
    bool utiliseNonClasses_ = false;
};

Etat Entete(const std::string& form, const std::string& title, const Periode& periode);
void Colonnes(Etat& etat, const std::vector<std::pair<const char*, const char*>>& columns,
              TypeCellule type = TypeCellule::Montant);
using AccesLigne = std::function<std::vector<CCurrency>&(const std::string&)>;
// Gross value movements of a component into the columns given by index.
void MouvementsBruts(const FaitsComposant& f, const AccesLigne& row, size_t ouv, size_t acq, size_t virIn,
                     size_t virOut, size_t cess, size_t clot);
// Accounting depreciation movements into columns opening, allocations, decreases, closing.
void MouvementsAmort(const FaitsComposant& f, const AccesLigne& row);
// Whether a component carries accounting depreciation (financial assets never do).
bool Amortissable(const FaitsComposant& f);

enum class CauseDerogatoire { Duree = 0, Degressif = 1, Exceptionnel = 2 };
// Why a component's tax depreciation differs from its accounting depreciation: an exceptional tax
// method, declining for tax over a non-declining accounting plan, else duration and other causes.
CauseDerogatoire CauseDe(const FaitsComposant& f);

Etat Etat2059A(const std::vector<FaitsComposant>& faits, const Periode& periode, bool simplifie);
Etat Etat2033CI(const std::vector<FaitsComposant>& faits, const Periode& periode);
Etat Etat2033CII(const std::vector<FaitsComposant>& faits, const Periode& periode);
Etat Etat2033D(const std::vector<FaitsComposant>& faits, const Periode& periode);
Etat EtatRegistre(const std::vector<FaitsComposant>& faits, const Periode& periode);
Etat EtatCharges(const std::vector<FaitsComposant>& faits, const Periode& periode);
Etat EtatTableau(const Periode& periode, const std::string& reference);

}  // namespace vketat
