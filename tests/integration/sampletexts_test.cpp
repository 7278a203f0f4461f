// Every numbered text that a control looks up is in the substitute server's sample text
// table. Each control runs against the server with the default data while the operator
// opens what it offers (every profile and tab, the pop-up menus, the windows and the
// confirmations); a settings store records every text number the control asks for, found
// or not, as each look-up passes through the store's text cache.
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "controls/events/alarminfowindow.h"
#include "controls/events/eventscomponent.h"
#include "controls/events/eventtree.h"
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "controls/receivers/parameterswindow.h"
#include "controls/receivers/receiverscomponent.h"
#include "controls/syslog/syslogcomponent.h"
#include "controls/textmessage/textmessagecomponent.h"
#include "tests/support/composer.h"
#include "tests/support/listinput.h"
#include "tests/support/loopback.h"

#include "core/serversettings.h"
#include "platform/dialogservice.h"
#include "platform/listbox.h"
#include "platform/listview.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QAction>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;

namespace {

// A settings store that notes the number of every text looked up in the text cache.
class RecordingStore final : public ISettingsStore {
public:
    std::string Get(const std::string& application, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override {
        note(application, section, key);
        return m_Values.Get(application, section, key, defaultValue);
    }
    void Save(const std::string& application, const std::string& section, const std::string& key,
              const std::string& value) override {
        note(application, section, key);
        m_Values.Save(application, section, key, value);
    }
    void Delete(const std::string& application, const std::string& section) override {
        m_Values.Delete(application, section);
    }
    const std::set<int>& TextNumbers() const { return m_Numbers; }

private:
    void note(const std::string& application, const std::string& section, const std::string& key) const {
        if (application != kTextCacheApplication || section != kTextCacheSection) return;
        if (key.empty() || key.find_first_not_of("0123456789") != std::string::npos) return; // IsLoadedOnce
        m_Numbers.insert(std::stoi(key));
    }

    MemorySettingsStore m_Values;
    mutable std::set<int> m_Numbers;
};

template <class Control>
class SampleTexts : public LoopbackTest<Control> {
protected:
    void SetUp() override {
        LoopbackTest<Control>::SetUp();
        this->state.SettingsStore = &recorder;
    }
    // Makes the control, connects it and waits until it shows what the server sent.
    Control& Run(int width, int height, const std::function<bool()>& filled) {
        this->MakeControl(width, height);
        EXPECT_TRUE(this->ConnectAndWait(filled));
        this->ServerCaughtUp();
        this->ClientCaughtUp();
        return *this->control;
    }
    template <class Widget>
    Widget& Child(const char* name) const {
        auto* widget = this->control->template findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }
    // Every number asked for is in the table (and the control asked for some, unless
    // it shows no numbered text at all).
    void ExpectEveryTextInTheTable(bool asksSome = true) const {
        const std::set<int>& asked = recorder.TextNumbers();
        EXPECT_EQ(!asked.empty(), asksSome);
        std::string missing;
        for (int number : asked)
            if (!this->data.Texts.count(number)) missing += " " + std::to_string(number);
        EXPECT_EQ(missing, "") << "texts the sample table lacks";
    }

    platform::ScopedScriptedDialogs dialogs;
    RecordingStore recorder;
};

void DoubleClick(QTreeView& tree, const QModelIndex& item) {
    tree.setCurrentIndex(item);
    const QPoint at = tree.visualRect(item).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick}) {
        QMouseEvent event(type, at, tree.viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(tree.viewport(), &event);
    }
}

using SysLogTexts = SampleTexts<syslog::Component>;
using EventTexts = SampleTexts<events::Component>;
using TextMessageTexts = SampleTexts<textmessage::Component>;
using ActiveProfileTexts = SampleTexts<activeprofiles::Component>;
using ReceiverTexts = SampleTexts<receivers::Component>;
using ProfileTexts = SampleTexts<profiles::Component>;

} // namespace

TEST_F(SysLogTexts, AreAllInTheSampleTable) {
    Run(500, 300, [&] { return Child<platform::ListBox>("List_SysLog").ListCount() > 0; });
    ExpectEveryTextInTheTable(false); // the system log viewer has no captions
}

TEST_F(EventTexts, AreAllInTheSampleTableWithTheDetailsWindowOpen) {
    Run(500, 300, [&] { return Child<events::EventTree>("TreeView_Event").AlarmCount() > 0; });
    auto& tree = Child<events::EventTree>("TreeView_Event");
    // The details window opens modal: the operator leaves it by its menu.
    int opened = 0;
    const auto leave = [&](events::AlarmInfoWindow& window) {
        ++opened;
        window.findChild<QAction*>("Menu_Tools_Exit")->trigger();
    };
    tree.show();
    // Every alarm once: the state texts differ by the alarm's state.
    for (int i = 0; i < tree.AlarmCount(); ++i) {
        dialogs->OnWindow<events::AlarmInfoWindow>(leave);
        DoubleClick(tree, tree.AlarmAt(i));
    }
    EXPECT_EQ(opened, tree.AlarmCount());
    ExpectEveryTextInTheTable();
}

TEST_F(TextMessageTexts, AreAllInTheSampleTableWhileComposingAndSending) {
    auto& c = Run(500, 450, [&] { return Child<platform::ListView>("ListView_Receivers").ListCount() > 0; });
    SetTick(Child<platform::ListView>("ListView_Receivers"), 1, true);
    Child<QPlainTextEdit>("Text_FreeText").setPlainText(QString(400, 'x')); // too long for any type
    Child<QPlainTextEdit>("Text_FreeText").setPlainText("Pump 3 stopped");
    ClickPanel(c, textmessage::Component::kSendPanel);
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgTextMessage).empty(); }));
    ClientCaughtUp(); // the answer names the message sent
    ExpectEveryTextInTheTable();
}

TEST_F(ActiveProfileTexts, AreAllInTheSampleTable) {
    Run(400, 300, [&] { return !Child<platform::TreeView>("TreeView_Profiles").ToolTipText().isEmpty(); });
    ExpectEveryTextInTheTable();
}

TEST_F(ReceiverTexts, AreAllInTheSampleTableWithTheWindowsAndTheConfirmationOpen) {
    Run(700, 400, [&] { return Child<platform::ListView>("ListView_Receivers").ListCount() > 0; });
    std::vector<QString> captions;
    const auto note = [&](receivers::ReceiverParametersWindow& w) {
        captions.push_back(w.windowTitle());
        // A copy keeps the name, which is taken: Ok says so and the window stays open.
        if (captions.size() == 2) w.findChild<QPushButton*>(QStringLiteral("Command_Ok"))->click();
        w.reject();
    };
    for (int window = 0; window < 3; ++window) dialogs->OnWindow<receivers::ReceiverParametersWindow>(note);
    Child<QPushButton>("Command_AddReceiver").click();
    auto& list = Child<platform::ListView>("ListView_Receivers");
    ClickRow(list, 1);
    Child<QPushButton>("Command_CopyReceiver").click();
    PressKey(list, Qt::Key_Return); // Enter edits
    EXPECT_EQ(captions.size(), 3u);
    dialogs->QueueAnswer(platform::MessageResult::No);
    Child<QPushButton>("Command_RemoveReceiver").click();
    EXPECT_EQ(dialogs->Messages().size(), 2u); // the taken name and the removal
    ExpectEveryTextInTheTable();
}

TEST_F(ProfileTexts, AreAllInTheSampleTableOnEveryProfileAndTab) {
    Run(800, 560, [&] { return Child<platform::TreeView>("TreeView_Profiles").NodeCount() > 0; });
    auto& tree = Child<platform::TreeView>("TreeView_Profiles");
    for (const QString& key : tree.NodesInOrder()) {
        SCOPED_TRACE(key.toStdString());
        profiles::testparts::ClickNode(tree, key);
        for (int tab = 0; tab < profiles::Component::kTabCount; ++tab)
            profiles::testparts::ClickTab(Child<platform::TabStrip>("SSTab_Profile"), tab);
        profiles::testparts::OpenMenu(Child<platform::Menu>("Menu_TimeSchedulePopup"));
        profiles::testparts::OpenMenu(Child<platform::Menu>("Menu_Profile_Receiver_Popup"));
    }
    dialogs->QueueAnswer(platform::MessageResult::No);
    Child<QPushButton>("Command_RemoveProfile").click();
    dialogs->QueueText(QStringLiteral("Day shift")); // taken
    Child<QPushButton>("Command_AddProfile").click();
    Child<QPushButton>("Command_Save").click();
    ExpectEveryTextInTheTable();
}

TEST_F(ProfileTexts, AreAllInTheSampleTableWithChildProfiles) {
    data.Settings[0].Items.push_back({"AllowChildProfiles", "1"});
    server.SetData(data);
    Run(800, 560, [&] { return Child<platform::TreeView>("TreeView_Profiles").NodeCount() > 0; });
    auto& tree = Child<platform::TreeView>("TreeView_Profiles");
    // North\Gatehouse has a child: copying asks about it, removing names it.
    profiles::testparts::ClickNode(tree, "K3");
    dialogs->QueueText(QStringLiteral("North\\Gatehouse 2"));
    dialogs->QueueAnswer(platform::MessageResult::No);
    Child<QPushButton>("Command_CopyProfile").click();
    profiles::testparts::ClickNode(tree, "K3");
    dialogs->QueueAnswer(platform::MessageResult::No);
    Child<QPushButton>("Command_RemoveProfile").click();
    EXPECT_EQ(dialogs->Messages().size(), 2u);
    ExpectEveryTextInTheTable();
}
