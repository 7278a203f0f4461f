#include "platform/listview.h"

#include "platform/iconstore.h"
#include "platform/twips.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

namespace korvel::platform {

// A row: its key and the numbers of its icon; sorts through the list's compare. However
// it is deleted, it takes its key out of the list's look-up, so every key found there
// belongs to a live row.
namespace {

// The text as QString::compare sees it without regard to case: each UTF-16 unit folded
// (a low surrogate together with the high one before it), so that comparing two of these
// in order gives what that compare gives, without folding again per comparison.
std::u32string FoldedForCompare(const QString& text) {
    std::u32string folded;
    folded.resize(static_cast<std::size_t>(text.size()));
    char32_t last = 0;
    std::size_t i = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        char32_t ucs4 = unit;
        if (QChar::isLowSurrogate(ucs4) && QChar::isHighSurrogate(last)) ucs4 = QChar::surrogateToUcs4(last, ucs4);
        last = unit;
        folded[i++] = QChar::toCaseFolded(ucs4);
    }
    return folded;
}

} // namespace

class ListView::Item final : public QTreeWidgetItem {
public:
    Item(ListView* owner, QString key) : m_Owner(owner), Key(std::move(key)), FoldedKey(Key.toCaseFolded()) {}
    Item(ListView* owner, QString key, QString folded)
        : m_Owner(owner), Key(std::move(key)), FoldedKey(std::move(folded)) {}
    ~Item() override { m_Owner->forget(this); }
    bool operator<(const QTreeWidgetItem& other) const override { return m_Owner->lessThan(*this, other); }
    void setData(int column, int role, const QVariant& value) override {
        if (column == m_SortColumn && (role == Qt::DisplayRole || role == Qt::EditRole)) m_SortColumn = -1;
        QTreeWidgetItem::setData(column, role, value);
    }
    // The folded text of the column, made when first asked for and kept until the text or
    // the column asked for changes.
    const std::u32string& SortText(int column) const {
        if (m_SortColumn != column) {
            m_SortText = FoldedForCompare(text(column));
            m_SortColumn = column;
        }
        return m_SortText;
    }

    ListView* m_Owner;
    QString Key;
    QString FoldedKey;
    int RowHint = -1;          // the 0-based row it was last seen at
    int Icon = 0;
    bool CheckedState = false; // as last seen, to tell the user's changes
    bool Pending = false;      // made by AddItems and not yet in the list

private:
    mutable std::u32string m_SortText;
    mutable int m_SortColumn = -1;
};

namespace {

int VbButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int VbButtons(Qt::MouseButtons buttons) {
    int result = 0;
    if (buttons & Qt::LeftButton) result |= 1;
    if (buttons & Qt::RightButton) result |= 2;
    if (buttons & Qt::MiddleButton) result |= 4;
    return result;
}

int VbShift(Qt::KeyboardModifiers modifiers) {
    int result = 0;
    if (modifiers & Qt::ShiftModifier) result |= 1;
    if (modifiers & Qt::ControlModifier) result |= 2;
    if (modifiers & Qt::AltModifier) result |= 4;
    return result;
}

} // namespace

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int logical) { emit ColumnClick(logical + 1); });
    connect(this, &QTreeWidget::itemChanged, this, &ListView::onItemChanged);
}

ListView::~ListView() {
    // The rows go while the key look-up they take themselves out of still exists.
    ClearItems();
}

void ListView::forget(const Item* item) {
    const auto it = m_Keys.constFind(item->FoldedKey);
    if (it != m_Keys.cend() && it.value() == item) m_Keys.erase(it);
    m_CheckedRows.remove(const_cast<Item*>(item));
}

void ListView::setCheckedState(Item* item, bool checked) {
    item->CheckedState = checked;
    if (checked)
        m_CheckedRows.insert(item);
    else
        m_CheckedRows.remove(item);
}

QStringList ListView::CheckedKeys() const {
    QStringList keys;
    keys.reserve(m_CheckedRows.size());
    for (const Item* item : m_CheckedRows) keys.push_back(item->Key);
    return keys;
}

void ListView::SetSmallIcons(const IconStore* icons) {
    m_SmallIcons = icons;
    const int size = TwipsToPixels(240);
    setIconSize(QSize(size, size));
}

// --- Columns -------------------------------------------------------------------------------

int ListView::AddColumn(const QString& header, int widthTwips) {
    m_Columns.push_back(Column{});
    setColumnCount(ColumnCount());
    const int column = ColumnCount();
    headerItem()->setText(column - 1, header);
    headerItem()->setIcon(column - 1, QIcon());
    SetColumnWidth(column, widthTwips);
    return column;
}

void ListView::ClearColumns() {
    m_Columns.clear();
    setColumnCount(0);
}

QString ListView::ColumnHeader(int column) const {
    return validColumn(column) ? headerItem()->text(column - 1) : QString();
}

void ListView::SetColumnHeader(int column, const QString& header) {
    if (validColumn(column)) headerItem()->setText(column - 1, header);
}

int ListView::ColumnWidth(int column) const {
    if (!validColumn(column)) return 0;
    const Column& c = m_Columns[column - 1];
    const int pixels = columnWidth(column - 1);
    return pixels == c.Pixels ? c.Twips : PixelsToTwips(pixels);
}

void ListView::SetColumnWidth(int column, int twips) {
    if (!validColumn(column)) return;
    if (twips < 0) twips = 0;
    Column& c = m_Columns[column - 1];
    c.Twips = twips;
    c.Pixels = TwipsToPixels(twips);
    setColumnWidth(column - 1, c.Pixels);
}

int ListView::ColumnIcon(int column) const { return validColumn(column) ? m_Columns[column - 1].Icon : 0; }

void ListView::SetColumnIcon(int column, int number) {
    if (!validColumn(column)) return;
    m_Columns[column - 1].Icon = number;
    headerItem()->setIcon(column - 1, m_HeaderIcons && number ? m_HeaderIcons->Icon(number) : QIcon());
}

// --- Rows ----------------------------------------------------------------------------------

ListView::Item* ListView::itemAt(int position) const {
    if (position < 1 || position > ListCount()) return nullptr;
    return static_cast<Item*>(topLevelItem(position - 1));
}

int ListView::positionOf(const QTreeWidgetItem* item) const {
    if (!item) return 0;
    const auto* row = static_cast<const Item*>(item);
    const int count = ListCount();
    auto at = [&](int hint) { return hint >= 0 && hint < count && topLevelItem(hint) == item; };
    if (at(row->RowHint)) return row->RowHint + 1;
    if (item->treeWidget() != this || item->parent()) return 0;
    // The rows moved since the hints were set (an insertion, a removal, a sort): set them
    // all again in one pass, so a run of look-ups costs one scan, not one scan each.
    for (int i = 0; i < count; ++i) static_cast<Item*>(topLevelItem(i))->RowHint = i;
    return at(row->RowHint) ? row->RowHint + 1 : 0;
}

int ListView::AddItem(const QString& key, const QString& text, int smallIcon) {
    return AddItem(key, QStringList{text}, smallIcon);
}

ListView::Item* ListView::makeItem(const QString& key, const QStringList& texts, int smallIcon) {
    return fill(new Item(this, key), texts, smallIcon);
}

ListView::Item* ListView::fill(Item* item, const QStringList& texts, int smallIcon) {
    for (int i = 0; i < texts.size() && i < std::max(1, ColumnCount()); ++i) item->setText(i, texts[i]);
    if (m_CheckBoxes) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    item->Icon = smallIcon;
    if (m_SmallIcons && smallIcon) item->setIcon(0, m_SmallIcons->Icon(smallIcon));
    return item;
}

int ListView::AddItem(const QString& key, const QStringList& texts, int smallIcon) {
    if (key.isEmpty() || FindKey(key) != 0) return 0;
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    Item* item = makeItem(key, texts, smallIcon);
    const int index = m_Sorted ? insertionIndex(item) : ListCount();
    insertTopLevelItem(index, item);
    m_Keys.insert(item->FoldedKey, item);
    m_ProgramChange = wasProgram;
    return index + 1;
}

int ListView::AddItems(const std::vector<NewRow>& rows) {
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    m_Keys.reserve(m_Keys.size() + static_cast<qsizetype>(rows.size()));
    for (const NewRow& row : rows) {
        if (row.Key.isEmpty()) continue;
        QString folded = row.Key.toCaseFolded();
        // Taken by a row of the list or by an earlier row of this batch.
        const auto taken = m_Keys.constFind(folded);
        if (taken != m_Keys.cend() && (taken.value()->Pending || positionOf(taken.value()) != 0)) continue;
        Item* item = fill(new Item(this, row.Key, std::move(folded)), row.Texts, row.SmallIcon);
        item->Pending = true;
        m_Keys.insert(item->FoldedKey, item);
        items.push_back(item);
    }
    for (QTreeWidgetItem* item : items) static_cast<Item*>(item)->Pending = false;
    if (m_Sorted && ListCount() == 0) {
        // Into an empty sorted list the rows go in their sorted order at once; sorting
        // them first is what adding them and then sorting the list gives.
        std::stable_sort(items.begin(), items.end(), [this](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
            return before(*static_cast<const Item*>(a), *static_cast<const Item*>(b));
        });
        addTopLevelItems(items);
    } else {
        addTopLevelItems(items);
        sortNow();
    }
    m_ProgramChange = wasProgram;
    return static_cast<int>(items.size());
}

void ListView::RemoveItem(int position) {
    delete itemAt(position); // the row takes its key out of the look-up
}

void ListView::ClearItems() {
    m_Keys.clear();
    m_CheckedRows.clear();
    clear();
}

int ListView::FindKey(const QString& key) const {
    // A row taken out behind the list's back (and not deleted) reads as none.
    const Item* item = m_Keys.value(key.toCaseFolded(), nullptr);
    return item ? positionOf(item) : 0;
}

QString ListView::Key(int position) const {
    const Item* item = itemAt(position);
    return item ? item->Key : QString();
}

QString ListView::Text(int position) const {
    const Item* item = itemAt(position);
    return item ? item->text(0) : QString();
}

void ListView::SetText(int position, const QString& text) { SetSubItem(position, 1, text); }

QString ListView::SubItem(int position, int column) const {
    const Item* item = itemAt(position);
    return item && column >= 1 ? item->text(column - 1) : QString();
}

void ListView::SetSubItem(int position, int column, const QString& text) {
    Item* item = itemAt(position);
    if (!item || !validColumn(column)) return;
    // The same text again changes nothing on screen: the view need not hear of it.
    if (item->text(column - 1) == text) return;
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    item->setText(column - 1, text);
    m_ProgramChange = wasProgram;
}

int ListView::SmallIcon(int position) const {
    const Item* item = itemAt(position);
    return item ? item->Icon : 0;
}

void ListView::SetSmallIcon(int position, int number) {
    Item* item = itemAt(position);
    if (!item) return;
    // The icon the row shows already: nothing to tell the view.
    if (number == item->Icon && (number == 0 || !m_SmallIcons) == item->icon(0).isNull()) return;
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    item->Icon = number;
    item->setIcon(0, m_SmallIcons && number ? m_SmallIcons->Icon(number) : QIcon());
    m_ProgramChange = wasProgram;
}

bool ListView::Checked(int position) const {
    const Item* item = itemAt(position);
    return item && item->CheckedState;
}

void ListView::SetChecked(int position, bool checked) {
    Item* item = itemAt(position);
    if (!item || !m_CheckBoxes) return;
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    setCheckedState(item, checked);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    m_ProgramChange = wasProgram;
}

int ListView::FindText(const QString& text) const {
    for (int i = 0, n = ListCount(); i < n; ++i) {
        if (topLevelItem(i)->text(0) == text) return i + 1;
    }
    return 0;
}

void ListView::onItemChanged(QTreeWidgetItem* changed, int column) {
    if (m_ProgramChange || column != 0 || !m_CheckBoxes) return;
    auto* item = static_cast<Item*>(changed);
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == item->CheckedState) return;
    setCheckedState(item, checked);
    emit ItemCheck(positionOf(item));
}

// --- Selection -----------------------------------------------------------------------------

int ListView::SelectedPosition() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? 0 : positionOf(selected.front());
}

bool ListView::IsSelected(int position) const {
    const Item* item = itemAt(position);
    return item && item->isSelected();
}

void ListView::SetSelected(int position, bool selected) {
    Item* item = itemAt(position);
    if (!item) return;
    const QSignalBlocker blocker(this); // selecting by program raises no event
    if (selected) {
        setCurrentItem(item);
        item->setSelected(true);
    } else {
        item->setSelected(false);
    }
}

void ListView::EnsureVisible(int position) {
    if (Item* item = itemAt(position)) scrollToItem(item);
}

// --- Sorting -------------------------------------------------------------------------------

bool ListView::lessThan(const QTreeWidgetItem& a, const QTreeWidgetItem& b) const {
    return static_cast<const Item&>(a).SortText(m_SortKey) < static_cast<const Item&>(b).SortText(m_SortKey);
}

bool ListView::before(const Item& a, const Item& b) const {
    return m_SortOrder == 0 ? lessThan(a, b) : lessThan(b, a);
}

int ListView::insertionIndex(const Item* item) const {
    // After every row that sorts before it or equal to it: equal texts keep their order.
    int low = 0;
    int high = ListCount();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (before(*item, *static_cast<const Item*>(topLevelItem(mid))))
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

int ListView::SortRow(int position) {
    Item* item = itemAt(position);
    if (!item) return 0;
    if (!m_Sorted) return position;
    // The other rows are in order; a stable sort puts the row after the other rows that
    // sort before it, before those it sorts before, and among the rows equal to it where
    // it stood relative to them.
    const int from = position - 1;
    const int others = ListCount() - 1;
    auto other = [&](int i) -> const Item& { return *static_cast<const Item*>(topLevelItem(i < from ? i : i + 1)); };
    int low = 0, high = others;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (before(other(mid), *item))
            low = mid + 1;
        else
            high = mid;
    }
    const int firstEqual = low;
    high = others;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (before(*item, other(mid)))
            high = mid;
        else
            low = mid + 1;
    }
    const int to = std::clamp(from, firstEqual, low);
    if (to == from) return position;

    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    {
        // The row keeps its selection and stays current if it was, as a sort keeps them;
        // no other row's state changes. Without clearing the current row first, Qt would
        // select a neighbour when it is taken out; and with the selection's signals on,
        // restoring it would lay the whole list out at once (and scroll to it) instead of
        // once when the event loop next runs.
        QItemSelectionModel* selection = selectionModel();
        const QSignalBlocker quietList(this);
        const QSignalBlocker quietSelection(selection);
        const bool selected = item->isSelected();
        const bool current = currentItem() == item;
        if (current) selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        takeTopLevelItem(from);
        insertTopLevelItem(to, item);
        const QModelIndex index = indexFromItem(item);
        if (current) selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (selected) selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    viewport()->update();
    // Only the rows between the two places moved, each by one.
    for (int i = std::min(from, to), last = std::max(from, to); i <= last; ++i)
        static_cast<Item*>(topLevelItem(i))->RowHint = i;
    m_ProgramChange = wasProgram;
    return to + 1;
}

void ListView::sortNow() {
    if (!m_Sorted) return;
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    sortItems(m_SortKey, m_SortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_ProgramChange = wasProgram;
}

void ListView::SetSorted(bool sorted) {
    if (sorted == m_Sorted) return;
    m_Sorted = sorted;
    sortNow();
}

bool ListView::SetSortKey(int key) {
    if (key < 0 || key >= ColumnCount()) return false;
    m_SortKey = key;
    sortNow();
    return true;
}

bool ListView::SetSortOrder(int order) {
    if (order != 0 && order != 1) return false;
    m_SortOrder = order;
    sortNow();
    return true;
}

// --- Check boxes and tool tip --------------------------------------------------------------

void ListView::SetCheckBoxes(bool on) {
    if (on == m_CheckBoxes) return;
    const bool wasProgram = m_ProgramChange;
    m_ProgramChange = true;
    m_CheckBoxes = on;
    for (int i = 0, n = ListCount(); i < n; ++i) {
        auto* item = static_cast<Item*>(topLevelItem(i));
        if (on) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, item->CheckedState ? Qt::Checked : Qt::Unchecked);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setData(0, Qt::CheckStateRole, QVariant());
            setCheckedState(item, false);
        }
    }
    m_ProgramChange = wasProgram;
}

void ListView::SetToolTipText(const QString& text) {
    m_ToolTip = text;
    setToolTip(text);
    viewport()->setToolTip(text);
    if (text.isEmpty()) QToolTip::hideText();
}

// --- Events --------------------------------------------------------------------------------

void ListView::emitMouse(void (ListView::*signal)(int, int, int, int), QMouseEvent* event, int button) {
    const QPoint p = event->position().toPoint();
    emit(this->*signal)(button, VbShift(event->modifiers()), PixelsToTwips(p.x()), PixelsToTwips(p.y()));
}

void ListView::mousePressEvent(QMouseEvent* event) {
    emitMouse(&ListView::MouseDown, event, VbButton(event->button()));
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    QTreeWidgetItem* item = QTreeWidget::itemAt(event->position().toPoint());
    if (!item) return;
    if (!item->isSelected()) {
        const QSignalBlocker blocker(this);
        setCurrentItem(item);
        item->setSelected(true);
    }
    emit ItemClick(positionOf(item));
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click counts as a press too, with the keys held then.
    emitMouse(&ListView::MouseDown, event, VbButton(event->button()));
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
    emitMouse(&ListView::MouseMove, event, VbButtons(event->buttons()));
    QTreeWidget::mouseMoveEvent(event);
}

void ListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit KeyPress(13);
        event->accept();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.front().unicode() < 256 && text.front().unicode() >= 32) {
        emit KeyPress(text.front().unicode());
    }
    // Moving the selection with the keyboard clicks the row it lands on.
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* after = currentItem();
    if (after && after != before) {
        {
            const QSignalBlocker blocker(this);
            after->setSelected(true);
        }
        emit ItemClick(positionOf(after));
    }
}

QItemSelectionModel::SelectionFlags ListView::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    // A click with Ctrl on the selected row (a Ctrl double-click included) leaves it
    // selected: the row clicked is the list's current one, highlighted as such.
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (flags.testFlag(QItemSelectionModel::Deselect) && !flags.testFlag(QItemSelectionModel::Select))
        return QItemSelectionModel::NoUpdate;
    return flags;
}

bool ListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_ToolTip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), m_ToolTip, viewport());
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

} // namespace korvel::platform
