// Vesk::CLanguage: the descriptor and the name lookup.
#include <vesk/language.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using Vesk::CLanguage;

TEST(Language, FindLanguageName) {
    const struct {
        const char* code;
        int type;
        const char* name;
    } cases[] = {
        {"deu", 1, "German"},  {"eng", 1, "English"}, {"fra", 1, "French"},
        {"ita", 1, "Italian"}, {"nld", 1, "Dutch"},   {"spa", 1, "Spanish"},
        {"eng", 3, "English"}, {"eng", 0, ""},        {"eng", 2, ""},
        {"ENG", 1, ""},        {"en", 1, ""},         {"ger", 1, ""},
        {"English", 1, ""},    {"", 1, ""},           {"engl", 1, ""},
        {"aaa", 1, ""},        {"zzz", 1, ""},        {"eng", -1, "English"},
    };
    CLanguage language;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " type " + std::to_string(c.type));
        const auto type = static_cast<CLanguage::ELanguageCodeType>(c.type);
        EXPECT_EQ(language.FindLanguageName(c.code, type), c.name);
        std::string mutableCode = c.code;
        EXPECT_EQ(language.FindLanguageName(&mutableCode[0], type), c.name);
    }
    EXPECT_EQ(language.GetLanguageName(), "English");  // the lookup leaves the descriptor alone
}

TEST(Language, DefaultCopyAssignAndEquality) {
    const CLanguage english;
    EXPECT_EQ(english.m_languageCode, 0x00656E67);
    EXPECT_EQ(english.m_codeType, CLanguage::eLanguageCodeISO639_2);
    EXPECT_EQ(english.GetLanguageName(), "English");
    EXPECT_TRUE(english == CLanguage());

    CLanguage dutch;
    dutch.m_languageCode = ('n' << 16) | ('l' << 8) | 'd';
    dutch.m_languageName = "Dutch";
    EXPECT_FALSE(dutch == english);
    const CLanguage copy(dutch);
    EXPECT_TRUE(copy == dutch);

    CLanguage other;
    other.m_languageName = "Englisch";  // same code and type, different name
    EXPECT_FALSE(other == english);
    other.m_languageName = "English";
    other.m_codeType = static_cast<CLanguage::ELanguageCodeType>(3);
    EXPECT_FALSE(other == english);

    CLanguage& self = dutch;
    dutch = self;
    EXPECT_TRUE(dutch == copy);
    other = dutch;
    EXPECT_TRUE(other == dutch);
    EXPECT_EQ(other.GetLanguageName(), "Dutch");
}

}  // namespace
