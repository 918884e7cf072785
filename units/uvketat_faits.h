// The figures of one component for one fiscal year, as every statement takes them: gross value and
// its movements, accounting depreciation, derogatory depreciation, impairment and the disposal.
// Read once for the whole register (uvketat_faits.cpp), then grouped by the forms.
#pragma once

#include <string>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"

namespace vketat {

// The fiscal year a statement covers and the date its figures are taken at.
struct Periode {
    long exercice = 0;  // relative number, 0 the current year
    TDateTime debut, fin;
    TDateTime date;  // end of the period: the year's end, or the situation date or a date inside it
};

struct FaitsComposant {
    std::string reference;        // the asset's reference
    std::string designationBien;  // the asset's designation
    std::string designation;      // the component's designation
    std::string compte;           // account at the period's end
    std::string comptePrecedent;  // account before a transfer made in the year, else empty
    std::string compteAmort;      // depreciation account
    int typeCompte = 1;           // 0 intangible, 1 tangible, 2 other, 3 financial
    TDateTime entree, miseEnService;
    bool entreDansLAnnee = false;

    CCurrency brut{0};  // gross value (price and costs)

    // Accounting plan.
    std::string methodeComptable;
    int dureeComptable = 0;        // months, 0 when none
    int typeMethodeComptable = 0;  // 0 not depreciated, 1 linear, 2 declining
    CCurrency amortOuverture{0};
    CCurrency dotation{0};                // the year's charge, to the disposal for a disposed component
    CCurrency dotationExceptionnelle{0};  // write-down of a scrapped component
    CCurrency amortCloture{0};            // read at the period's end (0 once disposed of)

    // Tax plan and derogatory depreciation.
    std::string methodeFiscale;
    int methodeFiscaleCode = 0;  // VK_MethodeAmort
    int typeMethodeFiscale = 0;
    bool derogConcerne = false;
    CCurrency derogOuverture{0};
    CCurrency derogDotation{0};
    CCurrency derogReprise{0};  // reversals, the release at disposal included
    CCurrency derogCloture{0};  // balance at the period's end (0 once disposed of)

    // Impairment (not on 2054/2055; in the charges).
    CCurrency deprecDotation{0};
    CCurrency deprecReprise{0};

    // Disposal in the year.
    bool sortiDansLAnnee = false;
    bool rebut = false;
    TDateTime sortie;
    std::string motifSortie;
    CCurrency prixCession{0};
    CCurrency valeurOrigine{0};   // gross value retained by the disposal (VAT to reverse included)
    CCurrency amortPratiques{0};  // depreciation deducted, derogatory included
    CCurrency valeurResiduelle{0};
    CCurrency plusMoinsValue{0};
    CCurrency courtTerme{0};
    CCurrency longTerme{0};
    bool detenuMoinsDe2Ans = false;
};

// The period of a fiscal year: `annee` the calendar year of its end, or the year holding `date`
// (the period then ends at that date); neither: the current year up to the situation date.
// Raises std::invalid_argument when the year is not one of the case file's.
Periode PeriodeDe(const int* annee, const TDateTime& date);

// Every component held during the period (entered by its end, not disposed of before its start),
// from the latest version of each asset chain, read ahead in batches. In reference order.
std::vector<FaitsComposant> LireFaits(const Periode& periode);

// Only the components of one asset (by its reference); empty when the reference is unknown.
std::vector<FaitsComposant> LireFaitsBien(const Periode& periode, const std::string& reference);

// Zero for a null amount.
inline CCurrency Z(const CCurrency& amount) {
    return amount.IsNull() ? CCurrency(0) : amount;
}

}  // namespace vketat
