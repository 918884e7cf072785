// vkhost statement on the demonstration case file: hand-computed figures, and the CSV and PDF read
// back (the tie-outs between the statements are checked in statement_tieouts_test.cpp).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/currency.h"
#include "tests/support/host_test.h"

namespace {

using nlohmann::json;

class StatementTest : public vktest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        if (IsSkipped()) return;
        const vktest::Outcome demo = Host("demo --keep " + Quoted(dossier()));
        ASSERT_EQ(demo.status, 0) << demo.err;
    }
    json Statement(const std::string& form) {
        const vktest::Outcome outcome =
            Host("statement " + Quoted(dossier()) + " " + form + " --format json");
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        return json::parse(outcome.out);
    }
    static CCurrency A(const json& value) {
        return value.is_null() ? CCurrency(0) : CCurrency::Parse(value.dump());
    }
};

const json& Row(const json& form, const std::string& label) {
    for (const json& row : form["rows"])
        if (row["label"] == label) return row;
    static const json none;
    ADD_FAILURE() << "no row " << label;
    return none;
}

// Figures of the demonstration register computed by hand (days counted on a 360-day year, as
// the engine's linear prorata does).
TEST_F(StatementTest, DemoFiguresByHand) {
    const json f2054 = Statement("2054");
    const json f2055 = Statement("2055");
    struct Case {
        const json* form;
        std::string row, column, expected, how;
    };
    const json& a = f2055[0];
    const json& b = f2055[1];
    const std::vector<Case> cases = {
        {&f2054, "Terrains", "opening", "156500", "land 150 000 + notary's costs 6 500"},
        {&f2054, "Constructions sur sol propre", "closing", "438000", "structure 420 000 + costs 18 000"},
        {&f2054, "Installations techniques, matériel et outillage industriels", "increase_acquisitions",
         "98400", "machine bought this year: 96 000 + 2 400 costs"},
        {&a, "Constructions sur sol propre", "allocations", "17520", "438 000 / 25 years"},
        {&a, "Installations techniques, matériel et outillage industriels", "allocations", "5740",
         "98 400 / 10 years x 7/12 (from 1 June)"},
        {&b, "Installations techniques, matériel et outillage industriels", "derog_alloc_declining", "7175",
         "declining 98 400 x 22.5 % x 7/12 = 12 915, less linear 5 740"},
        {&a, "Autres immobilisations incorporelles (TOTAL II)", "allocations", "3844.44",
         "12 000 x 346 / 1 080 days (from 15 January, 36 months), to the cent"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(A(Row(*c.form, c.row)[c.column]), CCurrency::Parse(c.expected))
            << c.row << " / " << c.column << ": " << c.how << "; got " << Row(*c.form, c.row)[c.column];
    EXPECT_EQ(A(f2054["total"]["closing"]), CCurrency::Parse("823850"))
        << "sum of the components' gross values";
}

TEST_F(StatementTest, CsvAndPdfReadBack) {
    const vktest::Outcome csv = Host("statement " + Quoted(dossier()) + " 2054 --format csv");
    ASSERT_EQ(csv.status, 0) << csv.err;
    ASSERT_EQ(csv.out.rfind("\xEF\xBB\xBFlabel;accounts;opening;", 0), 0u) << csv.out.substr(0, 80);
    EXPECT_NE(csv.out.find("TOTAL GÉNÉRAL (I + II + III + IV);;713450,00;0,00;110400,00;0,00;0,00;823850,00"),
              std::string::npos)
        << csv.out;
    const std::filesystem::path pdf = work.Path() / "2054.pdf";
    const vktest::Outcome made =
        Host("statement " + Quoted(dossier()) + " 2054 --format pdf --out " + Quoted(pdf));
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(std::filesystem::status(pdf).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const vktest::Outcome text = Shell("pdftotext -layout " + Quoted(pdf) + " -");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Transports Martin SARL"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("823 850"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Page 1 / 1"), std::string::npos) << text.out;
    // An existing file is never overwritten.
    const vktest::Outcome again =
        Host("statement " + Quoted(dossier()) + " 2054 --format pdf --out " + Quoted(pdf));
    EXPECT_EQ(again.status, 1) << again.err;
}

}  // namespace
