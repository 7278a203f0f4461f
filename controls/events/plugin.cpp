#include "controls/events/plugin.h"

#include "controls/events/eventscomponent.h"
#include "core/clientstate.h"
#include "platform/settingsstore.h"

namespace korvel::events {
namespace {

// The client state of this deliverable: one per loaded plug-in, shared by its instances.
ClientState& DeliverableState() {
    static platform::QtSettingsStore store;
    static ClientState state;
    state.SettingsStore = &store;
    return state;
}

} // namespace

QString Plugin::ProgrammaticId() const { return QStringLiteral("Korvel3Events.Component"); }

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(DeliverableState(), parent); }

} // namespace korvel::events
