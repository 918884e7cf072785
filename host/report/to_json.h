// The report of a scenario as JSON text: amounts exact, dates "YYYY-MM-DD", fields in the order of
// the report's description, sections left out when they were not asked for.
#pragma once

#include <ostream>
#include <string>

#include "host/report/report.h"

namespace vkhost {

class JsonWriter;

void WriteReportJson(const Report& report, std::ostream& out);
// One element of the report's `assets[]`, `exits[]` or of an entries list's `lines[]`, for the
// commands that write part of a report on a stored case file.
void WriteAssetJson(JsonWriter& w, const AssetReport& asset);
void WriteExitJson(JsonWriter& w, const ExitReport& exit);
void WriteDisposalJson(JsonWriter& w, const DisposalReport& disposal);
std::string ReportJson(const Report& report);

}  // namespace vkhost
