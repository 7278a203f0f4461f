// The schedule block of a profile's record file. For day type 0, 1, ..., 22: Int16
// active, Int16 grouped, Int16 n, n x (Int16 start minute, Int16 stop minute) in list
// order, Int16 row index; then Int16 use calendar. The values of the period string,
// little-endian.
#include "core/datafile.h"
#include "core/records/timeschedule.h"

#include <memory>

namespace korvel {

void cTimeSchedule::SaveToDisk(FileWriter& FileNumber) const {
    for (int d = 0; d < kDayTypeCount; ++d) {
        const auto& periods = m_Periods[d];
        FileNumber.Int16(m_Active[d]);
        FileNumber.Int16(m_Grouped[d]);
        if (periods.size() > 32767) throw EncodeError("too many periods in a day type");
        FileNumber.Int16(static_cast<int32_t>(periods.size()));
        for (const auto& period : periods) {
            FileNumber.Int16(period->m_StartMinute);
            FileNumber.Int16(period->m_StopMinute);
        }
        FileNumber.Int16(m_AxisIndex[d]);
    }
    FileNumber.Int16(m_UseCalendar);
}

void cTimeSchedule::ReadFromDisk(FileReader& FileNumber) {
    for (int d = 0; d < kDayTypeCount; ++d) {
        m_Periods[d].clear();
        m_Active[d] = FileNumber.Int16();
        m_Grouped[d] = FileNumber.Int16();
        const int16_t count = FileNumber.Int16();
        if (count < 0) throw DecodeError("negative number of periods");
        for (int i = 0; i < count; ++i) {
            const int16_t start = FileNumber.Int16();
            const int16_t stop = FileNumber.Int16();
            m_Periods[d].push_back(std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{start, stop}));
        }
        m_AxisIndex[d] = FileNumber.Int16();
    }
    m_UseCalendar = FileNumber.Int16();
}

} // namespace korvel
