#include "platform/windowhelpers.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

using namespace korvel::platform;

namespace {


QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

} // namespace

TEST(WindowHelpers, TopMostKeepsPositionSizeAndVisibility) {
    for (bool shown : {false, true}) {
        QWidget window;
        window.setGeometry(120, 80, 300, 200);
        if (shown) window.show();
        const QPoint position = window.pos();
        SetFormTopMost(&window, true);
        EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(window.isVisible(), shown);
        EXPECT_EQ(window.pos(), position);
        EXPECT_EQ(window.size(), QSize(300, 200));
        if (shown) {
            EXPECT_TRUE(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        }
        SetFormTopMost(&window, false);
        EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(window.isVisible(), shown);
        EXPECT_EQ(window.pos(), position);
        EXPECT_EQ(window.size(), QSize(300, 200));
    }
}

TEST(WindowHelpers, CenterFormCentresAndNeverGoesNegative) {
    const QRect area = Screen();
    QWidget small;
    small.resize(200, 100);
    CenterForm(&small);
    EXPECT_EQ(small.pos(), QPoint(area.left() + (area.width() - 200) / 2,
                                  area.top() + (area.height() - 100) / 2));

    QWidget huge;
    huge.resize(area.width() + 400, area.height() + 300);
    CenterForm(&huge);
    EXPECT_EQ(huge.pos(), area.topLeft());
}

TEST(WindowHelpers, RectangleOnAnAvailableScreen) {
    const QRect area = Screen();
    struct Case { QRect rect; bool on; };
    const Case cases[] = {
        {QRect(area.topLeft(), QSize(300, 200)), true},
        {QRect(area.right() - 150, area.bottom() - 80, 300, 200), true},   // partly off, enough shows
        {QRect(area.right() - 50, area.top() + 10, 300, 200), false},      // only 50 pixels wide
        {QRect(area.right() + 10, area.top(), 300, 200), false},           // right of the screen
        {QRect(area.left() - 5000, area.top() - 5000, 300, 200), false},
        {QRect(area.left() + 10, area.top() + 10, 40, 20), true},          // small, wholly on
        {QRect(), false},
    };
    for (const auto& c : cases) EXPECT_EQ(LiesOnAvailableScreen(c.rect), c.on) << c.rect.x() << "," << c.rect.y();
}
