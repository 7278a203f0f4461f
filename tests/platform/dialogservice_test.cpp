#include "platform/dialogservice.h"

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvel::platform;

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "dialogservice_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

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
    EnsureApplication();
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
    EnsureApplication();
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
