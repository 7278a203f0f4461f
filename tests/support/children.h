#pragma once
// Tests find a control's widgets as Qt's own tests do: by the object name every widget
// carries (the system's name for it), not through accessors kept for tests.

#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

namespace korvel::testing {

// The descendant of that type and object name; a missing one fails the test that asked.
template <class T>
T& Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) throw std::runtime_error(std::string("no widget named ") + name);
    return *child;
}

// One of a numbered set of widgets ("Text_Setting", 2: the widget named "Text_Setting2").
template <class T>
T& Child(const QObject& parent, const char* name, int number) {
    return Child<T>(parent, (std::string(name) + std::to_string(number)).c_str());
}

} // namespace korvel::testing
