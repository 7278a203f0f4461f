// The alarm event viewer's own handling of the alarm list (143) and of live updates (161),
// after the shared decoder, through its receive path: the event tree is built and changed.
// Input: frames as on the wire (see controlharness.h); seeds: fuzz/corpus/control_events/.
#include "controls/events/eventscomponent.h"
#include "fuzz/controlharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvel::fuzzing::FeedControl<korvel::events::Component>(data, size);
    return 0;
}
