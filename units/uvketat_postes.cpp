// Rows of the forms, with the chart-of-accounts prefixes of the gross accounts each one gathers.
// Accounts no row names (22, 269, 279...) go to no row: the statements then show them on a row of
// their own, "Comptes non classés", so that nothing is lost and the totals still tie.
#include "units/uvketat_postes.h"

namespace vketat {

const std::vector<Poste>& Postes2054() {
    static const std::vector<Poste> postes = {
        /* 0 */ {"Frais d'établissement et de développement (TOTAL I)", {"201", "203"}, {}},
        /* 1 */
        {"Autres postes d'immobilisations incorporelles (TOTAL II)",
         {"205", "206", "207", "208", "232", "237"},
         {}},
        /* 2 */ {"Terrains", {"211", "212"}, {}},
        /* 3 */ {"Constructions sur sol propre", {"213", "2131", "2138"}, {}},
        /* 4 */ {"Constructions sur sol d'autrui", {"214"}, {}},
        /* 5 */
        {"Constructions, installations générales, agencements et aménagements des constructions",
         {"2135", "2145"},
         {}},
        /* 6 */ {"Installations techniques, matériel et outillage industriels", {"215"}, {}},
        /* 7 */ {"Installations générales, agencements, aménagements divers", {"2181"}, {}},
        /* 8 */ {"Matériel de transport", {"2182"}, {}},
        /* 9 */ {"Matériel de bureau et informatique, mobilier", {"2183", "2184"}, {}},
        /* 10 */ {"Emballages récupérables et divers", {"218", "2185", "2186"}, {}},
        /* 11 */ {"Immobilisations corporelles en cours", {"231"}, {}},
        /* 12 */ {"Avances et acomptes", {"238"}, {}},
        /* 13 */ {"TOTAL III", {}, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        /* 14 */ {"Participations évaluées par mise en équivalence", {}, {}},
        /* 15 */ {"Autres participations", {"261", "266"}, {}},
        /* 16 */ {"Autres titres immobilisés", {"271", "272", "273"}, {}},
        /* 17 */ {"Prêts et autres immobilisations financières", {"267", "268", "274", "275", "276"}, {}},
        /* 18 */ {"TOTAL IV", {}, {14, 15, 16, 17}},
        /* 19 */ {"TOTAL GÉNÉRAL (I + II + III + IV)", {}, {0, 1, 13, 18}},
    };
    return postes;
}

const std::vector<Poste>& Postes2055() {
    static const std::vector<Poste> postes = {
        /* 0 */ {"Frais d'établissement et de développement (TOTAL I)", {"201", "203"}, {}},
        /* 1 */ {"Autres immobilisations incorporelles (TOTAL II)", {"205", "206", "207", "208"}, {}},
        /* 2 */ {"Terrains", {"211", "212"}, {}},
        /* 3 */ {"Constructions sur sol propre", {"213", "2131", "2138"}, {}},
        /* 4 */ {"Constructions sur sol d'autrui", {"214"}, {}},
        /* 5 */
        {"Constructions, installations générales, agencements et aménagements des constructions",
         {"2135", "2145"},
         {}},
        /* 6 */ {"Installations techniques, matériel et outillage industriels", {"215"}, {}},
        /* 7 */ {"Installations générales, agencements, aménagements divers", {"2181"}, {}},
        /* 8 */ {"Matériel de transport", {"2182"}, {}},
        /* 9 */ {"Matériel de bureau et informatique, mobilier", {"2183", "2184"}, {}},
        /* 10 */ {"Emballages récupérables et divers", {"218", "2185", "2186"}, {}},
        /* 11 */ {"TOTAL III", {}, {2, 3, 4, 5, 6, 7, 8, 9, 10}},
        /* 12 */ {"TOTAL GÉNÉRAL (I + II + III)", {}, {0, 1, 11}},
    };
    return postes;
}

const std::vector<Poste>& Postes2033CI() {
    static const std::vector<Poste> postes = {
        /* 0 */ {"Immobilisations incorporelles : fonds commercial", {"207"}, {}},
        /* 1 */
        {"Immobilisations incorporelles : autres", {"201", "203", "205", "206", "208", "232", "237"}, {}},
        /* 2 */ {"Terrains", {"211", "212"}, {}},
        /* 3 */ {"Constructions", {"213", "214"}, {}},
        /* 4 */ {"Installations techniques matériel et outillage industriels", {"215"}, {}},
        /* 5 */ {"Installations générales agencements divers", {"2181"}, {}},
        /* 6 */ {"Matériel de transport", {"2182"}, {}},
        /* 7 */ {"Autres immobilisations corporelles", {"218", "22", "231", "238"}, {}},
        /* 8 */ {"Immobilisations financières", {"26", "27"}, {}},
        /* 9 */ {"TOTAL", {}, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    return postes;
}

const std::vector<Poste>& Postes2033CII() {
    static const std::vector<Poste> postes = {
        /* 0 */ {"Immobilisations incorporelles", {"201", "203", "205", "206", "207", "208"}, {}},
        /* 1 */ {"Terrains", {"211", "212"}, {}},
        /* 2 */ {"Constructions", {"213", "214"}, {}},
        /* 3 */ {"Installations techniques matériel et outillage industriels", {"215"}, {}},
        /* 4 */ {"Installations générales agencements divers", {"2181"}, {}},
        /* 5 */ {"Matériel de transport", {"2182"}, {}},
        /* 6 */ {"Autres immobilisations corporelles", {"218", "22"}, {}},
        /* 7 */ {"TOTAL", {}, {0, 1, 2, 3, 4, 5, 6}},
    };
    return postes;
}

int PosteDuCompte(const std::vector<Poste>& postes, const std::string& compte) {
    int best = -1;
    size_t bestLength = 0;
    for (size_t i = 0; i < postes.size(); ++i)
        for (const std::string& prefix : postes[i].comptes)
            if (prefix.size() > bestLength && compte.compare(0, prefix.size(), prefix) == 0) {
                best = static_cast<int>(i);
                bestLength = prefix.size();
            }
    return best;
}

}  // namespace vketat
