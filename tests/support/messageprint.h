#pragma once
// How a test failure shows a message type: its name and number ("MsgPassword (103)"),
// and the number alone for a type the protocol does not know.

#include "core/messages.h"

#include <ostream>

namespace korvel {

inline void PrintTo(MessageType type, std::ostream* os) {
    if (IsKnownMessage(Number(type))) *os << MessageName(type) << " (" << Number(type) << ')';
    else *os << "type " << Number(type);
}

} // namespace korvel
