#pragma once
// The shared decoder of the server's messages: keeps the client state current, answers
// keep-alives and hands back the receiver or profile a message touched. A message is
// parsed completely before it changes the state; a malformed one raises DecodeError and
// leaves the state as it was.

#include "core/clientstate.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace korvel {

void HandleServerMessage(ClientState& state, int32_t type, std::string_view body, int32_t& position,
                         std::shared_ptr<cReceiver>& receiver, std::shared_ptr<cProfile>& profile);

std::shared_ptr<cReceiver> GetReceiverById(const ClientState& state, int32_t identity);
std::shared_ptr<cProfile> GetProfileById(const ClientState& state, int32_t identity);
std::shared_ptr<cReceiver> GetReceiverByName(const ClientState& state, std::string_view name);
std::shared_ptr<cProfile> GetProfileByName(const ClientState& state, std::string_view name);

} // namespace korvel
