// The active profiles control's own handling of the profile list (200) and single profiles
// (210, 211, 220), after the shared decoder, through its receive path. Started with an
// area, so names are filtered.
// Input: frames as on the wire (see controlharness.h); seeds: fuzz/corpus/control_activeprofiles/.
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "fuzz/controlharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvel::fuzzing::FeedControl<korvel::activeprofiles::Component>(data, size, [](auto& control, korvel::ClientState&) {
        control.setProperty("Area", QStringLiteral("North"));
    });
    return 0;
}
