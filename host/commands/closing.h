// The year-end closing of a whole case file.
#pragma once

#include <optional>

#include "platform/barre.h"
#include "platform/dossier.h"

namespace vkhost {

struct ClosingResult {
    int assets = 0;  // asset chains visited
    int closed = 0;  // those that took part (some component entered by the year's end)
};

// Closes the case file's current fiscal year for the latest version of every asset chain, lowers
// by one the fiscal-year numbers stored relative to the current year (schedule lines, forecasts;
// forecasts that would fall below 0 are deleted), and makes the next fiscal year current
// (recording it when missing, ending on `nextEnd` when given). Everything in the caller's
// transaction: the first failure the engine shows ends the closing with EngineReportedFailure, for
// the caller to roll back.
ClosingResult CloseYear(CDossier& dossier, CBarre* bar, const TDateTime* nextEnd = nullptr);

// The end a user gives to the next fiscal year, checked against the current year: after its end,
// and at most 24 months after its next day. Raises InvalidInput naming --next-end otherwise.
void CheckNextYearEnd(const CDossier& dossier, const TDateTime& nextEnd);

// The end the closing gives to the next fiscal year: `asked` when given (checked by
// CheckNextYearEnd, and refused when the next year is already recorded with another end), else
// the recorded next year's end, else 12 months after the current year.
TDateTime NextYearEnd(const CDossier& dossier, const std::optional<TDateTime>& asked);

}  // namespace vkhost
