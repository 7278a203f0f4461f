#pragma once
// Walks every widget of a window as the operator would see it: each label, tool tip,
// window title, button, group box, tab, tree, list and combo item and menu entry (the
// entries of Qt's menus and of the run-time pop-up menus, sub-menus included). It
// reports every place that would show a text as markup, and counts the texts that
// look like markup and are shown literally (so a test can tell its data arrived).
// ModalWalker does the same for every modal window that opens while it runs, then
// closes it as the operator would (Escape / Cancel / No).

#include "tests/support/markuptraps.h"

#include "platform/popupmenu.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <set>

namespace korvel::testing {

struct WalkReport {
    QStringList problems;    // where a text would be taken for markup
    int literalMarkup = 0;   // texts that look like markup, shown as they stand
    int toolTipsShown = 0;
    QStringList windows;     // titles of the modal windows walked

    void Shown(const QString& text) {
        if (Qt::mightBeRichText(text) || text.contains(QLatin1String("<img"))) ++literalMarkup;
    }
};

inline QString Where(const QObject* o) {
    return QString::fromLatin1(o->metaObject()->className()) + QLatin1Char(' ') + o->objectName();
}

inline void CheckLabel(QLabel* label, WalkReport& report) {
    label->ensurePolished(); // as Qt does before it first measures or shows a label
    if (!ShowsLiterally(label)) report.problems << Where(label) + QStringLiteral(": ") + label->text();
    report.Shown(label->text());
}

inline void CheckToolTipAt(QWidget* widget, QPoint pos, WalkReport& report) {
    QLabel* tip = HoverForToolTip(widget, pos);
    if (!tip) return;
    ++report.toolTipsShown;
    if (!ShowsLiterally(tip)) report.problems << QStringLiteral("tool tip of ") + Where(widget) + QStringLiteral(": ") + tip->text();
    report.Shown(tip->text());
}

inline void WalkItems(QTreeWidget* tree, WalkReport& report) {
    for (int c = 0; c < tree->columnCount(); ++c) report.Shown(tree->headerItem()->text(c));
    QTreeWidgetItemIterator it(tree);
    for (; *it; ++it) {
        for (int c = 0; c < tree->columnCount(); ++c) report.Shown((*it)->text(c));
        const QRect rect = tree->visualItemRect(*it);
        if (tree->isVisible() && rect.isValid() && tree->viewport()->rect().contains(rect.center()))
            CheckToolTipAt(tree->viewport(), rect.center(), report);
    }
}

// The same for a view over an item model of its own: every row's texts, and its tool tip
// where the row is on the screen.
inline void WalkRows(QAbstractItemView* view, const QModelIndex& parent, WalkReport& report) {
    const QAbstractItemModel* model = view->model();
    for (int r = 0; r < model->rowCount(parent); ++r) {
        for (int c = 0; c < model->columnCount(parent); ++c) report.Shown(model->index(r, c, parent).data().toString());
        const QModelIndex row = model->index(r, 0, parent);
        const QRect rect = view->visualRect(row);
        if (view->isVisible() && rect.isValid() && view->viewport()->rect().contains(rect.center()))
            CheckToolTipAt(view->viewport(), rect.center(), report);
        WalkRows(view, row, report);
    }
}

inline void WalkMenu(QMenu* menu, WalkReport& report) {
    for (QAction* action : menu->actions()) {
        report.Shown(action->text());
        if (action->menu()) WalkMenu(action->menu(), report);
    }
    // As a menu that shows its entries' tips would show them.
    const bool tips = menu->toolTipsVisible();
    menu->setToolTipsVisible(true);
    menu->popup(QPoint(0, 0));
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isVisible())
            CheckToolTipAt(menu, menu->actionGeometry(action).center(), report);
    menu->hide();
    menu->setToolTipsVisible(tips);
}

// Every entry of a run-time pop-up menu and of its sub-menus, as its list shows it.
inline void WalkMenu(const platform::Menu* menu, WalkReport& report) {
    for (int row = 0; row < menu->Count(); ++row) {
        if (menu->IsSeparator(row)) continue;
        report.Shown(menu->Caption(row));
        if (const platform::Menu* sub = menu->SubMenu(row)) WalkMenu(sub, report);
    }
}

// Walks root and everything in it.
inline void WalkWidgets(QWidget* root, WalkReport& report) {
    // Guarded: a tool tip is a child of the widget it belongs to and goes when the next
    // one shows, and a menu may rebuild its entries when it opens.
    QList<QPointer<QWidget>> widgets{root};
    for (QWidget* w : root->findChildren<QWidget*>()) widgets << w;
    if (root->isWindow() && root->windowHandle() && !root->windowTitle().isEmpty()) {
        if (root->windowHandle()->title() != root->windowTitle())
            report.problems << QStringLiteral("title of ") + Where(root) + QStringLiteral(": ") +
                                   root->windowHandle()->title();
        report.Shown(root->windowTitle());
    }
    for (const QPointer<QWidget>& guarded : widgets) {
        QWidget* w = guarded.data();
        if (!w || w->objectName() == QLatin1String("qtooltip_label")) continue;
        if (auto* label = qobject_cast<QLabel*>(w)) CheckLabel(label, report);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) report.Shown(button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w)) report.Shown(group->title());
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i) report.Shown(tabs->tabText(i));
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i) report.Shown(combo->itemText(i));
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i) report.Shown(list->item(i)->text());
        if (auto* tree = qobject_cast<QTreeWidget*>(w)) WalkItems(tree, report);
        else if (auto* view = qobject_cast<QAbstractItemView*>(w);
                 view && view->model() && !qobject_cast<QListWidget*>(w) && !qobject_cast<QHeaderView*>(w)) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                report.Shown(view->model()->headerData(c, Qt::Horizontal).toString());
            WalkRows(view, {}, report);
        }
        if (auto* menu = qobject_cast<QMenu*>(w)) WalkMenu(menu, report);
        if (w->isVisible() && !w->toolTip().isEmpty()) CheckToolTipAt(w, w->rect().center(), report);
    }
    // The run-time menus the window owns (a sub-menu is walked with the menu it is in).
    for (const platform::Menu* menu : root->findChildren<platform::Menu*>())
        if (!qobject_cast<const platform::MenuItem*>(menu->parent())) WalkMenu(menu, report);
    if (QLabel* tip = ShownToolTip()) tip->hide();
}

// The pointer rests on widget at pos (a move without buttons), as before a tool tip.
inline void MovePointer(QWidget* widget, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// While it lives: every modal window that opens is walked and then closed.
class ModalWalker {
public:
    explicit ModalWalker(WalkReport& report) : m_Report(report) {
        m_Timer.setInterval(20);
        QObject::connect(&m_Timer, &QTimer::timeout, [this] { check(); });
        m_Timer.start();
    }

private:
    void check() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        m_Report.windows << modal->windowTitle();
        WalkWidgets(modal, m_Report);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
    }

    WalkReport& m_Report;
    QTimer m_Timer;
};

} // namespace korvel::testing
