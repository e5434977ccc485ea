// SPDX-License-Identifier: Apache-2.0
// Vesk::CLanguage: the name lookup, and a descriptor's fields through copy, assignment and
// comparison.
#include <vesk/language.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using Vesk::CLanguage;

// Exact, case-sensitive lookup of the six terminology codes, for the ISO 639-2 code type only.
TEST(Language, LookupAndDescriptor) {
    CLanguage language;
    std::string names;
    for (const char* code : {"deu", "eng", "fra", "ita", "nld", "spa", "ENG", "en", "ger",
                             "English", "", "aaa", "zzz", "engl"}) {
        names += language.FindLanguageName(code, CLanguage::eLanguageCodeISO639_2) + ",";
    }
    for (int type : {0, 1, 2, 3, -1, -2}) {  // only the lowest bit of the type counts
        names += language.FindLanguageName("eng", CLanguage::ELanguageCodeType(type)) + ",";
    }
    EXPECT_EQ(names,
              "German,English,French,Italian,Dutch,Spanish,,,,,,,,,,English,,English,English,,");

    // The default describes English; a descriptor differing in code, code type or name is
    // unequal to it, and its copies and assignments (to itself too) equal it.
    const CLanguage english;
    EXPECT_EQ(english.m_languageCode, 0x00656E67);
    EXPECT_EQ(english.m_codeType, CLanguage::eLanguageCodeISO639_2);
    EXPECT_EQ(english.GetLanguageName(), "English");
    CLanguage changed[3];
    changed[0].m_languageCode = ('n' << 16) | ('l' << 8) | 'd';
    changed[1].m_codeType = CLanguage::ELanguageCodeType(0);
    changed[2].m_languageName = "Englisch";
    for (CLanguage& other : changed) {
        CLanguage copy(other), assigned, &self = other;
        assigned = other;
        other = self;
        EXPECT_TRUE(copy == other && assigned == other && !(other == english));
    }
}

}  // namespace
