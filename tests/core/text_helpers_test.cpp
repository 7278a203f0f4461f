// The shared text helpers: numeric value, Windows-1252 conversion and case folding,
// the date-time type and the keyed collection.
#include "core/cp1252.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "core/keyedcollection.h"
#include "core/numeric.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(NumericValue, LeadingNumberOrZero) {
    struct Case { const char* text; double want; } cases[] = {
        {"", 0}, {"abc", 0}, {"58658x", 58658}, {"  42", 42}, {"\t7", 7},
        {"-5", -5}, {"+5", 5}, {"- 5", 0}, {"1 2", 1}, {"0.004", 0.004}, {".5", 0.5},
        {"1e3", 1000}, {"1e", 1}, {"2E-1x", 0.2}, {"&h0A0A", 2570}, {"&H00000A0A", 2570},
        {"&hFFFFFFFF", -1}, {"&h", 0}, {"&hG", 0}, {"&h1FFFFFFFF", 0}, {"-&h10", -16},
        {"1e999", 0}, {"12:30", 12}, {"3.", 3},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumericValue(c.text), c.want) << '"' << c.text << '"';
}

TEST(NumericValue, IsNumericMeansTheWholeTextIsANumber) {
    // Blanks around the number are allowed; anything else after it is not.
    for (const char* text : {"0", " 0", "3 ", "\t-7\r\n", "2.5", ".5", "3.", "1e3", "2E-1", "&h0A0A", "&hFFFFFFFF",
                             "&h1FFFFFFFF", "-&h10", "1e999"})
        EXPECT_TRUE(IsNumeric(text)) << '"' << text << '"';
    for (const char* text : {"", " ", "abc", "3abc", "58658x", "1 2", "12:30", "1e", "&h", "&hG", "&h1G", "- 5", "+",
                             "2.5.1", "&h1FFFFFFFFx"})
        EXPECT_FALSE(IsNumeric(text)) << '"' << text << '"';
}

TEST(NumericValue, IntegerConversionsRoundHalfToEvenAndRefuseOverflow) {
    EXPECT_EQ(NumericValueAsInt32("2.5"), 2);
    EXPECT_EQ(NumericValueAsInt32("3.5"), 4);
    EXPECT_EQ(NumericValueAsInt32("-2.5"), -2);
    EXPECT_EQ(NumericValueAsInt32("2147483647"), INT32_MAX);
    EXPECT_EQ(NumericValueAsInt32("2147483648"), std::nullopt);
    EXPECT_EQ(NumericValueAsInt16("32768"), std::nullopt);
    EXPECT_EQ(NumericValueAsInt16("-32768"), -32768);
    EXPECT_EQ(NumericValueAsInt32("nothing"), 0);
}

TEST(Cp1252, RoundTripsEveryByteAndFoldsCase) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Cp1252ToUtf16("\x80"), u"\u20AC");
    EXPECT_EQ(Utf16ToCp1252(u"\u4E2D"), "?");
    EXPECT_EQ(Utf8ToCp1252("a\xE4\xB8"), "a??") << "each byte of a cut UTF-8 sequence";

    EXPECT_EQ(UpperCase("north\\door \xE9\xF7\xFF\x9A"), "NORTH\\DOOR \xC9\xF7\x9F\x8A");
    EXPECT_TRUE(EqualsIgnoreCase("K-5", "k-5"));
    EXPECT_FALSE(EqualsIgnoreCase("K5", "K55"));
    EXPECT_EQ(FindIgnoreCase(std::string("\0usecountryfilter=1\0", 20), std::string("\0UseCountryFilter=", 18)), 0u);
    EXPECT_EQ(FindIgnoreCase("abc", "d"), std::string_view::npos);
}

TEST(DateTime, ZeroDateCarryingAndDayForm) {
    EXPECT_EQ(DateTime::Zero().Parts(), (DateParts{1899, 12, 30, 0, 0, 0}));
    EXPECT_EQ(DateTime::FromParts(2000, 1, 1).ToDays(), 36526.0);
    EXPECT_EQ(DateTime::FromParts(2008, 2, 30).Parts(), (DateParts{2008, 3, 1, 0, 0, 0}));
    EXPECT_EQ(DateTime::FromParts(2008, 3, 0).Parts(), (DateParts{2008, 2, 29, 0, 0, 0}));
    EXPECT_EQ(DateTime::FromParts(2008, 0, 1).Parts(), (DateParts{2007, 12, 1, 0, 0, 0}));
    EXPECT_EQ(DateTime::FromParts(2008, 1, 1, 24, 61, 61).Parts(), (DateParts{2008, 1, 2, 1, 2, 1}));
    EXPECT_EQ(DateTime::FromParts(2000, 1, 1).WeekdayFromMonday(), 5); // a Saturday
    // Before the zero date the fraction counts forward from the whole day.
    EXPECT_EQ(DateTime::FromDays(-1.25).Parts(), (DateParts{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(DateTime::FromDays(-1.25).ToDays(), -1.25);
    // Rounded to the nearest second.
    EXPECT_EQ(DateTime::FromDays(1.0 + 0.6 / 86400).Seconds(), 86401);
    EXPECT_THROW(DateTime::FromParts(10000, 1, 1), DecodeError);
    EXPECT_THROW(DateTime::FromParts(99, 12, 31), DecodeError);
    EXPECT_NO_THROW(DateTime::FromParts(9999, 12, 31, 23, 59, 59));
}

TEST(KeyedCollection, OrderAndCaseInsensitiveKeys) {
    KeyedCollection<int> c;
    EXPECT_TRUE(c.Add(RecordKey(5), std::make_shared<int>(5)));
    EXPECT_TRUE(c.Add(RecordKey(-5), std::make_shared<int>(-5)));
    EXPECT_TRUE(c.Add("K7", std::make_shared<int>(7)));
    EXPECT_EQ(RecordKey(-5), "K-5");
    EXPECT_FALSE(c.Add("k5", std::make_shared<int>(0))) << "duplicate key";
    ASSERT_TRUE(c.Find("k5"));
    EXPECT_EQ(*c.Find("k5"), 5);
    EXPECT_EQ(c.Find("K6"), nullptr);

    auto held = c.Find("K-5");
    EXPECT_TRUE(c.Remove("K-5"));
    EXPECT_FALSE(c.Remove("K-5"));
    EXPECT_EQ(*held, -5) << "a removed record stays valid for its holders";
    c.Add("K-5", std::make_shared<int>(-55));
    std::vector<int> order;
    for (const auto& e : c) order.push_back(*e.item);
    EXPECT_EQ(order, (std::vector<int>{5, 7, -55}));
    c.Clear();
    EXPECT_EQ(c.Count(), 0u);
}
