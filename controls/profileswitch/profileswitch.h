#pragma once
// Switching profiles on and off by name: the rule that finds a profile by the name an
// operator sees, and the body of message 220. Qt-free, in a library of its own
// (korvel_profileswitch, on the core alone), so that both controls offering
// ProfileEnableOrDisable / IsProfileEnabled (the profiles editor and the active profiles
// control) use the same without linking each other.

#include "core/clientstate.h"
#include "core/codec.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace korvel {
class cProfile;
}

namespace korvel::profileswitch {

// The first profile, in collection order, whose full name with the area prefix removed
// equals the name, both upper-cased; none when no profile matches (or the name is empty
// and no profile has an empty shown name).
std::shared_ptr<cProfile> FindProfileByShownName(const ClientState& state, std::string_view name);

// The same look-up through an index of the shown names (upper-cased) to the first profile
// bearing each. The index is built in one pass when first needed and again whenever the
// collection changed (a profile added, saved, removed, the list replaced) or the area did,
// so it always answers for what the collection holds now; between changes a look-up
// costs one hash look-up whatever the number of profiles. A profile renamed in place
// (the decoder always stores a saved profile again, which counts as a change) is caught
// when it is found: the index is built again and asked once more.
class ShownNameIndex {
public:
    std::shared_ptr<cProfile> Find(const ClientState& state, std::string_view name);

private:
    bool current(const ClientState& state) const;
    void rebuild(const ClientState& state);

    bool m_Built = false;
    std::uint64_t m_Generation = 0;
    Bytes m_Area;
    std::unordered_map<Bytes, std::shared_ptr<cProfile>> m_FirstByName;
};

// The Int16 flag carried by message 220 for a host's 32-bit value: 0 asks to disable,
// anything else to enable. The low 16 bits are carried, so -1 and 1 go out as given;
// a value that is not 0 but whose low 16 bits are (65536, -65536 ...) goes out as -1,
// so it still asks to enable.
int16_t EnableFlag(int32_t enabled);

// Body of message 220: the profile's identity (Int32), its full stored name (String)
// and the flag (Int16).
Bytes ProfileEnableOrDisableBody(const cProfile& profile, int16_t flag);

} // namespace korvel::profileswitch
