#include "platform/listbox.h"

#include <algorithm>

namespace korvel::platform {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    // Every row has the same height: the view then lays out large lists in constant time.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListBox::AddItem(const QString& text) { addItem(text); }

void ListBox::AddItems(const QStringList& texts) {
    if (!texts.isEmpty()) insertItems(count(), texts);
}

void ListBox::RemoveItems(int index, int n) {
    if (index < 0 || n <= 0 || index >= count()) return;
    model()->removeRows(index, std::min(n, count() - index));
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= count()) return;
    delete takeItem(index);
}

void ListBox::SetListIndex(int index) {
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(index);
    scrollToItem(item(index));
}

QString ListBox::ItemText(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

} // namespace korvel::platform
