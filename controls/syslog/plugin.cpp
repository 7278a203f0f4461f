#include "controls/syslog/plugin.h"

#include "controls/syslog/syslogcomponent.h"
#include "core/clientstate.h"
#include "platform/settingsstore.h"

namespace korvel::syslog {
namespace {

// The client state of this deliverable: one per loaded plug-in, shared by its instances.
ClientState& DeliverableState() {
    static platform::QtSettingsStore store;
    static ClientState state;
    state.SettingsStore = &store;
    return state;
}

} // namespace

QString Plugin::ProgrammaticId() const { return QStringLiteral("Korvel3SysLog.Component"); }

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(DeliverableState(), parent); }

} // namespace korvel::syslog
