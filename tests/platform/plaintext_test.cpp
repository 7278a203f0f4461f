// The widget layer's rule: data is shown as it stands, never as markup, whichever way a
// widget is made or its text reaches it (labels, tool tips, What's This, window titles,
// message and input boxes), and nothing a text names is loaded from disk.
#include "platform/dialogservice.h"
#include "platform/listview.h"
#include "platform/paintsurface.h"
#include "platform/plaintext.h"
#include "platform/statuslabel.h"
#include "platform/treeview.h"
#include "tests/support/markuptraps.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

using namespace korvel::platform;
using korvel::testing::HoverForToolTip;
using korvel::testing::MarkupTraps;
using korvel::testing::ShowsLiterally;

namespace {


// Runs action once the modal box it opens is up, then closes that box.
void WhileModal(const std::function<void(QWidget*)>& action) {
    QTimer::singleShot(0, [action] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        action(box);
        if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
    });
}

QString LabelText(QWidget* box, const QString& contains, bool* literal) {
    for (QLabel* label : box->findChildren<QLabel*>())
        if (label->text().contains(contains)) {
            *literal = ShowsLiterally(label);
            return label->text();
        }
    return {};
}

class PlainTextRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(traps.Ready());
    }
    void TearDown() override { EXPECT_FALSE(traps.FileOpened()) << "a widget opened a file named in its text"; }
    MarkupTraps traps;
};

} // namespace

TEST_F(PlainTextRuleTest, InForceOnceFromTheApplicationsStart) {
    // No call of ours made the application: the layer's start-up hook put it in force.
    EXPECT_TRUE(PlainTextRuleActive());
    InstallPlainTextRule();
    InstallPlainTextRule();
    int rules = 0;
    for (QObject* child : qApp->children())
        if (child->objectName() == QLatin1String("korvel_plain_text_rule")) ++rules;
    EXPECT_EQ(rules, 1);
}

TEST_F(PlainTextRuleTest, LabelsShowTheirTextHoweverTheyAreMadeAndMeasured) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* made = new QLabel(traps.Markup(1, "made"));
    layout->addWidget(made);
    // Measured before it was ever shown (a size hint lays out rich text at once).
    auto* measured = new QLabel(&window);
    measured->setText(traps.AllMarkup("measured"));
    measured->adjustSize();
    // Code that asked for Qt's guess still gets plain text.
    auto* guessed = new QLabel(&window);
    guessed->setTextFormat(Qt::AutoText);
    guessed->setText(traps.Markup(2, "guessed"));
    layout->addWidget(guessed);
    StatusLabel status(&window);
    status.SetText(traps.Markup(3, "status"));
    window.show();
    auto* late = new QLabel(&window);
    layout->addWidget(late);
    late->show();
    late->setText(traps.Markup(1, "late"));
    QApplication::processEvents();

    for (QLabel* label : {made, measured, guessed, static_cast<QLabel*>(&status), late}) {
        EXPECT_TRUE(ShowsLiterally(label)) << label->text().toStdString();
        EXPECT_TRUE(label->text().contains(QStringLiteral("<img")) || label->text().contains(QStringLiteral("<b>")))
            << label->text().toStdString();
    }
    EXPECT_EQ(measured->text(), traps.AllMarkup("measured"));
    // Plain text is measured as text: far wider than a picture of 8 pixels.
    EXPECT_GT(measured->width(), 100);
}

TEST_F(PlainTextRuleTest, ToolTipsOfWidgetsItemsTabsMenusAndPlatformViewsAreLiteral) {
    QWidget window;
    window.resize(600, 400);
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton(QStringLiteral("b"));
    button->setToolTip(traps.Markup(1, "button"));
    auto* tree = new QTreeWidget;
    auto* item = new QTreeWidgetItem(tree, QStringList{traps.Markup(0, "item")});
    item->setToolTip(0, traps.Markup(2, "item tip"));
    auto* tabs = new QTabBar;
    tabs->addTab(traps.Markup(0, "tab"));
    tabs->setTabToolTip(0, traps.Markup(3, "tab tip"));
    auto* platformTree = new TreeView;
    platformTree->AddNode({}, QStringLiteral("K1"), traps.Markup(0, "node"), 0);
    platformTree->SetToolTipText(traps.Markup(1, "tree tip"));
    auto* list = new ListView;
    list->SetToolTipText(traps.Markup(2, "list tip"));
    auto* surface = new PaintSurfaceWidget;
    surface->setMinimumSize(50, 50);
    surface->setToolTipText(traps.Markup(3, "day tip").toStdString());
    for (QWidget* w : std::initializer_list<QWidget*>{button, tree, tabs, platformTree, list, surface})
        layout->addWidget(w);
    window.show();
    QApplication::processEvents();

    struct Case {
        QWidget* widget;
        QPoint pos;
        QString tip;
    };
    const Case cases[] = {
        {button, {5, 5}, button->toolTip()},
        {tree->viewport(), tree->visualItemRect(item).center(), item->toolTip(0)},
        {tabs, tabs->tabRect(0).center(), tabs->tabToolTip(0)},
        {platformTree->viewport(), {5, 5}, platformTree->ToolTipText()},
        {list->viewport(), {5, 5}, list->ToolTipText()},
        {surface, {5, 5}, surface->toolTip()},
    };
    for (const Case& c : cases) {
        QLabel* tip = HoverForToolTip(c.widget, c.pos);
        ASSERT_NE(tip, nullptr) << c.tip.toStdString();
        EXPECT_EQ(tip->text(), c.tip);
        EXPECT_TRUE(ShowsLiterally(tip)) << c.tip.toStdString();
    }

    // A menu entry's tip, where the menu shows them.
    QMenu menu;
    menu.setToolTipsVisible(true);
    QAction* action = menu.addAction(QStringLiteral("entry"));
    action->setToolTip(traps.Markup(1, "entry tip"));
    menu.popup(QPoint(10, 10));
    QApplication::processEvents();
    QLabel* tip = HoverForToolTip(&menu, menu.actionGeometry(action).center());
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->text(), action->toolTip());
    EXPECT_TRUE(ShowsLiterally(tip));
    menu.close();
}

TEST_F(PlainTextRuleTest, WhatsThisOfWidgetsAndItemsLoadsNothing) {
    QTreeWidget tree;
    auto* item = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("row")});
    item->setWhatsThis(0, traps.AllMarkup("item"));
    QPushButton button(QStringLiteral("b"));
    button.setWhatsThis(traps.AllMarkup("button"));
    tree.show();
    button.show();
    QApplication::processEvents();
    auto ask = [](QWidget* w, QPoint pos) {
        QHelpEvent event(QEvent::WhatsThis, pos, w->mapToGlobal(pos));
        QApplication::sendEvent(w, &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(ask(&button, {3, 3}));
    EXPECT_TRUE(ask(tree.viewport(), tree.visualItemRect(item).center()));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qstrcmp(w->metaObject()->className(), "QWhatsThat") == 0) w->close();
}

TEST_F(PlainTextRuleTest, WindowTitlesShowEveryCharacter) {
    const QString title = QStringLiteral("Edit [*] <b>North\\Smith & Sons</b> [*][*] [*]");
    QDialog dialog;
    dialog.setWindowTitle(title);
    dialog.show();
    QApplication::processEvents();
    ASSERT_NE(dialog.windowHandle(), nullptr);
    EXPECT_EQ(dialog.windowHandle()->title(), title);
    // Changed while on show, too.
    dialog.setWindowTitle(title + QStringLiteral(" 2"));
    EXPECT_EQ(dialog.windowHandle()->title(), title + QStringLiteral(" 2"));
}

TEST_F(PlainTextRuleTest, MessageAndInputBoxesShowTheirTextsLiterally) {
    QtDialogService service;
    const QString text = traps.AllMarkup("message") + QStringLiteral("\r\nsecond line");
    bool literal = false;
    QString shown;
    QString title;
    WhileModal([&](QWidget* box) {
        shown = LabelText(box, QStringLiteral("message"), &literal);
        title = box->windowHandle() ? box->windowHandle()->title() : QString();
    });
    service.Message({text, QStringLiteral("[*]<i>title</i>"), MessageIcon::Exclamation, MessageButtons::YesNo},
                    nullptr);
    EXPECT_TRUE(literal);
    EXPECT_EQ(shown, traps.AllMarkup("message") + QStringLiteral("\nsecond line"));
    EXPECT_EQ(title, QStringLiteral("[*]<i>title</i>"));

    literal = false;
    WhileModal([&](QWidget* box) { shown = LabelText(box, QStringLiteral("prompt"), &literal); });
    EXPECT_FALSE(service.Input({traps.AllMarkup("prompt"), QStringLiteral("t"), traps.Markup(0)}, nullptr).has_value());
    EXPECT_TRUE(literal);
    EXPECT_EQ(shown, traps.AllMarkup("prompt"));

    // A text laid out with tabs shows as a table: markup the box builds itself, around
    // the text escaped.
    WhileModal([&](QWidget* box) {
        QLabel* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        shown = label->text();
    });
    service.Message({QStringLiteral("/x\t") + traps.AllMarkup("cell"), QStringLiteral("t")}, nullptr);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("<table")));
    EXPECT_TRUE(shown.contains(QStringLiteral("&lt;b&gt;x&lt;/b&gt;cell")));
    EXPECT_FALSE(shown.contains(QStringLiteral("<img")));
}

TEST(LiteralMarkup, EscapesAndKeepsLineBreaks) {
    const QString markup = LiteralMarkup(QStringLiteral("<b>a & b</b>\r\nc"));
    EXPECT_FALSE(markup.contains(QStringLiteral("<b>")));
    EXPECT_TRUE(markup.contains(QStringLiteral("&lt;b&gt;a &amp; b&lt;/b&gt;")));
    EXPECT_TRUE(markup.contains(QStringLiteral("<br")));
}
