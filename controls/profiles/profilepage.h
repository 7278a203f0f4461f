#pragma once
// The profiles editor's profile page: the fields of the shown profile that are neither
// its receivers nor its schedule. On the general tab the alarm states and the include
// and exclude conditions with their larger editor; on the schedule tab the off-duty
// behaviour; the advanced tab whole (external tag and file, automatic blocking, the
// systems the profile scans).
//
// It owns those widgets and the rules by which a check box enables the widgets that
// depend on it. It changes a profile only when the control asks it to store the page.

#include "controls/profiles/pagehost.h"

#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace korvel::platform {
class CheckBox;
class ImageCombo;
class ListView;
class OptionButtons;
} // namespace korvel::platform

namespace korvel::profiles {

class ProfilePage final : public Page {
    Q_OBJECT

public:
    ProfilePage(PageHost& host, ClientState& state, QObject* control);
    ~ProfilePage() override;

    // --- What the control calls ---------------------------------------------------------
    // The widgets, on the tab pages they stand on, in the order the control lays the tabs
    // out: the alarm states and the conditions on the general tab, the off-duty behaviour
    // on the schedule tab, the advanced tab.
    void BuildStates(QWidget* tab);
    void BuildConditions(QWidget* tab);
    void BuildOffDuty(QWidget* tab);
    void BuildAdvanced(QWidget* tab);
    // Start: the systems list's column; the dependent widgets follow their unticked boxes.
    void Initialise();
    void ApplyCaptions();
    void LayOut(const PageLayout& layout);

    // The page's share of a profile: cleared for a new one, shown, stored.
    void Clear();
    void Show(const cProfile& profile);
    void StoreInto(cProfile& profile);

    // The tab control: an open condition editor commits before the tab changes; the
    // separator lines of the advanced tab show with it.
    void BeforeTabChange();
    void TabChanged(int index);

    // The server's system list (141) fills the systems list.
    void SystemListArrived();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Check_AutoBlock_Click();
    void Check_ExternalFile_Click();
    void Check_ExternalTag_Click();
    void Check_Systems_Click();
    void Text_Condition_OpenEditor(int index);
    void Text_Condition_Edit_Commit();

    void connectHandlers();
    bool conditionEditorOpen() const;
    void closeConditionEditor();

    // Tab 0.
    QGroupBox* m_FrameStates = nullptr;
    std::array<platform::CheckBox*, 3> m_AlarmState{};
    QGroupBox* m_FrameIncludeExclude = nullptr;
    std::array<QLineEdit*, 6> m_Condition{};
    std::array<QLabel*, 6> m_ConditionLabel{};
    QPlainTextEdit* m_ConditionEdit = nullptr;
    QLabel* m_ConditionEditLabel = nullptr;

    // Tab 1.
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

    int m_ConditionIndex = 0;
    bool m_ServerKindLayoutDone = false;
};

} // namespace korvel::profiles
