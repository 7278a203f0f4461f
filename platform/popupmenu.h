#pragma once
// Run-time pop-up menus: arrays of menu items that are created and dropped while the
// program runs (each with a caption, a tag, an enabled state and a check mark), and one
// way of showing a menu at the pointer that tests can replace, so no test waits on a
// menu.

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMenu;

namespace korvel::platform {

// An array of items in a menu, standing before the anchor action (at the end of the
// menu when there is none). Element 0 is made with the array and never dropped.
class MenuItemArray final : public QObject {
    Q_OBJECT
public:
    MenuItemArray(QMenu* menu, QAction* anchor, const QString& caption0, QObject* parent = nullptr);

    int Count() const { return static_cast<int>(m_Items.size()); }
    // Makes element Count() (with an empty caption).
    void Load();
    // Drops the last element; element 0 stays.
    void Unload();
    // Makes a new element at the index (0..Count()); the elements from there on move up
    // by one.
    void Insert(int index, const QString& caption, const QString& tag);
    // Drops the element at the index; the ones after it move down by one. The only
    // element left is never dropped.
    void Remove(int index);
    // Moves the element (its action, caption, tag and marks) from one index to another;
    // the ones between move by one.
    void Move(int from, int to);

    QString Caption(int index) const;
    void SetCaption(int index, const QString& caption);
    QString Tag(int index) const;
    void SetTag(int index, const QString& tag);
    bool Enabled(int index) const;
    void SetEnabled(int index, bool enabled);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    QAction* Action(int index) const;

signals:
    void Clicked(int index);

private:
    struct Item {
        QAction* Action = nullptr;
        QString Tag;
    };
    QAction* makeAction(const QString& caption);
    // Puts the action into the menu before the given one (at the end when none).
    QAction* placeAction(QAction* action, QAction* before);

    QMenu* m_Menu;
    QAction* m_Anchor;
    std::vector<Item> m_Items;
};

// Shows the menu at the global position and runs the chosen item (aboutToShow first).
// A presenter installed by a test stands in for the user: it gets the menu and may
// trigger one of its actions.
using MenuPresenter = std::function<void(QMenu* menu)>;
void PopupMenu(QMenu* menu, const QPoint& globalPosition);
// Installs a presenter; returns the one it replaces. An empty one restores the real menu.
MenuPresenter InstallMenuPresenter(MenuPresenter presenter);

} // namespace korvel::platform
