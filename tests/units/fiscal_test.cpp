// Tax adjustments of a component and of an asset: derogatory depreciation, temporary and definitive
// reintegrations, the passenger-car rule and the impairment tests, with every expected figure worked
// out by hand in the comments.
//
// The case file has calendar years 2024 to 2026, 2026 current (year 0); D is its last day.
// Linear charges are by days on 360-day years; the declining rate of 60 months is 1.75 x 20 % = 35 %.
#include <fmt/format.h>

#include "platform/dossier.h"
#include "tests/support/amount_text.h"
#include "tests/support/calc_figures.h"
#include "tests/support/engine_fixture.h"
#include "tests/units/cession_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"

namespace {

using vktest::AmountText;
using vktest::Figures;
using vktest::SetPlan;

// An amount of a table: "null" for the empty amount, else a decimal text.
CCurrency Amount(const char* text) {
    return std::string(text) == "null" ? CCurrency() : CCurrency::Parse(text);
}

const TDateTime kD = EncodeDate(2026, 12, 31);
const TDateTime kYearStart = EncodeDate(2026, 1, 1);

// A stored asset with one structure component and its two plans set: accounting (A) and tax (F).
struct Machine {
    cVK_Bien* asset;
    cVK_Composant* component;
    cVK_Amortissement* accounting;
    cVK_Amortissement* tax;
};

Machine NewMachine(vktest::EngineCase& engine, const TDateTime& entry, const CCurrency& price,
                   VK_MethodeAmort accountingMethod, unsigned short accountingMonths,
                   VK_MethodeAmort taxMethod, unsigned short taxMonths,
                   const UnicodeString& account = "215400") {
    Machine m;
    m.asset = engine.NewAsset(entry, price, account);
    m.component = m.asset->GetStructure();
    m.accounting = m.component->GetAmort(taComptable);
    m.tax = m.component->GetAmort(taFiscal);
    SetPlan(m.accounting, accountingMethod, accountingMonths,
            accountingMethod == maLineaire ? entry : TDateTime());
    SetPlan(m.tax, taxMethod, taxMonths, taxMethod == maLineaire ? entry : TDateTime());
    m.component->ClearCalculs();
    return m;
}

// A sale on 30 June 2026, which is also the end of use.
void Dispose(cVK_Composant* component) {
    vktest::Dispose(component, EncodeDate(2026, 6, 30));
    component->ClearCalculs();
}

// Takes one of the component's plans out of its list and of the database.
void DropPlan(cVK_Composant* component, VK_TypeAmort kind) {
    cVK_Amortissement* gone = component->GetAmort(kind);
    component->GetLstAmortissement()->Delete(gone);
    gone->BD_Supprimer(false);
    delete gone;
}

// Makes the machine a passenger car of the given CO2 rate (WLTP), first registered on 1 Jan 2026
// unless said otherwise.
void MakeCar(Machine& car, int co2, bool registered = true) {
    cVK_Vehicule* vehicle = car.asset->CreeVehicule();
    vehicle->SetTypeVehicule(vtVoitureTourisme);
    if (registered) vehicle->SetDatePremierImmatriculation(EncodeDate(2026, 1, 1));
    vehicle->TAUXCO2 = co2;
    vehicle->POUR_VEH_NORME_WLTP = true;
}

// The machine most cases use: 10,000 entered 1 Jan 2025, A linear 60 months, F declining 60 months.
Machine Machine2025(vktest::EngineCase& engine) {
    return NewMachine(engine, EncodeDate(2025, 1, 1), 10000, maLineaire, 60, maDegressif, 60);
}

// Enters a current value for D on the accounting plan (an impairment when below the book value).
void EnterCurrentValue(Machine& m, int value, int maximumReversal = -1) {
    cVK_DetSituation situation(m.accounting, kD);
    situation.SetValActuelle(CCurrency(value));
    if (maximumReversal >= 0) situation.SetDeprecRepriseMax(CCurrency(maximumReversal));
    ASSERT_TRUE(situation.BD_MAJ());
    m.component->ClearCalculs();
}

// Writes the setting; null checks that the case file has none.
void SetDerogatoryRate(const char* rate) {
    if (rate)
        pCurDossier->FichierINI()->SetString("VK", "DerogatoireTaux", rate);
    else
        ASSERT_FALSE(pCurDossier->FichierINI()->HasKey("VK", "DerogatoireTaux"));
}

class Tax : public ::testing::Test {
protected:
    vktest::EngineCase engine;  // calendar years 2024 to 2026, current 2026
    vktest::Messages messages;
    void TearDown() override {
        for (const auto& shown : messages->exceptions) ADD_FAILURE() << "engine showed: " << shown.message;
    }
};

// ---------------------------------------------------------------------------------------------
// Derogatory depreciation: which components are concerned

// Accounting and tax plans both linear over 60 months from 1 Jan 2026: C(D) = F(D) = 2,000, and the
// opening balance is 0. Not concerned: every figure is null and the yearly movement writes nulls.
TEST_F(Tax, DerogatoryNotConcernedWhenTaxNeverExceedsAccounting) {
    Machine m = NewMachine(engine, kYearStart, 10000, maLineaire, 60, maLineaire, 60);
    Machine m2 = NewMachine(engine, kYearStart, 10000, maLineaire, 60, maLineaire, 120);  // F(D) 1,000 < C(D)
    for (Machine* machine : {&m, &m2}) {
        cVK_Composant* c = machine->component;
        EXPECT_FALSE(c->GetAmortDerogEstConcerne(kD));
        EXPECT_EQ(Figures("open", c->GetAmortDerogOuv(1), "mini", c->GetAmortDerogMini(kD), "maxi",
                          c->GetAmortDerogMaxi(kD), "kept", c->GetAmortDerogRetenu(kD), "bal",
                          c->GetAmortDerog(kD), "deferred", c->GetAmortRegulDiff(kD)),
                  "open=0 mini=null maxi=null kept=null bal=null deferred=null");
        CCurrency dotation(1), reprise(1), cession(1), cloture(7);  // the closing balance is left as it was
        const CCurrency move = c->GetAmortDerogEx(kD, &dotation, &reprise, &cession, &cloture);
        EXPECT_EQ(Figures("move", move, "alloc", dotation, "rev", reprise, "sold", cession, "close", cloture),
                  "move=null alloc=null rev=null sold=null close=7");
    }
}

// A component that has lost one of its plans keeps the openings stored or forced while it had both.
// The tax adjustments compare the two plans: without one of them every figure is null (D16), the
// year-end closing goes through and freezes nothing for the next year.
TEST_F(Tax, MissingPlanLeavesStoredAndForcedOpeningsNotConcerned) {
    struct Case {
        VK_TypeAmort missing;
        const char* opening;  // which opening is set to 100
    } cases[] = {
        {taComptable, "OUV_A_DED"},          {taFiscal, "OUV_A_DED"},    {taComptable, "OUV_A_DED_FORCE"},
        {taFiscal, "OUV_A_DED_FORCE"},       {taComptable, "DEROG_OUV"}, {taFiscal, "DEROG_OUV_FORC"},
        {taComptable, "OUV_A_DED_FORC_MAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("without plan {}, {} = 100", int(c.missing), c.opening));
        Machine m = NewMachine(engine, EncodeDate(2025, 1, 1), 10000, maDegressif, 60, maLineaire, 60);
        cVK_Composant* component = m.component;
        DropPlan(component, c.missing);
        const std::string opening = c.opening;
        CCurrency* field = opening == "OUV_A_DED"         ? &component->OUV_A_DED
                           : opening == "OUV_A_DED_FORCE" ? &component->OUV_A_DED_FORCE
                           : opening == "DEROG_OUV"       ? &component->DEROG_OUV
                           : opening == "DEROG_OUV_FORC"  ? &component->DEROG_OUV_FORC
                                                          : &component->OUV_A_DED_FORC_MAN;
        *field = CCurrency(100);
        component->Modifie();
        ASSERT_TRUE(m.asset->BD_MAJ());
        EXPECT_FALSE(component->GetReintTmpEstConcerne(kD));
        EXPECT_FALSE(component->GetAmortDerogEstConcerne(kD));
        EXPECT_EQ(
            Figures("tmp open", component->GetReintTmpOuv(1), "tmp", component->GetReintTmp(kD), "added",
                    component->GetReintTmpReintDed(kD, 0), "deducted", component->GetReintTmpReintDed(kD, 1),
                    "derog open", component->GetAmortDerogOuv(1), "derog", component->GetAmortDerog(kD),
                    "move", component->GetAmortDerogEx(kD, nullptr, nullptr, nullptr, nullptr)),
            "tmp open=null tmp=null added=null deducted=null derog open=null derog=null move=null");
        ASSERT_TRUE(component->Cloture());
        EXPECT_EQ(Figures("frozen tmp", component->OUV_A_DED, "frozen derog", component->DEROG_OUV),
                  "frozen tmp=null frozen derog=null");
    }
}

// At the current year's start only the opening balance decides.
// Entered 1 Jan 2025, 10,000: A linear 60 months charges 2,000 in 2025; F declining 35 % charges
// 3,500. Opening 2026: C0 = 2,000, F0 = 3,500, computed opening balance 1,500: concerned on 1 Jan
// 2026. With a stored opening of 0 it is not, although F exceeds C on that day too.
TEST_F(Tax, DerogatoryAtYearStartOnlyTheOpeningDecides) {
    Machine m = Machine2025(engine);
    EXPECT_EQ(AmountText(m.component->GetAmortDerogOuv(1)), "1500.0000");
    EXPECT_TRUE(m.component->GetAmortDerogEstConcerne(kYearStart));
    m.component->DEROG_OUV = CCurrency(0);
    EXPECT_GT(m.tax->GetCumulAmort(kYearStart), m.accounting->GetCumulAmort(kYearStart));
    EXPECT_FALSE(m.component->GetAmortDerogEstConcerne(kYearStart));
    EXPECT_TRUE(m.component->GetAmortDerogEstConcerne(EncodeDate(2026, 1, 2)))
        << "any other day: F(D) > C(D)";
    EXPECT_EQ(AmountText(m.component->GetAmortRegulDiffOuv()), "null");
}

// ---------------------------------------------------------------------------------------------
// Derogatory depreciation: opening balance, forced and stored

// Same machine (opening maximum 1,500). 2026: A 8,000 x 360 / 1,440 = 2,000, C(D) = 4,000; F
// 6,500 x 35 % = 2,275 (linear would be 6,500 / 4 = 1,625), F(D) = 5,775. Balance at D: 1,775.
// The movement of the year is 1,775 minus the opening in effect; it is returned even when every
// output is null.
TEST_F(Tax, DerogatoryForcedOpeningIsCappedButZeroIsKept) {
    Machine m = Machine2025(engine);
    struct Case {
        const char* forced;  // DEROG_OUV_FORC
        const char* stored;  // DEROG_OUV
        const char* expected;
    } cases[] = {
        {"null", "null", "open=1500 unforced=1500 bal=1775 move=275"},  // computed: max(0, F0 - C0)
        {"2000", "null", "open=1500 unforced=1500 bal=1775 move=275"},  // above the maximum: cut to 1,500
        {"700", "null", "open=700 unforced=1500 bal=1775 move=1075"},   // below: taken as it is
        {"0", "null", "open=0 unforced=1500 bal=1775 move=1775"},       // 0 is a value, not an absence
        {"null", "1200",
         "open=1200 unforced=1200 bal=1775 move=575"},  // the stored opening of the last closing
        {"900", "1200", "open=900 unforced=1200 bal=1775 move=875"},  // forced beats stored
    };
    for (const Case& c : cases) {
        m.component->SetAmortDerogOuvForce(Amount(c.forced));
        m.component->DEROG_OUV = Amount(c.stored);
        EXPECT_EQ(Figures("open", m.component->GetAmortDerogOuv(1), "unforced",
                          m.component->GetAmortDerogOuv(0), "bal", m.component->GetAmortDerog(kD), "move",
                          m.component->GetAmortDerogEx(kD, nullptr, nullptr, nullptr, nullptr)),
                  c.expected)
            << "forced " << c.forced << ", stored " << c.stored;
    }
}

// The standards-conformity opening: none for the reasons 0 and 5; for the others (1, a component
// created by the conformity; 4, one carried into it) forced (capped), stored, or the computed
// maximum; when it exists it beats the ordinary forced value (700).
TEST_F(Tax, DerogatoryStandardsOpening) {
    Machine m = Machine2025(engine);
    m.component->SetAmortDerogOuvForce(CCurrency(700));
    struct Case {
        int reason;
        const char* forcedMan;
        const char* storedMan;
        const char* expected;
    } cases[] = {
        {0, "300", "400", "standards=null open=700"}, {5, "300", "400", "standards=null open=700"},
        {1, "300", "400", "standards=300 open=300"},  {1, "null", "null", "standards=1500 open=1500"},
        {4, "300", "400", "standards=300 open=300"},  {4, "3000", "null", "standards=1500 open=1500"},
        {4, "null", "400", "standards=400 open=400"}, {4, "null", "null", "standards=1500 open=1500"},
    };
    for (const Case& c : cases) {
        m.component->MAN_MOTIF = c.reason;
        m.component->SetMAN_AmortDerogOuvForce(Amount(c.forcedMan));
        m.component->DEROG_OUV_MAN = Amount(c.storedMan);
        EXPECT_EQ(Figures("standards", m.component->GetMAN_AmortDerogOuv(1), "open",
                          m.component->GetAmortDerogOuv(1)),
                  c.expected)
            << fmt::format("reason {}, forced {}, stored {}", c.reason, c.forcedMan, c.storedMan);
    }
}

// ---------------------------------------------------------------------------------------------
// Derogatory depreciation: minimum, maximum, retained rate

// Same machine at D: Mini = C(D) = 4,000, Maxi = F(D) = 5,775. Retained = Mini + (Maxi - Mini) x
// rate: absent 100 % = 5,775; 0 % = 4,000 (balance 0, the opening 1,500 is reversed); 50 % =
// 4,000 + 887.50 = 4,887.50 (balance 887.50, regularly deferred 887.50); 33 % = 4,000 + 585.75.
// The closing balance is the balance, the movement the balance less the opening 1,500.
TEST_F(Tax, DerogatoryRetainedFollowsTheRate) {
    Machine m = Machine2025(engine);
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "kept=5775 bal=1775 deferred=0 move=275 alloc=275 rev=0 close=1775"},
        {"100", "kept=5775 bal=1775 deferred=0 move=275 alloc=275 rev=0 close=1775"},
        {"0", "kept=4000 bal=0 deferred=1775 move=-1500 alloc=0 rev=1500 close=0"},
        {"50", "kept=4887.5 bal=887.5 deferred=887.5 move=-612.5 alloc=0 rev=612.5 close=887.5"},
        {"33", "kept=4585.75 bal=585.75 deferred=1189.25 move=-914.25 alloc=0 rev=914.25 close=585.75"},
    };
    for (const auto& [rate, expected] : cases) {
        SetDerogatoryRate(rate);
        SCOPED_TRACE(std::string("DerogatoireTaux ") + (rate ? rate : "absent"));
        EXPECT_EQ(
            Figures("mini", m.component->GetAmortDerogMini(kD), "maxi", m.component->GetAmortDerogMaxi(kD)),
            "mini=4000 maxi=5775");
        CCurrency dotation, reprise, cloture;
        const CCurrency move = m.component->GetAmortDerogEx(kD, &dotation, &reprise, nullptr, &cloture);
        EXPECT_EQ(Figures("kept", m.component->GetAmortDerogRetenu(kD), "bal", m.component->GetAmortDerog(kD),
                          "deferred", m.component->GetAmortRegulDiff(kD), "move", move, "alloc", dotation,
                          "rev", reprise, "close", cloture),
                  expected);
    }
    // Opening regularly deferred: F0 - opening - C0 = 3,500 - 1,500 - 2,000.
    EXPECT_EQ(AmountText(m.component->GetAmortRegulDiffOuv()), "0.0000");
}

// An impairment can bring the accounting side above the tax cumul: the balance stops at 0 and the
// reversal is the opening, no more; the minimum is cut to the maximum. Same machine, current value 3,000
// entered for D: net book value 6,000, impairment 3,000, C(D) = 4,000 + 3,000 = 7,000 > F(D) = 5,775. Mini =
// Maxi = Retenu = 5,775; balance max(0, 5,775 - 7,000) = 0; the opening 1,500 is reversed whole.
TEST_F(Tax, DerogatoryBalanceStopsAtZeroWhenAnImpairmentExceedsTheTaxCumul) {
    Machine m = Machine2025(engine);
    EnterCurrentValue(m, 3000);
    ASSERT_EQ(AmountText(m.component->GetAmortDerog_Comptable(kD)), "7000.0000");
    CCurrency dotation, reprise, cloture;
    const CCurrency move = m.component->GetAmortDerogEx(kD, &dotation, &reprise, nullptr, &cloture);
    // The minimum never exceeds the maximum.
    EXPECT_EQ(Figures("mini", m.component->GetAmortDerogMini(kD), "maxi", m.component->GetAmortDerogMaxi(kD),
                      "kept", m.component->GetAmortDerogRetenu(kD), "bal", m.component->GetAmortDerog(kD),
                      "move", move, "alloc", dotation, "rev", reprise, "close", cloture),
              "mini=5775 maxi=5775 kept=5775 bal=0 move=-1500 alloc=0 rev=1500 close=0");
}

// Tax methods "Logiciels" (5) and "Dégr. majoré" (10): the minimum is the tax cumul itself, so
// Mini = Maxi = Retenu whatever the rate; an ordinary declining plan at rate 0 keeps only C(D).
//  - software: 1,200 entered 10 April 2016, 12 months imposed from 1 April: F(D) = 1,200 x 270 / 360
//    = 900; A linear 36 months from 10 April: 1,200 x 261 / 1,080 = 290. Balance 610.
//  - increased declining: 10,000 from 1 July 2002, 60 months, 35 % x 6/12 x 1.3 = 2,275; A linear
//    60 months: 10,000 x 180 / 1,800 = 1,000. Balance 1,275.
//  - ordinary declining, same dates: F(D) = 1,750; Mini = 1,000; at rate 0 Retenu = 1,000.
TEST(TaxSpecialMethods, MinimumEqualsMaximumForSoftwareAndIncreasedDeclining) {
    struct Case {
        int year;
        TDateTime entry;
        CCurrency price;
        const char* account;
        VK_MethodeAmort taxMethod;
        unsigned short accountingMonths;
        const char* expected;  // at rate 0
    } cases[] = {
        {2016, EncodeDate(2016, 4, 10), 1200, "205000", maLogiciels, 36,
         "mini=900 maxi=900 kept=900 bal=610"},
        {2002, EncodeDate(2002, 7, 1), 10000, "215400", maDegressifMajore, 60,
         "mini=2275 maxi=2275 kept=2275 bal=1275"},
        {2002, EncodeDate(2002, 7, 1), 10000, "215400", maDegressif, 60,
         "mini=1000 maxi=1750 kept=1000 bal=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("tax method {}", int(c.taxMethod)));
        vktest::EngineCase engine(vktest::CalendarYears(c.year - 1, 2, c.year));
        vktest::Messages messages;
        SetDerogatoryRate("0");
        Machine m =
            NewMachine(engine, c.entry, c.price, maLineaire, c.accountingMonths, c.taxMethod, 60, c.account);
        ASSERT_EQ(m.tax->GetMethode(), c.taxMethod);
        const TDateTime d = EncodeDate(c.year, 12, 31);
        EXPECT_EQ(
            Figures("mini", m.component->GetAmortDerogMini(d), "maxi", m.component->GetAmortDerogMaxi(d),
                    "kept", m.component->GetAmortDerogRetenu(d), "bal", m.component->GetAmortDerog(d)),
            c.expected);
        EXPECT_TRUE(messages->exceptions.empty());
    }
}

// ---------------------------------------------------------------------------------------------
// Derogatory depreciation: disposal

// Same machine sold on 30 June 2026 (end of use the same day), with DerogatoireTaux 0, which the
// disposal overrides (rate 100). A linear to 30 June: 8,000 x 180 / 1,440 = 1,000, C(D) = 3,000;
// F declining stops at the month before: 6,500 x 35 % x 5/12 = 947.92, F(D) = 4,447.92. Retenu =
// Maxi = 4,447.92, balance Bal = 1,447.92. The closing balance is 0 and the reversal is the larger
// of opening and balance:
//  - opening 1,500 (computed): V = -52.08 < 0, reversal = 1,500, allocation 0, movement -1,500;
//  - opening 700 (forced): V = 747.92, allocation 747.92, reversal = Bal = 1,447.92, movement -700.
// The reversal on disposal is the balance at the exit date: 1,447.92 as well.
TEST_F(Tax, DerogatoryOfADisposedComponentIsReversedWhole) {
    Machine m = Machine2025(engine);
    SetDerogatoryRate("0");
    Dispose(m.component);
    EXPECT_EQ(Figures("C", m.accounting->GetCumulAmort(kD), "F", m.tax->GetCumulAmort(kD), "kept",
                      m.component->GetAmortDerogRetenu(kD), "maxi", m.component->GetAmortDerogMaxi(kD),
                      "rev on disposal", m.component->GetAmortDerogRepriseSurCession(kD)),
              "C=3000 F=4447.92 kept=4447.92 maxi=4447.92 rev on disposal=1447.92");
    const std::pair<const char*, const char*> cases[] = {
        {"null", "move=-1500 alloc=0 rev=1500 sold=1447.92 close=0"},
        {"700", "move=-700 alloc=747.92 rev=1447.92 sold=1447.92 close=0"},
    };
    for (const auto& [forced, expected] : cases) {
        m.component->SetAmortDerogOuvForce(Amount(forced));
        CCurrency dotation, reprise, repriseCession, cloture;
        const CCurrency move =
            m.component->GetAmortDerogEx(kD, &dotation, &reprise, &repriseCession, &cloture);
        EXPECT_EQ(Figures("move", move, "alloc", dotation, "rev", reprise, "sold", repriseCession, "close",
                          cloture),
                  expected)
            << "opening forced " << forced;
    }
    // Before the exit date the retained rate is the setting's: at 31 May, rate 0, Retenu = Mini.
    EXPECT_EQ(AmountText(m.component->GetAmortDerogRetenu(EncodeDate(2026, 5, 31))),
              AmountText(m.component->GetAmortDerogMini(EncodeDate(2026, 5, 31))));
}

// ---------------------------------------------------------------------------------------------
// Temporary reintegration

// The mirror machine: A declining 35 % (3,500 in 2025, 2,275 in 2026), F linear 60 months (2,000 a
// year). Opening 2026: max(0, 3,500 - 2,000) = 1,500. At D: A 5,775 - F 4,000 = 1,775: 275 added
// back, nothing deducted. Disposed: GetReintTmp is 0, so the whole opening 1,500 is deducted.
TEST_F(Tax, TemporaryReintegrationOfTheYearAndOnDisposal) {
    Machine m = NewMachine(engine, EncodeDate(2025, 1, 1), 10000, maDegressif, 60, maLineaire, 60);
    auto figures = [&] {
        return Figures("open", m.component->GetReintTmpOuv(1), "tmp", m.component->GetReintTmp(kD), "added",
                       m.component->GetReintTmpReintDed(kD, 0), "deducted",
                       m.component->GetReintTmpReintDed(kD, 1));
    };
    EXPECT_TRUE(m.component->GetReintTmpEstConcerne(kD));
    EXPECT_EQ(figures(), "open=1500 tmp=1775 added=275 deducted=0");
    Dispose(m.component);
    EXPECT_TRUE(m.component->GetReintTmpEstConcerne(kD));
    EXPECT_EQ(figures(), "open=1500 tmp=0 added=0 deducted=1500");
}

// 12,000 entered 1 Jan 2026: A linear 48 months 3,000, F linear 60 months 2,400: reintegration at
// D 600. With an opening forced to 1,000: reintegrated max(0, 600 - 1,000) = 0, deducted 400.
// Equal cumuls with an empty or zero opening: not concerned, GetReintTmp null.
TEST_F(Tax, TemporaryReintegrationDeductsWhatTheOpeningExceeds) {
    Machine m = NewMachine(engine, kYearStart, 12000, maLineaire, 48, maLineaire, 60);
    EXPECT_EQ(AmountText(m.component->GetReintTmp(kD)), "600.0000");
    m.component->SetReintTmpOuvForce(CCurrency(1000));
    EXPECT_EQ(Figures("added", m.component->GetReintTmpReintDed(kD, 0), "deducted",
                      m.component->GetReintTmpReintDed(kD, 1)),
              "added=0 deducted=400");
    Machine same = NewMachine(engine, kYearStart, 12000, maLineaire, 60, maLineaire, 60);
    for (const char* opening : {"null", "0"}) {
        same.component->SetReintTmpOuvForce(Amount(opening));
        EXPECT_FALSE(same.component->GetReintTmpEstConcerne(kD)) << "opening " << opening;
        EXPECT_EQ(Figures("tmp", same.component->GetReintTmp(kD), "deducted",
                          same.component->GetReintTmpReintDed(kD, 1)),
                  "tmp=null deducted=null")
            << "opening " << opening;
    }
}

// The opening in effect: standards forced (withForced 1 only), forced (1 and 2), stored, 0 for a
// non-deductible component, computed 1,500. A forced 0 is returned as 0; no cap on forced values.
TEST_F(Tax, TemporaryReintegrationOpeningPrecedence) {
    Machine m = NewMachine(engine, EncodeDate(2025, 1, 1), 10000, maDegressif, 60, maLineaire, 60);
    struct Case {
        const char* forcedMan;
        const char* forced;
        const char* stored;
        bool nonDeductible;
        const char* expected;  // GetReintTmpOuv(1), (2), (0)
    } cases[] = {
        {"null", "null", "null", false, "1=1500 2=1500 0=1500"},
        {"null", "0", "null", false, "1=0 2=0 0=1500"},
        {"null", "9000", "null", false, "1=9000 2=9000 0=1500"},
        {"300", "0", "null", false, "1=300 2=0 0=1500"},
        {"null", "null", "800", false, "1=800 2=800 0=800"},
        {"null", "null", "null", true, "1=0 2=0 0=0"},
        {"null", "250", "null", true, "1=250 2=250 0=0"},
    };
    for (const Case& c : cases) {
        m.component->SetMAN_ReintTmpOuvForce(Amount(c.forcedMan));
        m.component->SetReintTmpOuvForce(Amount(c.forced));
        m.component->OUV_A_DED = Amount(c.stored);
        m.component->ISAMORT_NON_DEDUC = c.nonDeductible;
        EXPECT_EQ(Figures("1", m.component->GetReintTmpOuv(1), "2", m.component->GetReintTmpOuv(2), "0",
                          m.component->GetReintTmpOuv(0)),
                  c.expected)
            << fmt::format("standards {}, forced {}, stored {}, non-deductible {}", c.forcedMan, c.forced,
                           c.stored, c.nonDeductible);
    }
}

// ---------------------------------------------------------------------------------------------
// Definitive reintegration and passenger cars

// A passenger car of 25,000 entered 1 Jan 2026 (WLTP, first registered 1 Jan 2026), A and F linear
// 60 months: 5,000 a year, no derogatory. Ceiling by the CO2 rate (acquired from 2021, WLTP):
//  - 100 g: 18,300; added back 5,000 x (25,000 - 18,300) / 25,000 = 1,340;
//  - 200 g: 9,900; 5,000 x 15,100 / 25,000 = 3,020;
//  - 10 g: 30,000 >= the cost: nothing (GetReintDef 0, GetReintegrVoitTourisme null);
//  - unknown rate: the lowest ceiling of these dates, 9,900 (D43): 3,020.
// A car costing exactly its ceiling (18,300 at 100 g) gives 0 too. The allocation is a fifth of the
// cost; the car rule excludes the structure from the temporary reintegration (its opening is 0).
TEST_F(Tax, PassengerCarAboveAndWithinTheCeiling) {
    struct Case {
        int price;
        int co2;
        const char* expected;
    } cases[] = {
        {25000, 100, "ceiling=18300 cost=25000 alloc=5000 added=1340 car=1340 tmp open=0"},
        {25000, 200, "ceiling=9900 cost=25000 alloc=5000 added=3020 car=3020 tmp open=0"},
        {25000, 10, "ceiling=30000 cost=25000 alloc=5000 added=0 car=null tmp open=0"},
        {25000, VK_IntNull, "ceiling=9900 cost=25000 alloc=5000 added=3020 car=3020 tmp open=0"},
        {18300, 100, "ceiling=18300 cost=18300 alloc=3660 added=0 car=null tmp open=0"},
    };
    for (const Case& c : cases) {
        Machine car = NewMachine(engine, kYearStart, c.price, maLineaire, 60, maLineaire, 60, "218200");
        MakeCar(car, c.co2);
        const std::string label = fmt::format("cost {}, CO2 {}", c.price, c.co2);
        EXPECT_TRUE(car.asset->GetReintDefEstConcerne()) << label;
        EXPECT_EQ(
            Figures("ceiling", car.asset->GetReintDefBaseMaxi(), "cost", car.asset->GetReintDefCoutEntree(),
                    "alloc", car.asset->GetDotationReintDef(kD), "added", car.asset->GetReintDef(kD), "car",
                    car.asset->GetReintegrVoitTourisme(), "tmp open", car.component->GetReintTmpOuv(1)),
            c.expected)
            << label;
    }
}

// Without a first registration date no ceiling can be told: the year's car reintegration is null,
// and so is the definitive reintegration (not the whole allocation).
TEST_F(Tax, PassengerCarWithoutFirstRegistration) {
    Machine car = NewMachine(engine, kYearStart, 25000, maLineaire, 60, maLineaire, 60, "218200");
    MakeCar(car, 100, false);
    EXPECT_TRUE(car.asset->GetReintDefEstConcerne());
    EXPECT_EQ(Figures("ceiling", car.asset->GetReintDefBaseMaxi(), "car",
                      car.asset->GetReintegrVoitTourisme(), "added", car.asset->GetReintDef(kD)),
              "ceiling=null car=null added=null");
}

// A car's structure flagged non-deductible falls under the component rule: its whole allocation
// (5,000 of A, no derogatory) is added back, and the car rule no longer concerns the asset. A second
// component flagged for the car rule (3,000 linear 60 months: 600) brings the asset back under it
// with a cost of 3,000, within the ceiling. GetReintegrVoitTourisme sums every component (D7):
// cost 28,000 > 18,300, allocation 5,600: 5,600 x 9,700 / 28,000 = 1,940.
TEST_F(Tax, NonDeductibleComponentOfACarFollowsTheComponentRule) {
    Machine car = NewMachine(engine, kYearStart, 25000, maLineaire, 60, maLineaire, 60, "218200");
    MakeCar(car, 100);
    car.component->SetIsAmortNonDeductible(true);
    EXPECT_FALSE(car.component->GetReintDefEstConcerneVehTourisme());
    EXPECT_TRUE(car.component->GetReintDefEstConcerne());
    EXPECT_FALSE(car.asset->GetReintDefEstConcerne());
    EXPECT_EQ(Figures("component", car.component->GetReintDef(kD), "asset", car.asset->GetReintDef(kD),
                      "cost", car.asset->GetReintDefCoutEntree()),
              "component=5000 asset=null cost=null");

    cVK_Composant* option = car.asset->GetListeComposants()->AddNew();
    option->SetNumCompte("218200");
    option->SetDateEntree(kYearStart);
    option->SetDateMiseEnService(kYearStart);
    option->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(3000));
    option->POUR_CALC_REINT_AMORT = true;
    SetPlan(option->GetAmort(taComptable), maLineaire, 60, kYearStart);
    SetPlan(option->GetAmort(taFiscal), maLineaire, 60, kYearStart);
    ASSERT_TRUE(car.asset->BD_MAJ());
    EXPECT_TRUE(car.asset->GetReintDefEstConcerne());
    EXPECT_EQ(Figures("cost", car.asset->GetReintDefCoutEntree(), "added", car.asset->GetReintDef(kD), "car",
                      car.asset->GetReintegrVoitTourisme()),
              "cost=3000 added=0 car=1940");
}

// Component rule with a derogatory movement: the allocation is A's charge plus the net derogatory
// movement. Machine of 2025 (A linear 2,000, derogatory +275 in 2026) flagged non-deductible:
// 2,275 added back.
TEST_F(Tax, DefinitiveReintegrationIncludesTheDerogatoryMovement) {
    Machine m = Machine2025(engine);
    m.component->SetIsAmortNonDeductible(true);
    EXPECT_EQ(Figures("alloc", m.component->GetDotationReintDef(kD), "added", m.component->GetReintDef(kD),
                      "ceiling", m.component->GetReintDefBaseMaxi()),
              "alloc=2275 added=2275 ceiling=0");
}

// ---------------------------------------------------------------------------------------------
// Impairment tests

// No impairment anywhere: neither test holds; an impairment of 0 does not count.
TEST_F(Tax, ImpairmentAtTheOpening) {
    Machine m = Machine2025(engine);
    EXPECT_FALSE(m.component->GetEstDeprecieAOuv());
    EXPECT_FALSE(m.component->GetEstDeprecie(TDateTime(), true));
    EXPECT_FALSE(m.component->GetEstDeprecie(kD, false));
    m.accounting->SetCumulDeprecDedOuvForce(CCurrency(0));
    EXPECT_FALSE(m.component->GetEstDeprecieAOuv()) << "an impairment of 0 does not count";
    m.accounting->SetCumulDeprecNonDedOuvForce(CCurrency(300));
    EXPECT_TRUE(m.component->GetEstDeprecieAOuv());
    EXPECT_TRUE(m.component->GetEstDeprecie(TDateTime(), true));
    EXPECT_TRUE(m.component->GetEstDeprecie(TDateTime(), false))
        << "the opening impairment is still there at D";
}

// A zero date stands for the case file's situation date (D36). Machine of 2025, A linear: net book
// value at 31 December 2026 10,000 - 4,000 = 6,000; a current value of 3,000 entered for that day
// gives an impairment of 3,000, which counts on that day only.
TEST_F(Tax, ImpairmentAtTheSituationDate) {
    Machine m = Machine2025(engine);
    EnterCurrentValue(m, 3000);
    EXPECT_EQ(AmountText(m.accounting->GetCumulDeprecDed(kD)), "3000.0000");
    EXPECT_TRUE(m.component->GetEstDeprecie(kD, false));
    EXPECT_TRUE(m.component->GetEstDeprecie(TDateTime(), false)) << "situation date 31 December";
    EXPECT_FALSE(m.component->GetEstDeprecieAOuv());
    pCurDossier->SetDateSituation(EncodeDate(2026, 6, 30));
    EXPECT_FALSE(m.component->GetEstDeprecie(TDateTime(), false)) << "situation date 30 June";
    EXPECT_TRUE(m.component->GetEstDeprecie(kD, false));
}

// A reversal never exceeds the impairment on the books, nor the entered maximum (D46). Machine of
// 2025, A linear 60 months, 1,000 of impairment forced at the opening: the 2026 base is 10,000 -
// 2,000 - 1,000 = 7,000 over 1,440 days, a charge of 1,750; net book value at D 7,000 - 1,750 =
// 5,250. Without the forced impairment it is 10,000 - 4,000 = 6,000 and nothing can be reversed.
TEST_F(Tax, ImpairmentReversalIsLimitedToWhatTheBooksHold) {
    struct Case {
        const char* what;
        int opening;       // impairment forced at the opening, -1 for none
        int currentValue;  // entered for D
        int maximum;       // highest reversal entered, -1 for none
        const char* expected;
    } cases[] = {
        {"value far above the book value: the whole 1,000", 1000, 9000, -1, "alloc=0 rev=1000 cumul=0"},
        {"value 250 above the book value", 1000, 5500, -1, "alloc=0 rev=250 cumul=750"},
        {"the entered maximum limits it", 1000, 9000, 600, "alloc=0 rev=600 cumul=400"},
        {"value below the book value: an allowance", 1000, 5000, -1, "alloc=250 rev=0 cumul=1250"},
        {"never impaired: nothing to reverse", -1, 9000, -1, "alloc=0 rev=0 cumul=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m = Machine2025(engine);
        if (c.opening >= 0) m.accounting->SetCumulDeprecDedOuvForce(CCurrency(c.opening));
        EnterCurrentValue(m, c.currentValue, c.maximum);
        EXPECT_EQ(Figures("alloc", m.accounting->GetDeprec(kD, 0), "rev", m.accounting->GetDeprec(kD, 1),
                          "cumul", m.accounting->GetCumulDeprecDed(kD)),
                  c.expected);
    }
}

// Copying a component drops the stored openings of the copy, not of the source (D20).
TEST_F(Tax, CopyOfAComponentDropsItsOwnStoredOpenings) {
    Machine m = Machine2025(engine);
    m.component->DEROG_OUV = CCurrency(1500);
    m.component->OUV_A_DED = CCurrency(10);
    m.component->Modifie();
    ASSERT_TRUE(m.asset->BD_MAJ());
    m.component->BD_Dupliquer(veAucun);
    cVK_ListeComposants* components = m.asset->GetListeComposants();
    ASSERT_EQ(components->Count(), 2);
    cVK_Composant* copy = components->Get(0) == m.component ? components->Get(1) : components->Get(0);
    EXPECT_EQ(
        Figures("copy derog", copy->DEROG_OUV, "copy tmp", copy->OUV_A_DED, "source", m.component->DEROG_OUV),
        "copy derog=null copy tmp=null source=1500");
    const std::string stored = "SELECT DEROG_OUV FROM " + GetNomTable("VKC", false) + " WHERE ID_COMPO=";
    EXPECT_EQ(engine.File().Scalar(stored + std::to_string(m.component->ID)), "1500");
    EXPECT_EQ(engine.File().Scalar(stored + std::to_string(copy->ID)), "<null>");
}

}  // namespace
