// The profiles editor's schedule and calendar page: the tab control, the boxes that show
// the schedule and calendar tabs, the schedule tab and the calendar tab, and the editor
// host operations of the schedule grid and the month view.

#include "controls/profiles/schedulepage.h"

#include "core/errors.h"
#include "core/numeric.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/widgets/calendarmonth.h"
#include "core/widgets/schedulegrid.h"
#include "platform/checkbox.h"
#include "platform/dialogservice.h"
#include "platform/iconstore.h"
#include "platform/imagecombo.h"
#include "platform/paintsurface.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/tabstrip.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr const char* kLastScheduleTab = "LastScheduleTab";
const QDate kFirstDay(2000, 1, 1);

int16_t Flag(bool on) { return on ? -1 : 0; }

// 4 scroll units per grid row of 25 pixels.
int PictureTop(int scrollValue) { return static_cast<int>(std::lround(-(25.0 / 4.0) * scrollValue)); }

// The mouse wheel over the schedule picture scrolls the grid as it does over its scroll
// bar (the picture itself has no use for it).
class WheelToScrollBar final : public QObject {
public:
    WheelToScrollBar(QScrollBar* bar, QObject* parent) : QObject(parent), m_Bar(bar) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
        QCoreApplication::sendEvent(m_Bar, event);
        return true;
    }

private:
    QScrollBar* m_Bar;
};

void ShowToday(cCalendar& calendar) {
    const QDate today = QDate::currentDate();
    calendar.m_SelectedYear = static_cast<int16_t>(today.year());
    calendar.m_SelectedMonth = static_cast<int16_t>(today.month());
}

} // namespace

SchedulePage::SchedulePage(PageHost& host, ClientState& state, QObject* control)
    : Page(host, state, control, "SchedulePage"), m_DayTypeIcons(new platform::IconStore(platform::DayTypeImages())) {}

SchedulePage::~SchedulePage() { DeletePlaced(); }

// --- Widgets ------------------------------------------------------------------------------

void SchedulePage::BuildTabs(QWidget* control) {
    m_Tab = Placed(Named(new platform::TabStrip(control), "SSTab_Profile"));
    m_Tab->setGeometry(225, 10, 408, 500);
    for (const char* caption : {"General", "Timeschedule", "Advanced", "Global Calendar"})
        m_Tab->AddTab(QString::fromLatin1(caption));
    for (int i = 0; i < kTabCount; ++i) {
        auto* page = Placed(new QWidget(control));
        page->setObjectName(Indexed("TabControlPage", i));
        page->hide();
        m_Pages[static_cast<std::size_t>(i)] = page;
    }
    // Disconnected until the first connection.
    m_Tab->hide();
}

QWidget* SchedulePage::TabPage(int index) const { return m_Pages.at(static_cast<std::size_t>(index)); }

void SchedulePage::BuildUseChecks(QWidget* tab) {
    m_FrameSchedule = Placed(Named(new QGroupBox(tab), "Frame_Schedule"));
    m_FrameSchedule->setGeometry(TwipRect(5520, 1500, 2700, 1000));
    m_CheckTimeSchedule =
        Named(new platform::CheckBox(QStringLiteral("Use timeschedule"), m_FrameSchedule), "Check_TimeSchedule");
    m_CheckTimeSchedule->setGeometry(TwipRect(150, 250, 2400, 300));
    m_CheckCalendar = Named(new platform::CheckBox(QStringLiteral("Use calendar"), m_FrameSchedule), "Check_Calendar");
    m_CheckCalendar->setGeometry(TwipRect(150, 580, 2400, 300));
}

void SchedulePage::BuildScheduleTab(QWidget* tab) {
    m_FrameTimeSchedule = Placed(Named(new QGroupBox(QStringLiteral("Timeschedule"), tab), "Frame_TimeSchedule"));
    m_FrameTimeSchedule->setGeometry(TwipRect(120, 120, 6000, 5200));
    m_ScheduleHeader = Named(new platform::PaintSurfaceWidget(m_FrameTimeSchedule), "Picture_TimeScheduleHeader");
    m_ScheduleHeader->setGeometry(TwipRect(120, 250, 5760, 450));
    m_ScheduleFrame = Named(new QFrame(m_FrameTimeSchedule), "Picture_TimeSchedule_Frame");
    m_ScheduleFrame->setFrameShape(QFrame::Box);
    m_ScheduleFrame->setGeometry(TwipRect(120, 720, 5760, 3300));
    m_SchedulePicture = Named(new platform::PaintSurfaceWidget(m_ScheduleFrame), "Picture_TimeSchedule");
    m_SchedulePicture->setImageStore(m_DayTypeIcons.get());
    m_SchedulePicture->setGeometry(0, 0, Px(5500), Px(3300));
    m_ScheduleScroll = Named(new QScrollBar(Qt::Vertical, m_ScheduleFrame), "VScroll_Schedule");
    m_ScheduleScroll->setGeometry(Px(5500), 0, Px(255), Px(3300));
    m_ScheduleLabel = Named(new QLabel(QStringLiteral("Period:"), m_FrameTimeSchedule), "Label_TimeSchedule");
    m_ScheduleLabel->setGeometry(TwipRect(120, 4150, 900, 300));
    m_PeriodStart = Named(new QLineEdit(m_FrameTimeSchedule), "Text_Schedule_Period_Start");
    m_PeriodStart->setGeometry(TwipRect(1050, 4120, 800, 300));
    m_PeriodStop = Named(new QLineEdit(m_FrameTimeSchedule), "Text_Schedule_Period_Stop");
    m_PeriodStop->setGeometry(TwipRect(1950, 4120, 800, 300));
    m_ScheduleTime = Named(new QLineEdit(m_FrameTimeSchedule), "Text_Schedule_Time");
    m_ScheduleTime->setReadOnly(true);
    m_ScheduleTime->setGeometry(TwipRect(2900, 4120, 800, 300));
    m_CheckViewDayType = Named(new platform::CheckBox(QStringLiteral("View day type"), m_FrameTimeSchedule),
                               "Check_TimeSchedule_ViewDayType");
    m_CheckViewDayType->setGeometry(TwipRect(3900, 4120, 1900, 300));
    for (QLineEdit* box : {m_PeriodStart, m_PeriodStop}) box->installEventFilter(this);
}

void SchedulePage::BuildCalendarTab(QWidget* tab) {
    m_FrameCalendar = Placed(Named(new QGroupBox(QStringLiteral("Global Calendar"), tab), "Frame_Calendar"));
    m_FrameCalendar->setGeometry(TwipRect(120, 120, 6000, 5600));
    auto button = [this](const QString& name, const QString& caption, QRect r) {
        auto* b = new QPushButton(caption, m_FrameCalendar);
        b->setObjectName(name);
        b->setGeometry(r);
        return b;
    };
    m_ChangeMonth[0] =
        button(Indexed("Command_Calendar_ChangeMonth", 0), QStringLiteral("<"), TwipRect(120, 280, 400, 330));
    m_CalendarMonth = Named(new QLineEdit(m_FrameCalendar), "Text_Calendar_Month");
    m_CalendarMonth->setReadOnly(true);
    m_CalendarMonth->setAlignment(Qt::AlignCenter);
    m_CalendarMonth->setGeometry(TwipRect(560, 280, 2400, 330));
    m_CalendarMonth->installEventFilter(this);
    m_ChangeMonth[1] =
        button(Indexed("Command_Calendar_ChangeMonth", 1), QStringLiteral(">"), TwipRect(3000, 280, 400, 330));
    m_ChangeEvent[0] =
        button(Indexed("Command_Calendar_ChangeEvent", 0), QStringLiteral("<<"), TwipRect(3600, 280, 500, 330));
    m_ChangeEvent[1] =
        button(Indexed("Command_Calendar_ChangeEvent", 1), QStringLiteral(">>"), TwipRect(4150, 280, 500, 330));
    m_CalendarPicture = Named(new platform::PaintSurfaceWidget(m_FrameCalendar), "Picture_Calendar");
    m_CalendarPicture->setImageStore(m_DayTypeIcons.get());
    m_CalendarPicture->setGeometry(120 / platform::kTwipsPerPixel, 700 / platform::kTwipsPerPixel, 385, 222);
    m_DayTypeCombo = Named(new platform::ImageCombo(m_FrameCalendar), "Combo_Calendar_DayType");
    m_DayTypeCombo->SetImageList(m_DayTypeIcons.get());
    m_DayTypeCombo->setGeometry(TwipRect(120, 4400, 3000, 330));
    m_CheckViewTimeAxis = Named(new platform::CheckBox(QStringLiteral("View time axis"), m_FrameCalendar),
                                "Check_Calendar_ViewTimeAxis");
    m_CheckViewTimeAxis->setGeometry(TwipRect(3300, 4420, 2500, 300));
    m_ImportSpecialDays = button(QStringLiteral("Command_Calendar_ImportSpecialDays"), QStringLiteral("Import holidays"),
                                 TwipRect(120, 4900, 2700, 360));
    m_RemoveAll = button(QStringLiteral("Command_Calendar_RemoveAll"), QStringLiteral("Restore all days to normal"),
                         TwipRect(2950, 4900, 2900, 360));
}

void SchedulePage::BuildMenu() {
    m_SchedulePopup = Named(new platform::Menu(this), "Menu_TimeSchedulePopup");
    const auto scheduleEntry = [this](const QString& caption, const char* name) {
        return Named(m_SchedulePopup->AddItem(caption), name);
    };
    m_ScheduleCopy = scheduleEntry(QStringLiteral("K&opiera"), "Menu_TimeSchedulePopup_Copy");
    m_SchedulePaste = scheduleEntry(QStringLiteral("Kl&istra in"), "Menu_TimeSchedulePopup_Paste");
    m_ScheduleDelete = scheduleEntry(QStringLiteral("&Radera"), "Menu_TimeSchedulePopup_Delete");
    m_ScheduleAllDay = scheduleEntry(QStringLiteral("&Markera hela dagen"), "Menu_TimeSchedulePopup_AllDay");
    m_ScheduleInvert = scheduleEntry(QStringLiteral("&Invertera"), "Menu_TimeSchedulePopup_Invert");
    m_SchedulePopup->AddSeparator();
    m_ScheduleGrouped = scheduleEntry(QStringLiteral("&Grupperad"), "Menu_TimeSchedulePopup_Grouped");
    m_ScheduleGroupedMonFri =
        scheduleEntry(QString::fromUtf8("Gruppera &måndag-fredag"), "Menu_TimeSchedulePopup_Grouped_MonFri");
    for (platform::MenuItem* entry : {m_ScheduleGrouped, m_ScheduleGroupedMonFri}) entry->SetCheckable(true);
    m_SchedulePopup->AddSeparator();
    m_ActiveMenu = Named(new platform::MenuItemArray(m_SchedulePopup, QString(), this), "Menu_TimeSchedulePopup_Active");
    connectHandlers();
}

void SchedulePage::connectHandlers() {
    m_Tab->SetBeforeClickHandler([this] {
        platform::RunGuarded("SSTab_Profile_BeforeClick", [&] { SSTab_Profile_BeforeClick(); });
    });
    connect(m_Tab, &platform::TabStrip::Click, this, Guarded("SSTab_Profile_Click", this, &SchedulePage::SSTab_Profile_Click));
    connect(m_CheckTimeSchedule, &platform::CheckBox::Click, this,
            Guarded("Check_TimeSchedule_Click", this, &SchedulePage::Check_TimeSchedule_Click));
    connect(m_CheckCalendar, &platform::CheckBox::Click, this,
            Guarded("Check_Calendar_Click", this, &SchedulePage::Check_Calendar_Click));
    connect(m_CheckViewTimeAxis, &platform::CheckBox::Click, this,
            Guarded("Check_Calendar_ViewTimeAxis_Click", this, &SchedulePage::Check_Calendar_ViewTimeAxis_Click));
    connect(m_CheckViewDayType, &platform::CheckBox::Click, this,
            Guarded("Check_TimeSchedule_ViewDayType_Click", this, &SchedulePage::Check_TimeSchedule_ViewDayType_Click));
    connect(m_DayTypeCombo, &platform::ImageCombo::Click, this,
            Guarded("Combo_Calendar_DayType_Click", this, &SchedulePage::Combo_Calendar_DayType_Click));
    m_DayTypeCombo->SetKeyPressHandler(
        Guarded("Combo_Calendar_DayType_KeyPress", this, &SchedulePage::Combo_Calendar_DayType_KeyPress));

    connect(m_ScheduleScroll, &QScrollBar::valueChanged, this, [this](int) {
        platform::RunGuarded("VScroll_Schedule_Change", [&] { movePictureToScroll(); });
    });
    m_SchedulePicture->installEventFilter(new WheelToScrollBar(m_ScheduleScroll, m_SchedulePicture));
    using platform::PaintSurfaceWidget;
    connect(m_SchedulePicture, &PaintSurfaceWidget::mousePressed, this,
            Guarded("Picture_TimeSchedule_MouseDown", this, &SchedulePage::Picture_TimeSchedule_MouseDown));
    connect(m_SchedulePicture, &PaintSurfaceWidget::mouseMoved, this,
            Guarded("Picture_TimeSchedule_MouseMove", this, &SchedulePage::Picture_TimeSchedule_MouseMove));
    connect(m_SchedulePicture, &PaintSurfaceWidget::mouseReleased, this,
            Guarded("Picture_TimeSchedule_MouseUp", this, &SchedulePage::Picture_TimeSchedule_MouseUp));
    connect(m_SchedulePicture, &PaintSurfaceWidget::paintRequested, this,
            Guarded("Picture_TimeSchedule_Paint", this, &SchedulePage::Picture_TimeSchedule_Paint));
    connect(m_ScheduleHeader, &PaintSurfaceWidget::paintRequested, this,
            Guarded("Picture_TimeScheduleHeader_Paint", this, &SchedulePage::Picture_TimeScheduleHeader_Paint));
    connect(m_CalendarPicture, &PaintSurfaceWidget::mousePressed, this,
            Guarded("Picture_Calendar_MouseDown", this, &SchedulePage::Picture_Calendar_MouseDown));
    connect(m_CalendarPicture, &PaintSurfaceWidget::mouseMoved, this,
            Guarded("Picture_Calendar_MouseMove", this, &SchedulePage::Picture_Calendar_MouseMove));
    connect(m_CalendarPicture, &PaintSurfaceWidget::mouseReleased, this,
            Guarded("Picture_Calendar_MouseUp", this, &SchedulePage::Picture_Calendar_MouseUp));
    connect(m_CalendarPicture, &PaintSurfaceWidget::paintRequested, this,
            Guarded("Picture_Calendar_Paint", this, &SchedulePage::Picture_Calendar_Paint));

    for (int i = 0; i < 2; ++i) {
        connect(m_ChangeMonth[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] {
            platform::RunGuarded("Command_Calendar_ChangeMonth_Click", [&] { Command_Calendar_ChangeMonth_Click(i); });
        });
        connect(m_ChangeEvent[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] {
            platform::RunGuarded("Command_Calendar_ChangeEvent_Click", [&] { Command_Calendar_ChangeEvent_Click(i); });
        });
    }
    connect(m_ImportSpecialDays, &QPushButton::clicked, this,
            Guarded("Command_Calendar_ImportSpecialDays_Click", this, &SchedulePage::Command_Calendar_ImportSpecialDays_Click));
    connect(m_RemoveAll, &QPushButton::clicked, this,
            Guarded("Command_Calendar_RemoveAll_Click", this, &SchedulePage::Command_Calendar_RemoveAll_Click));

    using platform::MenuItem;
    connect(m_SchedulePopup, &platform::Menu::AboutToShow, this,
            Guarded("Menu_TimeSchedulePopup_Open", this, &SchedulePage::Menu_TimeSchedulePopup_Open));
    connect(m_ActiveMenu, &platform::MenuItemArray::Clicked, this,
            Guarded("Menu_TimeSchedulePopup_Active_Click", this, &SchedulePage::Menu_TimeSchedulePopup_Active_Click));
    // Each entry is one operation of the page schedule.
    const auto entry = [this](MenuItem* item, const char* handler, void (*operation)(ScheduleGrid&, ClientState&)) {
        connect(item, &MenuItem::Click, this, [this, handler, operation] {
            platform::RunGuarded(handler, [&] { operation(*m_Grid, m_State); });
        });
    };
    entry(m_ScheduleCopy, "Menu_TimeSchedulePopup_Copy_Click",
          [](ScheduleGrid& grid, ClientState&) { grid.Schedule().Copy(); });
    entry(m_SchedulePaste, "Menu_TimeSchedulePopup_Paste_Click",
          [](ScheduleGrid& grid, ClientState&) { grid.Schedule().Paste(grid); });
    entry(m_ScheduleDelete, "Menu_TimeSchedulePopup_Delete_Click",
          [](ScheduleGrid& grid, ClientState& state) { grid.Schedule().Delete(state, grid); });
    entry(m_ScheduleAllDay, "Menu_TimeSchedulePopup_AllDay_Click",
          [](ScheduleGrid& grid, ClientState&) { grid.Schedule().SetTimeFrom00to24(grid); });
    entry(m_ScheduleInvert, "Menu_TimeSchedulePopup_Invert_Click",
          [](ScheduleGrid& grid, ClientState&) { grid.Schedule().InvertTimeSchedule(grid); });
    entry(m_ScheduleGrouped, "Menu_TimeSchedulePopup_Grouped_Click",
          [](ScheduleGrid& grid, ClientState&) { grid.Schedule().Group(grid); });
    // The schedule reads the mark the operator saw (on: Monday-Friday are the group, so
    // the choice ungroups them); choosing an entry leaves its mark as it was.
    entry(m_ScheduleGroupedMonFri, "Menu_TimeSchedulePopup_Grouped_MonFri_Click",
          [](ScheduleGrid& grid, ClientState&) { grid.Schedule().GroupMonFri(grid); });
}

void SchedulePage::Initialise() {
    m_Month = std::make_unique<CalendarMonth>(*this, m_State);
    setPageSchedule(std::make_shared<cTimeSchedule>());
    if (!m_State.SharedCalendar) m_State.SharedCalendar = std::make_shared<cCalendar>();
    ShowToday(*m_State.SharedCalendar);
    // The schedule and calendar tabs follow their unticked boxes from the start.
    Check_TimeSchedule_Click();
}

void SchedulePage::ApplyCaptions() {
    auto text = [this](int n) { return m_Host.Text(n); };
    m_CheckTimeSchedule->setText(text(444));
    m_CheckCalendar->setText(text(445));
    m_FrameTimeSchedule->setTitle(text(460));
    m_ScheduleLabel->setText(text(461) + QLatin1Char(':'));
    m_CheckViewDayType->setText(text(462));
    for (int i = 0; i < kTabCount; ++i) m_Tab->SetTabCaption(i, text(465 + i));
    m_FrameCalendar->setTitle(text(470));
    m_CheckViewTimeAxis->setText(text(471));
    m_ImportSpecialDays->setText(text(472));
    m_RemoveAll->setText(text(473));
    m_ScheduleCopy->SetCaption(text(640));
    m_SchedulePaste->SetCaption(text(641));
    m_ScheduleDelete->SetCaption(text(642));
    m_ScheduleAllDay->SetCaption(text(643));
    m_ScheduleGrouped->SetCaption(text(644));
    m_ScheduleGroupedMonFri->SetCaption(text(645));
    m_ScheduleInvert->SetCaption(text(924));
}

void SchedulePage::SettingsApplied() {
    setDayTypeComboToOnlyFirst();
    // (The texts are applied by the shell right after this; nothing below depends on
    // them.) A stored tab that is missing or no number leaves the selection as it is.
    platform::RunGuarded("HandleSettingsMessage", [&] {
        const double tab = NumericValue(m_Host.StoredSetting(kLastScheduleTab, "0"));
        if (tab >= 0 && tab < m_Tab->TabCount() && tab == std::floor(tab)) m_Tab->SetSelectedIndex(static_cast<int>(tab));
    });
    // A stored index that no tab has leaves the selection as it is; its page is shown
    // all the same, or the connected editor would show no page at all.
    const int selected = m_Tab->SelectedIndex();
    if (selected >= 0 && selected < kTabCount) SSTab_Profile_Click(selected);
    m_Tab->show();
}

void SchedulePage::ShowConnectionState(bool connected) {
    m_Tab->setVisible(connected);
    if (!connected)
        for (QWidget* page : m_Pages) page->hide();
}

void SchedulePage::LayOutTabControl(int W, int H, int panelRight) {
    m_Tab->move(m_Tab->x(), 10);
    if (H > 361) m_Tab->resize(m_Tab->width(), H - m_Tab->y() - 75 / platform::kTwipsPerPixel);
    if (W > 640) m_Tab->setGeometry(panelRight, m_Tab->y(), (W - 640) / 2 + 407, m_Tab->height());
}

PageLayout SchedulePage::TabControlLayout(int W, int H) const {
    return {H > 361, W > 640, m_Tab->height() * platform::kTwipsPerPixel, m_Tab->width() * platform::kTwipsPerPixel};
}

void SchedulePage::LayOutPages(const PageLayout& layout, int receiversBottom) {
    if (layout.Wide) {
        m_FrameSchedule->move(Px(layout.TabWidth - 2835), m_FrameSchedule->y());
        m_FrameSchedule->resize(m_FrameSchedule->width(), std::max(0, receiversBottom - m_FrameSchedule->y()));
    }
    const int selected = m_Tab->SelectedIndex();
    if (selected >= 0 && selected < kTabCount)
        m_Pages[static_cast<std::size_t>(selected)]->setGeometry(m_Tab->x() + 1, m_Tab->y() + 1, m_Tab->width() - 2,
                                                                 std::max(0, m_Tab->height() - 30));
    for (QWidget* page : m_Pages) page->raise();
}

void SchedulePage::Terminate() { m_Host.Remember(kLastScheduleTab, std::to_string(m_Tab->SelectedIndex())); }

// --- Page <-> record ----------------------------------------------------------------------

void SchedulePage::Clear() {
    m_CheckTimeSchedule->SetValue(0);
    m_CheckCalendar->SetValue(0);
    m_Tab->SetTabVisible(1, false);
    m_Tab->SetTabVisible(3, false);
    auto schedule = std::make_shared<cTimeSchedule>();
    schedule->SetDefaultPeriod();
    setPageSchedule(std::move(schedule));
    refreshSchedule();
    m_CheckViewDayType->SetValue(0);
    m_CheckViewTimeAxis->SetValue(0);
    if (m_State.SharedCalendar) ShowToday(*m_State.SharedCalendar);
    showTabsForChecks();
}

void SchedulePage::Show(const cProfile& p) {
    m_CheckTimeSchedule->SetValue(p.m_UseTimeSchedule != 0);
    m_Tab->SetTabVisible(1, p.m_UseTimeSchedule != 0);
    const bool useCalendar = p.m_TimeSchedule && p.m_TimeSchedule->m_UseCalendar != 0;
    m_CheckCalendar->SetValue(useCalendar);
    m_Tab->SetTabVisible(3, useCalendar);
    try {
        if (p.m_TimeSchedule) m_PageSchedule->ExtractPeriodArray(p.m_TimeSchedule->ComposePeriodArray());
    } catch (const KorvelError&) {
        // A schedule without a period form leaves the page schedule as it was.
    }
    refreshSchedule();
    m_CheckViewDayType->SetValue(p.m_TimeSchedule_ViewDayType != 0);
    m_CheckViewTimeAxis->SetValue(p.m_Calendar_ViewTimeAxis != 0);
    showTabsForChecks();
    if (m_CheckCalendar->Value()) RedrawCalendar();
}

void SchedulePage::StoreInto(cProfile& p) {
    p.m_UseTimeSchedule = Flag(m_CheckTimeSchedule->Value() != 0);
    if (!p.m_TimeSchedule) p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
    try {
        p.m_TimeSchedule->ExtractPeriodArray(m_PageSchedule->ComposePeriodArray());
    } catch (const KorvelError&) {
        // A page schedule too long to carry leaves the profile's periods as they were.
    }
    // After the periods, which carry a calendar flag of their own: the box decides.
    p.m_TimeSchedule->m_UseCalendar = Flag(m_CheckCalendar->Value() != 0);
    p.m_TimeSchedule_ViewDayType = Flag(m_CheckViewDayType->Value() != 0);
    p.m_Calendar_ViewTimeAxis = Flag(m_CheckViewTimeAxis->Value() != 0);
}

// --- Tab control --------------------------------------------------------------------------

void SchedulePage::SSTab_Profile_BeforeClick() { m_Host.BeforeTabChange(); }

void SchedulePage::SSTab_Profile_Click(int index) {
    for (int i = 0; i < kTabCount; ++i) m_Pages[static_cast<std::size_t>(i)]->setVisible(i == index);
    m_Host.TabChanged(index);
    const CurrentProfile& current = m_Host.Current();
    if (index == 3 && !current.Node.isEmpty() && current.Profile && current.Profile->m_TimeSchedule && m_PageSchedule) {
        try {
            current.Profile->m_TimeSchedule->ExtractPeriodArray(m_PageSchedule->ComposePeriodArray());
        } catch (const KorvelError&) {
            // A page schedule too long to carry: the profile keeps its periods.
        }
    }
    m_Host.UserControl_Resize();
}

void SchedulePage::showTabsForChecks() {
    const int selected = m_Tab->SelectedIndex();
    if (selected >= 0 && !m_Tab->TabVisible(selected)) {
        m_Tab->SetSelectedIndex(0);
        SSTab_Profile_Click(0);
    }
}

// --- The boxes that show the schedule and calendar tabs, and those on the tabs ----------------

void SchedulePage::Check_TimeSchedule_Click() {
    const bool on = m_CheckTimeSchedule->Value() != 0;
    m_Tab->SetTabVisible(1, on);
    m_CheckCalendar->setEnabled(on);
    if (!on) m_CheckCalendar->SetValue(0);
}

void SchedulePage::Check_Calendar_Click() {
    const bool on = m_CheckCalendar->Value() != 0;
    m_Tab->SetTabVisible(3, on);
    if (m_PageSchedule) m_PageSchedule->m_UseCalendar = Flag(on);
    refreshSchedule();
}

void SchedulePage::Check_Calendar_ViewTimeAxis_Click() {
    if (m_State.SharedCalendar) m_State.SharedCalendar->m_ShowTimeAxis = m_CheckViewTimeAxis->Value() != 0;
    RedrawCalendar();
}

void SchedulePage::Check_TimeSchedule_ViewDayType_Click() { repaintSchedule(); }

// --- Schedule tab -------------------------------------------------------------------------

void SchedulePage::setPageSchedule(std::shared_ptr<cTimeSchedule> schedule) {
    m_PageSchedule = std::move(schedule);
    m_Grid = std::make_unique<ScheduleGrid>(m_PageSchedule, *this, m_State);
    m_Grid->SetAssociatedCalendar(m_State.SharedCalendar);
    if (m_State.SharedCalendar) m_State.SharedCalendar->m_AssociatedTimeSchedule = m_PageSchedule;
}

void SchedulePage::movePictureToScroll() {
    m_SchedulePicture->move(m_SchedulePicture->x(), PictureTop(m_ScheduleScroll->value()));
}

void SchedulePage::refreshSchedule() {
    if (!m_Grid) return;
    m_Grid->RecalculateAndPrepareToPaint(m_SchedulePicture);
    movePictureToScroll();
    m_SchedulePicture->refresh();
}

void SchedulePage::repaintSchedule() { m_SchedulePicture->refresh(); }

void SchedulePage::periodTextEnter() {
    if (m_Grid) m_Grid->Schedule().ExtractTimeFromTextboxes(*m_Grid);
}

void SchedulePage::Picture_TimeSchedule_MouseDown(int button, int shift, double x, double y) {
    m_Grid->MouseDown(button, shift, x, y, m_State.SharedCalendar);
    m_ScheduleButton = button;
}

void SchedulePage::Picture_TimeSchedule_MouseMove(int button, int shift, double x, double y) {
    m_Grid->MouseMove(button, shift, x, y, m_State.SharedCalendar);
}

void SchedulePage::Picture_TimeSchedule_MouseUp(int button, int shift, double x, double y) {
    m_Grid->MouseUp(button, shift, x, y, m_State.SharedCalendar);
    if (m_ScheduleButton == 2) platform::PopupMenu(m_SchedulePopup, QCursor::pos());
}

void SchedulePage::Picture_TimeSchedule_Paint() { m_Grid->Paint(m_State.SharedCalendar); }

void SchedulePage::Picture_TimeScheduleHeader_Paint() {
    platform::PaintSurfaceWidget& ruler = *m_ScheduleHeader;
    ruler.setFont(m_ScheduleFrame->font());
    const int w = ruler.height(); // the ruler's inner height
    const int h8 = ruler.textHeight("8");
    const int offset = static_cast<int>(std::lround((ruler.width() - m_ScheduleFrame->contentsRect().width()) / 2.0));
    ruler.setForeColour(Colour::ButtonText());
    for (int hour = 0; hour <= 24; ++hour) {
        const int x = 30 + 12 * hour + offset;
        const bool even = hour % 2 == 0;
        const int y0 = even ? w - h8 - 4 : w - 4;
        ruler.drawLine(x, y0, x, y0 + w, Colour::Rgb(148, 148, 148));
        const Bytes label = (hour < 10 ? "0" : "") + std::to_string(hour);
        ruler.drawText(x - ruler.textWidth(label) / 2, even ? w - 2 * h8 - 4 : w - h8 - 4, label);
    }
}

void SchedulePage::Menu_TimeSchedulePopup_Open() {
    for (int i = 0; i < 16 && i < m_ActiveMenu->Count(); ++i) {
        m_ActiveMenu->SetEnabled(i, m_PageSchedule && m_PageSchedule->m_UseCalendar != 0);
        m_ActiveMenu->SetChecked(i, m_PageSchedule && m_PageSchedule->GetActive(i + 7) != 0);
    }
}

void SchedulePage::Menu_TimeSchedulePopup_Active_Click(int index) {
    if (!m_PageSchedule || index < 0 || index >= 16) return;
    const int dayType = index + 7;
    m_PageSchedule->SetActive(dayType, m_PageSchedule->GetActive(dayType) ? 0 : -1);
    m_ActiveMenu->SetChecked(index, m_PageSchedule->GetActive(dayType) != 0);
    m_Grid->RecalculateAndPrepareToPaint(nullptr);
    movePictureToScroll();
    m_SchedulePicture->refresh();
}

// --- Calendar tab -------------------------------------------------------------------------

void SchedulePage::setDayTypeComboToOnlyFirst() {
    m_ClickedDayTypeItem = 0; // the item clicked last is gone
    m_DayTypeCombo->ClearItems();
    m_DayTypeCombo->AddItem(m_Host.Text(610));
    m_DayTypeCombo->SetSelectedItem(1);
}

void SchedulePage::CalendarArrived() {
    const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar;
    if (!cal) return;
    while (m_DayTypeCombo->ItemCount() >= 2) m_DayTypeCombo->RemoveItem(2);
    if (m_ClickedDayTypeItem >= 2) m_ClickedDayTypeItem = 0; // the item clicked last is gone
    if (m_DayTypeCombo->ItemCount() == 0) m_DayTypeCombo->AddItem(m_Host.Text(610));
    for (int d = 0; d < kDayTypeCount; ++d)
        m_DayTypeCombo->AddItem(ToQString(cal->GetDayTypeFullName(m_State, d)), d >= 7 ? d - 6 : 0);
    while (m_ActiveMenu->Count() >= 2) m_ActiveMenu->Unload();
    for (int n = 0; n < 16; ++n) {
        if (n > 0) m_ActiveMenu->Load();
        m_ActiveMenu->SetCaption(n, ToQString(cal->GetDayTypeFullName(m_State, n + 7)));
    }
    RedrawCalendar();
}

void SchedulePage::CalendarSaved() {
    const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar;
    if (!cal) return;
    for (int d = 7; d < kDayTypeCount; ++d)
        m_DayTypeCombo->SetItemText(d + 2, ToQString(cal->GetDayTypeFullName(m_State, d)));
    RedrawCalendar();
}

void SchedulePage::Combo_Calendar_DayType_Click() { m_ClickedDayTypeItem = m_DayTypeCombo->SelectedItem(); }

void SchedulePage::Combo_Calendar_DayType_KeyPress(int& keyAscii) {
    if (keyAscii != 13) return;
    keyAscii = 0;
    const int n = m_ClickedDayTypeItem;
    if (n <= 8 || n > m_DayTypeCombo->ItemCount()) return;
    const QString typed = m_DayTypeCombo->EditText();
    m_DayTypeCombo->SetItemText(n, typed);
    if (const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar) {
        cal->SetDayTypeFullName(n - 2, FromQString(typed));
        m_ActiveMenu->SetCaption(n - 9, ToQString(cal->GetDayTypeFullName(m_State, n - 2)));
    }
    m_DayTypeCombo->SetSelectedItem(n);
}

void SchedulePage::RedrawCalendar() {
    const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar;
    if (!cal || !m_Month) return;
    m_Month->RecalculateAndPrepareToPaint(*cal);
    m_CalendarPicture->refresh();
}

void SchedulePage::Picture_Calendar_MouseDown(int button, int shift, double x, double y) {
    if (const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar)
        m_Month->MouseDown(*cal, *m_CalendarPicture, button, shift, x, y);
}

void SchedulePage::Picture_Calendar_MouseMove(int button, int shift, double x, double y) {
    if (const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar)
        m_Month->MouseMove(*cal, *m_CalendarPicture, button, shift, x, y);
}

void SchedulePage::Picture_Calendar_MouseUp(int button, int shift, double x, double y) {
    if (m_State.SharedCalendar) m_Month->MouseUp(button, shift, x, y);
}

void SchedulePage::Picture_Calendar_Paint() {
    if (const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar) m_Month->Paint(*cal, *m_CalendarPicture);
}

void SchedulePage::Text_Calendar_Month_Click() {
    const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar;
    if (!cal) return;
    ShowToday(*cal);
    RedrawCalendar();
}

void SchedulePage::Command_Calendar_ChangeMonth_Click(int index) {
    const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar;
    if (!cal) return;
    int month = cal->m_SelectedMonth;
    int year = cal->m_SelectedYear;
    if (index == 0) {
        --month;
        if (month < 1) {
            if (year <= 2000) month = 1;
            else {
                --year;
                month = 12;
            }
        }
    } else {
        ++month;
        if (month > 12) {
            if (year >= 2039) month = 12;
            else {
                ++year;
                month = 1;
            }
        }
    }
    if (month == cal->m_SelectedMonth && year == cal->m_SelectedYear) return;
    cal->m_SelectedMonth = static_cast<int16_t>(month);
    cal->m_SelectedYear = static_cast<int16_t>(year);
    RedrawCalendar();
}

void SchedulePage::Command_Calendar_ChangeEvent_Click(int index) {
    const std::shared_ptr<cCalendar> cal = m_State.SharedCalendar;
    if (!cal) return;
    int found = -1;
    if (index == 1) {
        for (int d = cal->m_ActualMonthOffset + cal->m_DaysInActualMonth; d < kCalendarDays; ++d)
            if (d >= 0 && cal->GetDayType(d) != 0) {
                found = d;
                break;
            }
    } else {
        for (int d = std::min(cal->m_ActualMonthOffset - 1, kCalendarDays - 1); d >= 0; --d)
            if (cal->GetDayType(d) != 0) {
                found = d;
                break;
            }
    }
    if (found < 0) return;
    const QDate day = kFirstDay.addDays(found);
    if (day.month() == cal->m_SelectedMonth && day.year() == cal->m_SelectedYear) return;
    cal->m_SelectedMonth = static_cast<int16_t>(day.month());
    cal->m_SelectedYear = static_cast<int16_t>(day.year());
    RedrawCalendar();
}

void SchedulePage::Command_Calendar_ImportSpecialDays_Click() {
    ClientState& s = m_State;
    const platform::MessageResult answer =
        platform::ShowMessage(m_Host.Text(472) + QStringLiteral(" ?"), QString(), platform::MessageIcon::Question,
                              platform::MessageButtons::YesNo, m_Host.BoxParent());
    if (answer == platform::MessageResult::Yes && s.SharedCalendar)
        for (const auto& label : s.HolidayLabels)
            if (label) s.SharedCalendar->SetDayType(label->m_Day, label->m_DayType);
    RedrawCalendar();
}

void SchedulePage::Command_Calendar_RemoveAll_Click() {
    ClientState& s = m_State;
    const platform::MessageResult answer = platform::ShowMessage(
        m_Host.Text(853), QString(), platform::MessageIcon::Question, platform::MessageButtons::YesNo, m_Host.BoxParent());
    if (answer == platform::MessageResult::Yes && s.SharedCalendar)
        for (int d = 0; d < kCalendarDays; ++d) s.SharedCalendar->SetDayType(d, 0);
    RedrawCalendar();
}

// The month caption's click, and Enter in a period box.
bool SchedulePage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease && watched == m_CalendarMonth)
        platform::RunGuarded("Text_Calendar_Month_Click", [&] { Text_Calendar_Month_Click(); });
    if (type == QEvent::KeyPress && (watched == m_PeriodStart || watched == m_PeriodStop)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            platform::RunGuarded("Text_Schedule_Period_KeyPress", [&] { periodTextEnter(); });
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- Editor host operations -----------------------------------------------------------------

void SchedulePage::Draw_ImageList_ListImages(int32_t ListImage, PaintSurface& hDC, int32_t x, int32_t y, int16_t Style) {
    hDC.drawImage(ListImage, x, y, Style == 1);
}
int16_t SchedulePage::Get_ImageList_ImageHeight() { return platform::kDayTypeImageSize; }
int16_t SchedulePage::Get_ImageList_ImageWidth() { return platform::kDayTypeImageSize; }
int16_t SchedulePage::Get_Check_TimeSchedule_ViewDayType() { return static_cast<int16_t>(m_CheckViewDayType->Value()); }
bool SchedulePage::Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() { return m_ScheduleGroupedMonFri->Checked(); }
int32_t SchedulePage::Get_Picture_TimeSchedule_Frame_ScaleHeight() { return m_ScheduleFrame->contentsRect().height(); }
int32_t SchedulePage::Get_Picture_TimeSchedule_Frame_ScaleWidth() { return m_ScheduleFrame->contentsRect().width(); }
Bytes SchedulePage::Get_Text_Schedule_Period_Start() { return FromQString(m_PeriodStart->text()); }
Bytes SchedulePage::Get_Text_Schedule_Period_Stop() { return FromQString(m_PeriodStop->text()); }
int32_t SchedulePage::Get_VScroll_Schedule_Left() { return m_ScheduleScroll->x(); }
int32_t SchedulePage::Get_VScroll_Schedule_Width() { return m_ScheduleScroll->width(); }
void SchedulePage::Set_Menu_TimeSchedulePopup_Delete_Enabled(bool v) { m_ScheduleDelete->SetEnabled(v); }
void SchedulePage::Set_Menu_TimeSchedulePopup_Grouped_Checked(bool v) { m_ScheduleGrouped->SetChecked(v); }
void SchedulePage::Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(bool v) { m_ScheduleGroupedMonFri->SetChecked(v); }
void SchedulePage::Set_Menu_TimeSchedulePopup_Paste_Enabled(bool v) { m_SchedulePaste->SetEnabled(v); }
void SchedulePage::Set_Picture_TimeSchedule_Height(int32_t v) { m_SchedulePicture->resize(m_SchedulePicture->width(), v); }
void SchedulePage::Set_Picture_TimeSchedule_Left(int32_t v) { m_SchedulePicture->move(v, m_SchedulePicture->y()); }
void SchedulePage::Set_Picture_TimeSchedule_Top(int32_t v) { m_SchedulePicture->move(m_SchedulePicture->x(), v); }
void SchedulePage::Set_Picture_TimeSchedule_Width(int32_t v) { m_SchedulePicture->resize(v, m_SchedulePicture->height()); }
void SchedulePage::Set_Text_Schedule_Period_Start(std::string_view v) { m_PeriodStart->setText(ToQString(v)); }
void SchedulePage::Set_Text_Schedule_Period_Stop(std::string_view v) { m_PeriodStop->setText(ToQString(v)); }
void SchedulePage::Set_Text_Schedule_Time(std::string_view v) { m_ScheduleTime->setText(ToQString(v)); }
void SchedulePage::Set_VScroll_Schedule_Height(int32_t v) { m_ScheduleScroll->resize(m_ScheduleScroll->width(), v); }
void SchedulePage::Set_VScroll_Schedule_Left(int32_t v) { m_ScheduleScroll->move(v, m_ScheduleScroll->y()); }
void SchedulePage::Set_VScroll_Schedule_Max(int32_t v) { m_ScheduleScroll->setMaximum(v); }
void SchedulePage::Set_VScroll_Schedule_Min(int32_t v) { m_ScheduleScroll->setMinimum(v); }
void SchedulePage::Set_VScroll_Schedule_Top(int32_t v) { m_ScheduleScroll->move(m_ScheduleScroll->x(), v); }
void SchedulePage::Set_VScroll_Schedule_Width(int32_t v) { m_ScheduleScroll->resize(v, m_ScheduleScroll->height()); }
bool SchedulePage::Get_Combo_Calendar_DayType_SelectedItem() { return m_DayTypeCombo->SelectedItem() > 0; }
int16_t SchedulePage::Get_Combo_Calendar_DayType_SelectedItem_Index() {
    return static_cast<int16_t>(m_DayTypeCombo->SelectedItem());
}
Bytes SchedulePage::Get_Combo_Calendar_DayType_ComboItems(int32_t Index) {
    return FromQString(m_DayTypeCombo->ItemText(Index));
}
void SchedulePage::Set_Text_Calendar_Month(std::string_view v) { m_CalendarMonth->setText(ToQString(v)); }

Bytes SchedulePage::monthYearText(int year, int month) {
    const QLocale locale = QLocale::system();
    return FromQString(locale.standaloneMonthName(month, QLocale::LongFormat) + QLatin1Char(' ') + QString::number(year));
}

WeekRule SchedulePage::weekRule() {
    const int first = static_cast<int>(QLocale::system().firstDayOfWeek()) - 1; // Qt: Monday = 1
    // Where weeks start on Monday, week 1 is the first with four days of the new year
    // (ISO 8601); where they start on another day it is the week holding 1 January.
    return {first, first == 0 ? 4 : 1};
}

} // namespace korvel::profiles
