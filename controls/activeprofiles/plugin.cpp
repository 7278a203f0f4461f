#include "controls/activeprofiles/plugin.h"

#include "controls/activeprofiles/activeprofilescomponent.h"
#include "shell/deliverable.h"

namespace korvel::activeprofiles {

QString Plugin::ProgrammaticId() const { return QStringLiteral("Korvel3ActivePrf.Component"); }

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::activeprofiles
