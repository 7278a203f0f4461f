// The profile record: its network form to the byte, names with "@" nesting, indexed
// fields, change tracking, copies with schedules of their own, the all-or-nothing parse;
// and the auto-blocked alarm's status text.
#include "core/errors.h"
#include "core/records/profile.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

using namespace korvel;
using korvel::testing::Hex;

namespace {

// Offsets in the form of a profile whose texts are all empty.
constexpr std::size_t kEmptyProfileFormLength = 394;
constexpr std::size_t kPeriodStringLengthAt = 204;

cProfile NewProfile() {
    cProfile p;
    p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
    return p;
}

} // namespace

TEST(Profile, NewProfileFormToTheByte) {
    cProfile p = NewProfile();
    const Bytes form = p.CompressToNetworkBytes();
    ASSERT_EQ(form.size(), kEmptyProfileFormLength);
    EXPECT_EQ(form.substr(0, 6), Hex({0xFF, 0xFF, 0xFF, 0xFF, 0, 0})); // identity, enabled, name
    EXPECT_EQ(form.substr(192, 12), Hex({0x07, 0x6B, 0, 12, 0, 30, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(form.substr(kPeriodStringLengthAt, 2), Hex({0, 186}));
    EXPECT_EQ(form.substr(206, 2), Hex({0xFF, 0xFF})) << "Monday is active";
    EXPECT_EQ(form.substr(form.size() - 4), Hex({0, 0, 0, 0})) << "use-calendar, then auto-block behaviour";
}

TEST(Profile, WithoutScheduleHasNoForm) {
    cProfile p;
    EXPECT_THROW(p.CompressToNetworkBytes(), EncodeError);
    EXPECT_THROW(p.StoreOriginalSettings(), EncodeError);
}

TEST(Profile, FieldsLandInTheirPlaces) {
    ClientState state;
    cProfile p = NewProfile();
    p.m_DiskIdentity = 0x0102;
    p.m_Enabled = 2;
    p.SetName(state, "N");
    p.SetState(0, 3);
    p.m_UseTimeSchedule = -1;
    p.SetCondition(5, Variant::Integer(5));
    p.m_AutoBlockTresholdEvents = 0x01020304;
    p.SetSystem(63, 9);
    p.m_OffDutyAlarmBehaviour = 4;
    p.m_AutoBlockBehaviour = 6;
    const Bytes form = p.CompressToNetworkBytes();
    EXPECT_EQ(form.substr(0, 7), Hex({1, 2, 0, 2, 0, 1, 'N'}));
    EXPECT_EQ(form.substr(7, 2), Hex({0, 3}));
    EXPECT_EQ(form.substr(13, 2), Hex({0xFF, 0xFF}));
    EXPECT_EQ(form.substr(29, 3), Hex({0, 1, '5'})) << "SetCondition with the number 5 stores the text 5";
    EXPECT_EQ(form.substr(50, 4), Hex({1, 2, 3, 4}));
    EXPECT_EQ(form.substr(190, 4), Hex({0, 9, 0, 4}));
    EXPECT_EQ(form.substr(form.size() - 2), Hex({0, 6}));
    // Parsed back, the same bytes; an enabled flag of 2 is kept as it is.
    cProfile q;
    int32_t pos = 0;
    q.UncompressFromNetworkBytes(state, form, pos);
    EXPECT_EQ(pos, static_cast<int32_t>(form.size()));
    EXPECT_EQ(q.m_Enabled, 2);
    EXPECT_EQ(q.CompressToNetworkBytes(), form);
    q.StoreOriginalSettings();
    EXPECT_FALSE(q.HasChangedSinceLastLoadFromDisk());
    q.m_TimeSchedule->SetActive(9, 1);
    EXPECT_TRUE(q.HasChangedSinceLastLoadFromDisk()) << "a schedule edit changes the profile";
}

TEST(Profile, SetNameParentsAndLevels) {
    struct Case {
        bool allowed;
        const char* name;
        const char* parent;
        int levels;
    } cases[] = {
        {true, "A@B", "A", 1},          {true, "a@b@c", "A@B", 2}, {true, "@x", "", 1},
        {true, "x@", "X", 1},           {true, "Area\\Top@Mid@Leaf", "AREA\\TOP@MID", 2},
        {true, "plain", "", 0},         {false, "A@B", "", 0},
    };
    for (const Case& c : cases) {
        ClientState state;
        state.ChildProfilesAllowed = c.allowed;
        cProfile p;
        p.m_ParentName = "stale";
        p.SetName(state, c.name);
        EXPECT_EQ(p.GetName(), c.name);
        EXPECT_EQ(p.m_ParentName, c.parent) << c.name;
        EXPECT_EQ(p.m_NestingLevels, c.levels) << c.name;
    }
}

TEST(Profile, IndexedFieldsRefuseOutsideTheirRange) {
    cProfile p;
    EXPECT_THROW(p.GetState(3), std::out_of_range);
    EXPECT_THROW(p.SetState(-1, 0), std::out_of_range);
    EXPECT_THROW(p.GetCondition(6), std::out_of_range);
    EXPECT_THROW(p.SetCondition(6, "x"), std::out_of_range);
    EXPECT_THROW(p.GetSystem(64), std::out_of_range);
    EXPECT_THROW(p.SetSystem(64, 1), std::out_of_range);
}

TEST(Profile, CutShortFormChangesNothing) {
    ClientState state;
    const Bytes form = korvel::testing::ProfileForm(state, 12, "profile", 2);
    cProfile before = NewProfile();
    before.SetName(state, "before");
    before.m_AutoBlockRepeatCount = 3;
    for (std::size_t cut = 0; cut < form.size(); ++cut) {
        cProfile p = before;
        auto schedule = p.m_TimeSchedule;
        int32_t pos = 0;
        EXPECT_THROW(p.UncompressFromNetworkBytes(state, form.substr(0, cut), pos), DecodeError) << cut;
        EXPECT_EQ(pos, 0);
        EXPECT_EQ(p.m_TimeSchedule, schedule);
        EXPECT_EQ(p.CompressToNetworkBytes(), before.CompressToNetworkBytes());
    }
    // A period string length that runs past the body, and a negative one.
    Bytes bad = form;
    const std::size_t lengthAt = form.size() - 2 - (186 + 23 * 2 * 4) - 2; // the period string's length
    bad[lengthAt] = 0x7F;
    cProfile p = before;
    int32_t pos = 0;
    EXPECT_THROW(p.UncompressFromNetworkBytes(state, bad, pos), DecodeError);
    bad[lengthAt] = static_cast<char>(0xFF);
    EXPECT_THROW(p.UncompressFromNetworkBytes(state, bad, pos), DecodeError);
}

TEST(Profile, ParseKeepsFieldsOutsideTheForm) {
    ClientState state;
    state.ChildProfilesAllowed = true;
    const Bytes form = korvel::testing::ProfileForm(state, 12, "top@leaf");
    cProfile p;
    p.m_AutoBlockRepeatCount = 4;
    p.m_AutoBlockedAlarms.push_back(std::make_shared<cAutoBlockedAlarm>());
    p.m_Original_Settings = "remembered";
    int32_t pos = 0;
    p.UncompressFromNetworkBytes(state, form, pos);
    EXPECT_EQ(p.m_AutoBlockRepeatCount, 4);
    EXPECT_EQ(p.m_AutoBlockedAlarms.size(), 1u);
    EXPECT_EQ(p.m_Original_Settings, "remembered");
    EXPECT_EQ(p.m_ParentName, "TOP");
    EXPECT_EQ(p.m_DiskIdentity, 12);
}

TEST(Profile, CopiesNeverShareASchedule) {
    ClientState state;
    auto source = korvel::testing::MakeProfile(state, 3, "src", 2);
    source->m_TimeSchedule->m_SelectedPeriod = source->m_TimeSchedule->m_Periods[4][1];
    cProfile viaCopyFrom;
    viaCopyFrom.CopyFrom(state, *source);
    cProfile viaCopy(*source);
    for (const cProfile* copy : {&viaCopyFrom, &viaCopy}) {
        ASSERT_TRUE(copy->m_TimeSchedule);
        EXPECT_NE(copy->m_TimeSchedule, source->m_TimeSchedule);
        EXPECT_NE(copy->m_TimeSchedule->m_Periods[0][0], source->m_TimeSchedule->m_Periods[0][0]);
        EXPECT_EQ(copy->CompressToNetworkBytes(), source->CompressToNetworkBytes());
    }
    EXPECT_EQ(viaCopy.m_TimeSchedule->m_SelectedPeriod, viaCopy.m_TimeSchedule->m_Periods[4][1]);
    EXPECT_FALSE(viaCopyFrom.m_TimeSchedule->m_SelectedPeriod) << "the selection is not part of the form";
}

TEST(AutoBlockedAlarm, StatusTexts) {
    ClientState state;
    state.TextTable.Rows = {{837, 1, 1}, {838, 2, 1}, {839, 3, 1}};
    state.TextTable.Blob = "abc";
    cAutoBlockedAlarm alarm;
    const char* want[] = {"a", "b", "c", "", ""};
    int statuses[] = {0, 1, 2, 3, -1};
    for (int i = 0; i < 5; ++i) {
        alarm.m_Status = static_cast<int16_t>(statuses[i]);
        EXPECT_EQ(alarm.GetStatusAsText(state), want[i]);
    }
}
