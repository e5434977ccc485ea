// Differential tests against the C library's iconv on valid text: random text of the Basic
// Multilingual Plane and real multilingual text, through UTF-8 <-> 16-bit, UTF-8 <-> 32-bit and
// Latin-1 -> UTF-8. The fixed-width sides use the host's byte order.
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "text/textsupport.h"

namespace {

using VeskTest::Hex;

// Host-order 16- and 32-bit units under the names glibc converts without loadable modules, so the
// comparison also runs where only the C library itself is present (the cross sysroots under qemu).
const char* const kHost16 = "UCS-2";
const char* const kHost32 = "WCHAR_T";

// Converts units (terminator excluded) with iconv; the result gets a terminating zero.
template <class Out, class In>
std::vector<Out> ViaIconv(const char* to, const char* from, const std::vector<In>& units) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
    std::vector<In> input(units.begin(), units.end() - 1);
    std::vector<Out> output(units.size() * 8);
    char* in = reinterpret_cast<char*>(input.data());
    char* out = reinterpret_cast<char*>(output.data());
    size_t inLeft = input.size() * sizeof(In);
    size_t outLeft = output.size() * sizeof(Out);
    EXPECT_NE(iconv(cd, &in, &inLeft, &out, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    output.resize((output.size() * sizeof(Out) - outLeft) / sizeof(Out));
    output.push_back(0);
    return output;
}

template <class In, class Out>
std::vector<Out> ViaVesk(unsigned short (*routine)(const In*, Out*, unsigned short),
                         const std::vector<In>& units) {
    const unsigned short needed = routine(units.data(), nullptr, 0);
    EXPECT_NE(needed, 0);
    std::vector<Out> output(needed);
    EXPECT_EQ(routine(units.data(), output.data(), needed), needed);
    return output;
}

// Compares every conversion of one text given as code points (terminator included).
void CompareAll(const std::vector<unsigned int>& text, bool beyondBMP) {
    std::vector<unsigned char> utf8;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] < 0x10000) {
            VeskTest::AppendUTF8(utf8, text[i]);
        } else {
            utf8.push_back(static_cast<unsigned char>(0xF0 | (text[i] >> 18)));
            for (int shift = 12; shift >= 0; shift -= 6) {
                utf8.push_back(static_cast<unsigned char>(0x80 | ((text[i] >> shift) & 0x3F)));
            }
        }
    }
    utf8.push_back(0);
    EXPECT_EQ(Hex(ViaVesk(UTF32_To_UTF8, text)),
              Hex(ViaIconv<unsigned char>("UTF-8", kHost32, text)));
    EXPECT_EQ(Hex(ViaVesk(UTF8_To_UTF32, utf8)),
              Hex(ViaIconv<unsigned int>(kHost32, "UTF-8", utf8)));
    if (beyondBMP) {
        return;  // 16-bit output holds no surrogate pairs
    }
    const std::vector<unsigned short> units(text.begin(), text.end());
    EXPECT_EQ(Hex(ViaVesk(UTF16_To_UTF8, units)),
              Hex(ViaIconv<unsigned char>("UTF-8", kHost16, units)));
    EXPECT_EQ(Hex(ViaVesk(UTF8_To_UTF16, utf8)),
              Hex(ViaIconv<unsigned short>(kHost16, "UTF-8", utf8)));
}

TEST(IconvDifferential, RandomBasicMultilingualPlane) {
    VeskTest::CRandom random(2024);
    for (int round = 0; round < 8; ++round) {
        std::vector<unsigned int> text;
        while (text.size() < 4000) {
            const unsigned int range = random.Below(4);
            unsigned int c = range == 0   ? 1 + random.Below(0x7F)
                             : range == 1 ? 0x80 + random.Below(0x780)
                                          : 0x800 + random.Below(0xF800);
            if (c >= 0xD800 && c <= 0xDFFF) {
                continue;
            }
            text.push_back(c);
        }
        text.push_back(0);
        CompareAll(text, false);
    }
}

std::vector<unsigned int> CodePoints(const char* utf8) {
    std::vector<unsigned int> points(std::strlen(utf8) + 1);
    const unsigned short count =
        UTF8_To_UTF32(reinterpret_cast<const unsigned char*>(utf8), points.data(),
                      static_cast<unsigned short>(points.size()));
    points.resize(count);
    return points;
}

TEST(IconvDifferential, MultilingualText) {
    const char* texts[] = {
        "Größenwahn und Straßenbahn, élève, naïve, Łódź, Dvořák, Œuvre, Ærøskøbing, Þingvellir",
        "Ελληνικά: Καλημέρα κόσμε. Русский: Съешь же ещё этих мягких французских булок.",
        "日本語のテキスト、中文文本，한국어 텍스트. עברית ועוד, العربية, हिन्दी, ไทย",
        "Tiếng Việt có dấu: Nguyễn Thị Minh Khai — “quoted” ‘text’ … € ¥ £ ₹",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        CompareAll(CodePoints(text), false);
    }
    CompareAll(CodePoints("Emoji \xF0\x9F\x98\x80 and \xF0\x90\x8D\x88, math \xF0\x9D\x90\x80"),
               true);
}

TEST(IconvDifferential, EveryLatin1Byte) {
    std::vector<unsigned char> latin1;
    for (int round = 0; round < 3; ++round) {
        for (unsigned int b = 1; b < 256; ++b) {
            latin1.push_back(static_cast<unsigned char>(b));
        }
    }
    latin1.push_back(0);
    // A Latin-1 byte is the code point of the same value: iconv encodes those code points.
    const std::vector<wchar_t> codePoints(latin1.begin(), latin1.end());
    EXPECT_EQ(Hex(ViaVesk(Latin1_To_UTF8, latin1)),
              Hex(ViaIconv<unsigned char>("UTF-8", kHost32, codePoints)));
    // And back: every Latin-1 character survives UTF-8 -> Latin-1.
    const std::vector<unsigned char> utf8 = ViaVesk(Latin1_To_UTF8, latin1);
    EXPECT_EQ(Hex(ViaVesk(UTF8_To_Latin1, utf8)), Hex(latin1));
}

}  // namespace
