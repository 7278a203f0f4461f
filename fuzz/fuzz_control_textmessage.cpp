// The text message control's own handling of its status (108), sent messages (130), the
// last receivers and text (131, 132) and the receivers (230, 240, 241), after the shared
// decoder, through its receive path. Started with an area, so names are filtered.
// Input: frames as on the wire (see controlharness.h); seeds: fuzz/corpus/control_textmessage/.
#include "controls/textmessage/textmessagecomponent.h"
#include "fuzz/controlharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvel::fuzzing::FeedControl<korvel::textmessage::Component>(data, size, [](auto& control, korvel::ClientState&) {
        control.setProperty("Area", QStringLiteral("North"));
    });
    return 0;
}
