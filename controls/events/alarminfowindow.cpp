#include "controls/events/alarminfowindow.h"

#include "controls/events/dateformat.h"
#include "controls/events/dateparsers.h"
#include "core/numeric.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/lastresort.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/windowhelpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvel::events {
namespace {

using platform::kTwipsPerPixel;
using platform::ToQString;

const std::string kSettingsApplication = "Korvel Alarm Server 3";
const std::string kSettingsSection = "Parameters";
const std::string kWidthKey = "AlarmInfoViewColWidth";

constexpr int kLabelColumn = 1; // 0-based columns of the list: 0 hidden, 1 labels, 2 values
constexpr int kValueColumn = 2;
constexpr int kCreatedWidths[3] = {0, 823, 853};
constexpr int kSmallestWidth = 1500;
// A stored width beyond any screen is taken as this many twips (10 000 pixels).
constexpr double kLargestWidth = 150000;
// A column is widened to its texts up to this many pixels.
constexpr int kLargestFitPixels = 600;

// Window caption and menu captions, column headers, first row label.
constexpr int32_t kTextCaption = 1500, kTextLabelHeader = 1501, kTextValueHeader = 1502;
constexpr int32_t kTextTools = 1535, kTextCopy = 1536, kTextExit = 1538;
constexpr int32_t kTextFirstLabel = 1520;
constexpr int32_t kTextStateFirst = 837, kTextStateThree = 953;

Bytes Field(const Bytes& record, int index) {
    return Bytes(SplitField(record, kRecordSeparator, index));
}

Bytes Text(const AlarmInfoSources& sources, int32_t number) {
    return sources.text ? sources.text(number) : Bytes();
}

// A field that holds no number (missing, empty, text) shows nothing.
std::optional<int32_t> NumberIn(const Bytes& field) {
    if (!IsNumeric(field)) return std::nullopt;
    return NumericValueAsInt32(field);
}

Bytes HexCode(const Bytes& field) {
    auto number = NumberIn(field);
    if (!number) return {};
    char hex[16];
    std::snprintf(hex, sizeof hex, "0000%X", static_cast<uint32_t>(*number));
    Bytes text(hex);
    return text.substr(text.size() - 4);
}

} // namespace

std::array<AlarmInfoRow, kAlarmInfoRows> BuildAlarmInfoRows(const Bytes& record,
                                                            const AlarmInfoSources& sources) {
    std::array<AlarmInfoRow, kAlarmInfoRows> rows;
    for (int r = 0; r < kAlarmInfoRows; ++r) rows[r].label = Text(sources, kTextFirstLabel + r) + ":";

    const int state = NumericValueAsInt16(Field(record, 0)).value_or(0);
    rows[0].value = std::to_string(state);
    // A state outside 0..3 has no text of its own.
    if (state == 3) rows[1].value = Text(sources, kTextStateThree);
    else if (state >= 0 && state <= 2) rows[1].value = Text(sources, kTextStateFirst + state);
    for (int k = 0; k < 6; ++k) rows[2 + k].value = Field(record, 12 + k);
    rows[8].value = HexCode(Field(record, 1));
    for (int stamp = 0; stamp < 2; ++stamp) {
        DateTime when = ParseTimeStamp(Field(record, 2 + stamp), sources.now);
        rows[9 + 2 * stamp].value = FormatDateTime(sources.dateFormat, when);
        rows[10 + 2 * stamp].value = FormatDateTime(sources.timeFormat, when);
    }
    const Bytes system = Field(record, 5);
    rows[13].value = system;
    auto number = NumberIn(system);
    if (number && *number >= 0 && *number < kSystemCount) rows[14].value = sources.systemNames[*number];
    return rows;
}

AlarmInfoWindow::AlarmInfoWindow(AlarmInfoSources sources, QWidget* parent)
    : QDialog(parent), m_Sources(std::move(sources)) {
    setObjectName("Korvel3_ActiveX_Client_Events_AlarmInfo");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(ToQString(Text(m_Sources, kTextCaption)));

    auto* menuBar = new QMenuBar(this);
    m_ToolsMenu = menuBar->addMenu(ToQString(Text(m_Sources, kTextTools)));
    m_ToolsMenu->setObjectName("Menu_Tools");
    m_Copy = m_ToolsMenu->addAction(ToQString(Text(m_Sources, kTextCopy)));
    m_Copy->setObjectName("Menu_Tools_CopyToClipboard");
    m_ToolsMenu->addSeparator()->setObjectName("Menu_Del_0");
    m_Exit = m_ToolsMenu->addAction(ToQString(Text(m_Sources, kTextExit)));
    m_Exit->setObjectName("Menu_Tools_Exit");
    connect(m_Copy, &QAction::triggered, this,
            platform::Guarded("CopyToClipboard", this, &AlarmInfoWindow::CopyToClipboard));
    connect(m_Exit, &QAction::triggered, this, platform::Guarded("Exit", this, &AlarmInfoWindow::Exit));

    m_List = new QTreeWidget(this);
    m_List->setObjectName("ListView_AlarmInfo");
    m_List->setRootIsDecorated(false);
    m_List->setIndentation(0);
    m_List->setUniformRowHeights(true);
    m_List->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_List->setColumnCount(3);
    m_List->header()->setStretchLastSection(false);
    m_List->header()->setMinimumSectionSize(0);
    m_List->setHeaderLabels({QString(), ToQString(Text(m_Sources, kTextLabelHeader)),
                             ToQString(Text(m_Sources, kTextValueHeader))});
    QTreeWidgetItem* header = m_List->headerItem();
    header->setTextAlignment(0, Qt::AlignHCenter | Qt::AlignVCenter);
    header->setTextAlignment(kLabelColumn, Qt::AlignRight | Qt::AlignVCenter);
    header->setTextAlignment(kValueColumn, Qt::AlignLeft | Qt::AlignVCenter);
    m_SettingWidths = true;
    for (int c = 0; c < 3; ++c) m_List->setColumnWidth(c, platform::TwipsToPixels(kCreatedWidths[c]));
    LoadColumnWidths();
    m_SettingWidths = false;
    // Widths the operator changes are written back as they show when the window closes.
    connect(m_List->header(), &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!m_SettingWidths && column >= 0 && column < 3) m_WidthChanged[static_cast<std::size_t>(column)] = true;
    });

    m_List->clear();
    const auto rows = BuildAlarmInfoRows(Bytes(), m_Sources);
    for (int r = 0; r < kAlarmInfoRows; ++r) {
        auto* item = new QTreeWidgetItem(m_List);
        item->setText(kLabelColumn, ToQString(rows[r].label));
        item->setTextAlignment(kLabelColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kValueColumn, Qt::AlignLeft | Qt::AlignVCenter);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_List);

    FitToContents();
}

void AlarmInfoWindow::FitToContents() {
    // A column without a stored width opens wide enough for its texts (up to a bound),
    // so no label or value is cut off; a stored width is the operator's and is applied
    // as stored, and a width the operator changed in this window stays as it is.
    m_SettingWidths = true;
    for (int column : {kLabelColumn, kValueColumn}) {
        const auto c = static_cast<std::size_t>(column);
        if (m_WidthStored[c] || m_WidthChanged[c]) continue;
        const int width = m_List->columnWidth(column);
        m_List->resizeColumnToContents(column);
        const int fitted = std::min(m_List->columnWidth(column), kLargestFitPixels);
        m_List->setColumnWidth(column, std::max(width, fitted));
    }
    m_SettingWidths = false;
    const int listWidth = m_List->columnWidth(kLabelColumn) + m_List->columnWidth(kValueColumn);
    const int rowsHeight = m_List->header()->sizeHint().height() +
                           kAlarmInfoRows * std::max(m_List->sizeHintForRow(0), 1);
    const int menuHeight = layout() && layout()->menuBar() ? layout()->menuBar()->sizeHint().height() : 0;
    resize(std::clamp(listWidth + 24, 420, 1000), std::clamp(rowsHeight + menuHeight + 8, 200, 800));
}

void AlarmInfoWindow::Fill(const Bytes& record) {
    const auto rows = BuildAlarmInfoRows(record, m_Sources);
    for (int r = 0; r < kAlarmInfoRows && r < m_List->topLevelItemCount(); ++r)
        m_List->topLevelItem(r)->setText(kValueColumn, ToQString(rows[r].value));
    setWindowTitle(ToQString(Text(m_Sources, kTextCaption) + " - " + Field(record, 12)));
    FitToContents();
}

void AlarmInfoWindow::ShowModal() {
    setWindowModality(Qt::ApplicationModal);
    platform::SetFormTopMost(this, true);
    platform::CenterForm(this);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    m_List->setFocus();
    platform::RunModal(*this);
}

QString AlarmInfoWindow::ClipboardText() const {
    QString text;
    for (int r = 0; r < m_List->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = m_List->topLevelItem(r);
        text += item->text(kLabelColumn) + '\t' + item->text(kValueColumn) + "\r\n";
    }
    return text;
}

void AlarmInfoWindow::CopyToClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    clipboard->clear();
    clipboard->setText(ClipboardText());
}

void AlarmInfoWindow::Exit() { reject(); }

int AlarmInfoWindow::ColumnWidthTwips(int column) const {
    if (column < 1 || column > 3 || m_List->isColumnHidden(column - 1)) return 0;
    return m_List->columnWidth(column - 1) * kTwipsPerPixel;
}

void AlarmInfoWindow::LoadColumnWidths() {
    for (int i = 1; i <= 3; ++i) {
        double twips = ColumnWidthTwips(i);
        if (m_Sources.settings) {
            const std::string stored =
                m_Sources.settings->Get(kSettingsApplication, kSettingsSection, kWidthKey + std::to_string(i), "");
            if (!stored.empty()) {
                m_WidthStored[static_cast<std::size_t>(i - 1)] = true;
                twips = NumericValue(stored);
                if (twips == std::floor(twips) && twips >= kSmallestWidth && twips <= kLargestWidth)
                    m_StoredTwips[static_cast<std::size_t>(i - 1)] = static_cast<long long>(twips);
            }
        }
        twips = std::clamp(twips, double(kSmallestWidth), kLargestWidth);
        m_List->setColumnWidth(i - 1, static_cast<int>(twips / kTwipsPerPixel + 0.5));
    }
    // The first column holds nothing and stays out of sight.
    m_List->setColumnWidth(0, 0);
    m_List->setColumnHidden(0, true);
}

void AlarmInfoWindow::SaveColumnWidths() {
    if (!m_Sources.settings) return;
    // Every column's width as it shows (the hidden first one as 0). A stored width that
    // the column shows as it is and the operator left alone is written back unchanged,
    // so its round trip through whole pixels never moves it.
    for (int i = 1; i <= 3; ++i) {
        const auto c = static_cast<std::size_t>(i - 1);
        const long long twips = !m_WidthChanged[c] && m_StoredTwips[c] && i != 1 ? *m_StoredTwips[c]
                                                                                 : ColumnWidthTwips(i);
        m_Sources.settings->Save(kSettingsApplication, kSettingsSection, kWidthKey + std::to_string(i),
                                 std::to_string(twips));
    }
}

void AlarmInfoWindow::done(int result) {
    SaveColumnWidths();
    QDialog::done(result);
}

} // namespace korvel::events
