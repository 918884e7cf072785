// The progress of long commands on a terminal: one line redrawn in place on standard error, with
// the step, the items done out of the total, the percentage and an estimate of the time left.
// Nothing is drawn when standard error is not a terminal (scripts, pipes, tests).
#pragma once

#include <string>

namespace vkhost {

// Makes every engine progress bar draw the host's line.
void UseProgressLine();

// The line for a bar: "Clôture — Calcul des écritures de dotation  120/2000   6 %  reste 0:31";
// the estimate only once some time has passed and some items are done.
std::string ProgressLine(const std::string& caption, const std::string& message, long long done,
                         long long total, double elapsedSeconds);

}  // namespace vkhost
