#pragma once
// The profiles editor's schedule and calendar page: the tab control that holds the whole
// page (SSTab_Profile and its pages TabControlPage 0..3, the tab remembered as
// "LastScheduleTab"), whether the shown profile uses a time schedule and the calendar
// (the boxes that show those tabs), the schedule tab with the schedule grid and its
// pop-up menu, and the calendar tab with the month view of the shared calendar and its
// day-type combo. It is the schedule grid's and the calendar month's editor host: their
// operations read and write its widgets.
//
// It owns those widgets, the schedule the grid edits (the page schedule) and the month
// view. It changes a profile when the control asks it to store the page, and, when the
// calendar tab is chosen, the current profile's schedule periods (from the page
// schedule). It changes the shared calendar (the month shown, marked days, day-type
// names), which Save sends.

#include "controls/profiles/pagehost.h"

#ifndef Q_MOC_RUN
#include "core/widgets/editorhost.h"
#endif

#include <array>
#include <memory>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace korvel {
class CalendarMonth;
class cCalendar;
class cTimeSchedule;
class ScheduleGrid;
} // namespace korvel

namespace korvel::platform {
class CheckBox;
class IconStore;
class ImageCombo;
class Menu;
class MenuItem;
class MenuItemArray;
class PaintSurfaceWidget;
class TabStrip;
} // namespace korvel::platform

namespace korvel::profiles {

class SchedulePage final : public Page, public EditorHost {
    Q_OBJECT

public:
    SchedulePage(PageHost& host, ClientState& state, QObject* control);
    ~SchedulePage() override;

    // --- What the control calls ---------------------------------------------------------
    // The tab control and its four pages on the control; the other pages' widgets go on
    // the tab pages (TabPage).
    void BuildTabs(QWidget* control);
    QWidget* TabPage(int index) const;
    // The boxes "use time schedule" and "use calendar" on the general tab, the schedule
    // tab's widgets, the calendar tab's, and the schedule pop-up menu.
    void BuildUseChecks(QWidget* tab);
    void BuildScheduleTab(QWidget* tab);
    void BuildCalendarTab(QWidget* tab);
    void BuildMenu();
    // Start: the month view, the page schedule and the shared calendar (at today's month).
    void Initialise();
    void ApplyCaptions();
    // After the server's settings: the day-type combo holds only its first item until
    // the calendar comes; the remembered tab is selected and shown.
    void SettingsApplied();
    void ShowConnectionState(bool connected);
    // The tab control for the control's size (W x H pixels), beside the panel whose right
    // edge is given; then the pages in it, the general tab's schedule group reaching down
    // to `receiversBottom`.
    void LayOutTabControl(int W, int H, int panelRight);
    PageLayout TabControlLayout(int W, int H) const;
    void LayOutPages(const PageLayout& layout, int receiversBottom);
    // The end of the control: the selected tab is remembered.
    void Terminate();

    // The page's share of a profile: cleared for a new one, shown, stored.
    void Clear();
    void Show(const cProfile& profile);
    void StoreInto(cProfile& profile);

    // The server's calendar (170) and a saved calendar (180).
    void CalendarArrived();
    void CalendarSaved();

    // --- Handlers still called by tests -------------------------------------------------
    // The widgets raise them; tests still call them where no operator's path reaches the
    // same state yet.
    void Combo_Calendar_DayType_Click();
    void Combo_Calendar_DayType_KeyPress(int& keyAscii);
    void Menu_TimeSchedulePopup_Active_Click(int index);

    // --- Editor host operations ---------------------------------------------------------
    void Draw_ImageList_ListImages(int32_t ListImage, PaintSurface& hDC, int32_t x, int32_t y,
                                   int16_t Style = 0) override;
    int16_t Get_ImageList_ImageHeight() override;
    int16_t Get_ImageList_ImageWidth() override;
    int16_t Get_Check_TimeSchedule_ViewDayType() override;
    bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override;
    int32_t Get_Picture_TimeSchedule_Frame_ScaleHeight() override;
    int32_t Get_Picture_TimeSchedule_Frame_ScaleWidth() override;
    Bytes Get_Text_Schedule_Period_Start() override;
    Bytes Get_Text_Schedule_Period_Stop() override;
    int32_t Get_VScroll_Schedule_Left() override;
    int32_t Get_VScroll_Schedule_Width() override;
    void Set_Menu_TimeSchedulePopup_Delete_Enabled(bool NewValue) override;
    void Set_Menu_TimeSchedulePopup_Grouped_Checked(bool NewValue) override;
    void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(bool NewValue) override;
    void Set_Menu_TimeSchedulePopup_Paste_Enabled(bool NewValue) override;
    void Set_Picture_TimeSchedule_Height(int32_t NewValue) override;
    void Set_Picture_TimeSchedule_Left(int32_t NewValue) override;
    void Set_Picture_TimeSchedule_Top(int32_t NewValue) override;
    void Set_Picture_TimeSchedule_Width(int32_t NewValue) override;
    void Set_Text_Schedule_Period_Start(std::string_view NewValue) override;
    void Set_Text_Schedule_Period_Stop(std::string_view NewValue) override;
    void Set_Text_Schedule_Time(std::string_view NewValue) override;
    void Set_VScroll_Schedule_Height(int32_t NewValue) override;
    void Set_VScroll_Schedule_Left(int32_t NewValue) override;
    void Set_VScroll_Schedule_Max(int32_t NewValue) override;
    void Set_VScroll_Schedule_Top(int32_t NewValue) override;
    bool Get_Combo_Calendar_DayType_SelectedItem() override;
    int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() override;
    Bytes Get_Combo_Calendar_DayType_ComboItems(int32_t Index) override;
    void Set_Text_Calendar_Month(std::string_view NewValue) override;
    WeekRule weekRule() override;
    Bytes monthYearText(int year, int month) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The tab control.
    void SSTab_Profile_BeforeClick();
    void SSTab_Profile_Click(int index);
    // Tab 1 and tab 3 are shown only while their boxes are ticked; a hidden selected tab
    // gives way to tab 0.
    void showTabsForChecks();

    // The boxes of the general tab and of the two tabs.
    void Check_TimeSchedule_Click();
    void Check_Calendar_Click();
    void Check_Calendar_ViewTimeAxis_Click();
    void Check_TimeSchedule_ViewDayType_Click();

    // The schedule tab.
    void Picture_TimeSchedule_MouseDown(int button, int shift, double x, double y);
    void Picture_TimeSchedule_MouseMove(int button, int shift, double x, double y);
    void Picture_TimeSchedule_MouseUp(int button, int shift, double x, double y);
    void Picture_TimeSchedule_Paint();
    void Picture_TimeScheduleHeader_Paint();
    void Menu_TimeSchedulePopup_Open();
    void Set_VScroll_Schedule_Min(int32_t NewValue);
    void Set_VScroll_Schedule_Width(int32_t NewValue);
    // The schedule grid recalculated and repainted, repainted, Enter in a period box.
    void refreshSchedule();
    void repaintSchedule();
    void periodTextEnter();
    void setPageSchedule(std::shared_ptr<cTimeSchedule> schedule);
    void movePictureToScroll();

    // The calendar tab.
    void Picture_Calendar_MouseDown(int button, int shift, double x, double y);
    void Picture_Calendar_MouseMove(int button, int shift, double x, double y);
    void Picture_Calendar_MouseUp(int button, int shift, double x, double y);
    void Picture_Calendar_Paint();
    void Text_Calendar_Month_Click();
    void Command_Calendar_ChangeMonth_Click(int index);
    void Command_Calendar_ChangeEvent_Click(int index);
    void Command_Calendar_ImportSpecialDays_Click();
    void Command_Calendar_RemoveAll_Click();
    void RedrawCalendar();
    void setDayTypeComboToOnlyFirst();

    void connectHandlers();

    std::unique_ptr<platform::IconStore> m_DayTypeIcons; // outlives the pictures (placed widgets go first)

    // The tab control.
    platform::TabStrip* m_Tab = nullptr;
    std::array<QWidget*, kTabCount> m_Pages{};

    // Tab 0.
    QGroupBox* m_FrameSchedule = nullptr;
    platform::CheckBox* m_CheckTimeSchedule = nullptr;
    platform::CheckBox* m_CheckCalendar = nullptr;

    // Tab 1.
    QGroupBox* m_FrameTimeSchedule = nullptr;
    platform::PaintSurfaceWidget* m_ScheduleHeader = nullptr;
    QFrame* m_ScheduleFrame = nullptr;
    platform::PaintSurfaceWidget* m_SchedulePicture = nullptr;
    QScrollBar* m_ScheduleScroll = nullptr;
    QLineEdit* m_PeriodStart = nullptr;
    QLineEdit* m_PeriodStop = nullptr;
    QLineEdit* m_ScheduleTime = nullptr;
    QLabel* m_ScheduleLabel = nullptr;
    platform::CheckBox* m_CheckViewDayType = nullptr;

    // Tab 3.
    QGroupBox* m_FrameCalendar = nullptr;
    platform::PaintSurfaceWidget* m_CalendarPicture = nullptr;
    QLineEdit* m_CalendarMonth = nullptr;
    platform::ImageCombo* m_DayTypeCombo = nullptr;
    platform::CheckBox* m_CheckViewTimeAxis = nullptr;
    std::array<QPushButton*, 2> m_ChangeEvent{};
    std::array<QPushButton*, 2> m_ChangeMonth{};
    QPushButton* m_ImportSpecialDays = nullptr;
    QPushButton* m_RemoveAll = nullptr;

    // The schedule pop-up menu.
    platform::Menu* m_SchedulePopup = nullptr;
    platform::MenuItem* m_ScheduleCopy = nullptr;
    platform::MenuItem* m_SchedulePaste = nullptr;
    platform::MenuItem* m_ScheduleDelete = nullptr;
    platform::MenuItem* m_ScheduleAllDay = nullptr;
    platform::MenuItem* m_ScheduleInvert = nullptr;
    platform::MenuItem* m_ScheduleGrouped = nullptr;
    platform::MenuItem* m_ScheduleGroupedMonFri = nullptr;
    platform::MenuItemArray* m_ActiveMenu = nullptr;

    int m_ClickedDayTypeItem = 0;
    int m_ScheduleButton = 0;
    std::shared_ptr<cTimeSchedule> m_PageSchedule;
    std::unique_ptr<ScheduleGrid> m_Grid;   // edits m_PageSchedule
    std::unique_ptr<CalendarMonth> m_Month; // draws the shared calendar
};

} // namespace korvel::profiles
