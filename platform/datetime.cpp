#include "platform/datetime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include <fmt/format.h>

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& year, int& month, int& day) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

constexpr long kUnixEpochInDays = 25569;  // 1970-01-01 counted from 1899-12-30

long DayNumber(const TDateTime& date) {
    return static_cast<long>(std::floor(double(date)));
}

bool IsLastDayOfMonth(int year, int month, int day) {
    return day == DaysInMonth(year, month);
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = TDateTime(static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochInDays));
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime date;
    if (!TryEncodeDate(year, month, day, date))
        throw EDateError(fmt::format("Date invalide : {:04}-{:02}-{:02}", year, month, day));
    return date;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    return TDateTime(double(EncodeDate(year, month, day)) + (hour * 3600 + minute * 60 + second) / 86400.0);
}

void DecodeDate(const TDateTime& date, int& year, int& month, int& day) {
    CivilFromDays(DayNumber(date) - kUnixEpochInDays, year, month, day);
}

void DecodeTime(const TDateTime& date, int& hour, int& minute, int& second) {
    double fraction = double(date) - std::floor(double(date));
    long seconds = std::lround(fraction * 86400.0);
    if (seconds >= 86400) seconds = 86399;
    hour = static_cast<int>(seconds / 3600);
    minute = static_cast<int>(seconds / 60 % 60);
    second = static_cast<int>(seconds % 60);
}

TDateTime& operator<<(TDateTime& date, const dateDOS& packed) {
    date = packed.da_year == 0 ? TDateTime() : EncodeDate(packed.da_year, packed.da_mon, packed.da_day);
    return date;
}

TDateTime DateOf(const TDateTime& date) {
    return TDateTime(std::floor(double(date)));
}

TDateTime Now() {
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&t, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec);
}

TDateTime Date() {
    return DateOf(Now());
}

UnicodeString FormatISODate(const TDateTime& date) {
    if (date.IsNull()) return "";
    int y, m, d;
    DecodeDate(date, y, m, d);
    return fmt::format("{:04}-{:02}-{:02}", y, m, d);
}

UnicodeString FormatISODateTime(const TDateTime& date) {
    if (date.IsNull()) return "";
    int h, n, s;
    DecodeTime(date, h, n, s);
    return fmt::format("{} {:02}:{:02}:{:02}", FormatISODate(date), h, n, s);
}

TDateTime ParseISODate(const UnicodeString& text) {
    auto digits = [&](size_t from, size_t count, int& out) {
        out = 0;
        for (size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    int y, m, d;
    TDateTime date;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !digits(0, 4, y) || !digits(5, 2, m) ||
        !digits(8, 2, d) || !TryEncodeDate(y, m, d, date))
        throw EDateError("Date invalide : \"" + text + "\" (attendu AAAA-MM-JJ)");
    return date;
}

int DiffDateJours(const TDateTime& from, const TDateTime& to, bool thirtyDays) {
    if (!thirtyDays) return static_cast<int>(DayNumber(to) - DayNumber(from) + 1);
    int y1, m1, d1, y2, m2, d2;
    DecodeDate(from, y1, m1, d1);
    DecodeDate(to, y2, m2, d2);
    if (d1 > 30 || IsLastDayOfMonth(y1, m1, d1)) d1 = 30;
    if (d2 > 30 || IsLastDayOfMonth(y2, m2, d2)) d2 = 30;
    return (y2 - y1) * 360 + (m2 - m1) * 30 + (d2 - d1) + 1;
}

int DiffDateMois(const TDateTime& from, const TDateTime& to) {
    int y1, m1, d1, y2, m2, d2;
    DecodeDate(from, y1, m1, d1);
    DecodeDate(to, y2, m2, d2);
    int months = (y2 - y1) * 12 + (m2 - m1);
    if (months > 0 && d2 < d1) --months;
    if (months < 0 && d2 > d1) ++months;
    return months;
}

TDateTime AjouteMois(const TDateTime& date, int months) {
    if (date.IsNull()) return date;
    int y, m, d;
    DecodeDate(date, y, m, d);
    long index = static_cast<long>(y) * 12 + (m - 1) + months;
    int year = static_cast<int>(index / 12), month = static_cast<int>(index % 12) + 1;
    int day = d > DaysInMonth(year, month) ? DaysInMonth(year, month) : d;
    double timeOfDay = double(date) - std::floor(double(date));
    return TDateTime(double(EncodeDate(year, month, day)) + timeOfDay);
}

TDateTime PremierJourDuMois(const TDateTime& date) {
    if (date.IsNull()) return date;  // an unknown date has no month
    int y, m, d;
    DecodeDate(date, y, m, d);
    return EncodeDate(y, m, 1);
}

TDateTime DernierJourMois(const TDateTime& date) {
    if (date.IsNull()) return date;
    int y, m, d;
    DecodeDate(date, y, m, d);
    return EncodeDate(y, m, DaysInMonth(y, m));
}
