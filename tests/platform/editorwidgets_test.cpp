// The widgets the profiles editor rests on: the keyed tree, the tab strip, the check box
// and option buttons, the image combo and the run-time menus.
#include "platform/checkbox.h"
#include "platform/dialogservice.h"
#include "platform/imagecombo.h"
#include "platform/popupmenu.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QMouseEvent>
#include <QTabBar>

#include <gtest/gtest.h>

using namespace korvel::platform;

namespace {


void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

void Click(QWidget* target, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, {}, modifiers);
    QApplication::sendEvent(target, &release);
}

class EditorWidgetsTest : public ::testing::Test {};

TEST_F(EditorWidgetsTest, TreeKeysIgnoreCaseCanBeRenamedAndGiveNoneAfterRemoval) {
    TreeView tree;
    tree.SetPathSeparator("@");
    EXPECT_TRUE(tree.AddNode({}, "K1", "Top", 1));
    EXPECT_TRUE(tree.AddNode("k1", "K-1", "Mid", 3));
    EXPECT_TRUE(tree.AddNode("K-1", "K2", "Leaf", 2));
    EXPECT_FALSE(tree.AddNode({}, "k2", "Dup", 1)) << "a taken key, in any case";
    EXPECT_FALSE(tree.AddNode("K9", "K3", "Orphan", 1));
    EXPECT_FALSE(tree.AddNode({}, "", "NoKey", 1));
    EXPECT_EQ(tree.FullPath("K2"), "Top@Mid@Leaf");
    EXPECT_EQ(tree.FindByFullPath("Top@Mid@Leaf"), "K2");
    EXPECT_EQ(tree.FindByFullPath("top@mid@leaf"), "") << "paths compare exactly";
    EXPECT_TRUE(tree.IsExpanded("K-1"));

    EXPECT_TRUE(tree.SetKey("k-1", "K7"));
    EXPECT_FALSE(tree.Exists("K-1"));
    EXPECT_EQ(tree.Parent("K2"), "K7");
    EXPECT_FALSE(tree.SetKey("K7", "k1")) << "held by another node";
    EXPECT_TRUE(tree.SetKey("K7", "k7")) << "the same node in another case";
    EXPECT_EQ(tree.Key("K7"), "k7");

    EXPECT_EQ(tree.NodesInOrder(), (QStringList{"K1", "k7", "K2"}));
    EXPECT_TRUE(tree.RemoveNode("K7"));
    EXPECT_EQ(tree.NodeCount(), 1);
    EXPECT_EQ(tree.Text("K2"), "");
    EXPECT_EQ(tree.Image("K2"), 0);
    EXPECT_EQ(tree.Parent("K2"), "");
    EXPECT_FALSE(tree.RemoveNode("K2"));
    EXPECT_EQ(tree.FirstNode(), "K1");
}

TEST_F(EditorWidgetsTest, TreeFindsAChildByTextIgnoringCaseInSiblingOrderThroughRenamesAndRemovals) {
    TreeView tree;
    tree.AddNode({}, "A", QString::fromLatin1("\xC5ngen"), 1);
    tree.AddNode({}, "B", "Other", 1);
    tree.AddNode({}, "C", QString::fromLatin1("\xE5NGEN"), 1);
    tree.AddNode("B", "D", "x", 1);
    EXPECT_EQ(tree.FindChildByText({}, QString::fromLatin1("\xE5ngen")), "A") << "Windows-1252 letters fold too";
    EXPECT_EQ(tree.FindChildByText({}, "x"), "") << "only the parent's children";
    EXPECT_EQ(tree.FindChildByText("B", "X"), "D");
    EXPECT_EQ(tree.FindChildByText("Z", "x"), "");
    tree.SetText("A", "Moved");
    EXPECT_EQ(tree.FindChildByText({}, QString::fromLatin1("\xC5NGEN")), "C");
    tree.SetText("A", QString::fromLatin1("\xC5ngen"));
    EXPECT_EQ(tree.FindChildByText({}, QString::fromLatin1("\xC5NGEN")), "A") << "a renamed node keeps its sibling place";
    tree.RemoveNode("A");
    EXPECT_EQ(tree.FindChildByText({}, QString::fromLatin1("\xC5NGEN")), "C");
    tree.RemoveNode("B");
    EXPECT_EQ(tree.FindChildByText("B", "x"), "");
    tree.ClearNodes();
    EXPECT_EQ(tree.FindChildByText({}, "Other"), "");
}

TEST_F(EditorWidgetsTest, TreeSelectionByProgramRaisesNoClickButTheUsersDoes) {
    TreeView tree;
    tree.resize(200, 200);
    tree.show();
    tree.AddNode({}, "A", "a", 1);
    tree.AddNode({}, "B", "b", 1);
    QStringList clicks;
    QObject::connect(&tree, &TreeView::NodeClick, [&](const QString& key) { clicks.append(key); });
    tree.Select("B");
    EXPECT_EQ(tree.SelectedKey(), "B");
    EXPECT_TRUE(clicks.isEmpty());
    Key(&tree, Qt::Key_Up);
    EXPECT_EQ(clicks, QStringList{"A"});
    // A click on the selected node is reported again.
    const QRect r = tree.visualRect(tree.IndexOf("A"));
    Click(tree.viewport(), r.center());
    EXPECT_EQ(clicks, (QStringList{"A", "A"}));
}

TEST_F(EditorWidgetsTest, TreeCtrlPressOnTheSelectedNodeKeepsItSelected) {
    // Ctrl + double-click switches a profile on or off: the press with Ctrl held must
    // leave the node selected, also when it was selected already.
    TreeView tree;
    tree.resize(200, 200);
    tree.show();
    tree.AddNode({}, "A", "a", 1);
    tree.AddNode({}, "B", "b", 1);
    const QRect r = tree.visualRect(tree.IndexOf("B"));
    Click(tree.viewport(), r.center(), Qt::ControlModifier);
    EXPECT_EQ(tree.SelectedKey(), "B");
    Click(tree.viewport(), r.center(), Qt::ControlModifier);
    EXPECT_EQ(tree.SelectedKey(), "B");
}

TEST_F(EditorWidgetsTest, TreeSiblingsAndKeyHandlerSwallowing) {
    TreeView tree;
    tree.AddNode({}, "A", "a", 1);
    tree.AddNode({}, "B", "b", 1);
    tree.AddNode({}, "C", "c", 1);
    EXPECT_EQ(tree.NextSibling("A"), "B");
    EXPECT_EQ(tree.PreviousSibling("A"), "");
    EXPECT_EQ(tree.NextSibling("C"), "");
    int seen = 0;
    tree.SetKeyDownHandler([&](int& key, int shift) {
        seen = key;
        if (key == 46 && (shift & 1)) key = 0;
    });
    tree.Select("B");
    Key(&tree, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(seen, 46);
    Key(&tree, Qt::Key_Down);
    EXPECT_EQ(seen, 40);
    EXPECT_EQ(tree.SelectedKey(), "C") << "a key the handler leaves goes on to the tree";
}

TEST_F(EditorWidgetsTest, TabStripHidesTabsSelectsByProgramSilentlyAndRunsTheHookFirst) {
    TabStrip tabs;
    tabs.resize(300, 200);
    tabs.show();
    for (const char* caption : {"General", "Schedule", "Advanced"}) tabs.AddTab(caption);
    int clicks = 0;
    QObject::connect(&tabs, &TabStrip::Click, [&](int) { ++clicks; });
    EXPECT_TRUE(tabs.SetSelectedIndex(2));
    EXPECT_FALSE(tabs.SetSelectedIndex(3));
    EXPECT_EQ(tabs.SelectedIndex(), 2);
    EXPECT_EQ(clicks, 0);
    tabs.SetTabVisible(1, false);
    EXPECT_FALSE(tabs.TabVisible(1));
    EXPECT_EQ(tabs.SelectedIndex(), 2);
    std::vector<int> order;
    tabs.SetBeforeClickHandler([&] { order.push_back(tabs.SelectedIndex()); });
    QObject::connect(&tabs, &TabStrip::Click, [&](int index) { order.push_back(100 + index); });
    auto* bar = tabs.findChild<QTabBar*>();
    ASSERT_TRUE(bar);
    Click(bar, bar->tabRect(0).center());
    EXPECT_EQ(order, (std::vector<int>{2, 100}));
    EXPECT_EQ(tabs.SelectedIndex(), 0);
}

TEST_F(EditorWidgetsTest, CheckBoxClickFollowsEveryChangeOnceAndOptionsCanAllBeCleared) {
    CheckBox box;
    int clicks = 0;
    QObject::connect(&box, &CheckBox::Click, [&] { ++clicks; });
    box.SetValue(1);
    box.SetValue(1);
    EXPECT_EQ(clicks, 1);
    box.SetValue(0);
    EXPECT_EQ(clicks, 2);
    box.click();
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(box.Value(), 1);

    QRadioButton a, b;
    OptionButtons options;
    options.Add(&a);
    options.Add(&b);
    options.Set(1);
    EXPECT_TRUE(options.Value(1));
    options.ClearAll();
    EXPECT_EQ(options.Selected(), -1);
    a.click();
    EXPECT_EQ(options.Selected(), 0);
    b.click();
    EXPECT_FALSE(options.Value(0));
    EXPECT_EQ(options.Selected(), 1);
}

TEST_F(EditorWidgetsTest, ImageComboNeverAddsTheTypedTextAndSwallowsKeysOnRequest) {
    ImageCombo combo;
    combo.show();
    combo.AddItem("none");
    combo.AddItem("Holiday", 1);
    EXPECT_EQ(combo.SelectedItem(), 0) << "adding selects nothing";
    combo.SetSelectedItem(2);
    EXPECT_EQ(combo.ItemIcon(2), 1);
    int last = -1;
    combo.SetKeyPressHandler([&](int& key) {
        last = key;
        if (key == 13) key = 0;
    });
    combo.setEditText("Typed");
    Key(combo.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(last, 13);
    EXPECT_EQ(combo.ItemCount(), 2);
    combo.SetKeyPressHandler({});
    Key(combo.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(combo.ItemCount(), 2) << "Enter never inserts the text";
    combo.SetItemText(2, "Renamed");
    EXPECT_EQ(combo.ItemText(2), "Renamed");
    combo.RemoveItem(5);
    combo.RemoveItem(1);
    EXPECT_EQ(combo.ItemCount(), 1);
}

TEST_F(EditorWidgetsTest, MenuArraysLoadAndUnloadAndAScriptStandsInForTheUser) {
    Menu menu;
    MenuItemArray items(&menu, "first");
    menu.AddItem("Last");
    items.Load();
    items.SetCaption(1, "second");
    items.SetTag(1, "K2");
    EXPECT_EQ(menu.Count(), 3);
    EXPECT_EQ(menu.Caption(1), "second") << "before the entry added after the array";
    items.Unload();
    items.Unload();
    EXPECT_EQ(items.Count(), 1) << "element 0 stays";
    items.SetChecked(0, true);
    std::vector<int> clicked;
    QObject::connect(&items, &MenuItemArray::Clicked, [&](int index) { clicked.push_back(index); });
    bool opened = false;
    QObject::connect(&menu, &Menu::AboutToShow, [&] { opened = true; });
    ScopedScriptedDialogs dialogs;
    dialogs->OnMenu([](Menu& m) { m.Trigger(0); });
    PopupMenu(&menu, {});
    EXPECT_TRUE(opened);
    EXPECT_EQ(clicked, std::vector<int>{0});
    EXPECT_TRUE(items.Checked(0)) << "the check mark is the program's";
}

TEST_F(EditorWidgetsTest, MenuArraysInsertAndRemoveInPlaceAndKeepTheirLastElement) {
    Menu menu;
    MenuItemArray items(&menu, "b");
    menu.AddItem("Last");
    const auto rows = [&menu] {
        QStringList texts;
        for (int row = 0; row < menu.Count(); ++row) texts << menu.Caption(row);
        return texts;
    };
    items.Insert(0, "a", "K1");
    items.Insert(2, "d", "K4"); // at the end: still before the entry after the array
    items.Insert(2, "c", "K3");
    EXPECT_EQ(rows(), (QStringList{"a", "b", "c", "d", "Last"}));
    EXPECT_EQ(items.Tag(2), "K3");
    std::vector<int> clicked;
    QObject::connect(&items, &MenuItemArray::Clicked, [&](int index) { clicked.push_back(index); });
    menu.Trigger(2);
    items.Remove(0);
    menu.Trigger(2); // "d", now element 2
    EXPECT_EQ(clicked, (std::vector<int>{2, 2}));
    for (int i = 0; i < 5; ++i) items.Remove(0);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Caption(0), "d") << "the only element is never dropped";
    items.Insert(7, "out of range", {});
    EXPECT_EQ(items.Count(), 1);

    for (const char* c : {"e", "f", "g"}) items.Insert(items.Count(), c, QString("K") + c);
    items.SetChecked(0, true);
    items.Move(0, 3); // d to the end, with its mark and tag
    items.Move(2, 0); // g to the front
    EXPECT_EQ(rows(), (QStringList{"g", "e", "f", "d", "Last"}));
    EXPECT_TRUE(items.Checked(3));
    EXPECT_EQ(items.Tag(0), "Kg");
    clicked.clear();
    menu.Trigger(3);
    EXPECT_EQ(clicked, std::vector<int>{3});
}

} // namespace
