// The profiles editor's profile page: fields to and from the record, the rules by which
// check boxes enable other widgets, and the condition editor.

#include "controls/profiles/profilepage.h"

#include "core/numeric.h"
#include "core/records/profile.h"
#include "core/records/variant.h"
#include "platform/checkbox.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/qtext.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <algorithm>

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

QString ToCrLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

} // namespace

ProfilePage::ProfilePage(PageHost& host, ClientState& state, QObject* control)
    : Page(host, state, control, "ProfilePage") {}

ProfilePage::~ProfilePage() { DeletePlaced(); }

// --- Widgets ------------------------------------------------------------------------------

void ProfilePage::BuildStates(QWidget* tab) {
    m_FrameStates = Placed(Named(new QGroupBox(QStringLiteral("Include &Alarm States"), tab), "Frame_States"));
    m_FrameStates->setGeometry(TwipRect(5520, 120, 2700, 1300));
    const char* states[] = {"Inactive", "Active", "Acknowledged"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new platform::CheckBox(QString::fromLatin1(states[i]), m_FrameStates);
        box->setObjectName(Indexed("Check_AlarmState", i));
        box->setGeometry(TwipRect(150, 280 + 320 * i, 2400, 300));
        m_AlarmState[static_cast<std::size_t>(i)] = box;
    }
}

void ProfilePage::BuildConditions(QWidget* tab) {
    m_FrameIncludeExclude = Placed(Named(new QGroupBox(QStringLiteral("&General include/exclude conditions"), tab),
                                         "Frame_IncludeExclude"));
    m_FrameIncludeExclude->setGeometry(TwipRect(120, 3600, 5300, 2040));
    const char* labels[] = {"Tag:", "Area:", "Category:", "Name:", "Description:", "State:"};
    const char* tips[] = {"Tag in the format [-]tagname. Doubleclick to expand.",
                          "Area in the format [-]area. Doubleclick to expand.",
                          "Category in the format [-]xxx[-yyy]. Doubleclick to expand.",
                          "Name in the format [-name]. Doubleclick to expand.",
                          "Description in the format [-]xxx. Doubleclick to expand.", nullptr};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(QString::fromLatin1(labels[i]), m_FrameIncludeExclude);
        label->setObjectName(Indexed("Label_Condition", i));
        label->setGeometry(TwipRect(150, 270 + 292 * i, 1300, 270));
        auto* text = new QLineEdit(QStringLiteral("*"), m_FrameIncludeExclude);
        text->setObjectName(Indexed("Text_Condition", i));
        text->setGeometry(TwipRect(1500, 255 + 292 * i, 3600, 285));
        if (tips[i]) text->setToolTip(QString::fromLatin1(tips[i]));
        text->installEventFilter(this);
        m_ConditionLabel[static_cast<std::size_t>(i)] = label;
        m_Condition[static_cast<std::size_t>(i)] = text;
    }
    m_ConditionEditLabel = Named(new QLabel(m_FrameIncludeExclude), "Label_Condition_Edit");
    m_ConditionEditLabel->setGeometry(TwipRect(150, 300, 1300, 300));
    m_ConditionEditLabel->hide();
    m_ConditionEdit = Named(new QPlainTextEdit(m_FrameIncludeExclude), "Text_Condition_Edit");
    m_ConditionEdit->setGeometry(TwipRect(1500, 255, 3600, 1737));
    m_ConditionEdit->hide();
    m_ConditionEdit->viewport()->installEventFilter(this);
}

void ProfilePage::BuildOffDuty(QWidget* tab) {
    m_OffDutyLabel = Placed(Named(new QLabel(QStringLiteral("Off Duty behaviour:"), tab), "Label_OffDutyBehaviour"));
    m_OffDutyLabel->setGeometry(TwipRect(120, 5450, 2000, 300));
    m_OffDutyCombo = Placed(Named(new platform::ImageCombo(tab), "Combo_OffDutyBehaviour"));
    m_OffDutyCombo->setEditable(false);
    const char* offDuty[] = {"Throw alarm event", "Delay until On Duty", "Delay until On Duty (throw if Inactive)",
                             "Delay until On Duty (throw if Acked)",
                             "Delay until On Duty (throw if Inactive or Acked)"};
    for (const char* text : offDuty) m_OffDutyCombo->AddItem(QString::fromLatin1(text));
    m_OffDutyCombo->setGeometry(TwipRect(2200, 5420, 3900, 330));
    m_OffDutyLabel->hide();
    m_OffDutyCombo->hide();
}

void ProfilePage::BuildAdvanced(QWidget* tab) {
    int top = 150;
    auto check = [&](const char* name, const char* caption) {
        auto* box = Placed(Named(new platform::CheckBox(QString::fromLatin1(caption), tab), name));
        box->setGeometry(TwipRect(120, top, 5500, 300));
        return box;
    };
    auto label = [&](const QString& name, const char* caption, int left, int t, int width) {
        auto* l = Placed(new QLabel(QString::fromLatin1(caption), tab));
        l->setObjectName(name);
        l->setGeometry(TwipRect(left, t, width, 300));
        return l;
    };
    auto text = [&](const char* name, int left, int t, int width) {
        auto* e = Placed(Named(new QLineEdit(tab), name));
        e->setGeometry(TwipRect(left, t, width, 300));
        return e;
    };
    auto line = [&](int index, int t) {
        auto* l = Placed(new QFrame(tab));
        l->setObjectName(Indexed("Line_Delimiter", index));
        l->setFrameShape(QFrame::HLine);
        l->setGeometry(TwipRect(60, t, 6000, 30));
        m_LineDelimiter[static_cast<std::size_t>(index)] = l;
    };

    m_CheckExternalTag = check("Check_ExternalTag", "External profile enable/disable using tag");
    m_ExternalTagLabel = label(QStringLiteral("Label_ExternalTag"), "Tag:", 400, top + 350, 1500);
    m_ExternalTag = text("Text_ExternalTag", 1900, top + 330, 4000);
    m_CheckIgnoreExternalTag = Placed(Named(
        new platform::CheckBox(QStringLiteral("Ignore the tag in other profiles"), tab), "Check_IgnoreExternalTag"));
    m_CheckIgnoreExternalTag->setGeometry(TwipRect(400, top + 680, 5000, 300));
    line(0, top + 1050);
    line(1, top + 1080);
    top += 1150;
    m_CheckExternalFile = check("Check_ExternalFile", "External profile enable/disable using file");
    m_ExternalFileLabel[0] = label(Indexed("Label_ExternalFile", 0), "Filename:", 400, top + 350, 1500);
    m_ExternalFile = text("Text_ExternalFile", 1900, top + 330, 4000);
    m_ExternalFileLabel[1] = label(Indexed("Label_ExternalFile", 1), "Enable by text:", 400, top + 700, 1500);
    m_ExternalFileText = text("Text_ExternalFileText", 1900, top + 680, 4000);
    line(2, top + 1050);
    line(3, top + 1080);
    top += 1150;
    m_CheckAutoBlock = check("Check_AutoBlock", "Use automatic time-limited alarm blocking");
    const char* blockLabels[] = {"Number of matching events treshold:", "Treshold window:",
                                 "When threshold is exceeded, block for:", "seconds", "seconds"};
    for (int i = 0; i < 3; ++i)
        m_AutoBlockLabel[static_cast<std::size_t>(i)] =
            label(Indexed("Label_AutoBlock", i), blockLabels[i], 400, top + 350 + 330 * i, 3300);
    m_AutoBlockEvents = text("Text_AutoBlockTresholdEvents", 3800, top + 330, 900);
    m_AutoBlockWindow = text("Text_AutoBlockTresholdTime", 3800, top + 660, 900);
    m_AutoBlockTime = text("Text_AutoBlockTime", 3800, top + 990, 900);
    m_AutoBlockLabel[3] = label(Indexed("Label_AutoBlock", 3), blockLabels[3], 4800, top + 680, 1000);
    m_AutoBlockLabel[4] = label(Indexed("Label_AutoBlock", 4), blockLabels[4], 4800, top + 1010, 1000);
    m_AutoBlockBehaviour = Named(new platform::OptionButtons(this), "Option_AutoBlockBehaviour");
    const char* options[] = {"Block the complete profile", "Block individual tags only"};
    for (int i = 0; i < 2; ++i) {
        auto* option = Placed(new QRadioButton(QString::fromLatin1(options[i]), tab));
        option->setObjectName(Indexed("Option_AutoBlockBehaviour", i));
        option->setGeometry(TwipRect(400 + 2800 * i, top + 1350, 2700, 300));
        m_AutoBlockOption[static_cast<std::size_t>(i)] = option;
        m_AutoBlockBehaviour->Add(option);
    }
    line(4, top + 1720);
    line(5, top + 1750);
    top += 1820;
    m_CheckSystems = check("Check_Systems", "Use this profile for specific SCADA systems");
    m_FrameSystems = Placed(Named(new QGroupBox(QStringLiteral("&System"), tab), "Frame_Systems"));
    m_FrameSystems->setGeometry(TwipRect(400, top + 350, 4500, 1600));
    m_Systems = Named(new platform::ListView(m_FrameSystems), "ListView_Systems");
    m_Systems->setHeaderHidden(true);
    m_Systems->SetCheckBoxes(true);
    m_Systems->setGeometry(TwipRect(120, 250, 4200, 1250));
    connectHandlers();
}

void ProfilePage::connectHandlers() {
    connect(m_CheckAutoBlock, &platform::CheckBox::Click, this,
            Guarded("Check_AutoBlock_Click", this, &ProfilePage::Check_AutoBlock_Click));
    connect(m_CheckExternalFile, &platform::CheckBox::Click, this,
            Guarded("Check_ExternalFile_Click", this, &ProfilePage::Check_ExternalFile_Click));
    connect(m_CheckExternalTag, &platform::CheckBox::Click, this,
            Guarded("Check_ExternalTag_Click", this, &ProfilePage::Check_ExternalTag_Click));
    connect(m_CheckSystems, &platform::CheckBox::Click, this,
            Guarded("Check_Systems_Click", this, &ProfilePage::Check_Systems_Click));
}

void ProfilePage::Initialise() {
    m_Systems->AddColumn(QString(), 4100);
    // The dependent widgets follow their unticked boxes from the start.
    Check_AutoBlock_Click();
    Check_ExternalFile_Click();
    Check_ExternalTag_Click();
    Check_Systems_Click();
}

void ProfilePage::ApplyCaptions() {
    const ClientState& s = m_State;
    auto text = [this](int n) { return m_Host.Text(n); };
    auto colon = [&](int n) { return text(n) + QLatin1Char(':'); };

    m_FrameStates->setTitle(text(440));
    for (int i = 0; i < 3; ++i) m_AlarmState[static_cast<std::size_t>(i)]->setText(text(441 + i));
    m_FrameIncludeExclude->setTitle(text(450));
    for (int i = 0; i < 6; ++i) m_ConditionLabel[static_cast<std::size_t>(i)]->setText(colon(451 + i));
    if (s.ServerKind == 2) {
        const char* fixed[] = {"Name", nullptr, "Class", nullptr, "Event Text", "Event Code"};
        for (int i : {0, 2, 4, 5})
            m_ConditionLabel[static_cast<std::size_t>(i)]->setText(QString::fromLatin1(fixed[i]) + QLatin1Char(':'));
        // The rows move once: a second pass would move them again from their new places.
        if (!m_ServerKindLayoutDone) {
            const int textTops[] = {m_Condition[1]->y(), m_Condition[2]->y(), m_Condition[3]->y()};
            const int labelTops[] = {m_ConditionLabel[1]->y(), m_ConditionLabel[2]->y(), m_ConditionLabel[3]->y()};
            const int moved[] = {2, 4, 5};
            for (int k = 0; k < 3; ++k) {
                QLineEdit* t = m_Condition[static_cast<std::size_t>(moved[k])];
                QLabel* l = m_ConditionLabel[static_cast<std::size_t>(moved[k])];
                t->move(t->x(), textTops[k]);
                l->move(l->x(), labelTops[k]);
            }
            m_ServerKindLayoutDone = true;
        }
        for (int i : {1, 3}) {
            m_ConditionLabel[static_cast<std::size_t>(i)]->hide();
            m_Condition[static_cast<std::size_t>(i)]->hide();
        }
    }
    const bool offDuty = m_Host.MaxDaysToStoreAlarm() > 0;
    m_OffDutyLabel->setText(colon(957));
    m_OffDutyLabel->setVisible(offDuty);
    m_OffDutyCombo->setVisible(offDuty);
    for (int i = 1; i <= 5; ++i) m_OffDutyCombo->SetItemText(i, text(957 + i));
    m_CheckExternalTag->setText(text(480));
    m_ExternalTagLabel->setText(colon(481));
    m_CheckIgnoreExternalTag->setText(text(482));
    m_CheckExternalFile->setText(text(483));
    m_ExternalFileLabel[0]->setText(colon(484));
    m_ExternalFileLabel[1]->setText(colon(485));
    m_CheckAutoBlock->setText(text(486));
    for (int i = 0; i < 3; ++i) m_AutoBlockLabel[static_cast<std::size_t>(i)]->setText(colon(487 + i));
    m_AutoBlockLabel[3]->setText(text(671));
    m_AutoBlockLabel[4]->setText(text(671));
    m_AutoBlockOption[0]->setText(text(493));
    m_AutoBlockOption[1]->setText(text(494));
    m_CheckSystems->setText(text(490));
    m_FrameSystems->setTitle(text(491));
}

void ProfilePage::LayOut(const PageLayout& layout) {
    const int T = layout.TabHeight;
    const int S = layout.TabWidth;
    if (layout.Tall) {
        m_FrameIncludeExclude->move(m_FrameIncludeExclude->x(), Px(T - 2505));
        m_FrameSystems->resize(m_FrameSystems->width(), std::max(0, Px(T - 5000)));
        m_Systems->resize(m_Systems->width(), std::max(0, Px(T - 5420)));
    }
    if (layout.Wide) {
        m_FrameStates->move(Px(S - 2835), m_FrameStates->y());
        for (QFrame* line : m_LineDelimiter) line->resize(std::max(0, Px(S - 105) - line->x()), line->height());
        for (QLineEdit* e : {m_ExternalTag, m_ExternalFile, m_ExternalFileText})
            e->resize(std::max(0, Px(S - 2130)), e->height());
    }
}

// --- Page <-> record ----------------------------------------------------------------------

void ProfilePage::Clear() {
    m_AlarmState[0]->SetValue(1);
    m_AlarmState[1]->SetValue(1);
    m_AlarmState[2]->SetValue(0);
    m_OffDutyCombo->SetSelectedItem(1);
    // An open condition editor holds the text of the profile shown before: it closes
    // without being committed anywhere, or the next store would give that text to
    // whatever the cleared page is stored into.
    closeConditionEditor();
    for (QLineEdit* condition : m_Condition) condition->setText(QStringLiteral("*"));
    m_CheckExternalTag->SetValue(0);
    m_ExternalTag->clear();
    m_CheckIgnoreExternalTag->SetValue(1);
    m_CheckExternalFile->SetValue(0);
    m_ExternalFile->setText(ToQString(m_State.ServerDataPath));
    m_ExternalFileText->setText(QStringLiteral("ACTIVE"));
    m_CheckAutoBlock->SetValue(0);
    for (QLineEdit* e : {m_AutoBlockEvents, m_AutoBlockWindow, m_AutoBlockTime}) e->setText(QStringLiteral("0"));
    m_AutoBlockBehaviour->ClearAll();
    m_AutoBlockBehaviour->Set(0);
    m_CheckSystems->SetValue(0);
    for (int i = 1; i <= m_Systems->ListCount(); ++i) m_Systems->SetChecked(i, false);
}

void ProfilePage::Show(const cProfile& p) {
    for (int i = 0; i < 3; ++i) m_AlarmState[static_cast<std::size_t>(i)]->SetValue(p.GetState(i) != 0);
    for (int i = 0; i < 6; ++i) m_Condition[static_cast<std::size_t>(i)]->setText(ToQString(p.GetCondition(i)));
    // An open editor shows the new profile's field (what was typed in it and not yet
    // committed is dropped).
    if (m_ConditionEdit->isVisible() || conditionEditorOpen()) Text_Condition_OpenEditor(m_ConditionIndex);
    m_OffDutyCombo->SetSelectedItem(p.m_OffDutyAlarmBehaviour + 1);
    m_CheckExternalTag->SetValue(p.m_UseExternalTag != 0);
    m_ExternalTag->setText(ToQString(p.m_ExternalTagName));
    m_CheckIgnoreExternalTag->SetValue(p.m_IgnoreExternalTagInOtherProfiles != 0);
    m_CheckExternalFile->SetValue(p.m_UseExternalFile != 0);
    m_ExternalFile->setText(ToQString(p.m_ExternalFileName));
    m_ExternalFileText->setText(ToQString(p.m_ExternalFileText));
    m_CheckAutoBlock->SetValue(p.m_UseAutoBlock != 0);
    m_AutoBlockEvents->setText(QString::number(p.m_AutoBlockTresholdEvents));
    m_AutoBlockWindow->setText(QString::number(p.m_AutoBlockTresholdTime));
    m_AutoBlockTime->setText(QString::number(p.m_AutoBlockTime));
    m_AutoBlockBehaviour->ClearAll();
    if (p.m_AutoBlockBehaviour == 0) m_AutoBlockBehaviour->Set(0);
    else if (p.m_AutoBlockBehaviour == 1) m_AutoBlockBehaviour->Set(1);
    m_CheckSystems->SetValue(p.m_ScanSpecificSystems != 0);
    for (int i = 1; i <= m_Systems->ListCount(); ++i) {
        const int system = m_Systems->Key(i).mid(1).toInt();
        if (system >= 0 && system < kSystemCount) m_Systems->SetChecked(i, p.GetSystem(system) != 0);
    }
}

void ProfilePage::StoreInto(cProfile& p) {
    for (int i = 0; i < 3; ++i) p.SetState(i, Flag(m_AlarmState[static_cast<std::size_t>(i)]->Value() != 0));
    // An open editor is committed into its field first and stays open.
    if (conditionEditorOpen()) {
        Text_Condition_Edit_Commit();
        m_ConditionEdit->show();
        m_ConditionEditLabel->show();
    }
    for (int i = 0; i < 6; ++i) p.SetCondition(i, Variant(FromQString(m_Condition[static_cast<std::size_t>(i)]->text())));
    if (m_OffDutyCombo->SelectedItem() >= 1)
        p.m_OffDutyAlarmBehaviour = static_cast<int16_t>(m_OffDutyCombo->SelectedItem() - 1);
    p.m_UseExternalTag = Flag(m_CheckExternalTag->Value() != 0);
    p.m_ExternalTagName = FromQString(m_ExternalTag->text());
    p.m_IgnoreExternalTagInOtherProfiles = Flag(m_CheckIgnoreExternalTag->Value() != 0);
    p.m_UseExternalFile = Flag(m_CheckExternalFile->Value() != 0);
    p.m_ExternalFileName = FromQString(m_ExternalFile->text());
    p.m_ExternalFileText = FromQString(m_ExternalFileText->text());
    p.m_UseAutoBlock = Flag(m_CheckAutoBlock->Value() != 0);
    p.m_AutoBlockTresholdEvents = StoredCount(m_AutoBlockEvents->text());
    p.m_AutoBlockTresholdTime = StoredCount(m_AutoBlockWindow->text());
    p.m_AutoBlockTime = StoredCount(m_AutoBlockTime->text());
    p.m_AutoBlockBehaviour = m_AutoBlockBehaviour->Value(0) ? 0 : 1;
    p.m_ScanSpecificSystems = Flag(m_CheckSystems->Value() != 0);
    for (int i = 1; i <= m_Systems->ListCount(); ++i) {
        const int system = m_Systems->Key(i).mid(1).toInt();
        if (system >= 0 && system < kSystemCount) p.SetSystem(system, Flag(m_Systems->Checked(i)));
    }
}

// --- The tab control and the server's system list -------------------------------------------

void ProfilePage::BeforeTabChange() {
    if (conditionEditorOpen()) Text_Condition_Edit_Commit();
}

void ProfilePage::TabChanged(int index) {
    for (QFrame* line : m_LineDelimiter) line->setVisible(index == 2);
}

void ProfilePage::SystemListArrived() {
    m_Systems->ClearItems();
    m_Systems->SetSorted(false);
    m_Systems->hide();
    for (int n = 0; n < kSystemCount; ++n) {
        const Bytes& name = m_State.SystemNames[static_cast<std::size_t>(n)];
        if (!name.empty()) m_Systems->AddItem(QStringLiteral("K%1").arg(n), ToQString(name));
    }
    m_Systems->SetSortKey(0);
    m_Systems->SetSortOrder(0);
    m_Systems->SetSorted(true);
    m_Systems->show();
}

// --- Check box rules ----------------------------------------------------------------------

void ProfilePage::Check_AutoBlock_Click() {
    const bool on = m_CheckAutoBlock->Value() != 0;
    for (QLabel* l : m_AutoBlockLabel) l->setEnabled(on);
    for (QLineEdit* e : {m_AutoBlockEvents, m_AutoBlockWindow, m_AutoBlockTime}) e->setEnabled(on);
    for (QRadioButton* o : m_AutoBlockOption) o->setEnabled(on);
}

void ProfilePage::Check_ExternalFile_Click() {
    const bool on = m_CheckExternalFile->Value() != 0;
    m_ExternalFileLabel[0]->setEnabled(on);
    m_ExternalFileLabel[1]->setEnabled(on);
    m_ExternalFile->setEnabled(on);
    m_ExternalFileText->setEnabled(on);
}

void ProfilePage::Check_ExternalTag_Click() {
    const bool on = m_CheckExternalTag->Value() != 0;
    m_ExternalTagLabel->setEnabled(on);
    m_ExternalTag->setEnabled(on);
    m_CheckIgnoreExternalTag->setEnabled(on);
}

void ProfilePage::Check_Systems_Click() {
    const bool on = m_CheckSystems->Value() != 0;
    m_FrameSystems->setEnabled(on);
    m_Systems->setEnabled(on);
}

// --- Condition editor ---------------------------------------------------------------------

// Open: shown on its group (the tab it stands on may be hidden).
bool ProfilePage::conditionEditorOpen() const { return m_ConditionEdit->isVisibleTo(m_FrameIncludeExclude); }

void ProfilePage::Text_Condition_OpenEditor(int index) {
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

void ProfilePage::closeConditionEditor() {
    m_ConditionEdit->hide();
    m_ConditionEditLabel->hide();
    for (int i = 0; i < 6; ++i)
        if (!(m_State.ServerKind == 2 && (i == 1 || i == 3))) m_ConditionLabel[static_cast<std::size_t>(i)]->show();
}

void ProfilePage::Text_Condition_Edit_Commit() {
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

// The double-clicks that open and commit the condition editor.
bool ProfilePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 6; ++i)
            if (watched == m_Condition[static_cast<std::size_t>(i)]) {
                platform::RunGuarded("Text_Condition_OpenEditor", [&] { Text_Condition_OpenEditor(i); });
                return true;
            }
        if (watched == m_ConditionEdit->viewport()) {
            platform::RunGuarded("Text_Condition_Edit_Commit", [&] { Text_Condition_Edit_Commit(); });
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvel::profiles
