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

TEST(Iso885915, EuroAndOeHaveTheirCodesAndCurrencySignIsRefused) {
    std::string out;
    ASSERT_TRUE(fec::VersIso885915("\xE2\x82\xAC \xC5\x93 \xC3\xA9", out));  // € œ é
    EXPECT_EQ(out, "\xA4 \xBD \xE9");
    EXPECT_EQ(fec::DepuisIso885915(out), "\xE2\x82\xAC \xC5\x93 \xC3\xA9");
    std::string refused;
    EXPECT_FALSE(fec::VersIso885915("\xC2\xA4", refused)) << "U+00A4 has no code in ISO 8859-15";
    EXPECT_FALSE(fec::VersIso885915("\xE2\x80\x94", refused)) << "an em dash has none either";
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
