#include "testserver/handlers_textactive.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/records/profile.h"

#include <cstdio>
#include <memory>

namespace korvel::testserver {
namespace {

constexpr int32_t kRightSendTextMessages = 0x02;
constexpr int32_t kRightEnableOrDisableProfiles = 0x80;

Bytes StringOnly(std::string_view text) {
    Bytes body;
    AppendString(body, text);
    return body;
}

// The profile list of the data set (the answer to 200) as records, and back.
struct ProfileEntry {
    int32_t RefIdentity = 0;
    Bytes RefName;
    cProfile Profile;
};

bool ReadProfiles(const Bytes& body, std::vector<ProfileEntry>& out) {
    int32_t p = 0;
    const int32_t n = GetLongFromNetworkBytes(body, p);
    for (int32_t i = 0; i < n; ++i) {
        ProfileEntry e;
        e.RefIdentity = GetLongFromNetworkBytes(body, p);
        e.RefName = GetStringFromNetworkBytes(body, p);
        ClientState state;
        state.ChildProfilesAllowed = true;
        e.Profile.UncompressFromNetworkBytes(state, body, p);
        out.push_back(std::move(e));
    }
    return true;
}

Bytes WriteProfiles(const std::vector<ProfileEntry>& entries) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(entries.size()));
    for (const ProfileEntry& e : entries) {
        AppendLong(body, e.RefIdentity);
        AppendString(body, e.RefName);
        e.Profile.AppendNetworkBytes(body);
    }
    return body;
}

void SwitchProfile(SampleData& data, const OutFrame& request, TextActiveReplies& replies) {
    if ((data.UserRights & kRightEnableOrDisableProfiles) == 0) return;
    int32_t p = 0;
    const int32_t identity = GetLongFromNetworkBytes(request.Body, p);
    const Bytes name = GetStringFromNetworkBytes(request.Body, p);
    const int16_t flag = GetIntegerFromNetworkBytes(request.Body, p);

    auto it = data.Answers.find(MessageType::MsgProfileList);
    if (it == data.Answers.end() || it->second.empty()) return;
    std::vector<ProfileEntry> entries;
    ReadProfiles(it->second.front().Body, entries);
    for (ProfileEntry& e : entries) {
        const bool match = identity == -1 ? EqualsIgnoreCase(e.Profile.GetName(), name)
                                          : e.Profile.m_DiskIdentity == identity;
        if (!match) continue;
        e.Profile.m_Enabled = flag != 0 ? -1 : 0;
        Bytes answer;
        AppendLong(answer, e.Profile.m_DiskIdentity);
        AppendString(answer, e.Profile.GetName());
        AppendInteger(answer, e.Profile.m_Enabled);
        it->second.front().Body = WriteProfiles(entries);
        replies.ToAll.push_back({MessageType::MsgProfileEnableOrDisable, answer});
        return;
    }
}

void TakeTextMessage(SampleData& data, const OutFrame& request, TextActiveReplies& replies) {
    if ((data.UserRights & kRightSendTextMessages) == 0) return;
    int32_t p = 0;
    const Bytes text = GetStringFromNetworkBytes(request.Body, p);
    const int16_t count = GetIntegerFromNetworkBytes(request.Body, p);
    GetLongFromNetworkBytes(request.Body, p); // reserved
    if (text.empty() || count <= 0) return;
    Bytes list;
    for (int16_t i = 0; i < count; ++i) list += std::to_string(GetLongFromNetworkBytes(request.Body, p)) + '\xFF';
    for (int16_t i = 0; i < count; ++i) GetStringFromNetworkBytes(request.Body, p);

    const int32_t identity = data.NextMessageIdentity++;
    Bytes idBody;
    AppendLong(idBody, identity);
    replies.ToSender.push_back({MessageType::MsgTextMessage, idBody});
    char status[96];
    std::snprintf(status, sizeof status, "Message %d queued for %d receiver(s)", identity, static_cast<int>(count));
    replies.ToSender.push_back({MessageType::MsgStatusText, StringOnly(status)});
    data.Answers[MessageType::MsgLastMessageReceivers] = {{MessageType::MsgLastMessageReceivers, StringOnly(list)}};
    data.Answers[MessageType::MsgLastMessageText] = {{MessageType::MsgLastMessageText, StringOnly(text)}};
}

} // namespace

bool HandleTextActiveRequest(SampleData& data, const OutFrame& request, TextActiveReplies& replies) {
    try {
        switch (request.Type) {
        case MessageType::MsgProfileEnableOrDisable: SwitchProfile(data, request, replies); return true;
        case MessageType::MsgTextMessage: TakeTextMessage(data, request, replies); return true;
        case MessageType::MsgLastMessageReceivers:
        case MessageType::MsgLastMessageText:
            if (auto it = data.Answers.find(request.Type); it != data.Answers.end()) replies.ToSender = it->second;
            else replies.ToSender.push_back({request.Type, StringOnly("")});
            return true;
        default: return false;
        }
    } catch (const KorvelError&) {
        // A malformed request gets no answer.
        replies = {};
        return true;
    }
}

void AddTextActiveSamples(SampleData& data) {
    // Only the first section of a name counts: the setting joins it.
    for (SampleSettingSection& section : data.Settings) {
        if (EqualsIgnoreCase(section.Name, "ActiveX")) {
            section.Items.emplace_back("StoreActiveXMessagesByServer", "1");
            return;
        }
    }
    data.Settings.push_back({"ActiveX", {{"StoreActiveXMessagesByServer", "1"}}});
}

} // namespace korvel::testserver
