// SPDX-License-Identifier: Apache-2.0
// Byte reversal, and host/little-endian conversion checked on hosts of either order: a value
// converted by any overload of two bytes or more, stored in memory, must read as the little-endian
// encoding of the original.
#include <vesk/byteorder.h>

#include <gtest/gtest.h>

#include <cstring>

TEST(ByteOrderTest, SwapsReverseEveryByteAndConversionGivesLittleEndian) {
    EXPECT_EQ(0xF8E7D6C5B4A39281ull, Vesk::ByteSwap_QWord(0x8192A3B4C5D6E7F8ull));
    EXPECT_EQ(0xF8E7D6C5u, Vesk::ByteSwap_DWord(0xC5D6E7F8u));
    EXPECT_EQ(0xF8E7, Vesk::ByteSwap_Word(0xE7F8));
    const unsigned long long kBits = 0x8192A3B4C5D6E7F8ull;
    const unsigned char kLittleEndian[] = {0xF8, 0xE7, 0xD6, 0xC5, 0xB4, 0xA3, 0x92, 0x81};
    const auto expect = [&](auto value) {
        const decltype(value) converted = Vesk::ConvertByteOrder(value);
        EXPECT_EQ(std::memcmp(&converted, kLittleEndian, sizeof value), 0) << sizeof value;
    };
    [&](auto... values) { (expect(values), ...); }(
        static_cast<short>(kBits), static_cast<unsigned short>(kBits), static_cast<int>(kBits),
        static_cast<unsigned int>(kBits), static_cast<long long>(kBits), kBits);
}
