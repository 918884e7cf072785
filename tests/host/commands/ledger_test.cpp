// vkhost ledger on a stored case file against the report `vkhost run` wrote for the same case.
#include <gtest/gtest.h>

#include <set>

#include "tests/support/hcmd_stored_case.h"

namespace {

using nlohmann::json;

class LedgerCommand : public vktest::StoredCase {};

// The ledger holds the entries the report lists (line for line: journal, date, piece, account,
// direction, amount, label), each entry balanced; its CSV holds a line per entry line.
TEST_F(LedgerCommand, HoldsTheReportsEntriesAsJsonAndCsv) {
    const json ledger = Command("ledger");
    ASSERT_TRUE(ledger.is_object());
    std::multiset<std::string> recorded, expected;  // the lines, in no particular order
    json rows = json::array();
    for (const json& entry : ledger["entries"]) {
        EXPECT_TRUE(entry["balanced"].get<bool>()) << entry.dump();
        EXPECT_EQ(entry["total_debit"], entry["total_credit"]) << entry.dump();
        json header = entry;
        header.erase("lines");
        for (const json& line : entry["lines"]) {
            // The ledger keeps the list's piece as its origin ("VK" and the kind) and its own piece.
            const std::string piece = entry["origin"].get<std::string>() + entry["piece"].get<std::string>();
            recorded.insert(json{entry["journal"], entry["date"], piece, line["account"], line["debit"],
                                 line["amount"], line["label"]}
                                .dump());
            json row = line;
            row.update(header);
            rows.push_back(row);
        }
    }
    ASSERT_EQ(report["entries"].size(), 1u);
    for (const json& line : report["entries"][0]["lines"])
        expected.insert(json{line["journal"], line["date"], "VK" + line["piece"].get<std::string>(),
                             line["account"], line["debit"], line["amount"], line["label"]}
                            .dump());
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
    ExpectCsvHolds("ledger", "", rows);
}

}  // namespace
