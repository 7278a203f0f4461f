#pragma once
// Run-time pop-up menus: a menu of fixed entries, separators, sub-menus and arrays of
// entries that are created and dropped while the program runs (each with a caption, a
// tag, an enabled state and a check mark), shown at the pointer through the dialog
// service, which tests replace, so no test waits on a menu.
//
// A menu is data: its entries live in plain arrays, and nothing is laid out while it is
// closed, so filling a menu of n entries costs O(n). It shows as a pop-up list of its own
// (platform/popuplist.h) that is drawn and handled like the style's menu, scrolls when it
// is taller than the screen, and lays out and paints only the rows in view. Captions are
// plain text: "&" marks the access key, "&&" shows one "&". See docs/widgets.md.

#include <QFont>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace korvel::platform {

class Menu;
class PopupList;

// One fixed entry of a menu. Click() is raised when the operator chooses it (or a test's
// script does, or Trigger()); a check mark is the program's: choosing the entry never
// changes it.
class MenuItem final : public QObject {
    Q_OBJECT
public:
    QString Caption() const { return m_Caption; }
    void SetCaption(const QString& caption);
    bool Enabled() const { return m_Enabled; }
    void SetEnabled(bool enabled);
    // A checkable entry shows a check box, ticked while Checked().
    bool Checkable() const { return m_Checkable; }
    void SetCheckable(bool checkable);
    bool Checked() const { return m_Checked; }
    void SetChecked(bool checked);
    // The menu this entry opens, or none for an entry that is chosen.
    Menu* SubMenu() const { return m_SubMenu; }
    // As the operator choosing it: raises Click() when the entry is enabled and opens no
    // sub-menu; true when it did.
    bool Trigger();

signals:
    void Click();

private:
    friend class Menu;
    MenuItem(Menu* menu, const QString& caption);
    void changed();

    Menu* m_Menu;
    Menu* m_SubMenu = nullptr;
    QString m_Caption;
    bool m_Enabled = true;
    bool m_Checkable = false;
    bool m_Checked = false;
};

// An array of entries standing at the place of the menu where it was made (after the
// entries added before it, before those added after it). Element 0 is made with the
// array and never dropped. Its entries are checkable.
class MenuItemArray final : public QObject {
    Q_OBJECT
public:
    MenuItemArray(Menu* menu, const QString& caption0, QObject* parent = nullptr);
    ~MenuItemArray() override;

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
    // Moves the element (its caption, tag and marks) from one index to another; the ones
    // between move by one.
    void Move(int from, int to);

    // The caption and the tag as held (valid until the element changes or goes).
    const QString& Caption(int index) const;
    void SetCaption(int index, const QString& caption);
    const QString& Tag(int index) const;
    void SetTag(int index, const QString& tag);
    bool Enabled(int index) const;
    void SetEnabled(int index, bool enabled);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);

signals:
    void Clicked(int index);

private:
    friend class Menu;
    friend class PopupList;
    struct Item {
        QString Caption;
        QString Tag;
        // The caption's measured widths: the text, and what follows a tab (drawn as a
        // key name at the right).
        int Width = 0;
        int TabWidth = 0;
        bool Enabled = true;
        bool Checked = false;
    };
    struct Widths {
        int Text = 0;
        int Tab = 0;
    };
    const Item* at(int index) const;
    Item* at(int index);
    std::unique_ptr<Item> makeItem(const QString& caption, const QString& tag);
    void measure(Item& item);
    void forget(const Item& item);
    void changed(int index);
    // The widest caption: kept as captions are set, found again (without measuring)
    // only after the widest one shrank or went.
    Widths widest();
    void measureAll();

    QPointer<Menu> m_Menu;
    // Held by pointer, so that moving one element moves pointers only.
    std::vector<std::unique_ptr<Item>> m_Items;
    Widths m_Widest;
    bool m_WidestKnown = true;
};

// A run-time pop-up menu. Its rows, in order, are its entries, separators and the
// elements of its arrays.
class Menu final : public QObject {
    Q_OBJECT
public:
    explicit Menu(QObject* parent = nullptr);
    ~Menu() override;

    MenuItem* AddItem(const QString& caption);
    // An entry that opens a new (empty) menu, its SubMenu().
    MenuItem* AddSubMenu(const QString& caption);
    void AddSeparator();

    // --- The rows, as the pop-up list and a test's script see them ------------------------
    int Count() const;
    QString Caption(int row) const;
    bool IsSeparator(int row) const;
    bool Enabled(int row) const;
    bool Checkable(int row) const;
    bool Checked(int row) const;
    Menu* SubMenu(int row) const;
    // The row's entry chosen as by the operator (see MenuItem::Trigger).
    bool Trigger(int row);
    // The first row whose caption shows that text ("&" marks taken off), or -1.
    int FindRow(const QString& shownText) const;

    // True while the menu shows as a pop-up list.
    bool IsOpen() const;

signals:
    // The menu is about to show: the program prepares its entries.
    void AboutToShow();

private:
    friend class MenuItem;
    friend class MenuItemArray;
    friend class PopupList;

    struct Segment {
        MenuItem* Item = nullptr;        // a fixed entry (or a sub-menu's)
        MenuItemArray* Array = nullptr;  // an array of entries
        // neither: a separator
        int Rows() const;
    };
    // Where a row lies: its segment and the index inside it.
    struct Place {
        const Segment* segment = nullptr;
        int index = 0;
    };
    Place place(int row) const;
    int firstRowOf(const MenuItemArray* array) const;
    int rowOf(const MenuItem* item) const;
    void dropArray(MenuItemArray* array);
    // Widths of a caption's text and of what follows its tab, in the font the pop-up list
    // draws it with; the arrays measure their captions as they are set.
    std::pair<int, int> measure(const QString& caption);
    // The font the lists draw with now; what was measured in another font is measured again.
    void measureIn(const QFont& font);

    // What an open pop-up list is told of a change (nothing while the menu is closed).
    void aboutToInsert(int first, int last);
    void inserted();
    void aboutToRemove(int first, int last);
    void removed();
    void aboutToMove(int from, int to);
    void moved();
    void rowChanged(int row);

    std::vector<Segment> m_Segments;
    QPointer<PopupList> m_Popup;
    struct Measuring;
    std::unique_ptr<Measuring> m_Measuring;
};

// Shows the menu at the global position (AboutToShow first) through the dialog service
// (platform/dialogservice.h): as a pop-up list that returns at once, the chosen entry
// raising its Click()/Clicked() once the list has closed; under the scripted service of
// the tests, as the test's script says.
void PopupMenu(Menu* menu, const QPoint& globalPosition);

} // namespace korvel::platform
