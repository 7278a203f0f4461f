#pragma once
// A deterministic text dump of everything the shared decoder can change in a client
// state: settings, texts, tables, the calendar and every record with its network form,
// its remembered form and the fields outside the form, and which collection entries hold
// the same object. Two dumps are equal exactly when the decoder-visible state is equal.
// For tests, fuzzing and debugging.

#include "core/clientstate.h"

#include <string>

namespace korvel {

std::string DumpDecoderState(const ClientState& state);

} // namespace korvel
