#include "controls/profiles/plugin.h"

#include "controls/profiles/profilescomponent.h"
#include "core/clientstate.h"
#include "platform/settingsstore.h"

namespace korvel::profiles {
namespace {

// The client state of this deliverable: one per loaded plug-in, shared by its instances.
ClientState& DeliverableState() {
    static platform::QtSettingsStore store;
    static ClientState state;
    state.SettingsStore = &store;
    return state;
}

} // namespace

QString Plugin::ProgrammaticId() const { return QStringLiteral("Korvel3Profiles.Component"); }

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(DeliverableState(), parent); }

} // namespace korvel::profiles
