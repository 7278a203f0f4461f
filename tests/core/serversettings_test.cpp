// Server settings look-up and the numbered texts with their per-user cache.
#include "core/serversettings.h"
#include "core/settingsstore.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace std::string_literals;

namespace {

void AddSection(ClientState& state, const Bytes& name, const Bytes& items) {
    state.SettingSections.Names.push_back(name);
    state.SettingSections.Bodies.push_back("\0"s + items + "\0"s);
    state.SettingSections.Count = static_cast<int16_t>(state.SettingSections.Names.size());
}

} // namespace

TEST(GetServerSetting, WholeKeysIgnoringCaseInTheFirstMatchingSection) {
    ClientState state;
    AddSection(state, "ActiveX", "ViewAllReceivers=1"s);
    AddSection(state, "General", "CountryFilter=SE,NO\0UseCountryFilter=1\0Formula=a=b\0Empty="s);
    AddSection(state, "GENERAL", "Late=1"s);
    struct Case {
        const char* section;
        const char* key;
        const char* want;
    } cases[] = {
        {"general", "usecountryfilter", "1"},
        {"General", "Filter", "dflt"},          // only a whole key matches
        {"General", "CountryFilter", "SE,NO"},
        {"General", "Formula", "a=b"},          // a value may hold "="
        {"General", "Empty", ""},
        {"General", "Late", "dflt"},            // later sections of one name are never read
        {"Missing", "ViewAllReceivers", "dflt"},
        {"ActiveX", "ViewAllReceivers", "1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetServerSetting(state, c.section, c.key, "dflt"), c.want) << c.section << "/" << c.key;
}

TEST(GetServerSetting, CountBoundsTheSearch) {
    ClientState state;
    AddSection(state, "General", "A=1"s);
    state.SettingSections.Count = 0;
    EXPECT_EQ(GetServerSetting(state, "General", "A", "d"), "d");
    state.SettingSections.Count = 5; // more than the tables hold
    EXPECT_EQ(GetServerSetting(state, "General", "A", "d"), "1");
}

TEST(ApplyServerSettings, FiltersFromTheSettingsOrDefaults) {
    ClientState state;
    state.ViewAllReceiversSetting = true;
    ApplyServerSettings(state);
    EXPECT_FALSE(state.ViewAllReceiversSetting);
    EXPECT_FALSE(state.UseCountryFilterSetting);
    EXPECT_EQ(state.CountryFilterSetting, "");

    AddSection(state, "ActiveX", "ViewAllReceivers=-1"s);
    AddSection(state, "General", "UseCountryFilter=&h1\0CountryFilter=SE,DK"s);
    ApplyServerSettings(state);
    EXPECT_TRUE(state.ViewAllReceiversSetting);
    EXPECT_TRUE(state.UseCountryFilterSetting);
    EXPECT_EQ(state.CountryFilterSetting, "SE,DK");
}

TEST(GetText, TableThenCacheThenEmpty) {
    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    store.Save(kTextCacheApplication, kTextCacheSection, "7", "cached seven");
    EXPECT_EQ(GetText(state, 7), "cached seven") << "before the table arrives";
    EXPECT_EQ(GetText(state, 8), "");

    state.TextTable.Blob = "HelloWorld";
    state.TextTable.Rows = {{7, 1, 5}, {8, 6, 5}, {8, 1, 3}};
    EXPECT_EQ(GetText(state, 7), "Hello");
    EXPECT_EQ(GetText(state, 8), "World") << "the first row of an id";
    EXPECT_EQ(store.Get(kTextCacheApplication, kTextCacheSection, "7", "?"), "Hello");
    EXPECT_EQ(store.Get(kTextCacheApplication, kTextCacheSection, "8", "?"), "World");

    ClientState fresh; // a later start, before the table
    fresh.SettingsStore = &store;
    EXPECT_EQ(GetText(fresh, 8), "World");
    ClientState noStore;
    EXPECT_EQ(GetText(noStore, 8), "");
}

TEST(GetText, RowsReachingOutsideTheBlobGiveOnlyThePartInside) {
    ClientState state;
    state.TextTable.Blob = "abcdef";
    struct Case {
        int32_t start, length;
        const char* want;
    } cases[] = {
        {1, 6, "abcdef"}, {4, 10, "def"}, {7, 1, ""}, {0, 3, "ab"}, {-5, 7, "a"},
        {3, 0, ""}, {3, -2, ""}, {INT32_MAX, INT32_MAX, ""}, {INT32_MIN, INT32_MAX, ""},
        {2, INT32_MAX, "bcdef"},
    };
    for (const auto& c : cases) {
        state.TextTable.Rows = {{1, c.start, c.length}};
        EXPECT_EQ(GetText(state, 1), c.want) << c.start << "," << c.length;
    }
}
