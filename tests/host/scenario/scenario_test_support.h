// Helpers of the scenario tests: a complete valid scenario, and variants of it with one field changed.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host/scenario/scenario.h"
#include "host/session.h"

namespace vkhost::testing {

// Every section and most fields, valid. Built on the example of the scenario format (a delivery
// van bought on 15 March 2024 and sold on 30 September 2026).
inline const char* kFullScenario = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01", "situation_date": "2026-12-31", "tax_regime": 1,
          "settings": {"DerogatoireTaux": 100, "0": "31/12/26 1"}},
 "assets": [
  {"ref": "A1", "designation": "Delivery van",
   "vehicle": {"type": 5, "first_registration": "2024-03-01", "registration": "AB-123-CD"},
   "components": [
    {"account": "218200", "entry_date": "2024-03-15",
     "details": [{"price": 24000, "costs": 500, "vat": 4900, "supplier": "Garage"}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-03-15", "duration": 60},
               {"kind": 2, "method": 1, "start": "2024-03-15", "duration": 60}]},
    {"account": "218200", "entry_date": "2024-03-15",
     "units": {"total": 1000, "designation": "km", "forecasts": [{"year": 0, "quantity": 10}]},
     "situations": [{"date": "2026-06-30", "kind": 1, "current_value": 100}]}]},
  {"ref": "B2", "components": [{"account": "213100", "entry_date": "2025-02-01"}]}],
 "exits": [{"designation": "Sale of the van", "date": "2026-09-30", "price": 12000, "reason": 1,
            "vat_reversed": true,
            "assets": [{"ref": "A1", "components": [{"index": 0, "entered_price": 11000}]}]}],
 "actions": [{"do": "validate", "asset": "B2", "complement": 2},
             {"do": "close_year"},
             {"do": "export_entries", "kind": 4, "file": "out/entries.txt"}],
 "report": {"schedules": true, "disposals": true, "entries": [4]}
})";

// The message of the InvalidInput that parsing raises, or "" when the scenario is accepted.
inline std::string ParseError(const std::string& text) {
    try {
        ParseScenario(text);
    } catch (const InvalidInput& e) {
        return e.what();
    }
    return "";
}

// The full scenario with the value at a JSON pointer replaced by raw JSON text (written as is, so
// that numbers keep their digits and bytes need not be valid), or removed when raw is empty.
inline std::string Variant(const std::string& pointer, const std::string& raw) {
    nlohmann::ordered_json document = nlohmann::ordered_json::parse(kFullScenario);
    nlohmann::ordered_json::json_pointer where(pointer);
    if (raw.empty()) {
        nlohmann::ordered_json& parent = document[where.parent_pointer()];
        if (parent.is_array())
            parent.erase(std::stoul(where.back()));
        else
            parent.erase(where.back());
        return document.dump();
    }
    const std::string placeholder = "@@RAW@@";
    document[where] = placeholder;
    std::string text = document.dump();
    return text.replace(text.find("\"" + placeholder + "\""), placeholder.size() + 2, raw);
}

}  // namespace vkhost::testing
