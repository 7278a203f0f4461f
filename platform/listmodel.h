#pragma once
// The rows behind a ListView: plain rows in display order, no object per row. A row is
// its key and texts in one block of memory (one byte a character where they all fit in
// Latin-1, UTF-16 otherwise), the number of its icon, its tick and, while
// the list sorts, the folded form of its sort text (kept only where it differs from the
// text itself). Qt's views see one level of rows with the list's columns.
//
// Every change tells the views about the rows it touches and no others: an insertion,
// a removal or a move of one row is one insertion, removal or move (never a reset); a
// text, icon or tick is a change of that one cell. Sorting the whole list is one layout
// change that keeps every persistent index (selection, current row) on its row.
//
// Keys are unique under Qt's case-insensitive compare; a key is found by hash in constant
// time. Each row remembers the position it was last seen at: an insertion, removal or
// move shifts the rows after it, and those are put right lazily, on the first look-up
// that finds its row elsewhere (nearby rows are tried first, then the shifted stretch is
// renumbered once).
//
// Sorting compares the texts of the sort column as QString::compare does without regard
// to case (each code point folded, then code point order); equal texts keep their order.
// The folded text of a row is made when first compared and again only after that text,
// or the sort column, changes.

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace korvel::platform {

class IconStore;

// A row to be added: its key, the texts of columns 1, 2, ... and its icon number.
struct ListRowData {
    QString Key;
    QStringList Texts;
    int SmallIcon = 0;
};

class ListModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit ListModel(QObject* parent = nullptr);
    ~ListModel() override;

    // --- What Qt's views ask ---------------------------------------------------------------
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The check state of column 0 (what the view's check box sets); reported as UserChecked.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Whoever removes rows through the model takes their keys and ticks with them.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // --- Columns (0-based) -----------------------------------------------------------------
    int ColumnCount() const { return static_cast<int>(m_Headers.size()); }
    void AppendColumn(const QString& header);
    void ClearColumns();
    QString Header(int column) const;
    void SetHeader(int column, const QString& text);
    void SetHeaderIcon(int column, const QIcon& icon);

    // Row icons by number (not owned; must outlive the model).
    void SetRowIcons(const IconStore* icons);
    bool CheckBoxes() const { return m_CheckBoxes; }
    // Switching check boxes off unticks every row.
    void SetCheckBoxes(bool on);

    // --- Rows (0-based display positions) --------------------------------------------------
    int Count() const { return static_cast<int>(m_Order.size()); }
    // The row of the key, -1 when none.
    int Find(QStringView key) const;
    // Adds a row at its sorted place (at the end while not sorting) with at most `texts`
    // of its texts kept; -1 (nothing added) when the key is empty or taken.
    int Insert(const ListRowData& row, int texts);
    // Adds rows in one step (each kept to `texts` texts), leaving out empty and taken keys
    // (also those taken earlier in the batch); while sorting they then take their places.
    // Returns the number added.
    int InsertMany(const std::vector<ListRowData>& rows, int texts);
    void Remove(int row);
    void Clear();

    QString Key(int row) const;
    // Column texts: column 0 is the row's text. A column the row has no text for is empty.
    QString Text(int row, int column) const;
    void SetText(int row, int column, QStringView text);
    int Icon(int row) const;
    void SetIcon(int row, int number);
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    int CheckedCount() const { return static_cast<int>(m_Ticked.size()); }
    QStringList CheckedKeys() const;
    // The first row whose text (column 0) equals the text exactly, -1 when none.
    int FindText(QStringView text) const;

    // --- Sorting ---------------------------------------------------------------------------
    bool Sorted() const { return m_Sorted; }
    int SortColumn() const { return m_SortColumn; }
    int SortOrder() const { return m_SortOrder; }
    // Each sorts the list again when sorting is on and the setting changed.
    void SetSorted(bool sorted);
    void SetSortColumn(int column);
    void SetSortOrder(int order);
    // Moves the row to where a stable sort of the whole list puts it, the others being in
    // order (among rows with an equal text it keeps its place relative to them); returns
    // its new row.
    int SortRow(int row);

    // A stretch of one row's characters: Latin-1 bytes (where every character of the row
    // fits) or UTF-16 units.
    struct TextRef {
        const void* data = nullptr;
        qsizetype size = 0;
        bool wide = false;
    };

signals:
    // The user changed the tick of the row (through the view's check box).
    void UserChecked(int row);

private:
    struct Row {
        void* texts = nullptr;   // key, then the column texts (see the .cpp)
        void* folded = nullptr;  // folded sort text, when it differs from the text
        int32_t position = -1;   // display row when last set; -1: a free slot
        int32_t tickedAt = -1;   // place in m_Ticked; -1: not ticked
        int16_t foldedFor = -1;  // sort column the folded form was made for; -1: none
        uint16_t icon = 0;
        unsigned char shortKey[7] = {}; // the key, when short and Latin-1 ("K12345")
        uint8_t shortKeySize = 0;       // 0: not kept here
    };
    struct Cell {
        uint32_t slot = 0; // slot + 1; 0: empty
        uint32_t hash = 0;
    };

    uint32_t makeSlot(const ListRowData& row, int texts);
    void freeSlot(uint32_t slot);
    TextRef keyOf(uint32_t slot) const;
    bool sameKey(uint32_t slot, QStringView key) const;
    int cellOf(QStringView key, uint32_t hash) const;
    void indexAdd(uint32_t slot, uint32_t hash);
    void indexRemove(uint32_t slot);
    void growIndex();
    void reserveKeys(std::size_t more);

    int positionOf(uint32_t slot) const;
    void shifted(int from, int to, int by) const;
    void renumber(int from, int to) const;

    TextRef sortText(uint32_t slot) const;
    bool before(uint32_t a, uint32_t b) const;
    int upperBound(uint32_t slot, int begin, int end) const;
    void sortAll();
    void sortSlots(std::vector<uint32_t>& order) const;
    void move(int from, int to);
    void setTicked(uint32_t slot, bool on);
    QModelIndex at(int row, int column = 0) const { return createIndex(row, column); }

    mutable std::vector<Row> m_Rows;    // by slot
    std::vector<uint32_t> m_Free;       // free slots
    std::vector<uint32_t> m_Order;      // slots in display order
    std::vector<Cell> m_Index;          // open addressing by folded key
    std::size_t m_Keys = 0;
    std::vector<uint32_t> m_Ticked;     // ticked slots, in no order

    // Rows whose remembered position may be off: positions m_StaleFrom..m_StaleTo, each
    // off by at most m_StaleShift.
    mutable bool m_Stale = false;
    mutable int m_StaleFrom = 0, m_StaleTo = 0, m_StaleShift = 0;

    std::vector<QString> m_Headers;
    std::vector<QIcon> m_HeaderIcons;
    const IconStore* m_Icons = nullptr;
    bool m_CheckBoxes = false;
    bool m_Sorted = false;
    int m_SortColumn = 0;
    int m_SortOrder = 0;
};

} // namespace korvel::platform
