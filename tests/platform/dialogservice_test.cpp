#include "platform/dialogservice.h"
#include "platform/popuplist.h"
#include "platform/popupmenu.h"

#include <QApplication>
#include <QAbstractButton>
#include <QCloseEvent>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvel::platform;

namespace {


// A window that counts how often its close box was used.
class CloseBoxCounted final : public QDialog {
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closes;
        QDialog::closeEvent(event);
    }
};

// A window whose Cancel does nothing, so neither it nor the close box closes it.
class Stubborn final : public QDialog {
public:
    void reject() override {}
};

} // namespace

TEST(DialogService, ScriptedAnswersInOrderThenAsIfClosedAndRecordsEveryRequest) {
    ScopedScriptedDialogs dialogs;
    dialogs->QueueAnswer(MessageResult::Yes);
    dialogs->QueueText(QStringLiteral("new name"));

    EXPECT_EQ(ShowMessage("Save?\r\n\r\nNow", "Title", MessageIcon::Question, MessageButtons::YesNo),
              MessageResult::Yes);
    struct Case { MessageButtons buttons; MessageResult closed; };
    const Case cases[] = {
        {MessageButtons::Ok, MessageResult::Ok},
        {MessageButtons::OkCancel, MessageResult::Cancel},
        {MessageButtons::YesNo, MessageResult::No},
        {MessageButtons::YesNoCancel, MessageResult::Cancel},
        {MessageButtons::RetryCancel, MessageResult::Cancel},
        {MessageButtons::AbortRetryIgnore, MessageResult::Abort},
    };
    for (const auto& c : cases) EXPECT_EQ(ShowMessage("x", "t", MessageIcon::None, c.buttons), c.closed);

    EXPECT_EQ(AskText("Name:", "Rename", "old"), std::optional<QString>("new name"));
    EXPECT_EQ(AskText("Name:", "Rename", "old"), std::nullopt);

    ASSERT_EQ(dialogs->Messages().size(), 7u);
    const MessageRequest& first = dialogs->Messages()[0];
    EXPECT_EQ(first.text, "Save?\r\n\r\nNow"); // recorded as given, CR LF kept
    EXPECT_EQ(first.title, "Title");
    EXPECT_EQ(first.icon, MessageIcon::Question);
    EXPECT_EQ(first.buttons, MessageButtons::YesNo);
    ASSERT_EQ(dialogs->Inputs().size(), 2u);
    EXPECT_EQ(dialogs->Inputs()[0].prompt, "Name:");
    EXPECT_EQ(dialogs->Inputs()[0].title, "Rename");
    EXPECT_EQ(dialogs->Inputs()[0].defaultText, "old");
}

TEST(DialogService, ScopedResponderRestoresThePreviousService) {
    IDialogService* before = &Dialogs();
    {
        ScopedScriptedDialogs outer;
        {
            ScopedScriptedDialogs inner;
            ShowMessage("inner", "t");
            EXPECT_EQ(inner->Messages().size(), 1u);
        }
        ShowMessage("outer", "t");
        ASSERT_EQ(outer->Messages().size(), 1u);
        EXPECT_EQ(outer->Messages()[0].text, "outer");
    }
    EXPECT_EQ(&Dialogs(), before);
}

TEST(DialogService, QtServiceShowsTheBoxAndReturnsTheChosenButton) {
    QtDialogService service;
    QString seenText;
    QString seenTitle;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenText = box->text();
        seenTitle = box->windowTitle();
        box->button(QMessageBox::No)->click();
    });
    MessageResult result = service.Message(
        {"Line 1\r\nLine 2", "Korvel", MessageIcon::Question, MessageButtons::YesNoCancel}, nullptr);
    EXPECT_EQ(result, MessageResult::No);
    EXPECT_EQ(seenText, "Line 1\nLine 2");
    EXPECT_EQ(seenTitle, "Korvel");

    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    EXPECT_EQ(service.Message({"x", "t", MessageIcon::Information, MessageButtons::OkCancel}, nullptr),
              MessageResult::Cancel);
}

TEST(DialogService, QtServiceLinesUpTheColumnsOfATabbedText) {
    QtDialogService service;
    QString seen;
    Qt::TextFormat format = Qt::PlainText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    service.Message({"Usage:\r\n\r\n/Area      \tFilter <area>\r\n/TopMost\tAlways on top", "t"}, nullptr);
    EXPECT_EQ(format, Qt::RichText);
    EXPECT_TRUE(seen.startsWith("<table")) << seen.toStdString();
    // One row per line; the option and its meaning in cells of their own, escaped.
    EXPECT_EQ(seen.count("<tr>"), 4);
    EXPECT_TRUE(seen.contains(">/Area</td><td>Filter &lt;area&gt;</td>")) << seen.toStdString();
    EXPECT_TRUE(seen.contains(">/TopMost</td><td>Always on top</td>")) << seen.toStdString();
}

TEST(DialogService, ScriptedWindowsGoShownModalToTheScriptThatNamesThemAndCloseAsByTheirCloseBox) {
    ScopedScriptedDialogs dialogs;
    CloseBoxCounted named;
    named.setObjectName(QStringLiteral("Named_Window"));
    named.setWindowTitle(QStringLiteral("Named title"));
    QInputDialog input; // a QDialog by its class

    // Each script waits for a window it names, in the order queued, and is used once.
    QStringList ran;
    dialogs->OnWindow<QInputDialog>([&](QInputDialog& w) {
        ran << "by class";
        EXPECT_EQ(QApplication::activeModalWidget(), &w);
        w.accept();
    });
    dialogs->OnWindow(QStringLiteral("Named_Window"), [&](QWidget& w) {
        ran << "by name";
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), &w);
        static_cast<QDialog&>(w).accept();
    });
    EXPECT_EQ(RunModal(named), QDialog::Accepted);
    EXPECT_FALSE(named.isVisible());
    EXPECT_FALSE(named.testAttribute(Qt::WA_ShowModal)) << "as exec() leaves it";
    EXPECT_EQ(RunModal(input), QDialog::Accepted);
    EXPECT_EQ(ran, (QStringList{"by name", "by class"}));

    // No script left, or a script that leaves the window open: the close box closes it.
    EXPECT_EQ(RunModal(named), QDialog::Rejected);
    EXPECT_EQ(named.closes, 1);
    dialogs->OnWindow(QStringLiteral("QDialog"), [](QWidget&) {});
    EXPECT_EQ(RunModal(named), QDialog::Rejected);
    EXPECT_EQ(named.closes, 2);
    EXPECT_FALSE(named.isVisible());
    // A window that will not close still ends, so nothing waits on it.
    Stubborn stubborn;
    EXPECT_EQ(RunModal(stubborn), QDialog::Rejected);
    EXPECT_FALSE(stubborn.isVisible());
    // One deleted on close lives until the service is done with it, as under exec().
    QPointer<QDialog> owned = new QDialog;
    owned->setAttribute(Qt::WA_DeleteOnClose);
    dialogs->OnWindow<QDialog>([](QDialog& w) { w.accept(); });
    EXPECT_EQ(RunModal(*owned), QDialog::Accepted);
    EXPECT_TRUE(owned.isNull());

    // Every window is recorded as it showed.
    ASSERT_EQ(dialogs->Windows().size(), 6u);
    EXPECT_EQ(dialogs->Windows()[0].name, "Named_Window");
    EXPECT_EQ(dialogs->Windows()[0].title, "Named title");
    EXPECT_TRUE(dialogs->Windows()[0].scripted);
    EXPECT_FALSE(dialogs->Windows()[2].scripted);
    EXPECT_EQ(dialogs->Shown(QStringLiteral("Named_Window")), 3);
    EXPECT_EQ(dialogs->Shown<QInputDialog>(), 1);
    EXPECT_EQ(dialogs->Shown<QDialog>(), 6);
}

TEST(DialogService, ScriptedMenusArePreparedThenHandedToTheirScriptOrShownForReal) {
    ScopedScriptedDialogs dialogs;
    Menu menu;
    menu.setObjectName(QStringLiteral("Menu_Test"));
    MenuItem* entry = menu.AddItem(QStringLiteral("&Entry"));
    int prepared = 0;
    int chosen = 0;
    QObject::connect(&menu, &Menu::AboutToShow, [&] { ++prepared; });
    QObject::connect(entry, &MenuItem::Click, [&] { ++chosen; });

    // A window's script is never handed a menu of its name.
    dialogs->OnWindow(QStringLiteral("Menu_Test"), [](QWidget&) { ADD_FAILURE() << "a menu went to a window's script"; });
    dialogs->OnMenu(QStringLiteral("Menu_Test"), [&](Menu& shown) {
        EXPECT_EQ(prepared, 1) << "prepared before the script sees it";
        shown.Trigger(0);
    });
    PopupMenu(&menu, {});
    EXPECT_EQ(chosen, 1);
    // No script: prepared, and closed with nothing chosen.
    PopupMenu(&menu, {});
    EXPECT_EQ(prepared, 2);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(dialogs->Shown<Menu>(), 2);
    EXPECT_EQ(PopupList::Active(), nullptr);

    dialogs->ShowRealMenus();
    PopupMenu(&menu, QPoint(20, 20));
    ASSERT_NE(PopupList::Active(), nullptr);
    EXPECT_EQ(PopupList::Active()->ShownMenu(), &menu);
    EXPECT_EQ(prepared, 3);
    PopupList::Active()->CloseAll();
    EXPECT_EQ(chosen, 1);
}
