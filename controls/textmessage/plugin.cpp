#include "controls/textmessage/plugin.h"

#include "controls/textmessage/textmessagecomponent.h"
#include "shell/deliverable.h"

namespace korvel::textmessage {

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::textmessage
