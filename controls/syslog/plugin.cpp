#include "controls/syslog/plugin.h"

#include "controls/syslog/syslogcomponent.h"
#include "shell/deliverable.h"

namespace korvel::syslog {

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::syslog
