#pragma once
// The shared decoder of the server's messages: keeps the client state current, answers
// keep-alives and hands back the receiver or profile a message touched. A message is
// parsed completely before it changes the state; a malformed one raises DecodeError and
// leaves the state as it was.

#include "core/clientstate.h"
#include "core/messages.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace korvel {

// The record a message touched: the receiver of MsgReceiverEnableOrDisable,
// MsgReceiverSave and MsgReceiverDelete, the profile of MsgProfileSave, MsgProfileDelete
// and MsgProfileEnableOrDisable; none for every other message, and none for a delete or an
// enable whose record is not found. The control's own handling reads the same body from
// its start.
struct TouchedRecords {
    std::shared_ptr<cReceiver> Receiver;
    std::shared_ptr<cProfile> Profile;
};

// A type the decoder does not know (one only a control handles, or one the list does not
// hold) passes without any effect. May raise DecodeError (see above).
TouchedRecords HandleServerMessage(ClientState& state, MessageType type, std::string_view body);

std::shared_ptr<cReceiver> GetReceiverById(const ClientState& state, int32_t identity);
std::shared_ptr<cProfile> GetProfileById(const ClientState& state, int32_t identity);
std::shared_ptr<cReceiver> GetReceiverByName(const ClientState& state, std::string_view name);
std::shared_ptr<cProfile> GetProfileByName(const ClientState& state, std::string_view name);

} // namespace korvel
