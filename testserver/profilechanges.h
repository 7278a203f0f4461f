#pragma once
// How the substitute server takes the profile changes of the profiles editor, as the
// real server does: a saved profile (210) is stored and echoed to every connection with
// its real identity (a new one, sent with -1, gets the next free identity); a removal
// (211) is echoed as it came. The answers go to every open connection. (Switching a
// profile on or off, 220, is handled with the active profiles control's requests.)

#include "testserver/frameio.h"

namespace korvel::testserver {

class Server;
struct SampleData;

// True when the frame was one of these requests and has been answered.
bool HandleProfileChange(Server& server, SampleData& data, const OutFrame& request);

} // namespace korvel::testserver
