#include "controls/receivers/parameterswindow.h"

#include "controls/receivers/receiverssettings.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/lastresort.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/windowhelpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <utility>

namespace korvel::receivers {
namespace {

using platform::TwipsToPixels;

// Layout of the window, in twips.
constexpr int kMargin = 120;
constexpr int kLabelWidth = 1800;
constexpr int kFieldLeft = kMargin + kLabelWidth + 120;
constexpr int kFieldWidth = 3600;
constexpr int kWindowWidth = kFieldLeft + kFieldWidth + kMargin;
constexpr int kRowPitch = 480;
constexpr int kFieldHeight = 315;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kRowName = 0;
constexpr int kRowType = 1;
constexpr int kRowFirstSetting = 2;
constexpr int kRowBackup = kRowFirstSetting + kSettingFields;
constexpr int kButtonTop = kMargin + (kRowBackup + 1) * kRowPitch + 120;

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

int RowTop(int row) { return kMargin + row * kRowPitch; }

QString WithoutAmpersands(QString text) { return text.remove(QLatin1Char('&')); }

// Leading and trailing blanks are no part of a name: the emptiness test, the duplicate
// check and the stored name all use the trimmed text.
Bytes TrimmedName(const QString& typed) { return platform::FromQString(typed.trimmed()); }

// The protocols a collection client may offer, compared as the server spells them.
bool IsCollectionProtocol(std::string_view code) { return code == "ILM" || code == "ILMTCP" || code == "POPUPFORM"; }

} // namespace

ReceiverParametersWindow::ReceiverParametersWindow(EditContext context, int16_t editMode,
                                                   std::shared_ptr<cReceiver> editReceiver, QWidget* parent)
    : QDialog(parent), m_Context(std::move(context)), m_EditMode(editMode), m_Receiver(std::move(editReceiver)) {
    setObjectName(QStringLiteral("Korvel_ActiveX_Client_ReceiverParameters"));
    setWindowTitle(QStringLiteral("Receiver parameters"));
    setModal(true);
    buildWidgets();

    // Opening the window.
    applyCaptions();
    platform::SetFormTopMost(this, true);
    fillReceiverTypes();
    if (m_Context.AllowBackupReceiver)
        fillBackupReceivers();
    else
        shrinkWithoutBackup();
    if (m_EditMode == EditModeCopy || m_EditMode == EditModeEdit) LoadReceiverIntoForm(*m_Receiver);
    if (m_EditMode == EditModeEdit) m_Name->setEnabled(false);
    platform::CenterForm(this);
}

void ReceiverParametersWindow::buildWidgets() {
    auto label = [this](const char* name, int row) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        Place(l, kMargin, RowTop(row), kLabelWidth, kFieldHeight);
        return l;
    };
    m_NameLabel = label("Label_Name", kRowName);
    m_Name = new QLineEdit(this);
    m_Name->setObjectName(QStringLiteral("Text_ReceiverName"));
    m_Name->setMaxLength(kMaxStringLength);
    Place(m_Name, kFieldLeft, RowTop(kRowName), kFieldWidth, kFieldHeight);
    m_NameLabel->setBuddy(m_Name);

    m_TypeLabel = label("Label_ReceiverType", kRowType);
    m_Type = new QComboBox(this);
    m_Type->setObjectName(QStringLiteral("Combo_ReceiverType"));
    Place(m_Type, kFieldLeft, RowTop(kRowType), kFieldWidth, kFieldHeight);
    m_TypeLabel->setBuddy(m_Type);
    connect(m_Type, &QComboBox::activated, this,
            [this] { platform::RunGuarded("Combo_ReceiverType_Click", [this] { Combo_ReceiverType_Click(); }); });

    for (int i = 0; i < kSettingFields; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const int top = RowTop(kRowFirstSetting + i);
        m_SettingLabels[n] = label("Label_Setting", kRowFirstSetting + i);
        m_SettingLabels[n]->setObjectName(QStringLiteral("Label_Setting%1").arg(i));
        m_SettingCombos[n] = new QComboBox(this);
        m_SettingCombos[n]->setObjectName(QStringLiteral("Combo_Setting%1").arg(i));
        Place(m_SettingCombos[n], kFieldLeft, top, kFieldWidth, kFieldHeight);
        m_SettingTexts[n] = new QLineEdit(this);
        m_SettingTexts[n]->setObjectName(QStringLiteral("Text_Setting%1").arg(i));
        m_SettingTexts[n]->setMaxLength(kMaxStringLength);
        Place(m_SettingTexts[n], kFieldLeft, top, kFieldWidth, kFieldHeight);
        m_SettingLabels[n]->hide();
        m_SettingCombos[n]->hide();
        m_SettingTexts[n]->hide();
    }

    m_BackupLabel = label("Label_BackupReceiver", kRowBackup);
    m_Backup = new QComboBox(this);
    m_Backup->setObjectName(QStringLiteral("Combo_BackupReceiver"));
    Place(m_Backup, kFieldLeft, RowTop(kRowBackup), kFieldWidth, kFieldHeight);
    m_BackupLabel->setBuddy(m_Backup);
    m_BackupLabel->hide();
    m_Backup->hide();

    m_Ok = new QPushButton(QStringLiteral("Ok"), this);
    m_Ok->setObjectName(QStringLiteral("Command_Ok"));
    m_Ok->setDefault(true);
    Place(m_Ok, kWindowWidth - 2 * kButtonWidth - 2 * kMargin, kButtonTop, kButtonWidth, kButtonHeight);
    m_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_Cancel->setObjectName(QStringLiteral("Command_Cancel"));
    Place(m_Cancel, kWindowWidth - kButtonWidth - kMargin, kButtonTop, kButtonWidth, kButtonHeight);
    connect(m_Ok, &QPushButton::clicked, this,
            [this] { platform::RunGuarded("Command_Ok_Click", [this] { Command_Ok_Click(); }); });
    connect(m_Cancel, &QPushButton::clicked, this,
            [this] { platform::RunGuarded("Command_Cancel_Click", [this] { Command_Cancel_Click(); }); });

    setFixedSize(TwipsToPixels(kWindowWidth), TwipsToPixels(kButtonTop + kButtonHeight + kMargin));
}

QString ReceiverParametersWindow::text(int number) const {
    return platform::ToQString(GetText(*m_Context.State, number));
}

void ReceiverParametersWindow::applyCaptions() {
    m_Cancel->setText(text(498));
    m_Ok->setText(text(499));
    m_NameLabel->setText(text(513) + QLatin1Char(':'));
    m_TypeLabel->setText(text(512) + QLatin1Char(':'));
    m_BackupLabel->setText(text(527) + QLatin1Char(':'));

    const QString receivers = WithoutAmpersands(text(511));
    switch (m_EditMode) {
    case EditModeAdd:
        setWindowTitle(WithoutAmpersands(text(576)) + QLatin1Char(' ') + receivers);
        m_Ok->setEnabled(false);
        break;
    case EditModeCopy: setWindowTitle(WithoutAmpersands(text(578)) + QLatin1Char(' ') + receivers); break;
    default:
        // The receiver's name is shown as stored: only the numbered texts lose their "&".
        setWindowTitle(WithoutAmpersands(text(514)) + QLatin1Char(' ') + receivers + QStringLiteral(" - ") +
                       platform::ToQString(RemoveAreaFromName(*m_Context.State, m_Receiver->m_ReceiverName)));
        break;
    }
}

void ReceiverParametersWindow::fillReceiverTypes() {
    const ClientState& state = *m_Context.State;
    const int16_t ownType = m_Receiver->GetReceiverTypeId();
    for (int b = 0, n = state.ReceiverTypes.SearchBound(); b < n; ++b) {
        const ReceiverTypeRow& row = state.ReceiverTypes.Rows[static_cast<std::size_t>(b)];
        bool offered = IsReceiverTypeInCountryFilter(state, b) || row.TypeId == ownType;
        if (m_Context.RunAsCollectionClient && !IsCollectionProtocol(row.ProtocolCode)) offered = false;
        if (!offered) continue;
        m_Type->addItem(WithoutAmpersands(platform::ToQString(row.TypeName)), b);
    }
    m_Type->setCurrentIndex(-1);
}

void ReceiverParametersWindow::fillBackupReceivers() {
    const ClientState& state = *m_Context.State;
    const Bytes& backup = m_Receiver->m_BackupReceiver;
    m_Backup->addItem(QString(), -1);
    int selected = -1;
    for (const auto& entry : state.Receivers) {
        const cReceiver& r = *entry.item;
        if (r.m_DiskIdentity == m_Receiver->m_DiskIdentity) continue;
        QString shown;
        if (state.ViewAllReceiversSetting)
            shown = platform::ToQString(r.m_ReceiverName);
        else if (IsNameInArea(state, r.m_ReceiverName))
            shown = platform::ToQString(RemoveAreaFromName(state, r.m_ReceiverName));
        else if (EqualsIgnoreCase(r.m_ReceiverName, backup))
            shown = platform::ToQString(r.m_ReceiverName);
        else
            continue;
        m_Backup->addItem(shown, static_cast<int>(r.m_DiskIdentity));
        if (EqualsIgnoreCase(r.m_ReceiverName, backup)) selected = m_Backup->count() - 1;
    }
    if (!backup.empty() && selected < 0) {
        m_Backup->addItem(platform::ToQString(backup), -1);
        selected = m_Backup->count() - 1;
    }
    m_Backup->setCurrentIndex(selected);
    m_Backup->show();
    m_BackupLabel->show();
}

void ReceiverParametersWindow::shrinkWithoutBackup() {
    const int okTop = platform::PixelsToTwips(m_Ok->y()) - kFieldHeight - 100;
    m_Ok->move(m_Ok->x(), TwipsToPixels(okTop));
    m_Cancel->move(m_Cancel->x(), TwipsToPixels(okTop));
    setFixedSize(width(), TwipsToPixels(okTop + kButtonHeight + 100));
}

int ReceiverParametersWindow::chosenTypeRow() const {
    if (m_Type->currentIndex() < 0) return -1;
    bool ok = false;
    const int row = m_Type->currentData().toInt(&ok);
    return ok && row >= 0 && row < m_Context.State->ReceiverTypes.SearchBound() ? row : -1;
}

void ReceiverParametersWindow::Combo_ReceiverType_Click() {
    const int row = chosenTypeRow();
    if (row < 0) {
        m_Ok->setEnabled(false);
        return;
    }
    for (int i = 0; i < kSettingFields; ++i) {
        const auto n = static_cast<std::size_t>(i);
        m_SettingLabels[n]->hide();
        m_SettingCombos[n]->hide();
        m_SettingTexts[n]->hide();
        m_IsList[n] = false;
        m_IsText[n] = false;
    }
    const ParameterLayout layout =
        ParseParameterLayout(m_Context.State->ReceiverTypes.Rows[static_cast<std::size_t>(row)].ParameterLayout);
    for (int i = 0; i < kSettingFields; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const SettingLayout& setting = layout[n];
        if (setting.Label) {
            m_SettingLabels[n]->setText(platform::ToQString(*setting.Label) + QLatin1Char(':'));
            m_SettingLabels[n]->show();
        }
        if (setting.IsList) {
            QComboBox* combo = m_SettingCombos[n];
            combo->clear();
            for (const Bytes& choice : setting.Choices) combo->addItem(platform::ToQString(choice));
            combo->setCurrentIndex(-1);
            combo->show();
            m_IsList[n] = true;
            m_SettingLabels[n]->setBuddy(combo);
        }
        if (setting.IsText) {
            m_SettingTexts[n]->show();
            m_IsText[n] = true;
            if (!setting.IsList) m_SettingLabels[n]->setBuddy(m_SettingTexts[n]);
        }
    }
    m_Ok->setEnabled(true);
}

void ReceiverParametersWindow::LoadReceiverIntoForm(const cReceiver& receiver) {
    const ClientState& state = *m_Context.State;
    m_Type->setCurrentIndex(-1);
    for (int i = 0; i < m_Type->count(); ++i) {
        const int row = m_Type->itemData(i).toInt();
        if (row >= 0 && row < state.ReceiverTypes.SearchBound() &&
            state.ReceiverTypes.Rows[static_cast<std::size_t>(row)].TypeId == receiver.GetReceiverTypeId()) {
            m_Type->setCurrentIndex(i);
            Combo_ReceiverType_Click();
            break;
        }
    }
    m_Name->setText(platform::ToQString(RemoveAreaFromName(state, receiver.m_ReceiverName)));
    for (int i = 0; i < kSettingFields; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const Variant value = receiver.GetSetting(i);
        if (m_IsList[n]) {
            // Only a whole number naming one of the choices chooses it; anything else
            // (an empty or foreign value) leaves the list without a choice.
            const Bytes stored = value.ToText();
            const std::optional<int32_t> index = NumericValueAsInt32(stored);
            const bool whole = index && IsNumeric(stored) && NumericValue(stored) == static_cast<double>(*index);
            if (whole && *index >= 0 && *index < m_SettingCombos[n]->count()) m_SettingCombos[n]->setCurrentIndex(*index);
        }
        if (m_IsText[n]) m_SettingTexts[n]->setText(platform::ToQString(value.ToText()));
    }
    m_Ok->setEnabled(true);
}

void ReceiverParametersWindow::Command_Ok_Click() {
    ClientState& state = *m_Context.State;
    const int row = chosenTypeRow();
    const Bytes typed = TrimmedName(m_Name->text());
    if (row < 0 || typed.empty()) return;

    Bytes name = m_EditMode == EditModeEdit ? m_Receiver->m_ReceiverName : AddAreaToName(state, typed);
    if (m_EditMode != EditModeEdit) {
        for (const auto& entry : state.Receivers) {
            if (EqualsIgnoreCase(entry.item->m_ReceiverName, name)) {
                platform::ShowMessage(text(209), windowTitle(), platform::MessageIcon::Exclamation,
                                      platform::MessageButtons::Ok, this);
                return;
            }
        }
    }

    // Build the receiver on a copy first: a name too long to be carried must leave the
    // receiver as it was and the window open.
    cReceiver result;
    result.CopyFrom(state, *m_Receiver);
    if (m_EditMode == EditModeAdd) result.m_Enabled = -1;
    result.SetReceiverTypeId(state, state.ReceiverTypes.Rows[static_cast<std::size_t>(row)].TypeId);
    result.m_ReceiverName = name;
    for (int i = 0; i < kSettingFields; ++i) {
        const auto n = static_cast<std::size_t>(i);
        if (m_IsList[n])
            result.SaveSetting(i, Variant::Integer(static_cast<int16_t>(m_SettingCombos[n]->currentIndex())));
        else if (m_IsText[n])
            result.SaveSetting(i, Variant(platform::FromQString(m_SettingTexts[n]->text())));
        else
            result.SaveSetting(i, Variant());
    }
    if (m_Context.AllowBackupReceiver && m_Backup->currentIndex() >= 0) {
        const int chosen = m_Backup->currentIndex();
        const int identity = m_Backup->currentData().toInt();
        if (chosen == 0) {
            result.m_BackupReceiver.clear();
        } else if (identity >= 0) {
            if (auto backup = state.Receivers.Find(RecordKey(identity))) result.m_BackupReceiver = backup->m_ReceiverName;
        } else {
            result.m_BackupReceiver = platform::FromQString(m_Backup->currentText());
        }
    }

    Bytes body;
    try {
        AppendLong(body, result.m_DiskIdentity);
        AppendString(body, result.m_ReceiverName);
        result.AppendNetworkBytes(body);
    } catch (const KorvelError&) {
        return; // a text too long for the network form: nothing is sent, the window stays
    }

    // Without a connection nothing would reach the server: say so and keep the window
    // open with the operator's entries, changing nothing.
    if (m_Context.IsConnected && !m_Context.IsConnected()) {
        platform::ShowMessage(QString::fromLatin1(kNotSentText), windowTitle(), platform::MessageIcon::Exclamation,
                              platform::MessageButtons::Ok, this);
        return;
    }

    m_Receiver->CopyFrom(state, result);
    if (state.SettingsStore)
        state.SettingsStore->Save(kSettingsApplication, kParametersSection, kLastSelectedReceiver, name);
    if (m_Context.Send) m_Context.Send(MessageType::MsgReceiverSave, body);
    m_Sent = true;
    accept();
}

void ReceiverParametersWindow::Command_Cancel_Click() { reject(); }

bool ReceiverParametersWindow::Run() {
    platform::RunModal(*this);
    return m_Sent;
}

} // namespace korvel::receivers
