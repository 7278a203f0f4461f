// The receiver's record file: names, versions 5, 4 and 3, the upgrade, identities,
// removal and the failure paths.
#include "core/records/receiver.h"
#include "datafile_support.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::testing;

namespace {

const std::string kPath7 = "/data/Receivers/Receiver_0007.dat";
const std::string kPath12 = "/data/Receivers/Receiver_0012.dat";

Bytes Le16(int v) {
    Bytes b;
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
    return b;
}

// A receiver with values of its own, so a load that changes nothing can be seen.
cReceiver Untouched(ClientState& state) {
    cReceiver r;
    r.m_ReceiverName = "before";
    r.m_Enabled = 0;
    r.m_BackupReceiver = "backup before";
    r.SaveSetting(2, Variant("kept"));
    r.SetReceiverTypeId(state, 9);
    return r;
}

} // namespace

TEST(DataFileReceiver, FileNames) {
    ClientState state;
    state.ServerDataPath = "\\\\srv\\data\\";
    cReceiver r;
    EXPECT_EQ(r.CreateFileName(state, 7), "\\\\srv\\data\\Receivers\\Receiver_0007.dat");
    EXPECT_EQ(r.CreateFileName(state, 12345), "\\\\srv\\data\\Receivers\\Receiver_2345.dat");
    EXPECT_EQ(r.CreateFileName(state, -1), "\\\\srv\\data\\Receivers\\Receiver_00-1.dat");
    state.ServerDataPath = "/srv/data"; // used as received: no separator is added
    EXPECT_EQ(r.CreateFileName(state, 7), "/srv/dataReceivers\\Receiver_0007.dat");
}

TEST(DataFileReceiver, Version5LoadsAndSavesByteForByte) {
    FileTestState t;
    const Bytes sample = SampleFile("receiver_v5.dat");
    ASSERT_EQ(sample.size(), 2131u);
    t.Memory->Files[kPath7] = sample;
    cReceiver r;
    ASSERT_TRUE(r.LoadFromDisk(t.State, 7));
    EXPECT_TRUE(t.Trace.empty());
    EXPECT_EQ(t.Memory->Writes, 0);
    EXPECT_EQ(r.m_DiskIdentity, 7);
    EXPECT_EQ(r.m_Enabled, -1);
    EXPECT_EQ(r.GetReceiverTypeId(), 3);
    EXPECT_EQ(r.m_ReceiverName, "North\\Door 1");
    EXPECT_EQ(r.GetSetting(0), Variant("192.168.0.10"));
    EXPECT_EQ(r.GetSetting(1), Variant("2"));
    EXPECT_TRUE(r.GetSetting(2).IsEmpty());
    EXPECT_EQ(r.GetSetting(3), Variant("\xe9t\xe9"));
    EXPECT_EQ(r.m_BackupReceiver, "North\\Pager");
    EXPECT_EQ(r.m_FileDateTimeStamp, SampleSavedAt());
    EXPECT_FALSE(r.HasChangedSinceLastLoadFromDisk());

    t.Env.Clock = [] { return SampleSavedAt(); };
    ASSERT_TRUE(r.SaveToDisk(t.State));
    EXPECT_EQ(t.Memory->Files[kPath7], sample);
    EXPECT_EQ(r.m_HasUpdatedDiskIdentity, 0);
}

TEST(DataFileReceiver, OlderVersionsAreUpgradedOnce) {
    struct Case { const char* sample; const char* upgraded; int version; int16_t enabled; Bytes backup; } cases[] = {
        {"receiver_v4.dat", "receiver_v4_upgraded.dat", 4, 0, "North\\Pager"},
        {"receiver_v3.dat", "receiver_v3_upgraded.dat", 3, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        FileTestState t;
        t.Memory->Files[kPath12] = SampleFile(c.sample);
        cReceiver r;
        ASSERT_TRUE(r.LoadFromDisk(t.State, 12));
        EXPECT_EQ(t.Trace, std::vector<Bytes>{"T888 '/data/Receivers\\Receiver_0012.dat' (version " +
                                               std::to_string(c.version) + " -> 5)"});
        EXPECT_EQ(r.m_DiskIdentity, 12);
        EXPECT_EQ(r.m_Enabled, c.enabled);
        EXPECT_EQ(r.m_BackupReceiver, c.backup);
        EXPECT_EQ(r.GetSetting(0), Variant("192.168.0.10"));
        EXPECT_EQ(r.m_FileDateTimeStamp, DateTime::Zero()); // only version 5 carries it
        EXPECT_EQ(t.Memory->Files[kPath12], SampleFile(c.upgraded));
        EXPECT_FALSE(r.HasChangedSinceLastLoadFromDisk());

        t.Trace.clear();
        cReceiver again;
        EXPECT_TRUE(again.LoadFromDisk(t.State, 12));
        EXPECT_TRUE(t.Trace.empty());
        EXPECT_EQ(t.Memory->Writes, 1);
        EXPECT_EQ(again.m_FileDateTimeStamp, UpgradeTime());
    }
}

TEST(DataFileReceiver, UnknownVersionIsTracedAndNotRewritten) {
    for (int version : {6, 2, 0, -1}) {
        FileTestState t;
        Bytes file = SampleFile("receiver_v5.dat");
        file.replace(0, 2, Le16(version));
        t.Memory->Files[kPath7] = file;
        cReceiver r = Untouched(t.State);
        const Bytes before = r.CompressToNetworkBytes();
        EXPECT_FALSE(r.LoadFromDisk(t.State, 7));
        EXPECT_EQ(t.Trace, std::vector<Bytes>{"T803 '/data/Receivers\\Receiver_0007.dat' (" + std::to_string(version) +
                                               ") T804"});
        EXPECT_EQ(t.Memory->Files[kPath7], file);
        EXPECT_EQ(t.Memory->Writes, 0);
        EXPECT_EQ(r.m_DiskIdentity, 7);
        EXPECT_EQ(r.m_ReceiverName, "before");
        EXPECT_NE(r.CompressToNetworkBytes(), before); // only through the identity
    }
}

// Every file cut short of its layout fails as a whole: nothing of it reaches the
// receiver, nothing is rewritten, and the failed load is traced.
TEST(DataFileReceiver, FilesShorterThanTheirLayoutFailAsAWhole) {
    for (const char* sample : {"receiver_v5.dat", "receiver_v4.dat", "receiver_v3.dat"}) {
        const Bytes whole = SampleFile(sample);
        for (std::size_t length = 2; length < whole.size(); ++length) {
            FileTestState t;
            t.Memory->Files[kPath7] = whole.substr(0, length);
            cReceiver r = Untouched(t.State);
            ASSERT_FALSE(r.LoadFromDisk(t.State, 7)) << sample << " " << length;
            ASSERT_EQ(t.Trace, std::vector<Bytes>{"T978 /data/Receivers\\Receiver_0007.dat Err:Input past end of file"});
            ASSERT_EQ(t.Memory->Writes, 0);
            ASSERT_EQ(r.m_ReceiverName, "before");
            ASSERT_EQ(r.m_Enabled, 0);
            ASSERT_EQ(r.GetSetting(2), Variant("kept"));
            ASSERT_EQ(r.GetReceiverTypeId(), 9);
            ASSERT_EQ(r.m_DiskIdentity, 7);
            ASSERT_FALSE(r.HasChangedSinceLastLoadFromDisk()); // the form is remembered in every case
        }
    }
}

TEST(DataFileReceiver, MissingOrTinyFileFailsQuietlyAndCreatesNothing) {
    for (Bytes content : {Bytes("none"), Bytes(), Bytes("\x05")}) {
        FileTestState t;
        if (content != "none") t.Memory->Files[kPath7] = content;
        cReceiver r;
        EXPECT_FALSE(r.LoadFromDisk(t.State, 7));
        EXPECT_TRUE(t.Trace.empty());
        EXPECT_EQ(r.m_DiskIdentity, -1);
        EXPECT_EQ(t.Memory->Files.count(kPath7), content == "none" ? 0u : 1u);
        EXPECT_EQ(t.Memory->Writes, 0);
    }
}

TEST(DataFileReceiver, MalformedSettingOrDateFailsTheLoad) {
    FileTestState t;
    Bytes file = SampleFile("receiver_v5.dat");
    const std::size_t firstSetting = 2 + 6 + 2 + 12;
    Bytes badCode = file;
    badCode.replace(firstSetting, 2, Le16(9)); // an object cannot be stored
    Bytes badDate = file;
    badDate.replace(file.size() - 2048 - 8, 8, Bytes("\0\0\0\0\0\0\xF8\x7F", 8)); // NaN
    for (const Bytes& bad : {badCode, badDate}) {
        t.Trace.clear();
        t.Memory->Files[kPath7] = bad;
        cReceiver r;
        EXPECT_FALSE(r.LoadFromDisk(t.State, 7));
        ASSERT_EQ(t.Trace.size(), 1u);
        EXPECT_EQ(t.Trace[0].rfind("T978 /data/Receivers\\Receiver_0007.dat Err:", 0), 0u);
        EXPECT_EQ(r.m_ReceiverName, "");
    }
}

TEST(DataFileReceiver, SizeOfAFileWithTextSettings) {
    FileTestState t;
    cReceiver r;
    r.m_DiskIdentity = 3;
    r.m_ReceiverName = "Pager 4";
    r.m_BackupReceiver = "Pager 5";
    const char* settings[] = {"a", "bb", "", "dddd"};
    for (int i = 0; i < 4; ++i) r.SaveSetting(i, Variant(settings[i]));
    ASSERT_TRUE(r.SaveToDisk(t.State));
    EXPECT_EQ(t.Memory->Files["/data/Receivers/Receiver_0003.dat"].size(),
              2u + 6 + (2 + 7) + 4 * 4 + (1 + 2 + 0 + 4) + 10 + (2 + 7) + 8 + 2048);
}

TEST(DataFileReceiver, SettingsKeepTheirKind) {
    FileTestState t;
    cReceiver r;
    r.m_DiskIdentity = 3;
    r.SaveSetting(0, Variant::Integer(-2));
    r.SaveSetting(1, Variant::Long(70000));
    r.SaveSetting(2, Variant::Double(0.1));
    r.SaveSetting(3, Variant::Boolean(true));
    ASSERT_TRUE(r.SaveToDisk(t.State));
    const Bytes file = t.Memory->Files["/data/Receivers/Receiver_0003.dat"];
    EXPECT_EQ(file.substr(10, 2 + 2 + 2 + 4 + 2 + 8 + 2 + 2),
              Bytes("\x02\x00\xFE\xFF" "\x03\x00\x70\x11\x01\x00" "\x05\x00\x9A\x99\x99\x99\x99\x99\xB9\x3F"
                    "\x0B\x00\xFF\xFF", 24));
    cReceiver back;
    ASSERT_TRUE(back.LoadFromDisk(t.State, 3));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(back.GetSetting(i), r.GetSetting(i)) << i;
}

TEST(DataFileReceiver, NewReceiverDrawsItsIdentityOnce) {
    FileTestState t;
    t.Env.Random = std::make_shared<ScriptedRandom>(std::vector<double>{0.25, 0.5});
    cReceiver r;
    r.m_ReceiverName = "new";
    ASSERT_TRUE(r.SaveToDisk(t.State));
    // 9990 * 0.25 + 1 = 2498.5, rounded half to even.
    EXPECT_EQ(r.m_DiskIdentity, 2498);
    EXPECT_EQ(r.m_HasUpdatedDiskIdentity, -1);
    EXPECT_FALSE(r.HasChangedSinceLastLoadFromDisk());
    r.m_ReceiverName = "renamed";
    ASSERT_TRUE(r.SaveToDisk(t.State));
    EXPECT_EQ(r.m_DiskIdentity, 2498);
    EXPECT_EQ(r.m_HasUpdatedDiskIdentity, 0);
    EXPECT_EQ(t.Memory->Files.size(), 1u);
    cReceiver back;
    ASSERT_TRUE(back.LoadFromDisk(t.State, 2498));
    EXPECT_EQ(back.m_ReceiverName, "renamed");
}

TEST(DataFileReceiver, SaveFailsWhenEveryIdentityIsTaken) {
    FileTestState t;
    for (int id = 1; id <= 9991; ++id)
        t.Memory->Files["/data/Receivers/Receiver_" + FourDigitNumber(id) + ".dat"] = "x";
    cReceiver r;
    EXPECT_FALSE(r.SaveToDisk(t.State));
    EXPECT_EQ(r.m_DiskIdentity, -1);
    ASSERT_EQ(t.Trace.size(), 1u);
    EXPECT_EQ(t.Trace[0].rfind("T979 /data/Receivers\\Receiver_00-1.dat Err:No free identity", 0), 0u);
}

TEST(DataFileReceiver, FailedSaveKeepsTheOldFile) {
    FileTestState t;
    const Bytes sample = SampleFile("receiver_v5.dat");
    t.Memory->Files[kPath7] = sample;
    cReceiver r;
    ASSERT_TRUE(r.LoadFromDisk(t.State, 7));
    r.m_ReceiverName = "changed";
    t.Memory->FailWrites = true;
    EXPECT_FALSE(r.SaveToDisk(t.State));
    EXPECT_EQ(t.Trace, std::vector<Bytes>{"T979 /data/Receivers\\Receiver_0007.dat Err:No space left on device"});
    EXPECT_EQ(t.Memory->Files[kPath7], sample);
    EXPECT_TRUE(r.HasChangedSinceLastLoadFromDisk());
}

TEST(DataFileReceiver, Removal) {
    FileTestState t;
    auto r = std::make_shared<cReceiver>();
    r->m_ReceiverName = "Door";
    r->m_DiskIdentity = 7;
    t.State.Receivers.Add("K7", r);
    t.Memory->Files[kPath7] = "x";
    EXPECT_TRUE(r->RemoveFromDisk(t.State, 7));
    EXPECT_EQ(t.Trace, std::vector<Bytes>{"T976 'Door' /data/Receivers\\Receiver_0007.dat"});
    EXPECT_FALSE(t.State.Receivers.Contains("K7"));
    EXPECT_TRUE(t.Memory->Files.empty());

    t.Trace.clear();
    t.State.Receivers.Add("K7", r);
    EXPECT_FALSE(r->RemoveFromDisk(t.State, 7));
    EXPECT_EQ(t.Trace,
              std::vector<Bytes>{"T977 'Door' /data/Receivers\\Receiver_0007.dat Err:No such file or directory"});
    EXPECT_FALSE(t.State.Receivers.Contains("K7"));
}
