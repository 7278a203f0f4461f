#include "core/records/calendar.h"

#include <functional>
#include <string_view>

#include "core/datafile.h"
#include "core/errors.h"
#include "core/serversettings.h"

#include <algorithm>
#include <utility>

namespace korvel {
namespace {

bool IsDay(int64_t day) { return day >= 0 && day < kCalendarDays; }

} // namespace

cCalendar::cCalendar() : m_DayTypeOfDay(kCalendarDays, 0) {}

Bytes cCalendar::CompressToNetworkBytes() const {
    int32_t count = 0;
    std::size_t namesLength = 0;
    for (int16_t value : m_DayTypeOfDay) count += value != 0;
    for (const Bytes& name : m_DayTypeNames) namesLength += 2 + name.size();
    Bytes out;
    out.reserve(4 + 4 * static_cast<std::size_t>(count) + namesLength);
    AppendLong(out, count);
    for (int day = 0; day < kCalendarDays; ++day) {
        if (m_DayTypeOfDay[day] == 0) continue;
        AppendInteger(out, day);
        AppendInteger(out, m_DayTypeOfDay[day]);
    }
    for (const Bytes& name : m_DayTypeNames) AppendString(out, name);
    return out;
}

void cCalendar::UncompressFromNetworkBytes(std::string_view PacketData, int32_t& PacketPointer) {
    int32_t p = PacketPointer;
    int32_t n = GetLongFromNetworkBytes(PacketData, p);
    if (n > 0 && static_cast<int64_t>(n) * 4 > static_cast<int64_t>(PacketData.size()) - p)
        throw DecodeError("calendar form ends inside its days");
    std::vector<int16_t> days(kCalendarDays, 0);
    for (int32_t i = 0; i < n; ++i) {
        int16_t day = GetIntegerFromNetworkBytes(PacketData, p);
        int16_t value = GetIntegerFromNetworkBytes(PacketData, p);
        if (IsDay(day)) days[day] = value;
    }
    std::array<Bytes, kSpecialDayTypeCount> names;
    for (Bytes& name : names) name = GetStringFromNetworkBytes(PacketData, p);
    if (static_cast<std::size_t>(p) > PacketData.size()) throw DecodeError("calendar form ends inside a name");
    m_DayTypeOfDay.swap(days);
    m_DayTypeNames.swap(names);
    PacketPointer = p;
}

Bytes cCalendar::GetDayTypeFullName(ClientState& state, int iDayType) const {
    if (iDayType >= 0 && iDayType < kFirstSpecialDayType) return GetText(state, 611 + iDayType);
    if (iDayType >= kFirstSpecialDayType && iDayType < kFirstSpecialDayType + kSpecialDayTypeCount)
        return m_DayTypeNames[iDayType - kFirstSpecialDayType];
    return Bytes();
}

Bytes cCalendar::GetDayTypeShortName(ClientState& state, int iDayType) const {
    return GetDayTypeFullName(state, iDayType).substr(0, 3);
}

void cCalendar::SetDayTypeFullName(int iDayType, std::string_view sFullName) {
    if (iDayType >= kFirstSpecialDayType && iDayType < kFirstSpecialDayType + kSpecialDayTypeCount)
        m_DayTypeNames[iDayType - kFirstSpecialDayType] = Bytes(sFullName);
}

std::size_t cCalendar::FormHash() const {
    const std::string_view days(reinterpret_cast<const char*>(m_DayTypeOfDay.data()),
                                m_DayTypeOfDay.size() * sizeof(int16_t));
    std::size_t hash = std::hash<std::string_view>{}(days);
    for (const Bytes& name : m_DayTypeNames)
        hash = (hash ^ std::hash<std::string_view>{}(name) ^ name.size()) * 0x100000001B3ull;
    return hash;
}

bool cCalendar::HasChangedSinceLastLoadFromDisk() const { return CompressToNetworkBytes() != m_SavedNetworkBytes; }

void cCalendar::StoreOriginalSettings() { m_SavedNetworkBytes = CompressToNetworkBytes(); }

void cCalendar::ClearDayTypes() { std::fill(m_DayTypeOfDay.begin(), m_DayTypeOfDay.end(), 0); }

int16_t cCalendar::IsDayTypeUsed(int DayType) const {
    return DayType >= 0 && DayType < 23 ? m_DayTypeUsed[DayType] : 0;
}

bool cCalendar::AnyDayIsSet() const {
    return std::any_of(m_DayTypeOfDay.begin(), m_DayTypeOfDay.end(), [](int16_t v) { return v != 0; });
}

bool cCalendar::CompareToDiskOrSeeIfAnyDayIsSet(const ClientState& state, const std::string& CalendarName) {
    IDataFileSystem& files = *DataFilesOf(state).Files;
    const std::string path = NativeDataFilePath(CalendarName);
    if (!files.FileIsThere(path)) {
        if (AnyDayIsSet()) return false;
        // Opening the file for access creates it empty; all days are 0 on this path.
        files.WriteWhole(path, "");
        return true;
    }
    const Bytes contents = files.ReadWhole(path);
    for (int day = 0; day < kCalendarDays; ++day) {
        std::size_t at = static_cast<std::size_t>(day) * 2;
        int16_t value = 0;
        if (at + 1 < contents.size())
            value = static_cast<int16_t>(static_cast<uint8_t>(contents[at]) |
                                         (static_cast<uint16_t>(static_cast<uint8_t>(contents[at + 1])) << 8));
        if (value != m_DayTypeOfDay[day]) return false;
    }
    return true;
}

bool cCalendar::CompareToOtherCalendar(const cCalendar& OtherCalendar) const {
    return m_DayTypeOfDay == OtherCalendar.m_DayTypeOfDay;
}

void cCalendar::SetDayType(int32_t TheDay, int16_t DayType) {
    if (IsDay(TheDay)) m_DayTypeOfDay[TheDay] = DayType;
}

int16_t cCalendar::GetDayType(int32_t TheDay) const { return IsDay(TheDay) ? m_DayTypeOfDay[TheDay] : 0; }

} // namespace korvel
