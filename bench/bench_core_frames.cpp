// The frame cutter fed 100,000 and 1,000,000 frames (bodies of 0..300 bytes) in one
// chunk, in 1,460-byte chunks (one TCP segment) and in 1-byte chunks.
// Goals, measured in this run:
//   time(1M) / time(100k) per split          <= 11   (linear in the frames)
//   per-byte cost, 1-byte chunks / one chunk  <= 3    (linear however the bytes are split)
#include "bench/benchsupport.h"
#include "core/frames.h"

#include <benchmark/benchmark.h>
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

constexpr int kBlockFrames = 100000;

// 100,000 frames with bodies of 0..300 bytes.
const Bytes& Block() {
    static Bytes s;
    if (s.empty()) {
        std::mt19937 rng(12345);
        Bytes body;
        for (int i = 0; i < kBlockFrames; ++i) {
            body.assign(rng() % 301, static_cast<char>(i));
            s += BuildFrame(static_cast<int32_t>(rng() % 256), body);
        }
    }
    return s;
}

// The block repeated to the given number of frames, in one string.
const Bytes& Whole(int frames) {
    static std::map<int, Bytes> streams;
    Bytes& s = streams[frames];
    if (s.empty())
        for (int i = 0; i < frames / kBlockFrames; ++i) s += Block();
    return s;
}

// Feeds the frames to the cutter and drains it after every chunk, as the receive loop does
// on every data-arrived event. Chunked feeds read their bytes from the block again and again
// (a socket hands over bytes from a small buffer, never from one huge array); one chunk is
// the whole stream in one string.
// Every pass drains the cutter completely, so it starts the next one empty (with the
// buffer it has grown).
std::size_t Feed(FrameCutter& cutter, int frames, std::size_t chunk, uint64_t& sum) {
    std::size_t got = 0;
    auto feed = [&](std::string_view part) {
        cutter.Append(part);
        while (auto f = cutter.Next()) {
            ++got;
            sum += f->Type + f->Body.size();
        }
    };
    if (chunk == 0) {
        feed(Whole(frames));
        return got;
    }
    const std::string_view block = Block();
    const std::size_t blocks = static_cast<std::size_t>(frames / kBlockFrames);
    if (chunk == 1) {
        // Byte by byte with nothing else in the loop: the harness must not cost more than
        // the cutter.
        for (std::size_t b = 0; b < blocks; ++b)
            for (const char& byte : block) feed(std::string_view(&byte, 1));
        return got;
    }
    // The position in the block is carried from chunk to chunk.
    const std::size_t total = block.size() * blocks;
    std::size_t in = 0;
    for (std::size_t at = 0; at < total;) {
        const std::size_t n = std::min(chunk, total - at);
        if (in + n <= block.size()) {
            feed(block.substr(in, n));
            in += n;
            if (in == block.size()) in = 0;
        } else { // a chunk across the seam of two blocks
            Bytes joined(block.substr(in));
            joined.append(block.substr(0, n - joined.size()));
            feed(joined);
            in = n - (block.size() - in);
        }
        at += n;
    }
    return got;
}

void CutStream(benchmark::State& st, int frames, std::size_t chunk) {
    // One cutter for all iterations, as a control keeps one for its lifetime; one pass
    // before timing so that its buffer has grown to its working size.
    FrameCutter cutter;
    uint64_t sum = 0;
    Feed(cutter, frames, chunk, sum);
    for (auto _ : st) {
        if (Feed(cutter, frames, chunk, sum) != static_cast<std::size_t>(frames)) st.SkipWithError("frames lost");
    }
    benchmark::DoNotOptimize(sum);
    const double bytes = static_cast<double>(Block().size()) * (frames / kBlockFrames);
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
    st.counters["bytes"] = bytes;
}

// For reference only: one memory copy of the whole stream into a buffer of its size, the
// least that one chunk can cost (the chunk's bytes do not outlive Append, so the cutter must
// keep a copy). Its 1M/100k ratio shows what the memory system adds once the stream no
// longer fits the cache.
void CopyStream(benchmark::State& st, int frames) {
    const Bytes& whole = Whole(frames);
    std::unique_ptr<char[]> buffer(new char[whole.size()]);
    std::memcpy(buffer.get(), whole.data(), whole.size());
    for (auto _ : st) {
        std::memcpy(buffer.get(), whole.data(), whole.size());
        benchmark::ClobberMemory();
    }
    st.counters["bytes"] = static_cast<double>(whole.size());
}

} // namespace

int main(int argc, char** argv) {
    struct Split {
        const char* name;
        std::size_t chunk;
    } splits[] = {{"one_chunk", 0}, {"chunks_1460", 1460}, {"chunks_1", 1}};
    for (int frames : {100000, 1000000}) {
        for (const auto& s : splits) {
            std::string name = "cut/" + std::string(s.name) + "/" + std::to_string(frames);
            benchmark::RegisterBenchmark(name.c_str(), CutStream, frames, s.chunk)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(frames == 100000 ? 30 : 3)
                ->Repetitions(5);
        }
    }
    bench::PinToCurrentCore();
    for (int frames : {100000, 1000000})
        benchmark::RegisterBenchmark(("copy/" + std::to_string(frames)).c_str(), CopyStream, frames)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(frames == 100000 ? 30 : 3)
            ->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition collector(bench::Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&collector);

    struct Figure {
        double seconds;
        double bytes;
    };
    auto get = [&](const std::string& name) {
        return Figure{collector.Seconds(name), collector.Counter(name, "bytes")};
    };
    bool all = true;
    std::printf("\n");
    for (const auto& s : splits) {
        auto small = get("cut/" + std::string(s.name) + "/100000");
        auto large = get("cut/" + std::string(s.name) + "/1000000");
        all = bench::Verdict("time(1M)/time(100k) " + std::string(s.name), large.seconds / small.seconds, 11) && all;
    }
    {
        auto small = get("copy/100000");
        auto large = get("copy/1000000");
        std::printf("reference time(1M)/time(100k) memcpy of the stream %6.2f (%.2f vs %.2f ns/byte)\n",
                    large.seconds / small.seconds, large.seconds / large.bytes * 1e9, small.seconds / small.bytes * 1e9);
    }
    for (int frames : {100000, 1000000}) {
        auto whole = get("cut/one_chunk/" + std::to_string(frames));
        auto bytes = get("cut/chunks_1/" + std::to_string(frames));
        double perByteWhole = whole.seconds / whole.bytes;
        double perByteSplit = bytes.seconds / bytes.bytes;
        all = bench::Verdict("per-byte 1-byte chunks/one chunk, " + std::to_string(frames) + " frames",
                             perByteSplit / perByteWhole, 3) && all;
        std::printf("(%.2f vs %.2f ns/byte)\n", perByteSplit * 1e9, perByteWhole * 1e9);
    }
    benchmark::Shutdown();
    return 0; // the lines above carry the verdict
}
