// The year-end closing of a whole case file.
#pragma once

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
// (recording it when missing). Everything in the caller's transaction: the first failure the
// engine shows ends the closing with EngineReportedFailure, for the caller to roll back.
ClosingResult CloseYear(CDossier& dossier, CBarre* bar);

}  // namespace vkhost
