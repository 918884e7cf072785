// A sale through a scenario, from outside: `vkhost run` builds the exit the way a user does and
// reports it, `vkhost exits` lists it from the stored case file.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

// A van bought 1 Jan 2024: its body, 18,000 (VAT 3,600), depreciated over 60 months in the books
// and 36 for tax; its fittings, 2,000 (VAT 400), 60 months both. Sold with its fittings on
// 30 Sep 2026 for 24,000, VAT to reverse.
const char* const kSale = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01", "tax_regime": 1},
 "assets": [{"ref": "V1", "designation": "Fourgon", "vehicle": {"type": 5, "first_registration": "2024-01-01"},
   "components": [
    {"account": "218200", "entry_date": "2024-01-01", "details": [{"price": 18000, "vat": 3600}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-01-01", "duration": 60},
               {"kind": 2, "method": 1, "start": "2024-01-01", "duration": 36}]},
    {"account": "218200", "entry_date": "2024-01-01", "designation": "Aménagement",
     "details": [{"price": 2000, "vat": 400}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-01-01", "duration": 60},
               {"kind": 2, "method": 1, "start": "2024-01-01", "duration": 60}]}]}],
 "exits": [{"designation": "Vente du fourgon", "date": "2026-09-30", "price": 24000, "reason": 1,
            "vat_reversed": true, "assets": [{"ref": "V1"}]}],
 "report": {"tax": true, "disposals": true}
})";

class ExitsThroughTheHost : public vktest::HostTest {
protected:
    // Runs vkhost with arguments; returns its exit status, its output in `out`, its errors in `errors`.
    int Run(const std::string& arguments, std::string& out) {
        const vktest::Outcome outcome = Host(arguments);
        out = outcome.out;
        errors = outcome.err;
        return outcome.status;
    }
    std::string errors;
};

double Number(const nlohmann::json& value) {
    return value.is_null() ? -1e300 : value.get<double>();
}

// Figures, worked by hand (linear charges by days, 30/360, over what remains of the plan; 1 Jan
// to 30 Sep 2026 is 270 days):
// Body, books: 3,600 a year; 2026: 10,800 x 270 / 1080 = 2,700, cumulated 9,900. Tax: 6,000 a year;
//   2026: 6,000 x 270 / 360 = 4,500, cumulated 16,500. Derogatory: opening 12,000 - 7,200 = 4,800,
//   at the disposal 16,500 - 9,900 = 6,600: 1,800 allocated, 6,600 reversed, nothing left.
//   VAT: 5 years from 2024, 3 gone by 2026: 2/5 of 3,600 = 1,440. Gross value 18,000 + 1,440 =
//   19,440; depreciation 9,900 + 6,600 = 16,500. Price 24,000 x 18,000 / 20,000 = 21,600.
//   Result 21,600 - 2,940 = 18,660: short-term 18,660 - (21,600 - 19,440) = 16,500, long-term 2,160.
// Fittings: 400 a year, 2026: 1,200 x 270 / 1080 = 300, cumulated 1,100, no derogatory. VAT 2/5
//   of 400 = 160; gross 2,160; price 2,400; result 2,400 - 1,060 = 1,340: short-term 1,340 - 240 =
//   1,100, long-term 240.
// Exit: short-term 17,600, long-term at 15 % 2,400, VAT 1,600, cost 20,000.
TEST_F(ExitsThroughTheHost, ACarSoldWithDerogatoryDepreciationAndVatToReverse) {
    const fs::path scenario = work.Path() / "sale.json", dossier = work.Path() / "dossier";
    std::ofstream(scenario) << kSale;
    std::string out;
    ASSERT_EQ(Run("run '" + scenario.string() + "' --case '" + dossier.string() + "'", out), 0) << errors;
    const nlohmann::json report = nlohmann::json::parse(out);
    const nlohmann::json& asset = report["assets"][0];
    EXPECT_EQ(asset["state"], 5) << "the latest version is the disposal version";
    EXPECT_EQ(asset["versions"], 2);

    struct Expected {
        double charge, cumul, opening, allocation, reversal, disposalReversal;
        const char* fraction;
        double vat, gross, depreciation, price, result, shortTerm, longTerm;
    } expected[] = {
        {2700, 9900, 4800, 1800, 6600, 6600, "2/5", 1440, 19440, 16500, 21600, 18660, 16500, 2160},
        {300, 1100, 0, -1e300, -1e300, -1e300, "2/5", 160, 2160, 1100, 2400, 1340, 1100, 240}};
    double shortTerm = 0, longTerm = 0, vat = 0;
    for (int i = 0; i < 2; ++i) {
        const nlohmann::json& component = asset["components"][i];
        const Expected& e = expected[i];
        const nlohmann::json& books = component["plans"][0]["at"];
        EXPECT_EQ(Number(books["charge"]), e.charge)
            << "component " << i << ": the year's charge to the end of use";
        EXPECT_EQ(Number(books["cumul"]), e.cumul) << "component " << i;
        const nlohmann::json& derogatory = component["tax"]["derogatory"];
        if (e.allocation != -1e300) {
            EXPECT_EQ(Number(derogatory["opening"]), e.opening);
            EXPECT_EQ(Number(derogatory["allocation"]), e.allocation);
            EXPECT_EQ(Number(derogatory["reversal"]), e.reversal) << "the whole balance reversed";
            EXPECT_EQ(Number(derogatory["disposal_reversal"]), e.disposalReversal);
        } else {
            EXPECT_FALSE(derogatory["concerned"].get<bool>()) << "same plans: not concerned";
        }
        const nlohmann::json& disposal = component["disposal"];
        EXPECT_EQ(disposal["vat_fraction"], e.fraction) << "component " << i;
        EXPECT_EQ(Number(disposal["vat_to_reverse"]), e.vat) << "component " << i;
        EXPECT_EQ(Number(disposal["gross_value"]), e.gross) << "component " << i;
        EXPECT_EQ(Number(disposal["depreciation"]), e.depreciation) << "component " << i;
        EXPECT_EQ(Number(disposal["price"]), e.price) << "component " << i;
        EXPECT_EQ(Number(disposal["result"]), e.result) << "component " << i;
        EXPECT_EQ(Number(disposal["short_term"]), e.shortTerm) << "component " << i;
        EXPECT_EQ(Number(disposal["long_term"]), e.longTerm) << "component " << i;
        EXPECT_TRUE(disposal["excluded_long_term"].is_null()) << "no corporate tax";
        shortTerm += e.shortTerm;
        longTerm += e.longTerm;
        vat += e.vat;
    }
    ASSERT_EQ(report["exits"].size(), 1u);
    const nlohmann::json& exit = report["exits"][0];
    EXPECT_EQ(Number(exit["price"]), 24000);
    EXPECT_EQ(Number(exit["total_cost"]), 20000);
    EXPECT_EQ(Number(exit["vat_to_reverse"]), vat);
    EXPECT_EQ(Number(exit["gains"]["ct"]), shortTerm);
    EXPECT_EQ(Number(exit["gains"]["lt15"]), longTerm) << "regime 1: every rate is 0.15";
    for (const char* other : {"ct_excluded_lt", "lt0", "lt8", "lt165", "lt19", "pv_reduced_rate_is"})
        EXPECT_EQ(Number(exit["gains"][other]), 0) << other;

    // The stored case file lists the exit with the same totals.
    ASSERT_EQ(Run("exits '" + dossier.string() + "'", out), 0) << errors;
    for (const char* line :
         {"Cession 1 — Vente du fourgon : le 30/09/2026, fin d'utilisation le 30/09/2026, Cession ; "
          "prix 24 000,00, TVA à reverser",
          "résultat 18 660,00 (CT 16 500,00, LT 2 160,00, CT exclue du LT -)",
          "Total : coût d'entrée 20 000,00 ; TVA à reverser 1 600,00",
          "court terme 17 600,00 ; CT exclue du LT 0,00 ; long terme à 0 % 0,00, à 8 % 0,00, à 15 % "
          "2 400,00"})
        EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
}

// A price in francs without its rate takes the legal rate: 7,871.484 francs are 1,200 euros, all of
// it for the single component. Gross value 1,000, depreciation entered 300: a gain of 500, and the
// short-term gain of 900 entered is read back as 500.
TEST_F(ExitsThroughTheHost, AFrancPriceAndEnteredValues) {
    const fs::path scenario = work.Path() / "francs.json";
    std::ofstream(scenario) << R"({
 "case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
 "assets": [{"ref": "M1", "components": [{"account": "215400", "entry_date": "2020-01-01",
                                          "details": [{"price": 1000}]}]}],
 "exits": [{"date": "2026-06-30", "price": "7871.484", "currency": 250,
            "assets": [{"ref": "M1", "components": [{"index": 0, "accounting_depreciation": 300,
                         "derogatory_depreciation": 0, "short_term_gain": 900}]}]}],
 "report": {"disposals": true}
})";
    std::string out;
    ASSERT_EQ(Run("run '" + scenario.string() + "'", out), 0) << errors;
    const nlohmann::json report = nlohmann::json::parse(out);
    const nlohmann::json& disposal = report["assets"][0]["components"][0]["disposal"];
    EXPECT_EQ(Number(disposal["price"]), 1200);
    EXPECT_EQ(Number(disposal["result"]), 500);
    EXPECT_EQ(Number(disposal["short_term"]), 500) << "900 entered, cut to the gain";
    EXPECT_TRUE(disposal["long_term"].is_null());
    EXPECT_EQ(disposal["vat_fraction"], "") << "no VAT reversed";
    EXPECT_EQ(Number(report["exits"][0]["price"]), 1200);
    EXPECT_EQ(Number(report["exits"][0]["gains"]["ct"]), 500);
}

TEST_F(ExitsThroughTheHost, ACaseFileWithoutExits) {
    std::string out;
    ASSERT_EQ(Run("init '" + (work.Path() / "empty").string() + "'", out), 0) << errors;
    ASSERT_EQ(Run("exits '" + (work.Path() / "empty").string() + "'", out), 0) << errors;
    EXPECT_EQ(out, "Aucune cession.\n");
    EXPECT_EQ(Run("exits '" + (work.Path() / "missing").string() + "'", out), 2) << "no case file there";
}

}  // namespace
