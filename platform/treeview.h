#pragma once
// A tree whose nodes are reached by key: keys compare without regard to case and can be
// renamed; every node has a text and an image number from an icon store. The tree keeps
// the order in which its nodes were added ("node 1" is the oldest node still present),
// looks keys up in O(1) and returns "none" (an empty key) for a key it does not hold, so
// a caller never keeps a pointer to a node that may have gone.
//
// The full path of a node is the texts from the top down joined by the path separator.
//
// Events: NodeClick when the user selects a node (by mouse or keyboard) or clicks the
// selected one again; selecting by program raises nothing. Collapse when the user
// collapses a node. DblClick, MouseDown and MouseMove (button 1 left, 2 right, 4 middle;
// shift 1 Shift, 2 Ctrl, 4 Alt; position in twips) and KeyDown, whose handler may set
// the key code to 0 to swallow the key. By default DblClick follows a double-click of
// any button and the second press of a double-click raises no MouseDown; both can be
// set (SetDblClickButtons, SetMouseDownOnDoubleClick).
//
// The nodes live in a model of the tree's own (platform/treemodel.h); a change touches
// the node it changes, and the rows are all one line high (uniform row heights), so the
// view measures none of them again.

#include <QString>
#include <QStringList>
#include <QTreeView>

#include <functional>

namespace korvel::platform {

class IconStore;
class TreeModel;

class TreeView final : public QTreeView {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);

    // Icon store of the node images (not owned; must outlive the tree). Nodes already
    // present take their icons from the new store.
    void SetImageList(const IconStore* icons);
    QString PathSeparator() const { return m_Separator; }
    void SetPathSeparator(const QString& separator) { m_Separator = separator; }

    // Adds a node as the last child of the parent (an empty parent key: as the last
    // top-level node); the parent is expanded. Refused (false) for an empty or taken key
    // or a parent that does not exist.
    bool AddNode(const QString& parentKey, const QString& key, const QString& text, int image);
    // Removes the node with its whole subtree; false when there is none.
    bool RemoveNode(const QString& key);
    void ClearNodes();

    bool Exists(const QString& key) const;
    int NodeCount() const;
    // Keys of all nodes in the order they were added.
    QStringList NodesInOrder() const;
    // Key of the oldest node still present; empty when the tree is empty.
    QString FirstNode() const;

    // The key as it was given (with its letter case); empty when none.
    QString Key(const QString& key) const;
    // Gives the node a new key; refused when the new key is held by another node.
    bool SetKey(const QString& key, const QString& newKey);
    QString Text(const QString& key) const;
    void SetText(const QString& key, const QString& text);
    int Image(const QString& key) const;
    void SetImage(const QString& key, int image);

    QString Parent(const QString& key) const;
    QStringList Children(const QString& key) const;
    int ChildCount(const QString& key) const;
    QStringList TopLevelNodes() const;
    QString NextSibling(const QString& key) const;
    QString PreviousSibling(const QString& key) const;
    QString FullPath(const QString& key) const;
    // The first child of the parent (an empty key: the first top-level node) whose text
    // equals the text ignoring case (the Windows-1252 folding of the core's names);
    // empty when none. Kept in an index: O(1).
    QString FindChildByText(const QString& parentKey, const QString& text) const;
    // The first node, in the order of addition, whose full path equals the path exactly.
    QString FindByFullPath(const QString& path) const;

    // Selection: the selected node's key (empty when none). Select raises no event.
    QString SelectedKey() const;
    void Select(const QString& key);
    void EnsureVisible(const QString& key);
    bool IsExpanded(const QString& key) const;
    void SetExpanded(const QString& key, bool expanded);

    QString ToolTipText() const { return m_ToolTip; }
    void SetToolTipText(const QString& text);

    // The view's index of the node (for its place on the screen); invalid when none.
    QModelIndex IndexOf(const QString& key) const;

    // Qt reports the second press of a double-click as a double-click, not as a press.
    // On: that press raises MouseDown too, with the keys held then, so a handler that
    // keeps the shift state of the last press sees the keys of the double-click itself.
    void SetMouseDownOnDoubleClick(bool on) { m_MouseDownOnDoubleClick = on; }
    // The buttons whose double-click raises DblClick (all by default).
    void SetDblClickButtons(Qt::MouseButtons buttons) { m_DblClickButtons = buttons; }

    using KeyDownHandler = std::function<void(int& keyCode, int shift)>;
    void SetKeyDownHandler(KeyDownHandler handler) { m_KeyDown = std::move(handler); }

signals:
    void NodeClick(const QString& key);
    void Collapse(const QString& key);
    void DblClick();
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QString keyOf(const QModelIndex& index) const;
    void onCurrentChanged(const QModelIndex& current);

    TreeModel* m_Model;
    QString m_Separator = QStringLiteral("\\");
    bool m_ProgramChange = false;
    QString m_ToolTip;
    KeyDownHandler m_KeyDown;
    bool m_MouseDownOnDoubleClick = false;
    Qt::MouseButtons m_DblClickButtons = Qt::AllButtons;
};

} // namespace korvel::platform
