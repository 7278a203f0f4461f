#pragma once
// The profiles editor's parts as its tests reach them: by the system name each carries
// as its object name, the way the operator's path reaches them, without accessors on the
// control. A part that is missing fails the test where it is asked for. The pages are
// parts too (by their class names), for the few handlers tests still call.

#include "controls/profiles/receiverlists.h"
#include "controls/profiles/schedulepage.h"

#include "platform/checkbox.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/paintsurface.h"
#include "platform/popupmenu.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvel::profiles::testparts {

template <class T>
T& Part(const QObject& control, const QString& name) {
    T* part = control.findChild<T*>(name);
    if (!part) {
        ADD_FAILURE() << "no part named " << name.toStdString();
        std::abort();
    }
    return *part;
}

inline QString Indexed(const char* name, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index); }

#define KORVEL_PART(Type, Name) \
    inline Type& Name(const QObject& c) { return Part<Type>(c, QStringLiteral(#Name)); }
#define KORVEL_INDEXED_PART(Type, Name) \
    inline Type& Name(const QObject& c, int i) { return Part<Type>(c, Indexed(#Name, i)); }

KORVEL_PART(profiles::ReceiverLists, ReceiverLists)
KORVEL_PART(profiles::SchedulePage, SchedulePage)
KORVEL_PART(platform::TreeView, TreeView_Profiles)
KORVEL_PART(platform::TabStrip, SSTab_Profile)
KORVEL_INDEXED_PART(QWidget, TabControlPage)
inline QGroupBox& Frame0(const QObject& c) { return Part<QGroupBox>(c, QStringLiteral("Frame_0")); }
KORVEL_PART(QPushButton, Command_Save)
KORVEL_PART(QPushButton, Command_AddProfile)
KORVEL_PART(QPushButton, Command_AddChildProfile)
KORVEL_PART(QPushButton, Command_CopyProfile)
KORVEL_PART(QPushButton, Command_RemoveProfile)
KORVEL_PART(QPushButton, Command_RenameProfile)
KORVEL_PART(platform::ListView, ListView_Systems)
KORVEL_PART(platform::ListView, ListView_Receivers_Parallell)
KORVEL_PART(platform::ListView, ListView_Receivers_Sequential)
KORVEL_PART(platform::ImageCombo, Combo_Calendar_DayType)
KORVEL_PART(platform::ImageCombo, Combo_OffDutyBehaviour)
KORVEL_PART(QLabel, Label_OffDutyBehaviour)
KORVEL_PART(platform::MenuItemArray, Menu_TimeSchedulePopup_Active)
KORVEL_PART(platform::MenuItemArray, Menu_Profile_Receiver_Popup_Add_Item)
KORVEL_PART(platform::Menu, Menu_Profile_Receiver_Popup)
KORVEL_PART(platform::MenuItem, Menu_Profile_Receiver_Popup_Add)
KORVEL_PART(platform::MenuItem, Menu_Profile_Receiver_Popup_Up)
KORVEL_PART(platform::MenuItem, Menu_Profile_Receiver_Popup_Down)
KORVEL_PART(platform::MenuItem, Menu_Profile_Receiver_Popup_Confirm)
KORVEL_PART(platform::MenuItem, Menu_Profile_Receiver_Popup_Delete)
KORVEL_INDEXED_PART(platform::CheckBox, Check_AlarmState)
KORVEL_PART(platform::CheckBox, Check_TimeSchedule)
KORVEL_PART(platform::CheckBox, Check_Calendar)
KORVEL_PART(platform::CheckBox, Check_TimeSchedule_ViewDayType)
KORVEL_PART(platform::CheckBox, Check_Calendar_ViewTimeAxis)
KORVEL_PART(platform::CheckBox, Check_ExternalTag)
KORVEL_PART(platform::CheckBox, Check_IgnoreExternalTag)
KORVEL_PART(platform::CheckBox, Check_ExternalFile)
KORVEL_PART(platform::CheckBox, Check_AutoBlock)
KORVEL_PART(platform::CheckBox, Check_Systems)
KORVEL_INDEXED_PART(QLineEdit, Text_Condition)
KORVEL_INDEXED_PART(QLabel, Label_Condition)
KORVEL_PART(QPlainTextEdit, Text_Condition_Edit)
KORVEL_PART(QLabel, Label_Condition_Edit)
KORVEL_PART(QLineEdit, Text_ExternalTag)
KORVEL_PART(QLineEdit, Text_ExternalFile)
KORVEL_PART(QLineEdit, Text_ExternalFileText)
KORVEL_PART(QLineEdit, Text_AutoBlockTresholdEvents)
KORVEL_PART(QLineEdit, Text_AutoBlockTresholdTime)
KORVEL_PART(QLineEdit, Text_AutoBlockTime)
KORVEL_INDEXED_PART(QLabel, Label_AutoBlock)
KORVEL_PART(platform::OptionButtons, Option_AutoBlockBehaviour)
KORVEL_PART(QLineEdit, Text_Calendar_Month)
KORVEL_PART(QLineEdit, Text_Schedule_Period_Start)
KORVEL_PART(QLineEdit, Text_Schedule_Period_Stop)
KORVEL_PART(QLineEdit, Text_Schedule_Time)
KORVEL_PART(QScrollBar, VScroll_Schedule)
KORVEL_PART(platform::PaintSurfaceWidget, Picture_TimeSchedule)
KORVEL_PART(platform::PaintSurfaceWidget, Picture_Calendar)
KORVEL_PART(platform::Menu, Menu_TimeSchedulePopup)
KORVEL_INDEXED_PART(QPushButton, Command_Calendar_ChangeMonth)
KORVEL_INDEXED_PART(QPushButton, Command_Calendar_ChangeEvent)
KORVEL_PART(QPushButton, Command_Calendar_ImportSpecialDays)
KORVEL_PART(QPushButton, Command_Calendar_RemoveAll)

#undef KORVEL_PART
#undef KORVEL_INDEXED_PART

// The schedule pop-up's entries in menu order: Copy, Paste, Delete, AllDay, Invert,
// Grouped, Grouped_MonFri.
inline platform::MenuItem& Menu_TimeSchedulePopup_Action(const QObject& c, int order) {
    static const char* names[] = {"Copy", "Paste", "Delete", "AllDay", "Invert", "Grouped", "Grouped_MonFri"};
    return Part<platform::MenuItem>(c, QStringLiteral("Menu_TimeSchedulePopup_") + QLatin1String(names[order]));
}

// --- The operator's hand on the profile tree ----------------------------------------------

// The tree's row of the node with that key (letter case ignored); the window the tree
// sits in is shown first, so that the row has a place on the screen.
inline QModelIndex NodeRow(platform::TreeView& tree, const QString& key) {
    if (!tree.window()->isVisible()) tree.window()->show();
    const QModelIndex row = tree.IndexOf(key);
    if (!row.isValid()) {
        ADD_FAILURE() << "no node " << key.toStdString();
        std::abort();
    }
    tree.scrollTo(row);
    return row;
}

inline void SendTreeMouse(platform::TreeView& tree, QEvent::Type type, QPoint p, Qt::MouseButtons held,
                          Qt::KeyboardModifiers keys) {
    QMouseEvent event(type, p, tree.viewport()->mapToGlobal(p), Qt::LeftButton, held, keys);
    QApplication::sendEvent(tree.viewport(), &event);
}

// A click of the left button on the node's text.
inline void ClickNode(platform::TreeView& tree, const QString& key, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const QPoint p = tree.visualRect(NodeRow(tree, key)).center();
    SendTreeMouse(tree, QEvent::MouseButtonPress, p, Qt::LeftButton, keys);
    SendTreeMouse(tree, QEvent::MouseButtonRelease, p, Qt::NoButton, keys);
}

// A whole double-click of the left button on the node's text, all with the same keys held.
inline void DoubleClickNode(platform::TreeView& tree, const QString& key, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const QPoint p = tree.visualRect(NodeRow(tree, key)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease})
        SendTreeMouse(tree, type, p, type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, keys);
}

// A key pressed on the tree; true when the tree took it (a key it lets through goes on
// to the widgets around it, which leave it untaken).
inline bool PressTreeKey(platform::TreeView& tree, int key, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, keys);
    QApplication::sendEvent(&tree, &press);
    const bool taken = press.isAccepted();
    QKeyEvent release(QEvent::KeyRelease, key, keys);
    QApplication::sendEvent(&tree, &release);
    return taken;
}

// A click of the left button on the tab at that index (a tab already selected stays so,
// and nothing is raised).
inline void ClickTab(platform::TabStrip& strip, int index) {
    if (!strip.window()->isVisible()) strip.window()->show();
    QTabBar* bar = strip.findChild<QTabBar*>();
    if (!bar) {
        ADD_FAILURE() << "the tab strip has no tab row";
        return;
    }
    const QPoint p = bar->tabRect(index).center();
    QMouseEvent press(QEvent::MouseButtonPress, p, bar->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, bar->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
}

// A double-click of the left button in the middle of a plain widget (a text box, say).
inline void DoubleClickWidget(QWidget& widget) {
    const QPoint p = widget.rect().center();
    QMouseEvent event(QEvent::MouseButtonDblClick, p, widget.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// One mouse event on a painted surface (the schedule grid, the calendar month) at that
// point: `button` is the one that changed, `held` those down after it.
inline void SendSurfaceMouse(QWidget& surface, QEvent::Type type, QPointF p, Qt::MouseButton button,
                             Qt::MouseButtons held) {
    QMouseEvent event(type, p, surface.mapToGlobal(p), button, held, Qt::NoModifier);
    QApplication::sendEvent(&surface, &event);
}

// --- Menus as they open and as the operator picks from them ---------------------------------

// The menu opens (what the control does as it is about to show).
inline void OpenMenu(platform::Menu& menu) { emit menu.AboutToShow(); }

// The entry of a numbered menu array at that index, picked in the menu it stands in.
inline void PickMenuItem(platform::MenuItemArray& items, platform::Menu& menu, int index) {
    const QString caption = items.Caption(index);
    for (int row = 0; row < menu.Count(); ++row)
        if (!menu.IsSeparator(row) && menu.Caption(row) == caption) {
            menu.Trigger(row);
            return;
        }
    ADD_FAILURE() << "no menu entry " << caption.toStdString();
}

// The widget takes the keyboard focus (as when the operator tabs or clicks into it).
inline void GiveFocus(QWidget& widget) {
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(&widget, &in);
}

} // namespace korvel::profiles::testparts
