#include "controls/activeprofiles/profiletree.h"

#include "platform/iconstore.h"
#include "platform/twips.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace korvel::activeprofiles {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

int VbButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int VbShift(Qt::KeyboardModifiers modifiers) {
    int result = 0;
    if (modifiers & Qt::ShiftModifier) result |= 1;
    if (modifiers & Qt::ControlModifier) result |= 2;
    if (modifiers & Qt::AltModifier) result |= 4;
    return result;
}

} // namespace

ProfileTree::ProfileTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ProfileTree::SetImageList(const platform::IconStore* icons) {
    m_Icons = icons;
    const int size = platform::TwipsToPixels(240);
    setIconSize(QSize(size, size));
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const int image = item->data(0, kImageRole).toInt();
        item->setIcon(0, m_Icons && image ? m_Icons->Icon(image) : QIcon());
    }
}

QTreeWidgetItem* ProfileTree::find(const QString& key) const { return m_Index.value(key.toUpper(), nullptr); }

bool ProfileTree::AddNode(const QString& key, const QString& text, int image) {
    if (key.isEmpty() || HasNode(key)) return false;
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kKeyRole, key);
    item->setData(0, kImageRole, image);
    item->setIcon(0, m_Icons && image ? m_Icons->Icon(image) : QIcon());
    {
        const QSignalBlocker blocker(this);
        addTopLevelItem(item);
    }
    m_Index.insert(key.toUpper(), item);
    return true;
}

bool ProfileTree::RemoveNode(const QString& key) {
    QTreeWidgetItem* item = find(key);
    if (!item) return false;
    m_Index.remove(key.toUpper());
    const QSignalBlocker blocker(this);
    delete takeTopLevelItem(indexOfTopLevelItem(item));
    return true;
}

void ProfileTree::ClearNodes() {
    m_Index.clear();
    const QSignalBlocker blocker(this);
    clear();
}

QString ProfileTree::Text(const QString& key) const {
    const QTreeWidgetItem* item = find(key);
    return item ? item->text(0) : QString();
}

void ProfileTree::SetText(const QString& key, const QString& text) {
    if (QTreeWidgetItem* item = find(key)) item->setText(0, text);
}

int ProfileTree::Image(const QString& key) const {
    const QTreeWidgetItem* item = find(key);
    return item ? item->data(0, kImageRole).toInt() : 0;
}

void ProfileTree::SetImage(const QString& key, int image) {
    QTreeWidgetItem* item = find(key);
    if (!item) return;
    item->setData(0, kImageRole, image);
    item->setIcon(0, m_Icons && image ? m_Icons->Icon(image) : QIcon());
}

QStringList ProfileTree::Keys() const {
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i) out << topLevelItem(i)->data(0, kKeyRole).toString();
    return out;
}

QStringList ProfileTree::Texts() const {
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i) out << topLevelItem(i)->text(0);
    return out;
}

QString ProfileTree::SelectedKey() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->data(0, kKeyRole).toString();
}

void ProfileTree::Select(const QString& key) {
    QTreeWidgetItem* item = find(key);
    if (!item) return;
    const QSignalBlocker blocker(this);
    setCurrentItem(item);
    item->setSelected(true);
}

void ProfileTree::SetToolTipText(const QString& text) {
    m_ToolTip = text;
    setToolTip(text);
    viewport()->setToolTip(text);
}

void ProfileTree::emitMouseDown(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(VbButton(event->button()), VbShift(event->modifiers()), platform::PixelsToTwips(p.x()),
                   platform::PixelsToTwips(p.y()));
}

void ProfileTree::mousePressEvent(QMouseEvent* event) {
    emitMouseDown(event);
    QTreeWidget::mousePressEvent(event);
}

// A press with Ctrl held (the start of the Ctrl + double-click that switches a profile)
// selects the node under it like any press: it never takes the selection away, or the
// double-click would find no selected node.
QItemSelectionModel::SelectionFlags ProfileTree::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (index.isValid() && flags.testFlag(QItemSelectionModel::Deselect))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void ProfileTree::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click counts as a press too, with the keys held then.
    emitMouseDown(event);
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

} // namespace korvel::activeprofiles
