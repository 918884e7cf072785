// The life of a machine on a stored case file, driven through the host's binary: built by `vkhost
// run`, validated by `vkhost validate`, then closed year after year with `vkhost close-year`. Between
// two commands the test opens the case file itself and reads what the engine computes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "host/report/build.h"
#include "host/session.h"
#include "platform/dossier.h"
#include "platform/messages.h"
#include "tests/support/amount_text.h"
#include "tests/support/hcmd_json.h"
#include "tests/support/host_test.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"

namespace fs = std::filesystem;

namespace {

using vktest::AmountText;

using vktest::Outcome;
using vktest::WriteFile;

// What a schedule line shows, as text, so that a changed figure names itself. The last flag is
// left out: the stored lines have no column for it.
std::string Describe(cVK_TabAmort& line) {
    return fmt::format("charge {} base {} opening {} nbv {} prorata '{}'{}",
                       AmountText(line.GetDotation(TDateTime())), AmountText(line.GetBaseAmortissableEx()),
                       AmountText(line.GetCumulAmortOuv(1)), AmountText(line.GetVNCOuv(0)), line.GetProrata(),
                       line.GetLin() ? " linear" : "");
}

// The figures of one component for one fiscal year, read in the case file before it is closed.
struct YearFigures {
    CCurrency balance, opening, allocation, reversal, movement;    // derogatory
    CCurrency reintOpening, reintBalance, reintegrated, deducted;  // temporary reintegration
    std::map<int, std::string> lines[2];                           // accounting, tax: year -> description
    std::map<int, bool> stored[2];
    std::string derogOuvColumn, reintOuvColumn;  // DEROG_OUV and OUV_A_DED as stored
};

class Lifecycle : public vktest::HostTest {
protected:
    Outcome Run(const std::string& scenario) { return RunScenario(scenario, "--case " + Quoted(dossier())); }
    std::string Isql(const std::string& script) { return HostTest::Isql(dossier(), script); }
    std::string Dump() { return HostTest::Dump(dossier()); }
};

// The case file opened in this process for as long as the object lives (the host's binary cannot
// open it meanwhile), with what the engine shows recorded.
class OpenCase {
public:
    explicit OpenCase(const fs::path& dossier, const fs::path& env)
        : scope_(&messages), session_(vkhost::EnvironmentOptions{env.string(), ""}) {
        session_.Open(dossier.string());
    }
    ~OpenCase() {
        for (const auto& shown : messages.exceptions) ADD_FAILURE() << "engine showed: " << shown.message;
    }
    CDossier& Dossier() { return session_.Dossier(); }
    std::unique_ptr<cVK_Bien> Asset(const std::string& reference) {
        return vkhost::LoadAssetByReference(reference);
    }
    RecordingMessageHandler messages;

private:
    ScopedMessageHandler scope_;
    vkhost::Session session_;
};

// The figures at the current year's end of one component of an asset's latest version.
YearFigures ReadYear(OpenCase& open, const std::string& reference, int index) {
    YearFigures figures;
    const TDateTime end = open.Dossier().DateFinExercice;
    std::unique_ptr<cVK_Bien> asset = open.Asset(reference);
    EXPECT_NE(asset, nullptr) << reference;
    if (!asset || index >= asset->GetListeComposants()->Count()) {
        ADD_FAILURE() << reference << ": no component " << index;
        return figures;
    }
    cVK_Composant* component = asset->GetListeComposants()->Get(index);
    figures.derogOuvColumn = AmountText(component->DEROG_OUV);
    figures.reintOuvColumn = AmountText(component->OUV_A_DED);
    figures.opening = component->GetAmortDerogOuv(1);
    figures.balance = component->GetAmortDerog(end);
    CCurrency closing;
    figures.movement =
        component->GetAmortDerogEx(end, &figures.allocation, &figures.reversal, nullptr, &closing);
    figures.reintOpening = component->GetReintTmpOuv(1);
    figures.reintBalance = component->GetReintTmp(end);
    figures.reintegrated = component->GetReintTmpReintDed(end, 0);
    figures.deducted = component->GetReintTmpReintDed(end, 1);
    const VK_TypeAmort kinds[2] = {taComptable, taFiscal};
    for (int p = 0; p < 2; ++p) {
        cVK_Amortissement* plan = component->GetAmort(kinds[p]);
        EXPECT_NE(plan, nullptr);
        if (!plan) continue;
        plan->GetLstTabAmort()->CalculTableau();
        for (const auto& [year, line] : plan->GetLstTabAmort()->Lignes()) {
            figures.lines[p][year] = Describe(*line);
            figures.stored[p][year] = line->IsStocke();
        }
    }
    return figures;
}

// After a closing every year number is one less; the lines of the years closed (0 and before) are
// stored and read back unchanged, the lines of the years to come are computed with the same figures.
void ExpectShiftedByOneYear(const YearFigures& before, const YearFigures& after, const std::string& label) {
    for (int p = 0; p < 2; ++p) {
        const char* plan = p == 0 ? "accounting" : "tax";
        for (const auto& [year, description] : before.lines[p]) {
            const int now = year - 1;
            ASSERT_TRUE(after.lines[p].count(now)) << label << ", " << plan << " year " << year;
            EXPECT_EQ(after.lines[p].at(now), description) << label << ", " << plan << " year " << year;
            EXPECT_EQ(after.stored[p].at(now), year <= 0)
                << label << ", " << plan << " year " << year << ": the closed years are stored";
        }
        EXPECT_EQ(after.lines[p].size(), before.lines[p].size()) << label << ", " << plan;
    }
}

const char* const kMachine = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"}],
          "current_year": "2024-01-01", "user": "comptable"},
 "assets": [{"ref": "M1", "designation": "Presse",
   "components": [{"account": "215400", "entry_date": "2024-01-01",
     "details": [{"price": 10000}],
     "plans": [{"kind": 1, "method": 1, "start": "2024-01-01", "duration": 60},
               {"kind": 2, "method": 2, "duration": 60}]}%s]}%s],
 "report": {"tax": true}
})";

std::string Scenario(const std::string& moreComponents, const std::string& moreAssets) {
    std::string text = kMachine;
    text.replace(text.find("%s"), 2, moreComponents);
    text.replace(text.find("%s"), 2, moreAssets);
    return text;
}

// The press's engine: the accounting plan declining, the tax plan linear, so that the book
// depreciation runs ahead and is added back, then deducted.
const char* const kEngine = R"(,
    {"account": "215400", "entry_date": "2024-01-01", "designation": "Moteur", "details": [{"price": 10000}],
     "plans": [{"kind": 1, "method": 2, "duration": 60},
               {"kind": 2, "method": 1, "start": "2024-01-01", "duration": 60}]})";

// A machine bought in 2021, taken over with the figures of the previous software: 5,000 of book
// depreciation, 7,000 of tax depreciation and a derogatory balance entered as 2,500.
const char* const kTakenOver = R"(,
  {"ref": "M2", "designation": "Fraiseuse",
   "components": [{"account": "215400", "entry_date": "2021-01-01", "details": [{"price": 10000}],
     "plans": [{"kind": 1, "method": 1, "start": "2021-01-01", "duration": 60,
                "forced_opening": {"depreciation": 5000}},
               {"kind": 2, "method": 2, "duration": 60, "forced_opening": {"depreciation": 7000}}],
     "forced": {"derogatory_opening": 2500}}]})";

struct Tracked {
    const char* reference;
    int index;
    const char* label;
    const char* balances;  // derogatory balance at each year's end, 2024 to 2028 ("null": none)
    const char* reint;     // temporary reintegration at each year's end
};

// The `n`th of the figures of `figures` (0 the first).
std::string Nth(const char* figures, int n) {
    std::istringstream in(figures);
    std::string figure;
    for (int i = 0; i <= n; ++i) in >> figure;
    return figure;
}

// Press (M1), component 0: 10,000 bought on 1 January 2024, book linear over 60 months (2,000 a
// year), tax declining over 60 months at 35 % (coefficient 1.75), switching to linear for the last
// two years: 3,500; 2,275; 1,478.75; 2,746.25 / 2 = 1,373.13; 1,373.12. Tax cumul 3,500; 5,775;
// 7,253.75; 8,626.88; 10,000 against 2,000; 4,000; 6,000; 8,000; 10,000: derogatory balance 1,500;
// 1,775; 1,253.75; 626.88; 0; movements +1,500, +275, -521.25, -626.87, -626.88, which add up to 0.
// Component 1 (engine) is the mirror: the same amounts as temporary reintegration, 1,775 added back
// then deducted.
// Taken-over machine (M2): book 5,000 left over 2024-2025, 2,500 a year; tax 3,000 left, declining
// 1,050 against linear 3,000 / 2 = 1,500: linear, 1,500 a year. Derogatory opening min(2,500,
// 7,000 - 5,000) = 2,000; balance 8,500 - 7,500 = 1,000 at the end of 2024, then 0; nothing after.
const char* const kNone = "null null null null null";
const Tracked kTracked[] = {
    {"M1", 0, "press", "1500.0000 1775.0000 1253.7500 626.8800 0.0000", kNone},
    {"M1", 1, "engine", kNone, "1500.0000 1775.0000 1253.7500 626.8800 0.0000"},
    {"M2", 0, "taken over", "1000.0000 0.0000 null null null", kNone},
};

// Every tracked component is closed five times with `vkhost close-year`. After each closing: the
// balances computed before are the ones frozen in the component (DEROG_OUV, OUV_A_DED) and open
// the next year; the lines of the years closed are stored and read back unchanged; the lines of
// the years to come are the same; over the whole life the derogatory movements and the temporary
// reintegrations come back to zero (the taken-over machine reverses its opening as well).
TEST_F(Lifecycle, MachinesClosedYearAfterYearThroughTheHost) {
    Outcome run = Run(Scenario(kEngine, kTakenOver));
    ASSERT_EQ(run.status, 0) << run.err;
    Outcome validated = Host("validate '" + dossier().string() + "' M1");
    ASSERT_EQ(validated.status, 0) << validated.err;
    EXPECT_EQ(validated.out, "Bien M1 validé.\n");

    constexpr int kCount = sizeof(kTracked) / sizeof(kTracked[0]);
    CCurrency allocations[kCount], reversals[kCount], movements[kCount], reintegrated[kCount],
        deducted[kCount];
    CCurrency firstOpening[kCount];
    for (int closing = 0; closing < 5; ++closing) {
        YearFigures before[kCount];
        {
            OpenCase open(dossier(), env());
            for (int t = 0; t < kCount; ++t)
                before[t] = ReadYear(open, kTracked[t].reference, kTracked[t].index);
        }
        for (int t = 0; t < kCount; ++t) {
            const std::string label = fmt::format("{}, year {}", kTracked[t].label, 2024 + closing);
            EXPECT_EQ(AmountText(before[t].balance), Nth(kTracked[t].balances, closing)) << label;
            EXPECT_EQ(AmountText(before[t].reintBalance), Nth(kTracked[t].reint, closing)) << label;
            if (closing == 0) firstOpening[t] = before[t].opening;
            allocations[t] += before[t].allocation;
            reversals[t] += before[t].reversal;
            movements[t] += before[t].movement;
            reintegrated[t] += before[t].reintegrated;
            deducted[t] += before[t].deducted;
        }

        Outcome closed = Host("close-year '" + dossier().string() + "'");
        ASSERT_EQ(closed.status, 0) << closed.err;
        EXPECT_NE(closed.out.find(": 2 biens, 2 clôturés."), std::string::npos) << closed.out;

        OpenCase open(dossier(), env());
        EXPECT_EQ(FormatISODate(open.Dossier().DateDebutExercice), fmt::format("{}-01-01", 2025 + closing));
        EXPECT_EQ(FormatISODate(open.Dossier().DateSituation), fmt::format("{}-12-31", 2025 + closing));
        for (int t = 0; t < kCount; ++t) {
            const std::string label = fmt::format("{}, closing of {}", kTracked[t].label, 2024 + closing);
            YearFigures after = ReadYear(open, kTracked[t].reference, kTracked[t].index);
            EXPECT_EQ(after.derogOuvColumn, AmountText(before[t].balance)) << label;
            EXPECT_EQ(AmountText(after.opening),
                      before[t].balance.IsNull() ? "0.0000" : AmountText(before[t].balance))
                << label;
            EXPECT_EQ(after.reintOuvColumn, AmountText(before[t].reintBalance)) << label;
            EXPECT_EQ(AmountText(after.reintOpening),
                      before[t].reintBalance.IsNull() ? "0.0000" : AmountText(before[t].reintBalance))
                << label;
            ExpectShiftedByOneYear(before[t], after, label);
        }
    }
    for (int t = 0; t < kCount; ++t) {
        const char* label = kTracked[t].label;
        EXPECT_EQ(AmountText(movements[t] + firstOpening[t]), "0.0000")
            << label << ": derogatory over the whole life";
        EXPECT_EQ(AmountText(allocations[t] - reversals[t]), AmountText(movements[t])) << label;
        EXPECT_EQ(AmountText(reintegrated[t] - deducted[t]), "0.0000")
            << label << ": temporary reintegration";
    }
    EXPECT_EQ(AmountText(allocations[0]), "1775.0000");
    EXPECT_EQ(AmountText(firstOpening[2]), "2000.0000") << "the forced opening cut to the computed maximum";
    EXPECT_EQ(AmountText(reintegrated[1]), "1775.0000");

    // The host's schedule of the press: five stored years for each of its four plans.
    Outcome schedule = Host("schedule '" + dossier().string() + "' M1");
    ASSERT_EQ(schedule.status, 0) << schedule.err;
    size_t stored = 0;
    for (size_t at = schedule.out.find(" figé"); at != std::string::npos;
         at = schedule.out.find(" figé", at + 1))
        ++stored;
    EXPECT_EQ(stored, 20u) << schedule.out;

    // 2029: nothing left to depreciate; the press has six versions, the last one closed.
    OpenCase open(dossier(), env());
    std::unique_ptr<cVK_Bien> asset = open.Asset("M1");
    ASSERT_NE(asset, nullptr);
    const TDateTime end = open.Dossier().DateFinExercice;
    for (int i = 0; i < 2; ++i) {
        cVK_Composant* component = asset->GetListeComposants()->Get(i);
        EXPECT_FALSE(component->GetAmortDerogEstConcerne(end));
        EXPECT_FALSE(component->GetReintTmpEstConcerne(end));
        EXPECT_EQ(AmountText(component->GetAmort(taComptable)->GetCumulAmort(end)), "10000.0000");
        EXPECT_EQ(AmountText(component->GetAmort(taFiscal)->GetCumulAmort(end)), "10000.0000");
    }
    EXPECT_EQ(asset->EtatCplmt, vcCloture);
    EXPECT_EQ(asset->EXOCREAT, -1);
    // The version of 2024 and the closing version of 2024 both belong to year -5 now; each later
    // closing version to the year it closed.
    TIBQuery versions(open.Dossier().GetDatabaseFirebird());
    versions.SQL.SetText("SELECT LIST(EXOCREAT, ',') FROM (SELECT EXOCREAT FROM " +
                         GetNomTable("VKB", false) + " WHERE REF_CALC=" + asset->GetRefCalc() +
                         " ORDER BY ID_BIEN)");
    versions.Open();
    EXPECT_EQ(versions.Fields(0)->AsString(), "-5,-5,-4,-3,-2,-1");
}

// A closing that fails half-way leaves the case file exactly as it was: after a first closing, the
// second one closes the first machine completely before the insert of the second machine's closing
// version is refused by a trigger.
TEST_F(Lifecycle, AnInterruptedClosingLeavesTheCaseFileAsItWas) {
    const std::string second = R"(,
  {"ref": "M2", "designation": "Tour",
   "components": [{"account": "215400", "entry_date": "2024-06-01", "details": [{"price": 4000}]}]})";
    Outcome run = Run(Scenario("", second));
    ASSERT_EQ(run.status, 0) << run.err;
    Outcome closed = Host("close-year '" + dossier().string() + "'");
    ASSERT_EQ(closed.status, 0) << closed.err;
    Isql(
        "CREATE EXCEPTION VKTEST_REFUS 'closing refused by the test';\n"
        "SET TERM ^ ;\n"
        "CREATE TRIGGER VKTEST_REFUS_M2 FOR ZENKOVKB BEFORE INSERT AS BEGIN\n"
        "  IF (NEW.REF_SAIS = 'M2') THEN EXCEPTION VKTEST_REFUS;\nEND^\n"
        "SET TERM ; ^\nCOMMIT;\n");
    const std::string before = Dump();
    ASSERT_NE(before.find("ZENKOVKT"), std::string::npos) << before;
    ASSERT_NE(before.find("DEROG_OUV                       1500.0000"), std::string::npos) << before;

    closed = Host("close-year '" + dossier().string() + "'");
    EXPECT_EQ(closed.status, 1) << closed.out;
    EXPECT_NE(closed.err.find("closing refused by the test"), std::string::npos) << closed.err;
    EXPECT_EQ(Dump(), before);

    // Without the trigger the same closing goes through.
    Isql("DROP TRIGGER VKTEST_REFUS_M2;\nCOMMIT;\n");
    closed = Host("close-year '" + dossier().string() + "'");
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_NE(closed.out.find(": 2 biens, 2 clôturés."), std::string::npos) << closed.out;
    const std::string after = Dump();
    EXPECT_NE(after.find("DEROG_OUV                       1775.0000"), std::string::npos) << after;
}

// A passenger car whose CO2 rate is not known gets the lowest ceiling of its dates (D43) and the
// report says the rate is missing. 25,000 bought and first registered on 1 January 2026, measured
// under WLTP: ceilings 30,000 to 9,900, the lowest 9,900; accounting linear over 60 months 5,000:
// 5,000 x (25,000 - 9,900) / 25,000 = 3,020 added back.
TEST_F(Lifecycle, CarWithoutCo2RateGetsTheLowestCeilingAndAWarning) {
    WriteFile(work.Path() / "car.json", R"({
 "case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
 "assets": [{"ref": "V1", "vehicle": {"type": 4, "first_registration": "2026-01-01", "wltp": true},
   "components": [{"account": "218200", "entry_date": "2026-01-01", "details": [{"price": 25000}],
     "plans": [{"kind": 1, "method": 1, "start": "2026-01-01", "duration": 60},
               {"kind": 2, "method": 1, "start": "2026-01-01", "duration": 60}]}]}],
 "report": {"tax": true}
})");
    Outcome run = Host("run " + Quoted(work.Path() / "car.json"));
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    vktest::ExpectFields(report["assets"][0]["car_reintegration"],
                         {{"ceiling", 9900}, {"cost", 25000}, {"reintegrated", 3020}, {"definitive", 3020}},
                         "car");
    ASSERT_EQ(report["warnings"].size(), 1u) << report["warnings"];
    EXPECT_NE(report["warnings"][0].get<std::string>().find("CO2"), std::string::npos) << report["warnings"];
}

// Units of production across two closings (30,000 km of 300,000 on a base of 20,000 in the first
// year: 2,000; then 0, 60,000 and 90,000 km: 0, 4,000, 6,000): the forecasts follow the year switch
// (D13), the closed year's forecast goes, and the charges stay where they were.
TEST_F(Lifecycle, UnitsOfProductionForecastsFollowTheYearSwitch) {
    WriteFile(work.Path() / "scenario.json", R"({
 "case": {"fiscal_years": [{"start": "2026-01-01", "end": "2026-12-31"}], "current_year": "2026-01-01"},
 "assets": [{"ref": "UO2", "components": [{"account": "218200", "entry_date": "2026-01-01",
   "details": [{"price": 20000}], "plans": [{"kind": 1, "method": 3}, {"kind": 2, "method": 3}],
   "units": {"total": 300000, "designation": "km", "forecasts": [{"year": 0, "quantity": 30000},
     {"year": 1, "quantity": 0}, {"year": 2, "quantity": 60000}, {"year": 3, "quantity": 90000},
     {"year": 4, "quantity": 120000}]}}]}]
})");
    Outcome run = Host("run " + Quoted(work.Path() / "scenario.json") + " --case " + Quoted(dossier()));
    ASSERT_EQ(run.status, 0) << run.err;
    const char* charges[] = {"charge 2000.0000", "charge 0.0000"};
    for (int closing = 0; closing < 2; ++closing) {
        YearFigures before;
        {
            OpenCase open(dossier(), env());
            before = ReadYear(open, "UO2", 0);
        }
        ASSERT_TRUE(before.lines[0].count(0));
        EXPECT_EQ(before.lines[0][0].substr(0, std::string(charges[closing]).size()), charges[closing]);
        Outcome closed = Host("close-year '" + dossier().string() + "'");
        ASSERT_EQ(closed.status, 0) << closed.err;
        OpenCase open(dossier(), env());
        ExpectShiftedByOneYear(before, ReadYear(open, "UO2", 0), fmt::format("closing {}", closing + 1));
        std::unique_ptr<cVK_Bien> asset = open.Asset("UO2");
        TIBQuery forecasts(open.Dossier().GetDatabaseFirebird());
        forecasts.SQL.SetText(
            "SELECT LIST(EXERCICE || ':' || CAST(CONSO AS INTEGER), ',') FROM (SELECT EXERCICE, "
            "CONSO FROM " +
            GetNomTable("VKU", false) + " WHERE ID_COMPO=" + std::to_string(asset->GetStructure()->ID) +
            " ORDER BY EXERCICE)");
        forecasts.Open();
        EXPECT_EQ(forecasts.Fields(0)->AsString(),
                  closing == 0 ? "0:0,1:60000,2:90000,3:120000" : "0:60000,1:90000,2:120000");
    }
}

// The scenario runner's actions: validate, close_year, store_past, then the report at the new
// year's end (2025): the press's derogatory opening is the 2024 balance 1,500, its 2025 balance
// 1,775 (allocation 275); the engine's temporary reintegration opening 1,500, balance 1,775 (275
// added back); the tax year -1 (2024) is stored with its 3,500 and the closed version is the second.
TEST_F(Lifecycle, ScenarioActionsCloseTheYearAndReportTheNextOne) {
    std::string scenario = Scenario(kEngine, "");
    scenario.replace(scenario.find(R"("report": {"tax": true})"),
                     std::string(R"("report": {"tax": true})").size(),
                     R"("actions": [{"do": "validate", "asset": "M1", "complement": 2}, {"do": "close_year"},
                                   {"do": "store_past", "asset": "M1"}],
                       "report": {"tax": true, "schedules": true})");
    WriteFile(work.Path() / "scenario.json", scenario);
    Outcome run = Host("run " + Quoted(work.Path() / "scenario.json"));
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    const nlohmann::json& asset = report["assets"][0];
    using vktest::ExpectFields;
    ExpectFields(asset, {{"versions", 2}, {"state", 2}, {"complement", 3}}, "press");
    ExpectFields(
        asset["components"][0]["tax"]["derogatory"],
        {{"concerned", true}, {"opening", 1500}, {"balance", 1775}, {"allocation", 275}, {"reversal", 0}},
        "press, derogatory");
    ExpectFields(asset["components"][1]["tax"]["temporary_reintegration"],
                 {{"opening", 1500}, {"balance", 1775}, {"reintegrated", 275}, {"deducted", 0}},
                 "engine, temporary reintegration");
    const nlohmann::json& tax = asset["components"][0]["plans"][1];
    ASSERT_EQ(tax["kind"], 2);
    ExpectFields(tax["schedule"][0], {{"year", -1}, {"charge", 3500}, {"stored", true}}, "tax, 2024");
    ExpectFields(tax["schedule"][1], {{"charge", 2275}, {"stored", false}}, "tax, 2025");
}

}  // namespace
