#include "platform/listbox.h"

#include <QAbstractListModel>
#include <QItemSelectionModel>

#include <algorithm>

namespace korvel::platform {

// The lines of a list box, in order.
class ListBoxModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_Lines.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_Lines.size()) return {};
        if (role == Qt::DisplayRole || role == Qt::EditRole) return m_Lines[index.row()];
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override {
        if (parent.isValid() || row < 0 || count <= 0 || row + count > m_Lines.size()) return false;
        beginRemoveRows(QModelIndex(), row, row + count - 1);
        m_Lines.remove(row, count);
        endRemoveRows();
        return true;
    }

    int Count() const { return static_cast<int>(m_Lines.size()); }
    QString Line(int row) const { return row >= 0 && row < m_Lines.size() ? m_Lines[row] : QString(); }
    void Append(const QStringList& lines) {
        if (lines.isEmpty()) return;
        const int first = Count();
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
        m_Lines.append(lines);
        endInsertRows();
    }
    void Clear() {
        if (m_Lines.isEmpty()) return;
        beginResetModel();
        m_Lines.clear();
        endResetModel();
    }

private:
    QStringList m_Lines;
};

ListBox::ListBox(QWidget* parent) : QListView(parent), m_Model(new ListBoxModel(this)) {
    setModel(m_Model);
    // Every row has the same height: the view then lays out large lists in constant time.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

ListBox::~ListBox() = default;

int ListBox::ListCount() const { return m_Model->Count(); }

void ListBox::AddItem(const QString& text) { m_Model->Append(QStringList{text}); }

void ListBox::AddItems(const QStringList& texts) { m_Model->Append(texts); }

void ListBox::RemoveItems(int index, int n) {
    if (index < 0 || n <= 0 || index >= ListCount()) return;
    m_Model->removeRows(index, std::min(n, ListCount() - index));
}

void ListBox::RemoveItem(int index) { RemoveItems(index, 1); }

void ListBox::SetListIndex(int index) {
    if (index < 0 || index >= ListCount()) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
        clearSelection();
        return;
    }
    const QModelIndex at = m_Model->index(index);
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    scrollTo(at);
}

QString ListBox::ItemText(int index) const { return m_Model->Line(index); }

void ListBox::Clear() { m_Model->Clear(); }

} // namespace korvel::platform
