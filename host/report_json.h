// The report of a scenario as JSON text: amounts exact, dates "YYYY-MM-DD", fields in the order of
// the report's description, sections left out when they were not asked for.
#pragma once

#include <ostream>
#include <string>

#include "host/report.h"

namespace vkhost {

void WriteReportJson(const Report& report, std::ostream& out);
std::string ReportJson(const Report& report);

}  // namespace vkhost
