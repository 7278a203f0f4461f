#pragma once
// The editor host operations: what the schedule grid, the calendar month and the
// schedule's editing operations read from and write to the widgets of the profiles
// editor that hosts them (its schedule picture and frame, scroll bar, period and time
// boxes, pop-up menu items, day-type combo, image list, month caption and "view day
// type" check box). The profiles editor's schedule page implements it and passes itself to the widgets;
// each operation reads or writes one property of one widget.
//
// Positions and sizes are pixels. Texts are Windows-1252 bytes. Flags passed to the
// setters are true/false (the widgets' -1/0).

#include "core/codec.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

class PaintSurface;

// How the user's calendar numbers weeks: weeks start on firstWeekday (0 = Monday ..
// 6 = Sunday) and week 1 is the first week holding at least minDaysInFirstWeek days of
// the new year. The default is ISO 8601.
struct WeekRule {
    int firstWeekday = 0;
    int minDaysInFirstWeek = 4;
};

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // Draws image ListImage of the host's image list on the surface hDC at (x, y);
    // Style 0 draws it normally, 1 transparently.
    virtual void Draw_ImageList_ListImages(int32_t ListImage, PaintSurface& hDC, int32_t x, int32_t y,
                                           int16_t Style = 0) = 0;
    virtual int16_t Get_ImageList_ImageHeight() = 0;
    virtual int16_t Get_ImageList_ImageWidth() = 0;

    // Schedule tab.
    virtual int16_t Get_Check_TimeSchedule_ViewDayType() = 0; // 0 unchecked
    virtual bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() = 0;
    virtual int32_t Get_Picture_TimeSchedule_Frame_ScaleHeight() = 0;
    virtual int32_t Get_Picture_TimeSchedule_Frame_ScaleWidth() = 0;
    virtual Bytes Get_Text_Schedule_Period_Start() = 0;
    virtual Bytes Get_Text_Schedule_Period_Stop() = 0;
    virtual int32_t Get_VScroll_Schedule_Left() = 0;
    virtual int32_t Get_VScroll_Schedule_Width() = 0;
    virtual void Set_Menu_TimeSchedulePopup_Delete_Enabled(bool NewValue) = 0;
    virtual void Set_Menu_TimeSchedulePopup_Grouped_Checked(bool NewValue) = 0;
    virtual void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(bool NewValue) = 0;
    virtual void Set_Menu_TimeSchedulePopup_Paste_Enabled(bool NewValue) = 0;
    virtual void Set_Picture_TimeSchedule_Height(int32_t NewValue) = 0;
    virtual void Set_Picture_TimeSchedule_Left(int32_t NewValue) = 0;
    virtual void Set_Picture_TimeSchedule_Top(int32_t NewValue) = 0;
    virtual void Set_Picture_TimeSchedule_Width(int32_t NewValue) = 0;
    virtual void Set_Text_Schedule_Period_Start(std::string_view NewValue) = 0;
    virtual void Set_Text_Schedule_Period_Stop(std::string_view NewValue) = 0;
    virtual void Set_Text_Schedule_Time(std::string_view NewValue) = 0;
    virtual void Set_VScroll_Schedule_Height(int32_t NewValue) = 0;
    virtual void Set_VScroll_Schedule_Left(int32_t NewValue) = 0;
    virtual void Set_VScroll_Schedule_Max(int32_t NewValue) = 0;
    virtual void Set_VScroll_Schedule_Top(int32_t NewValue) = 0;

    // Calendar tab. The combo's items are numbered from 1; item i stands for the stored
    // day value i - 1. Whether an item is selected (the core needs nothing else of it).
    virtual bool Get_Combo_Calendar_DayType_SelectedItem() = 0;
    virtual int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() = 0;
    // Text of item Index; "" when there is no such item.
    virtual Bytes Get_Combo_Calendar_DayType_ComboItems(int32_t Index) = 0;
    virtual void Set_Text_Calendar_Month(std::string_view NewValue) = 0;

    // The month caption: the full name of the month and the four-digit year in the
    // user's language. The default is English ("March 2024"); the Qt host gives the
    // system locale's.
    virtual Bytes monthYearText(int year, int month);
    // The user's week numbering for the month's week numbers; the default is ISO 8601
    // (Monday, four days), the Qt host gives the system locale's first day of the week.
    virtual WeekRule weekRule() { return {}; }
};

} // namespace korvel
