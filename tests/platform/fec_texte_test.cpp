// The SIREN check, the ISO 8859-15 conversion and the two-decimal amounts of the FEC.
#include <gtest/gtest.h>

#include "platform/dossier.h"
#include "platform/fec.h"

namespace {

TEST(Siren, LuhnCheckOnNineDigits) {
    // 732829320 and 552100554 are SIRENs of registered companies (their Luhn sums are multiples of 10).
    const struct {
        const char* siren;
        bool valid;
    } cases[] = {{"732829320", true},   {"552100554", true},  {"123456789", false}, {"73282932", false},
                 {"7328293200", false}, {"73282932A", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(SirenValide(c.siren), c.valid) << c.siren;
}

TEST(Iso885915, TheEightCodesThatDifferFromLatin1AndTheCharactersItLacks) {
    // ISO/IEC 8859-15 replaces eight codes of ISO 8859-1: A4 €, A6 Š, A8 š, B4 Ž, B8 ž, BC Œ, BD œ,
    // BE Ÿ; the characters latin-1 had there (¤ ¦ ¨ ´ ¸ ¼ ½ ¾) have no code any more.
    const struct {
        const char* utf8;
        const char* code;  // nullptr: no code in the set
    } cases[] = {{"\xE2\x82\xAC", "\xA4"},
                 {"\xC5\xA0", "\xA6"},
                 {"\xC5\xA1", "\xA8"},
                 {"\xC5\xBD", "\xB4"},
                 {"\xC5\xBE", "\xB8"},
                 {"\xC5\x92", "\xBC"},
                 {"\xC5\x93", "\xBD"},
                 {"\xC5\xB8", "\xBE"},
                 {"\xC3\xA9", "\xE9"},
                 {"\xC3\xBF", "\xFF"},
                 {"A", "A"},
                 {"\xC2\xA4", nullptr},
                 {"\xC2\xBD", nullptr},
                 {"\xE2\x80\x94", nullptr},
                 {"\xF0\x9F\x98\x80", nullptr}};
    for (const auto& c : cases) {
        std::string out;
        const bool coded = fec::VersIso885915(c.utf8, out);
        EXPECT_EQ(coded, c.code != nullptr) << c.utf8;
        if (!coded || !c.code) continue;
        EXPECT_EQ(out, c.code) << c.utf8;
        EXPECT_EQ(fec::DepuisIso885915(out), c.utf8) << "back from " << c.code;
    }
}

TEST(MontantDeuxDecimales, ExactlyTwoDecimalsAndNoFractionOfACent) {
    UnicodeString text;
    ASSERT_TRUE(fec::MontantDeuxDecimales(CCurrency::FromCount(12345000), text));
    EXPECT_EQ(text, "1234,50");
    ASSERT_TRUE(fec::MontantDeuxDecimales(CCurrency::FromCount(-100), text));
    EXPECT_EQ(text, "-0,01");
    EXPECT_FALSE(fec::MontantDeuxDecimales(CCurrency::FromCount(12345), text)) << "1,2345";
}

}  // namespace
