// Ceilings on the tax depreciation of passenger cars (French tax code, article 39-4).
//
// The depreciation of a passenger car is deductible only on the part of its cost that does not
// exceed a ceiling; the depreciation of the part above it is added back to the taxable result. The
// cost compared with the ceiling is the car's cost including the VAT that could not be recovered
// (for a passenger car, the whole VAT): the cost as recorded in the register.
//
// The ceiling depends on the date the car was acquired, the date of its first registration and,
// for cars acquired from 2006, on its CO2 emissions in grams per kilometre, measured under the NEDC
// or, for cars first registered from 1 March 2020, under the WLTP procedure.
//
// Vehicle type: only passenger cars are capped. GetPlafondAmort does not take the vehicle type; it
// answers the ceiling a passenger car would have, and its caller asks it for passenger cars only:
// the engine's vehicle type "Voiture de tourisme", which ConvertTypeVehicule turns into
// kCategorieVoitureTourisme. EstSoumisPlafondAmort tells which categories are capped.
#pragma once

#include "platform/currency.h"
#include "platform/datetime.h"

// The vehicle categories of this library: the values ConvertTypeVehicule returns.
enum VK_CategorieVehicule : int {
    kCategorieNonConcerne = 0,  // not a road vehicle, or a truck
    kCategorieMoto = 1,
    kCategorieVelomoteur = 2,
    kCategorieVoitureTourisme = 3,
    kCategorieVoitureUtilitaire = 4,
};

// Whether the depreciation of a vehicle of this category is capped: passenger cars only.
bool EstSoumisPlafondAmort(int categorie);

// The engine's integer null: the CO2 rate of a vehicle whose rate is not known.
constexpr int kTauxCO2Inconnu = -2147483647;

// The depreciation ceiling of a passenger car, in euros.
//   premiereImmat  date of first registration;
//   acquisition    date the car was acquired (the entry date of the asset's structure component);
//   tauxCO2        CO2 emissions in g/km, kTauxCO2Inconnu when not known;
//   normeWLTP      the rate was measured under the WLTP procedure.
// Returns the null amount when either date is the null date: no ceiling can be told.
// A rate that is not known (kTauxCO2Inconnu, or any negative value, which no car emits) gives the
// lowest ceiling the dates allow. When tauxCO2Manquant is given it receives true exactly when the
// ceiling depends on the rate and the rate was not known, so that the caller can warn the user;
// otherwise false.
CCurrency GetPlafondAmort(const TDateTime& premiereImmat, const TDateTime& acquisition, int tauxCO2,
                          bool normeWLTP, bool* tauxCO2Manquant = nullptr);
