#pragma once
// The alarm details window: one alarm record as fifteen labelled values, a menu to copy
// them as text or close the window, and column widths remembered per user (twips, under
// "Korvel Alarm Server 3" / "Parameters" / "AlarmInfoViewColWidth" + column number).

// moc cannot read the standard library's concepts that these bring in.
#ifndef Q_MOC_RUN
#include "core/clientstate.h"
#include "core/datetime.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#endif

#include <QDialog>

class QAction;
class QMenu;
class QTreeWidget;

namespace korvel {
class ISettingsStore;
}

namespace korvel::events {

inline constexpr int kAlarmInfoRows = 15;
inline constexpr char kRecordSeparator = '\xFE';

// What the window reads besides the record.
struct AlarmInfoSources {
    std::function<Bytes(int32_t)> text;            // numbered texts
    std::array<Bytes, kSystemCount> systemNames{}; // names of systems 0..63
    ISettingsStore* settings = nullptr;            // column widths; none: not kept
    Bytes dateFormat, timeFormat;                  // the server's display patterns
    DateTime now;                                  // the fallback of unreadable stamps
};

// The label and value of each row (row 1 first), as the window fills them.
struct AlarmInfoRow {
    Bytes label, value;
};
std::array<AlarmInfoRow, kAlarmInfoRows> BuildAlarmInfoRows(const Bytes& record,
                                                            const AlarmInfoSources& sources);

class AlarmInfoWindow final : public QDialog {
    Q_OBJECT
public:
    // Loads the window: captions, columns with their stored widths, the fifteen labels.
    explicit AlarmInfoWindow(AlarmInfoSources sources, QWidget* parent = nullptr);

    // Fills the values from the record and names the window after it.
    void Fill(const Bytes& record);

    // Shows the window modal, on top, and waits until it closes (through the dialog
    // service).
    void ShowModal();

    void done(int result) override;

private:
    // Menu commands (the items "Menu_Tools_CopyToClipboard" and "Menu_Tools_Exit" of the
    // menu "Menu_Tools"; the list is "ListView_AlarmInfo").
    void CopyToClipboard();
    void Exit();
    // The text CopyToClipboard puts on the clipboard.
    QString ClipboardText() const;
    // Column widths in twips (column 1..3).
    int ColumnWidthTwips(int column) const;

    void LoadColumnWidths();
    void SaveColumnWidths();

    // Widens the label and value columns to their texts where no width is stored and
    // they are narrower, and fits the window to the list.
    void FitToContents();

    AlarmInfoSources m_Sources;
    // Per column (0-based): a width was stored for it; the stored width when the column
    // shows exactly that (a whole number of twips at least the smallest width), to be
    // written back as it was; the operator changed its width.
    std::array<bool, 3> m_WidthStored{};
    std::array<std::optional<long long>, 3> m_StoredTwips{};
    std::array<bool, 3> m_WidthChanged{};
    bool m_SettingWidths = false; // widths set by the window itself, not by the operator
    QTreeWidget* m_List = nullptr;
    QMenu* m_ToolsMenu = nullptr;
    QAction* m_Copy = nullptr;
    QAction* m_Exit = nullptr;
};

} // namespace korvel::events
