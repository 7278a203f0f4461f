// The painting surface on a QImage: exact lines without their end point, rectangles,
// text with measurement, images from an icon store, mouse events as signals; and the two
// widgets drawn on it with sample data, saved as PNG files beside the test program.
#include "core/datafile.h"
#include "core/widgets/calendarmonth.h"
#include "core/widgets/schedulegrid.h"
#include "platform/iconstore.h"
#include "platform/paintsurface.h"
#include "tests/core/widgets_recorders.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::platform;

namespace {


constexpr QRgb kBack = 0xFFF0F0F0;

struct Surface {
    PaintSurfaceWidget widget;
    explicit Surface(int w = 40, int h = 30) {
        widget.resize(w, h);
        widget.setBackgroundColour(QColor(kBack));
    }
    QRgb At(int x, int y) const { return widget.image().pixel(x, y); }
    // Pixels that differ from the background, as "x,y".
    std::vector<std::string> Marked() const {
        std::vector<std::string> out;
        const QImage& img = widget.image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != kBack) out.push_back(std::to_string(x) + "," + std::to_string(y));
        return out;
    }
};

void SetWeekdayTexts(ClientState& state) {
    const char* names[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    for (int i = 0; i < 7; ++i) {
        const std::string text = names[i];
        state.TextTable.Rows.push_back(TextRow{611 + i, static_cast<int32_t>(state.TextTable.Blob.size()) + 1,
                                               static_cast<int32_t>(text.size())});
        state.TextTable.Blob += text;
    }
}

PeriodPtr AddPeriod(cTimeSchedule& s, int d, int start, int stop) {
    auto p = std::make_shared<cTimeSchedulePeriod>();
    p->m_StartMinute = static_cast<int16_t>(start);
    p->m_StopMinute = static_cast<int16_t>(stop);
    s.m_Periods[d].push_back(p);
    return p;
}

QString BuildFile(const char* name) { return QDir(QCoreApplication::applicationDirPath()).filePath(name); }

} // namespace

TEST(PaintSurface, LinesLeaveOutTheirEndPoint) {
    struct Case {
        int x1, y1, x2, y2;
        std::vector<std::string> pixels;
    };
    const Case cases[] = {
        {2, 3, 6, 3, {"2,3", "3,3", "4,3", "5,3"}},
        {6, 3, 2, 3, {"3,3", "4,3", "5,3", "6,3"}},          // leftwards: the start is drawn
        {4, 1, 4, 4, {"4,1", "4,2", "4,3"}},
        {4, 4, 4, 1, {"4,2", "4,3", "4,4"}},
        {1, 1, 4, 4, {"1,1", "2,2", "3,3"}},                 // diagonal
        {5, 5, 5, 5, {}},                                    // to its own start: nothing
        {-10, 2, 3, 2, {"0,2", "1,2", "2,2"}},               // clipped to the picture
        {38, 29, 45, 29, {"38,29", "39,29"}},
        {3, -5, 3, -1, {}},
        {50, 50, 60, 70, {}},
    };
    for (const Case& c : cases) {
        Surface s;
        s.widget.drawLine(c.x1, c.y1, c.x2, c.y2, Colour::Rgb(0, 200, 0));
        EXPECT_EQ(s.Marked(), c.pixels) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        if (!c.pixels.empty()) {
            EXPECT_EQ(s.At(std::stoi(c.pixels[0]), std::stoi(c.pixels[0].substr(c.pixels[0].find(',') + 1))),
                      qRgb(0, 200, 0));
        }
    }
}

TEST(PaintSurface, RectanglesAndColours) {
    Surface s;
    s.widget.fillRect(2, 3, 4, 2, kBlack);
    EXPECT_EQ(s.Marked(), (std::vector<std::string>{"2,3", "3,3", "4,3", "5,3", "2,4", "3,4", "4,4", "5,4"}));
    s.widget.fillRect(2, 3, 4, 2, Colour::Background());
    s.widget.fillRect(10, 10, 0, 5, kBlack);
    EXPECT_TRUE(s.Marked().empty());
    EXPECT_EQ(s.widget.resolve(Colour::Rgb(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(s.widget.resolve(Colour::Background()), QColor(kBack));
    EXPECT_EQ(s.widget.resolve(Colour::ButtonText()), s.widget.palette().color(QPalette::ButtonText));
    EXPECT_TRUE(s.widget.resolve(Colour::GrayText()).isValid());
}

TEST(PaintSurface, TextIsMeasuredAndDrawnWithinItsBox) {
    Surface s(120, 40);
    const int w88 = s.widget.textWidth("88");
    EXPECT_GT(w88, 0);
    EXPECT_NEAR(s.widget.textWidth("8888"), 2 * w88, 1);
    EXPECT_GT(s.widget.textHeight("A"), 0);
    EXPECT_EQ(s.widget.textHeight(""), s.widget.textHeight("Mon"));
    s.widget.setBold(true);
    EXPECT_GE(s.widget.textWidth("Wednesday"), [&] {
        s.widget.setBold(false);
        const int plain = s.widget.textWidth("Wednesday");
        s.widget.setBold(true);
        return plain;
    }());
    s.widget.setBold(false);

    s.widget.setForeColour(Colour::Rgb(200, 0, 0));
    s.widget.drawText(10, 5, "Mon");
    const int w = s.widget.textWidth("Mon"), h = s.widget.textHeight("Mon");
    const auto marked = s.Marked();
    ASSERT_FALSE(marked.empty());
    for (const auto& p : marked) {
        const int x = std::stoi(p), y = std::stoi(p.substr(p.find(',') + 1));
        EXPECT_TRUE(x >= 10 && x < 10 + w && y >= 5 && y < 5 + h) << p;
        EXPECT_EQ(s.At(x, y), qRgb(200, 0, 0)) << "no antialiasing";
    }
    // Drawing the same text again leaves the same pixels.
    const QImage once = s.widget.image().copy();
    s.widget.drawText(10, 5, "Mon");
    EXPECT_EQ(s.widget.image(), once);
}

TEST(PaintSurface, ImagesComeFromTheStore) {
    const IconStore store = DayTypeImages();
    ASSERT_EQ(store.Count(), 16);
    Surface s;
    s.widget.drawImage(1, 2, 2, true); // no store yet
    EXPECT_TRUE(s.Marked().empty());
    s.widget.setImageStore(&store);
    s.widget.drawImage(0, 2, 2, true);
    s.widget.drawImage(17, 2, 2, true);
    EXPECT_TRUE(s.Marked().empty());
    s.widget.drawImage(3, 5, 6, true);
    const auto marked = s.Marked();
    ASSERT_GT(marked.size(), 30u);
    for (const auto& p : marked) {
        const int x = std::stoi(p), y = std::stoi(p.substr(p.find(',') + 1));
        EXPECT_TRUE(x >= 5 && x < 5 + kDayTypeImageSize && y >= 6 && y < 6 + kDayTypeImageSize) << p;
    }
    EXPECT_EQ(s.At(5, 6), kBack) << "the disc's corner stays transparent";
    // Normal style fills the image's box with the background first.
    s.widget.fillRect(20, 10, 11, 11, kBlack);
    s.widget.drawImage(11, 20, 10, false);
    EXPECT_EQ(s.At(20, 10), kBack);
    // Different day types have different pictures.
    EXPECT_NE(store.Icon(1).pixmap(11, 11).toImage(), store.Icon(9).pixmap(11, 11).toImage());
    EXPECT_NE(store.Icon(1).pixmap(11, 11).toImage(), store.Icon(2).pixmap(11, 11).toImage());
}

TEST(PaintSurface, MouseEventsPointerToolTipAndRedrawRequests) {
    Surface s(100, 50);
    std::vector<std::string> events;
    auto log = [&](const char* what) {
        return [&events, what](int b, int shift, double x, double y) {
            events.push_back(std::string(what) + " " + std::to_string(b) + " " + std::to_string(shift) + " " +
                             std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)));
        };
    };
    QObject::connect(&s.widget, &PaintSurfaceWidget::mousePressed, log("down"));
    QObject::connect(&s.widget, &PaintSurfaceWidget::mouseMoved, log("move"));
    QObject::connect(&s.widget, &PaintSurfaceWidget::mouseReleased, log("up"));
    int requests = 0;
    QObject::connect(&s.widget, &PaintSurfaceWidget::paintRequested, [&] { ++requests; });

    const QPointF at(12, 34);
    QMouseEvent press(QEvent::MouseButtonPress, at, s.widget.mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::ShiftModifier);
    QApplication::sendEvent(&s.widget, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 30), s.widget.mapToGlobal(QPointF(20, 30)), Qt::NoButton,
                     Qt::LeftButton | Qt::RightButton, Qt::ControlModifier);
    QApplication::sendEvent(&s.widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, at, s.widget.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::AltModifier);
    QApplication::sendEvent(&s.widget, &release);
    EXPECT_EQ(events, (std::vector<std::string>{"down 2 1 12,34", "move 3 2 20,30", "up 1 4 12,34"}));
    EXPECT_TRUE(s.widget.hasMouseTracking());

    s.widget.setPointer(PointerShape::SizeWestEast);
    EXPECT_EQ(s.widget.cursor().shape(), Qt::SizeHorCursor);
    s.widget.setPointer(PointerShape::Default);
    EXPECT_EQ(s.widget.cursor().shape(), Qt::ArrowCursor);
    s.widget.setToolTipText("Christmas (Eve)");
    EXPECT_EQ(s.widget.toolTip(), "Christmas (Eve)");
    s.widget.setToolTipText("");
    EXPECT_TRUE(s.widget.toolTip().isEmpty());

    s.widget.show();
    s.widget.fillRect(0, 0, 5, 5, kBlack);
    requests = 0;
    s.widget.resize(120, 60); // keeps what fits, asks for a redraw
    EXPECT_EQ(s.widget.image().size(), QSize(120, 60));
    EXPECT_EQ(s.At(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(s.At(110, 55), kBack);
    EXPECT_EQ(requests, 1);
    s.widget.refresh(); // clears, asks again
    EXPECT_EQ(s.At(4, 4), kBack);
    EXPECT_EQ(requests, 2);
}

// The grid and the month drawn with sample data on the real surface. The pictures are
// saved beside the test program for a look; the checks pick pixels the geometry fixes.
TEST(PaintSurface, WidgetsDrawnWithSampleData) {
    const IconStore images = DayTypeImages();
    ClientState state;
    SetWeekdayTexts(state);
    DataFileEnvironment files;
    files.Clock = [] { return DateTime::FromParts(2024, 12, 10, 9, 0, 0); };
    state.DataFiles = &files;
    korvel::testing::RecordingHost host;
    host.FrameWidth = 400;
    host.FrameHeight = 240;
    host.ViewDayType = 0;
    host.ComboItems = {"(none)"};
    for (int i = 0; i < 23; ++i) host.ComboItems.push_back("Day type " + std::to_string(i));

    auto calendar = std::make_shared<cCalendar>();
    calendar->SetDayTypeFullName(7, "Christmas Eve");
    calendar->SetDayTypeFullName(8, "Christmas Day");
    calendar->SetDayTypeFullName(9, "New Year's Eve");

    auto schedule = std::make_shared<cTimeSchedule>();
    schedule->SetDefaultPeriod(); // Monday..Friday 07:00-16:00, grouped
    AddPeriod(*schedule, 5, 480, 720);
    AddPeriod(*schedule, 3, 1080, 1320);
    schedule->m_UseCalendar = -1;
    schedule->SetActive(7, 1);
    schedule->SetActive(8, 1);
    schedule->SetActive(9, 1);
    AddPeriod(*schedule, 7, 0, 720);
    AddPeriod(*schedule, 9, 900, 1440);

    PaintSurfaceWidget gridSurface;
    gridSurface.setImageStore(&images);
    ScheduleGrid grid(schedule, host, state);
    grid.RecalculateAndPrepareToPaint(&gridSurface);
    gridSurface.resize(host.ScrollLeft, schedule->m_NumberOfAxisToPaint * 25 + 4);
    gridSurface.clear();
    grid.Paint(calendar);
    // Select Saturday's period with a press and release on it.
    grid.MouseDown(1, 0, 30 + 600 / 5.0, 5 * 25 + 10, calendar);
    grid.MouseUp(1, 0, 0, 0, calendar);
    EXPECT_EQ(schedule->m_SelectedPeriod, schedule->m_Periods[5][0]);
    const QImage& g = gridSurface.image();
    EXPECT_EQ(g.pixel(114, 4), qRgb(0, 0, 0)) << "Monday's period starts at 07:00";
    EXPECT_EQ(g.pixel(150, 4), qRgb(0, 240, 0));
    EXPECT_EQ(g.pixel(150, 5 * 25 + 4), qRgb(0, 176, 0)) << "the selected period is darker";
    EXPECT_EQ(g.pixel(100, 24), qRgb(0, 0, 0));
    EXPECT_EQ(g.pixel(100, 25), qRgb(255, 255, 255));
    EXPECT_EQ(g.pixel(317, 4), qRgb(255, 255, 255)) << "grouped mark";
    EXPECT_TRUE(g.save(BuildFile("widgets_schedulegrid.png")));

    calendar->m_SelectedYear = 2024;
    calendar->m_SelectedMonth = 12;
    const int32_t first = static_cast<int32_t>(DaysFromCivil(2024, 12, 1) - DaysFromCivil(2000, 1, 1));
    calendar->SetDayType(first + 23, 8);
    calendar->SetDayType(first + 24, 9);
    calendar->SetDayType(first + 25, 9);
    calendar->SetDayType(first + 30, 10);
    calendar->SetDayType(first + 27, 6); // a Saturday that follows Friday's schedule
    auto label = std::make_shared<cHolidayLabel>();
    label->m_Day = static_cast<int16_t>(first + 24);
    label->m_ViewInCalendar = true;
    label->m_Label = "Christmas Day";
    state.HolidayLabels.push_back(label);
    state.HolidayDayFlags[static_cast<std::size_t>(first + 24)] = true;

    for (bool axis : {false, true}) {
        calendar->m_ShowTimeAxis = axis;
        calendar->m_AssociatedTimeSchedule = axis ? schedule : nullptr;
        PaintSurfaceWidget monthSurface;
        monthSurface.setImageStore(&images);
        monthSurface.resize(390, 222);
        monthSurface.clear();
        CalendarMonth month(host, state);
        month.RecalculateAndPrepareToPaint(*calendar);
        month.Paint(*calendar, monthSurface);
        EXPECT_EQ(host.MonthCaption, "December 2024");
        const QImage& m = monthSurface.image();
        EXPECT_EQ(m.pixel(30, 100), qRgb(0, 0, 0));
        EXPECT_EQ(m.pixel(31, 100), qRgb(255, 255, 255));
        // Sunday the 1st: red strip at column 6, row 0; today (Tuesday the 10th): blue.
        EXPECT_EQ(m.pixel(332, 27), qRgb(255, 192, 192));
        EXPECT_EQ(m.pixel(82, 91), qRgb(0, 255, 255));
        if (axis) {
            EXPECT_EQ(m.pixel(32 + 20, 32 * 0 + 51 + 32), qRgb(0, 240, 0)) << "Monday the 2nd, 07:00-16:00";
        }
        EXPECT_TRUE(m.save(BuildFile(axis ? "widgets_calendarmonth_axis.png" : "widgets_calendarmonth.png")));
    }
}
