#pragma once
// The profiles editor: a tree of the operator's profiles beside a tabbed page that edits
// the selected one (alarm states, receivers, conditions, schedule, advanced switching,
// the shared calendar). Every edit stays local until Save sends the removed, new and
// changed profiles and a changed calendar; the tree and the page follow the server's
// answers (210, 211, 220, 180).
//
// The widgets keep the system's names (TreeView_Profiles, SSTab_Profile ...) as object
// names, and the handlers keep theirs, so the behaviour can be traced widget by widget.

#include "shell/component.h"

#include "controls/activeprofiles/profileswitch.h"

#ifndef Q_MOC_RUN
#include "core/widgets/editorhost.h"
#endif

#include <QPointer>
#include <QStringList>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace korvel {
class CalendarMonth;
class cCalendar;
class cProfile;
class cTimeSchedule;
class ScheduleGrid;
} // namespace korvel

namespace korvel::platform {
class CheckBox;
class IconStore;
class ImageCombo;
class ListView;
class Menu;
class MenuItem;
class MenuItemArray;
class OptionButtons;
class PaintSurfaceWidget;
class TabStrip;
class TreeView;
} // namespace korvel::platform

namespace korvel::profiles {

class Component final : public shell::Component, public EditorHost {
    Q_OBJECT
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(int IsConnectedToServer READ IsConnectedToServer)

public:
    static constexpr const char* kApplication = "Korvel ActiveX Profiles Client";
    static constexpr int kTabCount = 4;
    static constexpr int kSaveFeedbackMs = 2000;
    // Said when Save or a name change could not reach the server (it is not connected).
    static constexpr const char* kNotSavedText =
        "Nothing was saved: there is no connection to the server. Your changes are kept; save again once the control "
        "is connected.";
    static constexpr const char* kNotRenamedText =
        "The profile was not renamed: there is no connection to the server, so the new names could not be sent.";

    static shell::ControlDescription MakeDescription();

    explicit Component(ClientState& state, QWidget* parent = nullptr);
    ~Component() override;

    // --- Public operations (callable by name) ------------------------------------------
    Q_INVOKABLE void ProfileEnableOrDisable(const QString& ProfileName, int Enabled);
    Q_INVOKABLE int IsProfileEnabled(const QString& ProfileName);
    int IsConnectedToServer() const { return IsConnected() ? 1 : 0; }

    // --- Rebuild of the profile tree ---------------------------------------------------
    // Raised by the server's profile list. Public only for bench/bench_profiles, which
    // times the tree's rebuild alone, without the socket and the list's decoding; tests
    // send the list instead.
    void FillProfileTree(const QString& path);

    // --- Procedures and handlers still called by tests ---------------------------------
    // Not part of the control's face: the widgets raise them, and tests still call them
    // where no operator's path reaches the same state yet (a disabled menu entry, a key
    // whose swallowing only the handler shows).
    // --- Profile page ---------------------------------------------------------------------
    void Combo_Calendar_DayType_Click();
    void Combo_Calendar_DayType_KeyPress(int& keyAscii);

    // --- Receiver lists -------------------------------------------------------------------
    void ListView_Receivers_KeyDown(platform::ListView* list, int& keyCode, int shift);
    void Menu_Profile_Receiver_Popup_Confirm_Click();

    // --- Schedule and calendar page -------------------------------------------------------
    void Menu_TimeSchedulePopup_Active_Click(int index);

    // --- Editor host operations -------------------------------------------------------------
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
    void OnInitialise() override;
    void ApplyCaptions() override;
    void OnSettingsMessage() override;
    void HandleOwnMessage(int type, std::string_view body, std::shared_ptr<cReceiver>& receiver,
                          std::shared_ptr<cProfile>& profile) override;
    void OnTimerExtra() override;
    void OnShowConnectionState() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The schedule grid's pointer: the picture's mouse signals.
    void Picture_TimeSchedule_MouseDown(int button, int shift, double x, double y);
    void Picture_TimeSchedule_MouseMove(int button, int shift, double x, double y);
    void Picture_TimeSchedule_MouseUp(int button, int shift, double x, double y);

    // The receiver lists' text forms (list order, NUL after every entry): shown from the
    // profile the page shows and composed back when the page is stored.
    Bytes ComposeParallelReceivers() const;
    Bytes ComposeSequentialReceivers() const;
    void ShowReceivers(const Bytes& parallel, const Bytes& sequential);

    // Handlers and operations of the tree, the commands, the page and its tabs.
    // Adds a profile (a copy of the shown one with `copy`) under the node `parentKey` with
    // the name the operator gives; the Add, Add child and Copy buttons call it.
    std::shared_ptr<cProfile> AddProfile(const QString& parentKey, bool copy);
    // The name the operator types for a new or renamed profile (under `parentKey`, with
    // the area), or empty when cancelled, cleaned to nothing or taken by another profile
    // than `leaveOut`.
    Bytes AskForProfileName(const std::shared_ptr<cProfile>& leaveOut, const QString& parentKey,
                            const QString& defaultText);
    QString AddProfileToTree(const std::shared_ptr<cProfile>& profile, int16_t unused = 0);
    void ListView_Receivers_GotFocus(platform::ListView* list);
    void Menu_Profile_Receiver_Popup_Click();
    void Menu_Profile_Receiver_Popup_Add_Item_Click(int index);
    void Menu_Profile_Receiver_Popup_Delete_Click();
    void Menu_TimeSchedulePopup_Open();
    void Set_VScroll_Schedule_Min(int32_t NewValue);
    void Set_VScroll_Schedule_Width(int32_t NewValue);
    void UserControl_Resize();
    void Check_Calendar_ViewTimeAxis_Click();
    void Check_TimeSchedule_ViewDayType_Click();
    void SSTab_Profile_Click(int index);
    void Text_Condition_OpenEditor(int index);
    void Text_Condition_Edit_Commit();
    void RedrawCalendar();
    void StoreEditorInProfile();
    void ListView_Receivers_MouseDown(platform::ListView* list, int button);
    void ListView_Receivers_Click(platform::ListView* list);
    void TreeView_Profiles_NodeClick(const QString& key);
    void TreeView_Profiles_DblClick();
    void TreeView_Profiles_KeyDown(int& keyCode, int shift);
    void TreeView_Profiles_MouseDown(int button, int shift, int x, int y);
    void TreeView_Profiles_Collapse(const QString& key);
    void TreeView_Profiles_MouseMove(int button, int shift, int x, int y);
    std::shared_ptr<cProfile> CopyProfileWithChildren(const QString& nodeKey, const Bytes& newName,
                                                      int16_t leadingLevels, bool onlyThisNode);
    void RenameProfileWithChildren(const QString& nodeKey, const std::shared_ptr<cProfile>& changed);
    void RemoveProfileWithChildren(const QString& nodeKey);
    void Command_AddProfile_Click();
    void Command_AddChildProfile_Click();
    void Command_CopyProfile_Click();
    void Command_RenameProfile_Click();
    void Command_RemoveProfile_Click();
    void Command_Save_Click();
    void ClearProfileEditor();
    void ShowProfileInEditor();
    void Check_AutoBlock_Click();
    void Check_ExternalFile_Click();
    void Check_ExternalTag_Click();
    void Check_Systems_Click();
    void Check_TimeSchedule_Click();
    void Check_Calendar_Click();
    void Menu_Profile_Receiver_Popup_Up_Click();
    void Menu_Profile_Receiver_Popup_Down_Click();
    void SSTab_Profile_BeforeClick();
    void Command_Calendar_ChangeMonth_Click(int index);
    void Command_Calendar_ChangeEvent_Click(int index);
    void Command_Calendar_ImportSpecialDays_Click();
    void Command_Calendar_RemoveAll_Click();
    void Text_Calendar_Month_Click();
    void Picture_TimeSchedule_Paint();
    void Picture_TimeScheduleHeader_Paint();
    void Picture_Calendar_MouseDown(int button, int shift, double x, double y);
    void Picture_Calendar_MouseMove(int button, int shift, double x, double y);
    void Picture_Calendar_MouseUp(int button, int shift, double x, double y);
    void Picture_Calendar_Paint();

    void buildWidgets();
    void buildPage0(QWidget* page);
    void buildPage1(QWidget* page);
    void buildPage2(QWidget* page);
    void buildPage3(QWidget* page);
    void buildMenus();
    void connectHandlers();
    void connectScheduleHandlers();

    void handleSystemList();
    void handleCalendar();
    void handleCalendarSaved();
    void handleProfileSaved(const std::shared_ptr<cProfile>& profile);
    void handleProfileDeleted(const std::shared_ptr<cProfile>& profile);
    void handleProfileEnabled(const std::shared_ptr<cProfile>& profile);
    // The receiver sub-menu: built from the collection, or changed by one entry where that
    // gives what a rebuild gives (receiverlists.cpp).
    struct AddMenuEntry;
    struct AddMenuBook;
    struct AddMenuBookDeleter {
        void operator()(AddMenuBook* book) const;
    };
    AddMenuBook& addMenuBook();
    std::string_view addMenuShownName(const cReceiver& receiver) const;
    bool addMenuShownAsBuilt() const;
    int addMenuIndexOf(const cReceiver* receiver) const;
    void SortReceiverAddMenu();
    void rebuildReceiverAddMenu();
    void receiverSavedInAddMenu(const std::shared_ptr<cReceiver>& receiver);
    void receiverRemovedFromAddMenu(const std::shared_ptr<cReceiver>& receiver);

    QString nodeKeyOf(int32_t identity) const;
    int16_t nextTemporaryIdentity();
    std::shared_ptr<cProfile> profileOfNode(const QString& key) const;
    void selectAndClick(const QString& key);
    void showTabsForChecks();
    void closeConditionEditor();
    void storePageInto(const std::shared_ptr<cProfile>& profile);
    // Sends 210; false when nothing was sent (no network form, or no connection).
    bool sendProfileSave(int32_t refIdentity, const Bytes& refName, const cProfile& profile);
    // True (and one answer fewer awaited) when a save of this name is awaiting its answer.
    bool takePendingSave(const Bytes& name);
    void reportNotSent(const char* text);
    QString addProfileToTree(const std::shared_ptr<cProfile>& profile, bool takeOverUnsaved);
    int receiverIcon(bool sequential, const Bytes& name, bool confirm) const;
    bool isReceiverName(const Bytes& shown) const;
    Bytes composeReceivers(const platform::ListView& list, bool sequential) const;
    void appendReceiver(platform::ListView& list, const QString& text, int icon);
    void moveReceiver(int step);
    std::shared_ptr<cCalendar> calendar() const;
    void setDayTypeComboToOnlyFirst();
    void send(int type, const Bytes& body);
    // The schedule grid of tab 1: recalculated and repainted, repainted, Enter in a period box.
    void refreshSchedule();
    void setPageSchedule(std::shared_ptr<cTimeSchedule> schedule);
    void movePictureToScroll();
    void repaintSchedule();
    void periodTextEnter();
    void rebuildReceiverList(platform::ListView& list, const std::vector<std::pair<QString, int>>& entries, int selected);

    // Widgets.
    platform::IconStore* m_TreeIcons;
    platform::IconStore* m_ReceiverIcons;
    platform::IconStore* m_DayTypeIcons;
    QGroupBox* m_Frame0 = nullptr;
    platform::TreeView* m_Tree = nullptr;
    QPushButton* m_AddProfile = nullptr;
    QPushButton* m_AddChildProfile = nullptr;
    QPushButton* m_CopyProfile = nullptr;
    QPushButton* m_RemoveProfile = nullptr;
    QPushButton* m_RenameProfile = nullptr;
    QPushButton* m_Save = nullptr;
    platform::TabStrip* m_Tab = nullptr;
    std::array<QWidget*, kTabCount> m_Pages{};

    // Tab 0.
    QGroupBox* m_FrameStates = nullptr;
    std::array<platform::CheckBox*, 3> m_AlarmState{};
    QGroupBox* m_FrameReceivers = nullptr;
    platform::ListView* m_Parallel = nullptr;
    platform::ListView* m_Sequential = nullptr;
    std::array<QLabel*, 2> m_ReceiversLabel{};
    QGroupBox* m_FrameIncludeExclude = nullptr;
    std::array<QLineEdit*, 6> m_Condition{};
    std::array<QLabel*, 6> m_ConditionLabel{};
    QPlainTextEdit* m_ConditionEdit = nullptr;
    QLabel* m_ConditionEditLabel = nullptr;
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
    QLabel* m_OffDutyLabel = nullptr;
    platform::ImageCombo* m_OffDutyCombo = nullptr;

    // Tab 2.
    platform::CheckBox* m_CheckExternalTag = nullptr;
    QLabel* m_ExternalTagLabel = nullptr;
    QLineEdit* m_ExternalTag = nullptr;
    platform::CheckBox* m_CheckIgnoreExternalTag = nullptr;
    platform::CheckBox* m_CheckExternalFile = nullptr;
    std::array<QLabel*, 2> m_ExternalFileLabel{};
    QLineEdit* m_ExternalFile = nullptr;
    QLineEdit* m_ExternalFileText = nullptr;
    platform::CheckBox* m_CheckSystems = nullptr;
    QGroupBox* m_FrameSystems = nullptr;
    platform::ListView* m_Systems = nullptr;
    platform::CheckBox* m_CheckAutoBlock = nullptr;
    std::array<QLabel*, 5> m_AutoBlockLabel{};
    QLineEdit* m_AutoBlockEvents = nullptr;
    QLineEdit* m_AutoBlockWindow = nullptr;
    QLineEdit* m_AutoBlockTime = nullptr;
    std::array<QRadioButton*, 2> m_AutoBlockOption{};
    platform::OptionButtons* m_AutoBlockBehaviour = nullptr;
    std::array<QFrame*, 6> m_LineDelimiter{};

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

    // Menus.
    platform::Menu* m_SchedulePopup = nullptr;
    platform::MenuItem* m_ScheduleCopy = nullptr;
    platform::MenuItem* m_SchedulePaste = nullptr;
    platform::MenuItem* m_ScheduleDelete = nullptr;
    platform::MenuItem* m_ScheduleAllDay = nullptr;
    platform::MenuItem* m_ScheduleInvert = nullptr;
    platform::MenuItem* m_ScheduleGrouped = nullptr;
    platform::MenuItem* m_ScheduleGroupedMonFri = nullptr;
    platform::MenuItemArray* m_ActiveMenu = nullptr;
    platform::Menu* m_ReceiverPopup = nullptr;
    platform::MenuItem* m_ReceiverPopupAdd = nullptr;
    platform::MenuItem* m_ReceiverPopupUp = nullptr;
    platform::MenuItem* m_ReceiverPopupDown = nullptr;
    platform::MenuItem* m_ReceiverPopupConfirm = nullptr;
    platform::MenuItem* m_ReceiverPopupDelete = nullptr;
    platform::MenuItemArray* m_ReceiverAddMenu = nullptr;

    // State.
    bool m_SaveFeedbackPending = false;
    int m_SaveFeedbackTime = 0;
    int16_t m_MaxDaysToStoreAlarm = 0;
    int16_t m_TemporaryIdentity = 0;
    KeyedCollection<cProfile> m_DeletedProfiles;
    // Profiles by the name a host asks for; made anew whenever this editor renames a
    // profile in place (the collection itself tells it of every other change).
    activeprofiles::ShownNameIndex m_ShownNames;
    // Names (upper case) of profiles sent with -1 whose answer has not come yet, with
    // how many answers are awaited.
    std::map<std::string, int> m_PendingSaves;
    std::unique_ptr<AddMenuBook, AddMenuBookDeleter> m_AddMenu; // the receiver sub-menu's entries and keys
    QString m_CurrentNode;
    std::shared_ptr<cProfile> m_CurrentProfile;
    int m_TreeShift = 0;
    int m_ConditionIndex = 0;
    platform::ListView* m_ActiveReceiverList = nullptr;
    int m_ReceiverListButton = 0;
    int m_ReceiverKeySerial = 0;
    int m_ClickedDayTypeItem = 0;
    int m_ScheduleButton = 0;
    std::shared_ptr<cTimeSchedule> m_PageSchedule;
    std::unique_ptr<ScheduleGrid> m_Grid;       // edits m_PageSchedule
    std::unique_ptr<CalendarMonth> m_Month;     // draws the shared calendar
    bool m_ServerKindLayoutDone = false;
};

} // namespace korvel::profiles
