#include "platform/qtext.h"

#include "core/cp1252.h"

#include <gtest/gtest.h>

using namespace korvel::platform;

TEST(QText, Windows1252CrossesTheWidgetBoundaryUnchanged) {
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(FromQString(ToQString(all)), all);
    EXPECT_EQ(ToQString("\x80 caf\xE9"), QString::fromUtf8("\u20AC caf\u00E9"));
    EXPECT_EQ(FromQString(QString::fromUtf8("\u4E2D")), "?");
    // Texts with and without the bytes where Windows-1252 differs from Latin-1.
    std::string latin1;
    for (int i = 1; i < 256; ++i)
        if (i < 0x80 || i > 0x9F) latin1 += static_cast<char>(i);
    for (const std::string& text : {all, latin1, latin1 + "\x8D", std::string("\x9D")})
        EXPECT_EQ(ToQString(text), QString::fromStdU16String(korvel::Cp1252ToUtf16(text)));
}
