// Arbitrary bytes through the codec's readers and the frame cutter. The first bytes of
// the input choose how the rest is split into chunks; the cutter must yield the same
// frames (or the same error) however the stream is split, and every reader must either
// return a value or raise a typed error.
#include "core/codec.h"
#include "core/errors.h"
#include "core/frames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace korvel;

namespace {

struct Outcome {
    std::vector<std::string> frames; // type byte + body
    bool malformed = false;
    bool operator==(const Outcome&) const = default;
};

Outcome CutAll(std::string_view stream, std::string_view splits) {
    FrameCutter cutter;
    Outcome out;
    std::size_t at = 0;
    std::size_t k = 0;
    try {
        while (at < stream.size()) {
            std::size_t chunk = splits.empty() ? stream.size()
                                               : 1 + static_cast<uint8_t>(splits[k++ % splits.size()]) % 64;
            std::string_view part = stream.substr(at, chunk);
            at += part.size();
            // Odd split bytes hand over a string of their own (taken over when nothing is pending).
            if (!splits.empty() && (static_cast<uint8_t>(splits[k % splits.size()]) & 1))
                cutter.Append(std::string(part));
            else
                cutter.Append(part);
            while (auto f = cutter.Next()) {
                std::string frame(1, static_cast<char>(f->Type));
                frame.append(f->Body);
                out.frames.push_back(std::move(frame));
            }
        }
    } catch (const FrameError&) {
        out.malformed = true;
    }
    return out;
}

void ReadAll(std::string_view body) {
    // Walk the body with the reader chosen by each byte, until one raises.
    int32_t position = 0;
    std::size_t steps = 0;
    try {
        while (position >= 0 && static_cast<std::size_t>(position) < body.size() && steps++ < 4096) {
            switch (static_cast<uint8_t>(body[static_cast<std::size_t>(position)]) % 5) {
            case 0: {
                int32_t v = GetLongFromNetworkBytes(body, position);
                if (LongToNetworkBytes(v).size() != 4) std::abort();
                break;
            }
            case 1: {
                int16_t v = GetIntegerFromNetworkBytes(body, position);
                if (TwoBytesToInteger(IntegerToNetworkBytes(v)) != v) std::abort();
                break;
            }
            case 2: {
                int32_t before = position;
                Bytes s = GetStringFromNetworkBytes(body, position);
                if (s.size() > static_cast<std::size_t>(kMaxStringLength) || position < before + 2) std::abort();
                break;
            }
            case 3:
                GetDateFromNetworkBytes(body, position);
                break;
            default:
                position += 1;
                break;
            }
        }
    } catch (const DecodeError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Byte 0: how many split bytes follow.
    std::size_t splitCount = input.empty() ? 0 : static_cast<uint8_t>(input[0]) % 16;
    std::string_view splits = input.substr(input.empty() ? 0 : 1, splitCount);
    std::string_view stream = input.substr(std::min(input.size(), 1 + splitCount));

    Outcome whole = CutAll(stream, {});
    Outcome split = CutAll(stream, splits);
    Outcome bytes = CutAll(stream, std::string_view("\0", 1));
    if (!(whole == split) || !(whole == bytes)) std::abort();

    ReadAll(stream);
    for (const auto& frame : whole.frames) ReadAll(std::string_view(frame).substr(1));
    return 0;
}
