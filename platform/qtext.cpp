#include "platform/qtext.h"

#include "core/cp1252.h"

#include <algorithm>

namespace korvel::platform {

QString ToQString(std::string_view cp1252) {
    // Windows-1252 is Latin-1 except for the bytes 0x80..0x9F (the undefined ones among
    // them map to the C1 control of the same number, as in Latin-1): a text without
    // them converts in one step.
    const bool latin1 = std::none_of(cp1252.begin(), cp1252.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x80 && b <= 0x9F;
    });
    if (latin1) return QString::fromLatin1(cp1252.data(), static_cast<qsizetype>(cp1252.size()));
    std::u16string u = Cp1252ToUtf16(cp1252);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string FromQString(const QString& text) {
    return Utf16ToCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}

} // namespace korvel::platform
