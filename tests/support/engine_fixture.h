// A case file with every table of the engine, and shortcuts to build stored assets whose structure
// component is ready for depreciation tests.
#pragma once

#include <memory>

#include "tests/support/case_fixture.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvklistes.h"

namespace vktest {

// Creates every table of the engine in the case file's database and commits them.
void CreateEngineTables();

class EngineCase {
public:
    explicit EngineCase(const ParametresDossier& parameters = CalendarYears(2024, 3, 2026));
    CaseFile& File() { return file_; }

    // A stored asset (state 2, in progress) with one structure component entered on `entry`, of the
    // given account and price (one acquisition line).
    cVK_Bien* NewAsset(const TDateTime& entry, const CCurrency& price, const UnicodeString& account = "215400");
    cVK_Composant* Structure(cVK_Bien* asset) { return asset->GetStructure(); }

private:
    CaseFile file_;
    std::vector<std::unique_ptr<cVK_Bien>> assets_;
};

// Sets a plan's method, duration and starting point in one call.
void SetPlan(cVK_Amortissement* plan, VK_MethodeAmort method, unsigned short months, const TDateTime& start = TDateTime());

// The charges of a plan's schedule by fiscal year, after CalculTableau.
std::map<int, double> Charges(cVK_Amortissement* plan);

}  // namespace vktest
