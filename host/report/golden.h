// Compares a report with the expected figures of a golden scenario.
//
// An expectation file is a JSON list of items [path, expected] or [path, expected, decimals]. A path
// walks the report with `.field`, `[i]` (the i-th element of a list) and `[key=value]` (the first
// element of a list whose `key` equals value, compared as a number when the element's key is a
// number, as text otherwise): `assets[ref=D2].components[0].plans[kind=1].schedule[year=1].charge`.
// Numbers are compared exactly after rounding both sides half away from zero to `decimals` places
// (4 when not given); texts, booleans and null must be equal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/json/value.h"

namespace vkhost {

struct GoldenPathStep {
    enum class Kind { Field, Index, Match };
    Kind kind = Kind::Field;
    std::string name;   // Field: the field; Match: the key
    size_t index = 0;   // Index
    std::string value;  // Match: the value looked for
};

struct GoldenItem {
    std::string path;
    std::vector<GoldenPathStep> steps;
    JsonValue expected;
    int decimals = 4;
};

struct GoldenMismatch {
    std::string path;
    std::string expected;  // JSON text of the expected value
    std::string actual;    // JSON text of the value found, or "missing: ..." when the path leads nowhere
};

// Raises InvalidInput "PATH: REASON" for a path that does not follow the language.
std::vector<GoldenPathStep> ParseGoldenPath(std::string_view path);
// Raises InvalidInput "PATH: REASON" (PATH within the expectation file, "[2][0]") for a bad item.
std::vector<GoldenItem> ParseGoldenItems(std::string_view text);
std::vector<GoldenItem> LoadGoldenItemsFile(const std::string& path);

// Every item whose value in the report differs from the expected one, in the items' order.
std::vector<GoldenMismatch> CheckGolden(const JsonValue& report, const std::vector<GoldenItem>& items);
std::vector<GoldenMismatch> CheckGolden(std::string_view reportJson, const std::vector<GoldenItem>& items);

// One line per mismatch: "PATH: expected E, got A".
std::string DescribeMismatches(const std::vector<GoldenMismatch>& mismatches);

}  // namespace vkhost
