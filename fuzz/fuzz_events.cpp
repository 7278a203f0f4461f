// The alarm event viewer's readers of server bytes: the alarm list (143), the live
// updates (161), the date and time texts of alarm records and the display patterns.
// None may crash; a list or update that reads must read the same again from its own
// wire form.
#include "controls/events/dateformat.h"
#include "controls/events/dateparsers.h"
#include "controls/events/eventmessages.h"
#include "core/errors.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace korvel;
using namespace korvel::events;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int which = data[0] % 4;
    const int layout = data[1] % 14 - 1;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const DateTime now = DateTime::FromParts(2031, 7, 14, 13, 45, 30);
    switch (which) {
    case 0:
        try {
            auto list = ParseAlarmList(rest);
            if (ParseAlarmList(BuildAlarmList(list)) != list) std::abort();
        } catch (const DecodeError&) {
        }
        break;
    case 1:
        try {
            auto update = ParseAlarmUpdate(rest);
            if (update && ParseAlarmUpdate(BuildAlarmUpdate(*update)) != update) std::abort();
        } catch (const DecodeError&) {
        }
        break;
    case 2: {
        DateTime date = ParseDateText(layout, rest, data[1] % 5, now);
        int32_t time = ParseTimeText(layout % 5, rest, data[1] % 13, now);
        if (date.Seconds() % 86400 != 0 || time < 0 || time >= 86400) std::abort();
        (void)ParseTimeStamp(rest, now);
        break;
    }
    default: {
        const std::size_t cut = rest.empty() ? 0 : data[1] % rest.size();
        (void)FormatDateTime(rest.substr(0, cut), ParseTimeStamp(rest.substr(cut), now));
        break;
    }
    }
    return 0;
}
