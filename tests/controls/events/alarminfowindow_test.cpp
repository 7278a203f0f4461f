// The alarm details window: its rows, captions, clipboard text and remembered widths.
#include "controls/events/alarminfowindow.h"
#include "controls/events/eventicons.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/qtext.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QMenu>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>

using namespace korvel;
using namespace korvel::events;

namespace {

const DateTime kNow = DateTime::FromParts(2031, 7, 14, 13, 45, 30);

// Text n is "T<n>", except the state names.
Bytes FakeText(int32_t n) {
    static const std::map<int32_t, Bytes> named = {
        {837, "Inactive"}, {838, "Active"}, {839, "Acknowledged"}, {953, "Cleared"},
        {1500, "Alarm details"}, {1535, "&Tools"}, {1536, "&Copy"}, {1538, "E&xit"}};
    auto it = named.find(n);
    return it != named.end() ? it->second : "T" + std::to_string(n);
}

AlarmInfoSources Sources(ISettingsStore* settings = nullptr) {
    AlarmInfoSources s;
    s.text = FakeText;
    s.systemNames[0] = "Main building";
    s.systemNames[7] = "Gate \xE9st"; // Windows-1252 e acute
    s.settings = settings;
    s.now = kNow;
    return s;
}

// Fields 0..17 separated by character 254.
Bytes Record(std::map<int, Bytes> fields) {
    Bytes record;
    for (int i = 0; i <= 17; ++i) {
        if (i) record += kRecordSeparator;
        record += fields[i];
    }
    return record;
}

std::vector<Bytes> Values(const Bytes& record, const AlarmInfoSources& sources) {
    std::vector<Bytes> values;
    for (const auto& row : BuildAlarmInfoRows(record, sources)) values.push_back(row.value);
    return values;
}

// Parts of the window, found by their names as the host or any test finds child widgets.
QTreeWidget* List(const AlarmInfoWindow& w) { return w.findChild<QTreeWidget*>("ListView_AlarmInfo"); }
QAction* Action(const AlarmInfoWindow& w, const char* name) { return w.findChild<QAction*>(name); }
QMenu* ToolsMenu(const AlarmInfoWindow& w) { return w.findChild<QMenu*>("Menu_Tools"); }
// A column's width in twips (column 1..3; a hidden column is 0 wide).
int WidthTwips(const AlarmInfoWindow& w, int column) {
    return List(w)->isColumnHidden(column - 1) ? 0 : List(w)->columnWidth(column - 1) * 15;
}
void Exit(AlarmInfoWindow& w) { Action(w, "Menu_Tools_Exit")->trigger(); }
QString Copied(AlarmInfoWindow& w) {
    Action(w, "Menu_Tools_CopyToClipboard")->trigger();
    return QGuiApplication::clipboard()->text();
}

} // namespace

TEST(AlarmInfoRows, FifteenValuesFromTheRecord) {
    auto sources = Sources();
    sources.dateFormat = "dd.mm.yyyy";
    sources.timeFormat = "hh:mm:ss";
    Bytes record = Record({{0, "1"}, {1, "10"}, {2, "2024-03-05 17:08:09"}, {3, "2024-03-06 08:00:01"},
                           {5, "7"}, {12, "Fire"}, {13, "Hall"}, {14, "Floor 2"}, {15, "Zone 4"},
                           {16, "Detector 12"}, {17, "Call the caretaker"}});
    std::vector<Bytes> want = {"1", "Active", "Fire", "Hall", "Floor 2", "Zone 4", "Detector 12",
                               "Call the caretaker", "000A", "05.03.2024", "17:08:09", "06.03.2024",
                               "08:00:01", "7", "Gate \xE9st"};
    EXPECT_EQ(Values(record, sources), want);

    auto rows = BuildAlarmInfoRows(record, sources);
    for (int r = 0; r < kAlarmInfoRows; ++r) EXPECT_EQ(rows[r].label, "T" + std::to_string(1520 + r) + ":");
}

TEST(AlarmInfoRows, StateHexAndSystemEdges) {
    const auto sources = Sources();
    struct Case { Bytes state, code, system; Bytes wantState, wantStateText, wantHex, wantSystem; } cases[] = {
        {"3", "65535", "0", "3", "Cleared", "FFFF", "Main building"},
        {"0", "74565", "63", "0", "Inactive", "2345", ""},     // 0x12345: last four digits
        {"2", "-1", "64", "2", "Acknowledged", "FFFF", ""},    // system beyond 0..63
        {"4", "0", "-1", "4", "", "0000", ""},                 // no text for state 4
        {"-1", "&h1F", "x", "-1", "", "001F", ""},
        {"99999", "9999999999", "", "0", "Inactive", "", ""}, // out of 16 / 32 bits
        {"", "", "", "0", "Inactive", "", ""},                 // missing numbers show nothing
        {"0", "10x", "7 8", "0", "Inactive", "", ""},          // only begins with a number: none
        {"0", " 10 ", "0 ", "0", "Inactive", "000A", "Main building"},
    };
    for (const auto& c : cases) {
        auto v = Values(Record({{0, c.state}, {1, c.code}, {5, c.system}}), sources);
        EXPECT_EQ(v[0], c.wantState) << c.state;
        EXPECT_EQ(v[1], c.wantStateText) << c.state;
        EXPECT_EQ(v[8], c.wantHex) << c.code;
        EXPECT_EQ(v[14], c.wantSystem) << c.system;
    }
}

TEST(AlarmInfoRows, UnreadableStampsShowWhatTheParserGives) {
    auto v = Values(Record({{2, ""}, {3, "garbage"}}), Sources());
    EXPECT_EQ(v[9], "1999-11-30 00:00:00"); // empty patterns: the general text
    EXPECT_EQ(v[10], "1999-11-30 00:00:00");
    EXPECT_EQ(v[11], "1999-11-30 00:00:00");
    // A record cut short: every missing field is empty.
    v = Values("2", Sources());
    EXPECT_EQ(v[1], "Acknowledged");
    EXPECT_EQ(v[2], "");
    EXPECT_EQ(v[13], "");
}

TEST(AlarmInfoWindow, CaptionsRowsAndClipboard) {
    AlarmInfoWindow window(Sources());
    EXPECT_EQ(window.windowTitle(), "Alarm details");
    EXPECT_EQ(ToolsMenu(window)->title(), "&Tools");
    EXPECT_EQ(Action(window, "Menu_Tools_CopyToClipboard")->text(), "&Copy");
    EXPECT_EQ(Action(window, "Menu_Tools_Exit")->text(), "E&xit");
    ASSERT_EQ(ToolsMenu(window)->actions().size(), 3);
    EXPECT_TRUE(ToolsMenu(window)->actions()[1]->isSeparator());
    EXPECT_EQ(List(window)->headerItem()->text(1), "T1501");
    EXPECT_EQ(List(window)->headerItem()->text(2), "T1502");
    ASSERT_EQ(List(window)->topLevelItemCount(), 15);

    window.Fill(Record({{0, "3"}, {5, "7"}, {12, "Fire"}}));
    EXPECT_EQ(window.windowTitle(), "Alarm details - Fire");
    EXPECT_EQ(List(window)->topLevelItem(14)->text(2), QString::fromUtf8("Gate \xC3\xA9st"));

    const QString copied = Copied(window);
    EXPECT_TRUE(copied.startsWith("T1520:\t3\r\nT1521:\tCleared\r\nT1522:\tFire\r\n"));
    EXPECT_TRUE(copied.endsWith("T1533:\t7\r\nT1534:\tGate \u00E9st\r\n"));
    EXPECT_EQ(copied.count("\r\n"), 15);
}

TEST(AlarmInfoWindow, EmptyValuesStillCopyFifteenLines) {
    auto sources = Sources();
    sources.text = [](int32_t n) { return n == 1521 ? Bytes() : FakeText(n); };
    AlarmInfoWindow window(sources);
    window.Fill(Record({{0, "7"}, {1, "x"}, {2, "2024-01-01 00:00:00"}, {3, "2024-01-01 00:00:00"}}));
    QString want;
    for (int r = 0; r < 15; ++r) {
        QString value;
        if (r == 0) value = "7";
        if (r >= 9 && r <= 12) value = "2024-01-01 00:00:00";
        want += (r == 1 ? QString(":") : QString("T%1:").arg(1520 + r)) + '\t' + value + "\r\n";
    }
    EXPECT_EQ(Copied(window), want);
}

// The operator drags the right edge of a column of the list by dx pixels.
void DragColumnEdge(AlarmInfoWindow& window, int column, int dx) {
    QHeaderView* header = List(window)->header();
    QWidget* surface = header->viewport();
    const QPoint from(header->sectionViewportPosition(column) + header->sectionSize(column) - 1,
                      header->height() / 2);
    const QPoint to = from + QPoint(dx, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, surface->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &press);
    QMouseEvent move(QEvent::MouseMove, to, surface->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, surface->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(surface, &release);
}

TEST(AlarmInfoWindow, ColumnWidthsAreKeptInTwips) {
    MemorySettingsStore store;
    const std::string app = "Korvel Alarm Server 3", section = "Parameters";
    {
        // Nothing stored: created widths raised to 1500; the first column hidden.
        AlarmInfoWindow window(Sources(&store));
        EXPECT_EQ(WidthTwips(window, 1), 0);
        EXPECT_EQ(WidthTwips(window, 2), 1500);
        EXPECT_EQ(WidthTwips(window, 3), 1500);
        EXPECT_TRUE(List(window)->isColumnHidden(0));
        Exit(window); // every column is stored as it shows, the hidden first one as 0
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth" + std::to_string(i), "none"),
                      std::to_string(WidthTwips(window, i)))
                << i;
        EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth1", ""), "0");
    }
    store.Save(app, section, "AlarmInfoViewColWidth1", "3000");
    store.Save(app, section, "AlarmInfoViewColWidth2", "900");
    store.Save(app, section, "AlarmInfoViewColWidth3", "4500");
    AlarmInfoWindow window(Sources(&store));
    EXPECT_EQ(WidthTwips(window, 1), 0);
    EXPECT_EQ(WidthTwips(window, 2), 1500);
    EXPECT_EQ(WidthTwips(window, 3), 4500);

    window.show();
    DragColumnEdge(window, 2, -100); // the operator narrows the values
    EXPECT_EQ(WidthTwips(window, 3), 3000);
    Exit(window); // closing writes back each width as it shows
    EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth1", ""), "0");
    EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth2", ""), "1500"); // opened raised to 1500
    EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth3", ""), "3000"); // as the operator left it

    // Unreadable or absurd stored widths stay usable.
    store.Save(app, section, "AlarmInfoViewColWidth2", "wide");
    store.Save(app, section, "AlarmInfoViewColWidth3", "1e300");
    AlarmInfoWindow again(Sources(&store));
    EXPECT_EQ(WidthTwips(again, 2), 1500);
    EXPECT_EQ(WidthTwips(again, 3), 150000);
    Exit(again); // stored as they show
    EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth2", ""), "1500");
    EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth3", ""), "150000");
}

TEST(AlarmInfoWindow, AStoredWidthReadsTheSameAfterTheWindowIsOpenedAndClosed) {
    MemorySettingsStore store;
    const std::string app = "Korvel Alarm Server 3", section = "Parameters";
    store.Save(app, section, "AlarmInfoViewColWidth3", "3000");
    store.Save(app, section, "AlarmInfoViewColWidth2", "1507"); // not a whole number of pixels
    for (int closing = 0; closing < 2; ++closing) {
        AlarmInfoWindow window(Sources(&store));
        // A value far wider than 3000 twips (200 pixels): the stored width still holds.
        window.Fill(Record({{12, "Fire"}, {17, Bytes(80, 'W')}}));
        EXPECT_EQ(WidthTwips(window, 3), 3000);
        window.show();
        if (closing == 0) Exit(window);
        else window.close(); // the close box
        EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth3", ""), "3000");
        EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth2", ""), "1507");
        EXPECT_EQ(store.Get(app, section, "AlarmInfoViewColWidth1", "none"), "0");
    }
}

TEST(AlarmInfoWindow, ShowsModalOnTopUntilClosed) {
    platform::ScopedScriptedDialogs dialogs; // no message box may appear
    MemorySettingsStore store;
    AlarmInfoWindow window(Sources(&store));
    window.Fill(Record({{12, "Fire"}}));
    bool sawModal = false, onTop = false;
    dialogs->OnWindow<AlarmInfoWindow>([&](AlarmInfoWindow& shown) {
        sawModal = QApplication::activeModalWidget() == &shown;
        onTop = shown.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        Exit(shown);
    });
    window.ShowModal();
    EXPECT_TRUE(sawModal);
    EXPECT_TRUE(onTop);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(store.Get("Korvel Alarm Server 3", "Parameters", "AlarmInfoViewColWidth2", "none"),
              std::to_string(WidthTwips(window, 2)))
        << "closing stores the width as it shows";
    EXPECT_TRUE(dialogs->Messages().empty());
}

TEST(EventIcons, FifteenDistinctImages) {
    const auto& store = EventIcons();
    EXPECT_TRUE(store.Icon(0).isNull());
    EXPECT_TRUE(store.Icon(16).isNull());
    std::vector<QImage> images;
    for (int n = 1; n <= kEventIconCount; ++n) {
        ASSERT_FALSE(store.Icon(n).isNull()) << n;
        images.push_back(store.Icon(n).pixmap(16, 16).toImage());
    }
    for (int a = 0; a < kEventIconCount; ++a)
        for (int b = a + 1; b < kEventIconCount; ++b) EXPECT_NE(images[a], images[b]) << a + 1 << ' ' << b + 1;
}

TEST(AlarmInfoWindow, ColumnsWithoutAStoredWidthOpenWideEnoughForTheirTexts) {
    auto sources = Sources();
    sources.text = [](int32_t n) { return n == 1533 ? Bytes("System number of the reporting station") : FakeText(n); };
    const Bytes longValue = "Inform the group leader and the fire brigade at once";
    struct Case {
        const char* name;
        const char* stored; // stored width of the label and value columns, twips
    };
    for (const Case& c : {Case{"nothing stored", nullptr}, Case{"narrow widths stored", "1500"},
                          Case{"wider widths stored", "12000"}}) {
        MemorySettingsStore store;
        if (c.stored)
            for (int i = 2; i <= 3; ++i)
                store.Save("Korvel Alarm Server 3", "Parameters", "AlarmInfoViewColWidth" + std::to_string(i), c.stored);
        sources.settings = &store;
        AlarmInfoWindow window(sources);
        window.Fill(Record({{12, "Fire"}, {17, longValue}}));
        const QFontMetrics metrics(List(window)->font());
        if (c.stored) {
            // Applied as stored, narrow or wide.
            EXPECT_EQ(WidthTwips(window, 2), std::stoi(c.stored)) << c.name;
            EXPECT_EQ(WidthTwips(window, 3), std::stoi(c.stored)) << c.name;
        } else {
            EXPECT_GT(List(window)->columnWidth(1),
                      metrics.horizontalAdvance(List(window)->topLevelItem(13)->text(1)));
            EXPECT_GT(List(window)->columnWidth(2), metrics.horizontalAdvance(platform::ToQString(longValue)));
        }
        EXPECT_TRUE(List(window)->isColumnHidden(0)) << c.name;
    }
}
