// The shared decoder, message type by message type; the look-ups; records held by a view
// while messages replace them; and the rule that a malformed message leaves the client
// state exactly as it was.
#include "core/cp1252.h"
#include "core/datafile.h"
#include "core/decoder.h"
#include "core/errors.h"
#include "core/records/calendar.h"
#include "core/serversettings.h"
#include "core/statedump.h"
#include "tests/core/fakesocket.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace korvel;
using korvel::testing::FakeSocket;
using korvel::testing::Hex;
using korvel::testing::ListBody;
using korvel::testing::MakeProfile;
using korvel::testing::ProfileForm;
using korvel::testing::ReceiverForm;
using korvel::testing::RecordRefBytes;

namespace {

struct Touched {
    std::shared_ptr<cReceiver> receiver;
    std::shared_ptr<cProfile> profile;
};

class DecoderTest : public ::testing::Test {
protected:
    DecoderTest() {
        m_Socket.StateValue = SocketConnected;
        m_State.ServerSocket = &m_Socket;
        m_Env.Clock = [] { return DateTime::FromParts(2024, 1, 2, 3, 4, 5); };
        m_State.DataFiles = &m_Env;
    }

    Touched Decode(MessageType type, std::string_view body) {
        const TouchedRecords touched = HandleServerMessage(m_State, type, body);
        return {touched.Receiver, touched.Profile};
    }

    // The message is refused with DecodeError and the state stays exactly as it was.
    void ExpectRefused(MessageType type, std::string_view body) {
        const std::string before = DumpDecoderState(m_State);
        const StateDigest digest = DigestDecoderState(m_State);
        EXPECT_THROW(Decode(type, body), DecodeError) << MessageName(type);
        EXPECT_EQ(DumpDecoderState(m_State), before) << MessageName(type);
        EXPECT_EQ(DigestDecoderState(m_State), digest) << MessageName(type);
        EXPECT_TRUE(m_Socket.Sent.empty());
    }

    void FillLists() {
        Decode(MessageType::MsgReceiverList, ListBody({{-1, ReceiverForm(1, "Alpha")}, {-1, ReceiverForm(2, "Beta")}}));
        Decode(MessageType::MsgProfileList,
               ListBody({{-1, ProfileForm(m_State, 10, "P10")}, {-1, ProfileForm(m_State, 11, "P11")}}));
    }

    std::vector<std::string> ProfileKeys() const {
        std::vector<std::string> keys;
        for (const auto& e : m_State.Profiles) keys.push_back(e.key);
        return keys;
    }
    std::vector<std::string> ReceiverKeys() const {
        std::vector<std::string> keys;
        for (const auto& e : m_State.Receivers) keys.push_back(e.key);
        return keys;
    }

    ClientState m_State;
    FakeSocket m_Socket;
    DataFileEnvironment m_Env;
};

using Keys = std::vector<std::string>;

} // namespace

TEST_F(DecoderTest, KeepAliveIsAnsweredWithOneEmptyFrame) {
    Touched t = Decode(MessageType::MsgKeepAlive, "");
    EXPECT_EQ(m_Socket.AllSent(), Hex({0, 0, 0, 0, 0}));
    EXPECT_EQ(m_Socket.Sent.size(), 1u);
    EXPECT_FALSE(t.receiver);
    EXPECT_FALSE(t.profile);
}

TEST_F(DecoderTest, ServerInfoAndRights) {
    Decode(MessageType::MsgServerDataPath,
           StringToNetworkBytes("\\\\srv\\data\\") + LongToNetworkBytes(2) + LongToNetworkBytes(9));
    EXPECT_EQ(m_State.ServerDataPath, "\\\\srv\\data\\");
    EXPECT_EQ(m_State.ServerKind, 2);
    Decode(MessageType::MsgUserRights, LongToNetworkBytes(0xA2));
    EXPECT_EQ(m_State.UserRights, 0xA2);
    ExpectRefused(MessageType::MsgServerDataPath,
                  StringToNetworkBytes("x") + LongToNetworkBytes(2)); // the unused Int32 is missing
    ExpectRefused(MessageType::MsgServerDataPath,
                  StringToNetworkBytes("x") + LongToNetworkBytes(40000) + LongToNetworkBytes(0));
    ExpectRefused(MessageType::MsgUserRights, Hex({0, 0, 1}));
}

TEST_F(DecoderTest, SettingsAndTheClearAllDayFlag) {
    using korvel::testing::SettingsBody;
    Decode(MessageType::MsgServerSettings,
           SettingsBody({{"General", Bytes("A=1\0ClearAllDayWhenDeletingTimeSchedule=0", 41)}}));
    EXPECT_EQ(m_State.SettingSections.Count, 1);
    EXPECT_EQ(m_State.SettingSections.Bodies[0], Bytes("\0A=1\0ClearAllDayWhenDeletingTimeSchedule=0\0", 43));
    EXPECT_FALSE(m_State.ClearAllDayWhenDeleting);
    Decode(MessageType::MsgServerSettings, SettingsBody({{"general", "clearalldaywhendeletingtimeschedule=&h10"}}));
    EXPECT_TRUE(m_State.ClearAllDayWhenDeleting);
    Decode(MessageType::MsgServerSettings, SettingsBody({{"General", "ClearAllDayWhenDeletingTimeSchedule=0"}}));
    Decode(MessageType::MsgServerSettings, SettingsBody({})); // n = 0: every setting takes its default, "1"
    EXPECT_EQ(m_State.SettingSections.Count, 0);
    EXPECT_EQ(GetServerSetting(m_State, "General", "ClearAllDayWhenDeletingTimeSchedule", "d"), "d");
    EXPECT_TRUE(m_State.ClearAllDayWhenDeleting);
    ExpectRefused(MessageType::MsgServerSettings,
                  SettingsBody({{"General", "ClearAllDayWhenDeletingTimeSchedule=yes"}}));
    ExpectRefused(MessageType::MsgServerSettings, SettingsBody({{"General", "ClearAllDayWhenDeletingTimeSchedule="}}));
    ExpectRefused(MessageType::MsgServerSettings,
                  SettingsBody({{"General", "ClearAllDayWhenDeletingTimeSchedule=1x"}}));
    ExpectRefused(MessageType::MsgServerSettings,
                  IntegerToNetworkBytes(2) + StringToNetworkBytes("a") + StringToNetworkBytes("b"));
}

TEST_F(DecoderTest, TextTable) {
    Decode(MessageType::MsgTextTable, LongToNetworkBytes(2) + LongToNetworkBytes(611) + LongToNetworkBytes(1) +
                                          LongToNetworkBytes(6) + LongToNetworkBytes(1088) + LongToNetworkBytes(7) +
                                          LongToNetworkBytes(3) + StringToNetworkBytes("MondayNo "));
    EXPECT_EQ(GetText(m_State, 611), "Monday");
    EXPECT_EQ(GetText(m_State, 1088), "No ");
    ExpectRefused(MessageType::MsgTextTable, LongToNetworkBytes(0x7FFFFFFF) + StringToNetworkBytes(""));
    ExpectRefused(MessageType::MsgTextTable, LongToNetworkBytes(0) + Hex({0, 5, 'a'})); // the blob is cut short
}

TEST_F(DecoderTest, ReceiverTypes) {
    using korvel::testing::ReceiverTypeRowBytes;
    Bytes body = LongToNetworkBytes(300);
    for (int i = 0; i < 300; ++i) body += ReceiverTypeRowBytes(static_cast<int16_t>(i + 1), "T", "X");
    Decode(MessageType::MsgReceiverTypeList, body);
    EXPECT_EQ(m_State.ReceiverTypes.Count, 300);
    EXPECT_EQ(m_State.ReceiverTypes.Rows[299].TypeId, 300);
    EXPECT_EQ(m_State.ReceiverTypes.Rows[0].CountryList, "SE,NO");
    EXPECT_EQ(m_State.ReceiverTypes.Rows[0].MaxTextLength, 160);
    Decode(MessageType::MsgReceiverTypeList, LongToNetworkBytes(1) + ReceiverTypeRowBytes(77, "ILM", "ILM"));
    EXPECT_EQ(m_State.ReceiverTypes.Count, 1);
    EXPECT_EQ(m_State.ReceiverTypes.Rows[0].TypeId, 77);
    EXPECT_EQ(m_State.ReceiverTypes.Rows[1].TypeId, 2) << "rows beyond the count keep what they held";
    ExpectRefused(MessageType::MsgReceiverTypeList,
                  LongToNetworkBytes(301) + body.substr(4) + ReceiverTypeRowBytes(1, "", ""));
    ExpectRefused(MessageType::MsgReceiverTypeList, LongToNetworkBytes(70000));
    ExpectRefused(MessageType::MsgReceiverTypeList, LongToNetworkBytes(2) + ReceiverTypeRowBytes(5, "a", "b"));
}

TEST_F(DecoderTest, SystemNames) {
    auto entry = [](int32_t n, const char* name) {
        return LongToNetworkBytes(n) + StringToNetworkBytes("-") + StringToNetworkBytes(name);
    };
    m_State.SystemNames[5] = "kept";
    Decode(MessageType::MsgSystemList, LongToNetworkBytes(2) + entry(0, "Zero") + entry(63, "Last"));
    EXPECT_EQ(m_State.SystemNames[0], "Zero");
    EXPECT_EQ(m_State.SystemNames[63], "Last");
    EXPECT_EQ(m_State.SystemNames[5], "kept");
    ExpectRefused(MessageType::MsgSystemList, LongToNetworkBytes(2) + entry(1, "a") + entry(64, "b"));
    ExpectRefused(MessageType::MsgSystemList, LongToNetworkBytes(1) + entry(-1, "a"));
}

TEST_F(DecoderTest, HolidayLabelsReplaceTheListAndOnlySetFlags) {
    auto entry = [](int32_t day, int16_t value, int16_t shown, const char* label) {
        return LongToNetworkBytes(day) + IntegerToNetworkBytes(value) + IntegerToNetworkBytes(shown) +
               StringToNetworkBytes(label);
    };
    Decode(MessageType::MsgHolidayLabelList,
           LongToNetworkBytes(2) + entry(0, 8, 1, "New Year") + entry(14609, 9, 0, "Last"));
    ASSERT_EQ(m_State.HolidayLabels.size(), 2u);
    EXPECT_EQ(*m_State.HolidayLabels[0], (cHolidayLabel{0, 8, true, "New Year"}));
    EXPECT_EQ(*m_State.HolidayLabels[1], (cHolidayLabel{14609, 9, false, "Last"}));
    auto held = m_State.HolidayLabels[0];
    Decode(MessageType::MsgHolidayLabelList, LongToNetworkBytes(1) + entry(100, 8, -1, "Other"));
    ASSERT_EQ(m_State.HolidayLabels.size(), 1u);
    EXPECT_TRUE(m_State.HolidayDayFlags[0]) << "flags are never cleared";
    EXPECT_TRUE(m_State.HolidayDayFlags[100]);
    EXPECT_EQ(held->m_Label, "New Year");
    ExpectRefused(MessageType::MsgHolidayLabelList, LongToNetworkBytes(1) + entry(14610, 8, 1, "x"));
    ExpectRefused(MessageType::MsgHolidayLabelList, LongToNetworkBytes(2) + entry(1, 8, 1, "x") + entry(-1, 8, 1, "y"));
}

TEST_F(DecoderTest, CalendarMessages) {
    cCalendar server;
    server.SetDayType(3, 9);
    server.SetDayTypeFullName(7, "Feast");
    const Bytes form = server.CompressToNetworkBytes();
    ExpectRefused(MessageType::MsgCalendar, form.substr(0, form.size() - 1));
    EXPECT_FALSE(m_State.SharedCalendar) << "a refused 170 creates nothing";
    Decode(MessageType::MsgCalendar, form);
    ASSERT_TRUE(m_State.SharedCalendar);
    auto shared = m_State.SharedCalendar;
    EXPECT_EQ(shared->GetDayType(3), 9);
    EXPECT_FALSE(shared->HasChangedSinceLastLoadFromDisk());

    // 180 equal to the shared calendar: nothing changes, the saved form is not renewed.
    shared->SetDayType(5, 1); // a local edit that the server's 180 already holds
    server.SetDayType(5, 1);
    Decode(MessageType::MsgCalendarSave, server.CompressToNetworkBytes());
    EXPECT_TRUE(shared->HasChangedSinceLastLoadFromDisk());
    // 180 that differs: the same object takes it and remembers it.
    server.SetDayType(4, 2);
    Decode(MessageType::MsgCalendarSave, server.CompressToNetworkBytes());
    EXPECT_EQ(m_State.SharedCalendar, shared);
    EXPECT_EQ(shared->GetDayType(4), 2);
    EXPECT_FALSE(shared->HasChangedSinceLastLoadFromDisk());
    // A cut-short 170 or 180 never half-clears the shared calendar.
    for (std::size_t cut : {std::size_t{3}, std::size_t{8}, form.size() - 1}) {
        ExpectRefused(MessageType::MsgCalendar, form.substr(0, cut));
        ExpectRefused(MessageType::MsgCalendarSave, form.substr(0, cut));
    }
}

TEST_F(DecoderTest, ProfileListReplacesTheCollection) {
    FillLists();
    auto held = GetProfileById(m_State, 10);
    ASSERT_TRUE(held);
    Decode(MessageType::MsgProfileList,
           ListBody({{-1, ProfileForm(m_State, 20, "P20")}, {5, ProfileForm(m_State, -3, "Pm3")}}));
    EXPECT_EQ(ProfileKeys(), (Keys{"K20", "K-3"}));
    EXPECT_FALSE(GetProfileById(m_State, 10));
    EXPECT_TRUE(GetProfileById(m_State, -3));
    EXPECT_EQ(held->GetName(), "P10") << "a holder keeps a valid record";
    for (const auto& e : m_State.Profiles) EXPECT_FALSE(e.item->HasChangedSinceLastLoadFromDisk());

    ExpectRefused(MessageType::MsgProfileList,
                  ListBody({{-1, ProfileForm(m_State, 7, "a")}, {-1, ProfileForm(m_State, 7, "b")}}));
    ExpectRefused(MessageType::MsgProfileList,
                  LongToNetworkBytes(2) + RecordRefBytes(-1, "") + ProfileForm(m_State, 7, "a"));
    ExpectRefused(MessageType::MsgProfileList, LongToNetworkBytes(40000));
    ExpectRefused(MessageType::MsgProfileList,
                  LongToNetworkBytes(1) + RecordRefBytes(40000, "") + ProfileForm(m_State, 7, "a"));
    Decode(MessageType::MsgProfileList, LongToNetworkBytes(-1)); // a negative count lists nothing
    EXPECT_EQ(m_State.Profiles.Count(), 0u);
}

TEST_F(DecoderTest, ReceiverListReplacesTheCollection) {
    FillLists();
    Decode(MessageType::MsgReceiverList, ListBody({{-1, ReceiverForm(9, "Nine")}}));
    EXPECT_EQ(ReceiverKeys(), (Keys{"K9"}));
    EXPECT_FALSE(GetReceiverById(m_State, 9)->HasChangedSinceLastLoadFromDisk());
    ExpectRefused(MessageType::MsgReceiverList, ListBody({{-1, ReceiverForm(1, "a")}, {-1, ReceiverForm(1, "b")}}));
    const Bytes whole = ListBody({{-1, ReceiverForm(1, "a")}, {-1, ReceiverForm(2, "b", 1, {"", "", "", "last"})}});
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        ExpectRefused(MessageType::MsgReceiverList, whole.substr(0, cut));
}

TEST_F(DecoderTest, ProfileSaveAddsOrUpdatesInPlace) {
    FillLists();
    auto p10 = GetProfileById(m_State, 10);
    // Unknown identity: a new profile at the end.
    Touched t = Decode(MessageType::MsgProfileSave, RecordRefBytes(12, "P12") + ProfileForm(m_State, 12, "P12"));
    ASSERT_TRUE(t.profile);
    EXPECT_FALSE(t.receiver);
    EXPECT_EQ(ProfileKeys(), (Keys{"K10", "K11", "K12"}));
    // Known identity: the same object, updated, moved to the end.
    t = Decode(MessageType::MsgProfileSave, RecordRefBytes(10, "P10") + ProfileForm(m_State, 10, "Renamed"));
    EXPECT_EQ(t.profile, p10);
    EXPECT_EQ(p10->GetName(), "Renamed");
    EXPECT_FALSE(p10->HasChangedSinceLastLoadFromDisk());
    EXPECT_EQ(ProfileKeys(), (Keys{"K11", "K12", "K10"}));
    // Found by name (identity -1) with a new identity: put under the new key, replacing
    // the record there; the entry under the old key stays.
    auto p11 = GetProfileById(m_State, 11);
    t = Decode(MessageType::MsgProfileSave, RecordRefBytes(-1, "renamed") + ProfileForm(m_State, 11, "Renamed"));
    EXPECT_EQ(t.profile, p10);
    EXPECT_EQ(ProfileKeys(), (Keys{"K12", "K10", "K11"}));
    EXPECT_EQ(GetProfileById(m_State, 11), p10);
    EXPECT_EQ(p11->GetName(), "P11") << "the replaced record is still valid for its holder";
    // A malformed 210 leaves the found profile as it was.
    const Bytes form = ProfileForm(m_State, 12, "changed");
    ExpectRefused(MessageType::MsgProfileSave, RecordRefBytes(12, "") + form.substr(0, form.size() - 1));
    ExpectRefused(MessageType::MsgProfileSave, RecordRefBytes(32768, "") + form);
}

TEST_F(DecoderTest, ReceiverSaveAddsOrUpdatesInPlace) {
    FillLists();
    auto alpha = GetReceiverById(m_State, 1);
    alpha->m_OriginalName = "outside the form";
    Touched t = Decode(MessageType::MsgReceiverSave, RecordRefBytes(1, "Alpha") + ReceiverForm(1, "Alpha2"));
    EXPECT_EQ(t.receiver, alpha);
    EXPECT_FALSE(t.profile);
    EXPECT_EQ(alpha->m_ReceiverName, "Alpha2");
    EXPECT_EQ(alpha->m_OriginalName, "outside the form");
    EXPECT_EQ(ReceiverKeys(), (Keys{"K2", "K1"}));
    t = Decode(MessageType::MsgReceiverSave, RecordRefBytes(-1, "") + ReceiverForm(-1, "New"));
    EXPECT_EQ(ReceiverKeys(), (Keys{"K2", "K1", "K-1"}));
    t = Decode(MessageType::MsgReceiverSave, RecordRefBytes(-1, "new") + ReceiverForm(3, "New")); // found by name
    EXPECT_EQ(GetReceiverById(m_State, 3), GetReceiverById(m_State, -1));
    const Bytes form = ReceiverForm(2, "Beta", 1, {"", "", "", "x"});
    for (std::size_t cut = 0; cut < form.size(); ++cut)
        ExpectRefused(MessageType::MsgReceiverSave, RecordRefBytes(2, "") + form.substr(0, cut));
}

TEST_F(DecoderTest, DeletesAndUnknownRecords) {
    FillLists();
    auto p11 = GetProfileById(m_State, 11);
    Touched t = Decode(MessageType::MsgProfileDelete, RecordRefBytes(-1, "p11"));
    EXPECT_EQ(t.profile, p11);
    EXPECT_EQ(ProfileKeys(), (Keys{"K10"}));
    t = Decode(MessageType::MsgProfileDelete, RecordRefBytes(99, "P10"));
    EXPECT_FALSE(t.profile) << "identity 99 is not known; the name is not consulted";
    t = Decode(MessageType::MsgReceiverDelete, RecordRefBytes(2, ""));
    EXPECT_TRUE(t.receiver);
    EXPECT_EQ(ReceiverKeys(), (Keys{"K1"}));
    t = Decode(MessageType::MsgReceiverDelete, RecordRefBytes(-1, ""));
    EXPECT_FALSE(t.receiver) << "the empty name finds nothing";
    ExpectRefused(MessageType::MsgProfileDelete, Hex({0, 0, 0, 10, 0, 4, 'P'}));
    ExpectRefused(MessageType::MsgReceiverDelete, RecordRefBytes(-40000, ""));
}

TEST_F(DecoderTest, EnableOrDisable) {
    FillLists();
    auto p10 = GetProfileById(m_State, 10);
    Touched t = Decode(MessageType::MsgProfileEnableOrDisable, RecordRefBytes(10, "") + IntegerToNetworkBytes(0));
    EXPECT_EQ(t.profile, p10);
    EXPECT_EQ(p10->m_Enabled, 0);
    EXPECT_FALSE(p10->HasChangedSinceLastLoadFromDisk());
    Decode(MessageType::MsgProfileEnableOrDisable, RecordRefBytes(10, "") + IntegerToNetworkBytes(5));
    EXPECT_EQ(p10->m_Enabled, -1);
    t = Decode(MessageType::MsgReceiverEnableOrDisable, RecordRefBytes(-1, "beta") + IntegerToNetworkBytes(0));
    EXPECT_EQ(t.receiver, GetReceiverById(m_State, 2));
    EXPECT_EQ(t.receiver->m_Enabled, 0);
    // Unknown record: nothing more is read.
    t = Decode(MessageType::MsgProfileEnableOrDisable, RecordRefBytes(55, ""));
    EXPECT_FALSE(t.profile);
    t = Decode(MessageType::MsgReceiverEnableOrDisable, RecordRefBytes(55, ""));
    EXPECT_FALSE(t.receiver);
    ExpectRefused(MessageType::MsgProfileEnableOrDisable, RecordRefBytes(10, "") + Hex({0}));
    ExpectRefused(MessageType::MsgReceiverEnableOrDisable, RecordRefBytes(1, ""));
}

TEST_F(DecoderTest, ReceiversTakeTheirTypesAndTheStateClock) {
    using korvel::testing::ReceiverTypeRowBytes;
    Decode(MessageType::MsgReceiverTypeList, LongToNetworkBytes(1) + ReceiverTypeRowBytes(4, "ILM", "ILM"));
    Decode(MessageType::MsgReceiverList,
           ListBody({{-1, ReceiverForm(1, "Alpha", 4)}, {-1, ReceiverForm(2, "Beta", 8)}}));
    auto alpha = GetReceiverById(m_State, 1);
    EXPECT_EQ(alpha->m_ReceiverTypeName, "ILM");
    EXPECT_EQ(alpha->m_ReceiverTypeIndex, 0);
    EXPECT_EQ(GetReceiverById(m_State, 2)->m_ReceiverTypeIndex, -1);
    // The second parse sees setting 1 of the first: "5" minutes make a keep-alive time.
    Decode(MessageType::MsgReceiverSave, RecordRefBytes(1, "") + ReceiverForm(1, "Alpha", 4, {"", "5", "", ""}));
    EXPECT_EQ(alpha->m_LastKeepAlive, DateTime::Zero());
    Decode(MessageType::MsgReceiverSave, RecordRefBytes(1, "") + ReceiverForm(1, "Alpha", 4, {"", "5", "", ""}));
    EXPECT_EQ(alpha->m_LastKeepAlive, DateTime::FromParts(2024, 1, 2, 3, 4, 5));
}

TEST_F(DecoderTest, LookUps) {
    FillLists();
    EXPECT_EQ(GetProfileByName(m_State, "p11"), GetProfileById(m_State, 11));
    EXPECT_EQ(GetReceiverByName(m_State, "BETA"), GetReceiverById(m_State, 2));
    EXPECT_FALSE(GetProfileByName(m_State, ""));
    EXPECT_FALSE(GetReceiverByName(m_State, "Gamma"));
    EXPECT_FALSE(GetProfileById(m_State, 12));
}

TEST_F(DecoderTest, OtherTypesPassThrough) {
    FillLists();
    const std::string before = DumpDecoderState(m_State);
    // Those only a control handles, and numbers the list does not hold.
    for (MessageType type : {MessageType::MsgProtocolVersion, MessageType::MsgStatusText, MessageType::MsgTextMessage,
                             MessageType::MsgLastMessageReceivers, MessageType::MsgLastMessageText,
                             MessageType::MsgAlarmEventList, MessageType::MsgSysLogList,
                             MessageType::MsgAlarmEventUpdate, MessageType::MsgSysLogLine,
                             static_cast<MessageType>(201), static_cast<MessageType>(255)}) {
        Touched t = Decode(type, "garbage");
        EXPECT_FALSE(t.receiver);
        EXPECT_FALSE(t.profile);
    }
    EXPECT_EQ(DumpDecoderState(m_State), before);
    EXPECT_TRUE(m_Socket.Sent.empty());
}

// The digest the fuzz target compares stands for the dump: over a run of states that
// differ by one field each (a byte, a number, a text moved across a field boundary, two
// keys on one object against two equal objects), two digests are equal exactly when the
// dumps are.
TEST_F(DecoderTest, DigestIsEqualExactlyWhenTheDumpIs) {
    std::vector<std::pair<std::string, StateDigest>> seen;
    auto snap = [&] { seen.emplace_back(DumpDecoderState(m_State), DigestDecoderState(m_State)); };
    snap();
    snap(); // the same state twice
    FillLists();
    snap();
    m_State.ServerDataPath = "ab";
    snap();
    m_State.ServerDataPath = "ac";
    snap();
    m_State.ServerKind = 2;
    snap();
    m_State.SettingSections.Count = 1;
    m_State.SettingSections.Names = {"a"};
    m_State.SettingSections.Bodies = {"b"};
    snap();
    m_State.SettingSections.Names = {"ab"};
    m_State.SettingSections.Bodies = {""}; // the same bytes across the boundary
    snap();
    m_State.ReceiverTypes.Rows[299].CountryList = "SE";
    snap();
    m_State.SystemNames[63] = "S";
    snap();
    m_State.HolidayDayFlags[14609] = true;
    snap();
    Decode(MessageType::MsgCalendar, cCalendar().CompressToNetworkBytes());
    snap();
    m_State.SharedCalendar->SetDayType(5, 9);
    snap();
    GetProfileById(m_State, 10)->m_NestingLevels = 3;
    snap();
    GetReceiverById(m_State, 2)->m_ReceiverName = "Bet";
    snap();
    // K1 and K2 on one object, then on two objects of the same content.
    auto alpha = GetReceiverById(m_State, 1);
    m_State.Receivers.Remove("K2");
    m_State.Receivers.Add("K2", alpha);
    snap();
    m_State.Receivers.Remove("K2");
    m_State.Receivers.Add("K2", std::make_shared<cReceiver>(*alpha));
    snap();
    m_State.TextTable.Rows.push_back({1, 1, 0});
    snap();
    for (std::size_t i = 0; i < seen.size(); ++i)
        for (std::size_t j = 0; j < seen.size(); ++j)
            EXPECT_EQ(seen[i].first == seen[j].first, seen[i].second == seen[j].second) << i << " against " << j;
    EXPECT_EQ(seen[0].second, seen[1].second);
    // Records whose form is not the one they remember are counted on the way.
    EXPECT_EQ(DigestDecoderState(m_State).UnsavedRecords, 0);
    alpha->m_Enabled = 0;
    GetProfileById(m_State, 11)->m_Enabled = !GetProfileById(m_State, 11)->m_Enabled;
    EXPECT_EQ(DigestDecoderState(m_State).UnsavedRecords, 2);
}

TEST_F(DecoderTest, NegativeCountsInEveryListMeanNone) {
    FillLists();
    Decode(MessageType::MsgHolidayLabelList, LongToNetworkBytes(1) + LongToNetworkBytes(5) + IntegerToNetworkBytes(8) +
                                                 IntegerToNetworkBytes(-1) + StringToNetworkBytes("Day"));
    ASSERT_EQ(m_State.HolidayLabels.size(), 1u);

    // Each list is accepted as empty, whatever follows the count.
    Decode(MessageType::MsgProfileList, LongToNetworkBytes(-2) + "rest");
    EXPECT_EQ(m_State.Profiles.Count(), 0u);
    Decode(MessageType::MsgReceiverList, LongToNetworkBytes(-1) + "rest");
    EXPECT_EQ(m_State.Receivers.Count(), 0u);
    Decode(MessageType::MsgHolidayLabelList, LongToNetworkBytes(-1));
    EXPECT_TRUE(m_State.HolidayLabels.empty());
    Decode(MessageType::MsgReceiverTypeList, LongToNetworkBytes(-3));
    EXPECT_EQ(m_State.ReceiverTypes.SearchBound(), 0);
    Decode(MessageType::MsgSystemList, LongToNetworkBytes(-1));
    Decode(MessageType::MsgTextTable, LongToNetworkBytes(-4) + StringToNetworkBytes("blob"));
    EXPECT_TRUE(m_State.TextTable.Rows.empty());
    Decode(MessageType::MsgServerSettings, IntegerToNetworkBytes(-1));
    EXPECT_TRUE(m_State.SettingSections.Names.empty());
    EXPECT_TRUE(m_Socket.Sent.empty()) << "nothing refused, nothing answered";
}

// Look-up by name goes through an index of the names; it must answer exactly as the scan
// in collection order for the first record whose name equals the name in upper case,
// whatever changed the names: lists, saves that rename or change the identity (leaving
// the record under its old key too), deletions, and names changed in place on records of
// the collections and on records held outside them (moved, copied, parsed into,
// renamed by SetName), also more changes at once than the index's journal keeps.
TEST_F(DecoderTest, LookUpsByNameAnswerAsTheScanInCollectionOrder) {
    std::mt19937 random(17);
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    // Names that meet when upper-cased: letters, accented letters (0xE9/0xC9), "@", "\".
    const std::vector<Bytes> names = {"alpha", "Alpha", "ALPHA", "beta", "Beta", "\xE9t\xE9", "\xC9T\xC9",
                                      "a@b",   "A@B",   "N\\door", "n\\DOOR", "gamma", ""};
    auto name = [&] { return names[static_cast<std::size_t>(pick(0, static_cast<int>(names.size()) - 1))]; };
    auto identity = [&] { return static_cast<int16_t>(pick(-2, 9)); };
    auto refIdentity = [&](int16_t id) { return pick(0, 2) == 0 ? -1 : id; };
    std::vector<std::shared_ptr<cReceiver>> heldReceivers; // as views hold them
    std::vector<std::shared_ptr<cProfile>> heldProfiles;
    auto hold = [&](const Touched& t) {
        if (t.receiver) heldReceivers.push_back(t.receiver);
        if (t.profile) heldProfiles.push_back(t.profile);
    };
    auto holdAll = [&] {
        for (const auto& e : m_State.Receivers) heldReceivers.push_back(e.item);
        for (const auto& e : m_State.Profiles) heldProfiles.push_back(e.item);
    };
    auto anyReceiver = [&] { return heldReceivers[static_cast<std::size_t>(pick(0, static_cast<int>(heldReceivers.size()) - 1))]; };
    auto anyProfile = [&] { return heldProfiles[static_cast<std::size_t>(pick(0, static_cast<int>(heldProfiles.size()) - 1))]; };
    auto receiverList = [&] {
        std::vector<std::pair<int32_t, Bytes>> entries;
        std::set<int16_t> ids;
        for (int i = pick(0, 8); i > 0; --i)
            if (const int16_t id = identity(); ids.insert(id).second) entries.emplace_back(-1, ReceiverForm(id, name()));
        return ListBody(entries);
    };
    auto profileList = [&] {
        std::vector<std::pair<int32_t, Bytes>> entries;
        std::set<int16_t> ids;
        for (int i = pick(0, 8); i > 0; --i)
            if (const int16_t id = identity(); ids.insert(id).second)
                entries.emplace_back(-1, ProfileForm(m_State, id, name(), 0));
        return ListBody(entries);
    };
    auto check = [&](int step) {
        for (const Bytes& n : names) {
            std::shared_ptr<cReceiver> receiver;
            for (const auto& e : m_State.Receivers)
                if (!n.empty() && EqualsIgnoreCase(e.item->m_ReceiverName, n)) {
                    receiver = e.item;
                    break;
                }
            std::shared_ptr<cProfile> profile;
            for (const auto& e : m_State.Profiles)
                if (!n.empty() && EqualsIgnoreCase(e.item->GetName(), n)) {
                    profile = e.item;
                    break;
                }
            ASSERT_EQ(GetReceiverByName(m_State, n), receiver) << "step " << step << " name " << n;
            ASSERT_EQ(GetProfileByName(m_State, n), profile) << "step " << step << " name " << n;
        }
    };
    Decode(MessageType::MsgReceiverList, receiverList());
    Decode(MessageType::MsgProfileList, profileList());
    holdAll();
    heldReceivers.push_back(std::make_shared<cReceiver>());
    heldProfiles.push_back(MakeProfile(m_State, 1, "outside", 0));
    for (int step = 0; step < 4000; ++step) {
        const int16_t id = identity();
        switch (pick(0, 15)) {
        case 0:
            Decode(MessageType::MsgReceiverList, receiverList());
            holdAll();
            break;
        case 1:
            Decode(MessageType::MsgProfileList, profileList());
            holdAll();
            break;
        case 2: // saves: new, updated, renamed, with a new identity
        case 3:
            hold(Decode(MessageType::MsgReceiverSave,
                        RecordRefBytes(refIdentity(id), name()) + ReceiverForm(identity(), name())));
            break;
        case 4:
            hold(Decode(MessageType::MsgProfileSave,
                        RecordRefBytes(refIdentity(id), name()) + ProfileForm(m_State, identity(), name(), 0)));
            break;
        case 5: hold(Decode(MessageType::MsgReceiverDelete, RecordRefBytes(refIdentity(id), name()))); break;
        case 6: hold(Decode(MessageType::MsgProfileDelete, RecordRefBytes(refIdentity(id), name()))); break;
        case 7:
            hold(Decode(MessageType::MsgReceiverEnableOrDisable, RecordRefBytes(-1, name()) + IntegerToNetworkBytes(0)));
            break;
        case 8: { // in place, in every way a name can be written
            const auto r = anyReceiver();
            switch (pick(0, 4)) {
            case 0: r->m_ReceiverName = name(); break;
            case 1: r->m_ReceiverName.assign(name()); break;
            case 2: r->m_ReceiverName = anyReceiver()->m_ReceiverName; break;
            case 3: r->CopyFrom(m_State, *anyReceiver()); break;
            default: {
                cReceiver other = *anyReceiver();
                *r = std::move(other);
            }
            }
            break;
        }
        case 9: { // a name moved out of a record leaves it empty
            cReceiver taken = std::move(*anyReceiver());
            break;
        }
        case 10: anyProfile()->SetName(m_State, name()); break;
        case 11: {
            const auto p = anyProfile();
            if (pick(0, 1)) p->CopyFrom(m_State, *anyProfile());
            else *p = *anyProfile();
            break;
        }
        case 12: { // as the profiles editor adds: into the collection first, then named
            auto p = MakeProfile(m_State, id, "", 0);
            if (m_State.Profiles.Add(RecordKey(id), p)) p->SetName(m_State, name());
            heldProfiles.push_back(p);
            break;
        }
        case 13: m_State.Profiles.Remove(RecordKey(id)); break;
        case 14: { // renames, then more changes than the journal keeps
            anyReceiver()->m_ReceiverName = name();
            anyProfile()->SetName(m_State, name());
            cReceiver scratch;
            for (std::size_t i = 0; i <= RenameJournal::kRoom; ++i) scratch.m_ReceiverName = i % 2 ? "x" : "y";
            break;
        }
        default: break; // look-ups with nothing changed since the last ones
        }
        check(step);
        if (::testing::Test::HasFatalFailure()) return;
    }
}
