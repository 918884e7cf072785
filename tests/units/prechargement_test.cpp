// Reading assets ahead: objects loaded from the rows read ahead are the objects loaded by their own
// statements; the rows are handed out once, only inside the host action they were read in, and not
// after a change.
#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "tests/units/cession_fixture.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvkprechargement.h"
#include "units/uvkuniteoeuvre.h"

namespace {

using vktest::EngineCase;

// What loading gave an asset, field by field, down to its stored schedule lines.
std::string Describe(cVK_Bien& asset) {
    std::string text =
        fmt::format("asset {} ref {} state {}/{} veh {}\n", asset.ID, asset.GetRefCalc(), int(asset.Etat),
                    int(asset.EtatCplmt), asset.GetVehicule() ? asset.GetVehicule()->TYPEVEH : -1);
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; i < components->Count(); ++i) {
        cVK_Composant* c = components->Get(i);
        text += fmt::format(" component {} {} {} price {} derog {} details {} cession {}\n", c->ID,
                            c->NUMCOMPTE, FormatISODate(c->DATEENTREE), c->GetPrixHT().GetSQL(),
                            c->DEROG_OUV.GetSQL(), c->GetDetails()->Count(),
                            c->GetCession() ? c->GetCession()->PRIXHT_SORTIE.GetSQL() : "-");
        cVK_LstAmortissement* plans = c->GetLstAmortissement();
        for (int p = 0; p < plans->Count(); ++p) {
            cVK_Amortissement* plan = plans->Get(p);
            text +=
                fmt::format("  plan {} kind {} method {} months {} forced {} manual {}\n", plan->ID,
                            int(plan->TYPEAMORT), int(plan->METHODE), plan->DUREE, plan->OUV_AMORT.GetSQL(),
                            plan->GetLstManuel() ? plan->GetLstManuel()->Count() : -1);
            for (const auto& [year, line] : plan->GetLstTabAmort()->Lignes())
                text += fmt::format("   line {} stored {} charge {}\n", year, line->IsStocke(),
                                    line->GetDotation(TDateTime()).GetSQL());
            const TDateTime at = pCurDossier->DateSituation;
            text += fmt::format("  charge {} cumul {} impairment {}\n", plan->GetDotation(at).GetSQL(),
                                plan->GetCumulAmort(at).GetSQL(), plan->GetDeprec(at, 0).GetSQL());
        }
    }
    return text;
}

class ReadAhead : public ::testing::Test {
protected:
    void SetUp() override {
        // Three assets: a plain one, one of two components with a disposal record, a car with a
        // manual tax plan; the first two validated (their earlier years stored).
        cVK_Bien* plain = engine_.NewAsset(EncodeDate(2024, 3, 15), CCurrency(12000));
        vktest::SetPlan(plain->GetStructure()->GetAmort(taComptable), maLineaire, 60);
        vktest::SetPlan(plain->GetStructure()->GetAmort(taFiscal), maDegressif, 60);
        plain->BD_MAJ();
        plain->Valider(vcValide);
        // An impairment entered at the situation date: a situation detail of the accounting plan.
        cVK_DetSituation situation(plain->GetStructure()->GetAmort(taComptable), EncodeDate(2026, 12, 31));
        situation.SetValActuelle(CCurrency(2000));
        ASSERT_TRUE(situation.BD_MAJ());
        cVK_Bien* two = engine_.NewAsset(EncodeDate(2025, 6, 1), CCurrency(50000), "215400");
        cVK_Composant* second = two->GetListeComposants()->AddNew();
        second->SetDateEntree(EncodeDate(2025, 9, 1));
        second->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(3000));
        two->BD_MAJ();
        two->Valider(vcValide);
        cVK_Cession* cession = vktest::Dispose(second, EncodeDate(2026, 5, 31));
        cession->PRIXHT_SORTIE = CCurrency(1500);
        cession->BD_MAJ();
        cVK_Bien* car = engine_.NewAsset(EncodeDate(2026, 2, 1), CCurrency(30000), "218200");
        car->CreeVehicule()->SetTypeVehicule(vtVoitureTourisme);
        cVK_Amortissement* manual = car->GetStructure()->GetAmort(taFiscal);
        vktest::SetPlan(manual, maManuel, 36);
        car->BD_MAJ();
        if (manual->GetLstManuel())
            for (short year = 0; year < 3; ++year)
                manual->GetLstManuel()->AddNew(year)->SetConsommation(CCurrency(10000));
        car->BD_MAJ();
        ids_ = {plain->ID, two->ID, car->ID};
        engine_.File().Commit();
    }

    std::string LoadAll(bool readAhead) {
        CActionDossier action(engine_.File().Dossier());
        cVK_Prechargement rows;
        if (readAhead) rows.Charger(ids_);
        std::string text;
        for (unsigned id : ids_) {
            cVK_Bien asset(id, "", nullptr, nullptr);
            text += Describe(asset);
        }
        served_ = rows.Servis();
        return text;
    }

    EngineCase engine_;
    std::vector<unsigned> ids_;
    size_t served_ = 0;
};

TEST_F(ReadAhead, LoadsTheSameObjectsAsTheirOwnStatements) {
    const std::string own = LoadAll(false);
    EXPECT_EQ(served_, 0u);
    const uint64_t before = engine_.File().Database().Stats().executions;
    const std::string ahead = LoadAll(true);
    const uint64_t statements = engine_.File().Database().Stats().executions - before;
    EXPECT_EQ(ahead, own);
    // Assets, components, details, disposals, plans, forecasts, stored lines: every set read ahead.
    EXPECT_GE(served_, 3u + 4u * 3u);
    EXPECT_NE(own.find("cession 1500"), std::string::npos) << own;
    EXPECT_NE(own.find("stored true"), std::string::npos) << own;
    EXPECT_TRUE(std::regex_search(own, std::regex("impairment [0-9]"))) << own;
    EXPECT_LT(statements, 30u) << "the objects still ran their own statements";
}

TEST_F(ReadAhead, RowsAreHandedOutOnceAndOnlyWhileNothingChanged) {
    CActionDossier action(engine_.File().Dossier());
    cVK_Prechargement rows;
    rows.Charger(ids_);
    const UnicodeString first = VK_Format_ID(ids_[0]);
    EXPECT_NE(cVK_Prechargement::Prendre("VKB", first, first), nullptr);
    EXPECT_EQ(cVK_Prechargement::Prendre("VKB", first, first), nullptr) << "handed out twice";
    EXPECT_EQ(cVK_Prechargement::Prendre("VKB", "999999", "999999"), nullptr) << "not read ahead";
    const UnicodeString second = VK_Format_ID(ids_[1]);
    ASSERT_TRUE(VK_ExecSQL(
        0, "UPDATE " + GetNomTable("VKB", false) + " SET DESIGNATION='x' WHERE ID_BIEN=" + second, ""));
    EXPECT_EQ(cVK_Prechargement::Prendre("VKB", second, second), nullptr) << "stale rows after a change";
}

TEST_F(ReadAhead, NothingIsReadAheadOutsideAHostAction) {
    cVK_Prechargement rows;
    rows.Charger(ids_);
    const UnicodeString first = VK_Format_ID(ids_[0]);
    EXPECT_EQ(cVK_Prechargement::Prendre("VKB", first, first), nullptr);
}

// A read-ahead made while another is current (the year's entries read ahead inside a host's own
// batches) hands the current role back when it ends: the outer batch serves its rows again.
TEST_F(ReadAhead, AnInnerReadAheadGivesTheOuterOneBack) {
    CActionDossier action(engine_.File().Dossier());
    cVK_Prechargement outer;
    outer.Charger({ids_[0]});
    const UnicodeString first = VK_Format_ID(ids_[0]), second = VK_Format_ID(ids_[1]);
    {
        cVK_Prechargement inner;
        inner.Charger({ids_[1]});
        EXPECT_EQ(cVK_Prechargement::Prendre("VKB", first, first), nullptr) << "the outer batch while inner";
        EXPECT_NE(cVK_Prechargement::Prendre("VKB", second, second), nullptr);
    }
    EXPECT_NE(cVK_Prechargement::Prendre("VKB", first, first), nullptr) << "the outer batch is current again";
    EXPECT_EQ(cVK_Prechargement::Prendre("VKB", second, second), nullptr);
}

// A batch of identifiers far apart (assets taken by reference) is read by its list: its own rows
// only, the assets between them not covered.
TEST_F(ReadAhead, IdentifiersFarApartAreReadByTheirList) {
    CActionDossier action(engine_.File().Dossier());
    const unsigned far = ids_[2] + 1000;  // no such asset
    cVK_Prechargement rows;
    const uint64_t before = engine_.File().Database().Stats().executions;
    rows.Charger({ids_[2], ids_[0], far});
    EXPECT_LT(engine_.File().Database().Stats().executions - before, 15u);
    for (unsigned id : {ids_[0], ids_[2]}) {
        const UnicodeString key = VK_Format_ID(id);
        EXPECT_NE(cVK_Prechargement::Prendre("VKB", key, key), nullptr) << id;
    }
    const UnicodeString between = VK_Format_ID(ids_[1]);
    EXPECT_EQ(cVK_Prechargement::Prendre("VKB", between, between), nullptr) << "not in the batch";
    const UnicodeString none = VK_Format_ID(far);
    std::unique_ptr<TDataSet> empty = cVK_Prechargement::Prendre("VKB", none, none);
    ASSERT_NE(empty, nullptr);
    empty->Open();
    EXPECT_TRUE(empty->Eof());
}

// The condition a child table's rows are selected by, from their owners' identifiers.
TEST(ReadAheadCondition, ARangeWhenCompactAListWhenSpreadNoneBeyondAList) {
    std::vector<unsigned> spread, tooMany;
    for (unsigned i = 1; i <= 1500; ++i) spread.push_back(i * 10);
    tooMany = spread;
    tooMany.push_back(20000);
    const struct {
        const char* name;
        std::vector<unsigned> ids;
        std::optional<std::string> expected;
    } cases[] = {
        {"none", {}, "C<0"},
        {"one", {7}, "C>=7 AND C<=7"},
        {"compact, unordered, repeated", {12, 10, 11, 10, 14}, "C>=10 AND C<=14"},
        {"spread", {900, 3, 40}, "C IN (3,40,900)"},
        {"spread, the most a list takes", spread, fmt::format("C IN ({})", fmt::join(spread, ","))},
        {"spread, more than a list takes", tooMany, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VK_ConditionParmi("C", c.ids), c.expected) << c.name;
    }
}

}  // namespace
