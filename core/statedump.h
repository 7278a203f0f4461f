#pragma once
// A deterministic text dump of everything the shared decoder can change in a client
// state: settings, texts, tables, the calendar and every record with its network form,
// its remembered form and the fields outside the form, and which collection entries hold
// the same object. Two dumps are equal exactly when the decoder-visible state is equal.
// For tests, fuzzing and debugging.

#include "core/clientstate.h"

#include <cstdint>
#include <string>

namespace korvel {

std::string DumpDecoderState(const ClientState& state);

// The same walk over the same fields, hashed instead of printed: two states with equal
// dumps have equal digests, and a change to any field the dump shows changes the digest
// but for a chance of about 2^-64. Far cheaper than the dump (no text is built, the
// calendar's form is hashed from its days); what the decoder's fuzz target compares
// around every message.
struct StateDigest {
    uint64_t a = 0;
    uint64_t b = 0;
    // Profiles and receivers in the collections whose network form differs from the one
    // they remember (HasChangedSinceLastLoadFromDisk), found on the way for free.
    int UnsavedRecords = 0;
    bool operator==(const StateDigest&) const = default;
};
StateDigest DigestDecoderState(const ClientState& state);

} // namespace korvel
