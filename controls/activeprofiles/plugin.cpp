#include "controls/activeprofiles/plugin.h"

#include "controls/activeprofiles/activeprofilescomponent.h"
#include "shell/deliverable.h"

namespace korvel::activeprofiles {

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::activeprofiles
