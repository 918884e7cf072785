// The session a host application opens: the case file it opens or refuses, the asset list and
// lookups, the messages it passes to the host's handler, the charges a host computes through it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/scenario/build_register.h"
#include "tests/support/amount_text.h"
#include "tests/support/case_fixture.h"
#include "tests/support/temp_dir.h"
#include "units/uvkamortissement.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvktables.h"
#include "units/vksession.h"

namespace {

namespace fs = std::filesystem;
using vktest::AmountText;

// An asset of one component bought on 1 January 2025 for `price`, depreciated straight-line over
// 60 months for the accounts.
vkhost::AssetInput Asset(const std::string& ref, const std::string& designation, int price) {
    vkhost::AssetInput asset;
    asset.ref = ref;
    asset.designation = designation;
    vkhost::ComponentInput component;
    component.account = "215400";
    component.entry_date = component.service_date = EncodeDate(2025, 1, 1);
    vkhost::DetailInput line;
    line.price = CCurrency(price);
    component.details.push_back(line);
    vkhost::PlanInput plan;
    plan.kind = taComptable;
    plan.method = maLineaire;
    plan.duration = 60;
    component.plans = std::vector<vkhost::PlanInput>{plan};
    asset.components.push_back(component);
    return asset;
}

// A session on a new case file (fiscal years 2024 to 2026, 2026 current) in a temporary directory.
class SessionTest : public testing::Test {
protected:
    void SetUp() override {
        session_ = std::make_unique<vk::Session>(vk::EnvironmentOptions{dir_ / "env", "test"});
        session_->Create(dir_ / "case", vktest::CalendarYears(2024, 3, 2026));
        ASSERT_TRUE(VK_CreerTables(""));
    }
    void Build(const std::vector<vkhost::AssetInput>& assets) {
        session_->RunAction([&] {
            for (const vkhost::AssetInput& asset : assets) vkhost::BuildAsset(asset);
        });
    }

    vktest::TempDir dir_{"vksession"};
    std::unique_ptr<vk::Session> session_;
};

// Twelve assets entered in the reverse order of their entered references: the list follows the
// calculated references (the order of entry), whatever the entered ones, and past 9 the tenth comes
// after the ninth (a numeric order, not a textual one). Each one's charge of 2026, computed as the
// example host does: straight-line over 5 years from 1 January 2025, a fifth of its price.
TEST_F(SessionTest, ListAssetsInReferenceOrderAndTheirCharges) {
    std::vector<vkhost::AssetInput> assets;
    for (int i = 12; i >= 1; --i)
        assets.push_back(Asset("R" + std::to_string(i), "Bien numéro " + std::to_string(i), 1000 * i));
    Build(assets);

    const std::vector<vk::AssetSummary> list = vk::ListAssets();
    ASSERT_EQ(list.size(), assets.size());
    session_->RunAction([&] {
        for (size_t i = 0; i < list.size(); ++i) {
            SCOPED_TRACE("line " + std::to_string(i) + ": " + list[i].refCalc + " " + list[i].refSais);
            EXPECT_EQ(list[i].refSais, assets[i].ref);
            EXPECT_EQ(list[i].label, assets[i].designation);
            if (i > 0) {
                EXPECT_LT(std::stol(list[i - 1].refCalc), std::stol(list[i].refCalc));
            }
            const std::unique_ptr<cVK_Bien> latest = vk::LoadLatestVersion(list[i].refCalc);
            ASSERT_TRUE(latest);
            const std::unique_ptr<cVK_Bien> byEntered = vk::LoadAssetByReference(list[i].refSais);
            ASSERT_TRUE(byEntered);
            EXPECT_EQ(byEntered->ID, latest->ID) << "the entered and calculated references agree";
            cVK_Amortissement* plan = byEntered->GetListeComposants()->Get(0)->GetAmort(taComptable);
            ASSERT_TRUE(plan);
            const CCurrency expected(200 * (12 - static_cast<int>(i)));  // 1,000 x (12 - i) / 5
            EXPECT_EQ(AmountText(plan->GetDotation(session_->Dossier().DateSituation)), AmountText(expected));
        }
    });
}

TEST_F(SessionTest, LookupsOfAnUnknownAssetFindNothing) {
    Build({Asset("M1", "Presse", 12000)});
    EXPECT_FALSE(vk::LoadAssetByReference("ABSENT"));
    EXPECT_FALSE(vk::LoadAssetByReference("M1' OR '1'='1")) << "a reference is a value, never SQL";
    EXPECT_FALSE(vk::LoadLatestVersion("999999"));
    for (const char* text : {"", "1 OR 1=1", "0 OR REF_CALC>0", "-1", "12345678901"})
        EXPECT_FALSE(vk::LoadLatestVersion(text))
            << "a calculated reference is a whole number, never SQL: " << text;
}

TEST_F(SessionTest, MessagesReachTheHostsHandlerAndTheFailureIsRolledBack) {
    Build({Asset("M1", "Presse", 12000)});
    vktest::Messages outer;  // the handler in place before the session's
    RecordingMessageHandler host;
    session_->SetMessages(&host);
    try {
        session_->RunAction([&] {
            vkhost::BuildAsset(Asset("M2", "Tour", 5000));
            VK_ExecSQL(0x0385002A, "INSERT INTO VKTEST_NO_SUCH_TABLE VALUES (1)", "");
        });
        ADD_FAILURE() << "an error the engine showed is reported as a failure";
    } catch (const vk::EngineReportedFailure& e) {
        EXPECT_STREQ(e.what(), "L'action a échoué : rien n'a été enregistré");
    }
    ASSERT_EQ(host.exceptions.size(), 1u);
    EXPECT_EQ(host.exceptions[0].code, 0x0385002Au);
    EXPECT_NE(host.exceptions[0].message.find("VKTEST_NO_SUCH_TABLE"), std::string::npos)
        << host.exceptions[0].message;
    EXPECT_TRUE(outer->exceptions.empty()) << "only the session's handler is told";
    EXPECT_FALSE(vk::LoadAssetByReference("M2")) << "the failed action's asset is rolled back";
    EXPECT_EQ(vk::ListAssets().size(), 1u);

    // Once the session is gone, the handler that was there before it gets the messages again.
    session_.reset();
    OKTDisplayException(0x0385002B, Exception("après la session"), nullptr);
    EXPECT_EQ(host.exceptions.size(), 1u);
    ASSERT_EQ(outer->exceptions.size(), 1u);
    EXPECT_EQ(outer->exceptions[0].message, "après la session");
}

TEST(Session, OpeningWhatIsNotACaseFileIsAClearErrorAndOpensNothing) {
    vktest::TempDir dir("vksession");
    fs::create_directory(dir / "empty");
    fs::create_directory(dir / "other");
    std::ofstream(fs::path(dir / "other") / "notes.txt") << "pas un dossier";
    struct Case {
        const char* name;
        std::string directory;
    } const cases[] = {{"missing directory", dir / "nothere"},
                       {"empty directory", dir / "empty"},
                       {"directory of other files", dir / "other"}};
    vk::Session session(vk::EnvironmentOptions{dir / "env", "test"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            session.Open(c.directory);
            ADD_FAILURE() << "opened " << c.directory;
        } catch (const EDossier& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.directory), std::string::npos) << "names the directory: " << message;
            EXPECT_NE(message.find("dossier"), std::string::npos) << "in French: " << message;
        }
        EXPECT_FALSE(session.HasDossier());
        EXPECT_EQ(pCurDossier, nullptr);
        EXPECT_FALSE(fs::exists(fs::path(c.directory) / "dossier.fdb")) << "nothing created";
        EXPECT_FALSE(fs::exists(fs::path(c.directory) / "dossier.ini")) << "nothing created";
    }
}

}  // namespace
