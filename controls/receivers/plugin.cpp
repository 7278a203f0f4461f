#include "controls/receivers/plugin.h"

#include "controls/receivers/receiverscomponent.h"
#include "shell/deliverable.h"

namespace korvel::receivers {

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::receivers
