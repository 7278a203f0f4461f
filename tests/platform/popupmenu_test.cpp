// The run-time pop-up menus as the operator meets them: the pop-up list opened at the
// pointer, its keys, its pointer, a tall menu that scrolls, and a menu that changes while
// it shows.
#include "platform/popuplist.h"
#include "platform/popupmenu.h"
#include "tests/support/menuinput.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace korvel::platform;
using namespace korvel::testing;

namespace {


// Runs the event loop until the condition holds or a generous time has passed.
template <class Condition>
void RunUntil(Condition condition) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        window->show();
    }
    void TearDown() override {
        if (PopupList* list = OpenList()) list->CloseAll();
        QApplication::processEvents();
    }
    std::unique_ptr<QWidget> window;
    QWidget& owner() { return *window; }
};

// Copy, a separator, a disabled entry, a sub-menu of two, a ticked entry with a key name.
struct SampleMenu {
    explicit SampleMenu(QWidget* owner) : menu(owner) {
        copy = menu.AddItem("&Copy");
        menu.AddSeparator();
        off = menu.AddItem("&Off");
        off->SetEnabled(false);
        more = menu.AddSubMenu("&More");
        items = new MenuItemArray(more->SubMenu(), "one", &menu);
        items->Load();
        items->SetCaption(1, "two");
        cut = menu.AddItem("Cu&t\tShift+X");
        cut->SetCheckable(true);
        cut->SetChecked(true);
        for (MenuItem* item : {copy, off, cut})
            QObject::connect(item, &MenuItem::Click, [this, item] { chosen << item->Caption(); });
        QObject::connect(items, &MenuItemArray::Clicked, [this](int index) { chosen << items->Caption(index); });
    }
    Menu menu;
    MenuItem* copy;
    MenuItem* off;
    MenuItem* more;
    MenuItemArray* items;
    MenuItem* cut;
    QStringList chosen;
};

TEST_F(PopupMenuTest, KeysMoveOverWhatCanBeChosenAndChooseOpenAndClose) {
    SampleMenu m(&owner());
    PopupMenu(&m.menu, owner().mapToGlobal(QPoint(20, 20)));
    PopupList* list = OpenList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->CurrentRow(), -1) << "opened at the pointer: nothing highlighted yet";
    std::vector<int> rows;
    for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End}) {
        MenuKey(key);
        rows.push_back(list->CurrentRow());
    }
    EXPECT_EQ(rows, (std::vector<int>{0, 3, 4, 0, 4, 0, 4})) << "the separator and the disabled entry are skipped";

    MenuKey(Qt::Key_O, "o"); // the disabled entry's letter
    EXPECT_EQ(OpenList(), list);
    MenuKey(Qt::Key_M, "m"); // opens the sub-menu on its first entry
    PopupList* sub = OpenList();
    ASSERT_NE(sub, list);
    EXPECT_EQ(sub->ParentList(), list);
    EXPECT_EQ(sub->CurrentRow(), 0);
    EXPECT_GE(sub->geometry().left(), list->geometry().right() - 2) << "beside its entry";
    MenuKey(Qt::Key_Escape);
    EXPECT_EQ(OpenList(), list) << "Esc closes the sub-menu only";
    EXPECT_EQ(list->CurrentRow(), 3);
    MenuKey(Qt::Key_Right);
    ASSERT_NE(OpenList(), list);
    MenuKey(Qt::Key_Left);
    EXPECT_EQ(OpenList(), list);
    MenuKey(Qt::Key_Right);
    MenuKey(Qt::Key_Down);
    MenuKey(Qt::Key_Return);
    EXPECT_EQ(OpenList(), nullptr) << "a choice closes every list";
    EXPECT_EQ(m.chosen, QStringList{"two"});

    PopupMenu(&m.menu, owner().mapToGlobal(QPoint(20, 20)));
    MenuKey(Qt::Key_T, "T");
    EXPECT_EQ(OpenList(), nullptr);
    EXPECT_EQ(m.chosen.back(), "Cu&t\tShift+X");
    EXPECT_TRUE(m.cut->Checked()) << "the mark is the program's";
    PopupMenu(&m.menu, owner().mapToGlobal(QPoint(20, 20)));
    MenuKey(Qt::Key_Down);
    MenuKey(Qt::Key_Space);
    EXPECT_EQ(m.chosen.back(), "&Copy");
    PopupMenu(&m.menu, owner().mapToGlobal(QPoint(20, 20)));
    MenuKey(Qt::Key_Escape);
    EXPECT_EQ(OpenList(), nullptr);
    EXPECT_EQ(m.chosen.size(), 3);
}

TEST_F(PopupMenuTest, ThePointerHighlightsChoosesOnReleaseAndOpensASubMenuAfterResting) {
    SampleMenu m(&owner());
    int shownSub = 0;
    QObject::connect(m.more->SubMenu(), &Menu::AboutToShow, [&] { ++shownSub; });
    const QPoint at = owner().mapToGlobal(QPoint(20, 20));
    PopupMenu(&m.menu, at);
    PopupList* list = OpenList();
    ASSERT_NE(list, nullptr);
    // The release of the press that opened the menu, where it opened, chooses nothing.
    MenuPointer(QEvent::MouseButtonRelease, list->geometry().topLeft() + QPoint(1, 1));
    EXPECT_EQ(OpenList(), list);
    MenuPointer(QEvent::MouseMove, RowOnScreen(*list, 2));
    EXPECT_EQ(list->CurrentRow(), -1) << "a disabled entry is not highlighted";
    MenuPointer(QEvent::MouseMove, RowOnScreen(*list, 4));
    EXPECT_EQ(list->CurrentRow(), 4);
    MenuClick(RowOnScreen(*list, 1)); // the separator
    EXPECT_EQ(OpenList(), list);

    MenuPointer(QEvent::MouseMove, RowOnScreen(*list, 3));
    EXPECT_EQ(OpenList(), list) << "the sub-menu waits for the pointer to rest";
    RunUntil([&] { return OpenList() != list; }); // once the pointer has rested
    PopupList* sub = OpenList();
    ASSERT_NE(sub, list);
    EXPECT_EQ(shownSub, 1);
    EXPECT_EQ(sub->CurrentRow(), -1);
    MenuClick(RowOnScreen(*sub, 0));
    EXPECT_EQ(m.chosen, QStringList{"one"});
    EXPECT_EQ(OpenList(), nullptr);

    PopupMenu(&m.menu, at);
    list = OpenList();
    MenuClick(RowOnScreen(*list, 4));
    EXPECT_EQ(m.chosen.back(), "Cu&t\tShift+X");
    EXPECT_TRUE(m.cut->Checked()) << "a click leaves the mark as the program set it";

    PopupMenu(&m.menu, at);
    list = OpenList();
    MenuKey(Qt::Key_End);
    MenuKey(Qt::Key_Up);
    MenuKey(Qt::Key_Right);
    ASSERT_NE(OpenList(), list);
    // A press on the first menu closes the sub-menu; one outside every list closes all.
    MenuPointer(QEvent::MouseButtonPress, RowOnScreen(*list, 0));
    EXPECT_EQ(OpenList(), list);
    MenuPointer(QEvent::MouseButtonPress, list->geometry().bottomRight() + QPoint(40, 40));
    EXPECT_EQ(OpenList(), nullptr);
    EXPECT_EQ(m.chosen.size(), 2);
}

// A menu far taller than the screen: the list stays within the screen's available
// height, scrolls by wheel and keys, and a row chosen after scrolling is the one shown.
TEST_F(PopupMenuTest, ATallMenuStaysOnTheScreenAndScrollsToEveryEntry) {
    Menu menu(&owner());
    MenuItemArray items(&menu, "Entry 0");
    constexpr int kEntries = 20000;
    for (int i = 1; i < kEntries; ++i) items.Insert(i, QStringLiteral("Entry %1").arg(i), {});
    int chosen = -1;
    QObject::connect(&items, &MenuItemArray::Clicked, [&](int index) { chosen = index; });
    PopupMenu(&menu, owner().mapToGlobal(QPoint(20, 20)));
    PopupList* list = OpenList();
    ASSERT_NE(list, nullptr);
    const QRect screen = list->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(list->geometry())) << "one column, within the screen";
    QScrollBar* bar = list->View()->verticalScrollBar();
    QApplication::processEvents();
    EXPECT_TRUE(bar->isVisibleTo(list));
    QWheelEvent wheel(QPointF(10, 10), QPointF(list->Rows()->mapToGlobal(QPoint(10, 10))), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->Rows(), &wheel);
    EXPECT_GT(bar->value(), 0);
    MenuKey(Qt::Key_End);
    EXPECT_EQ(list->CurrentRow(), kEntries - 1);
    EXPECT_TRUE(list->Rows()->rect().contains(list->RowRect(kEntries - 1))) << "scrolled into view";
    MenuKey(Qt::Key_PageUp);
    const int up = list->CurrentRow();
    EXPECT_LT(up, kEntries - 10);
    EXPECT_TRUE(list->Rows()->rect().contains(list->RowRect(up)));
    MenuClick(RowOnScreen(*list, up + 1));
    EXPECT_EQ(chosen, up + 1);
}

// Entries that come, go and move while the menu shows: the rows follow, the highlight stays
// on its entry, a wider caption widens the list.
TEST_F(PopupMenuTest, AMenuThatChangesWhileItShowsKeepsItsRowsAndHighlight) {
    Menu menu(&owner());
    MenuItemArray items(&menu, "b");
    items.Insert(1, "c", {});
    menu.AddSeparator();
    menu.AddItem("Last");
    PopupMenu(&menu, owner().mapToGlobal(QPoint(20, 20)));
    PopupList* list = OpenList();
    ASSERT_NE(list, nullptr);
    const QAbstractItemModel* model = list->View()->model();
    const int height = list->height();
    MenuKey(Qt::Key_Down); // b
    items.Insert(0, "a", {});
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_GT(list->height(), height);
    EXPECT_EQ(list->CurrentRow(), 1) << "still on b";
    items.Move(1, 2);
    EXPECT_EQ(list->CurrentRow(), 2);
    EXPECT_EQ(model->index(2, 0).data().toString(), "b");
    const int width = list->width();
    items.SetCaption(0, QString(60, QLatin1Char('w')));
    EXPECT_GT(list->width(), width);
    items.Remove(2);
    EXPECT_EQ(model->rowCount(), 4);
    MenuKey(Qt::Key_End);
    MenuKey(Qt::Key_Return);
    EXPECT_EQ(OpenList(), nullptr);

    // An array that goes while its rows show takes them along; a menu that goes closes
    // its list (and the sub-menu's).
    auto owned = std::make_unique<Menu>(&owner());
    MenuItem* more = owned->AddSubMenu("More");
    auto kept = std::make_unique<MenuItemArray>(owned.get(), "x");
    kept->Load();
    auto sub = std::make_unique<MenuItemArray>(more->SubMenu(), "y");
    PopupMenu(owned.get(), owner().mapToGlobal(QPoint(20, 20)));
    list = OpenList();
    ASSERT_NE(list, nullptr);
    kept.reset();
    EXPECT_EQ(list->View()->model()->rowCount(), 1);
    MenuKey(Qt::Key_Down);
    MenuKey(Qt::Key_Right);
    ASSERT_NE(OpenList(), list);
    owned.reset();
    EXPECT_EQ(OpenList(), nullptr);
    sub->Load(); // an array whose menu went
    EXPECT_EQ(sub->Count(), 2);
    QApplication::processEvents();
}

} // namespace
