#include "core/codec.h"
#include "core/errors.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;

namespace {
Bytes B(std::initializer_list<int> v) {
    Bytes s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}
} // namespace

TEST(Codec, LongReadsBigEndianTwosComplement) {
    struct Case { Bytes in; int32_t want; } cases[] = {
        {B({0x01, 0, 0, 0}), 16777216},
        {B({0x80, 0, 0, 0}), INT32_MIN},
        {B({0xFF, 0xFF, 0xFF, 0xFF}), -1},
        {B({0x7F, 0xFF, 0xFF, 0xFF}), INT32_MAX},
        {B({0, 0, 0x0A, 0x0A}), 2570},
    };
    for (const auto& c : cases) {
        int32_t pos = 0;
        EXPECT_EQ(GetLongFromNetworkBytes(c.in, pos), c.want);
        EXPECT_EQ(pos, 4);
        EXPECT_EQ(LongToNetworkBytes(c.want), c.in);
    }
    EXPECT_EQ(LongToNetworkBytes(-2), B({0xFF, 0xFF, 0xFF, 0xFE}));
}

TEST(Codec, IntegerReadsAndWrites) {
    int32_t pos = 0;
    EXPECT_EQ(GetIntegerFromNetworkBytes(B({0xFF, 0xFF}), pos), -1);
    pos = 0;
    EXPECT_EQ(GetIntegerFromNetworkBytes(B({0x80, 0x00}), pos), -32768);
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(IntegerToNetworkBytes(-1), B({0xFF, 0xFF}));
    EXPECT_EQ(IntegerToNetworkBytes(300), B({0x01, 0x2C}));
    EXPECT_EQ(IntegerToNetworkBytes(-32768), B({0x80, 0x00}));
    // 32768..65535 give their low 16 bits.
    EXPECT_EQ(IntegerToNetworkBytes(65535), B({0xFF, 0xFF}));
    EXPECT_EQ(IntegerToNetworkBytes(32768), B({0x80, 0x00}));
    EXPECT_THROW(IntegerToNetworkBytes(65536), EncodeError);
    EXPECT_THROW(IntegerToNetworkBytes(-32769), EncodeError);
}

TEST(Codec, ReadersRaiseInsteadOfInventingValues) {
    int32_t pos = 1;
    EXPECT_THROW(GetLongFromNetworkBytes(B({1, 2, 3, 4}), pos), DecodeError);
    EXPECT_EQ(pos, 1) << "a failed read leaves the position";
    pos = 0;
    EXPECT_THROW(GetIntegerFromNetworkBytes(B({1}), pos), DecodeError);
    pos = 0;
    EXPECT_THROW(GetStringFromNetworkBytes(B({0}), pos), DecodeError);
    pos = -1;
    EXPECT_THROW(GetIntegerFromNetworkBytes(B({1, 2, 3}), pos), DecodeError);
    pos = 0;
    EXPECT_THROW(GetStringFromNetworkBytes(B({0xFF, 0xFE, 'a'}), pos), DecodeError) << "negative length";
    pos = 0;
    EXPECT_THROW(TwoBytesToInteger(B({7})), DecodeError);
    pos = 0;
    EXPECT_THROW(GetDateFromNetworkBytes(B({0x07, 0xD8, 0, 2, 0, 0x1D, 0, 0x0D, 0, 5, 0}), pos), DecodeError);
    EXPECT_EQ(pos, 0);
}

TEST(Codec, Strings) {
    EXPECT_EQ(StringToNetworkBytes(""), B({0, 0}));
    int32_t pos = 0;
    EXPECT_EQ(GetStringFromNetworkBytes(B({0, 0}), pos), "");
    EXPECT_EQ(pos, 2);

    // Length 5 with only 3 bytes left: those 3, position 5 past the length field.
    pos = 0;
    EXPECT_EQ(GetStringFromNetworkBytes(B({0, 5, 'a', 'b', 'c'}), pos), "abc");
    EXPECT_EQ(pos, 7);
    // ... and the next read beyond the body raises.
    EXPECT_THROW(GetIntegerFromNetworkBytes(B({0, 5, 'a', 'b', 'c'}), pos), DecodeError);

    // Bytes pass through unchanged, zero and high bytes included.
    Bytes raw = B({0, 0xE9, 0xFF, 0x80});
    pos = 0;
    EXPECT_EQ(GetStringFromNetworkBytes(StringToNetworkBytes(raw), pos), raw);

    EXPECT_EQ(StringToNetworkBytes(Bytes(32767, 'x')).size(), 32769u);
    EXPECT_THROW(StringToNetworkBytes(Bytes(32768, 'x')), EncodeError);
}

TEST(Codec, Dates) {
    Bytes wire = B({0x07, 0xD8, 0x00, 0x02, 0x00, 0x1D, 0x00, 0x0D, 0x00, 0x05, 0x00, 0x09});
    DateTime d = DateTime::FromParts(2008, 2, 29, 13, 5, 9);
    EXPECT_EQ(DateToNetworkBytes(d), wire);
    int32_t pos = 0;
    EXPECT_EQ(GetDateFromNetworkBytes(wire, pos), d);
    EXPECT_EQ(pos, 12);

    // Out-of-range parts carry into the next unit.
    pos = 0;
    EXPECT_EQ(GetDateFromNetworkBytes(B({0x07, 0xD8, 0, 13, 0, 1, 0, 24, 0, 0, 0, 0}), pos),
              DateTime::FromParts(2009, 1, 2));
    // The zero date travels as 1899-12-30 00:00:00.
    EXPECT_EQ(DateToNetworkBytes(DateTime::Zero()), B({0x07, 0x6B, 0, 12, 0, 30, 0, 0, 0, 0, 0, 0}));
    // A year that no date can hold is malformed.
    pos = 0;
    EXPECT_THROW(GetDateFromNetworkBytes(B({0x80, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0}), pos), DecodeError);
}

TEST(Codec, BytesAndTwoByteIntegers) {
    EXPECT_EQ(ByteToNetworkBytes(0), B({0}));
    EXPECT_EQ(ByteToNetworkBytes(255), B({0xFF}));
    EXPECT_THROW(ByteToNetworkBytes(256), EncodeError);
    EXPECT_THROW(ByteToNetworkBytes(-1), EncodeError);
    EXPECT_EQ(IntegerToTwoBytes(-1), B({0xFF, 0xFF}));
    EXPECT_EQ(IntegerToTwoBytes(1440), B({0x05, 0xA0}));
    EXPECT_EQ(TwoBytesToInteger(B({0x05, 0xA0, 0x99})), 1440);
    EXPECT_EQ(TwoBytesToInteger(B({0xFF, 0xFF})), -1);
}
