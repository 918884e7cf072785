// The rows of the forms and the accounts that feed them: a component goes to the row whose account
// prefix is the longest one matching its gross account.
#pragma once

#include <string>
#include <vector>

namespace vketat {

struct Poste {
    const char* libelle;
    std::vector<std::string> comptes;  // account prefixes
    // A total row: the indices of the rows it sums (no prefixes of its own).
    std::vector<int> somme;
};

// 2054 (gross values), 2055 (depreciation, frames A and B), 2033-C frames I and II.
const std::vector<Poste>& Postes2054();
const std::vector<Poste>& Postes2055();
const std::vector<Poste>& Postes2033CI();
const std::vector<Poste>& Postes2033CII();

// The row (index into `postes`) an account falls under: the longest matching prefix; -1 when no
// row takes it.
int PosteDuCompte(const std::vector<Poste>& postes, const std::string& compte);

}  // namespace vketat
