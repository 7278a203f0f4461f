#pragma once
// A list box: one column of text items with 0-based indexes, an item count and a
// selected index that the program sets (selecting also scrolls the item into view).
//
// The lines live in a minimal list model of the box's own (one QString a line, no object
// per line) under a QListView of uniform line heights; adding or removing a run of lines
// is one insertion or removal for the view.

#include <QListView>
#include <QStringList>

namespace korvel::platform {

class ListBoxModel;

class ListBox final : public QListView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    ~ListBox() override;

    int ListCount() const;
    void AddItem(const QString& text);
    // Adds the texts at the end in one step (one insertion for the view to lay out).
    void AddItems(const QStringList& texts);
    // Removes the item at index; an index outside the list is ignored.
    void RemoveItem(int index);
    // Removes count items from index on in one step; the part outside the list is ignored.
    void RemoveItems(int index, int count);
    // Selects the item at index and scrolls it into view; -1 clears the selection.
    void SetListIndex(int index);
    int ListIndex() const { return currentIndex().row(); }
    QString ItemText(int index) const;
    void Clear();

private:
    ListBoxModel* m_Model;
};

} // namespace korvel::platform
