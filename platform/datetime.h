// Day-based date-time values and the date arithmetic of the tools library.
//
// A TDateTime is a count of days since 30 December 1899, the time of day being the fraction. The
// value 0 is the null date. Business dates are whole days; only the creation and validation stamps
// of an asset carry a time of day.
#pragma once

#include <type_traits>

#include "platform/system.h"

class TDateTime {
  public:
    constexpr TDateTime() = default;
    constexpr TDateTime(double value) : val_(value) {}  // NOLINT: a date is a number of days
    constexpr operator double() const { return val_; }  // NOLINT

    constexpr bool IsNull() const { return val_ == 0; }
    TDateTime& operator+=(double days) {
        val_ += days;
        return *this;
    }
    TDateTime& operator-=(double days) {
        val_ -= days;
        return *this;
    }

  private:
    double val_ = 0;
};

// Moving a date by a number of days keeps it a date; the difference of two dates is a number.
template <typename N>
requires std::is_arithmetic_v<N>
constexpr TDateTime operator+(TDateTime date, N days) {
    return TDateTime(double(date) + days);
}
template <typename N>
requires std::is_arithmetic_v<N>
constexpr TDateTime operator-(TDateTime date, N days) {
    return TDateTime(double(date) - days);
}
constexpr double operator-(TDateTime a, TDateTime b) {
    return double(a) - double(b);
}

// A legacy packed date: day, month and year.
struct dateDOS {
    unsigned char da_day = 0;
    unsigned char da_mon = 0;
    short da_year = 0;
};
TDateTime& operator<<(TDateTime& date, const dateDOS& packed);

class EDateError : public Exception {
  public:
    using Exception::Exception;
};

// Builds a date; raises EDateError for a day that does not exist (31 February, year 0, ...).
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);
void DecodeDate(const TDateTime& date, int& year, int& month, int& day);
void DecodeTime(const TDateTime& date, int& hour, int& minute, int& second);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// The whole-day part of a date (its time of day dropped).
TDateTime DateOf(const TDateTime& date);
// Today and now, from the system clock (local time).
TDateTime Date();
TDateTime Now();

// "yyyy-mm-dd" and "yyyy-mm-dd hh:nn:ss"; "" for the null date.
UnicodeString FormatISODate(const TDateTime& date);
UnicodeString FormatISODateTime(const TDateTime& date);
// Reads "yyyy-mm-dd"; raises EDateError for a malformed or impossible date.
TDateTime ParseISODate(const UnicodeString& text);

// Days between two dates.
// With thirtyDays true: both ends counted, every whole month 30 days and a 12-month year 360
// (European 30/360: a day 31, or the last day of February, counts as day 30). 1 March to
// 31 December gives 300, 1 January to 31 December 360, 15 March to 31 December 286.
// With thirtyDays false: calendar days, both ends counted (1 to 31 January gives 31).
int DiffDateJours(const TDateTime& from, const TDateTime& to, bool thirtyDays);
// Whole months from one date to another: 1 August to 1 January of the next year but one gives 17;
// a month not completed (the day of `to` before the day of `from`) is not counted.
int DiffDateMois(const TDateTime& from, const TDateTime& to);
// The date moved by a number of months; a day that does not exist in the target month becomes
// the month's last day (31 January plus one month is 28 or 29 February).
TDateTime AjouteMois(const TDateTime& date, int months);
// First and last day of the date's month; the null date stays null.
TDateTime PremierJourDuMois(const TDateTime& date);
TDateTime DernierJourMois(const TDateTime& date);
