// The system log viewer's own handling of the log (144) and of new lines (166), after the
// shared decoder, through its receive path.
// Input: frames as on the wire (see controlharness.h); seeds: fuzz/corpus/control_syslog/.
#include "controls/syslog/syslogcomponent.h"
#include "fuzz/controlharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvel::fuzzing::FeedControl<korvel::syslog::Component>(data, size);
    return 0;
}
