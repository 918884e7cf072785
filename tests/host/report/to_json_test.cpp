// The report writer: amounts written exactly, dates, nulls, texts, and the report's shape.
#include <gtest/gtest.h>

#include "host/json/value.h"
#include "host/json/writer.h"
#include "host/report/to_json.h"

namespace vkhost {
namespace {

CCurrency Amount(const char* text) {
    return CCurrency::Parse(text);
}

std::string AmountJson(const CCurrency& amount) {
    std::ostringstream out;
    JsonWriter w(out);
    w.BeginArray();
    w.Amount(amount);
    w.EndArray();
    std::string text = out.str();  // "[\n  VALUE\n]\n"
    return text.substr(4, text.size() - 7);
}

TEST(ReportJson, AmountsAreWrittenExactly) {
    struct Case {
        CCurrency amount;
        const char* written;
    };
    const Case cases[] = {
        {Amount("3892.78"), "3892.78"},  // the format's example: year -2 charge of the van
        {Amount("0.0001"), "0.0001"},
        {Amount("-12.5"), "-12.5"},
        {Amount("1960"), "1960"},
        {Amount("0"), "0"},
        {Amount("-0.0001"), "-0.0001"},
        {Amount("12345678901234.5678"), "12345678901234.5678"},  // beyond what a double holds
        {Amount("-99999999999999.9999"), "-99999999999999.9999"},
        {CCurrency::FromCount(INT64_MIN + 1), "-922337203685477.5807"},
        {CCurrency::Null(), "null"},
    };
    for (const Case& c : cases) EXPECT_EQ(AmountJson(c.amount), c.written) << "count " << c.amount.Count();
}

TEST(ReportJson, DatesTextsAndDoubles) {
    std::ostringstream out;
    JsonWriter w(out, 0);
    w.BeginObject();
    w.Field("date", EncodeDate(2024, 3, 15));
    w.Field("none", TDateTime());
    w.Field("text", "l'\u00e9t\u00e9 \"A\"\n\\");
    w.Field("broken", std::string_view("a\xC3"));
    w.Field("rate", std::optional<double>(22.5));
    w.Field("third", std::optional<double>(1200.0 / 7));
    w.Field("unset", std::optional<double>());
    w.EndObject();
    EXPECT_EQ(
        out.str(),
        "{\n\"date\": \"2024-03-15\",\n\"none\": null,\n\"text\": \"l'\u00e9t\u00e9 \\\"A\\\"\\n\\\\\",\n"
        "\"broken\": \"a\xEF\xBF\xBD\",\n\"rate\": 22.5,\n\"third\": 171.42857142857142,\n\"unset\": "
        "null\n}\n");
}

Report SampleReport() {
    Report report;
    AssetReport asset;
    asset.ref = "A1";
    asset.ref_calc = 1;
    asset.state = 5;
    asset.complement = 1;
    asset.versions = 2;
    ComponentReport component;
    component.index = 0;
    component.ref_calc = 2;
    component.price = Amount("24500");
    PlanReport plan;
    plan.kind = 1;
    plan.method = 1;
    plan.rate = 20.0;
    plan.start = EncodeDate(2024, 3, 15);
    plan.duration = 60;
    plan.depreciable = Amount("24500");
    plan.at = {Amount("3675"), Amount("12000.5"), CCurrency::Null()};
    ScheduleLineReport line;
    line.year = -2;
    line.base = Amount("24500");
    line.charge = Amount("3892.78");
    line.prorata = "286 / 1800";
    line.opening_depreciation = Amount("0");
    line.opening_impairment_ded = Amount("0.0001");
    line.opening_impairment_nonded = Amount("-12.5");
    line.linear = true;
    line.stored = true;
    plan.schedule = std::vector<ScheduleLineReport>{line};
    component.plans.push_back(plan);
    DisposalReport disposal;
    disposal.price = Amount("12000");
    disposal.vat_fraction = "2/5";
    disposal.vat_to_reverse = Amount("1960");
    component.disposal = disposal;
    asset.components.push_back(component);
    report.assets.push_back(asset);
    ExitReport exit;
    exit.id = 7;
    exit.price = Amount("12000");
    report.exits.push_back(exit);
    EntriesReport entries;
    entries.kind = 4;
    entries.lines.push_back(
        {"ODR", EncodeDate(2026, 12, 31), "1-2026", "681120", true, Amount("4900"), "Dotation"});
    report.entries.push_back(entries);
    report.warnings.push_back("Taux de CO2 manquant");
    return report;
}

TEST(ReportJson, WholeReportShape) {
    const char* expected = R"({
  "assets": [
    {
      "ref": "A1",
      "ref_calc": 1,
      "state": 5,
      "complement": 1,
      "versions": 2,
      "components": [
        {
          "index": 0,
          "ref_calc": 2,
          "price": 24500,
          "plans": [
            {
              "kind": 1,
              "method": 1,
              "rate": 20,
              "coefficient": null,
              "start": "2024-03-15",
              "duration": 60,
              "depreciable": 24500,
              "at": {
                "charge": 3675,
                "cumul": 12000.5,
                "nbv": null
              },
              "schedule": [
                {
                  "year": -2,
                  "base": 24500,
                  "charge": 3892.78,
                  "prorata": "286 / 1800",
                  "opening_depreciation": 0,
                  "opening_impairment_ded": 0.0001,
                  "opening_impairment_nonded": -12.5,
                  "opening_nbv": null,
                  "linear": true,
                  "last": false,
                  "stored": true
                }
              ]
            }
          ],
          "disposal": {
            "price": 12000,
            "vat_fraction": "2/5",
            "vat_to_reverse": 1960,
            "gross_value": null,
            "depreciation": null,
            "result": null,
            "short_term": null,
            "long_term": null,
            "excluded_long_term": null
          }
        }
      ]
    }
  ],
  "exits": [
    {
      "id": 7,
      "price": 12000,
      "total_cost": null,
      "vat_to_reverse": null,
      "gains": {
        "ct": null,
        "ct_excluded_lt": null,
        "lt0": null,
        "lt8": null,
        "lt15": null,
        "lt165": null,
        "pv_reduced_rate_is": null,
        "lt19": null
      }
    }
  ],
  "entries": [
    {
      "kind": 4,
      "lines": [
        {
          "journal": "ODR",
          "date": "2026-12-31",
          "piece": "1-2026",
          "account": "681120",
          "debit": true,
          "amount": 4900,
          "label": "Dotation"
        }
      ]
    }
  ],
  "warnings": [
    "Taux de CO2 manquant"
  ]
}
)";
    EXPECT_EQ(ReportJson(SampleReport()), expected);
}

TEST(ReportJson, SectionsNotAskedForAreLeftOut) {
    Report report = SampleReport();
    report.assets[0].components[0].plans[0].schedule.reset();
    report.assets[0].components[0].disposal.reset();
    report.assets[0].car_reintegration =
        CarReintegrationReport{Amount("18300"), Amount("30000"), Amount("1170"), Amount("1170")};
    report.assets[0].components[0].tax = ComponentTaxReport{};
    JsonValue written = ParseJson(ReportJson(report));
    const JsonValue& asset = written.Find("assets")->items[0];
    const JsonValue& component = asset.Find("components")->items[0];
    EXPECT_EQ(component.Find("disposal"), nullptr);
    EXPECT_EQ(component.Find("plans")->items[0].Find("schedule"), nullptr);
    ASSERT_NE(component.Find("tax"), nullptr);
    EXPECT_EQ(
        ToJsonText(*component.Find("tax")),
        R"({"derogatory":{"concerned":false,"opening":null,"min":null,"max":null,"retained":null,)"
        R"("balance":null,"allocation":null,"reversal":null,"disposal_reversal":null},)"
        R"("temporary_reintegration":{"opening":null,"balance":null,"reintegrated":null,"deducted":null},)"
        R"("definitive_reintegration":null})");
    EXPECT_EQ(ToJsonText(*asset.Find("car_reintegration")),
              R"({"ceiling":18300,"cost":30000,"reintegrated":1170,"definitive":1170})");
}

TEST(ReportJson, EmptyReport) {
    EXPECT_EQ(ReportJson(Report{}),
              "{\n  \"assets\": [],\n  \"exits\": [],\n  \"entries\": [],\n  \"warnings\": []\n}\n");
}

}  // namespace
}  // namespace vkhost
