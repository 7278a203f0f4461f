#pragma once
// A stand-in control for the host program's tests. It declares ServerAddress,
// ServerPort (a number) and Area but no Password, and records every write of a
// declared property, in order, in its read-only property "Writes".

#include "platform/controlplugin.h"

#include <QObject>
#include <QStringList>
#include <QWidget>

namespace korvel::container::test {

class TestControl final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString ServerAddress READ ServerAddress WRITE SetServerAddress)
    Q_PROPERTY(int ServerPort READ ServerPort WRITE SetServerPort)
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QStringList Writes READ Writes)
public:
    explicit TestControl(QWidget* parent);

    QString ServerAddress() const { return m_ServerAddress; }
    void SetServerAddress(const QString& value);
    int ServerPort() const { return m_ServerPort; }
    void SetServerPort(int value);
    QString Area() const { return m_Area; }
    void SetArea(const QString& value);
    QStringList Writes() const { return m_Writes; }

private:
    QString m_ServerAddress;
    int m_ServerPort = 0;
    QString m_Area;
    QStringList m_Writes;
};

class TestControlPlugin final : public QObject, public platform::IControlPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KORVEL_CONTROL_PLUGIN_IID FILE "testcontrol.json")
    Q_INTERFACES(korvel::platform::IControlPlugin)
public:
    QWidget* CreateComponent(QWidget* parent) override { return new TestControl(parent); }
};

} // namespace korvel::container::test
