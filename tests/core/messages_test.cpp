// The one list of message types: every number and every name once, and a look-up of a
// number the protocol does not know gives "unknown".
#include "core/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

using namespace korvel;

static_assert(Number(MessageType::MsgReceiverSave) == 240);
static_assert(MessageName(MessageType::MsgKeepAlive) == "MsgKeepAlive");

TEST(Messages, EveryNumberAndNameOnceAndUnknownNumbersAreNamedSo) {
    std::set<int> numbers;
    std::set<std::string_view> names;
    for (const MessageInfo& info : kMessages) {
        EXPECT_TRUE(numbers.insert(Number(info.Type)).second) << Number(info.Type);
        EXPECT_TRUE(names.insert(info.Name).second) << info.Name;
        EXPECT_TRUE(info.Name.starts_with("Msg")) << info.Name;
        EXPECT_FALSE(info.Meaning.empty()) << info.Name;
        EXPECT_EQ(MessageName(Number(info.Type)), info.Name);
    }
    EXPECT_EQ(numbers.size(), 31u);
    for (int type : {2, 99, 101, 105, 107, 109, 150, 239, 242, 255}) {
        EXPECT_FALSE(IsKnownMessage(type)) << type;
        EXPECT_EQ(MessageName(type), "unknown");
    }
}
