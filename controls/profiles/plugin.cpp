#include "controls/profiles/plugin.h"

#include "controls/profiles/profilescomponent.h"
#include "shell/deliverable.h"

namespace korvel::profiles {

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::profiles
