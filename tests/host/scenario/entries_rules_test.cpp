// The rules of the disposal entries and of the ledger, from outside, on case files built by
// `vkhost run` and then worked with the entries, ledger, compare, validate and close-year commands:
// a component of an exit is posted with its whole exit, a disposal after the situation date is not
// posted yet, an export changes nothing in the case file, every ledger amount is in cents, and a
// long login name is stamped cut to its column.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

using vktest::Outcome;
using vktest::ReadFile;

const char* const kYears = R"("fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01")";

// A component entered 1 January 2025, linear over 60 months in both plans (no derogatory
// depreciation): `price` a year divided by five.
std::string Component(const std::string& account, const std::string& price, const std::string& vat = "0") {
    return R"({"account": ")" + account + R"(", "entry_date": "2025-01-01", "details": [{"price": )" + price +
           R"(, "vat": )" + vat + R"(}],
     "plans": [{"kind": 1, "method": 1, "start": "2025-01-01", "duration": 60},
               {"kind": 2, "method": 1, "start": "2025-01-01", "duration": 60}]})";
}

// One entry of `vkhost ledger`: its header (journal, date, piece) and its lines as
// "account D|C amount".
struct LedgerEntry {
    std::string header;
    std::vector<std::string> lines;
};

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// An amount as the screen shows it ("1 234,56") written with a decimal point ("1234.56").
std::string PointDecimal(std::string amount) {
    amount.erase(std::remove(amount.begin(), amount.end(), ' '), amount.end());
    std::replace(amount.begin(), amount.end(), ',', '.');
    return amount;
}

// Reads the output of `vkhost ledger`: "Écriture N : HEADER", then lines whose account, debit and
// credit columns are 14, 16 and 16 characters wide, then the entry's total.
std::vector<LedgerEntry> ParseLedger(const std::string& out) {
    std::vector<LedgerEntry> entries;
    std::istringstream rows(out);
    const std::string start = "Écriture ";
    for (std::string row; std::getline(rows, row);) {
        if (row.rfind(start, 0) == 0) {
            entries.push_back({row.substr(row.find(" : ") + 3), {}});
            continue;
        }
        if (entries.empty() || row.rfind("  ", 0) != 0 || row.size() < 50) continue;
        const std::string account = Trim(row.substr(2, 14));
        if (account == "Total") continue;
        const std::string debit = PointDecimal(row.substr(17, 16)), credit = PointDecimal(row.substr(34, 16));
        entries.back().lines.push_back(account + (debit.empty() ? " C " + credit : " D " + debit));
    }
    return entries;
}

// The lines of the ledger's entries whose header contains `piece`, sorted.
std::vector<std::string> EntryLines(const std::vector<LedgerEntry>& ledger, const std::string& piece) {
    std::vector<std::string> lines;
    for (const LedgerEntry& entry : ledger)
        if (entry.header.find(piece) != std::string::npos)
            lines.insert(lines.end(), entry.lines.begin(), entry.lines.end());
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Debits minus credits of an account over the whole ledger, in ten-thousandths.
long long Balance(const std::vector<LedgerEntry>& ledger, const std::string& account) {
    long long balance = 0;
    for (const LedgerEntry& entry : ledger)
        for (const std::string& line : entry.lines) {
            std::istringstream fields(line);
            std::string number, direction, amount;
            fields >> number >> direction >> amount;
            if (number != account) continue;
            const size_t point = amount.find('.');
            const long long units = std::stoll(amount.substr(0, point));
            const long long fraction = std::stoll((amount.substr(point + 1) + "0000").substr(0, 4));
            balance += (direction == "D" ? 1 : -1) * (units * 10000 + fraction);
        }
    return balance;
}

class EntriesRules : public vktest::HostTest {
protected:
    std::string Case() const { return Quoted(dossier()); }

    void Build(const std::string& scenario) {
        const Outcome run = RunScenario(scenario, "--case " + this->Case());
        ASSERT_EQ(run.status, 0) << run.err;
    }
    // The first column of every row of a query on the case file, as texts.
    std::vector<std::string> Column(const std::string& select) {
        std::istringstream out(Isql(dossier(), "SET HEADING OFF;\n" + select + ";\n"));
        std::vector<std::string> values;
        for (std::string value; out >> value;) values.push_back(value);
        return values;
    }
    std::vector<LedgerEntry> Ledger() {
        const Outcome ledger = Host("ledger " + this->Case());
        EXPECT_EQ(ledger.status, 0) << ledger.out << ledger.err;
        EXPECT_NE(ledger.out.find(" 0 déséquilibrées."), std::string::npos) << ledger.out;
        return ParseLedger(ledger.out);
    }
    Outcome Entries(const std::string& arguments) {
        return Host("entries " + this->Case() + " " + arguments);
    }
};

// ---------------------------------------------------------------------------------------------
// The disposal entry of a component of an exit is the whole exit's

// A press in two components (12,000 and 6,000) and a van (4,000), sold together on 30 June 2026.
const std::string kExitOfTwoAssets = std::string(R"({"case": {)") + kYears + R"(},
 "assets": [
  {"ref": "P1", "designation": "Presse", "type": 2, "components": [)" +
                                     Component("215400", "12000") + "," + Component("215400", "6000") + R"(]},
  {"ref": "V1", "designation": "Fourgon", "components": [)" +
                                     Component("218200", "4000") + R"(]}],
 "exits": [{"designation": "Vente groupée", "date": "2026-06-30", "price": 15000, "reason": 1,
            "assets": [{"ref": "P1"}, {"ref": "V1"}]}]
})";

TEST_F(EntriesRules, PostingOneComponentOfAnExitPostsTheWholeExit) {
    Build(kExitOfTwoAssets);
    const std::vector<std::string> exits = Column("SELECT ID_SORTIE FROM ZENKOVKS");
    ASSERT_EQ(exits.size(), 1u);
    const std::string piece = "pièce VK3-" + exits[0];
    ASSERT_EQ(Entries("5 --create").status, 0);
    const std::vector<std::string> whole = EntryLines(Ledger(), piece);
    // Each asset gives at least its gross value, its depreciation and its book value (the press's
    // two components share their accounts, and lines of one account and side are summed).
    ASSERT_GE(whole.size(), 6u);

    const std::vector<std::string> components = Column("SELECT ID_COMPO FROM ZENKOVKO ORDER BY 1");
    ASSERT_EQ(components.size(), 3u);
    for (const std::string& id : components) {
        const Outcome posted = Entries("2 --component " + id + " --create");
        ASSERT_EQ(posted.status, 0) << "component " << id << "\n" << posted.err;
        EXPECT_NE(posted.err.find("toute la sortie"), std::string::npos)
            << "component " << id << ": the host says the whole exit is posted\n"
            << posted.err;
        EXPECT_EQ(EntryLines(Ledger(), piece), whole) << "component " << id;
    }
    ASSERT_EQ(Entries("2 --exit " + exits[0] + " --create").status, 0);
    EXPECT_EQ(EntryLines(Ledger(), piece), whole);

    // Cancelling through one component removes the exit's entry.
    ASSERT_EQ(Entries("2 --component " + components[1] + " --cancel").status, 0);
    EXPECT_TRUE(EntryLines(Ledger(), piece).empty());
}

// ---------------------------------------------------------------------------------------------
// A disposal after the situation date is not posted yet

// A machine of 12,000 (2,400 a year), situation date 30 June 2026, sold on the date given.
std::string SaleAt(const std::string& date) {
    return std::string(R"({"case": {)") + kYears + R"(, "situation_date": "2026-06-30"},
 "assets": [{"ref": "M1", "designation": "Machine", "components": [)" +
           Component("215400", "12000") + R"(]}],
 "exits": [{"designation": "Vente", "date": ")" +
           date + R"(", "price": 8000, "reason": 1,
            "assets": [{"ref": "M1"}]}]})";
}

TEST_F(EntriesRules, DisposalAfterTheSituationDateIsNotPostedAndChargesArePostedOnce) {
    // Charges by days on a 360-day year: to 30 June 180 days, 1,200; to 31 March 90 days, 600.
    struct Case {
        const char* sale;
        long long charge;      // 681120 over the whole ledger, ten-thousandths
        bool disposalEntry;    // the exit's entry is in the ledger
        const char* chargeAt;  // the header of the entry that carries the year's charge
    } cases[] = {
        {"2026-09-30", 12000000, false, "INVR, 30/06/2026, pièce VK2"},
        {"2026-03-31", 6000000, true, "ODR, 31/03/2026, pièce VK3-"},
        {"2026-06-30", 12000000, true, "ODR, 30/06/2026, pièce VK3-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("sold on ") + c.sale);
        fs::remove_all(dossier());
        Build(SaleAt(c.sale));
        const std::string exit = Column("SELECT ID_SORTIE FROM ZENKOVKS").at(0);
        ASSERT_EQ(Entries("5 --create").status, 0);
        const Outcome single = Entries("2 --exit " + exit + " --create");
        ASSERT_EQ(single.status, 0) << single.err;
        const std::vector<LedgerEntry> ledger = Ledger();
        EXPECT_EQ(Balance(ledger, "681120"), c.charge);
        EXPECT_EQ(!EntryLines(ledger, "pièce VK3-" + exit).empty(), c.disposalEntry);
        long long carrying = 0;
        for (const LedgerEntry& entry : ledger)
            if (entry.header.find(c.chargeAt) != std::string::npos) carrying += 1;
        EXPECT_EQ(carrying, 1) << "the charge is in " << c.chargeAt;

        // The register at the situation date counts the charge once too.
        const Outcome compare = Host("compare " + this->Case() + " 5");
        ASSERT_EQ(compare.status, 0) << compare.err;
        std::istringstream rows(compare.out);
        bool found = false;
        for (std::string row; std::getline(rows, row);)
            if (row.rfind("681120", 0) == 0) {
                found = true;
                EXPECT_EQ(row.substr(row.size() - 5), " 0,00") << row;
            }
        EXPECT_TRUE(found) << compare.out;
    }
}

// ---------------------------------------------------------------------------------------------
// Exporting changes nothing in the case file

TEST_F(EntriesRules, ExportChangesNothingInTheCaseFile) {
    Build(kExitOfTwoAssets);
    const std::string exit = Column("SELECT ID_SORTIE FROM ZENKOVKS").at(0);
    const std::string component = Column("SELECT ID_COMPO FROM ZENKOVKO ORDER BY 1").at(0);
    const std::string before = Dump(dossier());
    const std::string owners[] = {"3", "5", "2 --exit " + exit, "2 --component " + component};
    int number = 0;
    for (const std::string& kind : owners) {
        const fs::path file = work.Path() / ("export" + std::to_string(++number) + ".txt");
        const Outcome exported = Entries(kind + " --export " + Quoted(file));
        ASSERT_EQ(exported.status, 0) << kind << "\n" << exported.err;
        EXPECT_NE(ReadFile(file).find("\t215400\t"), std::string::npos)
            << kind << ": the disposal is exported";
        EXPECT_EQ(Dump(dossier()), before) << "kind " << kind;
    }
    // Creating them is what marks the exit as posted.
    ASSERT_EQ(Entries("3 --create").status, 0);
    EXPECT_EQ(Column("SELECT DATE_ECR FROM ZENKOVKS"), std::vector<std::string>{"2026-06-30"});
}

// ---------------------------------------------------------------------------------------------
// Amounts of the ledger and of the export in cents

TEST_F(EntriesRules, VatToReverseAndEveryLedgerAmountInCents) {
    // 10,000 entered 1 January 2025 and sold 30 June 2026: 3 of the 5 years of VAT remain, 3/5 of
    // the deducted VAT is reversed, rounded to the cent half away from zero.
    struct Case {
        const char* vat;
        double reversed;
        const char* ledger;  // the credit of 445620 as `vkhost ledger` shows it
        const char* fec;     // and as the export writes it
    } cases[] = {
        {"1234.57", 740.74, "445620 C 740.74", "\t740,74\t"},    // 740.742
        {"1234.575", 740.75, "445620 C 740.75", "\t740,75\t"},   // 740.745
        {"1234.5725", 740.74, "445620 C 740.74", "\t740,74\t"},  // 740.7435
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("VAT deducted ") + c.vat);
        fs::remove_all(dossier());
        const std::string scenario = std::string(R"({"case": {)") + kYears + R"(},
 "assets": [{"ref": "M1", "designation": "Machine", "components": [)" +
                                     Component("215400", "10000", c.vat) + R"(]}],
 "exits": [{"designation": "Vente", "date": "2026-06-30", "price": 7000, "reason": 1, "vat_reversed": true,
            "assets": [{"ref": "M1"}]}],
 "report": {"disposals": true}})";
        const Outcome run =
            RunScenario(scenario, "--case " + this->Case() + " --out " + Quoted(work.Path() / "report.json"));
        ASSERT_EQ(run.status, 0) << run.err;
        const nlohmann::json report = nlohmann::json::parse(ReadFile(work.Path() / "report.json"));
        const nlohmann::json& disposal = report["assets"][0]["components"][0]["disposal"];
        EXPECT_EQ(disposal["vat_fraction"], "3/5");
        EXPECT_EQ(disposal["vat_to_reverse"].get<double>(), c.reversed);
        EXPECT_EQ(disposal["gross_value"].get<double>(), 10000 + c.reversed) << "the book value takes it";

        ASSERT_EQ(Entries("5 --create").status, 0);
        const std::vector<LedgerEntry> ledger = Ledger();  // each entry balances
        const std::vector<std::string> lines = EntryLines(ledger, "pièce VK3-");
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.ledger), lines.end())
            << ::testing::PrintToString(lines);
        const std::regex subCent(R"(\.[0-9]{3})");
        for (const LedgerEntry& entry : ledger)
            for (const std::string& line : entry.lines)
                EXPECT_FALSE(std::regex_search(line, subCent)) << entry.header << ": " << line;

        const fs::path file = work.Path() / "fec.txt";
        fs::remove(file);
        ASSERT_EQ(Entries("5 --export " + Quoted(file)).status, 0);
        const std::string fec = ReadFile(file);
        EXPECT_NE(fec.find(c.fec), std::string::npos) << fec;
        EXPECT_FALSE(std::regex_search(fec, std::regex(R"(\t-?[0-9]+,[0-9]{3})"))) << fec;
    }
}

// ---------------------------------------------------------------------------------------------
// The user stamped by validation and closing

TEST_F(EntriesRules, LongLoginNamesAreStampedCutToTheColumn) {
    // USERCREAT and USERVALID are VARCHAR(15): 15 characters, whatever their bytes.
    struct Case {
        const char* login;
        const char* stamp;
    } cases[] = {
        {"marie-christine.dupont", "marie-christine"},
        {"émilie-marguerite.durand", "émilie-margueri"},
        {"exactly15chars_", "exactly15chars_"},
        {"dupont", "dupont"},
    };
    const std::string scenario = std::string(R"({"case": {)") + kYears + R"(},
 "assets": [{"ref": "M1", "designation": "Machine", "components": [)" +
                                 Component("215400", "12000") + R"(]}]})";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("login ") + c.login);
        fs::remove_all(dossier());
        Build(scenario);
        const std::string as = "USER='" + std::string(c.login) + "' " + Quoted(host_) + " ";
        const std::string environment = " --env " + Quoted(env());
        const Outcome validated = Shell(as + "validate " + this->Case() + " M1" + environment);
        ASSERT_EQ(validated.status, 0) << validated.err;
        EXPECT_EQ(Column("SELECT USERVALID FROM ZENKOVKB WHERE USERVALID IS NOT NULL"),
                  std::vector<std::string>{c.stamp});
        const Outcome closed = Shell(as + "close-year " + this->Case() + environment);
        ASSERT_EQ(closed.status, 0) << closed.err;
        EXPECT_EQ(Column("SELECT FIRST 1 USERCREAT FROM ZENKOVKB ORDER BY ID_BIEN DESC"),
                  std::vector<std::string>{c.stamp});
        EXPECT_EQ(Column("SELECT FIRST 1 USERVALID FROM ZENKOVKB ORDER BY ID_BIEN DESC"),
                  std::vector<std::string>{c.stamp});
    }
}

}  // namespace
