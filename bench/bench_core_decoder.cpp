// The shared decoder on large lists and on runs of single messages. Goals, each a ratio
// measured in one run against a floor of the same size, at 1x and at 10x the records: a
// loop that reads every field of the same messages with the codec readers (the period
// string's values included) and keeps nothing.
//   - a 200 list of 500 and of 5,000 profiles with full schedules: at most 2x its loop;
//   - a 230 list of 2,000 and of 20,000 receivers: at most 3x its loop;
//   - 1,000 and 10,000 single 240 messages replacing existing receivers: at most 3x.
// And, at 2,000 and 20,000 receivers, single messages that find their receiver by name
// (identity -1): a 221, a 240 that saves it again and a 241 that deletes it, each cycle
// on another receiver (then a 240 by identity brings it back): 20,000 / 2,000 at most 2.
// The same cycle finding the receiver by identity is printed beside it for reference.
// For reference (no goal): the 10x / 1x ratios of the decoder, and of a collection filled
// with empty records, which shows what the heap and the caches add at 10x.
#include "bench/benchsupport.h"
#include "core/decoder.h"
#include "core/errors.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "tests/core/recordbuilders.h"

#include <benchmark/benchmark.h>
#include <sched.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <numeric>
#include <random>
#include <map>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;

namespace {

constexpr int kPeriodsPerDay = 3; // a full schedule: 23 active day types, 3 periods each

void FillReceiverTypes(ClientState& state) {
    for (int i = 0; i < 20; ++i) {
        ReceiverTypeRow& row = state.ReceiverTypes.Rows[static_cast<std::size_t>(i)];
        row.TypeId = static_cast<int16_t>(i + 1);
        row.TypeName = "Type " + std::to_string(i + 1);
        row.ProtocolCode = i % 4 == 0 ? "ILM" : "GSM";
    }
    state.ReceiverTypes.Count = 20;
}

Bytes ReceiverFormOf(int identity) {
    return ReceiverForm(static_cast<int16_t>(identity), "Area\\Receiver " + std::to_string(identity),
                        static_cast<int16_t>(identity % 25 + 1), {"0", "5", "+4612345678", ""});
}

const Bytes& ReceiverList(int count) {
    static std::map<int, Bytes> cache;
    Bytes& body = cache[count];
    if (body.empty()) {
        std::vector<std::pair<int32_t, Bytes>> entries;
        for (int i = 1; i <= count; ++i) entries.emplace_back(-1, ReceiverFormOf(i));
        body = ListBody(entries);
    }
    return body;
}

const Bytes& ProfileList(int count) {
    static std::map<int, Bytes> cache;
    Bytes& body = cache[count];
    if (body.empty()) {
        ClientState state;
        std::vector<std::pair<int32_t, Bytes>> entries;
        for (int i = 1; i <= count; ++i)
            entries.emplace_back(-1, ProfileForm(state, static_cast<int16_t>(i), "Area\\Profile " + std::to_string(i),
                                                 kPeriodsPerDay));
        body = ListBody(entries);
    }
    return body;
}

void Decode(ClientState& state, MessageType type, std::string_view body) { HandleServerMessage(state, type, body); }

void ReceiverListDecode(benchmark::State& st, int count) {
    const Bytes& body = ReceiverList(count);
    ClientState state;
    FillReceiverTypes(state);
    for (auto _ : st) Decode(state, MessageType::MsgReceiverList, body);
    if (state.Receivers.Count() != static_cast<std::size_t>(count)) st.SkipWithError("wrong count");
}

void ProfileListDecode(benchmark::State& st, int count) {
    const Bytes& body = ProfileList(count);
    ClientState state;
    for (auto _ : st) Decode(state, MessageType::MsgProfileList, body);
    if (state.Profiles.Count() != static_cast<std::size_t>(count)) st.SkipWithError("wrong count");
}

// Reads every field of a 200 list with the codec readers and keeps nothing.
void ProfileListReadOnly(benchmark::State& st, int count) {
    const Bytes& body = ProfileList(count);
    for (auto _ : st) {
        int64_t sum = 0;
        std::size_t texts = 0;
        int32_t p = 0;
        const int32_t n = GetLongFromNetworkBytes(body, p);
        for (int32_t i = 0; i < n; ++i) {
            sum += GetLongFromNetworkBytes(body, p);
            texts += GetStringFromNetworkBytes(body, p).size();
            sum += GetIntegerFromNetworkBytes(body, p); // identity
            sum += GetIntegerFromNetworkBytes(body, p); // enabled
            texts += GetStringFromNetworkBytes(body, p).size(); // name
            for (int k = 0; k < 4; ++k) sum += GetIntegerFromNetworkBytes(body, p); // states, use schedule
            for (int k = 0; k < 8; ++k) texts += GetStringFromNetworkBytes(body, p).size(); // receivers, conditions
            for (int k = 0; k < 3; ++k) sum += GetIntegerFromNetworkBytes(body, p);
            texts += GetStringFromNetworkBytes(body, p).size();
            for (int k = 0; k < 2; ++k) sum += GetIntegerFromNetworkBytes(body, p);
            for (int k = 0; k < 2; ++k) texts += GetStringFromNetworkBytes(body, p).size();
            sum += GetIntegerFromNetworkBytes(body, p);
            for (int k = 0; k < 3; ++k) sum += GetLongFromNetworkBytes(body, p);
            for (int k = 0; k < 66; ++k) sum += GetIntegerFromNetworkBytes(body, p); // scan, systems, off-duty
            sum += GetDateFromNetworkBytes(body, p).Seconds();
            const Bytes periods = GetStringFromNetworkBytes(body, p);
            int32_t q = 0;
            for (int d = 0; d < 23; ++d) {
                sum += GetIntegerFromNetworkBytes(periods, q);
                sum += GetIntegerFromNetworkBytes(periods, q);
                const int16_t m = GetIntegerFromNetworkBytes(periods, q);
                for (int k = 0; k < 2 * m; ++k) sum += GetIntegerFromNetworkBytes(periods, q);
                sum += GetIntegerFromNetworkBytes(periods, q);
            }
            sum += GetIntegerFromNetworkBytes(periods, q);
            sum += GetIntegerFromNetworkBytes(body, p); // auto-block behaviour
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(texts);
    }
}

// Reads every field of one receiver's network form with the codec readers, keeping nothing.
int64_t ReadReceiverForm(std::string_view body, int32_t& p, std::size_t& texts) {
    int64_t sum = 0;
    texts += GetStringFromNetworkBytes(body, p).size(); // name
    for (int k = 0; k < 3; ++k) sum += GetIntegerFromNetworkBytes(body, p); // enabled, identity, type
    texts += GetStringFromNetworkBytes(body, p).size(); // backup receiver
    sum += GetDateFromNetworkBytes(body, p).Seconds();
    sum += GetLongFromNetworkBytes(body, p);
    for (int k = 0; k < 4; ++k) texts += GetStringFromNetworkBytes(body, p).size(); // settings
    return sum;
}

// A RecordRef and the receiver's form after it.
int64_t ReadReceiverEntry(std::string_view body, int32_t& p, std::size_t& texts) {
    int64_t sum = GetLongFromNetworkBytes(body, p);
    texts += GetStringFromNetworkBytes(body, p).size();
    return sum + ReadReceiverForm(body, p, texts);
}

// The same for a 230 list: the floor of decoding it.
void ReceiverListReadOnly(benchmark::State& st, int count) {
    const Bytes& body = ReceiverList(count);
    for (auto _ : st) {
        int64_t sum = 0;
        std::size_t texts = 0;
        int32_t p = 0;
        const int32_t n = GetLongFromNetworkBytes(body, p);
        for (int32_t i = 0; i < n; ++i) sum += ReadReceiverEntry(body, p, texts);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(texts);
    }
}

std::vector<Bytes> SaveMessages(int count) {
    std::vector<Bytes> messages;
    for (int i = 1; i <= count; ++i) messages.push_back(RecordRefBytes(i, "") + ReceiverFormOf(i));
    return messages;
}

// The same for a run of single 240 messages.
void SingleReceiverSavesReadOnly(benchmark::State& st, int count) {
    const std::vector<Bytes> messages = SaveMessages(count);
    for (auto _ : st) {
        int64_t sum = 0;
        std::size_t texts = 0;
        for (const Bytes& m : messages) {
            int32_t p = 0;
            sum += ReadReceiverEntry(m, p, texts);
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(texts);
    }
}

void SingleReceiverSaves(benchmark::State& st, int count) {
    ClientState state;
    FillReceiverTypes(state);
    Decode(state, MessageType::MsgReceiverList, ReceiverList(count));
    const std::vector<Bytes> messages = SaveMessages(count);
    for (auto _ : st)
        for (const Bytes& m : messages) Decode(state, MessageType::MsgReceiverSave, m);
    if (state.Receivers.Count() != static_cast<std::size_t>(count)) st.SkipWithError("wrong count");
}

// The messages of one cycle on one receiver: a 221 (disable), a 240 (saved as it is) and
// a 241 (deleted), each finding the receiver by name or by identity, then a 240 by
// identity that brings the receiver back for a later cycle. They are written afresh for
// each cycle into buffers that stay in the cache, as the client reads each message from
// the socket just before it decodes it (20,000 cycles written beforehand would make the
// benchmark time the memory that holds them).
class LookUpCycle {
public:
    explicit LookUpCycle(bool byName) : m_ByName(byName) {}

    void Make(int i) {
        char digits[8];
        const std::string_view number(digits, static_cast<std::size_t>(std::to_chars(digits, digits + 8, i).ptr - digits));
        m_Name.assign("Area\\Receiver ").append(number);
        m_Asked.assign("AREA\\receiver ").append(number); // any case finds it
        ref.clear();
        AppendLong(ref, m_ByName ? -1 : i);
        AppendString(ref, m_ByName ? std::string_view(m_Asked) : std::string_view());
        enable.assign(ref);
        AppendInteger(enable, 0);
        save.assign(ref);
        appendForm(save, i);
        restore.clear();
        AppendLong(restore, i);
        AppendString(restore, "");
        appendForm(restore, i);
    }

    Bytes ref, enable, save, restore;

private:
    // What ReceiverFormOf(i) gives.
    void appendForm(Bytes& out, int i) const {
        AppendString(out, m_Name);
        AppendInteger(out, -1);
        AppendInteger(out, static_cast<int16_t>(i));
        AppendInteger(out, static_cast<int16_t>(i % 25 + 1));
        AppendString(out, "backup");
        AppendDate(out, m_Stamp);
        AppendLong(out, 0);
        for (const char* setting : {"0", "5", "+4612345678", ""}) AppendString(out, setting);
    }

    bool m_ByName;
    std::string m_Name, m_Asked;
    DateTime m_Stamp = DateTime::FromParts(2024, 5, 6, 7, 8, 9);
};

void LookUps(benchmark::State& st, int count, bool byName) {
    ClientState state;
    FillReceiverTypes(state);
    Decode(state, MessageType::MsgReceiverList, ReceiverList(count));
    // Each cycle on another receiver, in an order that the caches cannot guess.
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 1);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    LookUpCycle c(byName);
    c.Make(1);
    if (c.save.substr(c.ref.size()) != ReceiverFormOf(1)) st.SkipWithError("not the listed form");
    std::size_t next = 0;
    // The first look-up by name makes the index of names (a control makes it at its first
    // too); by identity it is never made, as in a control that never asks by name.
    bool found = !byName || GetReceiverByName(state, "AREA\\RECEIVER 1") != nullptr;
    for (auto _ : st) {
        c.Make(order[next]);
        next = next + 1 == order.size() ? 0 : next + 1;
        const bool enabled =
            HandleServerMessage(state, MessageType::MsgReceiverEnableOrDisable, c.enable).Receiver != nullptr;
        HandleServerMessage(state, MessageType::MsgReceiverSave, c.save);
        const bool deleted = HandleServerMessage(state, MessageType::MsgReceiverDelete, c.ref).Receiver != nullptr;
        found = found && enabled && deleted;
        HandleServerMessage(state, MessageType::MsgReceiverSave, c.restore);
    }
    if (!found || state.Receivers.Count() != static_cast<std::size_t>(count)) st.SkipWithError("a receiver not found");
}

void LookUpsByName(benchmark::State& st, int count) { LookUps(st, count, true); }
void LookUpsById(benchmark::State& st, int count) { LookUps(st, count, false); }

// For reference only: what a list costs without any decoding: N records made empty, added
// to a new collection under their keys, and the previous collection dropped, as a 230 list
// does. Its 20000/2000 ratio shows what the heap and the memory system add once the records
// no longer fit the cache.
void CollectionOnly(benchmark::State& st, int count) {
    ClientState state;
    for (auto _ : st) {
        KeyedCollection<cReceiver> records;
        for (int i = 1; i <= count; ++i) {
            auto record = std::make_shared<cReceiver>();
            record->m_DiskIdentity = static_cast<int16_t>(i);
            const std::string key = RecordKey(record->m_DiskIdentity);
            records.Add(key, std::move(record));
        }
        std::swap(state.Receivers, records);
    }
}

} // namespace

int main(int argc, char** argv) {
    auto add = [](const std::string& name, void (*fn)(benchmark::State&, int), int count, int iterations) {
        benchmark::RegisterBenchmark(name.c_str(), fn, count)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->Repetitions(5);
    };
    add("receiver_list/2000", ReceiverListDecode, 2000, 50);
    add("receiver_list/20000", ReceiverListDecode, 20000, 5);
    add("receiver_list_read_only/2000", ReceiverListReadOnly, 2000, 50);
    add("receiver_list_read_only/20000", ReceiverListReadOnly, 20000, 5);
    add("profile_list/500", ProfileListDecode, 500, 50);
    add("profile_list/5000", ProfileListDecode, 5000, 5);
    add("profile_list_read_only/500", ProfileListReadOnly, 500, 50);
    add("profile_list_read_only/5000", ProfileListReadOnly, 5000, 5);
    add("receiver_saves/1000", SingleReceiverSaves, 1000, 50);
    add("receiver_saves/10000", SingleReceiverSaves, 10000, 5);
    add("receiver_saves_read_only/1000", SingleReceiverSavesReadOnly, 1000, 50);
    add("receiver_saves_read_only/10000", SingleReceiverSavesReadOnly, 10000, 5);
    auto addCycles = [](const std::string& name, void (*fn)(benchmark::State&, int), int count) {
        benchmark::RegisterBenchmark(name.c_str(), fn, count)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.2)
            ->Repetitions(5);
    };
    addCycles("look_ups_by_name/2000", LookUpsByName, 2000);
    addCycles("look_ups_by_name/20000", LookUpsByName, 20000);
    addCycles("look_ups_by_identity/2000", LookUpsById, 2000);
    addCycles("look_ups_by_identity/20000", LookUpsById, 20000);
    add("collection_only/2000", CollectionOnly, 2000, 50);
    add("collection_only/20000", CollectionOnly, 20000, 5);
    bench::PinToCurrentCore();
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition collector(bench::Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&collector);

    auto verdict = [&](const char* what, const std::string& a, const std::string& b, double goal) {
        bench::Verdict(what, collector.Seconds(a) / collector.Seconds(b), goal);
    };
    std::printf("\n");
    // Growth is stated against a floor of the same size: the decoder's time over a loop that
    // reads the same fields and keeps nothing, at 1x and at 10x the records.
    verdict("decoder/read-only loop, 200 list of 500", "profile_list/500", "profile_list_read_only/500", 2);
    verdict("decoder/read-only loop, 200 list of 5000", "profile_list/5000", "profile_list_read_only/5000", 2);
    verdict("decoder/read-only loop, 230 list of 2000", "receiver_list/2000", "receiver_list_read_only/2000", 3);
    verdict("decoder/read-only loop, 230 list of 20000", "receiver_list/20000", "receiver_list_read_only/20000", 3);
    verdict("decoder/read-only loop, 1000 x 240", "receiver_saves/1000", "receiver_saves_read_only/1000", 3);
    verdict("decoder/read-only loop, 10000 x 240", "receiver_saves/10000", "receiver_saves_read_only/10000", 3);
    verdict("time(20000)/time(2000), 221/240/241 by name", "look_ups_by_name/20000", "look_ups_by_name/2000", 2);
    auto reference = [&](const char* what, const std::string& a, const std::string& b) {
        std::printf("reference %-48s %6.2f\n", what, collector.Seconds(a) / collector.Seconds(b));
    };
    reference("time(230 list 20000)/time(2000)", "receiver_list/20000", "receiver_list/2000");
    reference("time(200 list 5000)/time(500)", "profile_list/5000", "profile_list/500");
    reference("time(10000 x 240)/time(1000 x 240)", "receiver_saves/10000", "receiver_saves/1000");
    reference("time(20000)/time(2000), 221/240/241 by identity", "look_ups_by_identity/20000",
              "look_ups_by_identity/2000");
    reference("by name / by identity, 20000", "look_ups_by_name/20000", "look_ups_by_identity/20000");
    std::printf("reference %-48s %6.2f us\n", "one cycle by name, 20000", collector.Seconds("look_ups_by_name/20000") * 1e6);
    std::printf("reference %-48s %6.2f us\n", "one cycle by identity, 20000",
                collector.Seconds("look_ups_by_identity/20000") * 1e6);
    reference("time(collection of 20000)/time(2000), no decoding", "collection_only/20000", "collection_only/2000");
    benchmark::Shutdown();
    return 0; // the lines above carry the verdict
}
