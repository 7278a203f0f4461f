// Alarm events of the default data set: the answer to 143 and the live 161 frames that
// go to connections subscribed with 160. (Filled in with the alarm event viewer.)
#include "testserver/sampledata.h"

namespace korvel::testserver {

void AddSampleEvents(SampleData& /*data*/) {}

} // namespace korvel::testserver
