// The profiles editor: the tab control, the schedule tab and the calendar tab.

#include "controls/profiles/profilescomponent.h"

#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"
#include "core/widgets/calendarmonth.h"
#include "core/widgets/schedulegrid.h"
#include "platform/dialogservice.h"
#include "platform/iconstore.h"
#include "platform/checkbox.h"
#include "platform/imagecombo.h"
#include "platform/paintsurface.h"
#include "platform/socketcontrol.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/tabstrip.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QDate>
#include <QLocale>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <cmath>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

const QDate kFirstDay(2000, 1, 1);

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

} // namespace

void Component::send(int type, const Bytes& body) {
    // Every instance shares the state: the shared procedures send on the socket the
    // state points at, so point it at this instance's own first.
    State().ServerSocket = &Winsock_ActiveXClient();
    Send(type, body);
}

void Component::connectScheduleHandlers() {
    connect(m_ScheduleScroll, &QScrollBar::valueChanged, this, [this](int) { movePictureToScroll(); });
    m_SchedulePicture->installEventFilter(new WheelToScrollBar(m_ScheduleScroll, m_SchedulePicture));
    connect(m_SchedulePicture, &platform::PaintSurfaceWidget::mousePressed, this, &Component::Picture_TimeSchedule_MouseDown);
    connect(m_SchedulePicture, &platform::PaintSurfaceWidget::mouseMoved, this, &Component::Picture_TimeSchedule_MouseMove);
    connect(m_SchedulePicture, &platform::PaintSurfaceWidget::mouseReleased, this, &Component::Picture_TimeSchedule_MouseUp);
    connect(m_SchedulePicture, &platform::PaintSurfaceWidget::paintRequested, this, &Component::Picture_TimeSchedule_Paint);
    connect(m_ScheduleHeader, &platform::PaintSurfaceWidget::paintRequested, this, &Component::Picture_TimeScheduleHeader_Paint);
    connect(m_CalendarPicture, &platform::PaintSurfaceWidget::mousePressed, this, &Component::Picture_Calendar_MouseDown);
    connect(m_CalendarPicture, &platform::PaintSurfaceWidget::mouseMoved, this, &Component::Picture_Calendar_MouseMove);
    connect(m_CalendarPicture, &platform::PaintSurfaceWidget::mouseReleased, this, &Component::Picture_Calendar_MouseUp);
    connect(m_CalendarPicture, &platform::PaintSurfaceWidget::paintRequested, this, &Component::Picture_Calendar_Paint);
    using platform::MenuItem;
    connect(m_ScheduleCopy, &MenuItem::Click, this, [this] { m_Grid->Schedule().Copy(); });
    connect(m_SchedulePaste, &MenuItem::Click, this, [this] { m_Grid->Schedule().Paste(*m_Grid); });
    connect(m_ScheduleDelete, &MenuItem::Click, this, [this] { m_Grid->Schedule().Delete(State(), *m_Grid); });
    connect(m_ScheduleAllDay, &MenuItem::Click, this, [this] { m_Grid->Schedule().SetTimeFrom00to24(*m_Grid); });
    connect(m_ScheduleInvert, &MenuItem::Click, this, [this] { m_Grid->Schedule().InvertTimeSchedule(*m_Grid); });
    connect(m_ScheduleGrouped, &MenuItem::Click, this, [this] { m_Grid->Schedule().Group(*m_Grid); });
    // The schedule reads the mark the operator saw (on: Monday-Friday are the group, so
    // the choice ungroups them); choosing an entry leaves its mark as it was.
    connect(m_ScheduleGroupedMonFri, &MenuItem::Click, this, [this] { m_Grid->Schedule().GroupMonFri(*m_Grid); });
}

void Component::setPageSchedule(std::shared_ptr<cTimeSchedule> schedule) {
    m_PageSchedule = std::move(schedule);
    m_Grid = std::make_unique<ScheduleGrid>(m_PageSchedule, *this, State());
    m_Grid->SetAssociatedCalendar(State().SharedCalendar);
    if (State().SharedCalendar) State().SharedCalendar->m_AssociatedTimeSchedule = m_PageSchedule;
}

void Component::movePictureToScroll() {
    m_SchedulePicture->move(m_SchedulePicture->x(), PictureTop(m_ScheduleScroll->value()));
}

// --- Tab control --------------------------------------------------------------------------

void Component::SSTab_Profile_BeforeClick() {
    if (m_ConditionEdit->isVisibleTo(m_FrameIncludeExclude)) Text_Condition_Edit_Commit();
}

void Component::SSTab_Profile_Click(int index) {
    for (int i = 0; i < kTabCount; ++i) m_Pages[static_cast<std::size_t>(i)]->setVisible(i == index);
    for (QFrame* line : m_LineDelimiter) line->setVisible(index == 2);
    if (index == 3 && !m_CurrentNode.isEmpty() && m_CurrentProfile && m_CurrentProfile->m_TimeSchedule && m_PageSchedule) {
        try {
            m_CurrentProfile->m_TimeSchedule->ExtractPeriodArray(m_PageSchedule->ComposePeriodArray());
        } catch (...) {
        }
    }
    UserControl_Resize();
}

// --- Schedule tab -------------------------------------------------------------------------

void Component::refreshSchedule() {
    if (!m_Grid) return;
    m_Grid->RecalculateAndPrepareToPaint(m_SchedulePicture);
    movePictureToScroll();
    m_SchedulePicture->refresh();
}

void Component::repaintSchedule() { m_SchedulePicture->refresh(); }

void Component::periodTextEnter() {
    if (m_Grid) m_Grid->Schedule().ExtractTimeFromTextboxes(*m_Grid);
}

void Component::Picture_TimeSchedule_MouseDown(int button, int shift, double x, double y) {
    m_Grid->MouseDown(button, shift, x, y, State().SharedCalendar);
    m_ScheduleButton = button;
}

void Component::Picture_TimeSchedule_MouseMove(int button, int shift, double x, double y) {
    m_Grid->MouseMove(button, shift, x, y, State().SharedCalendar);
}

void Component::Picture_TimeSchedule_MouseUp(int button, int shift, double x, double y) {
    m_Grid->MouseUp(button, shift, x, y, State().SharedCalendar);
    if (m_ScheduleButton == 2) platform::PopupMenu(m_SchedulePopup, QCursor::pos());
}

void Component::Picture_TimeSchedule_Paint() { m_Grid->Paint(State().SharedCalendar); }

void Component::Picture_TimeScheduleHeader_Paint() {
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

void Component::Menu_TimeSchedulePopup_Open() {
    for (int i = 0; i < 16 && i < m_ActiveMenu->Count(); ++i) {
        m_ActiveMenu->SetEnabled(i, m_PageSchedule && m_PageSchedule->m_UseCalendar != 0);
        m_ActiveMenu->SetChecked(i, m_PageSchedule && m_PageSchedule->GetActive(i + 7) != 0);
    }
}

void Component::Menu_TimeSchedulePopup_Active_Click(int index) {
    if (!m_PageSchedule || index < 0 || index >= 16) return;
    const int dayType = index + 7;
    m_PageSchedule->SetActive(dayType, m_PageSchedule->GetActive(dayType) ? 0 : -1);
    m_ActiveMenu->SetChecked(index, m_PageSchedule->GetActive(dayType) != 0);
    m_Grid->RecalculateAndPrepareToPaint(nullptr);
    movePictureToScroll();
    m_SchedulePicture->refresh();
}

// --- Calendar tab -------------------------------------------------------------------------

void Component::RedrawCalendar() {
    const std::shared_ptr<cCalendar> cal = State().SharedCalendar;
    if (!cal || !m_Month) return;
    m_Month->RecalculateAndPrepareToPaint(*cal);
    m_CalendarPicture->refresh();
}

void Component::Picture_Calendar_MouseDown(int button, int shift, double x, double y) {
    if (const std::shared_ptr<cCalendar> cal = State().SharedCalendar)
        m_Month->MouseDown(*cal, *m_CalendarPicture, button, shift, x, y);
}

void Component::Picture_Calendar_MouseMove(int button, int shift, double x, double y) {
    if (const std::shared_ptr<cCalendar> cal = State().SharedCalendar)
        m_Month->MouseMove(*cal, *m_CalendarPicture, button, shift, x, y);
}

void Component::Picture_Calendar_MouseUp(int button, int shift, double x, double y) {
    if (State().SharedCalendar) m_Month->MouseUp(button, shift, x, y);
}

void Component::Picture_Calendar_Paint() {
    if (const std::shared_ptr<cCalendar> cal = State().SharedCalendar) m_Month->Paint(*cal, *m_CalendarPicture);
}

// --- Editor host operations -----------------------------------------------------------------

void Component::Draw_ImageList_ListImages(int32_t ListImage, PaintSurface& hDC, int32_t x, int32_t y, int16_t Style) {
    hDC.drawImage(ListImage, x, y, Style == 1);
}
int16_t Component::Get_ImageList_ImageHeight() { return platform::kDayTypeImageSize; }
int16_t Component::Get_ImageList_ImageWidth() { return platform::kDayTypeImageSize; }
int16_t Component::Get_Check_TimeSchedule_ViewDayType() { return static_cast<int16_t>(m_CheckViewDayType->Value()); }
bool Component::Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() { return m_ScheduleGroupedMonFri->Checked(); }
int32_t Component::Get_Picture_TimeSchedule_Frame_ScaleHeight() { return m_ScheduleFrame->contentsRect().height(); }
int32_t Component::Get_Picture_TimeSchedule_Frame_ScaleWidth() { return m_ScheduleFrame->contentsRect().width(); }
Bytes Component::Get_Text_Schedule_Period_Start() { return FromQString(m_PeriodStart->text()); }
Bytes Component::Get_Text_Schedule_Period_Stop() { return FromQString(m_PeriodStop->text()); }
int32_t Component::Get_VScroll_Schedule_Left() { return m_ScheduleScroll->x(); }
int32_t Component::Get_VScroll_Schedule_Width() { return m_ScheduleScroll->width(); }
void Component::Set_Menu_TimeSchedulePopup_Delete_Enabled(bool v) { m_ScheduleDelete->SetEnabled(v); }
void Component::Set_Menu_TimeSchedulePopup_Grouped_Checked(bool v) { m_ScheduleGrouped->SetChecked(v); }
void Component::Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(bool v) { m_ScheduleGroupedMonFri->SetChecked(v); }
void Component::Set_Menu_TimeSchedulePopup_Paste_Enabled(bool v) { m_SchedulePaste->SetEnabled(v); }
void Component::Set_Picture_TimeSchedule_Height(int32_t v) { m_SchedulePicture->resize(m_SchedulePicture->width(), v); }
void Component::Set_Picture_TimeSchedule_Left(int32_t v) { m_SchedulePicture->move(v, m_SchedulePicture->y()); }
void Component::Set_Picture_TimeSchedule_Top(int32_t v) { m_SchedulePicture->move(m_SchedulePicture->x(), v); }
void Component::Set_Picture_TimeSchedule_Width(int32_t v) { m_SchedulePicture->resize(v, m_SchedulePicture->height()); }
void Component::Set_Text_Schedule_Period_Start(std::string_view v) { m_PeriodStart->setText(ToQString(v)); }
void Component::Set_Text_Schedule_Period_Stop(std::string_view v) { m_PeriodStop->setText(ToQString(v)); }
void Component::Set_Text_Schedule_Time(std::string_view v) { m_ScheduleTime->setText(ToQString(v)); }
void Component::Set_VScroll_Schedule_Height(int32_t v) { m_ScheduleScroll->resize(m_ScheduleScroll->width(), v); }
void Component::Set_VScroll_Schedule_Left(int32_t v) { m_ScheduleScroll->move(v, m_ScheduleScroll->y()); }
void Component::Set_VScroll_Schedule_Max(int32_t v) { m_ScheduleScroll->setMaximum(v); }
void Component::Set_VScroll_Schedule_Min(int32_t v) { m_ScheduleScroll->setMinimum(v); }
void Component::Set_VScroll_Schedule_Top(int32_t v) { m_ScheduleScroll->move(m_ScheduleScroll->x(), v); }
void Component::Set_VScroll_Schedule_Width(int32_t v) { m_ScheduleScroll->resize(v, m_ScheduleScroll->height()); }
bool Component::Get_Combo_Calendar_DayType_SelectedItem() { return m_DayTypeCombo->SelectedItem() > 0; }
int16_t Component::Get_Combo_Calendar_DayType_SelectedItem_Index() {
    return static_cast<int16_t>(m_DayTypeCombo->SelectedItem());
}
Bytes Component::Get_Combo_Calendar_DayType_ComboItems(int32_t Index) { return FromQString(m_DayTypeCombo->ItemText(Index)); }
void Component::Set_Text_Calendar_Month(std::string_view v) { m_CalendarMonth->setText(ToQString(v)); }
Bytes Component::monthYearText(int year, int month) {
    const QLocale locale = QLocale::system();
    return FromQString(locale.standaloneMonthName(month, QLocale::LongFormat) + QLatin1Char(' ') + QString::number(year));
}

WeekRule Component::weekRule() {
    const int first = static_cast<int>(QLocale::system().firstDayOfWeek()) - 1; // Qt: Monday = 1
    // Where weeks start on Monday, week 1 is the first with four days of the new year
    // (ISO 8601); where they start on another day it is the week holding 1 January.
    return {first, first == 0 ? 4 : 1};
}

void Component::Text_Calendar_Month_Click() {
    const std::shared_ptr<cCalendar> cal = State().SharedCalendar;
    if (!cal) return;
    const QDate today = QDate::currentDate();
    cal->m_SelectedYear = static_cast<int16_t>(today.year());
    cal->m_SelectedMonth = static_cast<int16_t>(today.month());
    RedrawCalendar();
}

void Component::Command_Calendar_ChangeMonth_Click(int index) {
    const std::shared_ptr<cCalendar> cal = State().SharedCalendar;
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

void Component::Command_Calendar_ChangeEvent_Click(int index) {
    const std::shared_ptr<cCalendar> cal = State().SharedCalendar;
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

void Component::Command_Calendar_ImportSpecialDays_Click() {
    ClientState& s = State();
    const platform::MessageResult answer =
        platform::ShowMessage(ToQString(GetText(s, 472)) + QStringLiteral(" ?"), QString(),
                              platform::MessageIcon::Question, platform::MessageButtons::YesNo, this);
    if (answer == platform::MessageResult::Yes && s.SharedCalendar)
        for (const auto& label : s.HolidayLabels)
            if (label) s.SharedCalendar->SetDayType(label->m_Day, label->m_DayType);
    RedrawCalendar();
}

void Component::Command_Calendar_RemoveAll_Click() {
    ClientState& s = State();
    const platform::MessageResult answer = platform::ShowMessage(
        ToQString(GetText(s, 853)), QString(), platform::MessageIcon::Question, platform::MessageButtons::YesNo, this);
    if (answer == platform::MessageResult::Yes && s.SharedCalendar)
        for (int d = 0; d < kCalendarDays; ++d) s.SharedCalendar->SetDayType(d, 0);
    RedrawCalendar();
}

} // namespace korvel::profiles
