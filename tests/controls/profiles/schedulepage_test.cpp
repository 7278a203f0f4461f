// The profiles editor's schedule and calendar tabs with the grid and the month view in
// place: how the page hosts the two widgets (host operations, scroll, pop-up menu) and
// what they draw there; a picture of each tab is left beside the test program for a look.
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "tests/controls/profiles/settingspeer.h"

#include "core/clientstate.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "core/widgets/schedulegrid.h"
#include "platform/checkbox.h"
#include "platform/dialogservice.h"
#include "platform/paintsurface.h"
#include "platform/tabstrip.h"

#include <QApplication>
#include <QGroupBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

using namespace korvel;
using namespace korvel::profiles::testparts;
using Profiles = korvel::profiles::Component;

namespace {

// Where two pictures of one size differ inside `area`: the bounding rectangle of the
// changed pixels, empty when none changed.
QRect Changed(const QImage& before, const QImage& after, const QRect& area) {
    QRect out;
    for (int y = area.top(); y <= area.bottom() && y < after.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < after.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y)) out |= QRect(x, y, 1, 1);
    return out;
}

std::shared_ptr<cProfile> ScheduledProfile(const ClientState& state) {
    auto p = std::make_shared<cProfile>();
    p->m_DiskIdentity = 1;
    p->m_Enabled = -1;
    p->SetName(state, "Night shift");
    p->m_TimeSchedule = std::make_shared<cTimeSchedule>();
    for (int i = 0; i < kProfileConditionCount; ++i) p->SetCondition(i, Variant("*"));
    p->m_UseTimeSchedule = -1;
    cTimeSchedule& s = *p->m_TimeSchedule;
    s.SetDefaultPeriod();
    s.m_UseCalendar = -1;
    for (int d : {7, 8, 9}) s.SetActive(d, -1);
    int16_t row = 0;
    for (int d = 0; d < kDayTypeCount; ++d) {
        s.m_AxisIndex[static_cast<std::size_t>(d)] = row;
        if (s.m_Active[static_cast<std::size_t>(d)] != 0) ++row;
    }
    p->StoreOriginalSettings();
    return p;
}

class SchedulePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.SettingsStore = &store;
        control = std::make_unique<Profiles>(state);
        state.Profiles.Add("K1", ScheduledProfile(state));
        peer.emplace(); // the profile list comes from the server; the tree shows its first profile
        ASSERT_TRUE(peer->SendProfiles(*control, state, Profiles::kApplication, ""));
        control->resize(700, 520);
        control->show();
        QCoreApplication::processEvents();
    }
    void Grab(int tab, const char* file) {
        Frame0(*control).show(); // as when connected
        SSTab_Profile(*control).show();
        ClickTab(SSTab_Profile(*control), tab);
        QCoreApplication::processEvents();
        EXPECT_TRUE(control->grab().save(QCoreApplication::applicationDirPath() + "/" + file));
    }

    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    ClientState state;
    std::optional<SettingsPeer> peer;
    std::unique_ptr<Profiles> control;
};

} // namespace

TEST_F(SchedulePageTest, TabsDrawnWithAProfile) {
    Grab(1, "profiles_schedule_tab.png");
    const QImage grid = Picture_TimeSchedule(*control).image();
    Grab(3, "profiles_calendar_tab.png");
    const QImage month = Picture_Calendar(*control).image();
    // With the day types named, shown on the axes, and the time axes in the month.
    state.SharedCalendar->SetDayTypeFullName(7, "Christmas Eve");
    state.SharedCalendar->SetDayType(state.SharedCalendar->m_ActualMonthOffset + 3, 8);
    Check_TimeSchedule_ViewDayType(*control).click();
    Check_Calendar_ViewTimeAxis(*control).click();
    Grab(1, "profiles_schedule_tab_names.png");
    Grab(3, "profiles_calendar_tab_axis.png");

    // The grid: the full name over the axis of its day type, centred on it; rows whose
    // day type has no full name (all but 7 here) and the labels left of the axes stay as
    // they were. Rows 0..9 hold day types 0..9.
    platform::PaintSurfaceWidget& picture = Picture_TimeSchedule(*control);
    const QImage& named = picture.image();
    ASSERT_EQ(named.size(), grid.size());
    for (int row = 0; row < 10; ++row) {
        const QRect changed = Changed(grid, named, QRect(0, row * kGridRowPitch, named.width(), kGridRowPitch));
        const Bytes name = state.SharedCalendar->GetDayTypeFullName(state, row);
        if (name.empty()) {
            EXPECT_TRUE(changed.isEmpty()) << row;
            continue;
        }
        const int width = picture.textWidth(name);
        const QRect text(static_cast<int>(std::lround((kGridRight - kGridLeft - width) / 2.0)) + kGridLeft,
                         row * kGridRowPitch + kGridBarTop, width, kGridBarLines);
        EXPECT_FALSE(changed.isEmpty()) << row;
        EXPECT_TRUE(text.contains(changed)) << row;
    }
    EXPECT_EQ(state.SharedCalendar->GetDayTypeFullName(state, 7), "Christmas Eve");

    // The month: under every day a time axis of its day type (day 3, of type 8, that of
    // special day type 7, which has no period), grey from 00:00, green where a period is
    // (Monday to Friday 07:00-16:00: noon is green); above the axes only day 3 changed,
    // by the image of its day type at the box's right.
    const QImage& axes = Picture_Calendar(*control).image();
    ASSERT_EQ(axes.size(), month.size());
    const cCalendar& calendar = *state.SharedCalendar;
    for (int day = 0; day < calendar.m_DaysInActualMonth; ++day) {
        const int cell = calendar.m_FirstWeekDayInActualMonth + day, column = cell % 7, row = cell / 7;
        const int left = 50 * column + 32, top = 32 * row + 27, right = 50 * column + 80, axis = 32 * row + 51;
        for (int i = 0; i < 5; ++i) EXPECT_EQ(axes.pixel(left, axis + i), qRgb(220 - 20 * i, 220 - 20 * i, 220 - 20 * i)) << day;
        const bool working = day != 3 && column <= 4;
        EXPECT_EQ(axes.pixel(left + 24, axis), working ? qRgb(0, 240, 0) : qRgb(220, 220, 220)) << day;
        const QRect changed = Changed(month, axes, QRect(left, top, 47, 23));
        if (day != 3) {
            EXPECT_TRUE(changed.isEmpty()) << day;
        } else {
            EXPECT_EQ(changed.topLeft(), QPoint(static_cast<int>(std::lround(right - 12.5)), top));
        }
    }
}

TEST_F(SchedulePageTest, GridLaysOutThroughTheHostAndFollowsTheScrollBar) {
    Frame0(*control).show();
    SSTab_Profile(*control).show();
    ClickTab(SSTab_Profile(*control), 1);
    QCoreApplication::processEvents();
    platform::PaintSurfaceWidget& picture = Picture_TimeSchedule(*control);
    QScrollBar& scroll = VScroll_Schedule(*control);
    const auto* frame = control->findChild<QFrame*>("Picture_TimeSchedule_Frame");
    ASSERT_NE(frame, nullptr);
    // 10 rows (7 weekdays and 3 special day types): height 254, 3 rows to scroll.
    EXPECT_EQ(picture.height(), 254);
    EXPECT_EQ(scroll.maximum(), 12);
    EXPECT_EQ(scroll.x(), frame->contentsRect().width() - scroll.width());
    EXPECT_EQ(picture.width(), scroll.x());
    struct Step {
        int value, top;
    };
    for (const Step& s : {Step{4, -25}, Step{3, -19}, Step{12, -75}, Step{0, 0}}) {
        scroll.setValue(s.value);
        EXPECT_EQ(picture.y(), s.top) << s.value;
    }
    // The wheel over the picture scrolls the grid (one notch: the scroll bar's three steps).
    QWheelEvent down(QPointF(100, 50), picture.mapToGlobal(QPointF(100, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&picture, &down);
    EXPECT_GT(scroll.value(), 0);
    EXPECT_EQ(picture.y(), static_cast<int>(std::lround(-6.25 * scroll.value())));
    scroll.setValue(0);

    // The picture: Monday 07:00-16:00, the special day types' images left of their rows.
    const QImage& g = picture.image();
    EXPECT_EQ(g.pixel(114, 4), qRgb(0, 0, 0));
    EXPECT_EQ(g.pixel(150, 4), qRgb(0, 240, 0));
    EXPECT_NE(g.pixel(20, 7 * 25 + 4 + 5), picture.backgroundColour().rgb()) << "image of day type 7";

    // A drag of the left button on the grid: time box while moving, period boxes after.
    const QPointF from(30 + 600 / 5.0, 5 * 25 + 10), to(30 + 720 / 5.0, 5 * 25 + 10);
    SendSurfaceMouse(picture, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendSurfaceMouse(picture, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Text_Schedule_Time(*control).text(), "12:00");
    SendSurfaceMouse(picture, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Text_Schedule_Period_Start(*control).text(), "10:00");
    EXPECT_EQ(Text_Schedule_Period_Stop(*control).text(), "12:00");
    EXPECT_EQ(picture.image().pixel(160, 5 * 25 + 4), qRgb(0, 176, 0)) << "Saturday's new period, selected";

    // The hour ruler: a grey tick on every hour, reaching the ruler's bottom.
    auto* ruler = control->findChild<platform::PaintSurfaceWidget*>("Picture_TimeScheduleHeader");
    ASSERT_NE(ruler, nullptr);
    const int offset = static_cast<int>(std::lround((ruler->width() - frame->contentsRect().width()) / 2.0));
    for (int h = 0; h <= 24; ++h)
        EXPECT_EQ(ruler->image().pixel(30 + 12 * h + offset, ruler->height() - 1), qRgb(148, 148, 148)) << h;
}
