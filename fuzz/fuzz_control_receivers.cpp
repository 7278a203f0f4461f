// The receivers editor's own handling of rights (102), the receiver list (230) and single
// receivers (240, 241, 221), after the shared decoder, through its receive path.
// Input: frames as on the wire (see controlharness.h); seeds: fuzz/corpus/control_receivers/.
#include "controls/receivers/receiverscomponent.h"
#include "fuzz/controlharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvel::fuzzing::FeedControl<korvel::receivers::Component>(data, size);
    return 0;
}
