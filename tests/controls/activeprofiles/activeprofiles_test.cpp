// The active profiles control's parts that need no server: the rule that finds a profile
// by its shown name, the flag and body of message 220, the profile tree, and the
// control's members as a host sees them.
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "controls/activeprofiles/checkboxicons.h"
#include "tests/support/children.h"
#include "controls/profileswitch/profileswitch.h"

#include "core/clientstate.h"
#include "core/records/profile.h"
#include "core/settingsstore.h"
#include "platform/iconstore.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QMetaObject>
#include <QMetaProperty>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <random>
#include <string>

using namespace korvel;
using namespace korvel::activeprofiles;
using namespace korvel::profileswitch;

namespace {


void AddProfile(ClientState& state, int16_t id, const char* name, bool enabled) {
    auto p = std::make_shared<cProfile>();
    p->m_DiskIdentity = id;
    p->m_Enabled = enabled ? -1 : 0;
    p->SetName(state, name);
    state.Profiles.Add(RecordKey(id), p);
}

} // namespace

TEST(ProfileSwitch, FindsTheFirstProfileByItsShownNameIgnoringCase) {
    ClientState state;
    AddProfile(state, 1, "Day shift", true);
    AddProfile(state, 3, "North\\Gatehouse", true);
    AddProfile(state, 4, "NORTH\\gatehouse", false); // same shown name, later
    AddProfile(state, 5, "South\\Pumps", true);
    AddProfile(state, 6, "Gatehouse", true);        // outside any area

    struct Case {
        const char* area;
        const char* name;
        int expected; // identity, 0 = none
    };
    const Case cases[] = {
        {"north", "gatehouse", 3},        // prefix and name both ignore case; first wins
        {"North", "GATEHOUSE", 3},
        {"North", "South\\Pumps", 5},     // outside the area: only its full name matches
        {"North", "Pumps", 0},
        {"", "gatehouse", 6},             // no area: full names
        {"", "north\\gatehouse", 3},
        {"", "day SHIFT", 1},
        {"", "Day", 0},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        state.Area = c.area;
        const auto found = FindProfileByShownName(state, c.name);
        EXPECT_EQ(found ? found->m_DiskIdentity : 0, c.expected) << c.area << " / " << c.name;
    }
}

// The index answers as the scan of every profile does, through every kind of change the
// collection and the area go through: profiles added, stored again under a new name and
// identity (as a saved profile is), removed, the whole list replaced, the area changed.
TEST(ProfileSwitch, ShownNameIndexAnswersAsTheScanThroughEveryChange) {
    std::mt19937 random(1208);
    const char* names[] = {"Gatehouse", "GATEHOUSE", "North\\Gatehouse", "north\\gatehouse", "South\\Gatehouse",
                           "North\\Pumps",  "Pumps",     "",                   "North\\",           "North\\North\\Pumps"};
    const char* areas[] = {"", "North", "NORTH", "South"};
    const char* asked[] = {"gatehouse", "Pumps", "", "North\\Gatehouse", "North\\Pumps", "South\\gatehouse", "x"};
    auto pick = [&](auto& array) { return array[std::uniform_int_distribution<std::size_t>(0, std::size(array) - 1)(random)]; };
    ClientState state;
    ShownNameIndex index;
    for (int step = 0; step < 600; ++step) {
        const int16_t id = static_cast<int16_t>(std::uniform_int_distribution<int>(1, 12)(random));
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
        case 0: state.Area = pick(areas); break;
        case 1: state.Profiles.Remove(RecordKey(id)); break;
        case 2: { // a new list in place of the old one
            KeyedCollection<cProfile> list;
            for (int16_t i = 1; i <= 4; ++i) {
                auto p = std::make_shared<cProfile>();
                p->m_DiskIdentity = i;
                p->SetName(state, pick(names));
                list.Add(RecordKey(i), p);
            }
            std::swap(state.Profiles, list);
            break;
        }
        case 3:
        case 4:
            if (auto p = state.Profiles.Find(RecordKey(id))) { // saved again, maybe under a new identity
                p->SetName(state, pick(names));
                p->m_DiskIdentity = static_cast<int16_t>(std::uniform_int_distribution<int>(1, 12)(random));
                state.Profiles.Remove(RecordKey(p->m_DiskIdentity));
                state.Profiles.Add(RecordKey(p->m_DiskIdentity), p);
                break;
            }
            [[fallthrough]];
        default:
            AddProfile(state, id, pick(names), step % 2 == 0);
            break;
        }
        for (const char* name : asked)
            ASSERT_EQ(index.Find(state, name), FindProfileByShownName(state, name))
                << "step " << step << ", area '" << state.Area << "', asked '" << name << "'";
    }
}

TEST(ProfileSwitch, EnableFlagKeepsTheHostsValueAndNeverTurnsAnEnableIntoADisable) {
    const std::pair<int32_t, int16_t> cases[] = {
        {-1, -1}, {1, 1}, {0, 0}, {2, 2}, {0x7FFF, 0x7FFF}, {0x8000, -32768}, {0xFFFF, -1},
        {65536, -1}, {-65536, -1}, {65537, 1}, {INT32_MIN, -1},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(EnableFlag(in), out) << in;
}

TEST(ProfileSwitch, BodyOfMessage220) {
    ClientState state;
    AddProfile(state, 0x0102, "North\\Gatehouse", true);
    const auto p = state.Profiles.Find("K258");
    ASSERT_TRUE(p);
    EXPECT_EQ(ProfileEnableOrDisableBody(*p, -1),
              std::string("\x00\x00\x01\x02\x00\x0FNorth\\Gatehouse\xFF\xFF", 23));
    EXPECT_EQ(ProfileEnableOrDisableBody(*p, 0).substr(21), std::string("\x00\x00", 2));
}

TEST(ProfileTree, KeysIgnoreCaseImagesReadBackAndTheProgramRaisesNoEvent) {
    // The control's tree as it sets it up, with its own two icons.
    ClientState state;
    MemorySettingsStore store;
    state.SettingsStore = &store;
    Component c(state);
    platform::TreeView& tree = korvel::testing::Child<platform::TreeView>(c, "TreeView_Profiles");
    int events = 0;
    QObject::connect(&tree, &platform::TreeView::MouseDown, [&] { ++events; });
    QObject::connect(&tree, &platform::TreeView::DblClick, [&] { ++events; });

    EXPECT_TRUE(tree.AddNode({}, "K1", "Day shift", 1));
    EXPECT_TRUE(tree.AddNode({}, "K-2", "Night shift", 2));
    EXPECT_FALSE(tree.AddNode({}, "k1", "again", 1)) << "keys compare without regard to case";
    EXPECT_FALSE(tree.AddNode({}, "", "no key", 1));
    EXPECT_EQ(tree.TopLevelNodes(), (QStringList{"K1", "K-2"}));
    EXPECT_EQ(tree.Image("k-2"), 2);
    tree.SetImage("K-2", 1);
    tree.SetText("k-2", "Night");
    EXPECT_EQ(tree.Image("K-2"), 1);
    EXPECT_EQ(tree.Text("K-2"), "Night");
    EXPECT_EQ(tree.Image("K9"), 0);
    tree.SetImage("K9", 2); // missing: nothing
    EXPECT_EQ(tree.NodeCount(), 2);

    EXPECT_EQ(tree.SelectedKey(), "");
    tree.Select("k-2");
    EXPECT_EQ(tree.SelectedKey(), "K-2");
    EXPECT_TRUE(tree.RemoveNode("K-2"));
    EXPECT_FALSE(tree.RemoveNode("K-2"));
    EXPECT_NE(tree.SelectedKey(), "K-2");
    EXPECT_TRUE(tree.AddNode({}, "K-2", "back", 2)) << "a removed key can be used again";
    tree.ClearNodes();
    EXPECT_EQ(tree.NodeCount(), 0);
    EXPECT_FALSE(tree.Exists("K1"));
    EXPECT_EQ(events, 0);
}

TEST(ActiveProfilesComponent, OffersItsMembersByNameAndStartsHidden) {
    ClientState state;
    MemorySettingsStore store;
    state.SettingsStore = &store;
    Component c(state);
    const QMetaObject* mo = c.metaObject();
    for (const char* property : {"ServerAddress", "ServerPort", "Area", "Password", "IsConnectedToServer"})
        EXPECT_GE(mo->indexOfProperty(property), 0) << property;
    EXPECT_FALSE(mo->property(mo->indexOfProperty("IsConnectedToServer")).isWritable());

    EXPECT_TRUE(c.setProperty("Area", "North"));
    EXPECT_EQ(c.property("Area").toString(), "North");
    EXPECT_EQ(c.property("IsConnectedToServer").toInt(), 0);
    platform::IconStore icons;
    AddCheckBoxIcons(icons);
    EXPECT_EQ(icons.Count(), 2);
    EXPECT_TRUE(korvel::testing::Child<platform::TreeView>(c, "TreeView_Profiles").isHidden());
    EXPECT_EQ(korvel::testing::Child<platform::TreeView>(c, "TreeView_Profiles").PathSeparator(), "@");

    AddProfile(state, 2, "North\\Night shift", false);
    AddProfile(state, 3, "North\\Day shift", true);
    int result = 99;
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "IsProfileEnabled", Q_RETURN_ARG(int, result),
                                          Q_ARG(QString, "day SHIFT")));
    EXPECT_EQ(result, -1);
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "IsProfileEnabled", Q_RETURN_ARG(int, result),
                                          Q_ARG(QString, "Night shift")));
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "IsProfileEnabled", Q_RETURN_ARG(int, result),
                                          Q_ARG(QString, "Nobody")));
    EXPECT_EQ(result, 0);
    // Not connected, with and without the right: nothing happens, nothing is raised.
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "ProfileEnableOrDisable", Q_ARG(QString, "Day shift"), Q_ARG(int, 0)));
    state.UserRights = RightEnableOrDisableProfiles;
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "ProfileEnableOrDisable", Q_ARG(QString, "Day shift"), Q_ARG(int, 0)));
    EXPECT_EQ(state.Profiles.Find("K3")->m_Enabled, -1) << "nothing changes locally";
    int connected = 5;
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "IsConnectedToServer", Q_RETURN_ARG(int, connected)));
    EXPECT_EQ(connected, 0);
}
