// The calendar file: 14610 x Int16 day value of days 0..14609, Int16 2, Date time stamp,
// then for day types 7..22 Int16 length n and the n bytes of the name. Written whole
// (core/datafile.h), so no byte of a longer older file survives; there is no reader.
#include "core/datafile.h"
#include "core/records/calendar.h"

namespace korvel {

bool cCalendar::SaveToDisk(ClientState& state) {
    if (m_FileName.empty() || !HasChangedSinceLastLoadFromDisk()) return false;
    DataFileEnvironment& env = DataFilesOf(state);
    const DateTime previous = m_TimeStamp;
    m_TimeStamp = env.Now();
    try {
        FileWriter out;
        for (int day = 0; day < kCalendarDays; ++day) out.Int16(GetDayType(day));
        out.Int16(2);
        out.Date(m_TimeStamp);
        for (const Bytes& name : m_DayTypeNames) out.Text(name);
        env.Files->WriteWhole(NativeDataFilePath(m_FileName), out.bytes());
    } catch (...) {
        m_TimeStamp = previous; // nothing was saved
        throw;
    }
    StoreOriginalSettings();
    return true;
}

} // namespace korvel
