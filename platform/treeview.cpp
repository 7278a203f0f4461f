#include "platform/treeview.h"

#include "platform/iconstore.h"
#include "platform/qtext.h"
#include "core/cp1252.h"
#include "platform/twips.h"
#include "platform/vbinput.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

namespace korvel::platform {
namespace {
constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

class ProgramChange {
public:
    explicit ProgramChange(bool& flag) : m_Flag(flag), m_Old(flag) { m_Flag = true; }
    ~ProgramChange() { m_Flag = m_Old; }

private:
    bool& m_Flag;
    bool m_Old;
};
} // namespace

TreeView::TreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentChanged(current); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        if (!m_ProgramChange) emit Collapse(keyOf(node));
    });
}

void TreeView::SetImageList(const IconStore* icons) {
    m_Icons = icons;
    for (QTreeWidgetItem* node : m_Order)
        node->setIcon(0, m_Icons ? m_Icons->Icon(node->data(0, kImageRole).toInt()) : QIcon());
}

QTreeWidgetItem* TreeView::item(const QString& key) const { return m_Items.value(fold(key), nullptr); }

QString TreeView::keyOf(const QTreeWidgetItem* node) const {
    return node ? node->data(0, kKeyRole).toString() : QString();
}

bool TreeView::AddNode(const QString& parentKey, const QString& key, const QString& text, int image) {
    if (key.isEmpty() || Exists(key)) return false;
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = item(parentKey);
        if (!parent) return false;
    }
    ProgramChange guard(m_ProgramChange);
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, kKeyRole, key);
    if (parent) {
        parent->addChild(node);
        parent->setExpanded(true);
    } else {
        addTopLevelItem(node);
    }
    m_Items.insert(fold(key), node);
    m_Order.push_back(node);
    indexText(node);
    SetImage(key, image);
    return true;
}

QString TreeView::foldText(const QString& text) { return ToQString(korvel::UpperCase(FromQString(text))); }

void TreeView::indexText(QTreeWidgetItem* node) {
    m_ByText[node->parent()][foldText(node->text(0))].append(node);
}

void TreeView::unindexText(QTreeWidgetItem* node) {
    auto siblings = m_ByText.find(node->parent());
    if (siblings == m_ByText.end()) return;
    auto same = siblings->find(foldText(node->text(0)));
    if (same == siblings->end()) return;
    same->removeOne(node);
    if (same->isEmpty()) siblings->erase(same);
}

QString TreeView::FindChildByText(const QString& parentKey, const QString& text) const {
    const QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = item(parentKey);
        if (!parent) return {};
    }
    auto siblings = m_ByText.constFind(parent);
    if (siblings == m_ByText.constEnd()) return {};
    auto same = siblings->constFind(foldText(text));
    return same == siblings->constEnd() || same->isEmpty() ? QString() : keyOf(same->front());
}

void TreeView::forget(QTreeWidgetItem* node) {
    for (int i = 0; i < node->childCount(); ++i) forget(node->child(i));
    m_ByText.remove(node);
    m_Items.remove(fold(keyOf(node)));
    m_Order.erase(std::remove(m_Order.begin(), m_Order.end(), node), m_Order.end());
}

bool TreeView::RemoveNode(const QString& key) {
    QTreeWidgetItem* node = item(key);
    if (!node) return false;
    ProgramChange guard(m_ProgramChange);
    unindexText(node);
    forget(node);
    delete node;
    return true;
}

void TreeView::ClearNodes() {
    ProgramChange guard(m_ProgramChange);
    m_Items.clear();
    m_Order.clear();
    m_ByText.clear();
    clear();
}

QStringList TreeView::NodesInOrder() const {
    QStringList keys;
    keys.reserve(static_cast<qsizetype>(m_Order.size()));
    for (const QTreeWidgetItem* node : m_Order) keys.append(keyOf(node));
    return keys;
}

QString TreeView::FirstNode() const { return m_Order.empty() ? QString() : keyOf(m_Order.front()); }

QString TreeView::Key(const QString& key) const { return keyOf(item(key)); }

bool TreeView::SetKey(const QString& key, const QString& newKey) {
    QTreeWidgetItem* node = item(key);
    if (!node || newKey.isEmpty()) return false;
    QTreeWidgetItem* holder = item(newKey);
    if (holder && holder != node) return false;
    m_Items.remove(fold(key));
    m_Items.insert(fold(newKey), node);
    node->setData(0, kKeyRole, newKey);
    return true;
}

QString TreeView::Text(const QString& key) const {
    const QTreeWidgetItem* node = item(key);
    return node ? node->text(0) : QString();
}

void TreeView::SetText(const QString& key, const QString& text) {
    QTreeWidgetItem* node = item(key);
    if (!node) return;
    unindexText(node);
    node->setText(0, text);
    // A renamed node keeps its place among its siblings: put it back in sibling order.
    QList<QTreeWidgetItem*>& same = m_ByText[node->parent()][foldText(text)];
    QTreeWidgetItem* parent = node->parent();
    auto indexOf = [this, parent](QTreeWidgetItem* n) {
        return parent ? parent->indexOfChild(n) : indexOfTopLevelItem(n);
    };
    const int at = indexOf(node);
    qsizetype position = 0;
    while (position < same.size() && indexOf(same[position]) < at) ++position;
    same.insert(position, node);
}

int TreeView::Image(const QString& key) const {
    const QTreeWidgetItem* node = item(key);
    return node ? node->data(0, kImageRole).toInt() : 0;
}

void TreeView::SetImage(const QString& key, int image) {
    QTreeWidgetItem* node = item(key);
    if (!node) return;
    node->setData(0, kImageRole, image);
    node->setIcon(0, m_Icons ? m_Icons->Icon(image) : QIcon());
}

QString TreeView::Parent(const QString& key) const {
    const QTreeWidgetItem* node = item(key);
    return node ? keyOf(node->parent()) : QString();
}

QStringList TreeView::Children(const QString& key) const {
    QStringList keys;
    if (const QTreeWidgetItem* node = item(key))
        for (int i = 0; i < node->childCount(); ++i) keys.append(keyOf(node->child(i)));
    return keys;
}

int TreeView::ChildCount(const QString& key) const {
    const QTreeWidgetItem* node = item(key);
    return node ? node->childCount() : 0;
}

QStringList TreeView::TopLevelNodes() const {
    QStringList keys;
    for (int i = 0; i < topLevelItemCount(); ++i) keys.append(keyOf(topLevelItem(i)));
    return keys;
}

namespace {
QTreeWidgetItem* Sibling(QTreeWidget* tree, QTreeWidgetItem* node, int step) {
    QTreeWidgetItem* parent = node->parent();
    const int index = parent ? parent->indexOfChild(node) : tree->indexOfTopLevelItem(node);
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    const int wanted = index + step;
    if (wanted < 0 || wanted >= count) return nullptr;
    return parent ? parent->child(wanted) : tree->topLevelItem(wanted);
}
} // namespace

QString TreeView::NextSibling(const QString& key) const {
    QTreeWidgetItem* node = item(key);
    return node ? keyOf(Sibling(const_cast<TreeView*>(this), node, 1)) : QString();
}

QString TreeView::PreviousSibling(const QString& key) const {
    QTreeWidgetItem* node = item(key);
    return node ? keyOf(Sibling(const_cast<TreeView*>(this), node, -1)) : QString();
}

QString TreeView::FullPath(const QString& key) const {
    const QTreeWidgetItem* node = item(key);
    if (!node) return {};
    QStringList parts;
    for (; node; node = node->parent()) parts.prepend(node->text(0));
    return parts.join(m_Separator);
}

QString TreeView::FindByFullPath(const QString& path) const {
    for (const QTreeWidgetItem* node : m_Order) {
        const QString key = keyOf(node);
        if (FullPath(key) == path) return key;
    }
    return {};
}

QString TreeView::SelectedKey() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : keyOf(selected.front());
}

void TreeView::Select(const QString& key) {
    QTreeWidgetItem* node = item(key);
    if (!node) return;
    ProgramChange guard(m_ProgramChange);
    setCurrentItem(node);
    node->setSelected(true);
}

void TreeView::EnsureVisible(const QString& key) {
    if (QTreeWidgetItem* node = item(key)) scrollToItem(node);
}

void TreeView::SetExpanded(const QString& key, bool expanded) {
    if (QTreeWidgetItem* node = item(key)) {
        ProgramChange guard(m_ProgramChange);
        node->setExpanded(expanded);
    }
}

bool TreeView::IsExpanded(const QString& key) const {
    const QTreeWidgetItem* node = item(key);
    return node && node->isExpanded();
}

void TreeView::SetToolTipText(const QString& text) { m_ToolTip = text; }

void TreeView::onCurrentChanged(QTreeWidgetItem* current) {
    if (m_ProgramChange || !current) return;
    emit NodeClick(keyOf(current));
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    QTreeWidgetItem* before = currentItem();
    QTreeWidgetItem* under = itemAt(event->position().toPoint());
    emit MouseDown(VbButton(event->button()), VbShift(event->modifiers()),
                   PixelsToTwips(event->position().toPoint().x()), PixelsToTwips(event->position().toPoint().y()));
    QTreeWidget::mousePressEvent(event);
    // A click on the node that was already selected selects nothing new: report it here.
    if (under && under == before && under == currentItem()) emit NodeClick(keyOf(under));
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_MouseDownOnDoubleClick)
        emit MouseDown(VbButton(event->button()), VbShift(event->modifiers()),
                       PixelsToTwips(event->position().toPoint().x()), PixelsToTwips(event->position().toPoint().y()));
    QTreeWidget::mouseDoubleClickEvent(event);
    if (m_DblClickButtons & event->button()) emit DblClick();
}

void TreeView::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(VbButtons(event->buttons()), VbShift(event->modifiers()),
                   PixelsToTwips(event->position().toPoint().x()), PixelsToTwips(event->position().toPoint().y()));
    QTreeWidget::mouseMoveEvent(event);
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
    QTreeWidget::keyPressEvent(event);
}

bool TreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_ToolTip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), m_ToolTip, this);
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

// A press with Ctrl held selects the node under it like any press; it never takes the
// selection away (the view's default), or a Ctrl + double-click would find no node.
QItemSelectionModel::SelectionFlags TreeView::selectionCommand(const QModelIndex& index,
                                                               const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (index.isValid() && flags.testFlag(QItemSelectionModel::Deselect))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

} // namespace korvel::platform
