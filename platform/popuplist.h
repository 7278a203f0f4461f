#pragma once
// The window a run-time menu (platform/popupmenu.h) shows as: a pop-up list that looks
// and acts like the style's menu. A Qt::Popup window draws the menu's panel and frame; in
// it, a view of the menu's rows (a minimal item model over the menu) draws each row as a
// menu entry (CE_MenuItem). Every entry has its place by arithmetic (rows of one kind
// are of one height), so only the rows in view are laid out and painted, however many
// the menu holds; a list taller than the screen's available height scrolls.
//
// The operator's hand: the pointer highlights an entry, a release on it chooses it,
// resting on an entry that opens a sub-menu opens it after the style's delay; a press
// outside closes the menus. Keys: Up/Down (round), Page Up/Down, Home, End move over the
// entries that can be chosen (separators and disabled entries are skipped), Enter and
// Space choose, Right opens a sub-menu, Left and Esc close one (Esc in the first menu
// closes it), an entry's access-key letter chooses it (several with one letter: the
// next of them is highlighted). Choosing closes every open list first, then raises the
// entry's Click()/Clicked().

#include "platform/popupmenu.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

class QAbstractItemView;

namespace korvel::platform {

class MenuEntryDelegate;
class MenuListModel;
class MenuRowsView;

class PopupList final : public QWidget {
    Q_OBJECT
public:
    // Shows the menu at the global position (AboutToShow first), closing any list open
    // before; none for a menu without rows.
    static PopupList* Open(Menu* menu, const QPoint& globalPosition);
    // The list on top of all open ones (a sub-menu's while one is open), or none.
    static PopupList* Active();

    ~PopupList() override;

    Menu* ShownMenu() const { return m_Menu; }
    QAbstractItemView* View() const;
    // The widget the rows are drawn on, and a row's place on it.
    QWidget* Rows() const;
    QRect RowRect(int row) const;
    // The highlighted row, -1 for none.
    int CurrentRow() const;
    PopupList* SubList() const { return m_Sub; }
    PopupList* ParentList() const { return m_Parent; }
    // Closes this list with its sub-menus and the lists it was opened from.
    void CloseAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class Menu;
    friend class MenuRowsView;
    friend class MenuEntryDelegate;

    PopupList(Menu* menu, PopupList* parentList, QWidget* owner);

    // Rows of one height following one another: a fixed entry, a separator, an array.
    struct Band {
        int FirstRow = 0;
        int Rows = 0;
        int RowHeight = 0;
        int Top = 0; // in the rows' content, from the first row's top
    };
    void layOut();
    QSize sizeOnScreen(const QRect& screen);
    void place(const QPoint& globalPosition);
    void refit();
    void placeBeside(const QRect& globalRowRect);
    int contentHeight() const;
    int rowTop(int row) const;
    int rowHeight(int row) const;
    int rowAt(int contentY) const;

    bool selectable(int row) const;
    int nextSelectable(int from, int step, bool wrap) const;
    void setCurrent(int row, bool scroll);
    void handleKey(QKeyEvent* event);
    bool chooseByAccessKey(const QString& text);
    // The row chosen: a sub-menu opens, another entry is triggered.
    void activate(int row, bool byKeyboard);
    void openSub(int row, bool selectFirst);
    void closeSub();
    void hoverRow(int row);
    // The pointer, at a global position: on the rows, on the frame, or outside (where a
    // sub-menu's list passes it to the list it came from).
    void pointerPressed(const QPoint& global);
    void pointerMoved(const QPoint& global);
    void pointerReleased(const QPoint& global);
    void rowsLeft();
    int rowAtGlobal(const QPoint& globalPosition) const;
    PopupList* listAt(const QPoint& globalPosition);
    bool pointerMovedSinceOpening(const QPoint& globalPosition) const;

    // The menu's changes while the list shows.
    void aboutToInsert(int first, int last);
    void inserted();
    void aboutToRemove(int first, int last);
    void removed();
    void aboutToMove(int from, int to);
    void moved();
    void rowChanged(int row);
    void menuGone();

    QPointer<Menu> m_Menu;
    QPointer<PopupList> m_Parent;
    QPointer<PopupList> m_Sub;
    int m_SubRow = -1;
    MenuListModel* m_Model = nullptr;
    MenuRowsView* m_View = nullptr;
    std::vector<Band> m_Bands;
    int m_ColumnWidth = 0;
    int m_TabWidth = 0;
    bool m_HasCheckable = false;
    bool m_Pressed = false;
    QPoint m_OpenedAt;
    QTimer m_SubTimer;
    int m_HoverRow = -1;
};

} // namespace korvel::platform
