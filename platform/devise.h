// Currencies of origin and their conversion into the case file's currency (the euro).
//
// A CDevise is a currency code (ISO 4217 number) with its rate, the number of units of that currency
// for one euro. The code 0 with the rate -1.0 is the default currency: amounts in it are not
// converted. A currency whose rate is not given (0 or less) takes the fixed rate of its code when one
// is known (the franc, 250, at 6.55957), otherwise its amounts are not converted.
#pragma once

#include "platform/currency.h"

class CDevise {
  public:
    CDevise() = default;
    CDevise(int code, double rate) : Code(code), Taux(rate) {}

    bool IsDefault() const;
    // The rate actually applied (1 for the default currency and the euro).
    double TauxEffectif() const;

    friend bool operator==(const CDevise& a, const CDevise& b) {
        return a.Code == b.Code && a.Taux == b.Taux;
    }
    friend bool operator!=(const CDevise& a, const CDevise& b) { return !(a == b); }

    int Code = 0;
    double Taux = -1.0;
};

constexpr int kCodeEuro = 978;
constexpr int kCodeFranc = 250;
constexpr double kTauxFranc = 6.55957;

extern const CDevise _DeviseEuro;
extern const CDevise _DeviseFranc;

// The amount converted from its currency of origin into euros, rounded to the ten-thousandth;
// a null amount stays null.
CCurrency DeviseConvToDef(const CDevise& from, const CCurrency& amount);
