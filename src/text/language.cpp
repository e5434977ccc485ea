// SPDX-License-Identifier: Apache-2.0
// Vesk::CLanguage and the lookup of language names.
#include <vesk/language.h>

#include <cstdlib>
#include <cstring>

#include "text/languagetable.h"

namespace Vesk {
namespace {

// bsearch comparison: the key is the zero-terminated code, the element a table entry.
int CompareCodeWithEntry(const void* key, const void* element) {
    return std::strcmp(static_cast<const char*>(key),
                       static_cast<const sLanguageEntry_t*>(element)->code);
}

}  // namespace

CLanguage::CLanguage()
    : m_languageCode(('e' << 16) | ('n' << 8) | 'g'),
      m_codeType(eLanguageCodeISO639_2),
      m_languageName("English") {}

CLanguage::CLanguage(const CLanguage& other) = default;

CLanguage::~CLanguage() = default;

bool CLanguage::operator==(const CLanguage& other) const {
    return m_languageCode == other.m_languageCode && m_codeType == other.m_codeType &&
           m_languageName == other.m_languageName;
}

CLanguage& CLanguage::operator=(const CLanguage& other) {
    if (this != &other) {
        m_languageCode = other.m_languageCode;
        m_languageName = other.m_languageName;
        m_codeType = other.m_codeType;
    }
    return *this;
}

std::string CLanguage::GetLanguageName() const {
    return m_languageName;
}

std::string CLanguage::FindLanguageName(char* code, ELanguageCodeType type) {
    std::string name;
    if ((static_cast<unsigned int>(type) & 1u) == 0) {
        return name;
    }
    const void* found = std::bsearch(code, g_languageTable, kLanguageTableSize,
                                     sizeof g_languageTable[0], CompareCodeWithEntry);
    if (found != nullptr) {
        name = static_cast<const sLanguageEntry_t*>(found)->name;
    }
    return name;
}

}  // namespace Vesk
