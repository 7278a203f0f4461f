// The calendar model: its network form to the byte, names, days outside the calendar,
// change tracking, the all-or-nothing parse and the comparison with a calendar file.
#include "core/datafile.h"
#include "core/errors.h"
#include "core/records/calendar.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

#include <map>

using namespace korvel;
using korvel::testing::Hex;

namespace {

class MemoryFiles final : public IDataFileSystem {
public:
    std::map<std::string, Bytes> Files;
    bool FileIsThere(const std::string& path) override { return Files.count(path) != 0; }
    Bytes ReadWhole(const std::string& path) override {
        auto it = Files.find(path);
        if (it == Files.end()) throw FileError("missing");
        return it->second;
    }
    void WriteWhole(const std::string& path, std::string_view bytes) override { Files[path] = Bytes(bytes); }
    void Remove(const std::string& path) override { Files.erase(path); }
};

} // namespace

TEST(Calendar, EmptyFormIs36Bytes) {
    cCalendar c;
    Bytes want = Hex({0, 0, 0, 0}) + Bytes(32, '\0');
    EXPECT_EQ(c.CompressToNetworkBytes(), want);
    EXPECT_EQ(want.size(), static_cast<std::size_t>(kEmptyCalendarFormLength));
}

TEST(Calendar, FormListsSetDaysInOrderThenNames) {
    cCalendar c;
    c.SetDayType(14609, 23);
    c.SetDayType(0, 8);
    c.SetDayType(100, 7);
    c.SetDayType(100, 0); // setting a day to 0 removes its pair
    c.SetDayTypeFullName(7, "Xmas Eve");
    c.SetDayTypeFullName(22, "Z");
    const Bytes form = c.CompressToNetworkBytes();
    Bytes want = Hex({0, 0, 0, 2, 0, 0, 0, 8, 0x39, 0x11, 0, 23}) + Hex({0, 8}) + "Xmas Eve" + Bytes(28, '\0') +
                 Hex({0, 1, 'Z'});
    EXPECT_EQ(form, want);
    cCalendar d;
    d.SetDayType(5, 3); // a parse replaces the whole calendar
    int32_t pos = 0;
    d.UncompressFromNetworkBytes(form, pos);
    EXPECT_EQ(pos, static_cast<int32_t>(form.size()));
    EXPECT_EQ(d.GetDayType(5), 0);
    EXPECT_EQ(d.GetDayType(14609), 23);
    EXPECT_EQ(d.CompressToNetworkBytes(), form);
    EXPECT_TRUE(d.CompareToOtherCalendar(c));
}

TEST(Calendar, PairsOutsideTheCalendarAreReadAndIgnored) {
    const Bytes form = Hex({0, 0, 0, 3, 0xFF, 0xFF, 0, 5, 0x39, 0x12, 0, 5, 0, 9, 0x7F, 0xFF}) + Bytes(32, '\0');
    cCalendar c;
    int32_t pos = 0;
    c.UncompressFromNetworkBytes(form, pos);
    EXPECT_EQ(pos, static_cast<int32_t>(form.size()));
    EXPECT_EQ(c.GetDayType(9), 32767) << "values are not checked";
    EXPECT_EQ(c.CompressToNetworkBytes().substr(0, 8), Hex({0, 0, 0, 1, 0, 9, 0x7F, 0xFF}));
}

TEST(Calendar, CutShortFormLeavesTheCalendarAsItWas) {
    cCalendar source;
    source.SetDayType(3, 4);
    source.SetDayTypeFullName(8, "name");
    const Bytes form = source.CompressToNetworkBytes();
    cCalendar c;
    c.SetDayType(77, 2);
    c.StoreOriginalSettings();
    for (std::size_t cut = 0; cut < form.size(); ++cut) {
        int32_t pos = 0;
        EXPECT_THROW(c.UncompressFromNetworkBytes(form.substr(0, cut), pos), DecodeError) << cut;
        EXPECT_EQ(pos, 0);
        EXPECT_FALSE(c.HasChangedSinceLastLoadFromDisk());
    }
    int32_t pos = 0;
    EXPECT_THROW(c.UncompressFromNetworkBytes(Hex({0x7F, 0xFF, 0xFF, 0xFF, 0, 0}), pos), DecodeError);
}

TEST(Calendar, NamesAndDaysOutsideTheirRanges) {
    ClientState state;
    state.TextTable.Rows = {{611, 1, 6}, {617, 7, 2}};
    state.TextTable.Blob = "MondaySu";
    cCalendar c;
    c.SetDayTypeFullName(7, "Xmas Eve");
    c.SetDayTypeFullName(8, "Ab");
    c.SetDayTypeFullName(6, "ignored");
    c.SetDayTypeFullName(23, "ignored");
    struct Case {
        int dayType;
        const char* full;
        const char* shortName;
    } cases[] = {{0, "Monday", "Mon"}, {6, "Su", "Su"},   {7, "Xmas Eve", "Xma"}, {8, "Ab", "Ab"},
                 {22, "", ""},         {-1, "", ""},      {23, "", ""}};
    for (const Case& k : cases) {
        EXPECT_EQ(c.GetDayTypeFullName(state, k.dayType), k.full) << k.dayType;
        EXPECT_EQ(c.GetDayTypeShortName(state, k.dayType), k.shortName) << k.dayType;
    }
    for (int day : {-1, 14610, 1 << 30}) {
        c.SetDayType(day, 5);
        EXPECT_EQ(c.GetDayType(day), 0);
    }
    EXPECT_EQ(c.CompressToNetworkBytes().substr(0, 4), Hex({0, 0, 0, 0}));
    EXPECT_EQ(c.IsDayTypeUsed(3), 0);
    EXPECT_EQ(c.IsDayTypeUsed(99), 0);
}

TEST(Calendar, ChangeTrackingAndClear) {
    cCalendar c;
    EXPECT_TRUE(c.HasChangedSinceLastLoadFromDisk());
    c.SetDayTypeFullName(9, "n");
    c.SetDayType(10, 1);
    c.StoreOriginalSettings();
    EXPECT_FALSE(c.HasChangedSinceLastLoadFromDisk());
    c.ClearDayTypes();
    EXPECT_TRUE(c.HasChangedSinceLastLoadFromDisk());
    EXPECT_EQ(c.GetDayTypeFullName(*std::make_unique<ClientState>(), 9), "n") << "names stay";
}

TEST(Calendar, CompareToDiskOrSeeIfAnyDayIsSet) {
    ClientState state;
    DataFileEnvironment env;
    auto files = std::make_shared<MemoryFiles>();
    env.Files = files;
    state.DataFiles = &env;
    cCalendar c;
    // No file and nothing set: the file is created empty and the calendar counts as equal.
    EXPECT_TRUE(c.CompareToDiskOrSeeIfAnyDayIsSet(state, "data\\cal.dat"));
    EXPECT_EQ(files->Files.at("data/cal.dat"), "");
    c.SetDayType(1, 0x0102);
    EXPECT_FALSE(c.CompareToDiskOrSeeIfAnyDayIsSet(state, "data\\none.dat"));
    EXPECT_FALSE(files->FileIsThere("data/none.dat"));
    Bytes image(2 * kCalendarDays, '\0');
    image[2] = 0x02, image[3] = 0x01; // little-endian
    files->Files["data/cal.dat"] = image;
    EXPECT_TRUE(c.CompareToDiskOrSeeIfAnyDayIsSet(state, "data\\cal.dat"));
    files->Files["data/cal.dat"] = image.substr(0, 4); // values missing from a short file count as 0
    EXPECT_TRUE(c.CompareToDiskOrSeeIfAnyDayIsSet(state, "data\\cal.dat"));
    c.SetDayType(2, 1);
    EXPECT_FALSE(c.CompareToDiskOrSeeIfAnyDayIsSet(state, "data\\cal.dat"));
}
