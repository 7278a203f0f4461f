// Writes the seed corpora of the control fuzz targets from the substitute server's
// default sample data: for each control, the stream the server sends after connecting
// and answering the control's start-up requests, each of those messages alone, and the
// single-record messages (210, 211, 220, 240, 241, 221, 180) made from the first records
// of the lists, with a few live messages of the control's own.
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
    std::map<int, Bytes> frames;
    frames[1] = EncodeFrame(MessageType::MsgProtocolVersion, IntegerToNetworkBytes(data.ProtocolVersion));
    frames[102] = EncodeFrame(MessageType::MsgUserRights, LongToNetworkBytes(0xFF));
    frames[100] = EncodeFrame(MessageType::MsgServerDataPath, StringToNetworkBytes(data.DataPath) + LongToNetworkBytes(data.ServerKind) + LongToNetworkBytes(0));
    for (int type : {120, 106, 140, 141, 142, 143, 144, 170, 200, 230, 131, 132}) {
        Bytes all;
        for (const OutFrame& f : AnswerFor(data, type)) all += EncodeFrame(f);
        if (!all.empty()) frames[type] = all;
    }
    frames[0] = EncodeFrame(MessageType::MsgKeepAlive, "");
    frames[166] = EncodeFrame(MessageType::MsgSysLogLine, LogLineBody("2025-03-03 07:00:00 Operator logged in"));
    frames[108] = EncodeFrame(MessageType::MsgStatusText, StringToNetworkBytes("Modem ready"));
    frames[130] = EncodeFrame(MessageType::MsgTextMessage, LongToNetworkBytes(26));
    if (!data.LiveEvents.empty()) {
        Bytes all;
        for (const OutFrame& f : data.LiveEvents) all += EncodeFrame(f);
        frames[161] = all;
    }
    frames[1000] = EncodeFrame(MessageType::MsgProtocolVersion, IntegerToNetworkBytes(20)); // a version conflict

    // Single-record messages from the first records of the lists.
    ClientState state;
    for (int type : {200, 230, 170}) {
        for (const OutFrame& f : AnswerFor(data, type)) {
            std::shared_ptr<cReceiver> r;
            std::shared_ptr<cProfile> p;
            int32_t position = 0;
            HandleServerMessage(state, f.Type, f.Body, position, r, p);
            if (type == 170) frames[180] = EncodeFrame(MessageType::MsgCalendarSave, f.Body);
        }
    }
    if (!state.Profiles.Empty()) {
        const cProfile& p = *state.Profiles.begin()->item;
        const Bytes ref = RecordRef(p.m_DiskIdentity, p.GetName());
        frames[210] = EncodeFrame(MessageType::MsgProfileSave, ref + p.CompressToNetworkBytes());
        frames[211] = EncodeFrame(MessageType::MsgProfileDelete, ref);
        frames[220] = EncodeFrame(MessageType::MsgProfileEnableOrDisable, ref + IntegerToNetworkBytes(0));
    }
    if (!state.Receivers.Empty()) {
        const cReceiver& r = *state.Receivers.begin()->item;
        const Bytes ref = RecordRef(r.m_DiskIdentity, r.m_ReceiverName);
        frames[240] = EncodeFrame(MessageType::MsgReceiverSave, ref + r.CompressToNetworkBytes());
        frames[241] = EncodeFrame(MessageType::MsgReceiverDelete, ref);
        frames[221] = EncodeFrame(MessageType::MsgReceiverEnableOrDisable, ref + IntegerToNetworkBytes(0));
    }

    // What each control asks for after 120 and 106, and the messages of its own.
    const std::map<std::string, std::pair<std::vector<int>, std::vector<int>>> controls = {
        {"syslog", {{144}, {166, 0}}},
        {"events", {{141, 143}, {161, 0}}},
        {"receivers", {{140, 230}, {240, 241, 221, 0}}},
        {"profiles", {{141, 230, 170, 142, 200}, {210, 211, 220, 180, 240, 241, 0}}},
        {"textmessage", {{140, 230, 131, 132}, {108, 130, 240, 241, 0}}},
        {"activeprofiles", {{200}, {210, 211, 220, 0}}},
    };
    for (const auto& [name, lists] : controls) {
        const std::filesystem::path folder = root / ("control_" + name);
        Bytes startup = frames[1] + frames[102] + frames[100] + frames[120] + frames[106];
        for (int type : lists.first) startup += frames[type];
        Write(folder, "startup", startup);
        Bytes live = startup;
        for (int type : lists.second) live += frames[type];
        Write(folder, "startup_then_changes", live);
        for (int type : lists.first) Write(folder, "only_" + std::to_string(type), frames[type]);
        for (int type : lists.second) Write(folder, "only_" + std::to_string(type), frames[type]);
        Write(folder, "version_conflict", frames[1000] + frames[0]);
    }
    return 0;
}
