#include "platform/iconstore.h"
#include "platform/listview.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

using namespace korvel::platform;

namespace {


QStringList Texts(const ListView& list) {
    QStringList out;
    for (int i = 1; i <= list.ListCount(); ++i) out << list.Text(i);
    return out;
}

struct Recorder {
    std::vector<int> clicks, columns, keys;
    std::vector<std::vector<int>> downs;
    int doubleClicks = 0;
    int checks = 0;
    explicit Recorder(ListView& list) {
        QObject::connect(&list, &ListView::ItemClick, [this](int p) { clicks.push_back(p); });
        QObject::connect(&list, &ListView::ColumnClick, [this](int c) { columns.push_back(c); });
        QObject::connect(&list, &ListView::KeyPress, [this](int k) { keys.push_back(k); });
        QObject::connect(&list, &ListView::DblClick, [this] { ++doubleClicks; });
        QObject::connect(&list, &ListView::ItemCheck, [this](int) { ++checks; });
        QObject::connect(&list, &ListView::MouseDown,
                         [this](int b, int s, int x, int y) { downs.push_back({b, s, x, y}); });
    }
};

void Press(ListView& list, int position, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint p = list.visualRect(list.model()->index(position - 1, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, p, list.viewport()->mapToGlobal(p), button, button, modifiers);
    QApplication::sendEvent(list.viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, list.viewport()->mapToGlobal(p), button, {}, modifiers);
    QApplication::sendEvent(list.viewport(), &release);
}

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(600, 300);
        list.AddColumn("Name", 1440);
        list.AddColumn("Type", 1440);
        list.show();
    }
    ListView list;
};

} // namespace

TEST_F(ListViewTest, KeysAreUniqueIgnoringCaseAndFoundByPosition) {
    EXPECT_EQ(list.AddItem("K5", "five"), 1);
    EXPECT_EQ(list.AddItem("k5", "again"), 0);
    EXPECT_EQ(list.AddItem("", "no key"), 0);
    EXPECT_EQ(list.AddItem("K-5", "minus five"), 2);
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.FindKey("k5"), 1);
    EXPECT_EQ(list.FindKey("K-5"), 2);
    EXPECT_EQ(list.FindKey("K6"), 0);
    // Letters beyond ASCII, in keys short and long, and one beyond Latin-1 (Kelvin sign).
    EXPECT_EQ(list.AddItem(QString::fromUtf8("K\u00c41"), "a umlaut"), 3);
    EXPECT_EQ(list.AddItem(QString::fromUtf8("k\u00e41"), "again"), 0);
    EXPECT_EQ(list.AddItem(QString::fromUtf8("Kelvin \u00c9t\u00e9 long key"), "long"), 4);
    EXPECT_EQ(list.FindKey(QString::fromUtf8("KELVIN \u00e9T\u00c9 LONG KEY")), 4);
    EXPECT_EQ(list.FindKey(QString::fromUtf8("\u212a\u00e41")), 3);
    EXPECT_EQ(list.FindKey(QString::fromUtf8("K\u00e4")), 0);
    list.RemoveItem(4);
    list.RemoveItem(3);
    list.RemoveItem(1);
    EXPECT_EQ(list.FindKey("K-5"), 1);
    list.RemoveItem(7); // outside: nothing
    EXPECT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.Text(0), QString());
    EXPECT_EQ(list.SubItem(9, 2), QString());
}

TEST_F(ListViewTest, SortsCaseInsensitivelyAndPlacesNewRows) {
    const QStringList names = {"beta", "Alpha", "gamma", "alpha2", "Beta"};
    for (int i = 0; i < names.size(); ++i) list.AddItem(QString("K%1").arg(i), names[i]);
    EXPECT_EQ(Texts(list), names); // unsorted: insertion order

    list.SetSorted(true);
    EXPECT_EQ(Texts(list), (QStringList{"Alpha", "alpha2", "beta", "Beta", "gamma"}));
    list.AddItem("K9", "ALPHA1");
    EXPECT_EQ(list.Text(2), "ALPHA1");
    EXPECT_TRUE(list.SetSortOrder(1));
    EXPECT_EQ(Texts(list), (QStringList{"gamma", "beta", "Beta", "alpha2", "ALPHA1", "Alpha"}));
    list.AddItem("K10", "delta");
    EXPECT_EQ(list.Text(2), "delta");

    // Refused values change nothing.
    EXPECT_FALSE(list.SetSortOrder(2));
    EXPECT_FALSE(list.SetSortKey(2));
    EXPECT_FALSE(list.SetSortKey(-1));
    EXPECT_EQ(list.SortOrder(), 1);
    EXPECT_EQ(list.SortKey(), 0);

    // Sorting by the second column.
    for (int i = 1; i <= list.ListCount(); ++i) list.SetSubItem(i, 2, QString::number(9 - i));
    EXPECT_TRUE(list.SetSortOrder(0));
    EXPECT_TRUE(list.SetSortKey(1));
    EXPECT_EQ(list.SubItem(1, 2), "2");
    EXPECT_EQ(list.SubItem(list.ListCount(), 2), "8");
}

TEST_F(ListViewTest, ChangedTextMovesOnlyWhenSortingIsSwitchedOffAndOn) {
    list.AddItem("K1", "a");
    list.AddItem("K2", "b");
    list.SetSorted(true);
    list.SetText(1, "z");
    EXPECT_EQ(Texts(list), (QStringList{"z", "b"}));
    list.SetSorted(false);
    list.SetSorted(true);
    EXPECT_EQ(Texts(list), (QStringList{"b", "z"}));
}

TEST_F(ListViewTest, ColumnWidthsInTwipsReadBackAsSet) {
    struct Case {
        int set;
        int read;
    };
    for (Case c : {Case{1440, 1440}, Case{100, 100}, Case{50, 50}, Case{-3, 0}}) {
        list.SetColumnWidth(1, c.set);
        EXPECT_EQ(list.ColumnWidth(1), c.read) << c.set;
    }
    list.SetColumnWidth(1, 1440);
    EXPECT_EQ(list.columnWidth(0), 96);
    list.setColumnWidth(0, 120); // the user drags the border
    EXPECT_EQ(list.ColumnWidth(1), 1800);
    EXPECT_EQ(list.ColumnWidth(3), 0);
    list.ClearColumns();
    EXPECT_EQ(list.ColumnCount(), 0);
    EXPECT_EQ(list.AddColumn("X", 300), 1);
    EXPECT_EQ(list.ColumnHeader(1), "X");
}

TEST_F(ListViewTest, IconsAreReadBackByNumber) {
    IconStore icons;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    EXPECT_EQ(icons.Add(QIcon(pixmap)), 1);
    EXPECT_EQ(icons.Add(QIcon(pixmap)), 2);
    EXPECT_TRUE(icons.Icon(3).isNull());
    list.SetSmallIcons(&icons);
    list.SetColumnHeaderIcons(&icons);
    list.AddItem("K1", "one", 1);
    EXPECT_EQ(list.SmallIcon(1), 1);
    EXPECT_FALSE(list.model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    list.SetSmallIcon(1, 2);
    EXPECT_EQ(list.SmallIcon(1), 2);
    list.SetColumnIcon(2, 1);
    EXPECT_EQ(list.ColumnIcon(2), 1);
    EXPECT_EQ(list.ColumnIcon(1), 0);
    list.SetColumnIcon(2, 0);
    EXPECT_TRUE(list.model()->headerData(1, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(ListViewTest, ClicksOfEitherButtonSelectAndReport) {
    Recorder rec(list);
    list.AddItem("K1", "one");
    list.AddItem("K2", "two");
    list.SetSelected(2, true); // by program: no event
    EXPECT_TRUE(rec.clicks.empty());
    EXPECT_EQ(list.SelectedPosition(), 2);

    Press(list, 1, Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(rec.clicks, std::vector<int>{1});
    EXPECT_EQ(list.SelectedPosition(), 1);
    ASSERT_EQ(rec.downs.size(), 1u);
    EXPECT_EQ(rec.downs[0][0], 2);
    EXPECT_EQ(rec.downs[0][1], 3);
    EXPECT_EQ(rec.downs[0][2] % 15, 0);

    Press(list, 2, Qt::LeftButton);
    EXPECT_EQ(rec.clicks, (std::vector<int>{1, 2}));
    list.SetSelected(2, false);
    EXPECT_EQ(list.SelectedPosition(), 0);
}

TEST_F(ListViewTest, EnterDoubleClickAndHeaderClickAreReported) {
    Recorder rec(list);
    list.AddItem("K1", "one");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(&list, &enter);
    EXPECT_EQ(rec.keys, std::vector<int>{13});

    const QPoint p = list.visualRect(list.model()->index(0, 0)).center();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, p, list.viewport()->mapToGlobal(p), Qt::LeftButton,
                    Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(list.viewport(), &dbl);
    EXPECT_EQ(rec.doubleClicks, 1);
    ASSERT_FALSE(rec.downs.empty());
    EXPECT_EQ(rec.downs.back()[1], 2);

    emit list.header()->sectionClicked(1);
    EXPECT_EQ(rec.columns, std::vector<int>{2});
}

TEST_F(ListViewTest, CheckBoxesReportOnlyTheUsersChanges) {
    Recorder rec(list);
    list.SetCheckBoxes(true);
    list.AddItem("K1", "one");
    list.SetChecked(1, true);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(rec.checks, 0);
    // What a click on the box does.
    list.model()->setData(list.model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(rec.checks, 1);
    EXPECT_FALSE(list.Checked(1));
}

TEST_F(ListViewTest, ManyRowsAtOnceLeaveOutTakenKeysAndSort) {
    list.AddItem("K1", "m");
    list.SetSorted(true);
    const std::vector<ListView::NewRow> rows = {
        {"K2", {"b", "two"}, 1}, {"k1", {"dup of an existing row"}, 0}, {"K3", {"A", "three"}, 2},
        {"K3", {"dup in the batch"}, 0}, {"", {"no key"}, 0}};
    EXPECT_EQ(list.AddItems(rows), 2);
    EXPECT_EQ(Texts(list), (QStringList{"A", "b", "m"}));
    EXPECT_EQ(list.SubItem(list.FindKey("k2"), 2), "two");
    EXPECT_EQ(list.SmallIcon(list.FindKey("K3")), 2);
    list.ClearItems();
    EXPECT_EQ(list.FindKey("K2"), 0);
    EXPECT_EQ(list.AddItem("K2", "again"), 1);
}

TEST_F(ListViewTest, KeysFindTheirRowsThroughInsertionsRemovalsAndSorts) {
    // After every step each key's position is checked against a scan of the rows.
    auto check = [&](const char* step) {
        for (int i = 1; i <= list.ListCount(); ++i)
            ASSERT_EQ(list.FindKey(list.Key(i).toLower()), i) << step << " row " << i;
    };
    for (int i = 0; i < 40; ++i) list.AddItem(QString("K%1").arg(i), QString("n%1").arg((i * 17) % 40));
    check("appended");
    list.SetSorted(true);
    check("sorted");
    list.AddItem("K100", "n205"); // lands in the middle
    check("inserted while sorted");
    for (int p : {list.ListCount(), 20, 1}) list.RemoveItem(p);
    check("removed");
    list.SetSortOrder(1);
    check("descending");
    // A row taken out behind the list's back (through the model) reads as none, and its key
    // can be used again.
    const QString key = list.Key(5);
    ASSERT_TRUE(list.model()->removeRows(4, 1));
    EXPECT_EQ(list.ListCount(), 37);
    EXPECT_EQ(list.FindKey(key), 0);
    check("taken out");
    list.model()->removeRows(0, list.ListCount()); // all of them: the rows' keys go with them
    EXPECT_EQ(list.FindKey("K1"), 0);
    EXPECT_EQ(list.AddItem(key, "again"), 1);
    EXPECT_EQ(list.FindKey(key), 1);

    // Runs of insertions, removals and moves between look-ups, short and long: the rows'
    // remembered places go stale by more and more, and every key still finds its row.
    std::mt19937 random(99);
    for (int i = 0; i < 300; ++i) list.AddItem(QString("R%1").arg(i), QString("t%1").arg((i * 37) % 300));
    for (int round = 0; round < 60; ++round) {
        const int changes = 1 + round % 20;
        for (int k = 0; k < changes; ++k) {
            std::uniform_int_distribution<int> row(1, list.ListCount());
            switch (k % 3) {
            case 0: list.RemoveItem(row(random)); break;
            case 1: list.AddItem(QString("N%1_%2").arg(round).arg(k), QString("t%1").arg(row(random))); break;
            default: {
                const int p = row(random);
                list.SetText(p, QString("t%1").arg(row(random)));
                list.SortRow(p);
            }
            }
        }
        check("after a run of changes");
    }
}

TEST_F(ListViewTest, KeysHeldWithAClickNeverTakeTheSelectionFromTheRow) {
    Recorder rec(list);
    list.AddItem("K1", "one");
    list.AddItem("K2", "two");
    for (Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(Qt::ControlModifier),
                                       Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier),
                                       Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        for (int twice = 0; twice < 2; ++twice) { // on an unselected row, then on the selected one
            Press(list, 2, Qt::LeftButton, keys);
            EXPECT_EQ(list.SelectedPosition(), 2) << int(keys) << " " << twice;
            EXPECT_EQ(rec.clicks.back(), 2);
        }
        list.SetSelected(1, true);
    }
    QKeyEvent ctrlSpace(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, " ");
    QApplication::sendEvent(&list, &ctrlSpace);
    EXPECT_EQ(list.SelectedPosition(), 1);
}

namespace {

// Texts that put the case-insensitive compare to work: Latin-1 and Windows-1252 letters in
// both cases, letters whose folds differ from their lower case, digits, blanks, empty
// texts and a character outside the basic plane; many texts equal apart from case, so
// equal keys are common and their order shows whether the sort keeps it.
QString RandomText(std::mt19937& random) {
    static const QString alphabet = QString::fromUtf8("aAbBzZ eE\u00e9\u00c9\u00df\u00ff\u0178\u0160\u0161"
                                                      "\u00b5\u039c\u00e6\u00c6019_~");
    std::uniform_int_distribution<int> length(0, 4);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()));
    QString text;
    for (int i = length(random); i > 0; --i) {
        const int p = pick(random);
        if (p == alphabet.size())
            text += QString::fromUtf8("\U0001D400"); // a surrogate pair
        else
            text += alphabet[p];
    }
    return text;
}

// What the list shows must always be a stable sort of the rows in the order they stood
// before, by Qt's case-insensitive compare of the sort column: ascending, or with the
// compare turned round for descending, equal texts keeping their order either way.
QStringList StableSorted(QStringList texts, int order) {
    std::stable_sort(texts.begin(), texts.end(), [order](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return order == 0 ? c < 0 : c > 0;
    });
    return texts;
}

} // namespace

TEST_F(ListViewTest, SortedOrderIsAStableCaseInsensitiveSortWhateverTheTexts) {
    std::mt19937 random(20261208);
    for (int order : {0, 1}) {
        for (int round = 0; round < 4; ++round) {
            ListView sorted;
            sorted.AddColumn("Name", 1440);
            sorted.SetSorted(true);
            ASSERT_TRUE(sorted.SetSortOrder(order));
            // One batch, then rows one at a time: each lands after the rows equal to it.
            QStringList inserted;
            std::vector<ListView::NewRow> batch;
            for (int i = 0; i < 150; ++i) {
                batch.push_back({QString("K%1").arg(i), QStringList{RandomText(random)}, 0});
                inserted << batch.back().Texts.front();
            }
            sorted.AddItems(batch);
            ASSERT_EQ(Texts(sorted), StableSorted(inserted, order)) << "batch, order " << order;
            for (int i = 150; i < 250; ++i) {
                inserted << RandomText(random);
                sorted.AddItem(QString("K%1").arg(i), inserted.back());
            }
            ASSERT_EQ(Texts(sorted), StableSorted(inserted, order)) << "one at a time, order " << order;

            // Texts changed in place stay put until sorting is switched off and on; then
            // the rows sort from the order they stood in.
            std::uniform_int_distribution<int> row(1, sorted.ListCount());
            for (int i = 0; i < 25; ++i) sorted.SetText(row(random), RandomText(random));
            const QStringList shown = Texts(sorted);
            sorted.SetSorted(false);
            EXPECT_EQ(Texts(sorted), shown);
            sorted.SetSorted(true);
            ASSERT_EQ(Texts(sorted), StableSorted(shown, order)) << "re-sorted, order " << order;

            // The other order, and back: each sorts the rows as they stand.
            const QStringList before = Texts(sorted);
            ASSERT_TRUE(sorted.SetSortOrder(1 - order));
            ASSERT_EQ(Texts(sorted), StableSorted(before, 1 - order));
        }
    }
}

// The case-insensitive order pinned on texts that differ only in case, accents and folds.
TEST_F(ListViewTest, EqualTextsKeepTheirOrderInBothDirections) {
    const QStringList names = {"b", "\u00c9mile", "B", "emile", "\u00e9mile", "a", "\u00df", "A", "ss", "\u00c6", "ae"};
    for (int i = 0; i < names.size(); ++i) list.AddItem(QString("K%1").arg(i), names[i]);
    list.SetSorted(true);
    EXPECT_EQ(Texts(list), (QStringList{"a", "A", "ae", "b", "B", "emile", "ss", "\u00df", "\u00c6", "\u00c9mile",
                                        "\u00e9mile"}));
    list.SetSortOrder(1);
    EXPECT_EQ(Texts(list), (QStringList{"\u00c9mile", "\u00e9mile", "\u00c6", "\u00df", "ss", "emile", "b", "B", "ae",
                                        "a", "A"}));
}

// One row whose text changed moves to where a sort of the whole list puts it, whatever
// its text and wherever it stood, in both directions; it keeps its selection and tick.
TEST_F(ListViewTest, OneChangedRowMovesWhereASortOfTheWholeListPutsIt) {
    std::mt19937 random(7);
    for (int order : {0, 1}) {
        ListView sorted;
        sorted.AddColumn("Name", 1440);
        sorted.SetCheckBoxes(true);
        sorted.SetSorted(true);
        sorted.SetSortOrder(order);
        for (int i = 0; i < 120; ++i) sorted.AddItem(QString("K%1").arg(i), RandomText(random));
        std::uniform_int_distribution<int> row(1, sorted.ListCount());
        for (int step = 0; step < 300; ++step) {
            const int position = row(random);
            const QString key = sorted.Key(position);
            const bool tick = step % 3 == 0;
            sorted.SetChecked(position, tick);
            sorted.SetSelected(position, step % 2 == 0);
            sorted.SetText(position, RandomText(random));
            QStringList expected = Texts(sorted);
            expected = StableSorted(expected, order);
            auto selection = [&] {
                QStringList keys;
                for (int i = 1; i <= sorted.ListCount(); ++i)
                    if (sorted.IsSelected(i)) keys << sorted.Key(i);
                const int current = sorted.currentIndex().row() + 1;
                keys << "current " + sorted.Key(current);
                return keys;
            };
            const QStringList selectedBefore = selection();
            const int moved = sorted.SortRow(position);
            ASSERT_EQ(Texts(sorted), expected) << "step " << step << ", order " << order;
            ASSERT_EQ(sorted.Key(moved), key);
            ASSERT_EQ(sorted.FindKey(key), moved);
            EXPECT_EQ(sorted.Checked(moved), tick);
            EXPECT_EQ(sorted.IsSelected(moved), step % 2 == 0);
            EXPECT_EQ(selection(), selectedBefore);
            if (step % 2 == 0) {
                EXPECT_EQ(sorted.SelectedPosition(), moved);
            }
        }
        // Every key still finds its row after all the moves.
        for (int i = 1; i <= sorted.ListCount(); ++i) ASSERT_EQ(sorted.FindKey(sorted.Key(i)), i);
    }
    // Outside the list, and while not sorting, nothing moves.
    list.AddItem("K1", "b");
    list.AddItem("K2", "a");
    EXPECT_EQ(list.SortRow(0), 0);
    EXPECT_EQ(list.SortRow(3), 0);
    EXPECT_EQ(list.SortRow(1), 1);
    EXPECT_EQ(Texts(list), (QStringList{"b", "a"}));
}

TEST_F(ListViewTest, TickedRowsAreCountedThroughUserChangesRemovalsAndClears) {
    list.SetCheckBoxes(true);
    for (int i = 1; i <= 5; ++i) list.AddItem(QString("K%1").arg(i), QString("row %1").arg(i));
    list.SetChecked(2, true);
    list.SetChecked(4, true);
    list.SetChecked(4, true);
    EXPECT_EQ(list.CheckedCount(), 2);
    // The user's tick through the check box.
    list.model()->setData(list.model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(list.CheckedCount(), 3);
    QStringList keys = list.CheckedKeys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"K1", "K2", "K4"}));
    list.RemoveItem(2);
    EXPECT_EQ(list.CheckedCount(), 2);
    list.SetChecked(1, false);
    EXPECT_EQ(list.CheckedKeys(), QStringList{"K4"});
    list.SetCheckBoxes(false);
    EXPECT_EQ(list.CheckedCount(), 0);
    list.SetCheckBoxes(true);
    list.SetChecked(3, true);
    list.ClearItems();
    EXPECT_EQ(list.CheckedCount(), 0);
}

// Rows moved, renamed, re-iconed and ticked where they are off the screen or on it, then
// scrolled to: the list looks exactly as one filled afresh with the same rows does.
TEST_F(ListViewTest, ChangedAndMovedRowsLookAsAListFilledAfresh) {
    IconStore icons;
    for (Qt::GlobalColor colour : {Qt::red, Qt::blue}) {
        QPixmap pixmap(16, 16);
        pixmap.fill(colour);
        icons.Add(QIcon(pixmap));
    }
    auto prepare = [&](ListView& l) {
        l.resize(300, 200);
        l.AddColumn("Name", 2400);
        l.AddColumn("Type", 1440);
        l.SetSmallIcons(&icons);
        l.SetCheckBoxes(true);
        l.SetSorted(true);
        l.setFocusPolicy(Qt::NoFocus); // the window shown last would give a current row a frame
        l.show();
    };
    ListView changed;
    prepare(changed);
    std::vector<ListView::NewRow> rows;
    for (int i = 0; i < 400; ++i)
        rows.push_back({QString("K%1").arg(i), {QString("row %1").arg(i, 3, 10, QLatin1Char('0')), "type"}, 1});
    changed.AddItems(rows);
    QApplication::processEvents();
    // Moves across the lines on screen and far below them, texts beyond Latin-1 and back.
    const struct {
        int row;
        QString text;
    } edits[] = {{3, "row 350"}, {390, "row 001"}, {200, QString::fromUtf8("row 0\u20ac")}, {5, "zzz"},
                 {100, "row 002"}, {201, "row 201"}};
    for (const auto& e : edits) {
        const int p = changed.FindKey(QString("K%1").arg(e.row));
        changed.SetText(p, e.text);
        changed.SortRow(p);
    }
    changed.SetSmallIcon(changed.FindKey("K7"), 2);   // on the screen
    changed.SetSmallIcon(changed.FindKey("K300"), 2); // off it
    changed.SetChecked(changed.FindKey("K2"), true);
    changed.SetChecked(changed.FindKey("K250"), true);
    changed.SetSubItem(changed.FindKey("K260"), 2, QString::fromUtf8("\u0160koda"));

    ListView afresh;
    prepare(afresh);
    afresh.SetSorted(false);
    // The layout the view left for later, then the drawing it asked for.
    auto settle = [] {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    };
    auto fillAfresh = [&] {
        std::vector<ListView::NewRow> now;
        for (int i = 1; i <= changed.ListCount(); ++i)
            now.push_back({changed.Key(i), {changed.Text(i), changed.SubItem(i, 2)}, changed.SmallIcon(i)});
        afresh.ClearItems();
        afresh.AddItems(now);
        for (int i = 1; i <= changed.ListCount(); ++i) afresh.SetChecked(i, changed.Checked(i));
        afresh.verticalScrollBar()->setValue(changed.verticalScrollBar()->value());
        settle();
    };
    // What the screen shows (what each list drew when told to), not a fresh drawing.
    auto screen = [](ListView& l) { return QGuiApplication::primaryScreen()->grabWindow(l.winId()).toImage(); };
    for (int top : {1, 150, 240, 330}) {
        changed.scrollTo(changed.model()->index(top - 1, 0), QAbstractItemView::PositionAtTop);
        settle();
        fillAfresh();
        EXPECT_EQ(screen(changed), screen(afresh)) << "from row " << top;
    }
    // One change at a time, nothing else drawn: a row from far below moved onto the
    // screen, a row on the screen moved far below, an icon and a tick on the screen.
    changed.scrollTo(changed.model()->index(0, 0), QAbstractItemView::PositionAtTop);
    settle();
    const std::function<void()> steps[] = {
        [&] { changed.SetText(changed.FindKey("K320"), "row 004b"); },
        [&] { changed.SortRow(changed.FindKey("K320")); },
        [&] { changed.SetText(changed.FindKey("K6"), "row 399"); },
        [&] { changed.SortRow(changed.FindKey("K6")); },
        [&] { changed.SetSmallIcon(changed.FindKey("K9"), 2); },
        [&] { changed.SetChecked(changed.FindKey("K8"), true); },
    };
    for (std::size_t k = 0; k < std::size(steps); ++k) {
        steps[k]();
        settle();
        fillAfresh();
        EXPECT_EQ(screen(changed), screen(afresh)) << "step " << k;
    }
}
