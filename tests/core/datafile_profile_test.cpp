// The profile's record file with its schedule block, and the calendar file.
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "datafile_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace korvel;
using namespace korvel::testing;

namespace {

const std::string kPath5 = "/data/Profiles/Profile_0005.dat";

Bytes Le16(int v) {
    Bytes b;
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
    return b;
}

void GiveRunTimeAutoBlockState(cProfile& p) {
    p.m_AutoBlockRepeatCount = 4;
    p.m_AutoBlockFirstAddedTimeStamp = DateTime::FromParts(2024, 1, 1);
    p.m_AutoBlockLockedTimeStamp = DateTime::FromParts(2024, 1, 2);
    p.m_AutoBlockedAlarms.push_back(std::make_shared<cAutoBlockedAlarm>());
}

void ExpectRunTimeAutoBlockStateReset(const cProfile& p) {
    EXPECT_EQ(p.m_AutoBlockRepeatCount, 0);
    EXPECT_EQ(p.m_AutoBlockFirstAddedTimeStamp, DateTime::Zero());
    EXPECT_EQ(p.m_AutoBlockLockedTimeStamp, DateTime::Zero());
    EXPECT_TRUE(p.m_AutoBlockedAlarms.empty());
}

cProfile Untouched(const ClientState& state) {
    cProfile p;
    p.SetName(state, "before");
    p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
    p.m_UseAutoBlock = -1;
    p.m_AutoBlockTime = 77;
    return p;
}

} // namespace

TEST(DataFileProfile, Version5LoadsAndSavesByteForByte) {
    FileTestState t;
    t.State.ChildProfilesAllowed = true;
    const Bytes sample = SampleFile("profile_v5.dat");
    t.Memory->Files[kPath5] = sample;
    cProfile p;
    GiveRunTimeAutoBlockState(p);
    ASSERT_TRUE(p.LoadFromDisk(t.State, 5));
    EXPECT_TRUE(t.Trace.empty());
    EXPECT_EQ(p.m_DiskIdentity, 5);
    EXPECT_EQ(p.GetName(), "North\\Main@Night");
    EXPECT_EQ(p.m_ParentName, "NORTH\\MAIN");
    EXPECT_EQ(p.GetState(0), -1);
    EXPECT_EQ(p.GetState(1), 0);
    EXPECT_EQ(p.m_UseTimeSchedule, -1);
    EXPECT_EQ(p.m_ParallellReceivers, "North\\Door 1;North\\Pager");
    EXPECT_EQ(p.GetCondition(5), "5");
    EXPECT_EQ(p.m_TimeSchedule_ViewDayType, 3);
    EXPECT_EQ(p.m_ExternalFileName, "C:\\ext.txt");
    EXPECT_EQ(p.GetSystem(63), -1);
    EXPECT_EQ(p.GetSystem(62), 0);
    EXPECT_EQ(p.m_OffDutyAlarmBehaviour, 2);
    EXPECT_EQ(p.m_AutoBlockTime, 600);
    EXPECT_EQ(p.m_AutoBlockTresholdEvents, 5);
    EXPECT_EQ(p.m_AutoBlockTresholdTime, 120);
    EXPECT_EQ(p.m_AutoBlockBehaviour, 1);
    EXPECT_EQ(p.m_FileDateTimeStamp, SampleSavedAt());
    ExpectRunTimeAutoBlockStateReset(p);
    ASSERT_TRUE(p.m_TimeSchedule);
    EXPECT_EQ(p.m_TimeSchedule->m_Periods[0].size(), 1u);
    EXPECT_EQ(p.m_TimeSchedule->m_Periods[9].size(), 2u);
    EXPECT_EQ(p.m_TimeSchedule->m_Periods[9][1]->m_StopMinute, 1440);
    EXPECT_EQ(p.m_TimeSchedule->m_UseCalendar, -1);
    EXPECT_FALSE(p.HasChangedSinceLastLoadFromDisk());

    t.Env.Clock = [] { return SampleSavedAt(); };
    GiveRunTimeAutoBlockState(p);
    ASSERT_TRUE(p.SaveToDisk(t.State));
    EXPECT_EQ(t.Memory->Files[kPath5], sample);
    ExpectRunTimeAutoBlockStateReset(p);
}

TEST(DataFileProfile, Version4IsUpgradedOnce) {
    FileTestState t;
    t.Memory->Files[kPath5] = SampleFile("profile_v4.dat");
    cProfile p;
    ASSERT_TRUE(p.LoadFromDisk(t.State, 5));
    EXPECT_EQ(t.Trace, std::vector<Bytes>{"T930 '/data/Profiles\\Profile_0005.dat' (version 4 -> 5)"});
    EXPECT_EQ(p.m_OffDutyAlarmBehaviour, 2); // from the version 4 place
    EXPECT_EQ(p.m_Enabled, 0);
    EXPECT_EQ(t.Memory->Files[kPath5], SampleFile("profile_v4_upgraded.dat"));
    EXPECT_FALSE(p.HasChangedSinceLastLoadFromDisk());

    t.Trace.clear();
    cProfile again;
    EXPECT_TRUE(again.LoadFromDisk(t.State, 5));
    EXPECT_TRUE(t.Trace.empty());
    EXPECT_EQ(t.Memory->Writes, 1);
}

TEST(DataFileProfile, Version4KeepsTheAutoBlockSettingsItLacks) {
    FileTestState t;
    t.Memory->Files[kPath5] = SampleFile("profile_v4.dat");
    cProfile p = Untouched(t.State);
    p.m_FileDateTimeStamp = DateTime::FromParts(2020, 2, 2);
    ASSERT_TRUE(p.LoadFromDisk(t.State, 5));
    EXPECT_EQ(p.m_UseAutoBlock, -1);
    EXPECT_EQ(p.m_AutoBlockTime, 77);
    EXPECT_EQ(p.m_FileDateTimeStamp, DateTime::FromParts(2020, 2, 2));
}

TEST(DataFileProfile, UnknownVersionIsTracedAndNotRewritten) {
    FileTestState t;
    Bytes file = SampleFile("profile_v5.dat");
    file.replace(0, 2, Le16(6));
    t.Memory->Files[kPath5] = file;
    cProfile p = Untouched(t.State);
    GiveRunTimeAutoBlockState(p);
    EXPECT_FALSE(p.LoadFromDisk(t.State, 5));
    EXPECT_EQ(t.Trace, std::vector<Bytes>{"T803 '/data/Profiles\\Profile_0005.dat' (6) T805"});
    EXPECT_EQ(t.Memory->Files[kPath5], file);
    EXPECT_EQ(t.Memory->Writes, 0);
    EXPECT_EQ(p.GetName(), "before");
    EXPECT_EQ(p.m_DiskIdentity, 5);
    ExpectRunTimeAutoBlockStateReset(p);
}

TEST(DataFileProfile, FilesShorterThanTheirLayoutFailAsAWhole) {
    for (const char* sample : {"profile_v5.dat", "profile_v4.dat"}) {
        const Bytes whole = SampleFile(sample);
        for (std::size_t length = 2; length < whole.size(); ++length) {
            FileTestState t;
            t.Memory->Files[kPath5] = whole.substr(0, length);
            cProfile p = Untouched(t.State);
            auto schedule = p.m_TimeSchedule;
            ASSERT_FALSE(p.LoadFromDisk(t.State, 5)) << sample << " " << length;
            ASSERT_EQ(t.Trace, std::vector<Bytes>{"T982 /data/Profiles\\Profile_0005.dat Err:Input past end of file"});
            ASSERT_EQ(t.Memory->Writes, 0);
            ASSERT_EQ(p.GetName(), "before");
            ASSERT_EQ(p.m_TimeSchedule, schedule);
            ASSERT_EQ(p.m_DiskIdentity, 5);
        }
    }
}

TEST(DataFileProfile, MissingTinyOrMalformedFiles) {
    Bytes negativeCount = SampleFile("profile_v5.dat");
    // The period count of day type 0 sits 4 bytes into the schedule block.
    const std::size_t block = negativeCount.size() - (23 * 8 + 2 + 5 * 4 + 2 * 4);
    negativeCount.replace(block + 4, 2, Le16(-1));
    struct Case { const char* what; std::optional<Bytes> file; bool traced; } cases[] = {
        {"missing", std::nullopt, false},
        {"empty", Bytes(), false},
        {"one byte", Bytes("\x05"), false},
        {"negative period count", negativeCount, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileTestState t;
        if (c.file) t.Memory->Files[kPath5] = *c.file;
        cProfile p = Untouched(t.State);
        GiveRunTimeAutoBlockState(p);
        EXPECT_FALSE(p.LoadFromDisk(t.State, 5));
        EXPECT_EQ(t.Trace.size(), c.traced ? 1u : 0u);
        EXPECT_EQ(p.GetName(), "before");
        // A profile takes its identity and resets its run-time state on every load.
        EXPECT_EQ(p.m_DiskIdentity, 5);
        ExpectRunTimeAutoBlockStateReset(p);
        EXPECT_EQ(t.Memory->Files.count(kPath5), c.file ? 1u : 0u);
        EXPECT_EQ(t.Memory->Writes, 0);
    }
}

TEST(DataFileProfile, ProfileWithoutScheduleIsNotSaved) {
    FileTestState t;
    cProfile p;
    p.m_DiskIdentity = 5;
    EXPECT_FALSE(p.SaveToDisk(t.State));
    ASSERT_EQ(t.Trace.size(), 1u);
    EXPECT_EQ(t.Trace[0].rfind("T980 /data/Profiles\\Profile_0005.dat Err:", 0), 0u);
    EXPECT_TRUE(t.Memory->Files.empty());
}

// A full disk or a read-only folder: the old file stays as it was, byte for byte.
TEST(DataFileProfile, FailedSaveOnRealFilesKeepsTheOldFile) {
    namespace fs = std::filesystem;
    TempFolder temp;
    const fs::path& dir = temp.path;
    fs::create_directory(dir / "Profiles");
    const fs::path file = dir / "Profiles" / "Profile_0005.dat";
    const Bytes sample = SampleFile("profile_v5.dat");
    std::ofstream(file, std::ios::binary) << sample;

    FileTestState t;
    auto failing = std::make_shared<FailingWriter>(std::make_shared<PosixDataFileSystem>());
    t.Env.Files = failing;
    t.State.ServerDataPath = dir.string() + "/";
    cProfile p;
    failing->FailWrites = false;
    ASSERT_TRUE(p.LoadFromDisk(t.State, 5));
    p.SetName(t.State, "changed");

    failing->FailWrites = true;
    EXPECT_FALSE(p.SaveToDisk(t.State));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), sample);
    ASSERT_EQ(t.Trace.size(), 1u);
    EXPECT_EQ(t.Trace[0], "T980 " + dir.string() + "/Profiles\\Profile_0005.dat Err:No space left on device");

    if (::geteuid() != 0) {
        failing->FailWrites = false;
        fs::permissions(dir / "Profiles", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(p.SaveToDisk(t.State));
        std::ifstream again(file, std::ios::binary);
        EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(again), {}), sample);
        fs::permissions(dir / "Profiles", fs::perms::owner_all);
    }
    // With the disk writable again the save goes through, and no temporary file is left.
    failing->FailWrites = false;
    EXPECT_TRUE(p.SaveToDisk(t.State));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "Profiles"), fs::directory_iterator()), 1);
}

TEST(DataFileProfile, Removal) {
    FileTestState t;
    auto p = std::make_shared<cProfile>();
    p->SetName(t.State, "Night");
    t.State.Profiles.Add("K5", p);
    t.Memory->Files[kPath5] = "x";
    EXPECT_TRUE(p->RemoveFromDisk(t.State, 5));
    EXPECT_EQ(t.Trace, std::vector<Bytes>{"T929 'Night' /data/Profiles\\Profile_0005.dat"});
    EXPECT_FALSE(t.State.Profiles.Contains("k5"));
    t.Trace.clear();
    EXPECT_FALSE(p->RemoveFromDisk(t.State, 5));
    EXPECT_EQ(t.Trace,
              std::vector<Bytes>{"T981 'Night' /data/Profiles\\Profile_0005.dat Err:No such file or directory"});
}

// ---- calendar ------------------------------------------------------------------------

namespace {
Bytes ExpectedCalendarFile(const cCalendar& c, const DateTime& stamp) {
    FileWriter w;
    for (int day = 0; day < kCalendarDays; ++day) w.Int16(c.GetDayType(day));
    w.Int16(2);
    w.Date(stamp);
    for (int d = 7; d <= 22; ++d) {
        ClientState s;
        w.Text(c.GetDayTypeFullName(s, d));
    }
    return w.take();
}
} // namespace

TEST(DataFileCalendar, WritesOnlyAChangedCalendarWithAName) {
    FileTestState t;
    cCalendar c;
    c.StoreOriginalSettings();
    EXPECT_FALSE(c.SaveToDisk(t.State)); // no name
    c.m_FileName = "/data/Calendar.dat";
    EXPECT_FALSE(c.SaveToDisk(t.State)); // unchanged
    EXPECT_TRUE(t.Memory->Files.empty());

    c.SetDayType(0, 8);
    c.SetDayType(14609, 23);
    c.SetDayTypeFullName(7, "Xmas Eve");
    c.SetDayTypeFullName(22, "Last");
    ASSERT_TRUE(c.SaveToDisk(t.State));
    EXPECT_EQ(c.m_TimeStamp, UpgradeTime());
    const Bytes file = t.Memory->Files["/data/Calendar.dat"];
    EXPECT_EQ(file.size(), 14610u * 2 + 2 + 8 + 16 * 2 + 8 + 4);
    EXPECT_EQ(file, ExpectedCalendarFile(c, UpgradeTime()));
    EXPECT_EQ(file.substr(0, 2), Le16(8));
    EXPECT_EQ(file.substr(14609 * 2, 4), Le16(23) + Le16(2));
    EXPECT_FALSE(c.HasChangedSinceLastLoadFromDisk());
    EXPECT_FALSE(c.SaveToDisk(t.State));
    EXPECT_EQ(t.Memory->Writes, 1);
}

TEST(DataFileCalendar, ShorterFileLeavesNoStaleBytes) {
    namespace fs = std::filesystem;
    TempFolder temp;
    const fs::path& dir = temp.path;
    const fs::path file = dir / "Calendar.dat";
    std::ofstream(file, std::ios::binary) << Bytes(40000, '\x7F');

    FileTestState t;
    t.Env.Files = std::make_shared<PosixDataFileSystem>();
    cCalendar c;
    c.m_FileName = file.string();
    c.SetDayType(3, 2);
    ASSERT_TRUE(c.SaveToDisk(t.State));
    EXPECT_EQ(fs::file_size(file), 14610u * 2 + 2 + 8 + 16 * 2);
}

TEST(DataFileCalendar, FailedWriteRaisesAndKeepsFileAndTimeStamp) {
    FileTestState t;
    cCalendar c;
    c.m_FileName = "/data/Calendar.dat";
    t.Memory->Files[c.m_FileName] = "old";
    c.SetDayType(3, 2);
    t.Memory->FailWrites = true;
    EXPECT_THROW(c.SaveToDisk(t.State), FileError);
    EXPECT_EQ(t.Memory->Files[c.m_FileName], "old");
    EXPECT_EQ(c.m_TimeStamp, DateTime::Zero());
    EXPECT_TRUE(c.HasChangedSinceLastLoadFromDisk());
}
