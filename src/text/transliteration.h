// SPDX-License-Identifier: Apache-2.0
// ASCII transliteration of characters beyond Latin-1 (internal).
#ifndef VESK_TEXT_TRANSLITERATION_H
#define VESK_TEXT_TRANSLITERATION_H

namespace Vesk {
namespace Text {

// A replacement text and its length; length 0 drops the character.
struct sTransliteration_t {
    const char* text;
    unsigned int length;
};

// The replacement of a character above 0xFF: its base letter for Latin Extended-A and -B and
// Latin Extended Additional ("Ł" -> "L", "ǆ" -> "dz", "ệ" -> "e"), the nearest ASCII for General
// Punctuation (dashes -> "-", curly quotes -> ' and ", "…" -> "...", zero-width and direction
// marks dropped) and a code for the currency signs ("€" -> "EUR"); "?" for anything else.
sTransliteration_t TransliterateBeyondLatin1(unsigned int c);

}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_TRANSLITERATION_H
