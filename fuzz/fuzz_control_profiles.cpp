// The profiles editor's own handling of systems (141), the calendar (170, 180), the
// profile list (200), single profiles (210, 211, 220) and receivers (230, 240, 241), after
// the shared decoder, through its receive path: tree, pages and schedule follow.
// Input: frames as on the wire (see controlharness.h); seeds: fuzz/corpus/control_profiles/.
#include "controls/profiles/profilescomponent.h"
#include "fuzz/controlharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvel::fuzzing::FeedControl<korvel::profiles::Component>(data, size);
    return 0;
}
