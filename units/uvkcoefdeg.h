// The declining-balance coefficients, read from table "VKCOEF" of the common database and kept per
// day for the life of the library.
#pragma once

#include <array>
#include <map>

#include "platform/currency.h"
#include "platform/datetime.h"

class cVK_ListeCoefDeg {
public:
    cVK_ListeCoefDeg() = default;
    virtual ~cVK_ListeCoefDeg() { clear(); }
    virtual void clear() { coefficients_.clear(); }

    // The coefficient for an acquisition date and a duration in months: 1 under 36 months (and for
    // no duration), then the coefficient of 3-4 years, 5-6 years (up to 72 months) or over 6 years of
    // the period containing the date; 1 when no single period contains it; null when the read
    // failed or the period's coefficient is null.
    CCurrency GetCoef(const TDateTime& date, int durationMonths);
    // Number of days read from the database so far (each day is read once).
    size_t Count() const { return coefficients_.size(); }

private:
    std::map<long, std::array<CCurrency, 3>> coefficients_;
};

extern cVK_ListeCoefDeg ListeCoefDeg;
