#include "platform/listbox.h"
#include "platform/statuslabel.h"
#include "platform/twips.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

using namespace korvel::platform;

namespace {
} // namespace

TEST(Twips, FifteenPerPixel) {
    EXPECT_EQ(TwipsToPixels(1500), 100);
    EXPECT_EQ(PixelsToTwips(7), 105);
    EXPECT_EQ(TwipsToPixels(14), 0);
}

TEST(StatusLabel, StaysCentredWhenTheTextOrTheParentChanges) {
    QWidget parent;
    parent.resize(400, 300);
    StatusLabel label(&parent);
    parent.show();
    label.SetText("Disconnected (missing ServerAddress and ServerPort)");
    auto centred = [&] {
        return label.x() == (parent.width() - label.width()) / 2 && label.y() == (parent.height() - label.height()) / 2;
    };
    EXPECT_TRUE(centred());
    EXPECT_GE(label.width(), label.sizeHint().width());
    parent.resize(801, 99);
    EXPECT_TRUE(centred());
    label.SetText("Disconnected from 127.0.0.1:5001");
    EXPECT_TRUE(centred());
    // A label wider than its parent goes to a negative left, still centred.
    parent.resize(20, 20);
    EXPECT_TRUE(centred());
    EXPECT_LT(label.x(), 0);
}

TEST(ListBox, IndexesCountRemovalAndSelection) {
    ListBox list;
    EXPECT_EQ(list.ListCount(), 0);
    for (const char* t : {"a", "b", "c"}) list.AddItem(t);
    list.SetListIndex(2);
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_TRUE(list.selectionModel()->isRowSelected(2, QModelIndex()));
    list.RemoveItem(0);
    list.RemoveItem(7);  // outside: ignored
    list.RemoveItem(-1); // outside: ignored
    ASSERT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.ItemText(0), "b");
    EXPECT_EQ(list.ItemText(1), "c");
    EXPECT_EQ(list.ItemText(5), "");
    list.SetListIndex(-1);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_TRUE(list.selectionModel()->selectedIndexes().isEmpty());
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}
