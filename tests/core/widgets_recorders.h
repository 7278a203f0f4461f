#pragma once
// Recording doubles of the widgets' surface and host: every drawing call and every host
// call is kept as one line of text, so a test reads what a widget drew at which
// coordinates in which colour. Text is measured as 6 pixels a character (7 bold), and
// 12 pixels high.

#include "core/widgets/editorhost.h"
#include "core/widgets/paintsurface.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::testing {

inline std::string ColourName(Colour c) {
    switch (c.kind) {
    case Colour::Kind::GrayText: return "graytext";
    case Colour::Kind::ButtonText: return "buttontext";
    case Colour::Kind::Background: return "background";
    case Colour::Kind::Rgb: break;
    }
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

class RecordingSurface final : public PaintSurface {
public:
    std::vector<std::string> Calls;
    bool Bold = false;
    Colour Fore = Colour::ButtonText();
    PointerShape Pointer = PointerShape::Default;
    std::string ToolTip;

    void drawLine(int x1, int y1, int x2, int y2, Colour colour) override {
        Calls.push_back("line " + P(x1, y1) + "-" + P(x2, y2) + " " + ColourName(colour));
    }
    void fillRect(int x, int y, int w, int h, Colour colour) override {
        Calls.push_back("fill " + P(x, y) + " " + std::to_string(w) + "x" + std::to_string(h) + " " + ColourName(colour));
    }
    void setForeColour(Colour colour) override { Fore = colour; }
    void setBold(bool bold) override { Bold = bold; }
    void drawText(int x, int y, std::string_view text) override {
        Calls.push_back("text " + P(x, y) + " " + std::string(text) + (Bold ? " bold " : " ") + ColourName(Fore));
    }
    int textWidth(std::string_view text) override { return static_cast<int>(text.size()) * (Bold ? 7 : 6); }
    int textHeight(std::string_view) override { return 12; }
    void drawImage(int number, int x, int y, bool transparent) override {
        Calls.push_back("image " + std::to_string(number) + " " + P(x, y) + (transparent ? " transparent" : ""));
    }
    void setPointer(PointerShape shape) override {
        Pointer = shape;
        Calls.push_back("pointer " + std::to_string(static_cast<int>(shape)));
    }
    void setToolTipText(std::string_view text) override { ToolTip = std::string(text); }

    // The calls that start with a prefix, in order.
    std::vector<std::string> With(std::string_view prefix) const {
        std::vector<std::string> out;
        for (const auto& c : Calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
    bool Has(std::string_view call) const { return std::find(Calls.begin(), Calls.end(), call) != Calls.end(); }
    void Clear() { Calls.clear(); }

private:
    static std::string P(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
};

class RecordingHost final : public EditorHost {
public:
    std::vector<std::string> Calls;
    // Values the getters give.
    int16_t ImageWidth = 11, ImageHeight = 11;
    int16_t ViewDayType = 0;
    bool MonFriChecked = false;
    int32_t FrameWidth = 400, FrameHeight = 180, ScrollWidth = 17;
    int32_t ScrollLeft = 0; // follows Set_VScroll_Schedule_Left
    Bytes PeriodStart, PeriodStop, Time, MonthCaption;
    bool ComboSelected = false;
    int16_t ComboIndex = 0;
    std::vector<Bytes> ComboItems; // item 1 first
    WeekRule Weeks;

    void Draw_ImageList_ListImages(int32_t ListImage, PaintSurface& hDC, int32_t x, int32_t y, int16_t Style) override {
        Calls.push_back("image " + std::to_string(ListImage) + " " + std::to_string(x) + "," + std::to_string(y) +
                        " style " + std::to_string(Style));
        hDC.drawImage(ListImage, x, y, Style == 1);
    }
    int16_t Get_ImageList_ImageHeight() override { return ImageHeight; }
    int16_t Get_ImageList_ImageWidth() override { return ImageWidth; }
    int16_t Get_Check_TimeSchedule_ViewDayType() override { return ViewDayType; }
    bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override { return MonFriChecked; }
    int32_t Get_Picture_TimeSchedule_Frame_ScaleHeight() override { return FrameHeight; }
    int32_t Get_Picture_TimeSchedule_Frame_ScaleWidth() override { return FrameWidth; }
    Bytes Get_Text_Schedule_Period_Start() override { return PeriodStart; }
    Bytes Get_Text_Schedule_Period_Stop() override { return PeriodStop; }
    int32_t Get_VScroll_Schedule_Left() override { return ScrollLeft; }
    int32_t Get_VScroll_Schedule_Width() override { return ScrollWidth; }
    void Set_Menu_TimeSchedulePopup_Delete_Enabled(bool v) override { Record("delete enabled", v); }
    void Set_Menu_TimeSchedulePopup_Grouped_Checked(bool v) override { Record("grouped checked", v); }
    void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(bool v) override { Record("monfri checked", v); }
    void Set_Menu_TimeSchedulePopup_Paste_Enabled(bool v) override { Record("paste enabled", v); }
    void Set_Picture_TimeSchedule_Height(int32_t v) override { Record("picture height", v); }
    void Set_Picture_TimeSchedule_Left(int32_t v) override { Record("picture left", v); }
    void Set_Picture_TimeSchedule_Top(int32_t v) override { Record("picture top", v); }
    void Set_Picture_TimeSchedule_Width(int32_t v) override { Record("picture width", v); }
    void Set_Text_Schedule_Period_Start(std::string_view v) override { PeriodStart = Bytes(v); }
    void Set_Text_Schedule_Period_Stop(std::string_view v) override { PeriodStop = Bytes(v); }
    void Set_Text_Schedule_Time(std::string_view v) override { Time = Bytes(v); }
    void Set_VScroll_Schedule_Height(int32_t v) override { Record("scroll height", v); }
    void Set_VScroll_Schedule_Left(int32_t v) override {
        ScrollLeft = v;
        Record("scroll left", v);
    }
    void Set_VScroll_Schedule_Max(int32_t v) override { Record("scroll max", v); }
    void Set_VScroll_Schedule_Top(int32_t v) override { Record("scroll top", v); }
    bool Get_Combo_Calendar_DayType_SelectedItem() override { return ComboSelected; }
    int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() override { return ComboIndex; }
    Bytes Get_Combo_Calendar_DayType_ComboItems(int32_t Index) override {
        Calls.push_back("combo item " + std::to_string(Index));
        return Index >= 1 && static_cast<std::size_t>(Index) <= ComboItems.size() ? ComboItems[Index - 1] : Bytes();
    }
    void Set_Text_Calendar_Month(std::string_view v) override { MonthCaption = Bytes(v); }
    WeekRule weekRule() override { return Weeks; }

    bool Has(std::string_view call) const { return std::find(Calls.begin(), Calls.end(), call) != Calls.end(); }

private:
    void Record(const std::string& what, int32_t v) { Calls.push_back(what + " " + std::to_string(v)); }
};

} // namespace korvel::testing
