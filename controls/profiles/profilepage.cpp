// The profiles editor: the profile page (fields to and from the record, the rules by
// which check boxes enable and show other widgets) and the condition editor.

#include "controls/profiles/profilescomponent.h"

#include "core/errors.h"
#include "core/numeric.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/records/variant.h"
#include "platform/checkbox.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"

#include <QDate>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <cmath>
#include <cstdlib>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

int16_t Flag(bool on) { return on ? -1 : 0; }

// A number typed in a field: its numeric value, whole, not below 0, at most the largest
// 32-bit value.
int32_t StoredCount(const QString& text) {
    const double value = RoundHalfEven(NumericValue(FromQString(text)));
    if (!(value > 0)) return 0;
    if (value > 2147483647.0) return 2147483647;
    return static_cast<int32_t>(value);
}

QString ToCrLf(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n")); }

} // namespace

// --- Page <-> record ----------------------------------------------------------------------

void Component::ClearProfileEditor() {
    ClientState& s = State();
    m_AlarmState[0]->SetValue(1);
    m_AlarmState[1]->SetValue(1);
    m_AlarmState[2]->SetValue(0);
    m_Parallel->ClearItems();
    m_Sequential->ClearItems();
    m_CheckTimeSchedule->SetValue(0);
    m_CheckCalendar->SetValue(0);
    m_Tab->SetTabVisible(1, false);
    m_Tab->SetTabVisible(3, false);
    m_OffDutyCombo->SetSelectedItem(1);
    // An open condition editor holds the text of the profile shown before: it closes
    // without being committed anywhere, or the next store would give that text to
    // whatever the cleared page is stored into.
    closeConditionEditor();
    for (QLineEdit* condition : m_Condition) condition->setText(QStringLiteral("*"));
    auto schedule = std::make_shared<cTimeSchedule>();
    schedule->SetDefaultPeriod();
    setPageSchedule(std::move(schedule));
    refreshSchedule();
    m_CheckViewDayType->SetValue(0);
    m_CheckViewTimeAxis->SetValue(0);
    m_CheckExternalTag->SetValue(0);
    m_ExternalTag->clear();
    m_CheckIgnoreExternalTag->SetValue(1);
    m_CheckExternalFile->SetValue(0);
    m_ExternalFile->setText(ToQString(s.ServerDataPath));
    m_ExternalFileText->setText(QStringLiteral("ACTIVE"));
    m_CheckAutoBlock->SetValue(0);
    for (QLineEdit* e : {m_AutoBlockEvents, m_AutoBlockWindow, m_AutoBlockTime}) e->setText(QStringLiteral("0"));
    m_AutoBlockBehaviour->ClearAll();
    m_AutoBlockBehaviour->Set(0);
    m_CheckSystems->SetValue(0);
    for (int i = 1; i <= m_Systems->ListCount(); ++i) m_Systems->SetChecked(i, false);
    if (s.SharedCalendar) {
        const QDate today = QDate::currentDate();
        s.SharedCalendar->m_SelectedYear = static_cast<int16_t>(today.year());
        s.SharedCalendar->m_SelectedMonth = static_cast<int16_t>(today.month());
    }
    showTabsForChecks();
}

void Component::ShowProfileInEditor() {
    const std::shared_ptr<cProfile> p = m_CurrentProfile;
    if (!p) return;
    for (int i = 0; i < 3; ++i) m_AlarmState[static_cast<std::size_t>(i)]->SetValue(p->GetState(i) != 0);
    ShowReceivers(p->m_ParallellReceivers, p->m_SequentialReceivers);
    for (int i = 0; i < 6; ++i) m_Condition[static_cast<std::size_t>(i)]->setText(ToQString(p->GetCondition(i)));
    if (m_ConditionEdit->isVisible() || m_ConditionEdit->isVisibleTo(m_FrameIncludeExclude))
        Text_Condition_OpenEditor(m_ConditionIndex);
    m_CheckTimeSchedule->SetValue(p->m_UseTimeSchedule != 0);
    m_Tab->SetTabVisible(1, p->m_UseTimeSchedule != 0);
    const bool useCalendar = p->m_TimeSchedule && p->m_TimeSchedule->m_UseCalendar != 0;
    m_CheckCalendar->SetValue(useCalendar);
    m_Tab->SetTabVisible(3, useCalendar);
    try {
        if (p->m_TimeSchedule) m_PageSchedule->ExtractPeriodArray(p->m_TimeSchedule->ComposePeriodArray());
    } catch (const KorvelError&) {
    }
    refreshSchedule();
    m_OffDutyCombo->SetSelectedItem(p->m_OffDutyAlarmBehaviour + 1);
    m_CheckViewDayType->SetValue(p->m_TimeSchedule_ViewDayType != 0);
    m_CheckViewTimeAxis->SetValue(p->m_Calendar_ViewTimeAxis != 0);
    m_CheckExternalTag->SetValue(p->m_UseExternalTag != 0);
    m_ExternalTag->setText(ToQString(p->m_ExternalTagName));
    m_CheckIgnoreExternalTag->SetValue(p->m_IgnoreExternalTagInOtherProfiles != 0);
    m_CheckExternalFile->SetValue(p->m_UseExternalFile != 0);
    m_ExternalFile->setText(ToQString(p->m_ExternalFileName));
    m_ExternalFileText->setText(ToQString(p->m_ExternalFileText));
    m_CheckAutoBlock->SetValue(p->m_UseAutoBlock != 0);
    m_AutoBlockEvents->setText(QString::number(p->m_AutoBlockTresholdEvents));
    m_AutoBlockWindow->setText(QString::number(p->m_AutoBlockTresholdTime));
    m_AutoBlockTime->setText(QString::number(p->m_AutoBlockTime));
    m_AutoBlockBehaviour->ClearAll();
    if (p->m_AutoBlockBehaviour == 0) m_AutoBlockBehaviour->Set(0);
    else if (p->m_AutoBlockBehaviour == 1) m_AutoBlockBehaviour->Set(1);
    m_CheckSystems->SetValue(p->m_ScanSpecificSystems != 0);
    for (int i = 1; i <= m_Systems->ListCount(); ++i) {
        const int system = m_Systems->Key(i).mid(1).toInt();
        if (system >= 0 && system < kSystemCount) m_Systems->SetChecked(i, p->GetSystem(system) != 0);
    }
    showTabsForChecks();
    if (m_CheckCalendar->Value()) RedrawCalendar();
}

void Component::StoreEditorInProfile() {
    const std::shared_ptr<cProfile> p = m_CurrentProfile;
    if (!p || m_CurrentNode.isEmpty()) return;
    // The node's image is the enabled state; a node that has gone says nothing.
    if (m_Tree->Exists(m_CurrentNode)) p->m_Enabled = Flag(m_Tree->Image(m_CurrentNode) == 1);
    storePageInto(p);
}

void Component::storePageInto(const std::shared_ptr<cProfile>& p) {
    for (int i = 0; i < 3; ++i) p->SetState(i, Flag(m_AlarmState[static_cast<std::size_t>(i)]->Value() != 0));
    p->m_ParallellReceivers = ComposeParallelReceivers();
    p->m_SequentialReceivers = ComposeSequentialReceivers();
    if (m_ConditionEdit->isVisibleTo(m_FrameIncludeExclude)) {
        Text_Condition_Edit_Commit();
        m_ConditionEdit->show();
        m_ConditionEditLabel->show();
    }
    for (int i = 0; i < 6; ++i) p->SetCondition(i, Variant(FromQString(m_Condition[static_cast<std::size_t>(i)]->text())));
    p->m_UseTimeSchedule = Flag(m_CheckTimeSchedule->Value() != 0);
    if (!p->m_TimeSchedule) p->m_TimeSchedule = std::make_shared<cTimeSchedule>();
    try {
        p->m_TimeSchedule->ExtractPeriodArray(m_PageSchedule->ComposePeriodArray());
    } catch (const KorvelError&) {
    }
    p->m_TimeSchedule->m_UseCalendar = Flag(m_CheckCalendar->Value() != 0);
    if (m_OffDutyCombo->SelectedItem() >= 1)
        p->m_OffDutyAlarmBehaviour = static_cast<int16_t>(m_OffDutyCombo->SelectedItem() - 1);
    p->m_TimeSchedule_ViewDayType = Flag(m_CheckViewDayType->Value() != 0);
    p->m_Calendar_ViewTimeAxis = Flag(m_CheckViewTimeAxis->Value() != 0);
    p->m_UseExternalTag = Flag(m_CheckExternalTag->Value() != 0);
    p->m_ExternalTagName = FromQString(m_ExternalTag->text());
    p->m_IgnoreExternalTagInOtherProfiles = Flag(m_CheckIgnoreExternalTag->Value() != 0);
    p->m_UseExternalFile = Flag(m_CheckExternalFile->Value() != 0);
    p->m_ExternalFileName = FromQString(m_ExternalFile->text());
    p->m_ExternalFileText = FromQString(m_ExternalFileText->text());
    p->m_UseAutoBlock = Flag(m_CheckAutoBlock->Value() != 0);
    p->m_AutoBlockTresholdEvents = StoredCount(m_AutoBlockEvents->text());
    p->m_AutoBlockTresholdTime = StoredCount(m_AutoBlockWindow->text());
    p->m_AutoBlockTime = StoredCount(m_AutoBlockTime->text());
    p->m_AutoBlockBehaviour = m_AutoBlockBehaviour->Value(0) ? 0 : 1;
    p->m_ScanSpecificSystems = Flag(m_CheckSystems->Value() != 0);
    for (int i = 1; i <= m_Systems->ListCount(); ++i) {
        const int system = m_Systems->Key(i).mid(1).toInt();
        if (system >= 0 && system < kSystemCount) p->SetSystem(system, Flag(m_Systems->Checked(i)));
    }
}

// Tab 1 and tab 3 are shown only while their boxes are ticked; a hidden selected tab
// gives way to tab 0.
void Component::showTabsForChecks() {
    const int selected = m_Tab->SelectedIndex();
    if (selected >= 0 && !m_Tab->TabVisible(selected)) {
        m_Tab->SetSelectedIndex(0);
        SSTab_Profile_Click(0);
    }
}

// --- Check box rules ----------------------------------------------------------------------

void Component::Check_AutoBlock_Click() {
    const bool on = m_CheckAutoBlock->Value() != 0;
    for (QLabel* l : m_AutoBlockLabel) l->setEnabled(on);
    for (QLineEdit* e : {m_AutoBlockEvents, m_AutoBlockWindow, m_AutoBlockTime}) e->setEnabled(on);
    for (QRadioButton* o : m_AutoBlockOption) o->setEnabled(on);
}

void Component::Check_ExternalFile_Click() {
    const bool on = m_CheckExternalFile->Value() != 0;
    m_ExternalFileLabel[0]->setEnabled(on);
    m_ExternalFileLabel[1]->setEnabled(on);
    m_ExternalFile->setEnabled(on);
    m_ExternalFileText->setEnabled(on);
}

void Component::Check_ExternalTag_Click() {
    const bool on = m_CheckExternalTag->Value() != 0;
    m_ExternalTagLabel->setEnabled(on);
    m_ExternalTag->setEnabled(on);
    m_CheckIgnoreExternalTag->setEnabled(on);
}

void Component::Check_Systems_Click() {
    const bool on = m_CheckSystems->Value() != 0;
    m_FrameSystems->setEnabled(on);
    m_Systems->setEnabled(on);
}

void Component::Check_TimeSchedule_Click() {
    const bool on = m_CheckTimeSchedule->Value() != 0;
    m_Tab->SetTabVisible(1, on);
    m_CheckCalendar->setEnabled(on);
    if (!on) m_CheckCalendar->SetValue(0);
}

void Component::Check_Calendar_Click() {
    const bool on = m_CheckCalendar->Value() != 0;
    m_Tab->SetTabVisible(3, on);
    if (m_PageSchedule) m_PageSchedule->m_UseCalendar = Flag(on);
    refreshSchedule();
}

void Component::Check_Calendar_ViewTimeAxis_Click() {
    if (State().SharedCalendar) State().SharedCalendar->m_ShowTimeAxis = m_CheckViewTimeAxis->Value() != 0;
    RedrawCalendar();
}

void Component::Check_TimeSchedule_ViewDayType_Click() { repaintSchedule(); }

void Component::Combo_Calendar_DayType_Click() { m_ClickedDayTypeItem = m_DayTypeCombo->SelectedItem(); }

void Component::Combo_Calendar_DayType_KeyPress(int& keyAscii) {
    if (keyAscii != 13) return;
    keyAscii = 0;
    const int n = m_ClickedDayTypeItem;
    if (n <= 8 || n > m_DayTypeCombo->ItemCount()) return;
    const QString typed = m_DayTypeCombo->EditText();
    m_DayTypeCombo->SetItemText(n, typed);
    if (const std::shared_ptr<cCalendar> cal = State().SharedCalendar) {
        cal->SetDayTypeFullName(n - 2, FromQString(typed));
        m_ActiveMenu->SetCaption(n - 9, ToQString(cal->GetDayTypeFullName(State(), n - 2)));
    }
    m_DayTypeCombo->SetSelectedItem(n);
}

// --- Condition editor ---------------------------------------------------------------------

void Component::Text_Condition_OpenEditor(int index) {
    if (index < 0 || index >= 6) return;
    m_ConditionIndex = index;
    m_ConditionEditLabel->setText(m_ConditionLabel[static_cast<std::size_t>(index)]->text());
    m_ConditionEditLabel->show();
    for (QLabel* l : m_ConditionLabel) l->hide();
    QString text = m_Condition[static_cast<std::size_t>(index)]->text();
    // The box shows one pattern per line (its interface takes CR LF line breaks).
    m_ConditionEdit->setPlainText(text.replace(QLatin1Char(','), QLatin1Char('\n')));
    m_ConditionEdit->show();
    m_ConditionEdit->raise();
    m_ConditionEditLabel->raise();
}

void Component::closeConditionEditor() {
    m_ConditionEdit->hide();
    m_ConditionEditLabel->hide();
    for (int i = 0; i < 6; ++i)
        if (!(State().ServerKind == 2 && (i == 1 || i == 3))) m_ConditionLabel[static_cast<std::size_t>(i)]->show();
}

void Component::Text_Condition_Edit_Commit() {
    QString t = ToCrLf(m_ConditionEdit->toPlainText()).replace(QStringLiteral("\r\n"), QStringLiteral(","));
    // Blanks at both ends.
    qsizetype from = 0;
    while (from < t.size() && t.at(from) == QLatin1Char(' ')) ++from;
    qsizetype to = t.size();
    while (to > from && t.at(to - 1) == QLatin1Char(' ')) --to;
    t = t.mid(from, to - from);
    for (qsizetype p; (p = t.indexOf(QStringLiteral(" ,"))) >= 0;) t.remove(p, 1);
    for (qsizetype p; (p = t.indexOf(QStringLiteral(", "))) >= 0;) t.remove(p + 1, 1);
    closeConditionEditor();
    while (t.endsWith(QLatin1Char(','))) t.chop(1);
    if (t.isEmpty()) t = QStringLiteral("*");
    m_Condition[static_cast<std::size_t>(m_ConditionIndex)]->setText(t);
}

// --- Events of plain widgets --------------------------------------------------------------

bool Component::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 6; ++i)
            if (watched == m_Condition[static_cast<std::size_t>(i)]) {
                Text_Condition_OpenEditor(i);
                return true;
            }
        if (watched == m_ConditionEdit->viewport()) {
            Text_Condition_Edit_Commit();
            return true;
        }
    }
    if (type == QEvent::MouseButtonRelease && watched == m_CalendarMonth) Text_Calendar_Month_Click();
    if (type == QEvent::FocusIn) {
        if (watched == m_Parallel) ListView_Receivers_GotFocus(m_Parallel);
        else if (watched == m_Sequential) ListView_Receivers_GotFocus(m_Sequential);
    }
    if (type == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_Parallel || watched == m_Sequential) {
            int code = 0;
            switch (key->key()) {
            case Qt::Key_Up: code = 38; break;
            case Qt::Key_Down: code = 40; break;
            case Qt::Key_Delete: code = 46; break;
            default: break;
            }
            if (code != 0) {
                int shift = 0;
                if (key->modifiers() & Qt::ShiftModifier) shift |= 1;
                if (key->modifiers() & Qt::ControlModifier) shift |= 2;
                ListView_Receivers_KeyDown(static_cast<platform::ListView*>(watched), code, shift);
                if (code == 0) return true;
            }
        }
        if ((watched == m_PeriodStart || watched == m_PeriodStop) &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            periodTextEnter();
            return true;
        }
    }
    return shell::Component::eventFilter(watched, event);
}

} // namespace korvel::profiles
