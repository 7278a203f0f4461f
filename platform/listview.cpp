#include "platform/listview.h"

#include "platform/iconstore.h"
#include "platform/twips.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QToolTip>

#if QT_CONFIG(accessibility)
#include <QAccessible>
#endif

#include <algorithm>

namespace korvel::platform {
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

ListView::ListView(QWidget* parent) : QTreeView(parent), m_Model(new ListModel(this)) {
    setModel(m_Model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int logical) { emit ColumnClick(logical + 1); });
    connect(m_Model, &ListModel::UserChecked, this, [this](int row) { emit ItemCheck(row + 1); });
    // Whatever changes the rows' places makes the view lay them out when the event loop
    // next runs (it finds each row's line afresh then).
    auto pending = [this] { m_LayoutPending = true; };
    connect(m_Model, &QAbstractItemModel::rowsInserted, this, pending);
    connect(m_Model, &QAbstractItemModel::rowsRemoved, this, pending);
    connect(m_Model, &QAbstractItemModel::layoutChanged, this, pending);
    connect(m_Model, &QAbstractItemModel::modelReset, this, pending);
    // A row that moves leaves every line of the view as it is: a line shows whatever row
    // stands at its place, and every line has the same height. So only the lines on the
    // screen between the two places are drawn again, where Qt would lay every line out
    // again. Should Qt's own handler ever go by another name, it stays, and so does the
    // full layout.
    if (QObject::disconnect(m_Model, SIGNAL(rowsMoved(QModelIndex, int, int, QModelIndex, int)), this,
                            SLOT(_q_rowsMoved(QModelIndex, int, int, QModelIndex, int))))
        connect(m_Model, &QAbstractItemModel::rowsMoved, this, &ListView::onRowMoved);
    else
        connect(m_Model, &QAbstractItemModel::rowsMoved, this, pending);
}

void ListView::onRowMoved(const QModelIndex&, int start, int end, const QModelIndex&, int row) {
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&event);
    }
#endif
    if (m_LayoutPending || !isVisible()) return; // drawn afresh anyway
    const int low = std::min(start, row);
    const int high = std::max(end, row - 1);
    const QModelIndex top = indexAt(QPoint(0, 0));
    if (!top.isValid()) {
        viewport()->update();
        return;
    }
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    const int first = std::max(low, top.row());
    const int last = std::min(high, bottom.isValid() ? bottom.row() : ListCount() - 1);
    if (first > last) return; // all of it off the screen
    const QRect topLine = visualRect(top);
    const int y = topLine.top() + (first - top.row()) * topLine.height();
    viewport()->update(QRect(0, y, viewport()->width(), (last - first + 1) * topLine.height()));
}

ListView::~ListView() = default;

void ListView::doItemsLayout() {
    QTreeView::doItemsLayout();
    m_LayoutPending = false;
}

void ListView::SetSmallIcons(const IconStore* icons) {
    m_SmallIcons = icons;
    m_Model->SetRowIcons(icons);
    const int size = TwipsToPixels(240);
    setIconSize(QSize(size, size));
}

// --- Columns -------------------------------------------------------------------------------

int ListView::AddColumn(const QString& header, int widthTwips) {
    m_Columns.push_back(Column{});
    m_Model->AppendColumn(header);
    const int column = ColumnCount();
    SetColumnWidth(column, widthTwips);
    return column;
}

void ListView::ClearColumns() {
    m_Columns.clear();
    m_Model->ClearColumns();
}

QString ListView::ColumnHeader(int column) const { return validColumn(column) ? m_Model->Header(column - 1) : QString(); }

void ListView::SetColumnHeader(int column, const QString& header) {
    if (validColumn(column)) m_Model->SetHeader(column - 1, header);
}

int ListView::ColumnWidth(int column) const {
    if (!validColumn(column)) return 0;
    const Column& c = m_Columns[static_cast<std::size_t>(column - 1)];
    const int pixels = columnWidth(column - 1);
    return pixels == c.Pixels ? c.Twips : PixelsToTwips(pixels);
}

void ListView::SetColumnWidth(int column, int twips) {
    if (!validColumn(column)) return;
    if (twips < 0) twips = 0;
    Column& c = m_Columns[static_cast<std::size_t>(column - 1)];
    c.Twips = twips;
    c.Pixels = TwipsToPixels(twips);
    setColumnWidth(column - 1, c.Pixels);
}

int ListView::ColumnIcon(int column) const {
    return validColumn(column) ? m_Columns[static_cast<std::size_t>(column - 1)].Icon : 0;
}

void ListView::SetColumnIcon(int column, int number) {
    if (!validColumn(column)) return;
    m_Columns[static_cast<std::size_t>(column - 1)].Icon = number;
    m_Model->SetHeaderIcon(column - 1, m_HeaderIcons && number ? m_HeaderIcons->Icon(number) : QIcon());
}

// --- Rows ----------------------------------------------------------------------------------

int ListView::AddItem(const QString& key, const QString& text, int smallIcon) {
    return AddItem(key, QStringList{text}, smallIcon);
}

int ListView::AddItem(const QString& key, const QStringList& texts, int smallIcon) {
    return m_Model->Insert(NewRow{key, texts, smallIcon}, std::max(1, ColumnCount())) + 1;
}

int ListView::AddItems(const std::vector<NewRow>& rows) { return m_Model->InsertMany(rows, std::max(1, ColumnCount())); }

void ListView::RemoveItem(int position) {
    if (validRow(position)) m_Model->Remove(position - 1);
}

void ListView::ClearItems() { m_Model->Clear(); }

int ListView::FindKey(const QString& key) const { return m_Model->Find(key) + 1; }

QString ListView::Key(int position) const { return m_Model->Key(position - 1); }

QString ListView::Text(int position) const { return m_Model->Text(position - 1, 0); }

void ListView::SetText(int position, const QString& text) { SetSubItem(position, 1, text); }

QString ListView::SubItem(int position, int column) const {
    return column >= 1 ? m_Model->Text(position - 1, column - 1) : QString();
}

void ListView::SetSubItem(int position, int column, const QString& text) {
    if (validRow(position) && validColumn(column)) m_Model->SetText(position - 1, column - 1, text);
}

int ListView::SmallIcon(int position) const { return m_Model->Icon(position - 1); }

void ListView::SetSmallIcon(int position, int number) { m_Model->SetIcon(position - 1, number); }

bool ListView::Checked(int position) const { return m_Model->Checked(position - 1); }

void ListView::SetChecked(int position, bool checked) { m_Model->SetChecked(position - 1, checked); }

int ListView::FindText(const QString& text) const { return m_Model->FindText(text) + 1; }

// --- Selection -----------------------------------------------------------------------------

int ListView::SelectedPosition() const {
    const QItemSelection selection = selectionModel()->selection();
    int top = -1;
    for (const QItemSelectionRange& range : selection)
        if (range.isValid() && (top < 0 || range.top() < top)) top = range.top();
    return top + 1;
}

bool ListView::IsSelected(int position) const {
    return validRow(position) && selectionModel()->isSelected(rowIndex(position));
}

void ListView::SetSelected(int position, bool selected) {
    if (!validRow(position)) return;
    const QModelIndex index = rowIndex(position);
    const QSignalBlocker blocker(this); // selecting by program raises no event
    if (selected) {
        setCurrentIndex(index);
        selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    } else {
        selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
}

void ListView::EnsureVisible(int position) {
    if (validRow(position)) scrollTo(rowIndex(position));
}

// --- Sorting -------------------------------------------------------------------------------

void ListView::SetSorted(bool sorted) { m_Model->SetSorted(sorted); }

bool ListView::SetSortKey(int key) {
    if (key < 0 || key >= ColumnCount()) return false;
    m_Model->SetSortColumn(key);
    return true;
}

bool ListView::SetSortOrder(int order) {
    if (order != 0 && order != 1) return false;
    m_Model->SetSortOrder(order);
    return true;
}

int ListView::SortRow(int position) {
    return validRow(position) ? m_Model->SortRow(position - 1) + 1 : 0;
}

// --- Check boxes and tool tip --------------------------------------------------------------

void ListView::SetCheckBoxes(bool on) { m_Model->SetCheckBoxes(on); }

void ListView::SetToolTipText(const QString& text) {
    m_ToolTip = text;
    setToolTip(text);
    viewport()->setToolTip(text);
    if (text.isEmpty()) QToolTip::hideText();
}

// --- The view ------------------------------------------------------------------------------

bool ListView::rowOnScreen(int row) const {
    // Every row has the height of the first, so the rows on screen follow from the
    // first and the last line of the viewport.
    const QModelIndex top = indexAt(QPoint(0, 0));
    if (!top.isValid()) return true; // nothing to go by: let the view decide
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    const int last = bottom.isValid() ? bottom.row() : ListCount() - 1;
    return row >= top.row() && row <= last;
}

void ListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
    // A row off the screen (or in a hidden list) changed its text, icon or tick: there is
    // nothing to redraw, and the view would look for its line among all lines. Every line
    // has the height of the first, which the view measures again when the first changes.
    // While a layout is pending the view redraws everything afterwards anyway.
    if (!m_LayoutPending && topLeft.isValid() && topLeft.row() == bottomRight.row() && topLeft.row() > 0 &&
        (!isVisible() || !rowOnScreen(topLeft.row())))
        return;
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}

// --- Events --------------------------------------------------------------------------------

void ListView::emitMouse(void (ListView::*signal)(int, int, int, int), QMouseEvent* event, int button) {
    const QPoint p = event->position().toPoint();
    emit(this->*signal)(button, VbShift(event->modifiers()), PixelsToTwips(p.x()), PixelsToTwips(p.y()));
}

void ListView::mousePressEvent(QMouseEvent* event) {
    emitMouse(&ListView::MouseDown, event, VbButton(event->button()));
    QTreeView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    if (!selectionModel()->isSelected(index)) SetSelected(index.row() + 1, true);
    emit ItemClick(index.row() + 1);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click counts as a press too, with the keys held then.
    emitMouse(&ListView::MouseDown, event, VbButton(event->button()));
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
    emitMouse(&ListView::MouseMove, event, VbButtons(event->buttons()));
    QTreeView::mouseMoveEvent(event);
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
    const QPersistentModelIndex before(currentIndex());
    QTreeView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && after.row() != before.row()) {
        {
            const QSignalBlocker blocker(this);
            selectionModel()->select(after, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        emit ItemClick(after.row() + 1);
    }
}

QItemSelectionModel::SelectionFlags ListView::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    // A click with Ctrl on the selected row (a Ctrl double-click included) leaves it
    // selected: the row clicked is the list's current one, highlighted as such.
    const QItemSelectionModel::SelectionFlags flags = QTreeView::selectionCommand(index, event);
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
    return QTreeView::viewportEvent(event);
}

} // namespace korvel::platform
