#include "shell/deliverable.h"

#include "platform/settingsstore.h"

namespace korvel::shell {

ClientState& DeliverableState() {
    static platform::QtSettingsStore store;
    static ClientState state;
    state.SettingsStore = &store;
    return state;
}

} // namespace korvel::shell
