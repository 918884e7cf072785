// Dates: day counts (30/360 and calendar), months between dates, month moves, month ends, encoding.
#include <gtest/gtest.h>

#include "platform/datetime.h"

namespace {

TDateTime D(int year, int month, int day) {
    return EncodeDate(year, month, day);
}

struct DayCount {
    TDateTime from, to;
    int expected;
    const char* why;
};

TEST(DiffDateJours, ThirtyDaysAMonthBothEndsCounted) {
    const DayCount cases[] = {
        {D(2024, 3, 1), D(2024, 12, 31), 300, "1 March to 31 December: ten months"},
        {D(2023, 1, 1), D(2023, 12, 31), 360, "a calendar year"},
        {D(2024, 1, 1), D(2024, 12, 31), 360, "a leap calendar year"},
        {D(2024, 3, 15), D(2024, 12, 31), 286, "15 March: 16 days of March and nine months"},
        {D(2024, 7, 1), D(2024, 12, 31), 180, "second half year"},
        {D(2024, 1, 1), D(2024, 1, 1), 1, "a single day"},
        {D(2024, 1, 1), D(2024, 1, 31), 30, "January"},
        {D(2023, 2, 1), D(2023, 2, 28), 30, "February of a common year is a whole month"},
        {D(2024, 2, 1), D(2024, 2, 29), 30, "February of a leap year is a whole month"},
        {D(2024, 2, 1), D(2024, 2, 28), 28, "28 February of a leap year is not the month's end"},
        {D(2024, 1, 31), D(2024, 1, 31), 1, "the 31st alone"},
        {D(2024, 1, 30), D(2024, 1, 31), 1, "the 30th and the 31st are one day"},
        {D(2024, 3, 31), D(2024, 12, 31), 271, "from a 31st: one day of March and nine months"},
        {D(2024, 4, 1), D(2024, 4, 30), 30, "a 30-day month"},
        {D(2024, 5, 1), D(2024, 5, 31), 30, "a 31-day month"},
        {D(2024, 3, 1), D(2025, 2, 28), 360, "fiscal year 1 March to end of February (common)"},
        {D(2023, 3, 1), D(2024, 2, 29), 360, "fiscal year 1 March to end of February (leap)"},
        {D(2024, 7, 1), D(2025, 6, 30), 360, "fiscal year 1 July to 30 June"},
        {D(2024, 1, 1), D(2025, 6, 30), 540, "an 18-month first year"},
        {D(2024, 2, 29), D(2024, 12, 31), 301, "from the last day of a leap February"},
        {D(2023, 2, 28), D(2023, 3, 31), 31, "from the last day of a common February"}};
    for (const auto& c : cases)
        EXPECT_EQ(DiffDateJours(c.from, c.to, true), c.expected)
            << c.why << ": " << FormatISODate(c.from) << " to " << FormatISODate(c.to);
}

TEST(DiffDateJours, CalendarDaysBothEndsCounted) {
    const DayCount cases[] = {{D(2024, 1, 1), D(2024, 1, 31), 31, "January"},
                              {D(2023, 1, 1), D(2023, 12, 31), 365, "a common year"},
                              {D(2024, 1, 1), D(2024, 12, 31), 366, "a leap year"},
                              {D(2024, 3, 1), D(2024, 12, 31), 306, "1 March to 31 December"},
                              {D(2024, 2, 1), D(2024, 2, 29), 29, "leap February"},
                              {D(2024, 7, 1), D(2025, 6, 30), 365, "1 July to 30 June"},
                              {D(2024, 5, 5), D(2024, 5, 5), 1, "a single day"}};
    for (const auto& c : cases)
        EXPECT_EQ(DiffDateJours(c.from, c.to, false), c.expected)
            << c.why << ": " << FormatISODate(c.from) << " to " << FormatISODate(c.to);
    // A time of day does not change the count.
    EXPECT_EQ(DiffDateJours(D(2024, 1, 1) + 0.75, D(2024, 1, 31) + 0.25, false), 31);
}

TEST(DiffDateMois, WholeMonths) {
    const DayCount cases[] = {{D(2022, 8, 1), D(2024, 1, 1), 17, "1 August N-2 to 1 January N"},
                              {D(2024, 1, 1), D(2024, 1, 31), 0, "within a month"},
                              {D(2024, 1, 15), D(2024, 2, 15), 1, "same day next month"},
                              {D(2024, 1, 15), D(2024, 2, 14), 0, "a day short of a month"},
                              {D(2024, 1, 1), D(2025, 1, 1), 12, "a year"},
                              {D(2024, 3, 1), D(2024, 1, 1), -2, "backwards"},
                              {D(2024, 3, 10), D(2024, 1, 15), -1, "backwards, not a whole second month"}};
    for (const auto& c : cases)
        EXPECT_EQ(DiffDateMois(c.from, c.to), c.expected)
            << c.why << ": " << FormatISODate(c.from) << " to " << FormatISODate(c.to);
}

TEST(AjouteMois, MovesByMonthsAndClampsToTheMonthsLastDay) {
    struct Case {
        TDateTime date;
        int months;
        TDateTime expected;
        const char* why;
    } cases[] = {{D(2023, 1, 31), 1, D(2023, 2, 28), "31 January + 1 month, common year"},
                 {D(2024, 1, 31), 1, D(2024, 2, 29), "31 January + 1 month, leap year"},
                 {D(2024, 2, 29), 12, D(2025, 2, 28), "29 February + 12 months"},
                 {D(2024, 2, 29), 48, D(2028, 2, 29), "29 February + 48 months"},
                 {D(2024, 3, 31), -1, D(2024, 2, 29), "31 March - 1 month"},
                 {D(2024, 1, 15), -1, D(2023, 12, 15), "back over a year end"},
                 {D(2024, 1, 15), -25, D(2021, 12, 15), "back over two years"},
                 {D(2024, 11, 30), 3, D(2025, 2, 28), "forward over a year end"},
                 {D(2024, 5, 31), 0, D(2024, 5, 31), "zero months"}};
    for (const auto& c : cases)
        EXPECT_EQ(double(AjouteMois(c.date, c.months)), double(c.expected))
            << c.why << ": got " << FormatISODate(AjouteMois(c.date, c.months));
    // Five years of a plan from 1 July: the last day is 30 June.
    EXPECT_EQ(FormatISODate(AjouteMois(D(2024, 7, 1), 60) - 1), "2029-06-30");
    EXPECT_TRUE(AjouteMois(TDateTime(), 3).IsNull());
    // A time of day is kept.
    EXPECT_DOUBLE_EQ(double(AjouteMois(D(2024, 1, 10) + 0.5, 1)), double(D(2024, 2, 10)) + 0.5);
}

TEST(MonthBounds, FirstAndLastDayOfTheMonth) {
    struct Case {
        TDateTime date;
        const char* first;
        const char* last;
    } cases[] = {{D(2024, 2, 15), "2024-02-01", "2024-02-29"},  {D(2023, 2, 1), "2023-02-01", "2023-02-28"},
                 {D(2024, 12, 31), "2024-12-01", "2024-12-31"}, {D(2024, 4, 30), "2024-04-01", "2024-04-30"},
                 {D(2100, 2, 10), "2100-02-01", "2100-02-28"},  {D(2000, 2, 10), "2000-02-01", "2000-02-29"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatISODate(PremierJourDuMois(c.date)), c.first);
        EXPECT_EQ(FormatISODate(DernierJourMois(c.date)), c.last);
    }
    // A null date stays null rather than becoming a day of December 1899.
    EXPECT_TRUE(PremierJourDuMois(TDateTime()).IsNull());
    EXPECT_TRUE(DernierJourMois(TDateTime()).IsNull());
}

TEST(EncodeDate, RefusesDaysThatDoNotExist) {
    const int refused[][3] = {{2024, 2, 31}, {2023, 2, 29}, {0, 1, 1},     {2024, 13, 1}, {2024, 0, 1},
                              {2024, 4, 31}, {2024, 1, 0},  {2100, 2, 29}, {10000, 1, 1}};
    for (const auto& d : refused) {
        EXPECT_THROW(EncodeDate(d[0], d[1], d[2]), EDateError) << d[0] << "-" << d[1] << "-" << d[2];
        TDateTime ignored;
        EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], ignored));
    }
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    // The day count of the platform: 30 December 1899 is day 0, 1 January 1900 day 2.
    EXPECT_EQ(double(D(1899, 12, 30)), 0.0);
    EXPECT_EQ(double(D(1900, 1, 1)), 2.0);
    EXPECT_EQ(double(D(2024, 1, 1)), 45292.0);
    int y, m, d;
    DecodeDate(D(2024, 2, 29), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
}

TEST(ISODate, FormatAndParse) {
    EXPECT_EQ(FormatISODate(D(2024, 12, 31)), "2024-12-31");
    EXPECT_EQ(FormatISODate(TDateTime()), "");
    EXPECT_EQ(FormatISODateTime(EncodeDateTime(2024, 3, 5, 14, 7, 9)), "2024-03-05 14:07:09");
    EXPECT_EQ(double(ParseISODate("2024-02-29")), double(D(2024, 2, 29)));
    const char* refused[] = {"2024-02-30",  "2023-02-29", "2024-1-01",  "2024/01/01", "01-01-2024",
                             "2024-01-01x", "",           "abcd-ef-gh", "0000-01-01", "2024-13-01"};
    for (const char* text : refused) EXPECT_THROW(ParseISODate(text), EDateError) << '"' << text << '"';
}

TEST(DateDOS, ShiftIntoADate) {
    TDateTime date;
    date << dateDOS{15, 3, 2024};
    EXPECT_EQ(FormatISODate(date), "2024-03-15");
    date << dateDOS{};  // an empty packed date is the null date
    EXPECT_TRUE(date.IsNull());
    EXPECT_THROW(date << (dateDOS{31, 2, 2024}), EDateError);
}

TEST(DateArithmetic, DaysAddAndSubtract) {
    TDateTime date = D(2024, 2, 28);
    EXPECT_EQ(FormatISODate(date + 1), "2024-02-29");
    EXPECT_EQ(FormatISODate(date + 2), "2024-03-01");
    EXPECT_EQ(D(2025, 1, 1) - D(2024, 1, 1), 366.0);
    EXPECT_EQ(FormatISODate(DateOf(D(2024, 5, 6) + 0.99)), "2024-05-06");
}

}  // namespace
