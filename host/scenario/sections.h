// The readers of the scenario's sections, each checking its part of the file.
#pragma once

#include "host/scenario/fields.h"
#include "host/scenario/scenario.h"

namespace vkhost::sections {

CaseInput ReadCase(const JsonValue& value, const std::string& path);
std::vector<AssetInput> ReadAssets(const fields::ObjectReader& root);
std::vector<ExitInput> ReadExits(const fields::ObjectReader& root, const std::vector<AssetInput>& assets);
std::vector<ActionInput> ReadActions(const fields::ObjectReader& root, const std::vector<AssetInput>& assets,
                                     const std::string& baseDirectory);
ReportOptions ReadReportOptions(const fields::ObjectReader& root);

// The index of the asset whose ref is given, or fails at path.
size_t FindAsset(const std::vector<AssetInput>& assets, const std::string& ref, const std::string& path);

}  // namespace vkhost::sections
