// Writes the seed corpora of the control fuzz targets from the substitute server's
// default sample data: for each control, the stream the server sends after connecting
// and answering the control's start-up requests, each of those messages alone, and the
// single-record messages (profiles and receivers saved, removed, enabled or disabled, and
// the calendar saved) made from the first records of the lists, with a few live messages
// of the control's own.
//
//   korvel_fuzz_seeds <folder>     (writes <folder>/control_<name>/<seed>)
#include "core/codec.h"
#include "core/decoder.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testserver;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

Bytes RecordRef(int32_t identity, const Bytes& name) { return LongToNetworkBytes(identity) + StringToNetworkBytes(name); }

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvel_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    SampleData data;
    if (!MakeSampleData("default", data)) return 1;

    // Every message the server may send, by type, as whole frames.
    using enum MessageType;
    std::map<MessageType, Bytes> frames;
    frames[MsgProtocolVersion] = EncodeFrame(MsgProtocolVersion, IntegerToNetworkBytes(data.ProtocolVersion));
    frames[MsgUserRights] = EncodeFrame(MsgUserRights, LongToNetworkBytes(0xFF));
    frames[MsgServerDataPath] =
        EncodeFrame(MsgServerDataPath,
                    StringToNetworkBytes(data.DataPath) + LongToNetworkBytes(data.ServerKind) + LongToNetworkBytes(0));
    for (MessageType type :
         {MsgTextTable, MsgServerSettings, MsgReceiverTypeList, MsgSystemList, MsgHolidayLabelList, MsgAlarmEventList,
          MsgSysLogList, MsgCalendar, MsgProfileList, MsgReceiverList, MsgLastMessageReceivers, MsgLastMessageText}) {
        Bytes all;
        for (const OutFrame& f : AnswerFor(data, type)) all += EncodeFrame(f);
        if (!all.empty()) frames[type] = all;
    }
    frames[MsgKeepAlive] = EncodeFrame(MsgKeepAlive, "");
    frames[MsgSysLogLine] = EncodeFrame(MsgSysLogLine, LogLineBody("2025-03-03 07:00:00 Operator logged in"));
    frames[MsgStatusText] = EncodeFrame(MsgStatusText, StringToNetworkBytes("Modem ready"));
    frames[MsgTextMessage] = EncodeFrame(MsgTextMessage, LongToNetworkBytes(26));
    if (!data.LiveEvents.empty()) {
        Bytes all;
        for (const OutFrame& f : data.LiveEvents) all += EncodeFrame(f);
        frames[MsgAlarmEventUpdate] = all;
    }
    const Bytes versionConflict = EncodeFrame(MsgProtocolVersion, IntegerToNetworkBytes(20));

    // Single-record messages from the first records of the lists.
    ClientState state;
    for (MessageType type : {MsgProfileList, MsgReceiverList, MsgCalendar}) {
        for (const OutFrame& f : AnswerFor(data, type)) {
            HandleServerMessage(state, f.Type, f.Body);
            if (type == MsgCalendar) frames[MsgCalendarSave] = EncodeFrame(MsgCalendarSave, f.Body);
        }
    }
    if (!state.Profiles.Empty()) {
        const cProfile& p = *state.Profiles.begin()->item;
        const Bytes ref = RecordRef(p.m_DiskIdentity, p.GetName());
        frames[MsgProfileSave] = EncodeFrame(MsgProfileSave, ref + p.CompressToNetworkBytes());
        frames[MsgProfileDelete] = EncodeFrame(MsgProfileDelete, ref);
        frames[MsgProfileEnableOrDisable] = EncodeFrame(MsgProfileEnableOrDisable, ref + IntegerToNetworkBytes(0));
    }
    if (!state.Receivers.Empty()) {
        const cReceiver& r = *state.Receivers.begin()->item;
        const Bytes ref = RecordRef(r.m_DiskIdentity, r.m_ReceiverName);
        frames[MsgReceiverSave] = EncodeFrame(MsgReceiverSave, ref + r.CompressToNetworkBytes());
        frames[MsgReceiverDelete] = EncodeFrame(MsgReceiverDelete, ref);
        frames[MsgReceiverEnableOrDisable] = EncodeFrame(MsgReceiverEnableOrDisable, ref + IntegerToNetworkBytes(0));
    }

    // What each control asks for after MsgTextTable and MsgServerSettings, and the
    // messages of its own. A seed of one message is named by its number ("only_200").
    using Types = std::vector<MessageType>;
    const std::map<std::string, std::pair<Types, Types>> controls = {
        {"syslog", {{MsgSysLogList}, {MsgSysLogLine, MsgKeepAlive}}},
        {"events", {{MsgSystemList, MsgAlarmEventList}, {MsgAlarmEventUpdate, MsgKeepAlive}}},
        {"receivers",
         {{MsgReceiverTypeList, MsgReceiverList},
          {MsgReceiverSave, MsgReceiverDelete, MsgReceiverEnableOrDisable, MsgKeepAlive}}},
        {"profiles",
         {{MsgSystemList, MsgReceiverList, MsgCalendar, MsgHolidayLabelList, MsgProfileList},
          {MsgProfileSave, MsgProfileDelete, MsgProfileEnableOrDisable, MsgCalendarSave, MsgReceiverSave,
           MsgReceiverDelete, MsgKeepAlive}}},
        {"textmessage",
         {{MsgReceiverTypeList, MsgReceiverList, MsgLastMessageReceivers, MsgLastMessageText},
          {MsgStatusText, MsgTextMessage, MsgReceiverSave, MsgReceiverDelete, MsgKeepAlive}}},
        {"activeprofiles",
         {{MsgProfileList}, {MsgProfileSave, MsgProfileDelete, MsgProfileEnableOrDisable, MsgKeepAlive}}},
    };
    for (const auto& [name, lists] : controls) {
        const std::filesystem::path folder = root / ("control_" + name);
        Bytes startup = frames[MsgProtocolVersion] + frames[MsgUserRights] + frames[MsgServerDataPath] +
                        frames[MsgTextTable] + frames[MsgServerSettings];
        for (MessageType type : lists.first) startup += frames[type];
        Write(folder, "startup", startup);
        Bytes live = startup;
        for (MessageType type : lists.second) live += frames[type];
        Write(folder, "startup_then_changes", live);
        for (MessageType type : lists.first) Write(folder, "only_" + std::to_string(Number(type)), frames[type]);
        for (MessageType type : lists.second) Write(folder, "only_" + std::to_string(Number(type)), frames[type]);
        Write(folder, "version_conflict", versionConflict + frames[MsgKeepAlive]);
    }
    return 0;
}
