#pragma once
// The profiles editor's parts as its tests reach them: by the system name each carries
// as its object name, the way the operator's path reaches them, without accessors on the
// control. A part that is missing fails the test where it is asked for.

#include "platform/checkbox.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/paintsurface.h"
#include "platform/popupmenu.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

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
KORVEL_PART(QMenu, Menu_Profile_Receiver_Popup)
KORVEL_PART(QAction, Menu_Profile_Receiver_Popup_Add)
KORVEL_PART(QAction, Menu_Profile_Receiver_Popup_Up)
KORVEL_PART(QAction, Menu_Profile_Receiver_Popup_Down)
KORVEL_PART(QAction, Menu_Profile_Receiver_Popup_Confirm)
KORVEL_PART(QAction, Menu_Profile_Receiver_Popup_Delete)
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
KORVEL_PART(QMenu, Menu_TimeSchedulePopup)
KORVEL_INDEXED_PART(QPushButton, Command_Calendar_ChangeMonth)
KORVEL_INDEXED_PART(QPushButton, Command_Calendar_ChangeEvent)
KORVEL_PART(QPushButton, Command_Calendar_ImportSpecialDays)
KORVEL_PART(QPushButton, Command_Calendar_RemoveAll)

#undef KORVEL_PART
#undef KORVEL_INDEXED_PART

// The schedule pop-up's entries in menu order: Copy, Paste, Delete, AllDay, Invert,
// Grouped, Grouped_MonFri.
inline QAction& Menu_TimeSchedulePopup_Action(const QObject& c, int order) {
    static const char* names[] = {"Copy", "Paste", "Delete", "AllDay", "Invert", "Grouped", "Grouped_MonFri"};
    return Part<QAction>(c, QStringLiteral("Menu_TimeSchedulePopup_") + QLatin1String(names[order]));
}

} // namespace korvel::profiles::testparts
