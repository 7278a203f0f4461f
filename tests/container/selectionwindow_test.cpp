#include "container/application.h"
#include "container/hostwindow.h"
#include "container/selectionwindow.h"
#include "platform/dialogservice.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::container;

namespace {

StartupParameters Valid() {
    StartupParameters p;
    p.SelectedComponent = 2;
    p.ServerAddress = "server";
    p.ServerPort = "58658";
    return p;
}

} // namespace

TEST(SelectionWindow, OptionsAndFieldsEditTheParametersAndGateOk) {
    MemorySettingsStore store;
    StartupParameters p;
    p.ServerAddress = "server";
    SelectionWindow window(p, store, QStringLiteral("English"));
    window.Prepare();
    EXPECT_FALSE(window.Frame(1)->isHidden()); // invalid set: the properties are open
    EXPECT_EQ(window.Command_Options()->text(), "<<< Options");
    EXPECT_FALSE(window.Command_Ok()->isEnabled());
    EXPECT_EQ(window.Text_ServerAddress()->text(), "server");
    EXPECT_EQ(window.Text_Password()->echoMode(), QLineEdit::Password);

    window.Option_Component(1)->click(); // "Edit &receivers"
    EXPECT_EQ(p.SelectedComponent, 2);
    EXPECT_EQ(window.Option_Component(1)->text(), "Edit &receivers");
    window.Text_ServerPort()->setText("70000");
    EXPECT_EQ(p.ServerPort, "70000");
    EXPECT_FALSE(window.Command_Ok()->isEnabled());
    window.Text_ServerPort()->setText("7000");
    EXPECT_TRUE(window.Command_Ok()->isEnabled());
    window.Text_Area()->setText(QString::fromUtf8("\u00C5rhus"));
    EXPECT_EQ(p.Area, "\xC5rhus");

    window.Command_Cancel()->click();
    EXPECT_EQ(p.SelectedComponent, -1);
    EXPECT_EQ(p.ServerPort, "7000"); // what was typed stays
}

TEST(SelectionWindow, PreparationShowsTheChosenStateAndOptionsFold) {
    MemorySettingsStore store;
    struct Case { bool valid; bool disable; bool frameShown; bool optionsShown; };
    const Case cases[] = {
        {false, false, true, true},
        {true, false, false, true},
        {false, true, false, false},
        {true, true, false, false},
    };
    for (const auto& c : cases) {
        StartupParameters p = Valid();
        if (!c.valid) p.ServerPort = "0";
        p.DisableOptions = c.disable;
        SelectionWindow window(p, store, QString());
        const int full = window.height();
        window.Prepare();
        EXPECT_TRUE(window.Option_Component(1)->isChecked());
        EXPECT_EQ(!window.Frame(1)->isHidden(), c.frameShown);
        EXPECT_EQ(!window.Command_Options()->isHidden(), c.optionsShown);
        EXPECT_EQ(window.FullHeight(), full);
        if (c.frameShown) {
            EXPECT_EQ(window.height(), full);
        } else {
            EXPECT_EQ(window.height(), full - window.Frame(1)->height() - 3); // frame + 50 twips
            EXPECT_EQ(window.Command_Cancel()->y(), window.Frame(0)->geometry().bottom() + 1 + 7);
        }
        EXPECT_EQ(window.Command_Ok()->y(), window.Command_Cancel()->y());
        EXPECT_EQ(window.Command_Options()->y(), window.Command_Cancel()->y());
    }

    StartupParameters p = Valid();
    SelectionWindow window(p, store, QString());
    window.Prepare();
    EXPECT_EQ(window.Command_Options()->text(), "Options >>>");
    window.Command_Options()->click();
    EXPECT_FALSE(window.Frame(1)->isHidden());
    EXPECT_EQ(window.Command_Options()->text(), "<<< Options");
    EXPECT_EQ(window.height(), window.FullHeight());
    EXPECT_GT(window.Command_Cancel()->y(), window.Frame(1)->geometry().bottom());
    window.Command_Options()->click();
    EXPECT_TRUE(window.Frame(1)->isHidden());
}

TEST(SelectionWindow, SwedishCaptionsOnlyWhereTranslated) {
    MemorySettingsStore store;
    StartupParameters p;
    SelectionWindow swedish(p, store, QStringLiteral("svenska"));
    EXPECT_EQ(swedish.Frame(0)->title(), QString::fromUtf8("&V\u00E4lj komponent"));
    EXPECT_EQ(swedish.Option_Component(4)->text(), QString::fromUtf8("Visa &Larmh\u00E4ndelser"));
    EXPECT_EQ(swedish.Frame(1)->title(), QString::fromUtf8("&Inst\u00E4llningar"));
    EXPECT_EQ(swedish.Command_Cancel()->text(), "Avbryt");
    EXPECT_EQ(swedish.Command_Ok()->text(), "Ok");
    EXPECT_EQ(swedish.Command_Options()->text(), "<<< Options");
    EXPECT_EQ(swedish.Check_DisableOptions()->text(), "Disable future option changes");

    SelectionWindow other(p, store, QStringLiteral("Deutsch"));
    EXPECT_EQ(other.Frame(0)->title(), "&Select component to view");
    EXPECT_EQ(other.Command_Cancel()->text(), "Cancel");
}

TEST(SelectionWindow, DisablingOptionsAsksAndStoresOnlyOnYes) {
    platform::ScopedScriptedDialogs dialogs;
    for (auto answer : {platform::MessageResult::No, platform::MessageResult::Yes}) {
        MemorySettingsStore store;
        StartupParameters p = Valid();
        SelectionWindow window(p, store, QString());
        window.Prepare();
        window.Check_DisableOptions()->setChecked(true);
        dialogs->QueueAnswer(answer);
        window.Command_Ok()->click();
        EXPECT_EQ(window.result(), QDialog::Accepted);
        EXPECT_EQ(p.SelectedComponent, 2); // the control still starts
        EXPECT_EQ(store.Get(kApplication, kSection, "DisableOptions", "none"),
                  answer == platform::MessageResult::Yes ? "1" : "none");
    }
    ASSERT_EQ(dialogs->Messages().size(), 2u);
    EXPECT_EQ(dialogs->Messages()[0].text,
              "You must run KorvelContainer with startparameter /CleanUp to enable Options button "
              "again.\r\n\r\nDo you wish to continue?");
    EXPECT_EQ(dialogs->Messages()[0].title, "Korvel Container");
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(dialogs->Messages()[0].buttons, platform::MessageButtons::YesNo);
}

TEST(SelectionWindow, CloseBoxCancelsAndTopMostApplies) {
    MemorySettingsStore store;
    StartupParameters p = Valid();
    p.TopMost = true;
    SelectionWindow window(p, store, QString());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window.show();
    window.close();
    EXPECT_EQ(p.SelectedComponent, -1);
}

TEST(Startup, SelectionWindowRunsWhenParametersAreMissingAndItsChoiceIsStored) {
    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    store.Save(kApplication, kSection, "Component", "3");

    // Cancel: the four texts are stored as they stand, not the component; no window.
    dialogs->OnWindow<SelectionWindow>([](SelectionWindow& window) {
        EXPECT_TRUE(window.Option_Component(2)->isChecked()); // the stored component
        window.Text_ServerAddress()->setText("typed.host");
        window.Command_Cancel()->click();
    });
    auto cancelled = Start({"/ServerPort:0", "/Component:8"}, store);
    EXPECT_FALSE(cancelled.window);
    EXPECT_EQ(store.Get(kApplication, kSection, "ServerAddress", ""), "typed.host");
    EXPECT_EQ(store.Get(kApplication, kSection, "ServerPort", ""), "0");
    EXPECT_EQ(store.Get(kApplication, kSection, "Component", ""), "3");

    // The stored address now wins over the command line's.
    dialogs->OnWindow<SelectionWindow>([](SelectionWindow& window) {
        EXPECT_EQ(window.Text_ServerAddress()->text(), "typed.host");
        window.Text_ServerPort()->setText("1234");
        window.Option_Component(0)->click();
        window.Command_Ok()->click();
    });
    qputenv("KORVEL_PLUGIN_DIR", KORVEL_TEST_PLUGIN_DIR);
    auto chosen = Start({"/ServerAddress:ignored.host"}, store);
    ASSERT_TRUE(chosen.window);
    EXPECT_EQ(chosen.window->Control()->property("ServerAddress").toString(), "typed.host");
    EXPECT_EQ(store.Get(kApplication, kSection, "Component", ""), "1");
    EXPECT_EQ(store.Get(kApplication, kSection, "ServerPort", ""), "1234");
}
