// vkhost exits on a stored case file against the report `vkhost run` wrote for the same case.
#include <gtest/gtest.h>

#include "tests/support/hcmd_stored_case.h"

namespace {

using nlohmann::json;

class ExitsCommand : public vktest::StoredCase {};

// The disposal records of every section, a row each with the fields its CSV line carries.
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

// The exits JSON holds the report's exits and each disposed component's disposal figures, and the
// CSV the same figures. Disposal records whose exit is gone (removed by another program) are still
// listed, apart, with the figures they had inside their exit, as text, JSON and CSV.
TEST_F(ExitsCommand, AreTheReportsExitsAndDisposalsEvenOutsideAnyExit) {
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
    ExpectCsvHolds("exits", "", DisposalRows(shown));

    Isql(dossier(), "UPDATE ZENKOVKB SET ID_SORTIE=NULL;\nDELETE FROM ZENKOVKS;\nCOMMIT;\n");
    const json after = Command("exits");
    EXPECT_TRUE(after["exits"].empty()) << after.dump();
    ASSERT_EQ(after["disposals_outside_exits"].size(), 1u) << after.dump();
    const json& outside = after["disposals_outside_exits"][0];
    EXPECT_EQ(outside["ref"], "A1");
    ASSERT_EQ(outside["components"].size(), 1u);
    EXPECT_EQ(outside["components"][0]["disposal"], reported["disposal"]);
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

}  // namespace
