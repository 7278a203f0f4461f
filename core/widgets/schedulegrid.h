#pragma once
// The schedule grid: the graphical editor of a weekly time schedule. One 24-hour axis per
// row (one row per day type in the grid), the periods drawn as green bars; a left press
// and drag draws a new period or moves an edge of one, a right press prepares the host's
// pop-up menu. The grid owns no window: it draws on the host's PaintSurface and reaches
// the host's other widgets through EditorHost.
//
// Geometry in surface pixels: 00:00 at x = 30, 5 minutes per pixel, 24:00 at x = 318;
// row r spans y = 25r .. 25r + 24 and its bar the 15 lines y = 25r + 4 .. 25r + 18.
//
// The grid is also the ScheduleView of its schedule: pass it to the schedule's editing
// operations (Delete, Paste, Group, ...) and they repaint the rows they change, with the
// calendar last given to the grid.

#include "core/clientstate.h"
#include "core/records/calendar.h"
#include "core/records/timeschedule.h"
#include "core/widgets/editorhost.h"
#include "core/widgets/paintsurface.h"

#include <cstdint>
#include <memory>

namespace korvel {

inline constexpr int kGridLeft = 30;       // x of 00:00
inline constexpr int kGridRight = 318;     // x of 24:00
inline constexpr int kGridRowPitch = 25;
inline constexpr int kGridBarTop = 4;      // bar top within a row
inline constexpr int kGridBarLines = 15;
inline constexpr int kMinutesPerPixel = 5;
inline constexpr int kScrollUnitsPerRow = 4;

// Result of the grid's hit test outside the axes.
inline constexpr int kHitOutsideRows = -3;
inline constexpr int kHitLeftOfAxis = -2;
inline constexpr int kHitRightOfAxis = -1;

// "hh:mm" of a minute of the day: 450 gives 07:30, 1440 gives 24:00.
Bytes HourMinuteText(int32_t minute);

class ScheduleGrid final : public ScheduleView {
public:
    ScheduleGrid(std::shared_ptr<cTimeSchedule> schedule, EditorHost& host, ClientState& state);

    cTimeSchedule& Schedule() { return *m_Schedule; }
    const cTimeSchedule& Schedule() const { return *m_Schedule; }

    // Counts the rows, lays out the surface and the scroll bar through the host and gives
    // every day type its row. The first surface given becomes the grid's surface.
    void RecalculateAndPrepareToPaint(PaintSurface* SchedulePaintObject = nullptr);
    // Draws the whole grid (nothing without a surface).
    void Paint(const std::shared_ptr<const cCalendar>& AssociatedCalendar);
    // Draws the row of one day type.
    void PaintDayTypeAxis(int dayType, const std::shared_ptr<const cCalendar>& AssociatedCalendar);

    // Button 1 = left, 2 = right; x and y in surface pixels.
    void MouseDown(int Button, int Shift, double x, double y,
                   const std::shared_ptr<const cCalendar>& AssociatedCalendar);
    void MouseMove(int Button, int Shift, double x, double y,
                   const std::shared_ptr<const cCalendar>& AssociatedCalendar);
    void MouseUp(int Button, int Shift, double x, double y,
                 const std::shared_ptr<const cCalendar>& AssociatedCalendar);

    // The calendar that names the day types in repaints asked for by the schedule's
    // editing operations (every call above that takes one also sets it).
    void SetAssociatedCalendar(std::shared_ptr<const cCalendar> AssociatedCalendar);

    PaintSurface* Surface() const { return m_SchedulePaintObject; }
    int16_t DragMode() const { return m_DragMode; }
    const PeriodPtr& DragPeriod() const { return m_DragPeriod; }
    int16_t DragDayType() const { return m_DragDayType; }
    int16_t LastButton() const { return m_LastButton; }

    // ScheduleView: the host's period boxes and menu mark; repaints on the grid's surface.
    Bytes Get_Text_Schedule_Period_Start() override;
    Bytes Get_Text_Schedule_Period_Stop() override;
    void Set_Text_Schedule_Period_Start(std::string_view text) override;
    void Set_Text_Schedule_Period_Stop(std::string_view text) override;
    bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override;
    void PaintDayTypeAxis(int dayType) override;
    void Paint() override;

private:
    // Minute 0..1440 under (x, y) and the row, or kHitOutsideRows / kHitLeftOfAxis /
    // kHitRightOfAxis. Shows the minute in the host's time box.
    int32_t GetMinuteAtPosition(double x, double y, int& row);
    int DayTypeOfRow(int row) const;
    const cCalendar& NamingCalendar() const;
    void ShowPeriodTexts(int32_t start, int32_t stop);

    std::shared_ptr<cTimeSchedule> m_Schedule;
    EditorHost& m_ParentContainer;
    ClientState& m_State;
    PaintSurface* m_SchedulePaintObject = nullptr;
    std::shared_ptr<const cCalendar> m_AssociatedCalendar;

    int16_t m_DragMode = 0; // 0 idle, 1 start edge, 2 stop edge, 3 new period
    PeriodPtr m_DragPeriod;
    int16_t m_DragDayType = 0;
    int32_t m_DragAnchorMinute = 0;
    int16_t m_LastButton = 0;
};

} // namespace korvel
