#include "platform/listbox.h"

namespace korvel::platform {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    // Every row has the same height: the view then lays out large lists in constant time.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListBox::AddItem(const QString& text) { addItem(text); }

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
