#include "controls/events/plugin.h"

#include "controls/events/eventscomponent.h"
#include "shell/deliverable.h"

namespace korvel::events {

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::events
