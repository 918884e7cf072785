// The JSON outputs of the commands on a stored case file (schedule, exits, ledger, compare) against
// the report that `vkhost run` wrote for the same case: same field names, same exact figures.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/currency.h"
#include "tests/host/commands/kept_case.h"

namespace {

using nlohmann::json;

// A van sold during the year and shelves kept; every entry of the year recorded in the ledger.
const char* const kStoredCase = R"({
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

class StoredJson : public vktest::KeptCase {
protected:
    void SetUp() override {
        KeptCase::SetUp();
        if (IsSkipped()) return;
        report = KeptReport(kStoredCase);
        ASSERT_FALSE(report.is_null());
    }
    json Command(const std::string& command, const std::string& arguments = "") {
        const vktest::Outcome outcome = OnCase(command, arguments + " --json");
        EXPECT_EQ(outcome.status, 0) << command << "\n" << outcome.err;
        return outcome.status == 0 ? json::parse(outcome.out) : json();
    }
    static CCurrency Exact(const json& value) { return CCurrency::Parse(value.dump()); }

    json report;
};

// Each asset's schedule JSON is the report's element for it, field for field: plans, every
// schedule line, tax and disposal figures, exact amounts.
TEST_F(StoredJson, ScheduleIsTheReportsAsset) {
    for (const json& expected : report["assets"]) {
        const std::string ref = expected["ref"];
        const json shown = Command("schedule", ref);
        ASSERT_TRUE(shown.is_object()) << ref;
        EXPECT_EQ(shown["at"], "2026-12-31");
        ASSERT_EQ(shown["assets"].size(), 1u);
        EXPECT_EQ(shown["assets"][0], expected)
            << ref << "\nschedule: " << shown["assets"][0].dump() << "\nreport:   " << expected.dump();
    }
    const json midYear = Command("schedule", "B2 --at 30/06/2026");
    EXPECT_EQ(midYear["at"], "2026-06-30");
    const vktest::Outcome refused = Host("schedule " + Quoted(dossier()) + " B2 --at 31/06/2026 --json");
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(refused.err.find("--at : date invalide"), std::string::npos) << refused.err;
}

// The exits JSON holds the report's exits, and each disposed component's disposal figures.
TEST_F(StoredJson, ExitsAreTheReportsExitsAndDisposals) {
    const json shown = Command("exits");
    ASSERT_TRUE(shown.is_object());
    EXPECT_EQ(shown["exits"], report["exits"]) << shown["exits"].dump() << "\n" << report["exits"].dump();
    ASSERT_EQ(shown["assets"].size(), 1u) << shown.dump();
    const json& asset = shown["assets"][0];
    EXPECT_EQ(asset["exit"], report["exits"][0]["id"]);
    EXPECT_EQ(asset["ref"], "A1");
    const json& reported = report["assets"][0]["components"][0];
    ASSERT_EQ(asset["components"].size(), 1u);
    EXPECT_EQ(asset["components"][0]["ref_calc"], reported["ref_calc"]);
    EXPECT_EQ(asset["components"][0]["disposal"], reported["disposal"])
        << asset["components"][0].dump() << "\n"
        << reported["disposal"].dump();
    EXPECT_EQ(reported["disposal"]["vat_fraction"], "2/5") << "the example of the scenario format";
    EXPECT_EQ(vktest::Figure(reported["disposal"]["vat_to_reverse"]), "1960");
}

// The ledger holds the entries the report lists (line for line: journal, date, piece, account,
// direction, amount, label), each entry balanced; the comparison's ledger column sums them per
// account, its difference is ledger minus register, and the charge accounts agree once the entries
// are created (the sale's income comes from the sales invoice, not from these entries).
TEST_F(StoredJson, LedgerAndComparisonHoldTheReportsEntries) {
    const json ledger = Command("ledger");
    ASSERT_TRUE(ledger.is_object());
    std::multiset<std::string> recorded, expected;  // the lines, in no particular order
    std::map<std::string, CCurrency> byAccount;
    for (const json& entry : ledger["entries"]) {
        EXPECT_TRUE(entry["balanced"].get<bool>()) << entry.dump();
        EXPECT_EQ(entry["total_debit"], entry["total_credit"]) << entry.dump();
        for (const json& line : entry["lines"]) {
            // The ledger keeps the list's piece as its origin ("VK" and the kind) and its own piece.
            const std::string piece = entry["origin"].get<std::string>() + entry["piece"].get<std::string>();
            recorded.insert(json{entry["journal"], entry["date"], piece, line["account"], line["debit"],
                                 line["amount"], line["label"]}
                                .dump());
            CCurrency& sum = byAccount[line["account"]];
            sum += line["debit"].get<bool>() ? Exact(line["amount"]) : -Exact(line["amount"]);
        }
    }
    ASSERT_EQ(report["entries"].size(), 1u);
    for (const json& line : report["entries"][0]["lines"]) {
        expected.insert(json{line["journal"], line["date"], "VK" + line["piece"].get<std::string>(),
                             line["account"], line["debit"], line["amount"], line["label"]}
                            .dump());
    }
    ASSERT_FALSE(expected.empty());
    // The list the report builds afterwards no longer holds the disposal, posted meanwhile: every
    // line it holds is in the ledger, and the ledger's other lines are the disposal's, on its date.
    for (const std::string& line : expected) {
        const auto found = recorded.find(line);
        EXPECT_NE(found, recorded.end()) << "not in the ledger: " << line;
        if (found != recorded.end()) recorded.erase(found);
    }
    EXPECT_FALSE(recorded.empty()) << "the disposal's entry";
    for (const std::string& line : recorded)
        EXPECT_EQ(json::parse(line)[1], "2026-09-30")
            << "neither the year's charges nor the disposal: " << line;

    const json comparison = Command("compare", "5");
    ASSERT_TRUE(comparison.is_object());
    EXPECT_EQ(comparison["type"], 5);
    ASSERT_FALSE(comparison["accounts"].empty());
    bool chargesSeen = false;
    for (const json& row : comparison["accounts"]) {
        EXPECT_EQ(Exact(row["ledger"]) - Exact(row["register"]), Exact(row["difference"])) << row.dump();
        const std::string account = row["account"];
        if (account.rfind("6", 0) == 0) {
            chargesSeen = true;
            EXPECT_EQ(Exact(row["ledger"]), byAccount[account]) << row.dump();  // debit positive
            EXPECT_EQ(Exact(row["difference"]), CCurrency(0)) << "charges agree once posted: " << row.dump();
        }
    }
    EXPECT_TRUE(chargesSeen) << comparison.dump();
}

}  // namespace

namespace {

// The JSON rows that the CSV of a command flattens, each with the fields its CSV line carries.
json ScheduleRows(const json& shown) {
    json rows = json::array();
    const json& asset = shown["assets"][0];
    for (const json& component : asset["components"])
        for (const json& plan : component["plans"])
            for (json line : plan["schedule"]) {
                line.update(json{{"ref", asset["ref"]},
                                 {"ref_calc", asset["ref_calc"]},
                                 {"component_ref_calc", component["ref_calc"]},
                                 {"kind", plan["kind"]},
                                 {"method", plan["method"]}});
                rows.push_back(line);
            }
    return rows;
}

json DisposalRows(const json& shown) {
    json rows = json::array();
    for (const char* section : {"assets", "disposals_outside_exits"})
        for (const json& asset : shown[section])
            for (const json& component : asset["components"]) {
                if (!component.contains("disposal")) continue;
                json row = component["disposal"];
                row.update(json{{"exit", asset.value("exit", json())},
                                {"ref", asset["ref"]},
                                {"ref_calc", asset["ref_calc"]},
                                {"component_ref_calc", component["ref_calc"]}});
                rows.push_back(row);
            }
    return rows;
}

json LedgerRows(const json& shown) {
    json rows = json::array();
    for (json entry : shown["entries"]) {
        const json lines = entry["lines"];
        entry.erase("lines");
        for (json line : lines) {
            line.update(entry);
            rows.push_back(line);
        }
    }
    return rows;
}

json ComparisonRows(const json& shown) {
    json rows = shown["accounts"];
    for (json& row : rows) row["type"] = shown["type"];
    return rows;
}

// A CSV cell holds its JSON value: an exact amount with a decimal point, the text, true/false, or
// nothing for null.
bool SameValue(const std::string& cell, const json& value) {
    if (value.is_null()) return cell.empty();
    if (value.is_string()) return cell == value.get<std::string>();
    if (value.is_number())
        return cell.find(',') == std::string::npos &&
               CCurrency::Parse(cell) == CCurrency::Parse(value.dump());
    return cell == value.dump();
}

}  // namespace

// --csv writes the figures --json writes, a line per row under the JSON's field names, for every
// command that has both; the two together are refused (status 2).
TEST_F(StoredJson, CsvHoldsTheJsonsFigures) {
    struct Case {
        const char* command;
        const char* arguments;
        json (*rows)(const json&);
    };
    const Case cases[] = {{"schedule", "B2", ScheduleRows},
                          {"exits", "", DisposalRows},
                          {"ledger", "", LedgerRows},
                          {"compare", "5", ComparisonRows}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const json expected = c.rows(Command(c.command, c.arguments));
        ASSERT_FALSE(expected.empty());
        const vktest::Outcome csv = OnCase(c.command, std::string(c.arguments) + " --csv");
        ASSERT_EQ(csv.status, 0) << csv.err;
        const auto lines = vktest::CsvRows(csv.out);
        ASSERT_EQ(lines.size(), expected.size() + 1) << csv.out;
        const std::vector<std::string>& header = lines[0];
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(lines[i + 1].size(), header.size()) << csv.out;
            for (size_t f = 0; f < header.size(); ++f)
                EXPECT_TRUE(SameValue(lines[i + 1][f], expected[i].value(header[f], json())))
                    << "line " << i + 1 << ", " << header[f] << ": CSV \"" << lines[i + 1][f] << "\", JSON "
                    << expected[i].value(header[f], json()) << " (" << expected[i].dump() << ")";
        }
        const vktest::Outcome both = OnCase(c.command, std::string(c.arguments) + " --json --csv");
        EXPECT_EQ(both.status, 2) << both.out;
        EXPECT_NE(both.err.find("--json, --csv"), std::string::npos) << both.err;
    }
}

// Disposal records whose exit is gone (removed by another program) are still listed, apart, with
// the figures they had inside their exit, as text, JSON and CSV.
TEST_F(StoredJson, DisposalsOutsideAnyExitAreListed) {
    const json before = Command("exits");
    Isql(dossier(), "UPDATE ZENKOVKB SET ID_SORTIE=NULL;\nDELETE FROM ZENKOVKS;\nCOMMIT;\n");
    const json after = Command("exits");
    EXPECT_TRUE(after["exits"].empty()) << after.dump();
    ASSERT_EQ(after["disposals_outside_exits"].size(), 1u) << after.dump();
    const json& outside = after["disposals_outside_exits"][0];
    EXPECT_EQ(outside["ref"], "A1");
    ASSERT_EQ(outside["components"].size(), 1u);
    EXPECT_EQ(outside["components"][0]["disposal"]["gross_value"],
              before["assets"][0]["components"][0]["disposal"]["gross_value"]);

    const vktest::Outcome text = OnCase("exits");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.find("Aucune cession."), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Fiches de cession hors de toute sortie :\n  Bien A1 Fourgon"), std::string::npos)
        << text.out;
    const auto csv = vktest::CsvRows(OnCase("exits", "--csv").out);
    ASSERT_EQ(csv.size(), 2u);
    EXPECT_EQ(csv[1][0], "") << "no exit";
    EXPECT_EQ(csv[1][1], "A1");
}
