#include "controls/receivers/plugin.h"

#include "controls/receivers/receiverscomponent.h"
#include "shell/deliverable.h"

namespace korvel::receivers {

QString Plugin::ProgrammaticId() const { return QStringLiteral("Korvel3Receivers.Component"); }

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::receivers
