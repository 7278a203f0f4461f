#include "platform/qtext.h"

#include "core/cp1252.h"

namespace korvel::platform {

QString ToQString(std::string_view cp1252) {
    std::u16string u = Cp1252ToUtf16(cp1252);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string FromQString(const QString& text) {
    return Utf16ToCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}

} // namespace korvel::platform
