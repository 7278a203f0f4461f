#pragma once
// The alarm details window: one alarm record as fifteen labelled values, a menu to copy
// them as text or close the window, and column widths remembered per user (twips, under
// "Korvel Alarm Server 3" / "Parameters" / "AlarmInfoViewColWidth" + column number).

#include "core/clientstate.h"
#include "core/datetime.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

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
public:
    // Loads the window: captions, columns with their stored widths, the fifteen labels.
    explicit AlarmInfoWindow(AlarmInfoSources sources, QWidget* parent = nullptr);

    // Fills the values from the record and names the window after it.
    void Fill(const Bytes& record);

    // Shows the window modal, on top, and waits until it closes.
    void ShowModal();

    // Menu commands.
    void CopyToClipboard();
    void Exit();

    // The text CopyToClipboard puts on the clipboard.
    QString ClipboardText() const;

    QTreeWidget* List() const { return m_List; }
    QMenu* ToolsMenu() const { return m_ToolsMenu; }
    QAction* CopyAction() const { return m_Copy; }
    QAction* ExitAction() const { return m_Exit; }

    // Column widths in twips (column 1..3).
    int ColumnWidthTwips(int column) const;

    void done(int result) override;

private:
    void LoadColumnWidths();
    void SaveColumnWidths();

    // Widens the label and value columns to their texts where they are narrower, and
    // fits the window to the list.
    void FitToContents();

    AlarmInfoSources m_Sources;
    QTreeWidget* m_List = nullptr;
    QMenu* m_ToolsMenu = nullptr;
    QAction* m_Copy = nullptr;
    QAction* m_Exit = nullptr;
};

} // namespace korvel::events
