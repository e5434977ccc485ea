// SPDX-License-Identifier: Apache-2.0
// Sample texts: sentences of pseudo-random words drawn from a fixed generator.
#include "corpus.h"

namespace vesk_bench {
namespace {

// A small fixed generator (xorshift32): the same seed gives the same text everywhere.
class CRandom {
  public:
    explicit CRandom(std::uint32_t seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {}
    std::uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    std::uint32_t Below(std::uint32_t limit) { return Next() % limit; }
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }

  private:
    std::uint32_t m_state;
};

const char* const c_words[] = {
    "the",    "of",      "and",     "to",     "in",     "is",      "that",    "for",
    "it",     "as",      "was",     "with",   "be",     "by",      "on",      "not",
    "he",     "this",    "are",     "or",     "his",    "from",    "at",      "which",
    "but",    "have",    "an",      "had",    "they",   "you",     "were",    "their",
    "one",    "all",     "we",      "can",    "her",    "has",     "there",   "been",
    "if",     "more",    "when",    "will",   "would",  "who",     "so",      "no",
    "market", "station", "weather", "report", "number", "village", "morning", "library",
    "window", "letter",  "history", "summer", "garden", "council", "railway", "between",
};

// Latin-1 letters as European text uses them.
const unsigned int c_latin1Letters[] = {
    0xE0, 0xE1, 0xE2, 0xE4, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xED, 0xEE, 0xEF,
    0xF1, 0xF3, 0xF4, 0xF6, 0xFA, 0xFC, 0xDF, 0xC4, 0xD6, 0xDC, 0xC9, 0xE5,
};

template <typename T, std::size_t N>
constexpr std::uint32_t CountOf(const T (&)[N]) {
    return static_cast<std::uint32_t>(N);
}

void AppendUtf8(std::string& out, unsigned int value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

// One word, with about one letter in eight (one character in ten, spaces included) replaced by
// a Latin-1 letter when `european` is set.
std::string MakeWord(CRandom& random, bool european) {
    std::string word;
    for (const char* letter = c_words[random.Below(CountOf(c_words))]; *letter != 0; ++letter) {
        if (european && random.Chance(12)) {
            AppendUtf8(word, c_latin1Letters[random.Below(CountOf(c_latin1Letters))]);
        } else {
            word += *letter;
        }
    }
    return word;
}

// The same words in Cyrillic letters: each Latin letter stands for one of U+0430-U+044F.
std::string MakeCyrillicWord(CRandom& random) {
    std::string word;
    for (const char* letter = c_words[random.Below(CountOf(c_words))]; *letter != 0; ++letter) {
        AppendUtf8(word, 0x430 + static_cast<unsigned int>(*letter - 'a'));
    }
    return word;
}

// One CJK "word": two to five ideographs, sometimes followed by full-width punctuation, rarely
// by ASCII digits.
std::string MakeCjkWord(CRandom& random) {
    std::string word;
    const std::uint32_t length = 2 + random.Below(4);
    for (std::uint32_t i = 0; i < length; ++i) {
        AppendUtf8(word, 0x4E00 + random.Below(0x9FA5 - 0x4E00));
    }
    if (random.Chance(15)) {
        AppendUtf8(word, random.Chance(50) ? 0xFF0C : 0x3002);
    } else if (random.Chance(5)) {
        word += static_cast<char>('0' + random.Below(10));
        word += static_cast<char>('0' + random.Below(10));
    }
    return word;
}

// The separator after a word: mostly a space, sometimes a comma or a full stop and a line break.
std::string MakeSeparator(CRandom& random, ETextKind kind) {
    if (kind == ETextKind::eCjk) {
        return random.Chance(5) ? "\n" : "";
    }
    if (random.Chance(6)) {
        return random.Chance(30) ? ".\n" : ". ";
    }
    return random.Chance(5) ? ", " : " ";
}

std::string MakeUtf8(ETextKind kind, std::size_t utf8Bytes, std::uint32_t seed) {
    CRandom random(seed + static_cast<std::uint32_t>(kind) * 7919u);
    std::string text;
    for (;;) {
        std::string token = kind == ETextKind::eCjk ? MakeCjkWord(random)
                            : kind == ETextKind::eCyrillic
                                ? MakeCyrillicWord(random)
                                : MakeWord(random, kind == ETextKind::eEuropean);
        token += MakeSeparator(random, kind);
        if (text.size() + token.size() > utf8Bytes) {
            return text;
        }
        text += token;
    }
}

// Decodes the well-formed UTF-8 this file writes (one to three bytes per character).
std::vector<unsigned int> DecodeUtf8(const std::string& text) {
    std::vector<unsigned int> values;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned int lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        unsigned int value = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (std::size_t k = 1; k < length; ++k) {
            value = (value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        values.push_back(value);
        i += length;
    }
    return values;
}

}  // namespace

const char* TextKindName(ETextKind kind) {
    switch (kind) {
        case ETextKind::eAscii:
            return "ascii";
        case ETextKind::eEuropean:
            return "european";
        case ETextKind::eCjk:
            return "cjk";
        case ETextKind::eCyrillic:
            return "cyrillic";
    }
    return "?";
}

sSampleText_t MakeSampleText(ETextKind kind, std::size_t utf8Bytes, std::uint32_t seed) {
    const std::string text = MakeUtf8(kind, utf8Bytes, seed);
    const std::vector<unsigned int> values = DecodeUtf8(text);
    sSampleText_t sample;
    sample.characters = values.size();
    sample.utf8.assign(text.begin(), text.end());
    sample.utf8.push_back(0);
    bool fitsLatin1 = true;
    for (unsigned int value : values) {
        sample.utf16.push_back(static_cast<unsigned short>(value));
        sample.utf32.push_back(value);
        fitsLatin1 = fitsLatin1 && value <= 0xFF;
    }
    sample.utf16.push_back(0);
    sample.utf32.push_back(0);
    if (fitsLatin1) {
        sample.latin1.assign(values.begin(), values.end());
        sample.latin1.push_back(0);
    }
    return sample;
}

std::vector<sSampleText_t> MakeSampleSet(ETextKind kind, std::size_t utf8Bytes, int count) {
    std::vector<sSampleText_t> set;
    for (int i = 0; i < count; ++i) {
        set.push_back(MakeSampleText(kind, utf8Bytes, static_cast<std::uint32_t>(i + 1)));
    }
    return set;
}

}  // namespace vesk_bench
