#pragma once
// The profile tree of the active profiles control: top-level nodes with a key (unique,
// compared without regard to case), a text and an image number from an icon store that
// can be read back. Look-up by key gives none for a missing key; a handle is never kept
// across a removal (callers work with keys).
//
// Events: MouseDown with the button (1 left, 2 right, 4 middle) and the shift state
// (1 Shift, 2 Ctrl, 4 Alt, summed) for every press, the second press of a double-click
// included; DblClick for a left double-click. Nothing the program does raises an event.

#include <QHash>
#include <QString>
#include <QTreeWidget>

namespace korvel::platform {
class IconStore;
}

namespace korvel::activeprofiles {

class ProfileTree final : public QTreeWidget {
    Q_OBJECT
public:
    explicit ProfileTree(QWidget* parent = nullptr);

    // Icon store of the node images (not owned; must outlive the tree).
    void SetImageList(const platform::IconStore* icons);
    // Separator of node paths; the nodes here are all top-level, so a path is the text.
    QString PathSeparator() const { return m_PathSeparator; }
    void SetPathSeparator(const QString& separator) { m_PathSeparator = separator; }

    int NodeCount() const { return topLevelItemCount(); }
    // Adds a top-level node at the end; false (nothing added) for an empty or taken key.
    bool AddNode(const QString& key, const QString& text, int image);
    // Removes the node with that key; false when there is none.
    bool RemoveNode(const QString& key);
    void ClearNodes();
    bool HasNode(const QString& key) const { return m_Index.contains(key.toUpper()); }

    // Text and image of the node with that key ("" / 0 when there is none); setters do
    // nothing for a missing key.
    QString Text(const QString& key) const;
    void SetText(const QString& key, const QString& text);
    int Image(const QString& key) const;
    void SetImage(const QString& key, int image);
    // Keys and texts of the nodes in display order.
    QStringList Keys() const;
    QStringList Texts() const;

    // Key of the selected node, "" when none. Selecting by program raises no event.
    QString SelectedKey() const;
    void Select(const QString& key);

    QString ToolTipText() const { return m_ToolTip; }
    void SetToolTipText(const QString& text);

signals:
    void MouseDown(int button, int shift, int x, int y);
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    QTreeWidgetItem* find(const QString& key) const;
    void emitMouseDown(QMouseEvent* event);

    const platform::IconStore* m_Icons = nullptr;
    QString m_PathSeparator = QStringLiteral("\\");
    QString m_ToolTip;
    QHash<QString, QTreeWidgetItem*> m_Index; // upper-cased key -> node
};

} // namespace korvel::activeprofiles
