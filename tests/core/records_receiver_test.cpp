// The receiver record: its network form to the byte, the type look-up with its keep-alive
// rule, change tracking and the all-or-nothing parse.
#include "core/datafile.h"
#include "core/errors.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

using namespace korvel;
using korvel::testing::Hex;

namespace {

class ReceiverTest : public ::testing::Test {
protected:
    ReceiverTest() {
        m_Env.Clock = [this] { return m_Now; };
        m_State.DataFiles = &m_Env;
        m_State.TextTable.Rows = {{1088, 1, 7}};
        m_State.TextTable.Blob = "No type";
    }
    void AddType(int row, int16_t id, const char* name, const char* protocol) {
        m_State.ReceiverTypes.Rows[row].TypeId = id;
        m_State.ReceiverTypes.Rows[row].TypeName = name;
        m_State.ReceiverTypes.Rows[row].ProtocolCode = protocol;
        if (m_State.ReceiverTypes.Count <= row) m_State.ReceiverTypes.Count = static_cast<int16_t>(row + 1);
    }
    ClientState m_State;
    DataFileEnvironment m_Env;
    DateTime m_Now = DateTime::FromParts(2024, 3, 4, 5, 6, 7);
};

} // namespace

TEST_F(ReceiverTest, NewReceiverFormIs34Bytes) {
    cReceiver r;
    const Bytes want = Hex({0, 0,       // name ""
                            0xFF, 0xFF, // enabled -1
                            0xFF, 0xFF, // identity -1
                            0xFF, 0xFF, // type id -1
                            0, 0,       // backup ""
                            0x07, 0x6B, 0, 12, 0, 30, 0, 0, 0, 0, 0, 0, // 1899-12-30 00:00:00
                            0, 0, 0, 0, // keep-alive interval
                            0, 0, 0, 0, 0, 0, 0, 0}); // four empty settings
    EXPECT_EQ(r.CompressToNetworkBytes(), want);
    EXPECT_EQ(want.size(), 34u);
    EXPECT_TRUE(r.HasChangedSinceLastLoadFromDisk()) << "nothing remembered yet";
    r.StoreOriginalSettings();
    EXPECT_FALSE(r.HasChangedSinceLastLoadFromDisk());
}

TEST_F(ReceiverTest, FormRoundTripsFieldByField) {
    AddType(0, 7, "SMS", "GSM");
    const Bytes form = Hex({0, 3, 'N', '\\', 'a',   // name
                            0, 5,                    // enabled 5 is stored as -1
                            0, 42,                   // identity
                            0, 7,                    // type id
                            0, 2, 'b', 'k',          // backup
                            0x07, 0xD8, 0, 2, 0, 29, 0, 13, 0, 5, 0, 9, // 2008-02-29 13:05:09
                            0, 0, 0x0E, 0x10,        // 3600 s
                            0, 1, 'x', 0, 0, 0, 1, '2', 0, 0});
    cReceiver r;
    int32_t pos = 0;
    r.UncompressFromNetworkBytes(m_State, form, pos);
    EXPECT_EQ(pos, static_cast<int32_t>(form.size()));
    EXPECT_EQ(r.m_ReceiverName, "N\\a");
    EXPECT_EQ(r.m_Enabled, -1);
    EXPECT_EQ(r.m_DiskIdentity, 42);
    EXPECT_EQ(r.GetReceiverTypeId(), 7);
    EXPECT_EQ(r.m_ReceiverTypeIndex, 0);
    EXPECT_EQ(r.m_ReceiverTypeName, "SMS");
    EXPECT_EQ(r.m_BackupReceiver, "bk");
    EXPECT_EQ(r.m_FileDateTimeStamp, DateTime::FromParts(2008, 2, 29, 13, 5, 9));
    EXPECT_EQ(r.m_KeepAliveInterval, 3600);
    EXPECT_EQ(r.GetSetting(0), Variant("x"));
    EXPECT_EQ(r.GetSetting(2), Variant("2"));
    Bytes again = form;
    again[5] = static_cast<char>(0xFF), again[6] = static_cast<char>(0xFF); // the enabled flag comes back as -1
    EXPECT_EQ(r.CompressToNetworkBytes(), again);
}

TEST_F(ReceiverTest, SettingsAsText) {
    cReceiver r;
    r.SaveSetting(0, Variant::Long(-1));
    r.SaveSetting(1, Variant::Double(0.5));
    r.SaveSetting(2, Variant::Boolean(true));
    r.SaveSetting(3, "t");
    Bytes form = r.CompressToNetworkBytes();
    EXPECT_EQ(form.substr(form.size() - 18),
              Hex({0, 2, '-', '1', 0, 3, '0', '.', '5', 0, 4, 'T', 'r', 'u', 'e', 0, 1, 't'}));
    EXPECT_THROW(r.GetSetting(4), std::out_of_range);
    EXPECT_THROW(r.SaveSetting(-1, "x"), std::out_of_range);
    EXPECT_EQ(r.GetSetting(0).TypeCode(), SettingLong);
}

TEST_F(ReceiverTest, TypeLookUpAndKeepAliveRule) {
    AddType(0, 3, "Pager", "PAGE");
    AddType(1, 9, "ILM link", "ilm");
    AddType(2, 10, "ILM tcp", "ILMTCP");
    const DateTime earlier = DateTime::FromParts(2020, 1, 1);
    struct Case {
        int16_t typeId;
        Variant setting1;
        int16_t wantIndex;
        const char* wantName;
        int32_t wantInterval;
        DateTime wantLast;
    } cases[] = {
        {3, "5", 0, "Pager", 0, earlier},                         // other protocols keep the time
        {9, "2", 1, "ILM link", 120, m_Now},                      // lower-case code matches
        {10, "2", 2, "ILM tcp", 120, m_Now},
        {10, "abc", 2, "ILM tcp", 0, DateTime::Zero()},
        {10, "2 min", 2, "ILM tcp", 0, DateTime::Zero()},         // only begins with a number
        {10, " 2 ", 2, "ILM tcp", 120, m_Now},
        {10, "0.004", 2, "ILM tcp", 0, DateTime::Zero()},         // 0.24 s rounds to 0
        {10, "0.025", 2, "ILM tcp", 2, m_Now},                    // 1.5 rounds to even 2
        {10, "1e300", 2, "ILM tcp", 0, earlier},                  // overflow ends the rule
        {7, "2", -1, "(No type: 0007)", 77, earlier},             // no row: interval and time kept
        {-1, "2", -1, "(No type: 00-1)", 77, earlier},
        {12345, "2", -1, "(No type: 2345)", 77, earlier},
    };
    for (const Case& c : cases) {
        cReceiver r;
        r.m_KeepAliveInterval = 77;
        r.m_LastKeepAlive = earlier;
        r.SaveSetting(1, c.setting1);
        r.SetReceiverTypeId(m_State, c.typeId);
        SCOPED_TRACE(c.typeId);
        EXPECT_EQ(r.GetReceiverTypeId(), c.typeId);
        EXPECT_EQ(r.m_ReceiverTypeIndex, c.wantIndex);
        EXPECT_EQ(r.m_ReceiverTypeName, c.wantName);
        EXPECT_EQ(r.m_KeepAliveInterval, c.typeId == 3 ? 0 : c.wantInterval);
        EXPECT_EQ(r.m_LastKeepAlive, c.wantLast);
    }
}

TEST_F(ReceiverTest, SearchStopsAtTheCountAndAtTheTable) {
    AddType(0, 1, "one", "X");
    AddType(5, 6, "six", "X");
    m_State.ReceiverTypes.Count = 5; // row 5 lies beyond the count
    cReceiver r;
    r.SetReceiverTypeId(m_State, 6);
    EXPECT_EQ(r.m_ReceiverTypeIndex, -1);
    m_State.ReceiverTypes.Count = 32000; // a count over the table's size searches 300 rows
    r.SetReceiverTypeId(m_State, 6);
    EXPECT_EQ(r.m_ReceiverTypeIndex, 5);
}

TEST_F(ReceiverTest, ParseSeesOldSettingOneThenTakesTheFormsInterval) {
    AddType(0, 10, "ILM tcp", "ILMTCP");
    cReceiver r;
    r.SaveSetting(1, "3"); // the old setting decides the keep-alive time
    const Bytes form = korvel::testing::ReceiverForm(5, "r", 10, {"", "abc", "", ""});
    int32_t pos = 0;
    r.UncompressFromNetworkBytes(m_State, form, pos);
    EXPECT_EQ(r.m_LastKeepAlive, m_Now);
    EXPECT_EQ(r.m_KeepAliveInterval, 0) << "field 7 replaces the computed interval";
    EXPECT_EQ(r.GetSetting(1), Variant("abc"));
}

TEST_F(ReceiverTest, CutShortFormChangesNothing) {
    const Bytes form = korvel::testing::ReceiverForm(5, "receiver", 1, {"a", "b", "c", "dddd"});
    cReceiver before;
    before.m_ReceiverName = "old";
    before.m_OriginalName = "kept";
    for (std::size_t cut = 0; cut < form.size(); ++cut) {
        cReceiver r = before;
        int32_t pos = 0;
        EXPECT_THROW(r.UncompressFromNetworkBytes(m_State, form.substr(0, cut), pos), DecodeError) << cut;
        EXPECT_EQ(pos, 0);
        EXPECT_EQ(r.CompressToNetworkBytes(), before.CompressToNetworkBytes());
        EXPECT_EQ(r.m_ReceiverTypeName, "");
    }
}

TEST_F(ReceiverTest, CopyFromTakesOnlyTheNetworkFields) {
    cReceiver source;
    source.m_ReceiverName = "src";
    source.m_OriginalName = "not carried";
    source.m_SendingFailed = true;
    source.SaveSetting(2, "v");
    cReceiver copy;
    copy.CopyFrom(m_State, source);
    EXPECT_EQ(copy.CompressToNetworkBytes(), source.CompressToNetworkBytes());
    EXPECT_EQ(copy.m_OriginalName, "");
    EXPECT_FALSE(copy.m_SendingFailed);
}
