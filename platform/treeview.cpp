#include "platform/treeview.h"

#include "platform/treemodel.h"
#include "platform/twips.h"
#include "platform/vbinput.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace korvel::platform {
namespace {

using Node = TreeModel::Node;

class ProgramChange {
public:
    explicit ProgramChange(bool& flag) : m_Flag(flag), m_Old(flag) { m_Flag = true; }
    ~ProgramChange() { m_Flag = m_Old; }

private:
    bool& m_Flag;
    bool m_Old;
};

QString KeyOfNode(const Node* node) { return node ? node->key : QString(); }

QStringList KeysOf(const std::vector<std::unique_ptr<Node>>& nodes) {
    QStringList keys;
    keys.reserve(static_cast<qsizetype>(nodes.size()));
    for (const auto& node : nodes) keys.append(node->key);
    return keys;
}

} // namespace

TreeView::TreeView(QWidget* parent) : QTreeView(parent), m_Model(new TreeModel(this)) {
    setModel(m_Model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { onCurrentChanged(current); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!m_ProgramChange) emit Collapse(keyOf(index));
    });
}

void TreeView::SetImageList(const IconStore* icons) { m_Model->SetIcons(icons); }

QString TreeView::keyOf(const QModelIndex& index) const { return KeyOfNode(m_Model->NodeOf(index)); }

QModelIndex TreeView::IndexOf(const QString& key) const { return m_Model->IndexOf(m_Model->Find(key)); }

bool TreeView::Exists(const QString& key) const { return m_Model->Find(key) != nullptr; }

int TreeView::NodeCount() const { return m_Model->Count(); }

bool TreeView::AddNode(const QString& parentKey, const QString& key, const QString& text, int image) {
    if (key.isEmpty() || Exists(key)) return false;
    Node* parent = m_Model->Root();
    if (!parentKey.isEmpty()) {
        parent = m_Model->Find(parentKey);
        if (!parent) return false;
    }
    ProgramChange guard(m_ProgramChange);
    m_Model->Add(parent, key, text, image);
    if (parent != m_Model->Root()) expand(m_Model->IndexOf(parent));
    return true;
}

QString TreeView::FindChildByText(const QString& parentKey, const QString& text) const {
    const Node* parent = m_Model->Root();
    if (!parentKey.isEmpty()) {
        parent = m_Model->Find(parentKey);
        if (!parent) return {};
    }
    return KeyOfNode(m_Model->FindChildByText(parent, text));
}

bool TreeView::RemoveNode(const QString& key) {
    Node* node = m_Model->Find(key);
    if (!node) return false;
    ProgramChange guard(m_ProgramChange);
    m_Model->Remove(node);
    return true;
}

void TreeView::ClearNodes() {
    ProgramChange guard(m_ProgramChange);
    m_Model->Clear();
}

QStringList TreeView::NodesInOrder() const {
    QStringList keys;
    keys.reserve(NodeCount());
    for (const Node* node = m_Model->Oldest(); node; node = node->newer) keys.append(node->key);
    return keys;
}

QString TreeView::FirstNode() const { return KeyOfNode(m_Model->Oldest()); }

QString TreeView::Key(const QString& key) const { return KeyOfNode(m_Model->Find(key)); }

bool TreeView::SetKey(const QString& key, const QString& newKey) {
    Node* node = m_Model->Find(key);
    if (!node || newKey.isEmpty()) return false;
    const Node* holder = m_Model->Find(newKey);
    if (holder && holder != node) return false;
    m_Model->Rekey(node, newKey);
    return true;
}

QString TreeView::Text(const QString& key) const {
    const Node* node = m_Model->Find(key);
    return node ? node->text : QString();
}

void TreeView::SetText(const QString& key, const QString& text) {
    if (Node* node = m_Model->Find(key)) m_Model->SetText(node, text);
}

int TreeView::Image(const QString& key) const {
    const Node* node = m_Model->Find(key);
    return node ? node->image : 0;
}

void TreeView::SetImage(const QString& key, int image) {
    if (Node* node = m_Model->Find(key)) m_Model->SetImage(node, image);
}

QString TreeView::Parent(const QString& key) const {
    const Node* node = m_Model->Find(key);
    return node && node->parent != m_Model->Root() ? node->parent->key : QString();
}

QStringList TreeView::Children(const QString& key) const {
    const Node* node = m_Model->Find(key);
    return node ? KeysOf(node->children) : QStringList();
}

int TreeView::ChildCount(const QString& key) const {
    const Node* node = m_Model->Find(key);
    return node ? static_cast<int>(node->children.size()) : 0;
}

QStringList TreeView::TopLevelNodes() const { return KeysOf(m_Model->Root()->children); }

namespace {
QString Sibling(const Node* node, int step) {
    if (!node) return {};
    const auto& siblings = node->parent->children;
    const int wanted = node->row + step;
    if (wanted < 0 || wanted >= static_cast<int>(siblings.size())) return {};
    return siblings[static_cast<std::size_t>(wanted)]->key;
}
} // namespace

QString TreeView::NextSibling(const QString& key) const { return Sibling(m_Model->Find(key), 1); }

QString TreeView::PreviousSibling(const QString& key) const { return Sibling(m_Model->Find(key), -1); }

QString TreeView::FullPath(const QString& key) const {
    const Node* node = m_Model->Find(key);
    if (!node) return {};
    QStringList parts;
    for (; node != m_Model->Root(); node = node->parent) parts.prepend(node->text);
    return parts.join(m_Separator);
}

QString TreeView::FindByFullPath(const QString& path) const {
    for (const Node* node = m_Model->Oldest(); node; node = node->newer)
        if (FullPath(node->key) == path) return node->key;
    return {};
}

QString TreeView::SelectedKey() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : keyOf(selected.front());
}

void TreeView::Select(const QString& key) {
    const QModelIndex index = IndexOf(key);
    if (!index.isValid()) return;
    ProgramChange guard(m_ProgramChange);
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TreeView::EnsureVisible(const QString& key) {
    const QModelIndex index = IndexOf(key);
    if (index.isValid()) scrollTo(index);
}

void TreeView::SetExpanded(const QString& key, bool expanded) {
    const QModelIndex index = IndexOf(key);
    if (!index.isValid()) return;
    ProgramChange guard(m_ProgramChange);
    setExpanded(index, expanded);
}

bool TreeView::IsExpanded(const QString& key) const {
    const QModelIndex index = IndexOf(key);
    return index.isValid() && isExpanded(index);
}

void TreeView::SetToolTipText(const QString& text) { m_ToolTip = text; }

void TreeView::onCurrentChanged(const QModelIndex& current) {
    if (m_ProgramChange || !current.isValid()) return;
    emit NodeClick(keyOf(current));
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    const QPersistentModelIndex before = currentIndex();
    const QModelIndex under = indexAt(event->position().toPoint());
    emit MouseDown(VbButton(event->button()), VbShift(event->modifiers()),
                   PixelsToTwips(event->position().toPoint().x()), PixelsToTwips(event->position().toPoint().y()));
    QTreeView::mousePressEvent(event);
    // A click on the node that was already selected selects nothing new: report it here.
    if (under.isValid() && under == before && under == currentIndex()) emit NodeClick(keyOf(under));
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_MouseDownOnDoubleClick)
        emit MouseDown(VbButton(event->button()), VbShift(event->modifiers()),
                       PixelsToTwips(event->position().toPoint().x()), PixelsToTwips(event->position().toPoint().y()));
    QTreeView::mouseDoubleClickEvent(event);
    if (m_DblClickButtons & event->button()) emit DblClick();
}

void TreeView::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(VbButtons(event->buttons()), VbShift(event->modifiers()),
                   PixelsToTwips(event->position().toPoint().x()), PixelsToTwips(event->position().toPoint().y()));
    QTreeView::mouseMoveEvent(event);
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    if (m_KeyDown) {
        int code = VbKeyCode(event->key());
        const int original = code;
        m_KeyDown(code, VbShift(event->modifiers()));
        if (code == 0 && original != 0) {
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

bool TreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_ToolTip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), m_ToolTip, this);
        return true;
    }
    return QTreeView::viewportEvent(event);
}

// A press with Ctrl held selects the node under it like any press; it never takes the
// selection away (the view's default), or a Ctrl + double-click would find no node.
QItemSelectionModel::SelectionFlags TreeView::selectionCommand(const QModelIndex& index,
                                                               const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags flags = QTreeView::selectionCommand(index, event);
    if (index.isValid() && flags.testFlag(QItemSelectionModel::Deselect))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

} // namespace korvel::platform
