// vkhost compare on a stored case file whose entries are all recorded in the ledger.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/hcmd_stored_case.h"

namespace {

using nlohmann::json;
using vktest::Exact;

class CompareCommand : public vktest::StoredCase {};

// The comparison's ledger column sums the ledger's lines per account (debit positive), its
// difference is ledger minus register, and the charge accounts agree once the entries are created
// (the sale's income comes from the sales invoice, not from these entries); the CSV holds its rows.
TEST_F(CompareCommand, SumsTheLedgerPerAccountAsJsonAndCsv) {
    std::map<std::string, CCurrency> byAccount;
    const json ledger = Command("ledger");
    for (const json& entry : ledger["entries"])
        for (const json& line : entry["lines"])
            byAccount[line["account"]] +=
                line["debit"].get<bool>() ? Exact(line["amount"]) : -Exact(line["amount"]);
    const json comparison = Command("compare", "5");
    ASSERT_TRUE(comparison.is_object());
    EXPECT_EQ(comparison["type"], 5);
    ASSERT_FALSE(comparison["accounts"].empty());
    bool chargesSeen = false;
    json rows = comparison["accounts"];
    for (json& row : rows) {
        EXPECT_EQ(Exact(row["ledger"]) - Exact(row["register"]), Exact(row["difference"])) << row.dump();
        const std::string account = row["account"];
        if (account.rfind("6", 0) == 0) {
            chargesSeen = true;
            EXPECT_EQ(Exact(row["ledger"]), byAccount[account]) << row.dump();
            EXPECT_EQ(Exact(row["difference"]), CCurrency(0)) << "charges agree once posted: " << row.dump();
        }
        row["type"] = comparison["type"];
    }
    EXPECT_TRUE(chargesSeen) << comparison.dump();
    ExpectCsvHolds("compare", "5", rows);
}

}  // namespace
