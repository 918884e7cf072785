// Depreciation ceilings of passenger cars. Expected figures: French tax code, article 39-4 (and its
// former versions for the ceilings of cars acquired before 2017).
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "platform/plafonds.h"

namespace {

constexpr int kNul = -1;  // the null amount is expected
constexpr int kInconnu = kTauxCO2Inconnu;

struct Cas {
    const char* regle;  // the rule checked
    const char* immat;  // first registration, "" for the null date
    const char* acquis;
    int co2;
    bool wltp;
    int plafond;  // euros, or kNul
    bool manquant = false;
};

TDateTime Jour(const char* iso) {
    return *iso ? ParseISODate(iso) : TDateTime();
}

const Cas kCas[] = {
    // Before 2006: 100,000 francs for cars registered before 1 November 1996, 18,300 from then on.
    {"<2006, reg <1996-11-01", "1996-10-31", "2000-06-15", 250, false, 15245},
    {"<2006, reg >=1996-11-01", "1996-11-01", "2000-06-15", 250, false, 18300},
    {"<2006, reg <1996-11-01", "1990-01-01", "2005-12-31", 100, false, 15245},
    {"2006-2016, reg before 1996-11-01: 18,300 (open case)", "1990-01-01", "2006-01-01", 100, false, 18300},
    // 2006 to 2016: 9,900 above 200 g for cars registered after 1 June 2004.
    {"<2006 has no CO2 rule (open case)", "2005-01-10", "2005-12-31", 201, false, 18300},
    {"2006-2016, >200 g", "2005-01-10", "2006-01-01", 201, false, 9900},
    {"2006-2016, 200 g", "2005-01-10", "2010-01-01", 200, false, 18300},
    {"2006-2016, >200 g", "2005-01-10", "2010-01-01", 201, false, 9900},
    {"2006-2016, reg up to 2004-06-01: no CO2 rule", "2004-05-31", "2010-01-01", 250, false, 18300},
    {"2006-2016, reg up to 2004-06-01: no CO2 rule", "2004-06-01", "2010-01-01", 250, false, 18300},
    {"2006-2016, reg after 2004-06-01", "2004-06-02", "2010-01-01", 250, false, 9900},
    {"2006-2016, last day", "2005-01-10", "2016-12-31", 156, false, 18300},
    {"2006-2016, last day", "2005-01-10", "2016-12-31", 10, false, 18300},
    // From 2017 the NEDC scale; the last threshold falls with the year of acquisition (the bands
    // inside each year are checked by kBaremes below).
    {"2017 NEDC, last threshold 155", "2005-01-10", "2017-01-01", 156, false, 9900},
    {"2017 NEDC, under 20 g", "2005-01-10", "2017-01-01", 10, false, 30000},
    {"2017+ reg up to 2004-06-01: 18,300 (open case)", "2004-06-01", "2021-05-01", 250, false, 18300},
    {"2017+ reg up to 2004-06-01: 18,300 (open case)", "2004-06-01", "2021-05-01", 10, false, 18300},
    {"2021+ NEDC, reg after 2004-06-01", "2004-06-02", "2021-05-01", 250, false, 9900},
    {"2017 NEDC, last day", "2016-03-01", "2017-12-31", 151, false, 18300},
    {"2018 NEDC, first day", "2016-03-01", "2018-01-01", 151, false, 9900},
    {"2018 NEDC, last day", "2016-03-01", "2018-12-31", 141, false, 18300},
    {"2019 NEDC, first day", "2016-03-01", "2019-01-01", 141, false, 9900},
    {"2019 NEDC, last day", "2016-03-01", "2019-12-31", 136, false, 18300},
    {"2020 NEDC, first day", "2016-03-01", "2020-01-01", 136, false, 9900},
    {"2020 NEDC, last day", "2016-03-01", "2020-12-31", 131, false, 18300},
    {"2021+ NEDC, first day", "2016-03-01", "2021-01-01", 131, false, 9900},
    // WLTP scale: measured under WLTP and first registered from 1 March 2020 (2020 is a leap year).
    {"WLTP flag, reg before 2020-03-01: 2020 NEDC", "2020-02-29", "2020-06-01", 136, true, 9900},
    {"WLTP up to 2020, reg from 2020-03-01", "2020-03-01", "2020-06-01", 136, true, 18300},
    {"no WLTP flag, reg from 2020-03-01: 2020 NEDC", "2020-03-01", "2020-06-01", 136, false, 9900},
    {"WLTP up to 2020, last day", "2020-03-01", "2020-12-31", 161, true, 18300},
    {"WLTP 2021+, first day", "2020-03-01", "2021-01-01", 161, true, 9900},
    {"WLTP flag, reg before 2020-03-01: 2021+ NEDC", "2020-02-29", "2022-05-01", 131, true, 9900},
    {"WLTP scale starts with 2017 acquisitions: 2006-2016", "2020-03-01", "2016-12-31", 166, true, 18300},
    {"WLTP up to 2020, from 2017", "2020-03-01", "2017-01-01", 166, true, 9900},
    {"2017+ electric car", "2022-05-01", "2022-05-01", 0, true, 30000},
    // Rate not known: the lowest ceiling the dates allow; flagged only when the rate matters.
    {"unknown rate, <2006 reg <1996-11-01", "1990-01-01", "2000-06-15", kInconnu, false, 15245, false},
    {"unknown rate, <2006 reg >=1996-11-01", "2000-01-01", "2000-06-15", kInconnu, false, 18300, false},
    {"unknown rate, 2006-2016 reg after 2004-06-01", "2005-01-10", "2010-01-01", kInconnu, false, 9900, true},
    {"unknown rate, 2006+ reg up to 2004-06-01", "2004-06-01", "2010-01-01", kInconnu, false, 18300, false},
    {"unknown rate, 2017 NEDC", "2016-03-01", "2017-06-01", kInconnu, false, 9900, true},
    {"unknown rate, WLTP 2021+", "2022-05-01", "2022-05-01", kInconnu, true, 9900, true},
    {"negative rate counts as unknown", "2022-05-01", "2022-05-01", -1, true, 9900, true},
    // A missing date leaves the ceiling unknown.
    {"no first registration date", "", "2022-05-01", 100, false, kNul},
    {"no acquisition date", "2022-05-01", "", 100, false, kNul},
    {"no dates, unknown rate: no ceiling, no warning", "", "", kInconnu, false, kNul, false}};

// The CO2 bands of a scale, at each boundary: 30,000 under 20 g, 20,300 under the second threshold,
// 18,300 up to the last one, 9,900 above.
const struct {
    const char* regle;
    const char* immat;
    const char* acquis;
    bool wltp;
    int seuil2, dernierSeuil;
} kBaremes[] = {{"2017 NEDC", "2016-03-01", "2017-06-01", false, 60, 155},
                {"2018 NEDC", "2016-03-01", "2018-06-01", false, 60, 150},
                {"2019 NEDC", "2016-03-01", "2019-06-01", false, 60, 140},
                {"2020 NEDC", "2016-03-01", "2020-06-01", false, 60, 135},
                {"2021+ NEDC", "2016-03-01", "2024-06-01", false, 60, 130},
                {"WLTP up to 2020", "2020-03-01", "2020-06-01", true, 50, 165},
                {"WLTP 2021+", "2022-05-01", "2022-05-01", true, 50, 160}};

TEST(Plafonds, CeilingOfEveryRuleAtEachBoundary) {
    std::vector<Cas> cases(std::begin(kCas), std::end(kCas));
    for (const auto& b : kBaremes)
        for (auto [co2, plafond] : {std::pair{19, 30000},
                                    {20, 20300},
                                    {b.seuil2 - 1, 20300},
                                    {b.seuil2, 18300},
                                    {b.dernierSeuil, 18300},
                                    {b.dernierSeuil + 1, 9900}})
            cases.push_back({b.regle, b.immat, b.acquis, co2, b.wltp, plafond});
    for (const Cas& c : cases) {
        bool manquant = !c.manquant;
        CCurrency plafond = GetPlafondAmort(Jour(c.immat), Jour(c.acquis), c.co2, c.wltp, &manquant);
        CCurrency attendu = c.plafond == kNul ? CCurrency() : CCurrency(c.plafond);
        EXPECT_TRUE(plafond == attendu && manquant == c.manquant)
            << c.regle << ": registered " << c.immat << ", acquired " << c.acquis << ", CO2 " << c.co2
            << (c.wltp ? " WLTP" : "") << "\n  expected " << attendu.ToString() << " missing-rate "
            << c.manquant << ", got " << plafond.ToString() << " missing-rate " << manquant;
    }
    // Without the missing-rate flag.
    EXPECT_EQ(GetPlafondAmort(Jour("2016-03-01"), Jour("2017-06-01"), kInconnu, false), CCurrency(9900));
}

}  // namespace
