// The case file the commands on a stored case file (schedule, exits, ledger, compare) are checked
// on: built and kept by `vkhost run`, whose report holds the figures the commands must show.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tests/host/commands/kept_case.h"

namespace vktest {

// A van sold during the year and shelves kept; every entry of the year recorded in the ledger.
inline const char* const kStoredCase = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
 "assets": [
  {"ref": "A1", "designation": "Fourgon", "vehicle": {"type": 5, "first_registration": "2024-03-01"},
   "components": [{"account": "218200", "entry_date": "2024-03-15",
     "details": [{"price": 24000, "costs": 500, "vat": 4900}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-03-15", "duration": 60},
               {"kind": 2, "method": 1, "start": "2024-03-15", "duration": 60}]}]},
  {"ref": "B2", "designation": "Étagères", "components": [
    {"account": "218400", "entry_date": "2025-07-01", "details": [{"price": 17520.5}],
     "plans": [{"kind": 1, "method": 1, "duration": 120}, {"kind": 2, "method": 2, "duration": 60}]},
    {"account": "218400", "entry_date": "2025-07-01", "details": [{"price": 480}],
     "plans": [{"kind": 1, "method": 1, "duration": 36}, {"kind": 2, "method": 1, "duration": 36}]}]}],
 "exits": [{"designation": "Vente du fourgon", "date": "2026-09-30", "price": 12000, "reason": 1,
            "vat_reversed": true, "assets": [{"ref": "A1"}]}],
 "actions": [{"do": "create_entries", "kind": 5}],
 "report": {"schedules": true, "tax": true, "disposals": true, "entries": [4]}})";

class StoredCase : public KeptCase {
protected:
    void SetUp() override {
        KeptCase::SetUp();
        if (IsSkipped()) return;
        report = KeptReport(kStoredCase);
        ASSERT_FALSE(report.is_null());
    }
    nlohmann::json Command(const std::string& command, const std::string& arguments = "") {
        const Outcome outcome = OnCase(command, arguments + " --json");
        EXPECT_EQ(outcome.status, 0) << command << "\n" << outcome.err;
        return outcome.status == 0 ? nlohmann::json::parse(outcome.out) : nlohmann::json();
    }
    // --csv writes `rows` (the JSON's rows, flattened); --json and --csv together are refused.
    void ExpectCsvHolds(const std::string& command, const std::string& arguments,
                        const nlohmann::json& rows) {
        const Outcome csv = OnCase(command, arguments + " --csv");
        ASSERT_EQ(csv.status, 0) << csv.err;
        ExpectCsvRows(csv.out, rows, command);
        const Outcome both = OnCase(command, arguments + " --json --csv");
        EXPECT_EQ(both.status, 2) << both.out;
        EXPECT_NE(both.err.find("--json, --csv"), std::string::npos) << both.err;
    }

    nlohmann::json report;
};

}  // namespace vktest
