#include "platform/popuplist.h"

#include "platform/lastresort.h"
#include "platform/popupmenu.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace korvel::platform {

namespace {

// The letter after the "&" that marks a caption's access key, or a null character.
QChar AccessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

QRect AvailableAt(const QPoint& globalPosition) {
    QScreen* screen = QGuiApplication::screenAt(globalPosition);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

// The open list that was opened first (the others are its sub-menus).
QPointer<PopupList>& FirstOpen() {
    static QPointer<PopupList> first;
    return first;
}

} // namespace

// --- The model: one row per menu row ---------------------------------------------------------

class MenuListModel final : public QAbstractListModel {
public:
    MenuListModel(Menu* menu, QObject* parent) : QAbstractListModel(parent), m_Menu(menu) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !m_Menu ? 0 : m_Menu->Count();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!m_Menu || !index.isValid() || role != Qt::DisplayRole) return {};
        QString text = m_Menu->Caption(index.row());
        return text.left(text.indexOf(QLatin1Char('\t')));
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!m_Menu || !index.isValid() || m_Menu->IsSeparator(index.row()) || !m_Menu->Enabled(index.row()))
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    void beginInsert(int first, int last) { beginInsertRows({}, first, last); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int first, int last) { beginRemoveRows({}, first, last); }
    void endRemove() { endRemoveRows(); }
    void beginMove(int from, int to) { beginMoveRows({}, from, from, {}, to > from ? to + 1 : to); }
    void endMove() { endMoveRows(); }
    void changed(int row) { emit dataChanged(index(row), index(row)); }
    void gone() {
        beginResetModel();
        m_Menu = nullptr;
        endResetModel();
    }

private:
    Menu* m_Menu;
};

// --- Drawing one row as a menu entry -------------------------------------------------------------

class MenuEntryDelegate final : public QAbstractItemDelegate {
public:
    MenuEntryDelegate(PopupList* list, QObject* parent) : QAbstractItemDelegate(parent), m_List(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override { return option.rect.size(); }

    // What QMenu hands the style for an entry.
    static void Describe(QStyleOptionMenuItem& opt, const QWidget* list, const QString& caption, bool separator,
                         bool enabled, bool checkable, bool checked, bool subMenu, bool hasCheckable, int tabWidth) {
        opt.initFrom(list);
        opt.palette = list->palette();
        opt.state = QStyle::State_None;
        if (list->isActiveWindow()) opt.state |= QStyle::State_Active;
        if (enabled) opt.state |= QStyle::State_Enabled;
        else opt.palette.setCurrentColorGroup(QPalette::Disabled);
        opt.font = list->font();
        opt.fontMetrics = QFontMetrics(opt.font);
        opt.menuHasCheckableItems = hasCheckable;
        opt.checkType = checkable ? QStyleOptionMenuItem::NonExclusive : QStyleOptionMenuItem::NotCheckable;
        opt.checked = checkable && checked;
        opt.menuItemType = separator ? QStyleOptionMenuItem::Separator
                           : subMenu ? QStyleOptionMenuItem::SubMenu
                                     : QStyleOptionMenuItem::Normal;
        opt.text = separator ? QString() : caption;
        opt.reservedShortcutWidth = tabWidth;
        opt.maxIconWidth = 0;
        opt.menuRect = list->rect();
    }

private:
    PopupList* m_List;
};

// --- The view: rows placed by arithmetic ----------------------------------------------------------

class MenuRowsView final : public QAbstractItemView {
public:
    explicit MenuRowsView(PopupList* list) : QAbstractItemView(list), m_List(list) {
        setFrameShape(QFrame::NoFrame);
        setSelectionMode(NoSelection);
        setEditTriggers(NoEditTriggers);
        setAutoScroll(false);
        setTabKeyNavigation(false);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollMode(ScrollPerPixel);
        setMouseTracking(true);
        viewport()->setMouseTracking(true);
        // The menu's panel, drawn by the window, shows through.
        viewport()->setAutoFillBackground(false);
        setAutoFillBackground(false);
    }

    QRect visualRect(const QModelIndex& index) const override {
        if (!index.isValid()) return {};
        return QRect(0, m_List->rowTop(index.row()) - verticalOffset(), viewport()->width(),
                     m_List->rowHeight(index.row()));
    }
    QModelIndex indexAt(const QPoint& point) const override {
        if (!model() || point.x() < 0 || point.x() >= viewport()->width()) return {};
        const int row = m_List->rowAt(point.y() + verticalOffset());
        return row < 0 ? QModelIndex() : model()->index(row, 0);
    }
    void scrollTo(const QModelIndex& index, ScrollHint = EnsureVisible) override {
        if (!index.isValid()) return;
        const int top = m_List->rowTop(index.row());
        const int bottom = top + m_List->rowHeight(index.row());
        QScrollBar* bar = verticalScrollBar();
        if (top < bar->value()) bar->setValue(top);
        else if (bottom > bar->value() + viewport()->height()) bar->setValue(bottom - viewport()->height());
    }

    // The rows' heights or count changed.
    void relayout() {
        updateGeometries();
        viewport()->update();
    }

protected:
    QModelIndex moveCursor(CursorAction, Qt::KeyboardModifiers) override { return currentIndex(); }
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override { return verticalScrollBar()->value(); }
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect&, QItemSelectionModel::SelectionFlags) override {}
    QRegion visualRegionForSelection(const QItemSelection&) const override { return {}; }

    void updateGeometries() override {
        const int page = viewport()->height();
        QScrollBar* bar = verticalScrollBar();
        bar->setPageStep(std::max(1, page));
        bar->setSingleStep(std::max(1, m_List->rowHeight(0)));
        bar->setRange(0, std::max(0, m_List->contentHeight() - page));
        QAbstractItemView::updateGeometries();
    }

    void paintEvent(QPaintEvent* event) override {
        if (!model()) return;
        QPainter painter(viewport());
        const QRect area = event->rect();
        const int count = model()->rowCount();
        int row = m_List->rowAt(area.top() + verticalOffset());
        if (row < 0) return;
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        for (; row < count; ++row) {
            const QModelIndex index = model()->index(row, 0);
            option.rect = visualRect(index);
            if (option.rect.top() > area.bottom()) break;
            itemDelegate()->paint(&painter, option, index);
        }
    }

    void keyPressEvent(QKeyEvent* event) override { m_List->handleKey(event); }
    void mousePressEvent(QMouseEvent* event) override { m_List->pointerPressed(event->globalPosition().toPoint()); }
    void mouseMoveEvent(QMouseEvent* event) override { m_List->pointerMoved(event->globalPosition().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        m_List->pointerReleased(event->globalPosition().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        m_List->pointerPressed(event->globalPosition().toPoint());
    }
    bool viewportEvent(QEvent* event) override {
        if (event->type() == QEvent::Leave) m_List->rowsLeft();
        return QAbstractItemView::viewportEvent(event);
    }

private:
    PopupList* m_List;
};

void MenuEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Menu* menu = m_List->ShownMenu();
    if (!menu) return;
    const int row = index.row();
    QStyleOptionMenuItem opt;
    const bool enabled = menu->Enabled(row);
    Describe(opt, m_List, menu->Caption(row), menu->IsSeparator(row), enabled, menu->Checkable(row), menu->Checked(row),
             menu->SubMenu(row) != nullptr, m_List->m_HasCheckable, m_List->m_TabWidth);
    if (enabled && row == m_List->CurrentRow() && !menu->IsSeparator(row)) {
        opt.state |= QStyle::State_Selected;
        if (m_List->m_Pressed) opt.state |= QStyle::State_Sunken;
    }
    opt.rect = option.rect;
    painter->save();
    painter->setClipRect(option.rect);
    m_List->style()->drawControl(QStyle::CE_MenuItem, &opt, painter, m_List);
    painter->restore();
}

// --- The list --------------------------------------------------------------------------------------

PopupList* PopupList::Open(Menu* menu, const QPoint& globalPosition) {
    if (PopupList* open = FirstOpen()) open->CloseAll();
    if (!menu) return nullptr;
    emit menu->AboutToShow();
    if (menu->Count() == 0) return nullptr;
    QWidget* owner = nullptr;
    for (QObject* o = menu->parent(); o && !owner; o = o->parent()) owner = qobject_cast<QWidget*>(o);
    auto* list = new PopupList(menu, nullptr, owner);
    FirstOpen() = list;
    list->m_OpenedAt = globalPosition;
    list->place(globalPosition);
    list->show();
    list->m_View->setFocus(Qt::PopupFocusReason);
    return list;
}

PopupList* PopupList::Active() {
    PopupList* list = FirstOpen();
    if (!list || !list->isVisible()) return nullptr;
    while (list->m_Sub && list->m_Sub->isVisible()) list = list->m_Sub;
    return list;
}

PopupList::PopupList(Menu* menu, PopupList* parentList, QWidget* owner)
    : QWidget(parentList ? parentList : owner, Qt::Popup), m_Menu(menu), m_Parent(parentList) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_X11NetWmWindowTypePopupMenu);
    setMouseTracking(true);
    setFont(QApplication::font("QMenu"));
    setPalette(QApplication::palette("QMenu"));
    m_Menu->m_Popup = this;
    m_Menu->measureIn(font());
    m_Model = new MenuListModel(menu, this);
    m_View = new MenuRowsView(this);
    m_View->setItemDelegate(new MenuEntryDelegate(this, m_View));
    m_View->setModel(m_Model);
    m_OpenedAt = QCursor::pos();
    m_SubTimer.setSingleShot(true);
    m_SubTimer.setInterval(std::max(0, style()->styleHint(QStyle::SH_Menu_SubMenuPopupDelay, nullptr, this)));
    connect(&m_SubTimer, &QTimer::timeout, this, [this] {
        const int row = m_HoverRow;
        if (m_Sub && row == m_SubRow) return;
        closeSub();
        if (row >= 0 && m_Menu && m_Menu->SubMenu(row) && selectable(row)) openSub(row, false);
    });
    layOut();
}

PopupList::~PopupList() {
    if (m_Menu && m_Menu->m_Popup == this) m_Menu->m_Popup = nullptr;
}

QAbstractItemView* PopupList::View() const { return m_View; }
QWidget* PopupList::Rows() const { return m_View->viewport(); }
QRect PopupList::RowRect(int row) const {
    return row >= 0 && row < m_Model->rowCount() ? m_View->visualRect(m_Model->index(row, 0)) : QRect();
}
int PopupList::CurrentRow() const {
    const QModelIndex current = m_View->currentIndex();
    return current.isValid() ? current.row() : -1;
}

// --- Layout ------------------------------------------------------------------------------------------

void PopupList::layOut() {
    m_Bands.clear();
    m_ColumnWidth = 0;
    m_TabWidth = 0;
    m_HasCheckable = false;
    if (!m_Menu) return;
    QStyle* s = style();
    const QFontMetrics fm(font());
    struct Wanted {
        QStyleOptionMenuItem opt;
        int textWidth;
    };
    std::vector<Wanted> wanted;
    int row = 0;
    for (const Menu::Segment& segment : m_Menu->m_Segments) {
        QStyleOptionMenuItem opt;
        int textWidth = 0;
        if (MenuItemArray* array = segment.Array) {
            const MenuItemArray::Widths w = array->widest();
            textWidth = w.Text;
            m_TabWidth = std::max(m_TabWidth, w.Tab);
            m_HasCheckable = true;
            // One entry stands for all: they differ only in their captions.
            MenuEntryDelegate::Describe(opt, this, w.Tab > 0 ? QStringLiteral("x\tx") : QStringLiteral("x"), false, true,
                                        true, false, false, true, 0);
        } else if (MenuItem* item = segment.Item) {
            // Measured as QMenu measures its entries (there are few of them).
            const QString caption = item->Caption();
            const qsizetype tab = caption.indexOf(QLatin1Char('\t'));
            textWidth = fm.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, caption.left(tab)).width();
            if (tab >= 0) m_TabWidth = std::max(m_TabWidth, fm.horizontalAdvance(caption.mid(tab + 1)));
            m_HasCheckable |= item->Checkable();
            MenuEntryDelegate::Describe(opt, this, item->Caption(), false, item->Enabled(), item->Checkable(),
                                        item->Checked(), item->SubMenu() != nullptr, false, 0);
        } else {
            MenuEntryDelegate::Describe(opt, this, QString(), true, true, false, false, false, false, 0);
        }
        m_Bands.push_back(Band{row, segment.Rows(), 0, 0});
        row += segment.Rows();
        wanted.push_back({opt, textWidth});
    }
    int top = 0;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        Wanted& w = wanted[i];
        w.opt.menuHasCheckableItems = m_HasCheckable;
        w.opt.reservedShortcutWidth = m_TabWidth;
        const bool separator = w.opt.menuItemType == QStyleOptionMenuItem::Separator;
        const QSize content = separator ? QSize(2, 2) : QSize(w.textWidth, fm.height());
        const QSize size = s->sizeFromContents(QStyle::CT_MenuItem, &w.opt, content, this);
        Band& band = m_Bands[i];
        band.RowHeight = std::max(1, size.height());
        band.Top = top;
        top += band.Rows * band.RowHeight;
        if (band.Rows > 0) m_ColumnWidth = std::max(m_ColumnWidth, size.width());
    }
    m_ColumnWidth += m_TabWidth;
}

int PopupList::contentHeight() const {
    if (m_Bands.empty()) return 0;
    const Band& last = m_Bands.back();
    return last.Top + last.Rows * last.RowHeight;
}

int PopupList::rowTop(int row) const {
    for (const Band& b : m_Bands)
        if (row < b.FirstRow + b.Rows) return b.Top + (row - b.FirstRow) * b.RowHeight;
    return contentHeight();
}

int PopupList::rowHeight(int row) const {
    for (const Band& b : m_Bands)
        if (row >= b.FirstRow && row < b.FirstRow + b.Rows) return b.RowHeight;
    return m_Bands.empty() ? 0 : m_Bands.front().RowHeight;
}

int PopupList::rowAt(int contentY) const {
    if (contentY < 0) return -1;
    for (const Band& b : m_Bands)
        if (b.Rows > 0 && contentY < b.Top + b.Rows * b.RowHeight) return b.FirstRow + (contentY - b.Top) / b.RowHeight;
    return -1;
}

// The window's size for the rows: as high as the screen allows (then the rows scroll);
// the rows' view takes its place inside the panel's frame and margins.
QSize PopupList::sizeOnScreen(const QRect& screen) {
    QStyleOption o;
    o.initFrom(this);
    const int fw = style()->pixelMetric(QStyle::PM_MenuPanelWidth, &o, this);
    const int hm = style()->pixelMetric(QStyle::PM_MenuHMargin, &o, this);
    const int vm = style()->pixelMetric(QStyle::PM_MenuVMargin, &o, this);
    const int content = contentHeight();
    const int height = std::min(content + 2 * (fw + vm), screen.height());
    const int rowsHeight = std::max(0, height - 2 * (fw + vm));
    const bool scrolls = content > rowsHeight;
    const int bar = scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, &o, m_View->verticalScrollBar()) : 0;
    const int width = std::min(m_ColumnWidth + bar + 2 * (fw + hm), screen.width());
    m_View->setGeometry(fw + hm, fw + vm, std::max(0, width - 2 * (fw + hm)), rowsHeight);
    return {width, height};
}

// Where the window goes: at the position, or to its left and above it where it would
// leave the screen.
void PopupList::place(const QPoint& globalPosition) {
    const QRect screen = AvailableAt(globalPosition);
    const QSize size = sizeOnScreen(screen);
    const int width = size.width();
    const int height = size.height();
    QPoint p = globalPosition;
    if (p.x() + width - 1 > screen.right()) p.setX(globalPosition.x() - width);
    if (p.y() + height - 1 > screen.bottom()) p.setY(std::min(globalPosition.y() - height, screen.bottom() - height + 1));
    p.setX(std::clamp(p.x(), screen.left(), std::max(screen.left(), screen.right() - width + 1)));
    p.setY(std::clamp(p.y(), screen.top(), std::max(screen.top(), screen.bottom() - height + 1)));
    setGeometry(QRect(p, size));
}

// A sub-menu's list: beside its entry, on the right when it fits there, else on the left.
void PopupList::placeBeside(const QRect& globalRowRect) {
    const QRect parent = m_Parent ? m_Parent->geometry() : globalRowRect;
    QStyleOption o;
    o.initFrom(this);
    const int fw = style()->pixelMetric(QStyle::PM_MenuPanelWidth, &o, this);
    const int vm = style()->pixelMetric(QStyle::PM_MenuVMargin, &o, this);
    const int overlap = style()->pixelMetric(QStyle::PM_SubMenuOverlap, &o, this);
    place(QPoint(parent.right() + 1 + overlap, globalRowRect.top() - fw - vm));
    const QRect screen = AvailableAt(globalRowRect.center());
    QRect r = geometry();
    if (parent.right() + 1 + overlap + r.width() - 1 > screen.right())
        r.moveLeft(std::max(screen.left(), parent.left() - overlap - r.width()));
    else
        r.moveLeft(parent.right() + 1 + overlap);
    setGeometry(r);
}

// --- Painting: the menu's panel and frame, as QMenu draws them --------------------------------------

void PopupList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyle* s = style();
    QStyleOptionMenuItem menuOpt;
    menuOpt.initFrom(this);
    menuOpt.state = QStyle::State_None;
    menuOpt.checkType = QStyleOptionMenuItem::NotCheckable;
    menuOpt.maxIconWidth = 0;
    menuOpt.reservedShortcutWidth = 0;
    s->drawPrimitive(QStyle::PE_PanelMenu, &menuOpt, &p, this);
    QRegion emptyArea(rect());
    emptyArea -= m_View->geometry();
    const int fw = s->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    if (fw > 0) {
        QRegion border;
        border += QRect(0, 0, fw, height());
        border += QRect(width() - fw, 0, fw, height());
        border += QRect(0, 0, width(), fw);
        border += QRect(0, height() - fw, width(), fw);
        p.setClipRegion(border);
        emptyArea -= border;
        QStyleOptionFrame frame;
        frame.rect = rect();
        frame.palette = palette();
        frame.state = QStyle::State_None;
        frame.lineWidth = s->pixelMetric(QStyle::PM_MenuPanelWidth, &frame);
        frame.midLineWidth = 0;
        s->drawPrimitive(QStyle::PE_FrameMenu, &frame, &p, this);
    }
    p.setClipRegion(emptyArea);
    menuOpt.menuItemType = QStyleOptionMenuItem::EmptyArea;
    menuOpt.rect = rect();
    menuOpt.menuRect = rect();
    s->drawControl(QStyle::CE_MenuEmptyArea, &menuOpt, &p, this);
}

// --- Choosing -------------------------------------------------------------------------------------------

bool PopupList::selectable(int row) const {
    return m_Menu && row >= 0 && row < m_Menu->Count() && !m_Menu->IsSeparator(row) && m_Menu->Enabled(row);
}

// The first row from `from` on (in the step's direction) that can be chosen, or -1;
// with `wrap`, the search goes round once.
int PopupList::nextSelectable(int from, int step, bool wrap) const {
    const int n = m_Menu ? m_Menu->Count() : 0;
    if (n == 0) return -1;
    int row = from;
    for (int seen = 0; seen < n; ++seen, row += step) {
        if (row < 0 || row >= n) {
            if (!wrap) return -1;
            row = row < 0 ? n - 1 : 0;
        }
        if (selectable(row)) return row;
    }
    return -1;
}

void PopupList::setCurrent(int row, bool scroll) {
    const QModelIndex index = row >= 0 ? m_Model->index(row, 0) : QModelIndex();
    m_View->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if (scroll && index.isValid()) m_View->scrollTo(index);
}

void PopupList::keyPressEvent(QKeyEvent* event) { handleKey(event); }

void PopupList::handleKey(QKeyEvent* event) {
    event->accept();
    const int n = m_Menu ? m_Menu->Count() : 0;
    const int current = CurrentRow();
    const auto moveTo = [this](int row) {
        if (row >= 0) setCurrent(row, true);
    };
    const auto page = [this, current, n](int direction) {
        // A page on from the highlighted row (a row fewer, so that one stays in view).
        const int view = m_View->viewport()->height();
        int target = direction > 0 ? rowAt(rowTop(current) + view - rowHeight(current))
                                   : rowAt(std::max(0, rowTop(current) + rowHeight(current) - view));
        if (target < 0) target = direction > 0 ? n - 1 : 0;
        if (target == current) target += direction;
        target = std::clamp(target, 0, n - 1);
        const int found = nextSelectable(target, direction, false);
        return found >= 0 ? found : nextSelectable(target, -direction, false);
    };
    switch (event->key()) {
    case Qt::Key_Down: moveTo(nextSelectable(current < 0 ? 0 : current + 1, 1, true)); return;
    case Qt::Key_Up: moveTo(nextSelectable(current < 0 ? n - 1 : current - 1, -1, true)); return;
    case Qt::Key_Home: moveTo(nextSelectable(0, 1, false)); return;
    case Qt::Key_End: moveTo(nextSelectable(n - 1, -1, false)); return;
    case Qt::Key_PageDown: moveTo(current < 0 ? nextSelectable(0, 1, false) : page(1)); return;
    case Qt::Key_PageUp: moveTo(current < 0 ? nextSelectable(n - 1, -1, false) : page(-1)); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (selectable(current)) activate(current, true);
        return;
    case Qt::Key_Right:
        if (selectable(current) && m_Menu->SubMenu(current)) openSub(current, true);
        return;
    case Qt::Key_Left:
        if (m_Parent) close();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default: break;
    }
    if (!event->text().isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        chooseByAccessKey(event->text());
}

bool PopupList::chooseByAccessKey(const QString& text) {
    const QChar key = text.at(0).toUpper();
    if (key.isNull() || key.isSpace()) return false;
    const int n = m_Menu->Count();
    const int current = CurrentRow();
    int first = -1;
    int next = -1;
    int count = 0;
    for (int row = 0; row < n; ++row) {
        if (!selectable(row) || AccessKey(m_Menu->Caption(row)) != key) continue;
        ++count;
        if (first < 0) first = row;
        if (next < 0 && row > current) next = row;
    }
    if (count == 0) return false;
    if (count == 1) activate(first, true);
    else setCurrent(next >= 0 ? next : first, true);
    return true;
}

void PopupList::activate(int row, bool byKeyboard) {
    if (!selectable(row)) return;
    if (m_Menu->SubMenu(row)) {
        if (!m_Sub || m_SubRow != row) openSub(row, byKeyboard);
        return;
    }
    // Every list closes before the program hears of the choice (it may open a box).
    QPointer<Menu> menu = m_Menu;
    CloseAll();
    if (menu) RunGuarded("menu entry chosen", [&] { menu->Trigger(row); });
}

void PopupList::openSub(int row, bool selectFirst) {
    Menu* sub = m_Menu->SubMenu(row);
    if (!sub) return;
    if (m_Sub && m_SubRow == row) {
        if (selectFirst && m_Sub->CurrentRow() < 0) m_Sub->setCurrent(m_Sub->nextSelectable(0, 1, false), true);
        return;
    }
    closeSub();
    setCurrent(row, true);
    RunGuarded("sub-menu about to show", [&] { emit sub->AboutToShow(); });
    if (sub->Count() == 0) return;
    m_Sub = new PopupList(sub, this, nullptr);
    m_SubRow = row;
    const QRect rect = RowRect(row);
    m_Sub->placeBeside(QRect(Rows()->mapToGlobal(rect.topLeft()), rect.size()));
    m_Sub->m_OpenedAt = QCursor::pos();
    m_Sub->show();
    m_Sub->m_View->setFocus(Qt::PopupFocusReason);
    if (selectFirst) m_Sub->setCurrent(m_Sub->nextSelectable(0, 1, false), true);
}

void PopupList::closeSub() {
    if (m_Sub) m_Sub->close();
    m_Sub = nullptr;
    m_SubRow = -1;
}

void PopupList::CloseAll() {
    PopupList* first = this;
    while (first->m_Parent) first = first->m_Parent;
    // The lists close from the last opened back to the first.
    std::vector<PopupList*> open;
    for (PopupList* l = first; l; l = l->m_Sub) open.push_back(l);
    for (auto it = open.rbegin(); it != open.rend(); ++it) (*it)->close();
}

void PopupList::hideEvent(QHideEvent* event) {
    m_SubTimer.stop();
    if (m_Sub) m_Sub->close();
    if (m_Menu && m_Menu->m_Popup == this) m_Menu->m_Popup = nullptr;
    if (m_Parent && m_Parent->m_Sub == this) {
        m_Parent->m_Sub = nullptr;
        m_Parent->m_SubRow = -1;
    }
    QWidget::hideEvent(event);
}

// --- The pointer ----------------------------------------------------------------------------------------

bool PopupList::pointerMovedSinceOpening(const QPoint& globalPosition) const {
    return (globalPosition - m_OpenedAt).manhattanLength() >= QApplication::startDragDistance();
}

PopupList* PopupList::listAt(const QPoint& globalPosition) {
    for (PopupList* l = this; l; l = l->m_Parent)
        if (l->isVisible() && l->geometry().contains(globalPosition)) return l;
    return nullptr;
}

void PopupList::hoverRow(int row) {
    if (!selectable(row)) row = -1;
    if (row >= 0 && row != CurrentRow()) setCurrent(row, false);
    else if (row < 0 && !m_Sub) setCurrent(-1, false);
    if (row == m_HoverRow) return;
    m_HoverRow = row;
    // Resting on an entry opens its sub-menu (or leaves the open one) after the delay.
    if ((row >= 0 && m_Menu->SubMenu(row)) || m_Sub) m_SubTimer.start();
}

int PopupList::rowAtGlobal(const QPoint& globalPosition) const {
    const QModelIndex index = m_View->indexAt(Rows()->mapFromGlobal(globalPosition));
    return index.isValid() && Rows()->rect().contains(Rows()->mapFromGlobal(globalPosition)) ? index.row() : -1;
}

void PopupList::pointerPressed(const QPoint& global) {
    if (!geometry().contains(global)) {
        if (PopupList* other = listAt(global); other && other != this) {
            // On a menu this one was opened from: the menus after that one close.
            other->closeSub();
            other->pointerPressed(global);
            return;
        }
        CloseAll();
        return;
    }
    m_Pressed = true;
    const int row = rowAtGlobal(global);
    if (selectable(row)) {
        setCurrent(row, false);
        if (m_Menu->SubMenu(row)) openSub(row, false);
    }
    m_View->viewport()->update();
}

void PopupList::pointerMoved(const QPoint& global) {
    if (!geometry().contains(global)) {
        if (PopupList* other = listAt(global); other && other != this) other->pointerMoved(global);
        return;
    }
    // Back in a sub-menu: the entry it opened from stays highlighted.
    if (m_Parent && m_Parent->m_Sub == this) {
        m_Parent->m_SubTimer.stop();
        m_Parent->m_HoverRow = m_Parent->m_SubRow;
        m_Parent->setCurrent(m_Parent->m_SubRow, false);
    }
    hoverRow(rowAtGlobal(global));
}

void PopupList::pointerReleased(const QPoint& global) {
    const bool pressedHere = m_Pressed;
    m_Pressed = false;
    m_View->viewport()->update();
    if (!geometry().contains(global)) {
        if (PopupList* other = listAt(global); other && other != this) other->pointerReleased(global);
        return;
    }
    // The release of the press that opened the menu chooses nothing unless the pointer
    // went on to an entry.
    if (!pressedHere && !pointerMovedSinceOpening(global)) return;
    const int row = rowAtGlobal(global);
    if (row >= 0) activate(row, false);
}

void PopupList::rowsLeft() {
    m_HoverRow = -1;
    if (!m_Sub) setCurrent(-1, false);
}

void PopupList::mousePressEvent(QMouseEvent* event) {
    event->accept();
    pointerPressed(event->globalPosition().toPoint());
}
void PopupList::mouseMoveEvent(QMouseEvent* event) { pointerMoved(event->globalPosition().toPoint()); }
void PopupList::mouseReleaseEvent(QMouseEvent* event) { pointerReleased(event->globalPosition().toPoint()); }

// --- The menu changes while it shows -------------------------------------------------------------------

void PopupList::aboutToInsert(int first, int last) { m_Model->beginInsert(first, last); }
void PopupList::aboutToRemove(int first, int last) {
    if (m_Sub && m_SubRow >= first && m_SubRow <= last) closeSub();
    m_Model->beginRemove(first, last);
}
void PopupList::aboutToMove(int from, int to) { m_Model->beginMove(from, to); }

void PopupList::inserted() {
    m_Model->endInsert();
    refit();
}
void PopupList::removed() {
    m_Model->endRemove();
    refit();
}

// After rows came or went, or a caption grew wider: the window takes its new size where
// it stands (kept on the screen).
void PopupList::refit() {
    const QSize before(m_ColumnWidth, contentHeight());
    layOut();
    if (QSize(m_ColumnWidth, contentHeight()) != before) {
        const QRect screen = AvailableAt(geometry().center());
        const QSize size = sizeOnScreen(screen);
        QPoint p = geometry().topLeft();
        p.setX(std::clamp(p.x(), screen.left(), std::max(screen.left(), screen.right() - size.width() + 1)));
        p.setY(std::clamp(p.y(), screen.top(), std::max(screen.top(), screen.bottom() - size.height() + 1)));
        setGeometry(QRect(p, size));
    }
    m_View->relayout();
}
void PopupList::moved() {
    m_Model->endMove();
    m_View->viewport()->update();
}

void PopupList::rowChanged(int row) {
    refit();
    m_Model->changed(row);
}

void PopupList::menuGone() {
    m_Model->gone();
    m_Menu = nullptr;
    close();
}

} // namespace korvel::platform
