#include "testcontrol.h"

#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace korvel::container::test {

TestControl::TestControl(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0x20, 0x60, 0xA0));
    setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Test control"), this));
}

void TestControl::SetServerAddress(const QString& value) {
    m_ServerAddress = value;
    m_Writes << QStringLiteral("ServerAddress=") + value;
}

void TestControl::SetServerPort(int value) {
    m_ServerPort = value;
    m_Writes << QStringLiteral("ServerPort=%1").arg(value);
}

void TestControl::SetArea(const QString& value) {
    m_Area = value;
    m_Writes << QStringLiteral("Area=") + value;
}

} // namespace korvel::container::test
