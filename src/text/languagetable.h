// SPDX-License-Identifier: Apache-2.0
// The table of languages known to CLanguage::FindLanguageName (internal).
#ifndef VESK_TEXT_LANGUAGETABLE_H
#define VESK_TEXT_LANGUAGETABLE_H

#include <string>

namespace Vesk {

struct sLanguageEntry_t {
    char code[4];  // ISO 639-2 terminology code, zero-terminated
    std::string name;
};

enum { kLanguageTableSize = 6 };

// Sorted by code in ascending byte order, for bsearch. Built at load (see core/startup.cpp).
extern const sLanguageEntry_t g_languageTable[kLanguageTableSize];

}  // namespace Vesk

#endif  // VESK_TEXT_LANGUAGETABLE_H
