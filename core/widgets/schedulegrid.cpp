#include "core/widgets/schedulegrid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

namespace korvel {
namespace {

constexpr Colour kHourLineGrey = Colour::Rgb(148, 148, 148);

// A real position taken to the nearest whole pixel (halves to even).
int Nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

int32_t ClampMinute(int32_t minute) { return std::clamp<int32_t>(minute, 0, kMinutesPerDay); }

bool IsDayType(int d) { return d >= 0 && d < kDayTypeCount; }

} // namespace

Bytes HourMinuteText(int32_t minute) {
    auto two = [](int32_t v) {
        std::string s = "00" + std::to_string(v);
        return s.substr(s.size() - 2);
    };
    return two(minute / 60) + ":" + two(minute % 60);
}

ScheduleGrid::ScheduleGrid(std::shared_ptr<cTimeSchedule> schedule, EditorHost& host, ClientState& state)
    : m_Schedule(std::move(schedule)), m_ParentContainer(host), m_State(state) {
    if (!m_Schedule) m_Schedule = std::make_shared<cTimeSchedule>();
}

void ScheduleGrid::SetAssociatedCalendar(std::shared_ptr<const cCalendar> AssociatedCalendar) {
    m_AssociatedCalendar = std::move(AssociatedCalendar);
}

const cCalendar& ScheduleGrid::NamingCalendar() const {
    // Without a calendar the weekdays are still named (from the server's texts) and the
    // special day types have no names.
    static const cCalendar noCalendar;
    return m_AssociatedCalendar ? *m_AssociatedCalendar : noCalendar;
}

void ScheduleGrid::RecalculateAndPrepareToPaint(PaintSurface* SchedulePaintObject) {
    cTimeSchedule& s = *m_Schedule;
    if (!m_SchedulePaintObject) m_SchedulePaintObject = SchedulePaintObject;
    EditorHost& host = m_ParentContainer;

    s.m_NumberOfAxisToPaint = 0;
    host.Set_VScroll_Schedule_Top(0);
    host.Set_VScroll_Schedule_Left(host.Get_Picture_TimeSchedule_Frame_ScaleWidth() - host.Get_VScroll_Schedule_Width());
    host.Set_VScroll_Schedule_Height(host.Get_Picture_TimeSchedule_Frame_ScaleHeight());

    int rows = 0;
    for (int d = 0; d < kDayTypeCount; ++d) rows += s.m_Active[d] != 0;
    if (s.m_UseCalendar == 0) rows = 7;
    s.m_NumberOfAxisToPaint = static_cast<int16_t>(rows);

    // Fewer than 7 rows fit without scrolling: the maximum stays 0.
    host.Set_VScroll_Schedule_Max(std::max(0, (rows - 7) * kScrollUnitsPerRow));
    host.Set_Picture_TimeSchedule_Left(0);
    host.Set_Picture_TimeSchedule_Top(0);
    host.Set_Picture_TimeSchedule_Width(host.Get_VScroll_Schedule_Left());
    host.Set_Picture_TimeSchedule_Height(rows * kGridRowPitch + kGridBarTop);

    int16_t row = 0;
    for (int d = 0; d < kDayTypeCount; ++d) {
        s.m_AxisIndex[d] = row;
        if (s.m_Active[d] != 0) ++row;
    }
}

void ScheduleGrid::Paint(const std::shared_ptr<const cCalendar>& AssociatedCalendar) {
    SetAssociatedCalendar(AssociatedCalendar);
    Paint();
}

void ScheduleGrid::Paint() {
    PaintSurface* surface = m_SchedulePaintObject;
    if (!surface) return;
    const cTimeSchedule& s = *m_Schedule;
    const int rows = s.m_NumberOfAxisToPaint;
    for (int h = 0; h <= 24; ++h) {
        const int x = kGridLeft + 12 * h;
        surface->drawLine(x, 0, x, rows * kGridRowPitch, kHourLineGrey);
    }
    for (int r = 0; r < rows; ++r) {
        surface->drawLine(kGridLeft, 25 * r + 24, kGridRight, 25 * r + 24, kBlack);
        surface->drawLine(kGridLeft, 25 * r + 25, kGridRight, 25 * r + 25, kWhite);
    }
    for (int d = 0; d < kDayTypeCount; ++d) {
        if (s.m_Active[d] != 0) PaintDayTypeAxis(d);
    }
}

void ScheduleGrid::PaintDayTypeAxis(int dayType, const std::shared_ptr<const cCalendar>& AssociatedCalendar) {
    SetAssociatedCalendar(AssociatedCalendar);
    PaintDayTypeAxis(dayType);
}

void ScheduleGrid::PaintDayTypeAxis(int dayType) {
    PaintSurface* surface = m_SchedulePaintObject;
    if (!surface || !IsDayType(dayType)) return;
    const cTimeSchedule& s = *m_Schedule;
    // A day type without a row of its own (switched off, or beyond the grid's rows)
    // shares its row index with the next active one: drawing it would cover that row.
    if (s.m_Active[dayType] == 0 || s.m_AxisIndex[dayType] < 0 || s.m_AxisIndex[dayType] >= s.m_NumberOfAxisToPaint)
        return;
    const int top = kGridRowPitch * s.m_AxisIndex[dayType] + kGridBarTop;

    surface->drawLine(kGridRight, 0, kGridRight, kGridRowPitch, kHourLineGrey);
    for (int i = 0; i < kGridBarLines; ++i) {
        const int g = 220 - 7 * i;
        surface->drawLine(kGridLeft, top + i, kGridRight, top + i, Colour::Rgb(g, g, g));
    }
    for (const PeriodPtr& period : s.m_Periods[dayType]) {
        // Minutes outside the day (a period string is stored as read) are drawn at the
        // axis's ends rather than across the labels.
        const int xs = Nearest(kGridLeft + ClampMinute(period->m_StartMinute) / 5.0);
        const int xe = Nearest(kGridLeft + (ClampMinute(period->m_StopMinute) + 1) / 5.0);
        const int darker = period == s.m_SelectedPeriod ? 64 : 0;
        for (int i = 0; i < kGridBarLines; ++i)
            surface->drawLine(xs, top + i, xe, top + i, Colour::Rgb(0, 240 - 7 * i - darker, 0));
        surface->drawLine(xs, top, xs, top + kGridBarLines, kBlack);
        surface->drawLine(xe, top, xe, top + kGridBarLines, kBlack);
    }

    const cCalendar& calendar = NamingCalendar();
    if (dayType < kFirstSpecialDayType) {
        const Bytes name = calendar.GetDayTypeShortName(m_State, dayType);
        const int y = top + Nearest((kGridBarLines - surface->textHeight("8")) / 2.0);
        surface->drawText(kGridLeft - surface->textWidth(name) - 2, y, name);
    } else {
        const int width = m_ParentContainer.Get_ImageList_ImageWidth();
        const int height = m_ParentContainer.Get_ImageList_ImageHeight();
        // The host takes the position in whole pixels: the sum goes to the nearest one.
        m_ParentContainer.Draw_ImageList_ListImages(dayType - 6, *surface, kGridLeft - width - 4,
                                                    Nearest(top + (kGridBarLines - height) / 2.0));
    }
    if (m_ParentContainer.Get_Check_TimeSchedule_ViewDayType() != 0) {
        const Bytes name = calendar.GetDayTypeFullName(m_State, dayType);
        const int y = top + Nearest((kGridBarLines - surface->textHeight("8")) / 2.0);
        const int width = kGridRight - kGridLeft;
        surface->drawText(Nearest((width - surface->textWidth(name)) / 2.0) + kGridLeft, y, name);
    }
    if (s.m_Grouped[dayType] != 0) {
        static constexpr int kMarkGrey[5] = {255, 245, 235, 225, 205};
        for (int i = 0; i < 5; ++i) {
            const int g = kMarkGrey[i];
            surface->drawLine(kGridRight - 1, top + i, kGridRight - 1 - (5 - i), top + i, Colour::Rgb(g, g, g));
        }
    }
}

int32_t ScheduleGrid::GetMinuteAtPosition(double x, double y, int& row) {
    const int rows = m_Schedule->m_NumberOfAxisToPaint;
    if (!(y < rows * kGridRowPitch) || y <= kGridBarTop) return kHitOutsideRows; // also NaN
    if (x < kGridLeft) return kHitLeftOfAxis;
    if (!(x < kGridRight + 1)) return kHitRightOfAxis;
    // A fractional x just left of 319 would give more than 1440 minutes.
    const int32_t minute = ClampMinute(Nearest((x - kGridLeft) * kMinutesPerPixel));
    m_ParentContainer.Set_Text_Schedule_Time(HourMinuteText(minute));
    row = static_cast<int>(std::floor((y - kGridBarTop) / kGridRowPitch));
    return minute;
}

int ScheduleGrid::DayTypeOfRow(int row) const {
    const cTimeSchedule& s = *m_Schedule;
    for (int d = 0; d < kDayTypeCount; ++d)
        if (s.m_Active[d] != 0 && s.m_AxisIndex[d] == row) return d;
    return -1;
}

void ScheduleGrid::ShowPeriodTexts(int32_t start, int32_t stop) {
    m_ParentContainer.Set_Text_Schedule_Period_Start(HourMinuteText(start));
    m_ParentContainer.Set_Text_Schedule_Period_Stop(HourMinuteText(stop));
}

void ScheduleGrid::MouseDown(int Button, int /*Shift*/, double x, double y,
                             const std::shared_ptr<const cCalendar>& AssociatedCalendar) {
    SetAssociatedCalendar(AssociatedCalendar);
    cTimeSchedule& s = *m_Schedule;
    m_LastButton = static_cast<int16_t>(Button);
    int row = 0;
    const int32_t minute = GetMinuteAtPosition(x, y, row);
    if (minute < 0) return;
    const int d = DayTypeOfRow(row);
    if (d < 0) return;
    const int32_t previous = s.m_SelectedDayType;
    s.m_SelectedDayType = d;

    if (Button == kLeftButton) {
        s.m_SelectedPeriod = nullptr;
        if (previous >= 0) PaintDayTypeAxis(static_cast<int>(previous));
        for (const PeriodPtr& period : s.m_Periods[d]) {
            if (period->m_StartMinute <= minute && minute <= period->m_StopMinute) {
                s.m_SelectedPeriod = period;
                s.m_EditStartMinute = period->m_StartMinute;
                s.m_EditStopMinute = period->m_StopMinute;
                break;
            }
        }
        m_DragAnchorMinute = minute;
        m_DragMode = 3;
        m_DragPeriod = nullptr;
        for (const PeriodPtr& period : s.m_Periods[d]) {
            if (std::abs(period->m_StartMinute - minute) <= 14) {
                m_DragMode = 1;
                m_DragAnchorMinute = period->m_StartMinute;
            } else if (std::abs(period->m_StopMinute - minute) <= 14) {
                m_DragMode = 2;
                m_DragAnchorMinute = period->m_StopMinute;
            } else {
                continue;
            }
            m_DragPeriod = period;
            if (m_SchedulePaintObject) m_SchedulePaintObject->setPointer(PointerShape::SizeWestEast);
            break;
        }
        m_DragDayType = static_cast<int16_t>(d);
        if (!s.m_SelectedPeriod) {
            m_ParentContainer.Set_Text_Schedule_Period_Start("");
            m_ParentContainer.Set_Text_Schedule_Period_Stop("");
        } else {
            ShowPeriodTexts(s.m_EditStartMinute, s.m_EditStopMinute);
        }
    } else if (Button == kRightButton) {
        bool monFri = true;
        for (int e = 0; e < kDayTypeCount; ++e) monFri = monFri && ((s.m_Grouped[e] != 0) == (e < 5));
        m_ParentContainer.Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(monFri);
        m_ParentContainer.Set_Menu_TimeSchedulePopup_Grouped_Checked(s.m_Grouped[d] != 0);
        m_ParentContainer.Set_Menu_TimeSchedulePopup_Paste_Enabled(s.m_CopiedDayType >= 0);
        m_ParentContainer.Set_Menu_TimeSchedulePopup_Delete_Enabled(s.m_SelectedDayType >= 0);
    }
}

void ScheduleGrid::MouseMove(int /*Button*/, int /*Shift*/, double x, double y,
                             const std::shared_ptr<const cCalendar>& AssociatedCalendar) {
    SetAssociatedCalendar(AssociatedCalendar);
    cTimeSchedule& s = *m_Schedule;
    int row = 0;
    const int32_t minute = GetMinuteAtPosition(x, y, row);
    if (minute < 0) return;
    if (m_DragMode == 3 && !m_DragPeriod && std::abs(minute - m_DragAnchorMinute) >= 6 &&
        IsDayType(m_DragDayType)) {
        if (m_SchedulePaintObject) m_SchedulePaintObject->setPointer(PointerShape::SizeWestEast);
        m_DragPeriod = std::make_shared<cTimeSchedulePeriod>();
        s.m_Periods[m_DragDayType].push_back(m_DragPeriod);
        s.m_SelectedPeriod = m_DragPeriod;
    }
    if (!m_DragPeriod) return;
    cTimeSchedulePeriod& p = *m_DragPeriod;
    const auto value = static_cast<int16_t>(minute);
    if (m_DragMode == 1) {
        p.m_StartMinute = value;
    } else if (m_DragMode == 2) {
        p.m_StopMinute = value;
    } else if (m_DragMode == 3) {
        p.m_StartMinute = static_cast<int16_t>(m_DragAnchorMinute);
        p.m_StopMinute = value;
    }
    if (p.m_StopMinute < p.m_StartMinute) {
        std::swap(p.m_StartMinute, p.m_StopMinute);
        if (m_DragMode == 1) m_DragMode = 2;
        else if (m_DragMode == 2) m_DragMode = 1;
    }
    PaintDayTypeAxis(m_DragDayType);
    ShowPeriodTexts(p.m_StartMinute, p.m_StopMinute);
}

void ScheduleGrid::MouseUp(int /*Button*/, int /*Shift*/, double /*x*/, double /*y*/,
                           const std::shared_ptr<const cCalendar>& AssociatedCalendar) {
    SetAssociatedCalendar(AssociatedCalendar);
    if (m_DragMode == 0) return;
    if (m_SchedulePaintObject) m_SchedulePaintObject->setPointer(PointerShape::Default);
    m_DragMode = 0;
    m_DragPeriod = nullptr;
    cTimeSchedule& s = *m_Schedule;
    s.CopyToGroupedDayTypes(*this, s.m_SelectedDayType);
    s.MergeOverlappingPeriods(m_DragDayType);
    PaintDayTypeAxis(m_DragDayType);
    // The boxes showed the dragged period as it was before the merge (or another period
    // than the selected one); Enter would write those times into the selected period.
    if (s.m_SelectedPeriod) {
        s.m_EditStartMinute = s.m_SelectedPeriod->m_StartMinute;
        s.m_EditStopMinute = s.m_SelectedPeriod->m_StopMinute;
        ShowPeriodTexts(s.m_EditStartMinute, s.m_EditStopMinute);
    }
}

Bytes ScheduleGrid::Get_Text_Schedule_Period_Start() { return m_ParentContainer.Get_Text_Schedule_Period_Start(); }
Bytes ScheduleGrid::Get_Text_Schedule_Period_Stop() { return m_ParentContainer.Get_Text_Schedule_Period_Stop(); }
void ScheduleGrid::Set_Text_Schedule_Period_Start(std::string_view text) {
    m_ParentContainer.Set_Text_Schedule_Period_Start(text);
}
void ScheduleGrid::Set_Text_Schedule_Period_Stop(std::string_view text) {
    m_ParentContainer.Set_Text_Schedule_Period_Stop(text);
}
bool ScheduleGrid::Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() {
    return m_ParentContainer.Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked();
}

} // namespace korvel
