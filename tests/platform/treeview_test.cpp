// The keyed tree's double-click settings and its icon store: what a flat check-box tree
// (the active profiles control) sets up differently from the profiles editor's tree.
#include "platform/iconstore.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>

#include <gtest/gtest.h>

#include <vector>

using namespace korvel::platform;

namespace {


void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
          Qt::KeyboardModifiers keys) {
    QMouseEvent e(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held, keys);
    QApplication::sendEvent(target, &e);
}

// A double-click as Qt delivers it: press, release, double-click (the second press),
// release. The first press is made with the first keys, the second with the second.
void DoubleClick(QWidget* target, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers first,
                 Qt::KeyboardModifiers second) {
    Send(target, QEvent::MouseButtonPress, at, button, button, first);
    Send(target, QEvent::MouseButtonRelease, at, button, {}, first);
    Send(target, QEvent::MouseButtonDblClick, at, button, button, second);
    Send(target, QEvent::MouseButtonRelease, at, button, {}, second);
}

QIcon Filled(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

TEST(TreeView, DoubleClickRaisesMouseDownAndDblClickAsSetUp) {
    struct Case {
        bool mouseDownOnDoubleClick;
        Qt::MouseButtons dblClickButtons;
        Qt::MouseButton button;
        Qt::KeyboardModifiers first, second;
        std::vector<int> shifts; // shift state of each MouseDown, in order
        int dblClicks;
    };
    const Case cases[] = {
        // Default (the profiles editor): one MouseDown for the first press, DblClick for any button.
        {false, Qt::AllButtons, Qt::LeftButton, Qt::ControlModifier, Qt::ControlModifier, {2}, 1},
        {false, Qt::AllButtons, Qt::RightButton, {}, {}, {0}, 1},
        {false, Qt::AllButtons, Qt::LeftButton, {}, Qt::ControlModifier, {0}, 1},
        // Second press reported with its own keys; only a left double-click counts.
        {true, Qt::LeftButton, Qt::LeftButton, {}, Qt::ControlModifier, {0, 2}, 1},
        {true, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier, Qt::ControlModifier | Qt::ShiftModifier,
         {2, 3}, 1},
        {true, Qt::LeftButton, Qt::RightButton, Qt::ControlModifier, Qt::ControlModifier, {2, 2}, 0},
        {true, Qt::LeftButton, Qt::MiddleButton, {}, {}, {0, 0}, 0},
    };
    for (const Case& c : cases) {
        TreeView tree;
        tree.resize(200, 200);
        tree.show();
        tree.AddNode({}, "A", "a", 1);
        tree.AddNode({}, "B", "b", 1);
        tree.SetMouseDownOnDoubleClick(c.mouseDownOnDoubleClick);
        tree.SetDblClickButtons(c.dblClickButtons);
        std::vector<int> shifts;
        int dblClicks = 0;
        QObject::connect(&tree, &TreeView::MouseDown, [&](int button, int shift, int, int) {
            EXPECT_EQ(button, c.button == Qt::LeftButton ? 1 : c.button == Qt::RightButton ? 2 : 4);
            shifts.push_back(shift);
        });
        QObject::connect(&tree, &TreeView::DblClick, [&] { ++dblClicks; });
        DoubleClick(tree.viewport(), tree.visualRect(tree.IndexOf("B")).center(), c.button, c.first,
                    c.second);
        EXPECT_EQ(shifts, c.shifts) << "case " << (&c - cases);
        EXPECT_EQ(dblClicks, c.dblClicks) << "case " << (&c - cases);
    }
}

TEST(TreeView, NodesTakeTheirIconsFromAStoreSetLaterAndKeepTheirImageNumbers) {
    IconStore first, second;
    first.Add(Filled(Qt::red));
    second.Add(Filled(Qt::green));
    second.Add(Filled(Qt::blue));
    TreeView tree;
    tree.AddNode({}, "A", "a", 1);
    tree.AddNode("A", "B", "b", 2);
    tree.AddNode({}, "C", "c", 0);
    auto pixel = [&](const char* key) {
        const QModelIndexList found =
            tree.model()->match(tree.model()->index(0, 0), Qt::DisplayRole, key, -1, Qt::MatchFixedString | Qt::MatchRecursive);
        const QIcon icon = found.size() == 1 ? found.front().data(Qt::DecorationRole).value<QIcon>() : QIcon();
        if (icon.isNull()) return QColor();
        return QColor(icon.pixmap(16, 16).toImage().pixel(8, 8));
    };
    EXPECT_FALSE(pixel("a").isValid()) << "no store: no icons";

    tree.SetImageList(&first);
    EXPECT_EQ(pixel("a"), QColor(Qt::red));
    EXPECT_FALSE(pixel("b").isValid()) << "number 2 is not in the first store";
    tree.SetImageList(&second);
    EXPECT_EQ(pixel("a"), QColor(Qt::green));
    EXPECT_EQ(pixel("b"), QColor(Qt::blue));
    EXPECT_FALSE(pixel("c").isValid()) << "image 0 shows none";
    EXPECT_EQ(tree.Image("B"), 2);
    tree.SetImageList(nullptr);
    EXPECT_FALSE(pixel("b").isValid());
    EXPECT_EQ(tree.Image("B"), 2) << "the number stays for a later store";
}
