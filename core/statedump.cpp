#include "core/statedump.h"

#include "core/errors.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"

#include <cstdio>
#include <map>
#include <functional>
#include <sstream>
#include <vector>

namespace korvel {
namespace {

// Bytes as printable text: \xHH for everything outside 0x20..0x7E and for the backslash.
std::string Quote(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\' && c != '"') {
            out += c;
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", u);
            out += buffer;
        }
    }
    return out + "\"";
}

template <class Record>
std::string FormOf(const Record& record) {
    try {
        return Quote(record.CompressToNetworkBytes());
    } catch (const EncodeError& e) {
        return std::string("<no form: ") + e.what() + ">";
    }
}

// Numbers the objects in order of first appearance, so aliasing shows in the dump.
template <class T>
class ObjectNumbers {
public:
    int Of(const T* object) {
        auto [it, added] = m_Numbers.emplace(object, static_cast<int>(m_Numbers.size()));
        return it->second;
    }

private:
    std::map<const T*, int> m_Numbers;
};

void DumpSchedule(std::ostringstream& out, const cTimeSchedule& s) {
    out << "  schedule selected=" << s.m_SelectedDayType << " copied=" << s.m_CopiedDayType
        << " edit=" << s.m_EditStartMinute << ".." << s.m_EditStopMinute
        << " selectedPeriod=" << (s.m_SelectedPeriod ? 1 : 0) << "\n";
}

} // namespace

std::string DumpDecoderState(const ClientState& state) {
    std::ostringstream out;
    out << "ServerDataPath=" << Quote(state.ServerDataPath) << "\n";
    out << "ServerKind=" << state.ServerKind << " UserRights=" << state.UserRights << "\n";
    const SettingSectionTable& sections = state.SettingSections;
    out << "SettingSections=" << sections.Count << "\n";
    for (std::size_t i = 0; i < sections.Names.size(); ++i)
        out << " section " << Quote(sections.Names[i]) << "="
            << Quote(i < sections.Bodies.size() ? sections.Bodies[i] : "") << "\n";
    out << "ClearAllDayWhenDeleting=" << state.ClearAllDayWhenDeleting << "\n";
    out << "TextTable rows=" << state.TextTable.Rows.size() << "\n";
    for (const TextRow& row : state.TextTable.Rows)
        out << " text " << row.TextId << " " << row.Start << " " << row.Length << "\n";
    out << " blob=" << Quote(state.TextTable.Blob) << "\n";
    out << "ReceiverTypes count=" << state.ReceiverTypes.Count << "\n";
    for (int i = 0; i < kReceiverTypeRows; ++i) {
        const ReceiverTypeRow& r = state.ReceiverTypes.Rows[static_cast<std::size_t>(i)];
        if (r == ReceiverTypeRow{}) continue;
        out << " type[" << i << "] " << r.TypeId << " " << Quote(r.TypeName) << " " << Quote(r.Unused1) << " "
            << Quote(r.ProtocolCode) << " " << r.MaxTextLength << " " << Quote(r.Unused2) << " "
            << Quote(r.Unused3) << " " << Quote(r.CountryList) << " " << Quote(r.ParameterLayout) << " "
            << Quote(r.Unused4) << " " << Quote(r.Unused5) << "\n";
    }
    for (int i = 0; i < kSystemCount; ++i)
        if (!state.SystemNames[static_cast<std::size_t>(i)].empty())
            out << "System[" << i << "]=" << Quote(state.SystemNames[static_cast<std::size_t>(i)]) << "\n";
    out << "HolidayLabels=" << state.HolidayLabels.size() << "\n";
    for (const auto& label : state.HolidayLabels)
        out << " label " << label->m_Day << " " << label->m_DayType << " " << label->m_ViewInCalendar << " "
            << Quote(label->m_Label) << "\n";
    // The 14610 flags by their hash: word by word, cheap enough for every fuzz run.
    out << "HolidayDayFlags size=" << state.HolidayDayFlags.size()
        << " hash=" << std::hash<std::vector<bool>>{}(state.HolidayDayFlags) << "\n";
    if (state.SharedCalendar) {
        const cCalendar& c = *state.SharedCalendar;
        out << "SharedCalendar form=" << Quote(c.CompressToNetworkBytes())
            << " saved=" << Quote(c.SavedNetworkBytes()) << " file=" << Quote(c.m_FileName) << "\n";
    } else {
        out << "SharedCalendar none\n";
    }

    ObjectNumbers<cProfile> profileNumbers;
    out << "Profiles=" << state.Profiles.Count() << "\n";
    for (const auto& entry : state.Profiles) {
        const cProfile& p = *entry.item;
        out << " " << entry.key << " #" << profileNumbers.Of(&p) << " form=" << FormOf(p)
            << " original=" << Quote(p.m_Original_Settings) << " parent=" << Quote(p.m_ParentName)
            << " levels=" << p.m_NestingLevels << " autoblock=" << p.m_AutoBlockRepeatCount << ","
            << p.m_AutoBlockFirstAddedTimeStamp.Seconds() << "," << p.m_AutoBlockLockedTimeStamp.Seconds() << ","
            << p.m_AutoBlockedAlarms.size() << "\n";
        if (p.m_TimeSchedule) DumpSchedule(out, *p.m_TimeSchedule);
    }
    ObjectNumbers<cReceiver> receiverNumbers;
    out << "Receivers=" << state.Receivers.Count() << "\n";
    for (const auto& entry : state.Receivers) {
        const cReceiver& r = *entry.item;
        out << " " << entry.key << " #" << receiverNumbers.Of(&r) << " form=" << FormOf(r)
            << " saved=" << Quote(r.SavedNetworkBytes()) << " typeIndex=" << r.m_ReceiverTypeIndex
            << " typeName=" << Quote(r.m_ReceiverTypeName) << " lastKeepAlive=" << r.m_LastKeepAlive.Seconds()
            << " flags=" << r.m_SendingFailed << r.m_SendingToPrimaryReceiverTypeFailed << r.m_HasUpdatedDiskIdentity
            << " original=" << Quote(r.m_OriginalName) << "\n";
    }
    return out.str();
}

} // namespace korvel
