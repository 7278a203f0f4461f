// Date and time texts of the alarm records, and their display patterns.
#include "controls/events/dateformat.h"
#include "controls/events/dateparsers.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::events;

namespace {

const DateTime kNow = DateTime::FromParts(2031, 7, 14, 13, 45, 30);
const DateTime kToday = DateTime::FromParts(2031, 7, 14);
constexpr int32_t kNowTime = 13 * 3600 + 45 * 60 + 30;

std::string Date(int layout, std::string_view text, int start = 1) {
    return ParseDateText(layout, text, start, kNow).ToIsoText().substr(0, 10);
}

std::string Time(int layout, std::string_view text, int start = 1) {
    int32_t t = ParseTimeText(layout, text, start, kNow);
    return DateTime::FromSeconds(t).ToIsoText().substr(11);
}

} // namespace

TEST(ParseDateText, Layouts) {
    struct Case { int layout; const char* text; const char* want; } cases[] = {
        {1, "24-03-05", "2024-03-05"},   {2, "05-03-24", "2024-03-05"},
        {3, "03-05-24", "2024-03-05"},   {4, "2024-03-05 17:08:09", "2024-03-05"},
        {5, "05.03.2024", "2024-03-05"}, {6, "03/05/2024", "2024-03-05"},
        {7, "24-03-05", "2024-03-05"},   {7, "2024-03-05", "2024-03-05"},
        {7, "1999-12-31", "2019-09-02"}, // 1999 is below 2000: read as yy-mm-dd, "19" "9-" "2-"
        {8, "05.03.2024", "2024-03-05"}, {8, "05.03.24", "2024-03-05"},
        {9, "03/05/2024", "2024-03-05"}, {9, "03/05/24", "2024-03-05"},
        {10, "3/5/2024", "2024-03-05"},  {10, "12/31/99", "1999-12-31"},
        {10, "1/2/29", "2029-01-02"},    {10, "1/2/30", "1930-01-02"},
        {11, "5 march 2024", "2024-03-05"}, {11, "5 MARCH 2024", "2024-03-05"},
        {11, "31 December 2030", "2030-12-31"},
        // Any character may stand between the fields of layouts 1 to 9.
        {4, "2024x03y05", "2024-03-05"},
    };
    for (const auto& c : cases) EXPECT_EQ(Date(c.layout, c.text), c.want) << c.layout << ' ' << c.text;
}

TEST(ParseDateText, RollsOverAndComposesFromEmptyFields) {
    struct Case { int layout; const char* text; const char* want; } cases[] = {
        {4, "2024-13-01", "2025-01-01"}, {4, "2024-03-00", "2024-02-29"},
        {4, "2023-02-30", "2023-03-02"}, {4, "2024-00-15", "2023-12-15"},
        // Empty or short stamps compose from zero fields: year 0 is 2000, month 0 and
        // day 0 carry back.
        {4, "", "1999-11-30"},           {4, "2024", "2023-11-30"},
        {10, "", "1999-11-30"},          {1, "xx-yy-zz", "1999-11-30"},
    };
    for (const auto& c : cases) EXPECT_EQ(Date(c.layout, c.text), c.want) << c.layout << ' ' << c.text;
}

TEST(ParseDateText, FallsBackToToday) {
    struct Case { int layout; const char* text; } cases[] = {
        {0, "2024-03-05"},       {12, "2024-03-05"},     {-1, "2024-03-05"},
        {11, "5 marhc 2024"},    {11, ""},                // no month name
        {10, "1/1/99999"},       {8, "01.01.99999"},      // field beyond 16 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDateText(c.layout, c.text, 1, kNow), kToday) << c.layout << ' ' << c.text;
    EXPECT_EQ(Date(4, "0099-01-01"), "1999-01-01"); // a two-digit year, not an error
    // Years outside 100..9999, directly or by carrying.
    EXPECT_EQ(ParseDateText(10, "1/1/-5", 1, kNow), kToday);
    EXPECT_EQ(ParseDateText(10, "13/1/9999", 1, kNow), kToday);
    EXPECT_EQ(Date(10, "12/31/9999"), "9999-12-31");
}

TEST(ParseDateText, StartPosition) {
    EXPECT_EQ(Date(4, "Alarm at 2024-03-05", 10), "2024-03-05");
    EXPECT_EQ(Date(4, "2024-03-05", 0), "2024-03-05");  // before the text: from the start
    EXPECT_EQ(Date(4, "2024-03-05", 50), "1999-11-30"); // beyond: an empty rest
}

TEST(ParseTimeText, Layouts) {
    struct Case { int layout; const char* text; int start; const char* want; } cases[] = {
        {1, "2024-03-05 17:08:09", 12, "17:08:09"},
        {1, "9:05:00", 1, "09:05:00"},   // one-digit hour gets its zero
        {1, "09:05:00", 1, "09:05:00"},
        {2, "17:08:59", 1, "17:08:00"},
        {3, "9:5:7", 1, "09:05:07"},
        {3, "9:05:07 PM", 1, "21:05:07"},
        {3, "9:05:07 pm", 1, "21:05:07"},
        {3, "9:05:07 AM", 1, "09:05:07"},
        {3, "12:30:00 PM", 1, "12:30:00"}, // noon stays noon
        {3, "12:30:00 AM", 1, "00:30:00"}, // midnight hour
        {3, "12:30:00", 1, "12:30:00"},
        {1, "10:70:00", 1, "11:10:00"},   // carrying
        {1, "23:59:60", 1, "00:00:00"},   // wraps past midnight
        {1, "24:30:00", 1, "00:30:00"},
        {1, "", 1, "00:00:00"},           // empty fields are zero
        {1, "ab:cd:ef", 1, "00:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(Time(c.layout, c.text, c.start), c.want) << c.layout << ' ' << c.text;
}

TEST(ParseTimeText, FallsBackToTheCurrentTime) {
    for (int layout : {0, 4, 12}) EXPECT_EQ(ParseTimeText(layout, "10:11:12", 1, kNow), kNowTime);
    EXPECT_EQ(ParseTimeText(3, "99999:00:00", 1, kNow), kNowTime);
}

TEST(ParseTimeStamp, DateAndTimeOfARecordField) {
    EXPECT_EQ(ParseTimeStamp("2024-03-05 17:08:09", kNow).ToIsoText(), "2024-03-05 17:08:09");
    EXPECT_EQ(ParseTimeStamp("", kNow).ToIsoText(), "1999-11-30 00:00:00");
    EXPECT_EQ(ParseTimeStamp("garbage", kNow).ToIsoText(), "1999-11-30 00:00:00");
}

TEST(SplitField, MissingFieldsAreEmpty) {
    EXPECT_EQ(SplitField("a/b/c", '/', 0), "a");
    EXPECT_EQ(SplitField("a/b/c", '/', 2), "c");
    EXPECT_EQ(SplitField("a/b/c", '/', 3), "");
    EXPECT_EQ(SplitField("a//c", '/', 1), "");
    EXPECT_EQ(SplitField("", '/', 0), "");
}

TEST(FormatDateTime, ServerNotation) {
    const DateTime t = DateTime::FromParts(2024, 3, 5, 17, 8, 9); // a Tuesday
    struct Case { const char* pattern; const char* want; } cases[] = {
        {"", "2024-03-05 17:08:09"},
        {"dd.mm.yyyy", "05.03.2024"},
        {"d/m/yy", "5/3/24"},
        {"DD.MM.YYYY", "05.03.2024"},
        {"ddd d mmm yyyy", "Tue 5 Mar 2024"},
        {"dddd, mmmm d", "Tuesday, March 5"},
        {"yyyy-mm-dd", "2024-03-05"},
        {"y", "65"}, // day of the year
        {"hh:mm:ss", "17:08:09"},      // m after h is minutes
        {"hh:nn:ss", "17:08:09"},
        {"h:nn AM/PM", "5:08 PM"},
        {"h:nn am/pm", "5:08 pm"},
        {"hh:nn a/p", "05:08 p"},
        {"hh\\h nn", "17h 08"},
        {"\"at\" hh:nn", "at 17:08"},
        {"mm/dd hh:mm", "03/05 17:08"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, t), c.want) << c.pattern;

    EXPECT_EQ(FormatDateTime("h:nn AM/PM", DateTime::FromParts(2024, 3, 5, 0, 5, 0)), "12:05 AM");
    EXPECT_EQ(FormatDateTime("h:nn AM/PM", DateTime::FromParts(2024, 3, 5, 12, 5, 0)), "12:05 PM");
    EXPECT_EQ(FormatDateTime("dddd", DateTime::FromParts(2024, 3, 10)), "Sunday");
    EXPECT_EQ(FormatDateTime("yyyy", DateTime::FromParts(123, 1, 1)), "0123");
}
