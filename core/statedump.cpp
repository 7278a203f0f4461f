#include "core/statedump.h"

#include "core/errors.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"

#include <cstdio>
#include <map>
#include <functional>
#include <sstream>
#include <string_view>
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
Bytes FormOf(const Record& record, bool& ok, std::string& error) {
    try {
        ok = true;
        return record.CompressToNetworkBytes();
    } catch (const EncodeError& e) {
        ok = false;
        error = e.what();
        return {};
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

// Prints every field: label, then a number or a quoted byte string.
class TextSink {
public:
    void Label(const char* label) { m_Out << label; }
    void Number(int64_t value) { m_Out << value; }
    void Text(std::string_view bytes) { m_Out << Quote(bytes); }
    void Form(bool ok, std::string_view bytes, const std::string& error) {
        if (ok) m_Out << Quote(bytes);
        else m_Out << "<no form: " << error << ">";
    }
    void CalendarForm(const cCalendar& calendar) { Text(calendar.CompressToNetworkBytes()); }
    void Remembered(bool) {} // the dump shows both forms already
    std::string Result() const { return m_Out.str(); }

private:
    std::ostringstream m_Out;
};

// Feeds every field, with its kind and length, into two 64-bit accumulators (texts by
// their 64-bit hash), so no two different walks feed the same stream. Labels are fixed
// texts in a fixed order and add nothing the order of the fields does not already say.
class DigestSink {
public:
    void Label(const char*) {}
    void Number(int64_t value) {
        Mix(1);
        Mix(static_cast<uint64_t>(value));
    }
    void Text(std::string_view bytes) {
        Mix(2);
        Mix(bytes.size());
        Mix(std::hash<std::string_view>{}(bytes));
    }
    void Form(bool ok, std::string_view bytes, const std::string& error) {
        Number(ok ? 1 : 0);
        Text(ok ? bytes : std::string_view(error));
    }
    // The form stands for the days and names it carries; hashed without building it.
    void CalendarForm(const cCalendar& calendar) {
        Mix(3);
        Mix(calendar.FormHash());
    }
    // Whether a record's form is the one it remembered; counted besides the hash.
    void Remembered(bool same) { m_Digest.UnsavedRecords += same ? 0 : 1; }
    StateDigest Result() const { return m_Digest; }

private:
    void Mix(uint64_t value) {
        m_Digest.a = (m_Digest.a ^ value) * 0x100000001B3ull + 0x9E3779B97F4A7C15ull;
        m_Digest.a ^= m_Digest.a >> 31;
        m_Digest.b = (m_Digest.b + value) * 0xD6E8FEB86659FD93ull;
        m_Digest.b ^= m_Digest.b >> 32;
    }
    StateDigest m_Digest;
};

// A row that no 140 has written (the same as ReceiverTypeRow{}, without building one;
// one comparison, as it runs for 300 rows on every fuzzed message).
bool IsEmptyRow(const ReceiverTypeRow& r) {
    const std::size_t any = static_cast<uint16_t>(r.TypeId) | static_cast<uint16_t>(r.MaxTextLength) |
                            r.TypeName.size() | r.Unused1.size() | r.ProtocolCode.size() | r.Unused2.size() |
                            r.Unused3.size() | r.CountryList.size() | r.ParameterLayout.size() |
                            r.Unused4.size() | r.Unused5.size();
    return any == 0;
}

template <class Sink>
void Walk(const ClientState& state, Sink& out) {
    out.Label("ServerDataPath="); out.Text(state.ServerDataPath);
    out.Label("\nServerKind="); out.Number(state.ServerKind);
    out.Label(" UserRights="); out.Number(state.UserRights);
    const SettingSectionTable& sections = state.SettingSections;
    out.Label("\nSettingSections="); out.Number(sections.Count);
    out.Label("\n");
    for (std::size_t i = 0; i < sections.Names.size(); ++i) {
        out.Label(" section "); out.Text(sections.Names[i]);
        out.Label("="); out.Text(i < sections.Bodies.size() ? std::string_view(sections.Bodies[i]) : std::string_view());
        out.Label("\n");
    }
    out.Label("ClearAllDayWhenDeleting="); out.Number(state.ClearAllDayWhenDeleting);
    out.Label("\nTextTable rows="); out.Number(static_cast<int64_t>(state.TextTable.Rows.size()));
    out.Label("\n");
    for (const TextRow& row : state.TextTable.Rows) {
        out.Label(" text "); out.Number(row.TextId);
        out.Label(" "); out.Number(row.Start);
        out.Label(" "); out.Number(row.Length);
        out.Label("\n");
    }
    out.Label(" blob="); out.Text(state.TextTable.Blob);
    out.Label("\nReceiverTypes count="); out.Number(state.ReceiverTypes.Count);
    out.Label("\n");
    for (int i = 0; i < kReceiverTypeRows; ++i) {
        const ReceiverTypeRow& r = state.ReceiverTypes.Rows[static_cast<std::size_t>(i)];
        if (IsEmptyRow(r)) continue;
        out.Label(" type["); out.Number(i); out.Label("] "); out.Number(r.TypeId);
        for (const Bytes* text : {&r.TypeName, &r.Unused1, &r.ProtocolCode}) {
            out.Label(" "); out.Text(*text);
        }
        out.Label(" "); out.Number(r.MaxTextLength);
        for (const Bytes* text : {&r.Unused2, &r.Unused3, &r.CountryList, &r.ParameterLayout, &r.Unused4, &r.Unused5}) {
            out.Label(" "); out.Text(*text);
        }
        out.Label("\n");
    }
    for (int i = 0; i < kSystemCount; ++i) {
        const Bytes& name = state.SystemNames[static_cast<std::size_t>(i)];
        if (name.empty()) continue;
        out.Label("System["); out.Number(i); out.Label("]="); out.Text(name); out.Label("\n");
    }
    out.Label("HolidayLabels="); out.Number(static_cast<int64_t>(state.HolidayLabels.size()));
    out.Label("\n");
    for (const auto& label : state.HolidayLabels) {
        out.Label(" label "); out.Number(label->m_Day);
        out.Label(" "); out.Number(label->m_DayType);
        out.Label(" "); out.Number(label->m_ViewInCalendar);
        out.Label(" "); out.Text(label->m_Label);
        out.Label("\n");
    }
    // The 14610 flags by their hash: word by word, cheap enough for every fuzz run.
    out.Label("HolidayDayFlags size="); out.Number(static_cast<int64_t>(state.HolidayDayFlags.size()));
    out.Label(" hash="); out.Number(static_cast<int64_t>(std::hash<std::vector<bool>>{}(state.HolidayDayFlags)));
    out.Label("\n");
    if (state.SharedCalendar) {
        const cCalendar& c = *state.SharedCalendar;
        out.Label("SharedCalendar form="); out.CalendarForm(c);
        out.Label(" saved="); out.Text(c.SavedNetworkBytes());
        out.Label(" file="); out.Text(c.m_FileName);
        out.Label("\n");
    } else {
        out.Label("SharedCalendar none\n");
    }

    ObjectNumbers<cProfile> profileNumbers;
    out.Label("Profiles="); out.Number(state.Profiles.Count());
    out.Label("\n");
    for (const auto& entry : state.Profiles) {
        const cProfile& p = *entry.item;
        bool ok = true;
        std::string error;
        const Bytes form = FormOf(p, ok, error);
        out.Label(" "); out.Text(entry.key);
        out.Label(" #"); out.Number(profileNumbers.Of(&p));
        out.Label(" form="); out.Form(ok, form, error);
        out.Label(" original="); out.Text(p.m_Original_Settings);
        out.Remembered(ok && form == p.m_Original_Settings);
        out.Label(" parent="); out.Text(p.m_ParentName);
        out.Label(" levels="); out.Number(p.m_NestingLevels);
        out.Label(" autoblock="); out.Number(p.m_AutoBlockRepeatCount);
        out.Label(","); out.Number(p.m_AutoBlockFirstAddedTimeStamp.Seconds());
        out.Label(","); out.Number(p.m_AutoBlockLockedTimeStamp.Seconds());
        out.Label(","); out.Number(static_cast<int64_t>(p.m_AutoBlockedAlarms.size()));
        out.Label("\n");
        if (p.m_TimeSchedule) {
            const cTimeSchedule& s = *p.m_TimeSchedule;
            out.Label("  schedule selected="); out.Number(s.m_SelectedDayType);
            out.Label(" copied="); out.Number(s.m_CopiedDayType);
            out.Label(" edit="); out.Number(s.m_EditStartMinute);
            out.Label(".."); out.Number(s.m_EditStopMinute);
            out.Label(" selectedPeriod="); out.Number(s.m_SelectedPeriod ? 1 : 0);
            out.Label("\n");
        }
    }
    ObjectNumbers<cReceiver> receiverNumbers;
    out.Label("Receivers="); out.Number(state.Receivers.Count());
    out.Label("\n");
    for (const auto& entry : state.Receivers) {
        const cReceiver& r = *entry.item;
        bool ok = true;
        std::string error;
        const Bytes form = FormOf(r, ok, error);
        out.Label(" "); out.Text(entry.key);
        out.Label(" #"); out.Number(receiverNumbers.Of(&r));
        out.Label(" form="); out.Form(ok, form, error);
        out.Label(" saved="); out.Text(r.SavedNetworkBytes());
        out.Remembered(ok && form == r.SavedNetworkBytes());
        out.Label(" typeIndex="); out.Number(r.m_ReceiverTypeIndex);
        out.Label(" typeName="); out.Text(r.m_ReceiverTypeName);
        out.Label(" lastKeepAlive="); out.Number(r.m_LastKeepAlive.Seconds());
        out.Label(" flags="); out.Number(r.m_SendingFailed);
        out.Number(r.m_SendingToPrimaryReceiverTypeFailed);
        out.Number(r.m_HasUpdatedDiskIdentity);
        out.Label(" original="); out.Text(r.m_OriginalName);
        out.Label("\n");
    }
}

} // namespace

std::string DumpDecoderState(const ClientState& state) {
    TextSink sink;
    Walk(state, sink);
    return sink.Result();
}

StateDigest DigestDecoderState(const ClientState& state) {
    DigestSink sink;
    Walk(state, sink);
    return sink.Result();
}

} // namespace korvel
