#pragma once
// The nodes of the keyed tree (TreeView) and the item model the view shows them through.
// A node is a plain struct: its key as given, text, image number, parent, children in
// sibling order and its own place among them. The model keeps the look-ups the tree
// offers: keys folded to upper case to their node, the order in which the nodes were
// added (a list through the nodes), and per parent its children by folded text.
//
// Every change touches the node it changes: an added node is one row inserted under its
// parent, a removed node one row removed with its subtree, a new text or image one row
// changed. Only the siblings after a removed node are renumbered.

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace korvel::platform {

class IconStore;

class TreeModel final : public QAbstractItemModel {
public:
    struct Node {
        QString key;  // as given, with its letter case
        QString text;
        int image = 0;
        Node* parent = nullptr; // the invisible root for a top-level node; none for the root
        std::vector<std::unique_ptr<Node>> children;
        int row = 0; // place among its siblings
        // Children by folded text, each list in sibling order.
        QHash<QString, QList<Node*>> byText;
        // The order of addition.
        Node* older = nullptr;
        Node* newer = nullptr;
    };

    explicit TreeModel(QObject* parent = nullptr);
    ~TreeModel() override;

    // Icon store of the node images (not owned); the decoration of every node follows it.
    void SetIcons(const IconStore* icons);

    Node* Root() { return &m_Root; }
    const Node* Root() const { return &m_Root; }
    // The node with that key (letter case ignored), or none.
    Node* Find(const QString& key) const;
    int Count() const { return static_cast<int>(m_Keys.size()); }
    const Node* Oldest() const { return m_Oldest; }

    // Appends a node as the last child of the parent (the root for the top level). The
    // key must be free: the caller checks.
    Node* Add(Node* parent, const QString& key, const QString& text, int image);
    // Removes the node with its subtree.
    void Remove(Node* node);
    void Clear();
    // The new key must be free or the node's own.
    void Rekey(Node* node, const QString& key);
    void SetText(Node* node, const QString& text);
    void SetImage(Node* node, int image);

    // The first child of the parent, in sibling order, whose text equals the text
    // ignoring case (the Windows-1252 folding of the core's names); none when none.
    const Node* FindChildByText(const Node* parent, const QString& text) const;

    QModelIndex IndexOf(const Node* node) const;
    // The node of an index of this model; none for an invalid index.
    Node* NodeOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static QString foldKey(const QString& key) { return key.toUpper(); }
    static QString foldText(const QString& text);
    void indexText(Node* node);
    void unindexText(Node* node);
    void forget(Node* node); // drops the subtree's keys and order links
    void iconsChanged(const Node* parent);

    Node m_Root;
    QHash<QString, Node*> m_Keys; // folded key -> node
    Node* m_Oldest = nullptr;
    Node* m_Newest = nullptr;
    const IconStore* m_Icons = nullptr;
};

} // namespace korvel::platform
