#include "container/hostwindow.h"

#include "container/components.h"
#include "container/controlloader.h"
#include "container/windowposition.h"
#include "platform/windowhelpers.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace korvel::container {

HostWindow::HostWindow(const StartupParameters& parameters, ISettingsStore& store, QWidget* parent)
    : QWidget(parent), m_Parameters(parameters), m_Store(store) {
    setObjectName(QStringLiteral("KorvelContainer_Component"));
    setWindowTitle(QString::fromLatin1(kDesignCaption));
    resize(800, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

bool HostWindow::Load(QString& error) { return Load(error, PluginFolders()); }

bool HostWindow::Load(QString& error, const QStringList& pluginFolders) {
    const ComponentInfo* component = FindComponent(m_Parameters.SelectedComponent);
    if (!component) {
        error = QStringLiteral("no control for component %1").arg(m_Parameters.SelectedComponent);
        return false;
    }
    m_WindowName = std::string(component->windowName);
    const QString id = QString::fromLatin1(component->programmaticId.data(),
                                           static_cast<qsizetype>(component->programmaticId.size()));
    m_Control = CreateControl(id, this, error, pluginFolders);
    if (!m_Control) return false;
    m_Control->setObjectName(QString::fromLatin1(kControlName));
    ApplyConnectionParameters(m_Control, m_Parameters);
    // The layout keeps the control at the inner top-left corner with the inner size.
    layout()->addWidget(m_Control);
    m_Control->show();
    RestoreWindowPosition(this, m_WindowName, m_Store);
    if (m_Parameters.TopMost) platform::SetFormTopMost(this, true);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + QString::fromLatin1(kVersion));
    return true;
}

void HostWindow::closeEvent(QCloseEvent* event) {
    if (!m_WindowName.empty()) SaveWindowPosition(this, m_WindowName, m_Store);
    event->accept();
    emit Closed();
}

} // namespace korvel::container
