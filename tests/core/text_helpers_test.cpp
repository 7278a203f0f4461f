// The shared text helpers: numeric value, Windows-1252 conversion and case folding,
// the date-time type and the keyed collection.
#include "core/cp1252.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "core/keyedcollection.h"
#include "core/numeric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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

// Replace is Remove followed by Add: the item goes to the end under the key as given now,
// and a key not yet present is added; every change, and only a change, gives a generation
// no collection had before, so something built from the collection knows it is stale.
TEST(KeyedCollection, ReplaceMovesToTheEndAndEveryChangeRenewsTheGeneration) {
    KeyedCollection<int> c;
    EXPECT_EQ(c.Generation(), 0u);
    c.Add("K1", std::make_shared<int>(1));
    c.Add("K2", std::make_shared<int>(2));
    c.Add("K3", std::make_shared<int>(3));
    auto order = [&] {
        std::vector<std::string> out;
        for (const auto& e : c) out.push_back(e.key + "=" + std::to_string(*e.item));
        return out;
    };
    std::vector<uint64_t> seen = {c.Generation()};
    auto renewed = [&] {
        const bool fresh = std::find(seen.begin(), seen.end(), c.Generation()) == seen.end();
        seen.push_back(c.Generation());
        return fresh;
    };
    c.Replace("k1", std::make_shared<int>(10));
    EXPECT_EQ(order(), (std::vector<std::string>{"K2=2", "K3=3", "k1=10"}));
    EXPECT_TRUE(renewed());
    EXPECT_EQ(*c.Find("K1"), 10);
    c.Replace("K4", std::make_shared<int>(4));
    EXPECT_EQ(order(), (std::vector<std::string>{"K2=2", "K3=3", "k1=10", "K4=4"}));
    EXPECT_TRUE(renewed());
    EXPECT_EQ(c.Count(), 4u);

    // No change, no new generation.
    c.Find("K2");
    EXPECT_FALSE(c.Add("K2", std::make_shared<int>(0)));
    EXPECT_FALSE(c.Remove("K9"));
    EXPECT_EQ(c.Generation(), seen.back());
    EXPECT_TRUE(c.Remove("K2"));
    EXPECT_TRUE(renewed());

    // Another collection swapped into its place reads as changed too.
    KeyedCollection<int> other;
    other.Add("K1", std::make_shared<int>(1));
    std::swap(c, other);
    EXPECT_TRUE(renewed());
    c.Clear();
    EXPECT_TRUE(renewed());
}

// Against a plain model (a list in order, keys compared upper-cased) through thousands of
// additions, removals, replacements and clearings: the same order, the same look-ups,
// the same answers; iteration may go on while entries are removed.
TEST(KeyedCollection, LastIsTheLatestAdditionStillPresent) {
    KeyedCollection<int> c;
    EXPECT_EQ(c.Last(), nullptr);
    c.Add("K1", std::make_shared<int>(1));
    c.Add("K2", std::make_shared<int>(2));
    EXPECT_EQ(*c.Last(), 2);
    c.Replace("K1", std::make_shared<int>(10));
    EXPECT_EQ(*c.Last(), 10);
    c.Remove("K1");
    EXPECT_EQ(*c.Last(), 2) << "a removed entry's gap is passed over";
    c.Remove("K2");
    EXPECT_EQ(c.Last(), nullptr);
}

TEST(KeyedCollection, BehavesAsAnOrderedListWithCaseInsensitiveKeys) {
    std::mt19937 random(42);
    KeyedCollection<int> c;
    std::vector<std::pair<std::string, int>> model; // upper-cased key, value
    auto key = [&] {
        const int n = std::uniform_int_distribution<int>(-40, 40)(random);
        return (std::uniform_int_distribution<int>(0, 1)(random) ? "K" : "k") + std::to_string(n);
    };
    auto findModel = [&](const std::string& k) {
        return std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.first == UpperCase(k); });
    };
    for (int step = 0; step < 20000; ++step) {
        const std::string k = key();
        const int value = step;
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const bool known = findModel(k) != model.end();
            ASSERT_EQ(c.Add(k, std::make_shared<int>(value)), !known) << step;
            if (!known) model.emplace_back(UpperCase(k), value);
            break;
        }
        case 4:
        case 5:
        case 6: {
            const auto it = findModel(k);
            ASSERT_EQ(c.Remove(k), it != model.end()) << step;
            if (it != model.end()) model.erase(it);
            break;
        }
        case 7:
        case 8: {
            const auto it = findModel(k);
            if (it != model.end()) model.erase(it);
            model.emplace_back(UpperCase(k), value);
            c.Replace(k, std::make_shared<int>(value));
            break;
        }
        default:
            if (step % 500 == 0) {
                c.Clear();
                model.clear();
            }
            break;
        }
        ASSERT_EQ(c.Count(), model.size()) << step;
        ASSERT_EQ(c.Empty(), model.empty());
        std::size_t i = 0;
        for (const auto& e : c) {
            ASSERT_LT(i, model.size());
            ASSERT_EQ(UpperCase(e.key), model[i].first) << step;
            ASSERT_EQ(*e.item, model[i].second) << step;
            ++i;
        }
        ASSERT_EQ(i, model.size());
        const std::string probe = key();
        const auto it = findModel(probe);
        const auto found = c.Find(probe);
        ASSERT_EQ(found != nullptr, it != model.end()) << step;
        if (found) {
            ASSERT_EQ(*found, it->second);
        }
        ASSERT_EQ(c.Contains(probe), it != model.end());
    }
    // Removing entries while iterating leaves the iteration on the entries still there.
    std::vector<int> seen;
    for (const auto& e : c) {
        seen.push_back(*e.item);
        c.Remove(e.key);
    }
    EXPECT_EQ(seen.size(), model.size());
    EXPECT_TRUE(c.Empty());
}
