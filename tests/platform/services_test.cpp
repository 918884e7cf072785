// Account groups, currencies of origin, messages and location codes, the settings file.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>

#include "platform/devise.h"
#include "platform/inifile.h"
#include "platform/messages.h"
#include "platform/postes.h"
#include "tests/support/temp_dir.h"

namespace {

// --- Account groups ------------------------------------------------------------------------------

TEST(Postes, AccountsOfTheFinancialStatementLines) {
    struct Case {
        const char* account;
        int line;
        bool expected;
    } cases[] = {
        // Intangible assets (20...), patents and licences (205...).
        {"205000", 7301, true},
        {"201100", 7301, true},
        {"207000", 7301, true},
        {"211000", 7301, false},
        {"205000", 7306, true},
        {"2051", 7306, true},
        {"206000", 7306, false},
        {"201000", 7306, false},
        // Tangible assets (21..., 22...).
        {"218200", 7302, true},
        {"213100", 7302, true},
        {"221000", 7302, true},
        {"205000", 7302, false},
        {"261000", 7302, false},
        // Financial assets (26..., 27...).
        {"261000", 7303, true},
        {"275000", 7303, true},
        {"218000", 7303, false},
        // Real estate whose VAT is adjusted over twenty years.
        {"213100", 7300, true},
        {"211000", 7300, true},
        {"214000", 7300, true},
        {"215400", 7300, false},
        {"218200", 7300, false},
        // Not asset accounts, empty text, unknown line.
        {"280500", 7301, false},
        {"681100", 7302, false},
        {"", 7301, false},
        {"2", 7301, false},
        {"205000", 9999, false},
        {"X205000", 7306, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(POSTESCompteEstDansPoste(c.account, c.line), c.expected)
            << "account \"" << c.account << "\" line " << c.line;
}

// --- Currencies of origin ------------------------------------------------------------------------

TEST(Devise, FrancsConvertAtTheFixedRate) {
    // 1000 francs / 6.55957 = 152.44901723... euros (the fixed conversion rate of 1999).
    EXPECT_EQ(DeviseConvToDef(CDevise(250, 6.55957), CCurrency(1000)).GetSQL(), "152.4490");
    EXPECT_EQ(DeviseConvToDef(_DeviseFranc, CCurrency(-1000)).GetSQL(), "-152.4490");
    // A franc whose rate was not given takes the fixed rate.
    EXPECT_EQ(DeviseConvToDef(CDevise(250, 0), CCurrency(6.55957)).GetSQL(), "1.0000");
    // 100 units of a currency at 1.1 for one euro.
    EXPECT_EQ(DeviseConvToDef(CDevise(840, 1.1), CCurrency(100)).GetSQL(), "90.9091");
}

TEST(Devise, DefaultCurrencyAndEuroAreNotConverted) {
    const CDevise byDefault;
    EXPECT_EQ(byDefault.Code, 0);
    EXPECT_EQ(byDefault.Taux, -1.0);
    EXPECT_TRUE(byDefault.IsDefault());
    EXPECT_TRUE(CDevise(0, -1.0).IsDefault());
    EXPECT_TRUE(_DeviseEuro.IsDefault());
    EXPECT_FALSE(_DeviseFranc.IsDefault());
    EXPECT_EQ(DeviseConvToDef(CDevise(0, -1.0), CCurrency(1234.5678)).GetSQL(), "1234.5678");
    EXPECT_EQ(DeviseConvToDef(_DeviseEuro, CCurrency(0.0001)).GetSQL(), "0.0001");
    EXPECT_TRUE(DeviseConvToDef(_DeviseFranc, CCurrency()).IsNull());
    EXPECT_FALSE(DeviseConvToDef(_DeviseFranc, CCurrency(0)).IsNull());
    // Assignable and comparable for inequality.
    CDevise devise;
    devise = _DeviseFranc;
    EXPECT_FALSE(devise != _DeviseFranc);
    EXPECT_TRUE(devise != _DeviseEuro);
    EXPECT_TRUE(CDevise(250, 6.55957) != CDevise(250, 6.56));
}

// --- Messages ------------------------------------------------------------------------------------

TEST(Messages, LocationCodeText) {
    EXPECT_EQ(VK_LocationCode(901, 42), 0x0385002AUL);
    EXPECT_EQ(FormatLocationCode(VK_LocationCode(901, 42)), "[0x0385002A]");
    EXPECT_EQ(FormatLocationCode(VK_LocationCode(900, 0)), "[0x03840000]");
    EXPECT_EQ(FormatLocationCode(VK_LocationCode(907, 65535)), "[0x038BFFFF]");
    // A line beyond 16 bits does not spill into the unit number.
    EXPECT_EQ(VK_LocationCode(905, 0x1FFFF) >> 16, 905UL);
}

TEST(Messages, RecordingHandlerAnswersFromItsQueueAndKeepsWhatItWasShown) {
    RecordingMessageHandler recorder;
    recorder.answers = {false, true};
    recorder.defaultAnswer = false;
    {
        ScopedMessageHandler scope(&recorder);
        EXPECT_FALSE(OKTQuestion(L"Supprimer l'immobilisation ?", L"Confirmation", 0));
        EXPECT_TRUE(OKTQuestion(UnicodeString("Supprimer la sortie ?"), UnicodeString("Confirmation"), 0));
        EXPECT_FALSE(OKTQuestion(UnicodeString("Encore ?"), UnicodeString("Confirmation"), 0));
        OKTInformation("Calcul terminé");
        const uint64_t before = ExceptionsShown();
        OKTDisplayException(VK_LocationCode(901, 42), Exception("Échec de l'écriture"), nullptr);
        OKTDisplayException(VK_LocationCode(905, 7), std::runtime_error("autre"), nullptr);
        EXPECT_EQ(ExceptionsShown() - before, 2u);
    }
    ASSERT_EQ(recorder.questions.size(), 3u);
    EXPECT_EQ(recorder.questions[0], "Supprimer l'immobilisation ?");  // wide text arrives as UTF-8
    EXPECT_EQ(recorder.informations, std::vector<UnicodeString>{"Calcul terminé"});
    ASSERT_EQ(recorder.exceptions.size(), 2u);
    EXPECT_EQ(recorder.exceptions[0].code, 0x0385002AUL);
    EXPECT_EQ(recorder.exceptions[0].message, "Échec de l'écriture");
    EXPECT_EQ(recorder.exceptions[1].message, "autre");

    // The scope ended: the recorder hears nothing more.
    testing::internal::CaptureStderr();
    OKTInformation("hors portée");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorder.informations.size(), 1u);
}

TEST(Messages, WideTextOutsideTheBasicPlaneIsConverted) {
    RecordingMessageHandler recorder;
    ScopedMessageHandler scope(&recorder);
    OKTQuestion(L"\u00e9\u20ac\U0001F600", L"Confirmation", 0);
    ASSERT_EQ(recorder.questions.size(), 1u);
    EXPECT_EQ(recorder.questions[0], "é€😀");
}

TEST(Messages, EUserCarriesItsCodeAndCause) {
    EUser error(VK_LocationCode(900, 120), Exception("Table VKB : création impossible"));
    EXPECT_EQ(error.Code, VK_LocationCode(900, 120));
    EXPECT_STREQ(error.what(), "Table VKB : création impossible");
}

TEST(Messages, FileExist) {
    vktest::TempDir dir;
    std::ofstream(dir / "VKB.db") << "x";
    EXPECT_TRUE(OKTFileExist(dir.Path().string(), "VKB.db"));
    EXPECT_FALSE(OKTFileExist(dir.Path().string(), "VKC.db"));
    EXPECT_FALSE(
        OKTFileExist(dir.Path().parent_path().string(), dir.Path().filename().string()));  // a directory
}

// --- Settings file -------------------------------------------------------------------------------

class SettingsFile : public testing::Test {
protected:
    void Write(const char* text) { std::ofstream(path_) << text; }

    vktest::TempDir dir_;
    std::string path_ = dir_ / "dossier.ini";
};

TEST_F(SettingsFile, ReadsTheEngineKeysWithTheirDefaults) {
    Write(
        "[VK]\n"
        "MiseAuxNormes_MethodeRetrospective=1\n"
        "DerogatoireTaux=75,5\n"
        "0=31/12/24D\n"
        "Vide=\n"
        "Texte=abc\n"
        "Point=12.25\n");
    StaticFichierINI ini(path_);
    EXPECT_EQ(ini.GetInteger("VK", "MiseAuxNormes_MethodeRetrospective", -1), 1);
    EXPECT_DOUBLE_EQ(ini.GetDouble("VK", "DerogatoireTaux", 100), 75.5);  // decimal comma
    EXPECT_DOUBLE_EQ(ini.GetDouble("VK", "Point", 0), 12.25);
    EXPECT_EQ(ini.GetString("VK", "0", ""), "31/12/24D");
    EXPECT_EQ(ini.GetString("VK", "1", ""), "");
    // Missing, empty or unreadable values give the default.
    EXPECT_EQ(ini.GetInteger("VK", "Absent", -1), -1);
    EXPECT_EQ(ini.GetInteger("VK", "Vide", -1), -1);
    EXPECT_EQ(ini.GetInteger("VK", "Texte", -1), -1);
    EXPECT_DOUBLE_EQ(ini.GetDouble("VK", "Texte", 100), 100);
    EXPECT_DOUBLE_EQ(ini.GetDouble("Autre", "DerogatoireTaux", 100), 100);
    EXPECT_TRUE(ini.HasKey("VK", "Vide"));
    EXPECT_FALSE(ini.HasKey("VK", "Absent"));
}

TEST_F(SettingsFile, AnIntegerBeyondIntRangeGivesTheDefault) {
    Write("[VK]\nGrand=99999999999\nNegatif=-5\n");
    StaticFichierINI ini(path_);
    EXPECT_EQ(ini.GetInteger("VK", "Grand", -1), -1);
    EXPECT_EQ(ini.GetInteger("VK", "Negatif", 0), -5);
}

TEST_F(SettingsFile, DecimalsAreReadTheSameUnderAFrenchLocale) {
    Write("[VK]\nVirgule=75,5\nPoint=12.25\n");
    StaticFichierINI ini(path_);
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) GTEST_SKIP() << "fr_FR.UTF-8 locale not installed";
    const double comma = ini.GetDouble("VK", "Virgule", 100);
    const double point = ini.GetDouble("VK", "Point", 100);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_DOUBLE_EQ(comma, 75.5);
    EXPECT_DOUBLE_EQ(point, 12.25);
}

TEST_F(SettingsFile, AbsentFileIsEmptyAndSaveWritesIt) {
    {
        StaticFichierINI ini(path_);
        EXPECT_EQ(ini.GetString("VK", "0", "défaut"), "défaut");
        ini.SetInteger("VK", "MiseAuxNormes_MethodeRetrospective", 0);
        ini.SetDouble("VK", "DerogatoireTaux", 33.5);
        ini.SetString("VK", "Libellé", "Été");
        ini.Save();
    }
    StaticFichierINI again(path_);
    EXPECT_EQ(again.GetInteger("VK", "MiseAuxNormes_MethodeRetrospective", -1), 0);
    EXPECT_DOUBLE_EQ(again.GetDouble("VK", "DerogatoireTaux", 100), 33.5);
    EXPECT_EQ(again.GetString("VK", "Libellé", ""), "Été");
}

}  // namespace
