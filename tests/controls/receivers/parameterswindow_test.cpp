// The receiver parameters window and the parameter layout, without a server: the state
// is filled by hand and the sent messages are recorded.
#include "controls/receivers/parameterlayout.h"
#include "controls/receivers/parameterswindow.h"
#include "tests/support/children.h"
#include "tests/support/listinput.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::receivers;
using korvel::testing::Child;
using korvel::testing::ChooseEntry;

namespace {


Bytes Items(std::initializer_list<std::string_view> items) {
    Bytes out;
    for (std::string_view i : items) {
        out += i;
        out += '\0';
    }
    return out;
}

struct Sent {
    MessageType Type;
    Bytes Body;
};

class ParametersWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.SettingsStore = &store;
        AddType(1, "E-mail", "SMTP", "", Items({"L0=Address", "T0="}));
        AddType(2, "GSM", "GSM", "SE,NO", Items({"L0=Phone", "T0=", "L1=Format", "C1=Short;Long;Both"}));
        AddType(3, "&Pager", "ILM", "", Items({"T1=", "L1=Minutes"}));
        AddType(4, "Plain", "VOICE", "", "");
        state.TextTable.Rows.clear();
        AddReceiver(10, "Duty", 2, "");
        AddReceiver(11, "North\\Gate", 1, "Duty");
        AddReceiver(12, "South\\Pump", 1, "");
    }
    void AddType(int16_t id, const char* name, const char* protocol, const char* countries, const Bytes& layout) {
        ReceiverTypeRow& row = state.ReceiverTypes.Rows[static_cast<std::size_t>(state.ReceiverTypes.Count++)];
        row.TypeId = id;
        row.TypeName = name;
        row.ProtocolCode = protocol;
        row.CountryList = countries;
        row.ParameterLayout = layout;
    }
    std::shared_ptr<cReceiver> AddReceiver(int16_t id, const char* name, int16_t type, const char* backup) {
        auto r = std::make_shared<cReceiver>();
        r->m_DiskIdentity = id;
        r->m_ReceiverName = name;
        r->m_BackupReceiver = backup;
        r->SetReceiverTypeId(state, type);
        state.Receivers.Add(RecordKey(id), r);
        return r;
    }
    std::unique_ptr<ReceiverParametersWindow> Open(int16_t mode, std::shared_ptr<cReceiver> r) {
        EditContext context;
        context.State = &state;
        context.AllowBackupReceiver = allowBackup;
        context.RunAsCollectionClient = collection;
        context.Send = [this](MessageType type, std::string_view body) { sent.push_back({type, Bytes(body)}); };
        return std::make_unique<ReceiverParametersWindow>(std::move(context), mode, std::move(r));
    }
    static QStringList Entries(const QComboBox& combo) {
        QStringList out;
        for (int i = 0; i < combo.count(); ++i) out << combo.itemText(i);
        return out;
    }
    static void Choose(ReceiverParametersWindow& w, const QString& type) {
        QComboBox& combo = Child<QComboBox>(w, "Combo_ReceiverType");
        ChooseEntry(combo, combo.findText(type));
    }
    cReceiver SentReceiver(std::size_t i = 0) {
        cReceiver r;
        int32_t p = 0;
        GetLongFromNetworkBytes(sent.at(i).Body, p);
        GetStringFromNetworkBytes(sent.at(i).Body, p);
        r.UncompressFromNetworkBytes(state, sent.at(i).Body, p);
        return r;
    }

    ClientState state;
    MemorySettingsStore store;
    bool allowBackup = true;
    bool collection = false;
    std::vector<Sent> sent;
};

} // namespace

TEST(ParameterLayout, ItemsKeysAndChoices) {
    struct Case {
        const char* what;
        Bytes layout;
        int setting;
        const char* label; // nullptr: no label
        bool list;
        std::vector<Bytes> choices;
        bool text;
    };
    const Case cases[] = {
        {"empty layout", "", 0, nullptr, false, {}, false},
        {"label and text", Items({"L0=Number", "T0=whatever"}), 0, "Number", false, {}, true},
        {"choices up to the first empty one", Items({"C2=a;;c"}), 2, nullptr, true, {"a"}, false},
        {"value between the first and second =", Items({"L1=a=b"}), 1, "a", false, {}, false},
        {"setting 5 has no field", Items({"L5=x"}), 0, nullptr, false, {}, false},
        {"lower-case letter is ignored", Items({"l0=x", "t0="}), 0, nullptr, false, {}, false},
        {"items stop at the first empty item", Bytes("T0=\0\0T1=", 8), 1, nullptr, false, {}, false},
        {"not a number", Items({"Lx=y"}), 0, nullptr, false, {}, false},
        {"leading zeros", Items({"L0003=z"}), 3, "z", false, {}, false},
        {"a large number", Items({"L99999999999=z"}), 3, nullptr, false, {}, false},
        {"without a final zero", Bytes("C3=p;q"), 3, nullptr, true, {"p", "q"}, false},
    };
    for (const Case& c : cases) {
        const ParameterLayout layout = ParseParameterLayout(c.layout);
        const SettingLayout& s = layout[static_cast<std::size_t>(c.setting)];
        EXPECT_EQ(s.Label.has_value(), c.label != nullptr) << c.what;
        if (c.label && s.Label) {
            EXPECT_EQ(*s.Label, c.label) << c.what;
        }
        EXPECT_EQ(s.IsList, c.list) << c.what;
        EXPECT_EQ(s.Choices, c.choices) << c.what;
        EXPECT_EQ(s.IsText, c.text) << c.what;
    }
}

TEST_F(ParametersWindowTest, TypesFollowCountryFilterOwnTypeAndCollectionClient) {
    state.UseCountryFilterSetting = true;
    state.CountryFilterSetting = "DK";
    {
        auto w = Open(EditModeAdd, std::make_shared<cReceiver>());
        EXPECT_EQ(Entries(Child<QComboBox>(*w, "Combo_ReceiverType")), (QStringList{"E-mail", "Pager", "Plain"}));
        EXPECT_FALSE(Child<QPushButton>(*w, "Command_Ok").isEnabled());
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_ReceiverType").currentIndex(), -1);
    }
    {
        // The type of an edited receiver is offered even when the filter excludes it.
        auto w = Open(EditModeEdit, state.Receivers.Find("K10"));
        EXPECT_EQ(Entries(Child<QComboBox>(*w, "Combo_ReceiverType")), (QStringList{"E-mail", "GSM", "Pager", "Plain"}));
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_ReceiverType").currentText(), "GSM");
    }
    collection = true;
    {
        // Only ILM, ILMTCP and POPUPFORM, not even the receiver's own type.
        auto w = Open(EditModeEdit, state.Receivers.Find("K10"));
        EXPECT_EQ(Entries(Child<QComboBox>(*w, "Combo_ReceiverType")), (QStringList{"Pager"}));
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_ReceiverType").currentIndex(), -1);
        ASSERT_TRUE(Child<QPushButton>(*w, "Command_Ok").isEnabled()) << "loading the receiver offers Ok";
        Child<QPushButton>(*w, "Command_Ok").click();
        EXPECT_TRUE(sent.empty()) << "no type chosen: Ok does nothing";
    }
}

TEST_F(ParametersWindowTest, CollectionClientOffersOnlyTheThreeProtocolsAsSpelt) {
    collection = true;
    state.ReceiverTypes.Count = 0;
    const std::pair<const char*, bool> codes[] = {{"ILM", true},  {"ILMTCP", true}, {"POPUPFORM", true},
                                                  {"ilm", false}, {"IlmTcp", false}, {"SMTP", false}};
    for (auto [code, offered] : codes) AddType(static_cast<int16_t>(state.ReceiverTypes.Count + 1), code, code, "", "");
    auto w = Open(EditModeAdd, std::make_shared<cReceiver>());
    for (auto [code, offered] : codes) EXPECT_EQ(Child<QComboBox>(*w, "Combo_ReceiverType").findText(code) >= 0, offered) << code;
}

TEST_F(ParametersWindowTest, ChoosingATypeLaysOutItsFields) {
    auto w = Open(EditModeAdd, std::make_shared<cReceiver>());
    Choose(*w, "GSM");
    EXPECT_FALSE(Child<QLabel>(*w, "Label_Setting", 0).isHidden());
    EXPECT_EQ(Child<QLabel>(*w, "Label_Setting", 0).text(), "Phone:");
    EXPECT_TRUE(!Child<QLineEdit>(*w, "Text_Setting", 0).isHidden());
    EXPECT_FALSE(Child<QLineEdit>(*w, "Text_Setting", 0).isHidden());
    EXPECT_TRUE(!Child<QComboBox>(*w, "Combo_Setting", 1).isHidden());
    EXPECT_EQ(Entries(Child<QComboBox>(*w, "Combo_Setting", 1)), (QStringList{"Short", "Long", "Both"}));
    EXPECT_TRUE(Child<QComboBox>(*w, "Combo_Setting", 2).isHidden());
    EXPECT_TRUE(Child<QLineEdit>(*w, "Text_Setting", 3).isHidden());
    EXPECT_TRUE(Child<QPushButton>(*w, "Command_Ok").isEnabled());

    // Another type hides what the first one showed.
    Choose(*w, "Plain");
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Child<QLabel>(*w, "Label_Setting", i).isHidden());
        EXPECT_TRUE(Child<QComboBox>(*w, "Combo_Setting", i).isHidden());
        EXPECT_TRUE(Child<QLineEdit>(*w, "Text_Setting", i).isHidden());
        EXPECT_FALSE(!Child<QComboBox>(*w, "Combo_Setting", i).isHidden() || !Child<QLineEdit>(*w, "Text_Setting", i).isHidden());
    }
    Child<QLineEdit>(*w, "Text_ReceiverName").setText("New one");
    Child<QPushButton>(*w, "Command_Ok").click();
    ASSERT_EQ(sent.size(), 1u);
    const cReceiver r = SentReceiver();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.GetSetting(i).ToText(), "") << i;
    EXPECT_EQ(r.m_Enabled, -1);
}

TEST_F(ParametersWindowTest, OkChecksTheNameAndAddsTheArea) {
    platform::ScopedScriptedDialogs dialogs;
    state.Area = "North";
    struct Case {
        const char* typed;
        bool sent;
        const char* stored;
    };
    const Case cases[] = {
        {"   ", false, ""},                   // blank: nothing happens
        {"gate", false, ""},                  // North\Gate exists: text 209
        {" Tower ", true, "North\\Tower"},    // trimmed, behind the area
        {"South\\Tank", true, "South\\Tank"}, // another area: as typed
        {"south\\pump", false, ""},           // exists, ignoring case
    };
    int boxes = 0;
    for (const Case& c : cases) {
        sent.clear();
        auto w = Open(EditModeAdd, std::make_shared<cReceiver>());
        Choose(*w, "E-mail");
        Child<QLineEdit>(*w, "Text_ReceiverName").setText(c.typed);
        Child<QPushButton>(*w, "Command_Ok").click();
        ASSERT_EQ(sent.size(), c.sent ? 1u : 0u) << c.typed;
        if (c.sent) {
            EXPECT_EQ(SentReceiver().m_ReceiverName, c.stored);
            int32_t p = 0;
            EXPECT_EQ(GetLongFromNetworkBytes(sent[0].Body, p), -1);
            EXPECT_EQ(GetStringFromNetworkBytes(sent[0].Body, p), c.stored);
            EXPECT_EQ(store.Get("Korvel ActiveX Receiver Client", "Parameters", "LastSelectedReceiver", ""), c.stored);
            EXPECT_EQ(w->result(), QDialog::Accepted);
        } else if (std::string(c.typed).find_first_not_of(' ') != std::string::npos) {
            ++boxes;
            EXPECT_EQ(dialogs->Messages().back().icon, platform::MessageIcon::Exclamation);
        }
    }
    EXPECT_EQ(static_cast<int>(dialogs->Messages().size()), boxes);
}

TEST_F(ParametersWindowTest, CopyKeepsTheSettingsAndReportsAnUnchangedName) {
    platform::ScopedScriptedDialogs dialogs;
    auto source = state.Receivers.Find("K10");
    source->SaveSetting(0, Variant("+4670"));
    source->SaveSetting(1, Variant("2"));
    auto copy = std::make_shared<cReceiver>();
    copy->CopyFrom(state, *source);
    copy->m_DiskIdentity = -1;
    auto w = Open(EditModeCopy, copy);
    EXPECT_EQ(Child<QLineEdit>(*w, "Text_Setting", 0).text(), "+4670");
    EXPECT_EQ(Child<QComboBox>(*w, "Combo_Setting", 1).currentIndex(), 2);
    EXPECT_EQ(Child<QLineEdit>(*w, "Text_ReceiverName").text(), "Duty");
    Child<QPushButton>(*w, "Command_Ok").click();
    EXPECT_TRUE(sent.empty());
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    Child<QLineEdit>(*w, "Text_ReceiverName").setText("Duty 2");
    Child<QComboBox>(*w, "Combo_Setting", 1).setCurrentIndex(0);
    Child<QPushButton>(*w, "Command_Ok").click();
    ASSERT_EQ(sent.size(), 1u);
    const cReceiver r = SentReceiver();
    EXPECT_EQ(r.m_DiskIdentity, -1);
    EXPECT_EQ(r.GetSetting(1).ToText(), "0");
    EXPECT_EQ(r.GetSetting(0).ToText(), "+4670");
}

TEST_F(ParametersWindowTest, ListSettingOnlyTakesAWholeNumberOfAChoice) {
    for (const char* stored : {"abc", "-1", "3", "1.5", "", "1x", "0 1"}) {
        auto r = std::make_shared<cReceiver>();
        r->CopyFrom(state, *state.Receivers.Find("K10"));
        r->SaveSetting(1, Variant(stored));
        auto w = Open(EditModeEdit, r);
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_Setting", 1).currentIndex(), -1) << stored;
    }
}

TEST_F(ParametersWindowTest, BackupReceiverEntriesAndChoices) {
    state.Area = "North";
    auto edited = state.Receivers.Find("K11"); // North\Gate, backup "Duty" (another area)
    {
        auto w = Open(EditModeEdit, edited);
        // Blank, then the receivers of the area (none but itself), then the backup found
        // by its full name.
        EXPECT_EQ(Entries(Child<QComboBox>(*w, "Combo_BackupReceiver")), (QStringList{"", "Duty"}));
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_BackupReceiver").currentText(), "Duty");
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_BackupReceiver").currentData().toInt(), 10);
        Child<QComboBox>(*w, "Combo_BackupReceiver").setCurrentIndex(0);
        Child<QPushButton>(*w, "Command_Ok").click();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(SentReceiver().m_BackupReceiver, "");
        // Edit sends the listed receiver's own identity and name.
        int32_t p = 0;
        EXPECT_EQ(GetLongFromNetworkBytes(sent[0].Body, p), 11);
        EXPECT_EQ(GetStringFromNetworkBytes(sent[0].Body, p), "North\\Gate");
    }
    {
        // A backup receiver the server does not know is offered with item data -1.
        auto r = std::make_shared<cReceiver>();
        r->m_BackupReceiver = "Elsewhere\\Gone";
        auto w = Open(EditModeAdd, r);
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_BackupReceiver").currentText(), "Elsewhere\\Gone");
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_BackupReceiver").currentData().toInt(), -1);
    }
    state.ViewAllReceiversSetting = true;
    {
        auto w = Open(EditModeAdd, std::make_shared<cReceiver>());
        EXPECT_EQ(Entries(Child<QComboBox>(*w, "Combo_BackupReceiver")), (QStringList{"", "Duty", "North\\Gate", "South\\Pump"}));
        EXPECT_EQ(Child<QComboBox>(*w, "Combo_BackupReceiver").currentIndex(), -1);
    }
    allowBackup = false;
    {
        auto w = Open(EditModeAdd, std::make_shared<cReceiver>());
        EXPECT_TRUE(Child<QComboBox>(*w, "Combo_BackupReceiver").isHidden());
        EXPECT_LT(Child<QPushButton>(*w, "Command_Ok").y(), Child<QComboBox>(*w, "Combo_BackupReceiver").y() + Child<QComboBox>(*w, "Combo_BackupReceiver").height());
        EXPECT_EQ(Child<QPushButton>(*w, "Command_Cancel").y(), Child<QPushButton>(*w, "Command_Ok").y());
    }
}

TEST_F(ParametersWindowTest, CaptionsFromNumberedTexts) {
    auto text = [&](int32_t id, const char* t) {
        TextRow row{id, static_cast<int32_t>(state.TextTable.Blob.size()) + 1, static_cast<int32_t>(std::strlen(t))};
        state.TextTable.Rows.push_back(row);
        state.TextTable.Blob += t;
    };
    text(511, "R&eceivers");
    text(514, "Edit");
    text(576, "&Add");
    text(578, "&Copy");
    text(513, "&Name");
    text(499, "&Ok");
    state.Area = "North";
    EXPECT_EQ(Open(EditModeAdd, std::make_shared<cReceiver>())->windowTitle(), "Add Receivers");
    EXPECT_EQ(Open(EditModeCopy, std::make_shared<cReceiver>())->windowTitle(), "Copy Receivers");
    auto w = Open(EditModeEdit, state.Receivers.Find("K11"));
    EXPECT_EQ(w->windowTitle(), "Edit Receivers - Gate");
    // The receiver's own name keeps its "&".
    EXPECT_EQ(Open(EditModeEdit, AddReceiver(13, "North\\Smith & Sons", 1, ""))->windowTitle(),
              "Edit Receivers - Smith & Sons");
    EXPECT_EQ(Child<QPushButton>(*w, "Command_Ok").text(), "&Ok");
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(ParametersWindowTest, EveryShownFieldFitsTheWindowWithoutOverlap) {
    // Also leaves a picture of the window in the build folder for a look by eye.
    for (auto [id, t] : {std::pair{499, "&Ok"}, {498, "Cancel"}, {513, "&Name"}, {512, "Receiver &type"},
                         {527, "Backup receiver"}, {514, "Edit"}, {511, "R&eceivers"}}) {
        TextRow row{id, static_cast<int32_t>(state.TextTable.Blob.size()) + 1, static_cast<int32_t>(std::strlen(t))};
        state.TextTable.Rows.push_back(row);
        state.TextTable.Blob += t;
    }
    for (bool backup : {true, false}) {
        allowBackup = backup;
        auto w = Open(EditModeEdit, state.Receivers.Find("K10"));
        w->show();
        QApplication::processEvents();
        std::vector<QRect> shown;
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isHidden()) continue;
            EXPECT_TRUE(w->rect().contains(child->geometry())) << child->objectName().toStdString();
            for (const QRect& other : shown)
                EXPECT_FALSE(other.intersects(child->geometry())) << child->objectName().toStdString();
            shown.push_back(child->geometry());
        }
        if (backup) {
            EXPECT_TRUE(w->grab().save(QCoreApplication::applicationDirPath() + "/receivers_parameters.png"));
        }
    }
}
