// Fuzz target: the SQL literal formatters, checked against a real embedded Firebird database.
//
// The first byte of the input chooses a formatter ('S' text, 'A' amount, 'D' double, 'T' dates,
// 'I' integers, 'B' booleans; any other byte by its value modulo 6), the rest gives the value. The
// literal is written into a column of the type the engine stores such values in, read back, and
// compared with the value formatted, to the precision the formatter promises:
//  - VK_FormatAS into VARCHAR(32000) of a WIN1252 database: exact for a text that WIN1252 holds;
//    any other text (not UTF-8, a character outside WIN1252, a NUL) must make the statement fail,
//    never store something else;
//  - CCurrency::GetSQL into DECIMAL(18,4): exact, for every amount;
//  - VK_FormatDouble into DOUBLE PRECISION: the same 15 significant digits; a value with no such
//    literal (not finite, or whose 15 digits overflow a double) must make the statement fail, and
//    one below 1e-294 in magnitude may (Firebird cannot scale its digits below 10^-308);
//  - VK_FormatDate into DATE (without time) and TIMESTAMP (with time), ISO and US forms: the same
//    day, and the same second for a timestamp;
//  - VK_FormatInt, VK_FormatUnsignedShort, VK_Format_ID, VK_FormatBool: exact;
//  - each null sentinel gives SQL NULL.
// One database per fuzzing process, created in $TMPDIR and reused; every input's changes are
// rolled back. The process runs under the French locale when it exists, whose decimal comma
// VK_FormatDouble must not let into the statement.
#include <locale.h>
#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <typeinfo>

#include "fuzz/fuzz_support.h"
#include "platform/db/ibx.h"
#include "units/uvkdivers.h"

namespace {

using vkfuzz::Shown;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// The database

class LiteralDatabase {
public:
    LiteralDatabase() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = (fs::path(tmp && *tmp ? tmp : "/tmp") / "vkfuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) vkfuzz::Broken("cannot create a temporary directory");
        directory_ = pattern;
        database_.Create((directory_ / "literals.fdb").string());
        database_.ExecuteImmediate(
            "CREATE TABLE LITERALS (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(32000), AMOUNT "
            "DECIMAL(18,4),"
            "REAL_VALUE DOUBLE PRECISION, DAY_VALUE DATE, STAMP TIMESTAMP, INT_VALUE INTEGER,"
            "SHORT_VALUE INTEGER, ID_VALUE BIGINT, FLAG SMALLINT, WORD BOOLEAN)");
        database_.DefaultTransaction().Commit();
        database_.ExecuteImmediate("INSERT INTO LITERALS (ID) VALUES (1)");
        database_.DefaultTransaction().Commit();
    }
    ~LiteralDatabase() {
        try {
            database_.Drop();
        } catch (const std::exception&) {
        }
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    // Writes the literal into the column; false when the database refused the statement.
    bool Write(const std::string& column, const std::string& literal, std::string& error) {
        try {
            database_.ExecuteImmediate("UPDATE LITERALS SET " + column + " = " + literal + " WHERE ID = 1");
            return true;
        } catch (const EIBError& e) {
            error = e.what();
            return false;
        }
    }

    // Reads the column back and hands its field to `check`.
    template <typename Check>
    void Read(const std::string& column, Check check) {
        TIBQuery query(&database_);
        query.SQL.SetText("SELECT " + column + " FROM LITERALS WHERE ID = 1");
        query.Open();
        VKFUZZ_CHECK(!query.Eof(), "the row of LITERALS is gone");
        check(*query.Fields(0));
        query.Close();
    }

    void Rollback() { database_.DefaultTransaction().Rollback(); }

private:
    fs::path directory_;
    TIBDatabase database_;
};

std::unique_ptr<LiteralDatabase> gDatabase;

void CloseDatabase() {
    gDatabase.reset();
    IBShutdown();
}

// Writes and reads back; `expectWritten`: true must succeed, false must fail, nullopt either.
template <typename Check>
void RoundTrip(const std::string& column, const std::string& literal, std::optional<bool> expectWritten,
               Check check) {
    std::string error;
    bool written = gDatabase->Write(column, literal, error);
    VKFUZZ_CHECK(!expectWritten || written == *expectWritten, "{} = {}: {}", column, Shown(literal),
                 written ? "written, but no such value can be written" : "refused: " + error);
    if (written) gDatabase->Read(column, check);
}

// ---------------------------------------------------------------------------------------------
// Reading the input

std::array<unsigned char, 8> Bytes8(std::string_view payload) {
    std::array<unsigned char, 8> bytes{};
    std::memcpy(bytes.data(), payload.data(), std::min(payload.size(), bytes.size()));
    return bytes;
}

template <typename T>
T Raw(std::string_view payload) {
    auto bytes = Bytes8(payload);
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

std::string FifteenDigits(double value) {
    return fmt::format("{:.14e}", value);
}

// ---------------------------------------------------------------------------------------------
// Texts

// Characters of WIN1252 beyond Latin-1's printable ones: those of its bytes 0x80 to 0x9F.
bool InWin1252(char32_t c) {
    static const char32_t kHigh[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
                                     0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                     0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
    if ((c >= 0x01 && c <= 0x7F) || (c >= 0xA0 && c <= 0xFF)) return true;
    for (char32_t h : kHigh)
        if (c == h) return true;
    return false;
}

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in WIN1252; a database may map them to
// the C1 controls of the same number or refuse them. A NUL inside a text may likewise be kept or
// refused: kept, it must read back unchanged.
bool UndefinedInWin1252(char32_t c) {
    return c == 0x00 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

void CheckText(std::string_view payload) {
    const std::string text(payload);
    const std::string literal = VK_FormatAS(text);
    if (text.empty()) {
        VKFUZZ_CHECK(literal == "NULL", "VK_FormatAS(\"\") = {}", literal);
        RoundTrip("TXT", literal, true,
                  [&](TField& f) { VKFUZZ_CHECK(f.IsNull(), "empty text not read as NULL"); });
        return;
    }
    std::optional<bool> expect = false;
    if (auto points = vkfuzz::DecodeUtf8(text); points && points->size() <= 32000) {
        bool all = true, undefined = false;
        for (char32_t c : *points) {
            undefined = undefined || UndefinedInWin1252(c);
            all = all && (InWin1252(c) || UndefinedInWin1252(c));
        }
        if (all) expect = undefined ? std::nullopt : std::optional<bool>(true);
    }
    RoundTrip("TXT", literal, expect, [&](TField& f) {
        VKFUZZ_CHECK(!f.IsNull() && f.AsString() == text, "text \"{}\" written as {} reads back as \"{}\"",
                     Shown(text), Shown(literal), Shown(f.AsString()));
    });
}

// ---------------------------------------------------------------------------------------------
// Amounts and doubles

void CheckAmount(std::string_view payload) {
    CCurrency amount;
    if (payload == "NULL") {
        amount = CCurrency::Null();
    } else {
        try {
            amount = CCurrency::Parse(std::string(payload));
        } catch (const ECurrencyError&) {
            amount = CCurrency::FromCount(Raw<int64_t>(payload));
        }
    }
    const std::string literal = amount.GetSQL();
    RoundTrip("AMOUNT", literal, true, [&](TField& f) {
        CCurrency back = f.AsCurrency();
        VKFUZZ_CHECK(back == amount, "amount {} ({} ten-thousandths) written as {} reads back as {}",
                     amount.IsNull() ? "null" : amount.ToString(), amount.Count(), literal,
                     back.IsNull() ? "null" : back.GetSQL());
    });
}

double DoubleOf(std::string_view payload) {
    double value = 0;
    auto [end, error] = std::from_chars(payload.data(), payload.data() + payload.size(), value);
    if (!payload.empty() && error == std::errc() && end == payload.data() + payload.size()) return value;
    return Raw<double>(payload);
}

void CheckDouble(std::string_view payload) {
    const double value = DoubleOf(payload);
    const std::string literal = VK_FormatDouble(value);
    if (value == VK_DoubleNull) {
        VKFUZZ_CHECK(literal == "NULL", "VK_FormatDouble(lowest) = {}", literal);
        RoundTrip("REAL_VALUE", literal, true,
                  [&](TField& f) { VKFUZZ_CHECK(f.IsNull(), "lowest double not NULL"); });
        return;
    }
    // The value the literal stands for, read in exact decimal and rounded once to a double.
    static const locale_t kPlainNumbers = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
    char* end = nullptr;
    const double meant = strtod_l(literal.c_str(), &end, kPlainNumbers);
    const bool number = !literal.empty() && end == literal.c_str() + literal.size();
    VKFUZZ_CHECK(number || !std::isfinite(value), "VK_FormatDouble({}) = {} is not a number",
                 FifteenDigits(value), literal);
    // Firebird refuses a literal whose value is not finite, and one whose digits need a power of ten
    // below 10^-308 (it scales the digits read by that power): "9.99999999999999E-295" is refused,
    // "1E-300" read. No 15-digit literal of a value below 1e-294 in magnitude is sure to be read.
    std::optional<bool> expect = number && std::isfinite(meant);
    if (*expect && meant != 0 && std::fabs(meant) < 1e-294) expect = std::nullopt;
    RoundTrip("REAL_VALUE", literal, expect, [&](TField& f) {
        double back = f.AsFloat();
        VKFUZZ_CHECK(
            !f.IsNull() && (FifteenDigits(back) == FifteenDigits(value) || (back == 0 && value == 0)),
            "double {} written as {} reads back as {}", fmt::format("{:.17g}", value), literal,
            fmt::format("{:.17g}", back));
    });
}

// ---------------------------------------------------------------------------------------------
// Dates

constexpr int kFirstDay = -693593;  // 0001-01-01 counted from 1899-12-30
constexpr int kLastDay = 2958465;   // 9999-12-31

TDateTime DateFromInput(std::string_view payload) {
    std::string text(payload);
    if (text.size() >= 10) {
        TDateTime day;
        int h = 0, n = 0, s = 0;
        try {
            day = ParseISODate(text.substr(0, 10));
            if (text.size() == 19 && std::sscanf(text.c_str() + 10, " %2d:%2d:%2d", &h, &n, &s) == 3 &&
                h < 24 && n < 60 && s < 60 && h >= 0 && n >= 0 && s >= 0)
                return TDateTime(double(day) + (h * 3600 + n * 60 + s) / 86400.0);
            if (text.size() == 10) return day;
        } catch (const EDateError&) {
        }
    }
    uint32_t days = Raw<uint32_t>(payload),
             seconds = Raw<uint32_t>(payload.size() > 4 ? payload.substr(4) : "");
    return TDateTime(kFirstDay + double(days % uint32_t(kLastDay - kFirstDay + 1)) +
                     (seconds % 86400) / 86400.0);
}

std::string Stamp(TDateTime date) {
    int y, m, d, h, n, s;
    DecodeDate(date, y, m, d);
    DecodeTime(date, h, n, s);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", y, m, d, h, n, s);
}

void CheckDates(std::string_view payload) {
    const TDateTime date = DateFromInput(payload);
    for (bool iso : {true, false}) {
        const std::string day = VK_FormatDate(date, false, iso);
        const std::string stamp = VK_FormatDate(date, true, iso);
        if (date.IsNull()) {
            VKFUZZ_CHECK(day == "NULL" && stamp == "NULL", "null date written {} and {}", day, stamp);
            RoundTrip("DAY_VALUE", day, true,
                      [&](TField& f) { VKFUZZ_CHECK(f.IsNull(), "null date not NULL"); });
            continue;
        }
        RoundTrip("DAY_VALUE", day, true, [&](TField& f) {
            VKFUZZ_CHECK(!f.IsNull() && f.AsDateTime() == DateOf(date),
                         "date {} written as {} reads back as {}", Stamp(date), day, Stamp(f.AsDateTime()));
        });
        RoundTrip("STAMP", stamp, true, [&](TField& f) {
            VKFUZZ_CHECK(!f.IsNull() && Stamp(f.AsDateTime()) == Stamp(date),
                         "timestamp {} written as {} reads back as {}", Stamp(date), stamp,
                         Stamp(f.AsDateTime()));
        });
    }
}

// ---------------------------------------------------------------------------------------------
// Integers and booleans

template <typename T>
void CheckInteger(const char* column, T value, bool isNull, const std::string& literal) {
    RoundTrip(column, literal, true, [&](TField& f) {
        VKFUZZ_CHECK(isNull ? f.IsNull() : !f.IsNull() && f.AsInt64() == int64_t(value),
                     "{} {} written as {} reads back as {}", column, value, literal,
                     f.IsNull() ? "NULL" : std::to_string(f.AsInt64()));
    });
}

void CheckIntegers(std::string_view payload) {
    const auto bytes = Bytes8(payload);
    int32_t integer;
    uint16_t shortValue;
    uint32_t id;
    std::memcpy(&integer, bytes.data(), 4);
    std::memcpy(&shortValue, bytes.data() + 4, 2);
    std::memcpy(&id, bytes.data() + 2, 4);
    CheckInteger("INT_VALUE", integer, integer == VK_IntNull, VK_FormatInt(integer));
    CheckInteger("SHORT_VALUE", shortValue, shortValue == VK_UShortNull, VK_FormatUnsignedShort(shortValue));
    CheckInteger("ID_VALUE", id, id == 0, VK_Format_ID(id));
}

void CheckBooleans(std::string_view payload) {
    const bool value = !payload.empty() && (payload[0] & 1);
    const std::string numeric = VK_FormatBool(value, true), word = VK_FormatBool(value, false);
    RoundTrip("FLAG", numeric, true, [&](TField& f) {
        VKFUZZ_CHECK(!f.IsNull() && f.AsInt64() == (value ? 1 : 0), "flag {} written as {}", value, numeric);
    });
    RoundTrip("WORD", word, true, [&](TField& f) {
        VKFUZZ_CHECK(!f.IsNull() && f.AsBoolean() == value, "boolean {} written as {}", value, word);
    });
}

void Check(char selector, std::string_view payload) {
    static const char kKinds[] = {'S', 'A', 'D', 'T', 'I', 'B'};
    const bool named = selector != 0 && std::strchr("SADTIB", selector) != nullptr;
    const char kind = named ? selector : kKinds[static_cast<unsigned char>(selector) % 6];
    switch (kind) {
        case 'S':
            return CheckText(payload);
        case 'A':
            return CheckAmount(payload);
        case 'D':
            return CheckDouble(payload);
        case 'T':
            return CheckDates(payload);
        case 'I':
            return CheckIntegers(payload);
        default:
            return CheckBooleans(payload);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::setlocale(LC_ALL, "fr_FR.UTF-8")) std::setlocale(LC_ALL, "C.UTF-8");
    gDatabase = std::make_unique<LiteralDatabase>();
    std::atexit(CloseDatabase);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string_view payload(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        Check(static_cast<char>(data[0]), payload);
    } catch (const std::exception& e) {
        vkfuzz::Broken(fmt::format("{} escaped: \"{}\" (input \"{}\")", typeid(e).name(), Shown(e.what()),
                                   Shown(std::string_view(reinterpret_cast<const char*>(data), size))));
    }
    gDatabase->Rollback();
    return 0;
}
