#include "platform/popupmenu.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

namespace korvel::platform {

MenuItemArray::MenuItemArray(QMenu* menu, QAction* anchor, const QString& caption0, QObject* parent)
    : QObject(parent), m_Menu(menu), m_Anchor(anchor) {
    m_Items.push_back(Item{placeAction(makeAction(caption0), m_Anchor), {}});
}

QAction* MenuItemArray::makeAction(const QString& caption) {
    auto* action = new QAction(caption, m_Menu);
    action->setCheckable(true);
    action->setChecked(false);
    // The check mark is the program's: a click does not toggle it by itself.
    connect(action, &QAction::triggered, this, [this, action](bool) {
        action->setChecked(!action->isChecked());
        for (std::size_t i = 0; i < m_Items.size(); ++i)
            if (m_Items[i].Action == action) emit Clicked(static_cast<int>(i));
    });
    return action;
}

QAction* MenuItemArray::placeAction(QAction* action, QAction* before) {
    if (before) m_Menu->insertAction(before, action);
    else m_Menu->addAction(action);
    return action;
}

void MenuItemArray::Load() { m_Items.push_back(Item{placeAction(makeAction(QString()), m_Anchor), {}}); }

void MenuItemArray::Unload() {
    if (m_Items.size() < 2) return;
    delete m_Items.back().Action;
    m_Items.pop_back();
}

void MenuItemArray::Insert(int index, const QString& caption, const QString& tag) {
    if (index < 0 || index > Count()) return;
    QAction* before = index < Count() ? m_Items[static_cast<std::size_t>(index)].Action : m_Anchor;
    QAction* action = placeAction(makeAction(caption), before);
    m_Items.insert(m_Items.begin() + index, Item{action, tag});
}

void MenuItemArray::Remove(int index) {
    if (m_Items.size() < 2 || index < 0 || index >= Count()) return;
    delete m_Items[static_cast<std::size_t>(index)].Action;
    m_Items.erase(m_Items.begin() + index);
}

void MenuItemArray::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
    const auto at = [this](int i) { return m_Items.begin() + i; };
    QAction* action = m_Items[static_cast<std::size_t>(from)].Action;
    // The action goes before the one that will follow it, or where the array ends.
    QAction* before = to + 1 < Count() ? m_Items[static_cast<std::size_t>(to < from ? to : to + 1)].Action : m_Anchor;
    // One step of a rotation: each element between moves once (a rotate would swap).
    Item moved = std::move(m_Items[static_cast<std::size_t>(from)]);
    if (to < from) std::move_backward(at(to), at(from), at(from + 1));
    else std::move(at(from + 1), at(to + 1), at(from));
    m_Items[static_cast<std::size_t>(to)] = std::move(moved);
    m_Menu->removeAction(action);
    placeAction(action, before);
}

QAction* MenuItemArray::Action(int index) const {
    return index >= 0 && index < Count() ? m_Items[static_cast<std::size_t>(index)].Action : nullptr;
}

QString MenuItemArray::Caption(int index) const {
    const QAction* a = Action(index);
    return a ? a->text() : QString();
}

void MenuItemArray::SetCaption(int index, const QString& caption) {
    if (QAction* a = Action(index)) a->setText(caption);
}

QString MenuItemArray::Tag(int index) const {
    return index >= 0 && index < Count() ? m_Items[static_cast<std::size_t>(index)].Tag : QString();
}

void MenuItemArray::SetTag(int index, const QString& tag) {
    if (index >= 0 && index < Count()) m_Items[static_cast<std::size_t>(index)].Tag = tag;
}

bool MenuItemArray::Enabled(int index) const {
    const QAction* a = Action(index);
    return a && a->isEnabled();
}

void MenuItemArray::SetEnabled(int index, bool enabled) {
    if (QAction* a = Action(index)) a->setEnabled(enabled);
}

bool MenuItemArray::Checked(int index) const {
    const QAction* a = Action(index);
    return a && a->isChecked();
}

void MenuItemArray::SetChecked(int index, bool checked) {
    if (QAction* a = Action(index)) a->setChecked(checked);
}

namespace {
MenuPresenter& Presenter() {
    static MenuPresenter presenter;
    return presenter;
}
} // namespace

void PopupMenu(QMenu* menu, const QPoint& globalPosition) {
    if (!menu) return;
    if (Presenter()) {
        emit menu->aboutToShow();
        Presenter()(menu);
        return;
    }
    menu->exec(globalPosition);
}

MenuPresenter InstallMenuPresenter(MenuPresenter presenter) {
    MenuPresenter old = std::move(Presenter());
    Presenter() = std::move(presenter);
    return old;
}

} // namespace korvel::platform
