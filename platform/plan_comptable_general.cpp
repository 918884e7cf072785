// The accounts of the French general chart (plan comptable général) that fixed-asset entries post to.
//
// Sub-accounts whose label the general chart gives as a fragment of their parent's (68111
// "Immobilisations incorporelles" under 6811 "Dotations aux amortissements sur immobilisations
// incorporelles et corporelles") are written in full here, so that a label read alone names the
// account. Depreciation (28) and impairment (29) accounts follow the breakdown of the asset accounts
// they mirror ("même ventilation que celle du compte 21"): the digit 8 or 9 is inserted after the
// class, and the mirror takes the asset account's label, as the general chart does for 2813
// "Constructions".
#include "platform/compta_interne.h"

namespace compta {

namespace {

enum : unsigned { kAmortissement = 1, kDepreciation = 2 };

struct CompteActif {
    const char* numero;
    const char* libelle;
    unsigned miroirs;  // kAmortissement: a 28 account mirrors it; kDepreciation: a 29 account
};

constexpr unsigned kLesDeux = kAmortissement | kDepreciation;

const CompteActif kComptesActif[] = {
    // Intangible assets
    {"201", "Frais d'établissement", kAmortissement},
    {"2011", "Frais de constitution", kAmortissement},
    {"2012", "Frais de premier établissement", kAmortissement},
    {"20121", "Frais de prospection", kAmortissement},
    {"20122", "Frais de publicité", kAmortissement},
    {"2013", "Frais d'augmentation de capital et d'opérations diverses (fusions, scissions, transformations)",
     kAmortissement},
    {"203", "Frais de développement", kAmortissement},
    {"205",
     "Concessions et droits similaires, brevets, licences, marques, procédés, logiciels, droits et valeurs "
     "similaires",
     kAmortissement},
    {"206", "Droit au bail", kDepreciation},
    {"207", "Fonds commercial", kLesDeux},
    {"208", "Autres immobilisations incorporelles", kLesDeux},
    // Tangible assets
    {"211", "Terrains", 0},
    {"2111", "Terrains nus", kDepreciation},
    {"2112", "Terrains aménagés", kDepreciation},
    {"2113", "Sous-sols et sur-sols", kDepreciation},
    {"2114", "Terrains de gisement", kLesDeux},
    {"2115", "Terrains bâtis", kDepreciation},
    {"212", "Agencements et aménagements de terrains", kLesDeux},
    {"213", "Constructions", kLesDeux},
    {"2131", "Bâtiments", kLesDeux},
    {"2135", "Installations générales, agencements, aménagements des constructions", kLesDeux},
    {"2138", "Ouvrages d'infrastructure", kLesDeux},
    {"214", "Constructions sur sol d'autrui", kLesDeux},
    {"215", "Installations techniques, matériel et outillage industriels", kLesDeux},
    {"2151", "Installations complexes spécialisées", kLesDeux},
    {"2153", "Installations à caractère spécifique", kLesDeux},
    {"2154", "Matériel industriel", kLesDeux},
    {"2155", "Outillage industriel", kLesDeux},
    {"2157", "Agencements et aménagements du matériel et outillage industriels", kLesDeux},
    {"218", "Autres immobilisations corporelles", kLesDeux},
    {"2181", "Installations générales, agencements, aménagements divers", kLesDeux},
    {"2182", "Matériel de transport", kLesDeux},
    {"2183", "Matériel de bureau et matériel informatique", kLesDeux},
    {"2184", "Mobilier", kLesDeux},
    {"2185", "Cheptel", kLesDeux},
    {"2186", "Emballages récupérables", kLesDeux},
    {"22", "Immobilisations mises en concession", 0},
    // Assets in progress
    {"231", "Immobilisations corporelles en cours", kDepreciation},
    {"232", "Immobilisations incorporelles en cours", kDepreciation},
    // Financial assets
    {"261", "Titres de participation", kDepreciation},
    {"2611", "Actions", kDepreciation},
    {"2618", "Autres titres", kDepreciation},
    {"266", "Autres formes de participation", kDepreciation},
    {"267", "Créances rattachées à des participations", kDepreciation},
    {"268", "Créances rattachées à des sociétés en participation", kDepreciation},
    {"271",
     "Titres immobilisés autres que les titres immobilisés de l'activité de portefeuille (droit de "
     "propriété)",
     kDepreciation},
    {"272", "Titres immobilisés (droit de créance)", kDepreciation},
    {"273", "Titres immobilisés de l'activité de portefeuille", kDepreciation},
    {"274", "Prêts", kDepreciation},
    {"275", "Dépôts et cautionnements versés", kDepreciation},
    {"276", "Autres créances immobilisées", kDepreciation},
};

// Accounts stated directly: class 1, the heads of 28 and 29, and classes 4, 6 and 7.
const CompteGeneral kAutresComptes[] = {
    {"101", "Capital"},
    {"106", "Réserves"},
    {"110", "Report à nouveau (solde créditeur)"},
    {"119", "Report à nouveau (solde débiteur)"},
    {"120", "Résultat de l'exercice (bénéfice)"},
    {"129", "Résultat de l'exercice (perte)"},
    {"145", "Amortissements dérogatoires"},
    {"280", "Amortissements des immobilisations incorporelles"},
    {"281", "Amortissements des immobilisations corporelles"},
    {"2811", "Terrains de gisement"},
    {"282", "Amortissements des immobilisations mises en concession"},
    {"290", "Dépréciations des immobilisations incorporelles"},
    {"2905", "Marques, procédés, droits et valeurs similaires"},
    {"291", "Dépréciations des immobilisations corporelles"},
    {"2911", "Terrains (autres que terrains de gisement)"},
    {"292", "Dépréciations des immobilisations mises en concession"},
    {"293", "Dépréciations des immobilisations en cours"},
    {"296", "Dépréciations des participations et créances rattachées à des participations"},
    {"297", "Dépréciations des autres immobilisations financières"},
    {"44562", "Taxes sur le chiffre d'affaires déductibles sur immobilisations"},
    {"675", "Valeurs comptables des éléments d'actif cédés"},
    {"6751", "Valeurs comptables des immobilisations incorporelles cédées"},
    {"6752", "Valeurs comptables des immobilisations corporelles cédées"},
    {"6756", "Valeurs comptables des immobilisations financières cédées"},
    {"6758", "Valeurs comptables des autres éléments d'actif cédés"},
    {"681", "Dotations aux amortissements, aux dépréciations et aux provisions - Charges d'exploitation"},
    {"6811", "Dotations aux amortissements sur immobilisations incorporelles et corporelles"},
    {"68111", "Dotations aux amortissements sur immobilisations incorporelles"},
    {"68112", "Dotations aux amortissements sur immobilisations corporelles"},
    {"6816", "Dotations pour dépréciations des immobilisations incorporelles et corporelles"},
    {"68161", "Dotations pour dépréciations des immobilisations incorporelles"},
    {"68162", "Dotations pour dépréciations des immobilisations corporelles"},
    {"686", "Dotations aux amortissements, aux dépréciations et aux provisions - Charges financières"},
    {"6866", "Dotations pour dépréciations des éléments financiers"},
    {"68662", "Dotations pour dépréciations des immobilisations financières"},
    {"687", "Dotations aux amortissements, aux dépréciations et aux provisions - Charges exceptionnelles"},
    {"6871", "Dotations aux amortissements exceptionnels des immobilisations"},
    {"6872", "Dotations aux provisions réglementées (immobilisations)"},
    {"68725", "Dotations aux amortissements dérogatoires"},
    {"6876", "Dotations pour dépréciations exceptionnelles"},
    {"757", "Produits des cessions d'immobilisations"},
    {"775", "Produits des cessions d'éléments d'actif"},
    {"7751", "Produits des cessions d'immobilisations incorporelles"},
    {"7752", "Produits des cessions d'immobilisations corporelles"},
    {"7756", "Produits des cessions d'immobilisations financières"},
    {"7758", "Produits des cessions d'autres éléments d'actif"},
    {"781",
     "Reprises sur amortissements, dépréciations et provisions (à inscrire dans les produits "
     "d'exploitation)"},
    {"7811", "Reprises sur amortissements des immobilisations incorporelles et corporelles"},
    {"7816", "Reprises sur dépréciations des immobilisations incorporelles et corporelles"},
    {"78161", "Reprises sur dépréciations des immobilisations incorporelles"},
    {"78162", "Reprises sur dépréciations des immobilisations corporelles"},
    {"786", "Reprises sur dépréciations et provisions (à inscrire dans les produits financiers)"},
    {"7866", "Reprises sur dépréciations des éléments financiers"},
    {"78662", "Reprises sur dépréciations des immobilisations financières"},
    {"787", "Reprises sur dépréciations et provisions (à inscrire dans les produits exceptionnels)"},
    {"7872", "Reprises sur provisions réglementées (immobilisations)"},
    {"78725", "Reprises sur amortissements dérogatoires"},
    {"7876", "Reprises sur dépréciations exceptionnelles"},
};

}  // namespace

std::vector<CompteGeneral> PlanComptableGeneral() {
    std::vector<CompteGeneral> accounts;
    // The mirrors' numbers must outlive the call: they are built once.
    static const std::vector<std::pair<std::string, const char*>> mirrors = [] {
        std::vector<std::pair<std::string, const char*>> built;
        for (const CompteActif& asset : kComptesActif) {
            const std::string number = asset.numero;
            if (asset.miroirs & kAmortissement)
                built.emplace_back(number.substr(0, 1) + "8" + number.substr(1), asset.libelle);
            if (asset.miroirs & kDepreciation)
                built.emplace_back(number.substr(0, 1) + "9" + number.substr(1), asset.libelle);
        }
        return built;
    }();
    for (const CompteActif& asset : kComptesActif) accounts.push_back({asset.numero, asset.libelle});
    for (const auto& [number, label] : mirrors) accounts.push_back({number.c_str(), label});
    for (const CompteGeneral& account : kAutresComptes) accounts.push_back(account);
    return accounts;
}

}  // namespace compta
