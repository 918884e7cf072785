#include "platform/plafonds.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

// Dates of the table are written yyyymmdd; an open end is kJamais or kToujours.
constexpr int kJamais = 0;
constexpr int kToujours = 99991231;
// A CO2 band with no upper limit.
constexpr int kSansLimite = std::numeric_limits<int>::max();

// The ceiling of the cars whose rate is at most co2Max g/km (and above the previous band's).
struct Tranche {
    int co2Max = 0;
    int plafond = 0;
};

// The bands of a rule, in ascending order of rate; the last one used has co2Max kSansLimite.
using Bareme = std::array<Tranche, 4>;

enum class Mesure { Toute, WLTP };

// One rule: the cars acquired from acquisDu (included) to acquisAu (excluded) and first registered
// from immatDu (included) to immatAu (excluded), with the measure it asks for.
struct Regle {
    int acquisDu, acquisAu;
    int immatDu, immatAu;
    Mesure mesure;
    Bareme bareme;
};

constexpr Bareme Unique(int plafond) {
    return {{{kSansLimite, plafond}}};
}
// The scale of the cars acquired from 2017: under 20 g, under the second threshold, up to the last
// threshold, above it.
constexpr Bareme ParCO2(int seuil2, int dernierSeuil) {
    return {{{19, 30000}, {seuil2 - 1, 20300}, {dernierSeuil, 18300}, {kSansLimite, 9900}}};
}

// Every rule, with its dates, in one place. The first rule that matches applies. The WLTP rules come
// before the NEDC rules of the same years: the WLTP scale is for cars measured under WLTP and first
// registered from 1 March 2020, so a car measured under WLTP but registered earlier, or a car
// registered from 1 March 2020 without a WLTP measure, takes the NEDC rules.
//
// Open cases, read as the tax code does:
//  - cars acquired from 2006 but first registered up to 1 June 2004 included: 18,300 whatever their
//    rate (the CO2 reductions concern only cars first registered after 1 June 2004, when the rate
//    was first recorded; the 100,000-franc ceiling of cars registered before 1 November 1996 ended
//    with the acquisitions of 2005);
//  - cars acquired before 2006 and first registered from 1 November 1996: 18,300, with no CO2 rule
//    (the 200 g reduction starts with the acquisitions of 2006);
//  - cars acquired from 2006 to 2016, first registered after 1 June 2004, above 200 g: 9,900 (the
//    tax code lowers the 18,300 ceiling to 9,900 for them);
//  - the CO2 scales by NEDC and WLTP start with the acquisitions of 2017, whatever the date of first
//    registration: a car acquired earlier follows the rules of its acquisition date.
constexpr Regle kRegles[] = {
    // acquired from, to    first registered from, to    measure    ceilings by CO2 rate
    {kJamais, 20060101, kJamais, 19961101, Mesure::Toute, Unique(15245)},  // 100,000 francs
    {kJamais, 20060101, 19961101, kToujours, Mesure::Toute, Unique(18300)},
    {20060101, 20170101, 20040602, kToujours, Mesure::Toute, {{{200, 18300}, {kSansLimite, 9900}}}},
    {20060101, kToujours, kJamais, 20040602, Mesure::Toute, Unique(18300)},
    {20170101, 20210101, 20200301, kToujours, Mesure::WLTP, ParCO2(50, 165)},
    {20210101, kToujours, 20200301, kToujours, Mesure::WLTP, ParCO2(50, 160)},
    {20170101, 20180101, 20040602, kToujours, Mesure::Toute, ParCO2(60, 155)},
    {20180101, 20190101, 20040602, kToujours, Mesure::Toute, ParCO2(60, 150)},
    {20190101, 20200101, 20040602, kToujours, Mesure::Toute, ParCO2(60, 140)},
    {20200101, 20210101, 20040602, kToujours, Mesure::Toute, ParCO2(60, 135)},
    {20210101, kToujours, 20040602, kToujours, Mesure::Toute, ParCO2(60, 130)},
};

int AnneeMoisJour(const TDateTime& date) {
    int year, month, day;
    DecodeDate(date, year, month, day);
    return year * 10000 + month * 100 + day;
}

const Regle* TrouveRegle(int immat, int acquis, bool normeWLTP) {
    for (const Regle& regle : kRegles) {
        if (acquis < regle.acquisDu || acquis >= regle.acquisAu) continue;
        if (immat < regle.immatDu || immat >= regle.immatAu) continue;
        if (regle.mesure == Mesure::WLTP && !normeWLTP) continue;
        return &regle;
    }
    return nullptr;  // the rules cover every pair of dates
}

bool DependDuTaux(const Bareme& bareme) {
    return bareme[0].co2Max != kSansLimite;
}

int PlafondSelonTaux(const Bareme& bareme, int tauxCO2) {
    for (const Tranche& tranche : bareme)
        if (tauxCO2 <= tranche.co2Max) return tranche.plafond;
    return 0;  // not reached: the last band used has no upper limit
}

int PlusBasPlafond(const Bareme& bareme) {
    int plusBas = bareme[0].plafond;
    for (const Tranche& tranche : bareme) {
        plusBas = std::min(plusBas, tranche.plafond);
        if (tranche.co2Max == kSansLimite) break;
    }
    return plusBas;
}

}  // namespace

bool EstSoumisPlafondAmort(int categorie) {
    return categorie == kCategorieVoitureTourisme;
}

CCurrency GetPlafondAmort(const TDateTime& premiereImmat, const TDateTime& acquisition, int tauxCO2,
                          bool normeWLTP, bool* tauxCO2Manquant) {
    if (tauxCO2Manquant) *tauxCO2Manquant = false;
    if (premiereImmat.IsNull() || acquisition.IsNull()) return CCurrency();
    const Regle* regle = TrouveRegle(AnneeMoisJour(premiereImmat), AnneeMoisJour(acquisition), normeWLTP);
    if (!regle) return CCurrency();
    if (tauxCO2 >= 0) return CCurrency(PlafondSelonTaux(regle->bareme, tauxCO2));
    // The rate is not known: the lowest ceiling these dates allow.
    if (tauxCO2Manquant) *tauxCO2Manquant = DependDuTaux(regle->bareme);
    return CCurrency(PlusBasPlafond(regle->bareme));
}
