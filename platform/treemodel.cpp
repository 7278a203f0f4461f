#include "platform/treemodel.h"

#include "core/cp1252.h"
#include "platform/iconstore.h"
#include "platform/qtext.h"

#include <QIcon>

#include <algorithm>

namespace korvel::platform {

TreeModel::TreeModel(QObject* parent) : QAbstractItemModel(parent) {}

TreeModel::~TreeModel() = default;

QString TreeModel::foldText(const QString& text) { return ToQString(korvel::UpperCase(FromQString(text))); }

void TreeModel::SetIcons(const IconStore* icons) {
    m_Icons = icons;
    iconsChanged(&m_Root);
}

void TreeModel::iconsChanged(const Node* parent) {
    if (parent->children.empty()) return;
    const QModelIndex under = IndexOf(parent);
    emit dataChanged(index(0, 0, under), index(static_cast<int>(parent->children.size()) - 1, 0, under),
                     {Qt::DecorationRole});
    for (const auto& child : parent->children) iconsChanged(child.get());
}

TreeModel::Node* TreeModel::Find(const QString& key) const { return m_Keys.value(foldKey(key), nullptr); }

TreeModel::Node* TreeModel::Add(Node* parent, const QString& key, const QString& text, int image) {
    const int row = static_cast<int>(parent->children.size());
    beginInsertRows(IndexOf(parent), row, row);
    auto owned = std::make_unique<Node>();
    Node* node = owned.get();
    node->key = key;
    node->text = text;
    node->image = image;
    node->parent = parent;
    node->row = row;
    parent->children.push_back(std::move(owned));
    m_Keys.insert(foldKey(key), node);
    node->older = m_Newest;
    if (m_Newest) m_Newest->newer = node;
    else m_Oldest = node;
    m_Newest = node;
    indexText(node);
    endInsertRows();
    return node;
}

void TreeModel::forget(Node* node) {
    for (const auto& child : node->children) forget(child.get());
    m_Keys.remove(foldKey(node->key));
    (node->older ? node->older->newer : m_Oldest) = node->newer;
    (node->newer ? node->newer->older : m_Newest) = node->older;
}

void TreeModel::Remove(Node* node) {
    Node* parent = node->parent;
    const int row = node->row;
    beginRemoveRows(IndexOf(parent), row, row);
    unindexText(node);
    std::unique_ptr<Node> owned = std::move(parent->children[static_cast<std::size_t>(row)]);
    parent->children.erase(parent->children.begin() + row);
    for (std::size_t i = static_cast<std::size_t>(row); i < parent->children.size(); ++i)
        parent->children[i]->row = static_cast<int>(i);
    forget(node);
    endRemoveRows();
    // The subtree goes once no view can ask for it any more.
}

void TreeModel::Clear() {
    beginResetModel();
    m_Root.children.clear();
    m_Root.byText.clear();
    m_Keys.clear();
    m_Oldest = m_Newest = nullptr;
    endResetModel();
}

void TreeModel::Rekey(Node* node, const QString& key) {
    m_Keys.remove(foldKey(node->key));
    node->key = key;
    m_Keys.insert(foldKey(key), node);
}

void TreeModel::indexText(Node* node) { node->parent->byText[foldText(node->text)].append(node); }

void TreeModel::unindexText(Node* node) {
    auto same = node->parent->byText.find(foldText(node->text));
    if (same == node->parent->byText.end()) return;
    same->removeOne(node);
    if (same->isEmpty()) node->parent->byText.erase(same);
}

void TreeModel::SetText(Node* node, const QString& text) {
    unindexText(node);
    node->text = text;
    // A renamed node keeps its place among the siblings of the same text.
    QList<Node*>& same = node->parent->byText[foldText(text)];
    const auto at = std::find_if(same.begin(), same.end(), [node](const Node* n) { return n->row > node->row; });
    same.insert(at, node);
    const QModelIndex changed = IndexOf(node);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void TreeModel::SetImage(Node* node, int image) {
    if (node->image == image) return;
    node->image = image;
    const QModelIndex changed = IndexOf(node);
    emit dataChanged(changed, changed, {Qt::DecorationRole});
}

const TreeModel::Node* TreeModel::FindChildByText(const Node* parent, const QString& text) const {
    auto same = parent->byText.constFind(foldText(text));
    return same == parent->byText.constEnd() || same->isEmpty() ? nullptr : same->front();
}

QModelIndex TreeModel::IndexOf(const Node* node) const {
    if (!node || node == &m_Root) return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

TreeModel::Node* TreeModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* under = parent.isValid() ? NodeOf(parent) : &m_Root;
    if (!under || column != 0 || row < 0 || row >= static_cast<int>(under->children.size())) return {};
    return createIndex(row, 0, under->children[static_cast<std::size_t>(row)].get());
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const Node* node = NodeOf(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const Node* under = parent.isValid() ? NodeOf(parent) : &m_Root;
    return under ? static_cast<int>(under->children.size()) : 0;
}

int TreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const Node* node = NodeOf(index);
    if (!node) return {};
    switch (role) {
    case Qt::DisplayRole: return node->text;
    case Qt::DecorationRole: return m_Icons ? m_Icons->Icon(node->image) : QIcon();
    default: return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace korvel::platform
