#pragma once
// The one conversion between the core's Windows-1252 bytes and Qt's Unicode text,
// used wherever a text crosses into or out of a widget.

#include <QString>

#include <string>
#include <string_view>

namespace korvel::platform {

QString ToQString(std::string_view cp1252);
std::string FromQString(const QString& text);

} // namespace korvel::platform
