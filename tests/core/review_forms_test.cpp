// Independent byte vectors for the record forms: every field of a profile's network form
// at its place, written out by hand from the layout (never produced by our encoder), the
// period string inside it, and the rounding and defaults of the receiver's keep-alive
// rule, the merge survivor and the drawn identity.
#include "core/datafile.h"
#include "core/decoder.h"
#include "core/errors.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

#include <vector>

using namespace korvel;
using korvel::testing::Hex;

namespace {

// The period string of the profile below, byte by byte: Monday active, grouped, one
// period 07:00-16:00, row 3; Tuesday..Sunday active without periods; day type 7 made
// active with 00:00-24:00; day types 8..22 off; use-calendar on. 186 + 2 x 4 bytes.
Bytes HandPeriodString() {
    Bytes s = Hex({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x01, 0xA4, 0x03, 0xC0, 0x00, 0x03});
    for (int d = 1; d <= 6; ++d) s += Hex({0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
    s += Hex({0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x05, 0xA0, 0x00, 0x00});
    for (int d = 8; d <= 22; ++d) s += Hex({0, 0, 0, 0, 0, 0, 0, 0});
    s += Hex({0xFF, 0xFF});
    return s;
}

// The network form of the profile that FillEveryField makes, field by field.
Bytes HandProfileForm() {
    Bytes f;
    f += Hex({0x01, 0x02});                         // 1 identity 258
    f += Hex({0x00, 0x00});                         // 2 enabled 0
    f += Hex({0x00, 0x02, 'A', 'b'});               // 3 name
    f += Hex({0x00, 0x01, 0x00, 0x02, 0x00, 0x03}); // 4-6 states 1, 2, 3
    f += Hex({0xFF, 0xFF});                         // 7 use time schedule
    f += Hex({0x00, 0x01, 'P'});                    // 8 parallel receivers
    f += Hex({0x00, 0x01, 'Q'});                    // 9 sequential receivers
    for (char c = '0'; c <= '5'; ++c) f += Hex({0x00, 0x01, c}); // 10-15 conditions 0..5
    f += Hex({0x00, 0x04});                         // 16 schedule view day type
    f += Hex({0x00, 0x05});                         // 17 calendar view time axis
    f += Hex({0x00, 0x06});                         // 18 use external tag
    f += Hex({0x00, 0x01, 'T'});                    // 19 external tag name
    f += Hex({0x00, 0x07});                         // 20 ignore external tag in other profiles
    f += Hex({0x00, 0x08});                         // 21 use external file
    f += Hex({0x00, 0x01, 'F'});                    // 22 external file name
    f += Hex({0x00, 0x01, 'X'});                    // 23 external file text
    f += Hex({0x00, 0x09});                         // 24 use auto-block
    f += Hex({0x0A, 0x0B, 0x0C, 0x0D});             // 25 threshold events
    f += Hex({0xFF, 0xFF, 0xFF, 0xFE});             // 26 threshold time -2
    f += Hex({0x11, 0x22, 0x33, 0x44});             // 27 auto-block time
    f += Hex({0x00, 0x0A});                         // 28 scan specific systems
    for (int i = 0; i < 64; ++i) f += Hex({0x01, i}); // 29-92 systems: 256 + i
    f += Hex({0x00, 0x0B});                         // 93 off-duty alarm behaviour
    f += Hex({0x07, 0xD8, 0x00, 0x02, 0x00, 0x1D, 0x00, 0x0D, 0x00, 0x05, 0x00, 0x09}); // 94 2008-02-29 13:05:09
    f += Hex({0x00, 0xC2}) + HandPeriodString();    // 95 period string as a String of 194
    f += Hex({0x80, 0x00});                         // 96 auto-block behaviour -32768
    return f;
}

void FillEveryField(const ClientState& state, cProfile& p) {
    p.m_DiskIdentity = 258;
    p.m_Enabled = 0;
    p.SetName(state, "Ab");
    for (int i = 0; i < 3; ++i) p.SetState(i, static_cast<int16_t>(i + 1));
    p.m_UseTimeSchedule = -1;
    p.m_ParallellReceivers = "P";
    p.m_SequentialReceivers = "Q";
    for (int i = 0; i < 6; ++i) p.SetCondition(i, Variant::Integer(static_cast<int16_t>(i)));
    p.m_TimeSchedule_ViewDayType = 4;
    p.m_Calendar_ViewTimeAxis = 5;
    p.m_UseExternalTag = 6;
    p.m_ExternalTagName = "T";
    p.m_IgnoreExternalTagInOtherProfiles = 7;
    p.m_UseExternalFile = 8;
    p.m_ExternalFileName = "F";
    p.m_ExternalFileText = "X";
    p.m_UseAutoBlock = 9;
    p.m_AutoBlockTresholdEvents = 0x0A0B0C0D;
    p.m_AutoBlockTresholdTime = -2;
    p.m_AutoBlockTime = 0x11223344;
    p.m_ScanSpecificSystems = 10;
    for (int i = 0; i < 64; ++i) p.SetSystem(i, static_cast<int16_t>(256 + i));
    p.m_OffDutyAlarmBehaviour = 11;
    p.m_FileDateTimeStamp = DateTime::FromParts(2008, 2, 29, 13, 5, 9);
    p.m_AutoBlockBehaviour = -32768;
    auto s = std::make_shared<cTimeSchedule>();
    s->m_Grouped[0] = -1;
    s->m_AxisIndex[0] = 3;
    s->m_Periods[0].push_back(std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{420, 960}));
    s->SetActive(7, 1);
    s->m_Periods[7].push_back(std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{0, 1440}));
    s->m_UseCalendar = -1;
    p.m_TimeSchedule = s;
}

} // namespace

TEST(ReviewProfileForm, EveryFieldInItsPlace) {
    ClientState state;
    cProfile p;
    FillEveryField(state, p);
    const Bytes want = HandProfileForm();
    ASSERT_EQ(want.size(), 394u + 2 + 6 + 5 + 8) << "the hand vector: name, conditions, five texts, two periods";
    EXPECT_EQ(p.m_TimeSchedule->ComposePeriodArray(), HandPeriodString());
    EXPECT_EQ(p.CompressToNetworkBytes(), want);

    // Read back field by field into a fresh profile.
    cProfile q;
    int32_t pos = 0;
    q.UncompressFromNetworkBytes(state, want, pos);
    EXPECT_EQ(pos, static_cast<int32_t>(want.size()));
    EXPECT_EQ(q.m_DiskIdentity, 258);
    EXPECT_EQ(q.m_Enabled, 0);
    EXPECT_EQ(q.GetName(), "Ab");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(q.GetState(i), i + 1);
    EXPECT_EQ(q.m_UseTimeSchedule, -1);
    EXPECT_EQ(q.m_ParallellReceivers, "P");
    EXPECT_EQ(q.m_SequentialReceivers, "Q");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(q.GetCondition(i), Bytes(1, static_cast<char>('0' + i)));
    EXPECT_EQ(q.m_TimeSchedule_ViewDayType, 4);
    EXPECT_EQ(q.m_Calendar_ViewTimeAxis, 5);
    EXPECT_EQ(q.m_UseExternalTag, 6);
    EXPECT_EQ(q.m_ExternalTagName, "T");
    EXPECT_EQ(q.m_IgnoreExternalTagInOtherProfiles, 7);
    EXPECT_EQ(q.m_UseExternalFile, 8);
    EXPECT_EQ(q.m_ExternalFileName, "F");
    EXPECT_EQ(q.m_ExternalFileText, "X");
    EXPECT_EQ(q.m_UseAutoBlock, 9);
    EXPECT_EQ(q.m_AutoBlockTresholdEvents, 0x0A0B0C0D);
    EXPECT_EQ(q.m_AutoBlockTresholdTime, -2);
    EXPECT_EQ(q.m_AutoBlockTime, 0x11223344);
    EXPECT_EQ(q.m_ScanSpecificSystems, 10);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(q.GetSystem(i), 256 + i) << i;
    EXPECT_EQ(q.m_OffDutyAlarmBehaviour, 11);
    EXPECT_EQ(q.m_FileDateTimeStamp, DateTime::FromParts(2008, 2, 29, 13, 5, 9));
    EXPECT_EQ(q.m_AutoBlockBehaviour, -32768);
    const cTimeSchedule& s = *q.m_TimeSchedule;
    EXPECT_EQ(s.m_Active[0], -1);
    EXPECT_EQ(s.m_Grouped[0], -1);
    EXPECT_EQ(s.m_AxisIndex[0], 3);
    ASSERT_EQ(s.m_Periods[0].size(), 1u);
    EXPECT_EQ(s.m_Periods[0][0]->m_StartMinute, 420);
    EXPECT_EQ(s.m_Periods[0][0]->m_StopMinute, 960);
    EXPECT_EQ(s.m_Active[7], -1);
    ASSERT_EQ(s.m_Periods[7].size(), 1u);
    EXPECT_EQ(s.m_Periods[7][0]->m_StopMinute, 1440);
    EXPECT_EQ(s.m_Active[8], 0);
    EXPECT_EQ(s.m_UseCalendar, -1);
}

// A period string with a negative count lists no periods for that day type; the form
// remembered for the profile is then the one it writes (count 0), so it is unchanged.
TEST(ReviewProfileForm, NegativePeriodCountReadsAsNone) {
    ClientState state;
    Bytes form = HandProfileForm();
    const std::size_t mondayCountAt = form.size() - 2 - 194 + 4;
    ASSERT_EQ(form.substr(mondayCountAt, 2), Hex({0x00, 0x01}));
    // Monday with count -1 and nothing after it: the string is 4 bytes shorter.
    Bytes text = HandPeriodString();
    text = text.substr(0, 4) + Hex({0xFF, 0xFF}) + Hex({0x00, 0x03}) + text.substr(12);
    ASSERT_EQ(text.size(), 190u);
    form = form.substr(0, form.size() - 2 - 194 - 2) + Hex({0x00, 0xBE}) + text + Hex({0x80, 0x00});
    cProfile p;
    int32_t pos = 0;
    p.UncompressAndStoreOriginalSettings(state, form, pos);
    EXPECT_EQ(pos, static_cast<int32_t>(form.size()));
    EXPECT_TRUE(p.m_TimeSchedule->m_Periods[0].empty());
    EXPECT_EQ(p.m_TimeSchedule->m_AxisIndex[0], 3);
    EXPECT_EQ(p.m_TimeSchedule->ComposePeriodArray().substr(0, 8), Hex({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 3}));
    EXPECT_FALSE(p.HasChangedSinceLastLoadFromDisk());
}

// A receiver whose settings were never set goes out with four empty Strings; parsed
// back they are empty texts, and the form is the same 34 bytes.
TEST(ReviewReceiverForm, EmptySettingsComeBackAsEmptyTexts) {
    ClientState state;
    cReceiver fresh;
    const Bytes form = fresh.CompressToNetworkBytes();
    ASSERT_EQ(form.substr(26), Hex({0, 0, 0, 0, 0, 0, 0, 0}));
    cReceiver r;
    r.SaveSetting(2, Variant::Long(9));
    int32_t pos = 0;
    r.UncompressFromNetworkBytes(state, form, pos);
    EXPECT_EQ(pos, 34);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(r.GetSetting(i).IsText()) << i;
        EXPECT_EQ(r.GetSetting(i), Variant("")) << i;
    }
    EXPECT_EQ(r.CompressToNetworkBytes(), form);
}

// The keep-alive interval is setting 1 (minutes) x 60 rounded half to even.
TEST(ReviewReceiverForm, KeepAliveIntervalRoundsHalfToEven) {
    ClientState state;
    DataFileEnvironment env;
    const DateTime now = DateTime::FromParts(2030, 6, 7, 8, 9, 10);
    env.Clock = [now] { return now; };
    state.DataFiles = &env;
    state.ReceiverTypes.Count = 1;
    state.ReceiverTypes.Rows[0].TypeId = 50;
    state.ReceiverTypes.Rows[0].ProtocolCode = "IlmTcp";
    struct Case {
        Variant setting1;
        int32_t interval;
        bool stamped; // last keep-alive = now, else the zero date
    } cases[] = {
        {"0.375", 22, true},    // 22.5 -> 22
        {"0.625", 38, true},    // 37.5 -> 38
        {"0.0125", 1, true},    // 0.75 -> 1: the smallest interval that stamps
        {"-0.375", -22, false}, // below 1: zero date
        {Variant(), 0, false},  // an empty setting counts as 0
        {Variant::Boolean(true), -60, false},
        {" 2 ", 120, true},
    };
    for (const Case& c : cases) {
        cReceiver r;
        r.m_LastKeepAlive = DateTime::FromParts(2001, 1, 1);
        r.SaveSetting(1, c.setting1);
        r.SetReceiverTypeId(state, 50);
        EXPECT_EQ(r.m_KeepAliveInterval, c.interval) << c.setting1.ToText();
        EXPECT_EQ(r.m_LastKeepAlive, c.stamped ? now : DateTime::Zero()) << c.setting1.ToText();
    }
}

// Equal starts: the survivor is the earlier period of the list (the same object), and a
// selection on the one merged away moves to it.
TEST(ReviewSchedule, MergeSurvivorIsTheEarlierOfEqualStarts) {
    cTimeSchedule s;
    auto a = std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{100, 200});
    auto b = std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{100, 300});
    auto c = std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{50, 60});
    s.m_Periods[3] = {a, b, c};
    s.m_SelectedPeriod = b;
    s.MergeOverlappingPeriods(3);
    ASSERT_EQ(s.m_Periods[3].size(), 2u);
    EXPECT_EQ(s.m_Periods[3][0], a);
    EXPECT_EQ(a->m_StopMinute, 300);
    EXPECT_EQ(s.m_Periods[3][1], c);
    EXPECT_EQ(s.m_SelectedPeriod, a);
}

// round(9990 r + 1), halves to even: r = 0.25 gives 2498.5, so 2498.
TEST(ReviewDataFiles, DrawnIdentityRoundsHalfToEven) {
    class Fixed final : public IRandomSource {
    public:
        double Next() override { return 0.25; }
    };
    class NoFiles final : public IDataFileSystem {
    public:
        bool FileIsThere(const std::string&) override { return false; }
        Bytes ReadWhole(const std::string&) override { throw FileError("none"); }
        void WriteWhole(const std::string&, std::string_view) override {}
        void Remove(const std::string&) override {}
    };
    DataFileEnvironment env;
    env.Random = std::make_shared<Fixed>();
    env.Files = std::make_shared<NoFiles>();
    EXPECT_EQ(DrawFreeIdentity(env, [](int16_t id) { return std::to_string(id); }), 2498);
}

// Message bodies typed out byte by byte, each field with its own value, so the order of
// the fields the decoder reads is pinned independently of the builders the other tests
// share with it.
TEST(ReviewDecoder, HandWrittenBodiesLandFieldByField) {
    ClientState state;
    std::shared_ptr<cReceiver> receiver;
    auto decode = [&](MessageType type, const Bytes& body) {
        receiver = HandleServerMessage(state, type, body).Receiver;
    };
    using enum MessageType;

    decode(MsgServerDataPath, Hex({0, 2, 'p', '\\', 0, 0, 0, 2, 0, 0, 0, 7}));
    EXPECT_EQ(state.ServerDataPath, "p\\");
    EXPECT_EQ(state.ServerKind, 2);
    decode(MsgUserRights, Hex({0x80, 0, 0, 0xA2}));
    EXPECT_EQ(state.UserRights, static_cast<int32_t>(0x800000A2));
    decode(MsgTextTable, Hex({0, 0, 0, 1, 0, 0, 0x04, 0x40, 0, 0, 0, 2, 0, 0, 0, 3, 0, 5, 'a', 'N', 'o', 'n', 'e'}));
    EXPECT_EQ(state.TextTable.Rows.at(0), (TextRow{1088, 2, 3}));
    decode(MsgReceiverTypeList,
           Hex({0, 0, 0, 1, 0, 0x2A, 0, 1, 'N', 0, 1, 'u', 0, 3, 'I', 'L', 'M', 0, 0xA0, 0, 1, 'v', 0, 1, 'w',
                0, 2, 'S', 'E', 0, 1, 'L', 0, 1, 'x', 0, 1, 'y'}));
    const ReceiverTypeRow& row = state.ReceiverTypes.Rows[0];
    EXPECT_EQ(state.ReceiverTypes.Count, 1);
    EXPECT_EQ(row, (ReceiverTypeRow{42, "N", "u", "ILM", 160, "v", "w", "SE", "L", "x", "y"}));
    decode(MsgSystemList, Hex({0, 0, 0, 1, 0, 0, 0, 0x3F, 0, 1, '-', 0, 3, 'S', 'y', 's'}));
    EXPECT_EQ(state.SystemNames[63], "Sys");
    decode(MsgHolidayLabelList, Hex({0, 0, 0, 1, 0, 0, 0x39, 0x11, 0, 0x17, 0, 0, 0, 1, 'L'}));
    ASSERT_EQ(state.HolidayLabels.size(), 1u);
    EXPECT_EQ(*state.HolidayLabels[0], (cHolidayLabel{14609, 23, false, "L"}));
    EXPECT_TRUE(state.HolidayDayFlags[14609]);
    // Day 6 (2000-01-07) follows Sunday: value 7.
    decode(MsgCalendar, Hex({0, 0, 0, 1, 0, 6, 0, 7}) + Bytes(32, '\0'));
    EXPECT_EQ(state.SharedCalendar->GetDayType(6), 7);

    // A receiver typed out whole, then switched off through 221 found by its identity.
    decode(MsgReceiverList,
           Hex({0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,                  // count 1, RecordRef (-1, "")
                0, 1, 'R', 0, 1, 0, 5, 0, 0x2A, 0, 1, 'B',                // name, enabled 1, id 5, type 42, backup
                0x07, 0xD0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x2C, // 2000-01-01, 300 s
                0, 1, 'a', 0, 0, 0, 0, 0, 1, 'd'}));
    auto r = GetReceiverById(state, 5);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->m_ReceiverName, "R");
    EXPECT_EQ(r->m_Enabled, -1);
    EXPECT_EQ(r->m_ReceiverTypeName, "N");
    EXPECT_EQ(r->m_BackupReceiver, "B");
    EXPECT_EQ(r->m_FileDateTimeStamp, DateTime::FromParts(2000, 1, 1));
    EXPECT_EQ(r->m_KeepAliveInterval, 300) << "field 7 replaces what the ILM rule computed";
    EXPECT_EQ(r->GetSetting(3), Variant("d"));
    EXPECT_FALSE(r->HasChangedSinceLastLoadFromDisk());
    decode(MessageType::MsgReceiverEnableOrDisable, Hex({0, 0, 0, 5, 0, 0, 0, 0}));
    EXPECT_EQ(receiver, r);
    EXPECT_EQ(r->m_Enabled, 0);
    EXPECT_FALSE(r->HasChangedSinceLastLoadFromDisk());
}

namespace {

// What the editing operations ask of the grid.
class GridCalls final : public ScheduleView {
public:
    Bytes Start, Stop;
    std::vector<int> Rows;
    int Full = 0;
    Bytes Get_Text_Schedule_Period_Start() override { return Start; }
    Bytes Get_Text_Schedule_Period_Stop() override { return Stop; }
    void Set_Text_Schedule_Period_Start(std::string_view t) override { Start = Bytes(t); }
    void Set_Text_Schedule_Period_Stop(std::string_view t) override { Stop = Bytes(t); }
    void PaintDayTypeAxis(int d) override { Rows.push_back(d); }
    void Paint() override { ++Full; }
};

PeriodPtr Period(int start, int stop) {
    return std::make_shared<cTimeSchedulePeriod>(
        cTimeSchedulePeriod{static_cast<int16_t>(start), static_cast<int16_t>(stop)});
}

} // namespace

TEST(ReviewSchedule, EditsReachTheGroupAndTheSelectionAsDescribed) {
    // Inverting a grouped day type spreads the result to its partners, in ascending order.
    {
        cTimeSchedule s;
        s.m_Periods[1] = {Period(420, 960)};
        s.m_Grouped[1] = s.m_Grouped[3] = -1;
        s.m_SelectedDayType = 1;
        GridCalls grid;
        s.InvertTimeSchedule(grid);
        ASSERT_EQ(s.m_Periods[3].size(), 2u);
        EXPECT_EQ(s.m_Periods[3][0]->m_StopMinute, 420);
        EXPECT_EQ(s.m_Periods[3][1]->m_StartMinute, 960);
        EXPECT_EQ(grid.Rows, (std::vector<int>{1, 3}));
    }
    // Clearing the whole day leaves a selected period of another day type alone.
    {
        ClientState state;
        state.ClearAllDayWhenDeleting = true;
        cTimeSchedule s;
        s.m_Periods[0] = {Period(0, 10), Period(20, 30)};
        s.m_Periods[4] = {Period(100, 200)};
        s.m_SelectedDayType = 0;
        s.m_SelectedPeriod = s.m_Periods[4][0];
        GridCalls grid;
        grid.Start = "01:40";
        s.Delete(state, grid);
        EXPECT_TRUE(s.m_Periods[0].empty());
        EXPECT_EQ(s.m_SelectedPeriod, s.m_Periods[4][0]);
        EXPECT_EQ(grid.Start, "01:40");
    }
    // Monday to Friday: rows 0..4, then the partners of Monday again, then the whole grid.
    {
        cTimeSchedule s;
        GridCalls grid;
        s.GroupMonFri(grid);
        EXPECT_EQ(grid.Rows, (std::vector<int>{0, 1, 2, 3, 4, 1, 2, 3, 4}));
        EXPECT_EQ(grid.Full, 1);
    }
    // 00:00-24:00 ends the day-type selection but keeps the selected period reference.
    {
        cTimeSchedule s;
        s.m_Periods[2] = {Period(5, 6)};
        s.m_SelectedDayType = 2;
        const PeriodPtr selected = s.m_Periods[2][0];
        s.m_SelectedPeriod = selected;
        GridCalls grid;
        s.SetTimeFrom00to24(grid);
        EXPECT_EQ(s.m_SelectedPeriod, selected);
        EXPECT_EQ(s.m_SelectedDayType, -1);
    }
    // The time boxes: texts read as times, written back as hh:mm.
    struct Case {
        const char* start;
        const char* stop;
        int from, to;
        const char* startShown;
        const char* stopShown;
    } cases[] = {
        {"7", "1630", 420, 990, "07:00", "16:30"},
        {"24:00", "0", 0, 1440, "00:00", "24:00"},
        {"05", "9.5", 5, 545, "00:05", "09:05"},
    };
    for (const Case& c : cases) {
        cTimeSchedule s;
        s.m_Periods[6] = {Period(0, 1)};
        s.m_SelectedDayType = 6;
        s.m_SelectedPeriod = s.m_Periods[6][0];
        GridCalls grid;
        grid.Start = c.start;
        grid.Stop = c.stop;
        s.ExtractTimeFromTextboxes(grid);
        EXPECT_EQ(s.m_Periods[6][0]->m_StartMinute, c.from) << c.start;
        EXPECT_EQ(s.m_Periods[6][0]->m_StopMinute, c.to) << c.start;
        EXPECT_EQ(s.m_EditStartMinute, c.from);
        EXPECT_EQ(s.m_EditStopMinute, c.to);
        EXPECT_EQ(grid.Start, c.startShown);
        EXPECT_EQ(grid.Stop, c.stopShown);
    }
}
