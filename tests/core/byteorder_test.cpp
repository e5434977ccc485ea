// Byte reversal and host/little-endian conversion. The assertions hold on hosts of either order:
// a converted value, stored in memory, must read as the little-endian encoding of the original,
// with the argument's own type and signedness.
#include <vesk/byteorder.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace {

using Vesk::ConvertByteOrder;

// Converts the low bytes of `bits` as a T and compares the bytes in memory with their
// little-endian encoding; converting twice gives the value back.
template <class T>
void ExpectLittleEndian(unsigned long long bits) {
    const T value = static_cast<T>(bits);
    const T converted = ConvertByteOrder(value);
    static_assert(std::is_same<decltype(ConvertByteOrder(value)), T>::value, "same type back");
    std::vector<unsigned char> expected(sizeof(T)), actual(sizeof(T));
    for (size_t i = 0; i < sizeof(T); ++i) {
        expected[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    std::memcpy(actual.data(), &converted, sizeof(T));
    EXPECT_EQ(expected, actual) << std::hex << bits << " in " << sizeof(T) << " bytes";
    EXPECT_EQ(value, ConvertByteOrder(converted)) << std::hex << bits;
}

TEST(ByteOrderTest, ConvertedValuesLieInMemoryAsLittleEndian) {
    const unsigned long long patterns[] = {0,
                                           1,
                                           0x80,
                                           0x7FFF,
                                           0x8000,
                                           0x12345678u,
                                           0xFEDCBA98u,
                                           0x80000000u,
                                           0x0102030405060708ull,
                                           0x8000000000000001ull,
                                           ~0ull};
    for (unsigned long long bits : patterns) {
        ExpectLittleEndian<unsigned short>(bits);
        ExpectLittleEndian<short>(bits);
        ExpectLittleEndian<unsigned int>(bits);
        ExpectLittleEndian<int>(bits);
        ExpectLittleEndian<unsigned long long>(bits);
        ExpectLittleEndian<long long>(bits);
    }
    for (unsigned long long byte = 0; byte < 256; ++byte) {
        ExpectLittleEndian<unsigned char>(byte);
        ExpectLittleEndian<signed char>(byte);
    }
}

// Each bit lands in the mirrored byte at the same position within it.
TEST(ByteOrderTest, SwapsReverseEveryByte) {
    for (unsigned int bit = 0; bit < 64; ++bit) {
        const unsigned long long value = 1ull << bit;
        const auto mirrored = [bit](unsigned int bytes) {
            return 1ull << ((bytes - 1 - bit / 8) * 8 + bit % 8);
        };
        EXPECT_EQ(mirrored(8), Vesk::ByteSwap_QWord(value)) << "bit " << bit;
        if (bit < 32) {
            EXPECT_EQ(mirrored(4), Vesk::ByteSwap_DWord(static_cast<std::uint32_t>(value)));
        }
        if (bit < 16) {
            EXPECT_EQ(mirrored(2), Vesk::ByteSwap_Word(static_cast<std::uint16_t>(value)));
        }
    }
    EXPECT_EQ(0x0807060504030201ull, Vesk::ByteSwap_QWord(0x0102030405060708ull));
}

}  // namespace
