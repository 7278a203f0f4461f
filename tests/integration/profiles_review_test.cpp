// The profiles editor against the substitute server: the server's 210 refreshes the page
// only for the shown profile; Save sends nothing for what the server never had.
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/profile.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "platform/qtext.h"
#include "platform/dialogservice.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/treeview.h"
#include "core/records/timeschedule.h"
#include "testserver/profilechanges.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

using namespace korvel;
using namespace korvel::profiles::testparts;
using namespace korvel::testing;
using Profiles = korvel::profiles::Component;

namespace {

Bytes Ref(int32_t identity, std::string_view name) {
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    return b;
}

class ProfilesReviewTest : public LoopbackTest<Profiles> {
protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        MakeControl(800, 560);
        PointAtServer();
        ASSERT_TRUE(WaitFor([&] { return TreeView_Profiles(*control).NodeCount() > 0; }));
        ASSERT_TRUE(WaitFor([&] { return Combo_Calendar_DayType(*control).ItemCount() == 24; }));
        ServerCaughtUp();
        ClientCaughtUp();
    }

    platform::ScopedScriptedDialogs dialogs;
};

TEST_F(ProfilesReviewTest, ServerSaveRefreshesThePageOnlyForTheShownProfile) {
    Profiles& c = *control;
    ClickNode(TreeView_Profiles(c), "K1");
    ASSERT_EQ(TreeView_Profiles(c).SelectedKey(), "K1");
    struct Case {
        int id;
        const char* condition;
        const char* shown; // the page's first condition afterwards
    };
    Text_Condition(c, 0).setText("LOCAL");
    const Case cases[] = {{2, "OTHER", "LOCAL"}, {1, "SERVER", "SERVER"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.id);
        cProfile p = *state.Profiles.Find("K" + std::to_string(k.id));
        p.SetCondition(0, Variant(k.condition));
        server.SendFrame(MessageType::MsgProfileSave, Ref(k.id, p.GetName()) + p.CompressToNetworkBytes());
        ASSERT_TRUE(WaitFor([&] { return state.Profiles.Find("K" + std::to_string(k.id))->GetCondition(0) == k.condition; }));
        ClientCaughtUp();
        EXPECT_EQ(Text_Condition(c, 0).text(), k.shown);
    }
}

TEST_F(ProfilesReviewTest, SystemListShowsOnlyNamedSystemsKeyedByNumberAndSortedByName) {
    Profiles& c = *control;
    std::map<int32_t, Bytes> systems{{3, "Pumps"}, {10, "Boilers"}};
    for (const auto& entry : data.Systems) systems.emplace(entry.first, Bytes()); // the others emptied
    server.SendFrame(MessageType::MsgSystemList, testserver::SystemsBody(systems));
    ASSERT_TRUE(WaitFor([&] { return ListView_Systems(c).ListCount() == 2; }));
    const std::pair<QString, QString> rows[] = {{"K10", "Boilers"}, {"K3", "Pumps"}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ListView_Systems(c).Key(i + 1), rows[i].first);
        EXPECT_EQ(ListView_Systems(c).Text(i + 1), rows[i].second);
    }
    EXPECT_FALSE(ListView_Systems(c).isHidden());
}

TEST_F(ProfilesReviewTest, SaveSendsNothingForUnchangedOrNeverSavedProfilesAndStillShowsText884) {
    Profiles& c = *control;
    dialogs->QueueText("Scratch");
    Command_AddProfile(c).click();
    ASSERT_TRUE(state.Profiles.Contains("K-1"));
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_RemoveProfile(c).click();
    ASSERT_FALSE(state.Profiles.Contains("K-1"));
    server.ClearReceived();
    Command_Save(c).click();
    EXPECT_TRUE(ServerCaughtUp(0).empty());
    EXPECT_EQ(Command_Save(c).text(), platform::ToQString(GetText(state, 884)));
}

} // namespace

namespace {

// The substitute server keeps what it is sent: a new profile gets the identity after the
// highest of its list, the same name sent again is the same profile, and each data set
// counts on its own.
TEST(SubstituteServerProfiles, SavesAreStoredAndIdentitiesFollowTheList) {
    testserver::Server server;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        testserver::SampleData data;
        ASSERT_TRUE(testserver::MakeSampleData("default", data));
        ClientState state;
        cProfile late;
        late.m_DiskIdentity = -1;
        late.SetName(state, "Late");
        late.m_TimeSchedule = std::make_shared<cTimeSchedule>();
        const Bytes save = Ref(-1, "Late") + late.CompressToNetworkBytes();
        for (int again = 0; again < 2; ++again) {
            ASSERT_TRUE(testserver::HandleProfileChange(server, data, {MessageType::MsgProfileSave, save}));
            const Bytes& list = data.Answers[MessageType::MsgProfileList].front().Body;
            int32_t p = 0;
            EXPECT_EQ(GetLongFromNetworkBytes(list, p), 9);
            EXPECT_NE(list.find(Ref(9, "Late")), Bytes::npos);
        }
        ASSERT_TRUE(testserver::HandleProfileChange(server, data, {MessageType::MsgProfileDelete, Ref(9, "Late")}));
        int32_t p = 0;
        EXPECT_EQ(GetLongFromNetworkBytes(data.Answers[MessageType::MsgProfileList].front().Body, p), 8);
    }
}

} // namespace
