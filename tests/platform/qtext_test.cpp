#include "platform/qtext.h"

#include <gtest/gtest.h>

using namespace korvel::platform;

TEST(QText, Windows1252CrossesTheWidgetBoundaryUnchanged) {
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(FromQString(ToQString(all)), all);
    EXPECT_EQ(ToQString("\x80 caf\xE9"), QString::fromUtf8("\u20AC caf\u00E9"));
    EXPECT_EQ(FromQString(QString::fromUtf8("\u4E2D")), "?");
}
