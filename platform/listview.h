#pragma once
// A report-style list view: rows with a key, a text (column 1), sub-items (columns 2 ..),
// a small icon by number that can be read back and an optional check box; columns with
// a header text, a header icon by number and a width in twips; sorting by one column in
// either order with a case-insensitive text compare.
//
// The rows live in a model of the list's own (platform/listmodel.h), plain rows without
// an object each; the view is a QTreeView with one line per row (uniform row heights).
// Positions of rows and columns are 1-based; 0 means none. Row positions follow the
// display order, so they change when the list sorts. Keys are unique and compare
// without regard to case; look-up by key costs one hash look-up, also after rows moved.
// Rows are added and removed through AddItem, AddItems, RemoveItem and ClearItems (rows
// removed through the model take their keys with them).
//
// Sorting: while Sorted() is on, a new row goes to its place at once and a change of the
// sort key or order sorts the list again; a change of a row's texts does not move it
// (switch sorting off and on to sort again, or move that one row with SortRow). The sort
// compares the texts of the sort column as QString::compare does without regard to case;
// equal texts keep their order. Each row keeps the folded form of its sort text, made
// once when first compared and again only after that text changes, so a comparison
// copies no text. One row is moved to its place with SortRow, which moves only that
// row.
//
// Events: ItemClick for a press of the left or the right button on a row (the row is
// selected first, and no key held with the press takes the selection from it);
// ColumnClick for a click on a header; DblClick; MouseDown and MouseMove with the button
// (1 left, 2 right, 4 middle), the shift state (1 Shift, 2 Ctrl, 4 Alt, summed) and the
// position in twips; KeyPress with the character code (13 for Enter); ItemCheck when the
// user changes a check box. Nothing the program does raises an event.

#include "platform/listmodel.h"

#include <QString>
#include <QStringList>
#include <QTreeView>

#include <vector>

namespace korvel::platform {

class IconStore;

class ListView final : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Icon stores (not owned; must outlive the list): header icons and row icons.
    void SetColumnHeaderIcons(const IconStore* icons) { m_HeaderIcons = icons; }
    void SetSmallIcons(const IconStore* icons);

    // --- Columns --------------------------------------------------------------------------
    int ColumnCount() const { return static_cast<int>(m_Columns.size()); }
    // Appends a column; returns its position.
    int AddColumn(const QString& header, int widthTwips);
    // Removes every column (the rows stay, with no texts shown).
    void ClearColumns();
    QString ColumnHeader(int column) const;
    void SetColumnHeader(int column, const QString& header);
    // Width in twips: the value last set, as long as the user has not resized the column.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int twips);
    // Header icon by number in the header icon store; 0 = none.
    int ColumnIcon(int column) const;
    void SetColumnIcon(int column, int number);

    // --- Rows -----------------------------------------------------------------------------
    int ListCount() const { return m_Model->Count(); }
    // Appends a row (or, while sorted, puts it at its place); returns its position, or 0
    // when the key is empty or already taken (nothing is added then).
    int AddItem(const QString& key, const QString& text, int smallIcon = 0);
    // The same with the texts of columns 1, 2, ... set at once (faster than setting the
    // sub-items one by one afterwards).
    int AddItem(const QString& key, const QStringList& texts, int smallIcon);
    using NewRow = ListRowData; // {Key, Texts, SmallIcon}
    // Appends many rows in one step (while sorted they then take their places); a row
    // whose key is empty or taken is left out. Returns the number of rows added.
    int AddItems(const std::vector<NewRow>& rows);
    // Removes the row at the position; outside the list nothing happens.
    void RemoveItem(int position);
    // Removes every row.
    void ClearItems();
    // Position of the row with that key, 0 when none.
    int FindKey(const QString& key) const;
    QString Key(int position) const;
    QString Text(int position) const;
    void SetText(int position, const QString& text);
    // Sub-item of a column 2 .. ColumnCount(); column 1 is the text.
    QString SubItem(int position, int column) const;
    void SetSubItem(int position, int column, const QString& text);
    int SmallIcon(int position) const;
    void SetSmallIcon(int position, int number);
    bool Checked(int position) const;
    void SetChecked(int position, bool checked);
    // Position of the first row whose text equals the text exactly, 0 when none.
    int FindText(const QString& text) const;

    // --- Selection ------------------------------------------------------------------------
    // The selected row (single selection), 0 when none.
    int SelectedPosition() const;
    bool IsSelected(int position) const;
    // Selects the row (and makes it current) or takes the selection from it.
    void SetSelected(int position, bool selected);
    void EnsureVisible(int position);

    // --- Sorting --------------------------------------------------------------------------
    bool Sorted() const { return m_Model->Sorted(); }
    void SetSorted(bool sorted);
    // 0-based sort column. A column that does not exist is refused (false, no change).
    int SortKey() const { return m_Model->SortColumn(); }
    bool SetSortKey(int key);
    // 0 ascending, 1 descending; other values are refused (false, no change).
    int SortOrder() const { return m_Model->SortOrder(); }
    bool SetSortOrder(int order);
    // Moves the row at the position to the place a sort of the whole list would give it,
    // the other rows being in order: among rows with an equal text it keeps its place
    // relative to them. Binary search; the row keeps its selection and check box. Returns
    // its new position (the same one while sorting is off; 0 outside the list).
    int SortRow(int position);

    // --- Check boxes and tool tip ---------------------------------------------------------
    bool CheckBoxes() const { return m_Model->CheckBoxes(); }
    void SetCheckBoxes(bool on);
    // The number of ticked rows, and their keys in no particular order; both cost in
    // proportion to the ticked rows, not to the list.
    int CheckedCount() const { return m_Model->CheckedCount(); }
    QStringList CheckedKeys() const { return m_Model->CheckedKeys(); }

    // Many rows are about to change (ticks restored, say): the view lays the list out once
    // when the event loop next runs, instead of looking at each changed row on its own.
    void DeferLayout() { scheduleDelayedItemsLayout(); m_LayoutPending = true; }
    QString ToolTipText() const { return m_ToolTip; }
    void SetToolTipText(const QString& text);

    void doItemsLayout() override;

signals:
    void ItemClick(int position);
    void ColumnClick(int column);
    void DblClick();
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void KeyPress(int keyAscii);
    void ItemCheck(int position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    struct Column {
        int Twips = 0;   // width as last set
        int Pixels = 0;  // the pixel width it was shown with
        int Icon = 0;
    };

    bool validColumn(int column) const { return column >= 1 && column <= ColumnCount(); }
    bool validRow(int position) const { return position >= 1 && position <= ListCount(); }
    QModelIndex rowIndex(int position) const { return m_Model->index(position - 1, 0); }
    bool rowOnScreen(int row) const;
    void onRowMoved(const QModelIndex& parent, int start, int end, const QModelIndex& destination, int row);
    void emitMouse(void (ListView::*signal)(int, int, int, int), QMouseEvent* event, int button);

    ListModel* m_Model;
    std::vector<Column> m_Columns;
    const IconStore* m_HeaderIcons = nullptr;
    const IconStore* m_SmallIcons = nullptr;
    QString m_ToolTip;
    bool m_LayoutPending = false; // the view will lay the rows out when the event loop runs
};

} // namespace korvel::platform
