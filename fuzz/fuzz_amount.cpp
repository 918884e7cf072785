// Fuzz target: reading amounts and rounding doubles.
//
// The input is read as a text by every amount reader (CCurrency::Parse, the host's exact decimal
// readers, the scenario's amount field); its first eight bytes are also taken as a double for the
// double constructor of CCurrency and for Round, and as a count of ten-thousandths for the amount's
// way through a double. Properties:
//  - no exception but the documented one (ECurrencyError, InvalidInput), no crash, no sanitizer report;
//  - what a reader accepts, its writer gives back as a text that reads as the same value
//    (ToString, GetSQL, DecimalToText);
//  - two readers that both accept a text read the same value; a plain decimal text of at most four
//    decimals that fits is accepted by CCurrency::Parse;
//  - CCurrency(double) and Round equal the value read as its 15 significant digits and rounded half
//    away from zero, computed here in exact decimal arithmetic; Round never raises;
//  - an amount of at most 15 significant digits comes back unchanged through a double.
#include <cmath>
#include <cstring>
#include <exception>
#include <typeinfo>

#include "fuzz/fuzz_support.h"
#include "host/json/decimal_text.h"
#include "host/scenario/fields.h"
#include "host/session.h"
#include "platform/currency.h"

namespace {

using vkfuzz::Shown;
using vkhost::DecimalNumber;

std::optional<DecimalNumber> ReadBack(const std::string& text) {
    return text.find('e') == std::string::npos ? vkhost::ParsePlainDecimal(text)
                                               : vkhost::ParseJsonNumber(text);
}

void CheckDecimalRoundTrip(const DecimalNumber& number, std::string_view input) {
    std::string text = vkhost::DecimalToText(number);
    std::optional<DecimalNumber> again = ReadBack(text);
    VKFUZZ_CHECK(again && *again == number,
                 "DecimalToText gave \"{}\", which does not read back (input \"{}\")", Shown(text),
                 Shown(input));
    for (int decimals = 0; decimals <= 6; ++decimals) {
        DecimalNumber rounded = vkhost::RoundDecimal(number, decimals);
        VKFUZZ_CHECK(
            vkhost::DecimalPlaces(rounded) <= decimals && vkhost::RoundDecimal(rounded, decimals) == rounded,
            "RoundDecimal({}, {}) gave {}", Shown(text), decimals, vkhost::DecimalToText(rounded));
    }
}

std::optional<CCurrency> ParseCurrency(const std::string& text) {
    try {
        return CCurrency::Parse(text);
    } catch (const ECurrencyError&) {
        return std::nullopt;
    }
}

// Digits after the decimal point, as written.
size_t WrittenDecimals(const std::string& text) {
    size_t point = text.find('.');
    return point == std::string::npos ? 0 : text.size() - point - 1;
}

void CheckTextReaders(const std::string& text) {
    std::optional<CCurrency> parsed = ParseCurrency(text);
    if (parsed) {
        VKFUZZ_CHECK(!parsed->IsNull(), "Parse(\"{}\") gave the null amount", Shown(text));
        VKFUZZ_CHECK(ParseCurrency(parsed->ToString()) == parsed && ParseCurrency(parsed->GetSQL()) == parsed,
                     "Parse(\"{}\") = {} does not read back from \"{}\" and \"{}\"", Shown(text),
                     parsed->Count(), parsed->ToString(), parsed->GetSQL());
    }
    std::optional<DecimalNumber> plain = vkhost::ParsePlainDecimal(text);
    if (plain) {
        CheckDecimalRoundTrip(*plain, text);
        int64_t count = 0;
        bool fits = vkhost::ToScaledCount(*plain, 4, count);
        if (fits && parsed)
            VKFUZZ_CHECK(parsed->Count() == count, "\"{}\": Parse gives {}, the decimal reader {}",
                         Shown(text), parsed->Count(), count);
        if (fits && WrittenDecimals(text) <= 4)
            VKFUZZ_CHECK(parsed.has_value(), "\"{}\" ({} ten-thousandths) is refused by CCurrency::Parse",
                         Shown(text), count);
    }
    if (std::optional<DecimalNumber> number = vkhost::ParseJsonNumber(text))
        CheckDecimalRoundTrip(*number, text);

    for (auto kind : {vkhost::JsonValue::Kind::String, vkhost::JsonValue::Kind::Number}) {
        vkhost::JsonValue value;
        value.kind = kind;
        value.text = text;
        try {
            CCurrency amount = vkhost::fields::ReadAmount(value, "amount");
            if (kind != vkhost::JsonValue::Kind::String) continue;
            int64_t count = 0;
            VKFUZZ_CHECK(plain && vkhost::ToScaledCount(*plain, 4, count) && amount.Count() == count &&
                             (!parsed || *parsed == amount),
                         "ReadAmount of the text \"{}\" gives {}, the other readers disagree", Shown(text),
                         amount.GetSQL());
        } catch (const vkhost::InvalidInput&) {
        }
    }
}

// The value of a double read as its 15 significant digits, exactly.
DecimalNumber FifteenDigits(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", value);
    std::optional<DecimalNumber> number = vkhost::ParseJsonNumber(text);
    VKFUZZ_CHECK(number.has_value(), "\"{}\" is not a number", text);
    return *number;
}

std::string DoubleText(double value) {
    return fmt::format("{:.17g}", value);
}

void CheckDoubleConstructor(double value) {
    std::optional<int64_t> expected;  // nullopt: ECurrencyError expected
    if (std::isfinite(value)) {
        int64_t count = 0;
        if (vkhost::ToScaledCount(vkhost::RoundDecimal(FifteenDigits(value), 4), 4, count)) expected = count;
    }
    try {
        CCurrency amount(value);
        if (value == CCurrency::NullDouble) {
            VKFUZZ_CHECK(amount.IsNull(), "CCurrency(lowest double) is not null");
            return;
        }
        VKFUZZ_CHECK(expected && !amount.IsNull() && amount.Count() == *expected,
                     "CCurrency({}) = {} ten-thousandths, expected {}", DoubleText(value), amount.Count(),
                     expected ? std::to_string(*expected) : "ECurrencyError");
    } catch (const ECurrencyError&) {
        VKFUZZ_CHECK(!expected, "CCurrency({}) raised, expected {} ten-thousandths", DoubleText(value),
                     *expected);
    }
}

void CheckRound(double value, int decimals) {
    double rounded = 0;
    try {
        rounded = Round(value, decimals);
    } catch (const std::exception& e) {
        vkfuzz::Broken(fmt::format("Round({}, {}) raised \"{}\"", DoubleText(value), decimals, e.what()));
    }
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) {
        VKFUZZ_CHECK(std::isnan(value) ? std::isnan(rounded) : rounded == value,
                     "Round({}, {}) = {} changed a value it cannot round", DoubleText(value), decimals,
                     DoubleText(rounded));
        return;
    }
    DecimalNumber expected = vkhost::RoundDecimal(FifteenDigits(value), decimals);
    if (expected.IsZero()) {
        VKFUZZ_CHECK(rounded == 0, "Round({}, {}) = {}, expected 0", DoubleText(value), decimals,
                     DoubleText(rounded));
        return;
    }
    // The exact decimal and the double returned agree on 15 significant digits.
    VKFUZZ_CHECK(FifteenDigits(rounded) ==
                     FifteenDigits(std::strtod(vkhost::DecimalToText(expected).c_str(), nullptr)),
                 "Round({}, {}) = {}, expected {}", DoubleText(value), decimals, DoubleText(rounded),
                 vkhost::DecimalToText(expected));
}

void CheckThroughDouble(int64_t raw) {
    const int64_t count = raw % 1000000000000000LL;  // at most 15 significant digits
    CCurrency amount = CCurrency::FromCount(count);
    CCurrency back(amount.AsDouble());
    VKFUZZ_CHECK(back == amount, "{} becomes {} through a double", amount.GetSQL(), back.GetSQL());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        CheckTextReaders(text);
        if (size >= 8) {
            double value;
            int64_t raw;
            std::memcpy(&value, data, 8);
            std::memcpy(&raw, data, 8);
            CheckDoubleConstructor(value);
            CheckRound(value, size > 8 ? data[8] % 16 : 2);
            CheckThroughDouble(raw);
        }
    } catch (const std::exception& e) {
        vkfuzz::Broken(
            fmt::format("{} escaped: \"{}\" (input \"{}\")", typeid(e).name(), Shown(e.what()), Shown(text)));
    }
    return 0;
}
