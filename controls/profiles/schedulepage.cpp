// The profiles editor: the tab control, the schedule tab and the calendar tab.

#include "controls/profiles/profilescomponent.h"

#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"
#include "platform/dialogservice.h"
#include "platform/socketcontrol.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/tabstrip.h"

#include <QDate>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

const QDate kFirstDay(2000, 1, 1);

// Day index of the first day of a month (day 0 = 2000-01-01) and the month's length.
int MonthOffset(int year, int month) { return static_cast<int>(kFirstDay.daysTo(QDate(year, month, 1))); }
int DaysInMonth(int year, int month) { return QDate(year, month, 1).daysInMonth(); }

} // namespace

void Component::send(int type, const Bytes& body) {
    // Every instance shares the state: the shared procedures send on the socket the
    // state points at, so point it at this instance's own first.
    State().ServerSocket = &Winsock_ActiveXClient();
    Send(type, body);
}

void Component::connectScheduleHandlers() {
    connect(m_ScheduleScroll, &QScrollBar::valueChanged, this, [this](int value) {
        m_SchedulePicture->move(m_SchedulePicture->x(), static_cast<int>(-(25.0 / 4.0) * value));
    });
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
    if (m_ScheduleScroll)
        m_SchedulePicture->move(m_SchedulePicture->x(), static_cast<int>(-(25.0 / 4.0) * m_ScheduleScroll->value()));
    repaintSchedule();
}

void Component::repaintSchedule() {
    if (m_SchedulePicture) m_SchedulePicture->update();
}

void Component::periodTextEnter() {}

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
    refreshSchedule();
}

// --- Calendar tab -------------------------------------------------------------------------

void Component::RedrawCalendar() {
    const std::shared_ptr<cCalendar> cal = State().SharedCalendar;
    if (!cal) return;
    if (cal->m_SelectedYear >= 2000 && cal->m_SelectedYear <= 2039 && cal->m_SelectedMonth >= 1 &&
        cal->m_SelectedMonth <= 12) {
        cal->m_ActualMonthOffset = MonthOffset(cal->m_SelectedYear, cal->m_SelectedMonth);
        cal->m_DaysInActualMonth = DaysInMonth(cal->m_SelectedYear, cal->m_SelectedMonth);
    }
    if (m_CalendarPicture) m_CalendarPicture->update();
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
