#pragma once
// Switching profiles on and off by the name an operator sees: the match rule and the
// body of message 220, shared by every control that offers ProfileEnableOrDisable and
// IsProfileEnabled.

#include "core/clientstate.h"
#include "core/codec.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace korvel {

class cProfile;

// The first profile, in collection order, whose full name with the area prefix removed
// equals the name, both upper-cased; none when no profile matches.
std::shared_ptr<cProfile> FindProfileByShownName(const ClientState& state, std::string_view name);

// Body of message 220: identity (Int32), full stored name (String), the low 16 bits of
// the host's value (Int16; 0 asks to disable, anything else to enable). A value that is
// not 0 but whose low 16 bits are (65536 ...) goes out as -1, so it still asks to enable.
Bytes ProfileEnableOrDisableBody(const cProfile& profile, int32_t enabled);

} // namespace korvel
