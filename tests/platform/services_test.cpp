// Account groups, currencies of origin, messages and location codes, the settings file.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <sstream>

#include "platform/devise.h"
#include "platform/inifile.h"
#include "platform/messages.h"
#include "platform/postes.h"
#include "tests/support/temp_dir.h"

namespace {

// --- Account groups ------------------------------------------------------------------------------

TEST(Postes, AccountsOfTheFinancialStatementLines) {
    // Line, whether the accounts are in it, the accounts ("_" the empty text).
    const struct {
        int line;
        bool expected;
        const char* accounts;
    } cases[] = {// Intangible assets (20...), patents and licences (205...).
                 {7301, true, "205000 201100 207000"},
                 {7306, true, "205000 2051"},
                 {7306, false, "206000 201000 X205000"},
                 // Tangible assets (21..., 22...).
                 {7302, true, "218200 213100 221000"},
                 {7302, false, "205000 261000"},
                 // Financial assets (26..., 27...).
                 {7303, true, "261000 275000"},
                 {7303, false, "218000"},
                 // Real estate whose VAT is adjusted over twenty years.
                 {7300, true, "213100 211000 214000"},
                 {7300, false, "215400 218200"},
                 // Not asset accounts, empty text, unknown line.
                 {7301, false, "211000 280500 _ 2"},
                 {7302, false, "681100"},
                 {9999, false, "205000"}};
    for (const auto& c : cases) {
        std::istringstream accounts(c.accounts);
        for (std::string account; accounts >> account;) {
            if (account == "_") account.clear();
            EXPECT_EQ(POSTESCompteEstDansPoste(account, c.line), c.expected)
                << "account \"" << account << "\" line " << c.line;
        }
    }
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
    EXPECT_TRUE(CDevise().IsDefault());
    EXPECT_TRUE(CDevise(0, -1.0).IsDefault());
    EXPECT_TRUE(_DeviseEuro.IsDefault());
    EXPECT_FALSE(_DeviseFranc.IsDefault());
    EXPECT_EQ(DeviseConvToDef(CDevise(0, -1.0), CCurrency(1234.5678)).GetSQL(), "1234.5678");
    EXPECT_EQ(DeviseConvToDef(_DeviseEuro, CCurrency(0.0001)).GetSQL(), "0.0001");
    EXPECT_TRUE(DeviseConvToDef(_DeviseFranc, CCurrency()).IsNull());
    EXPECT_FALSE(DeviseConvToDef(_DeviseFranc, CCurrency(0)).IsNull());
    // Comparable for inequality: the rate counts.
    EXPECT_FALSE(CDevise(_DeviseFranc) != _DeviseFranc);
    EXPECT_TRUE(_DeviseFranc != _DeviseEuro);
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
        OKTQuestion(L"\u00e9\u20ac\U0001F600", L"Confirmation", 0);
        OKTInformation("Calcul terminé");
        const uint64_t before = ExceptionsShown();
        OKTDisplayException(VK_LocationCode(901, 42), Exception("Échec de l'écriture"), nullptr);
        OKTDisplayException(VK_LocationCode(905, 7), std::runtime_error("autre"), nullptr);
        EXPECT_EQ(ExceptionsShown() - before, 2u);
    }
    ASSERT_EQ(recorder.questions.size(), 4u);
    EXPECT_EQ(recorder.questions[0], "Supprimer l'immobilisation ?");  // wide text arrives as UTF-8
    EXPECT_EQ(recorder.questions[3], "é€😀") << "outside the basic plane";
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
        "Point=12.25\n"
        "Grand=99999999999\n"
        "Negatif=-5\n");
    StaticFichierINI ini(path_);
    // An integer beyond the range of an int gives the default.
    EXPECT_EQ(ini.GetInteger("VK", "Grand", -1), -1);
    EXPECT_EQ(ini.GetInteger("VK", "Negatif", 0), -5);
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
