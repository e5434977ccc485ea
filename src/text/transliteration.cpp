// SPDX-License-Identifier: Apache-2.0
// Transliteration beyond Latin-1, as data: each covered block of code points is a string with
// one byte per code point, in code point order. A byte is the replacement itself, except
//   '@'  the replacement has several characters: see c_longReplacements, by code point;
//   '`'  the character is dropped (zero-width and direction marks);
//   '?'  no replacement is known.
#include "text/transliteration.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace Vesk {
namespace Text {
namespace {

struct sTransliterationBlock_t {
    unsigned int first;
    unsigned int last;
    const char* letters;
    unsigned int count;  // letters in the string
};

// U+0100-U+017F Latin Extended-A.
constexpr char c_latinExtendedA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi@@JjKkk"  // U+0100-U+0138
    "LlLlLlLlLlNnNnNn@NnOoOoOo@@RrRrRrSsSsSsSsTtTtTt"            // U+0139-U+0167
    "UuUuUuUuUuUuWwYyYZzZzZzs";                                  // U+0168-U+017F

// U+0180-U+024F Latin Extended-B: letters with hooks, strokes and tones, the digraphs, the
// Pinyin and Romanian letters.
constexpr char c_latinExtendedB[] =
    "bBBb??OCcDDDd?EE"  // U+0180
    "EFfGG@IIKkl?MNnO"  // U+0190
    "Oo@@PpR????tTtTU"  // U+01A0
    "uUVYyZz?????????"  // U+01B0
    "|?"
    "?!@@@@@@@@@AaI"     // U+01C0 (split so that no trigraph forms)
    "iOoUuUuUuUuUueAa"   // U+01D0
    "Aa@@GgGgKkOoOo??"   // U+01E0
    "j@@@Gg@?NnAa@@Oo"   // U+01F0
    "AaAaEeEeIiIiOoOo"   // U+0200
    "RrRrUuUuSsTt??Hh"   // U+0210
    "Nd@@ZzAaEeOoOoOo"   // U+0220
    "OoYylntj@@ACcLTs"   // U+0230
    "z??BUVEeJjQqRrYy";  // U+0240

// U+1E00-U+1EFF Latin Extended Additional, Vietnamese included: the base letter.
constexpr char c_latinExtendedAdditional[] =
    "AaBbBbBbCcDdDdDdDdDdEeEeEeEeEeFf"   // U+1E00
    "GgHhHhHhHhHhIiIiKkKkKkLlLlLlLlMm"   // U+1E20
    "MmMmNnNnNnNnOoOoOoOoPpPpRrRrRrRr"   // U+1E40
    "SsSsSsSsSsTtTtTtTtUuUuUuUuUuVvVv"   // U+1E60
    "WwWwWwWwWwXxXxYyZzZzZzhtwyasss@d"   // U+1E80
    "AaAaAaAaAaAaAaAaAaAaAaAaEeEeEeEe"   // U+1EA0
    "EeEeEeEeIiIiOoOoOoOoOoOoOoOoOoOo"   // U+1EC0
    "OoOoUuUuUuUuUuUuUuYyYyYyYy@@VvYy";  // U+1EE0

// U+2000-U+206F General Punctuation.
constexpr char c_generalPunctuation[] =
    "           `````"      // U+2000: spaces; zero-width space, joiners, direction marks
    "------@_'','\"\"\"\""  // U+2010: hyphens and dashes, ‖ ‗, quotation marks
    "++*>.@@-\n\n````` "    // U+2020: daggers, bullets, leaders, separators, embeddings
    "@@'\"@'\"\"^<>*@@-_"   // U+2030: per mille, primes, angle quotes, ‼ ‽
    "?^*-/[]@@@&???*;"      // U+2040
    "?*%~_*?\"??:??:: "     // U+2050
    "`````?``````````";     // U+2060: invisible operators and direction isolates

// U+20A0-U+20BF currency signs.
constexpr char c_currencySigns[] =
    "@C@@LmN@@W@d@KT@"   // U+20A0
    "@PGA@C@@@@@M@@@@";  // U+20B0

#define VESK_BLOCK(first, last, letters) \
    { first, last, letters, sizeof letters - 1 }
constexpr sTransliterationBlock_t c_blocks[] = {
    VESK_BLOCK(0x0100, 0x017F, c_latinExtendedA),
    VESK_BLOCK(0x0180, 0x024F, c_latinExtendedB),
    VESK_BLOCK(0x1E00, 0x1EFF, c_latinExtendedAdditional),
    VESK_BLOCK(0x2000, 0x206F, c_generalPunctuation),
    VESK_BLOCK(0x20A0, 0x20BF, c_currencySigns),
};
#undef VESK_BLOCK

constexpr bool OneLetterPerCodePoint() {
    for (const sTransliterationBlock_t& block : c_blocks) {
        if (block.count != block.last - block.first + 1) {
            return false;
        }
    }
    return true;
}
static_assert(OneLetterPerCodePoint(), "every block string has one byte per code point");

struct sLongReplacement_t {
    unsigned int codePoint;
    const char* text;
};

// The replacements of more than one character, sorted by code point.
constexpr sLongReplacement_t c_longReplacements[] = {
    {0x0132, "IJ"},  {0x0133, "ij"},  {0x0149, "'n"},  {0x0152, "OE"},  {0x0153, "oe"},
    {0x0195, "hv"},  {0x01A2, "OI"},  {0x01A3, "oi"},  {0x01C4, "DZ"},  {0x01C5, "Dz"},
    {0x01C6, "dz"},  {0x01C7, "LJ"},  {0x01C8, "Lj"},  {0x01C9, "lj"},  {0x01CA, "NJ"},
    {0x01CB, "Nj"},  {0x01CC, "nj"},  {0x01E2, "AE"},  {0x01E3, "ae"},  {0x01F1, "DZ"},
    {0x01F2, "Dz"},  {0x01F3, "dz"},  {0x01F6, "HV"},  {0x01FC, "AE"},  {0x01FD, "ae"},
    {0x0222, "OU"},  {0x0223, "ou"},  {0x0238, "db"},  {0x0239, "qp"},  {0x1E9E, "SS"},
    {0x1EFA, "LL"},  {0x1EFB, "ll"},  {0x2016, "||"},  {0x2025, ".."},  {0x2026, "..."},
    {0x2030, "%o"},  {0x2031, "%oo"}, {0x2034, "'''"}, {0x203C, "!!"},  {0x203D, "?!"},
    {0x2047, "??"},  {0x2048, "?!"},  {0x2049, "!?"},  {0x20A0, "ECU"}, {0x20A2, "Cr"},
    {0x20A3, "Fr"},  {0x20A7, "Pts"}, {0x20A8, "Rs"},  {0x20AA, "NIS"}, {0x20AC, "EUR"},
    {0x20AF, "Dr"},  {0x20B0, "Pf"},  {0x20B4, "UAH"}, {0x20B6, "lt"},  {0x20B7, "Sm"},
    {0x20B8, "KZT"}, {0x20B9, "INR"}, {0x20BA, "TRY"}, {0x20BC, "AZN"}, {0x20BD, "RUB"},
    {0x20BE, "GEL"}, {0x20BF, "BTC"},
};

constexpr char c_unknown[] = "?";

unsigned int Length(const char* text) {
    unsigned int length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

sTransliteration_t LongReplacement(unsigned int c) {
    const sLongReplacement_t* end = std::end(c_longReplacements);
    const sLongReplacement_t* found = std::lower_bound(
        std::begin(c_longReplacements), end, c,
        [](const sLongReplacement_t& entry, unsigned int key) { return entry.codePoint < key; });
    if (found == end || found->codePoint != c) {
        return sTransliteration_t{c_unknown, 1};
    }
    return sTransliteration_t{found->text, Length(found->text)};
}

}  // namespace

sTransliteration_t TransliterateBeyondLatin1(unsigned int c) {
    for (const sTransliterationBlock_t& block : c_blocks) {
        if (c - block.first >= block.count) {
            continue;
        }
        const char* letter = block.letters + (c - block.first);
        switch (*letter) {
            case '@':
                return LongReplacement(c);
            case '`':
                return sTransliteration_t{letter, 0};
            default:
                return sTransliteration_t{letter, 1};
        }
    }
    return sTransliteration_t{c_unknown, 1};
}

}  // namespace Text
}  // namespace Vesk
