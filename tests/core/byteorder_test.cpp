// Byte reversal and host/little-endian conversion. The assertions hold on hosts of either order:
// a converted value, stored in memory, must read as the little-endian encoding of the original.
#include <vesk/byteorder.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Vesk::ConvertByteOrder;

bool HostIsLittleEndian() {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

// The bytes of `value` as it lies in memory.
template <class T>
std::vector<unsigned char> MemoryBytes(T value) {
    std::vector<unsigned char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// The little-endian encoding of the bit pattern `bits`, `size` bytes long.
std::vector<unsigned char> LittleEndianBytes(unsigned long long bits, size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    return bytes;
}

TEST(ByteOrderTest, SwapsReverseEveryByte) {
    EXPECT_EQ(0x3412u, Vesk::ByteSwap_Word(0x1234));
    EXPECT_EQ(0x8000u, Vesk::ByteSwap_Word(0x0080));
    EXPECT_EQ(0xFFFFu, Vesk::ByteSwap_Word(0xFFFF));
    EXPECT_EQ(0x78563412u, Vesk::ByteSwap_DWord(0x12345678u));
    EXPECT_EQ(0x000000FFu, Vesk::ByteSwap_DWord(0xFF000000u));
    EXPECT_EQ(0x0807060504030201ull, Vesk::ByteSwap_QWord(0x0102030405060708ull));
    EXPECT_EQ(0x00000000000000F0ull, Vesk::ByteSwap_QWord(0xF000000000000000ull));
    for (unsigned int bit = 0; bit < 64; ++bit) {
        const unsigned long long value = 1ull << bit;
        const unsigned long long mirrored = 1ull << ((7 - bit / 8) * 8 + bit % 8);
        EXPECT_EQ(mirrored, Vesk::ByteSwap_QWord(value)) << "bit " << bit;
        EXPECT_EQ(value, Vesk::ByteSwap_QWord(Vesk::ByteSwap_QWord(value)));
    }
}

TEST(ByteOrderTest, ConvertedValuesLieInMemoryAsLittleEndian) {
    EXPECT_EQ(LittleEndianBytes(0x1234, 2), MemoryBytes(ConvertByteOrder((unsigned short)0x1234)));
    EXPECT_EQ(LittleEndianBytes(0x8001, 2),
              MemoryBytes(ConvertByteOrder(static_cast<short>(-32767))));
    EXPECT_EQ(LittleEndianBytes(0x12345678u, 4), MemoryBytes(ConvertByteOrder(0x12345678u)));
    EXPECT_EQ(LittleEndianBytes(0xFEDCBA98u, 4),
              MemoryBytes(ConvertByteOrder(static_cast<int>(0xFEDCBA98u))));
    EXPECT_EQ(LittleEndianBytes(0x0102030405060708ull, 8),
              MemoryBytes(ConvertByteOrder(0x0102030405060708ull)));
    EXPECT_EQ(LittleEndianBytes(0x8000000000000001ull, 8),
              MemoryBytes(ConvertByteOrder(static_cast<long long>(0x8000000000000001ull))));
}

// With the host's order known, each overload returns its argument or the swapped pattern read
// back with the argument's signedness.
TEST(ByteOrderTest, ConversionIsIdentityOrSwapByHostOrder) {
    const bool little = HostIsLittleEndian();
    const unsigned short u16 = 0x0080;
    EXPECT_EQ(little ? u16 : 0x8000, ConvertByteOrder(u16));
    const short s16 = 0x0080;
    EXPECT_EQ(little ? s16 : -32768, ConvertByteOrder(s16));
    const unsigned int u32 = 0x00000080u;
    EXPECT_EQ(little ? u32 : 0x80000000u, ConvertByteOrder(u32));
    const int s32 = 0x00000080;
    EXPECT_EQ(little ? s32 : static_cast<int>(0x80000000u), ConvertByteOrder(s32));
    const unsigned long long u64 = 0x80ull;
    EXPECT_EQ(little ? u64 : 0x8000000000000000ull, ConvertByteOrder(u64));
    const long long s64 = 0x80;
    EXPECT_EQ(little ? s64 : static_cast<long long>(0x8000000000000000ull), ConvertByteOrder(s64));
}

TEST(ByteOrderTest, EveryConversionIsItsOwnInverse) {
    const unsigned long long patterns[] = {
        0, 1, 0x80, 0x7FFF, 0x8000, 0x12345678u, 0x80000000u, 0x0123456789ABCDEFull, ~0ull};
    for (unsigned long long bits : patterns) {
        const auto u16 = static_cast<unsigned short>(bits);
        const auto s16 = static_cast<short>(u16);
        const auto u32 = static_cast<unsigned int>(bits);
        const auto s32 = static_cast<int>(u32);
        const auto s64 = static_cast<long long>(bits);
        EXPECT_EQ(u16, ConvertByteOrder(ConvertByteOrder(u16)));
        EXPECT_EQ(s16, ConvertByteOrder(ConvertByteOrder(s16)));
        EXPECT_EQ(u32, ConvertByteOrder(ConvertByteOrder(u32)));
        EXPECT_EQ(s32, ConvertByteOrder(ConvertByteOrder(s32)));
        EXPECT_EQ(bits, ConvertByteOrder(ConvertByteOrder(bits)));
        EXPECT_EQ(s64, ConvertByteOrder(ConvertByteOrder(s64)));
    }
}

TEST(ByteOrderTest, SingleBytesNeverChange) {
    for (int value = 0; value < 256; ++value) {
        const auto u8 = static_cast<unsigned char>(value);
        const auto s8 = static_cast<signed char>(u8);
        EXPECT_EQ(u8, ConvertByteOrder(u8));
        EXPECT_EQ(s8, ConvertByteOrder(s8));
    }
}

}  // namespace
