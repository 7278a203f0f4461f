#include "controls/profiles/plugin.h"

#include "controls/profiles/profilescomponent.h"
#include "shell/deliverable.h"

namespace korvel::profiles {

QString Plugin::ProgrammaticId() const { return QStringLiteral("Korvel3Profiles.Component"); }

QWidget* Plugin::CreateComponent(QWidget* parent) { return new Component(shell::DeliverableState(), parent); }

} // namespace korvel::profiles
