#pragma once
// The client state of the control deliverable this code is linked into. The shell is
// linked statically into every control plug-in with its symbols hidden, so each loaded
// plug-in has its own state, shared by all the instances it makes.

#ifndef Q_MOC_RUN
#include "core/clientstate.h"
#endif

namespace korvel::shell {

// Created on first use, with the per-user settings store for the text cache.
ClientState& DeliverableState();

} // namespace korvel::shell
