// Exact reading of JSON numbers and decimal texts, and the JSON reader's own refusals.
#include <gtest/gtest.h>

#include "host/json/decimal_text.h"
#include "host/json/value.h"
#include "host/session.h"

namespace vkhost {
namespace {

TEST(DecimalText, ReadsJsonNumbersAndPlainDecimals) {
    struct Case {
        const char* text;
        bool json;            // read as a JSON number (else as a plain decimal)
        const char* written;  // DecimalToText, or nullptr when refused
    };
    const Case cases[] = {
        {"0", true, "0"},
        {"-0", true, "0"},
        {"12.500", true, "12.5"},
        {"1.5E-3", true, "0.0015"},
        {"25e2", true, "2500"},
        {"1e+2", true, "100"},
        {"0.0001", true, "0.0001"},
        {"123456789012345678901234567890", true, "123456789012345678901234567890"},
        {"01", true, nullptr},
        {"+1", true, nullptr},
        {".5", true, nullptr},
        {"5.", true, nullptr},
        {"1e", true, nullptr},
        {"- 1", true, nullptr},
        {"", true, nullptr},
        {"007.50", false, "7.5"},
        {"-12.5", false, "-12.5"},
        {"1e3", false, nullptr},
        {"12,5", false, nullptr},
        {" 1", false, nullptr},
    };
    for (const Case& c : cases) {
        std::optional<DecimalNumber> number = c.json ? ParseJsonNumber(c.text) : ParsePlainDecimal(c.text);
        if (!c.written) {
            EXPECT_FALSE(number.has_value()) << '"' << c.text << "\" accepted";
        } else {
            EXPECT_EQ(number ? DecimalToText(*number) : "(refused)", c.written) << c.text;
        }
    }
}

TEST(DecimalText, ScaledCountsStopAtTheirLimits) {
    struct Case {
        const char* text;
        int scale;
        bool fits;
        int64_t count;
    };
    const Case cases[] = {
        {"12345678901234.5678", 4, true, 123456789012345678LL},
        {"0.1", 4, true, 1000},
        {"0.00005", 4, false, 0},
        {"9223372036854775807", 0, true, INT64_MAX},
        {"-9223372036854775808", 0, true, INT64_MIN},
        {"9223372036854775808", 0, false, 0},
        {"922337203685477.5808", 4, false, 0},
        {"1e19", 0, false, 0},
        {"1e18", 0, true, 1000000000000000000LL},
    };
    for (const Case& c : cases) {
        int64_t count = -1;
        bool fits = ToScaledCount(*ParseJsonNumber(c.text), c.scale, count);
        EXPECT_EQ(fits, c.fits) << c.text;
        if (c.fits) {
            EXPECT_EQ(count, c.count) << c.text;
        }
    }
}

TEST(DecimalText, RoundsHalfAwayFromZero) {
    struct Case {
        const char* text;
        int decimals;
        const char* rounded;
    };
    const Case cases[] = {
        {"2.675", 2, "2.68"},
        {"-2.675", 2, "-2.68"},
        {"2.674999", 2, "2.67"},
        {"0.00005", 4, "0.0001"},
        {"0.00004", 4, "0"},
        {"9.99995", 4, "10"},
        {"1e-7", 4, "0"},
        {"0.5", 0, "1"},
        {"0.49", 0, "0"},
        {"123", 0, "123"},
        {"1.5e3", 4, "1500"},
        {"99.5", 0, "100"},
        {"13798.705", 2, "13798.71"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecimalToText(RoundDecimal(*ParseJsonNumber(c.text), c.decimals)), c.rounded)
            << c.text << " to " << c.decimals;
}

TEST(JsonReader, KeepsNumbersAsWrittenAndMembersInOrder) {
    JsonValue v = ParseJson(R"({"b": 12345678901234.5678, "a": [1, -2, 1e300, "x", null, true]})");
    ASSERT_TRUE(v.IsObject());
    ASSERT_EQ(v.members.size(), 2u);
    EXPECT_EQ(v.members[0].first, "b");
    EXPECT_EQ(v.members[0].second.text, "12345678901234.5678");
    const JsonValue& a = *v.Find("a");
    EXPECT_EQ(ToJsonText(a), R"([1,-2,1e300,"x",null,true])");
}

TEST(JsonReader, Refusals) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {R"({"a": {"b": 1, "b": 2}})", "a.b: champ donné deux fois"},
        {"[1, \"\xFF\"]", "[1]: doit être un texte UTF-8 valide"},
        {"{\"k\": [0, 1, \"\\ud800\"]}", "k[2]: doit être un texte UTF-8 valide"},
    };
    for (const Case& c : cases) {
        try {
            ParseJson(c.text);
            ADD_FAILURE() << c.text << " accepted";
        } catch (const InvalidInput& e) {
            EXPECT_STREQ(e.what(), c.message) << c.text;
        }
    }
}

}  // namespace
}  // namespace vkhost
