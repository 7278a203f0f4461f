#pragma once
// What the substitute server does with the requests of the text message control and the
// active profiles control, as a server would:
//  - 220 (switch a profile): with rights bit 0x80 and a known profile, the profile's
//    state in the data set changes (so a later 200 lists it so) and 220 goes back to
//    every connection with the profile's identity, stored name and new state (-1 / 0);
//  - 130 (text message): with rights bit 0x02, a text and at least one receiver, the
//    message gets the next identity (130 back to the sender), a status text (108) and
//    becomes the last message that 131 and 132 answer with;
//  - 131 / 132: the last message's receiver list / text (empty before the first).
// A request that is refused gets no answer.

#include "testserver/sampledata.h"

#include <vector>

namespace korvel::testserver {

struct TextActiveReplies {
    std::vector<OutFrame> ToSender;
    std::vector<OutFrame> ToAll;
};

// True when the request is one of these; the replies are filled then.
bool HandleTextActiveRequest(SampleData& data, const OutFrame& request, TextActiveReplies& replies);

// Texts of these two controls in the default data set.
void AddTextActiveSamples(SampleData& data);

} // namespace korvel::testserver
