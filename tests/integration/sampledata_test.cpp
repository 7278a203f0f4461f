// The substitute server's default data set reads cleanly through the client's decoder.
#include "controls/receivers/parameterlayout.h"
#include "core/clientstate.h"
#include "core/decoder.h"
#include "core/numeric.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "testserver/sampledata.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(SampleData, DefaultSetDecodesIntoTheClientState) {
    testserver::SampleData data;
    ASSERT_TRUE(testserver::MakeSampleData("default", data));
    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    using enum MessageType;
    for (MessageType request : {MsgTextTable, MsgServerSettings, MsgReceiverTypeList, MsgSystemList,
                                MsgHolidayLabelList, MsgCalendar, MsgReceiverList, MsgProfileList, MsgSysLogList}) {
        const auto answers = testserver::AnswerFor(data, request);
        ASSERT_FALSE(answers.empty()) << MessageName(request);
        for (const auto& frame : answers)
            ASSERT_NO_THROW(HandleServerMessage(state, frame.Type, frame.Body)) << MessageName(request);
    }
    EXPECT_EQ(GetText(state, 431), "&Route Profiles");
    EXPECT_EQ(GetServerSetting(state, "general", "countryfilter", ""), "SE,NO,GB");
    EXPECT_EQ(state.ReceiverTypes.Count, static_cast<int16_t>(data.ReceiverTypes.size()));
    // A type that allows no text would refuse every message to its receivers.
    for (const auto& type : data.ReceiverTypes) EXPECT_GT(type.MaxTextLength, 0) << type.Name;
    EXPECT_EQ(state.SystemNames[7], "Substation North");
    EXPECT_EQ(state.HolidayLabels.size(), data.Holidays.size());
    ASSERT_TRUE(state.SharedCalendar);
    EXPECT_EQ(state.SharedCalendar->GetDayTypeFullName(state, 7), "Public holiday");
    EXPECT_EQ(state.Receivers.Count(), 6u);
    EXPECT_EQ(state.Profiles.Count(), 8u);
    auto gate = GetReceiverById(state, 4);
    ASSERT_TRUE(gate);
    EXPECT_EQ(gate->m_ReceiverName, "North\\Gatehouse screen");
    EXPECT_EQ(gate->m_ReceiverTypeName, "Pop-up window");
    // Every list setting of a sample receiver has one of its type's choices.
    int lists = 0;
    for (const auto& type : data.ReceiverTypes) {
        const auto layout = receivers::ParseParameterLayout(type.ParameterLayout);
        for (int id = 1; id <= 6; ++id) {
            const auto r = GetReceiverById(state, id);
            ASSERT_TRUE(r);
            if (r->GetReceiverTypeId() != type.TypeId) continue;
            for (int i = 0; i < receivers::kSettingFields; ++i) {
                if (!layout[static_cast<std::size_t>(i)].IsList) continue;
                ++lists;
                const Bytes stored = r->GetSetting(i).ToText();
                const auto choice = NumericValueAsInt32(stored);
                EXPECT_TRUE(IsNumeric(stored) && choice && *choice >= 0 &&
                            *choice < static_cast<int>(layout[static_cast<std::size_t>(i)].Choices.size()))
                    << r->m_ReceiverName << " setting " << i << ": \"" << stored << '"';
            }
        }
    }
    EXPECT_EQ(lists, 6);
    auto night = GetProfileById(state, 2);
    ASSERT_TRUE(night);
    EXPECT_EQ(night->m_Enabled, 0);
}
