// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CLanguage: a language described by a three-letter code, the kind of that code and the
/// language's English name, and the lookup of English names by ISO 639-2 code.
///
/// The lookup table holds six languages (deu German, eng English, fra French, ita Italian, nld
/// Dutch, spa Spanish). It is built when the library is loaded, never changes afterwards and is
/// destroyed at unload, so FindLanguageName may run on any number of threads at once. A
/// descriptor has no lock: using one descriptor on several threads while one of them assigns to
/// it needs the caller's own serialisation.
#ifndef VESK_LANGUAGE_H
#define VESK_LANGUAGE_H

#include <string>

#include <vesk/export.h>

namespace Vesk {

/// A language: its packed three-letter code, the kind of code and its English name.
class VESK_API CLanguage {
  public:
    /// 32 bits wide, and every int is a valid value: callers may pass any code type, of which
    /// FindLanguageName looks only at the lowest bit.
    enum ELanguageCodeType : int {
        /// A three-letter ISO 639-2 code in its terminology form ("deu", not "ger").
        eLanguageCodeISO639_2 = 1
    };

    /// English: code 0x00656E67 ('e' in bits 16-23, 'n' in 8-15, 'g' in 0-7), type
    /// eLanguageCodeISO639_2, name "English".
    CLanguage();
    /// Copies code, code type and name.
    CLanguage(const CLanguage& other);
    virtual ~CLanguage();

    /// True when code, code type and name (same length, same bytes) are all equal.
    bool operator==(const CLanguage& other) const;

    /// Copies code, name and code type; assignment to itself does nothing.
    CLanguage& operator=(const CLanguage& other);

    /// A copy of the English name.
    std::string GetLanguageName() const;

    /// The English name of the zero-terminated lower-case code ("nld" -> "Dutch"), or an empty
    /// string when the code is not one of the six, or when the lowest bit of type is clear.
    /// Matching is exact and case-sensitive: "ENG", "en", "ger" and names are not found. Reads
    /// neither this descriptor nor code beyond its zero; code must not be null.
    std::string FindLanguageName(char* code, ELanguageCodeType type);

    /// The same for a constant code.
    std::string FindLanguageName(const char* code, ELanguageCodeType type) {
        return FindLanguageName(const_cast<char*>(code), type);
    }

    /// Packed three-letter code: first letter in bits 16-23, second in 8-15, third in 0-7.
    int m_languageCode;
    /// The kind of code in m_languageCode.
    ELanguageCodeType m_codeType;
    /// The English name.
    std::string m_languageName;
};

}  // namespace Vesk

#endif  // VESK_LANGUAGE_H
