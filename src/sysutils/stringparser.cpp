// SPDX-License-Identifier: Apache-2.0
// CStringParser: one delimited record into typed caller variables, in one pass over the text and
// without heap allocation. Numbers are scanned in place where they are plain decimal tokens; any
// other token is cut into a 100-character stack buffer and converted by the integer shims.
#include <vesk/stringparser.h>

#include <cstdint>
#include <cstring>

#include <vesk/compat.h>

#include "sysutils/decimal.h"

namespace {

using Vesk::Decimal::kMaxTokenChars;

// True when `c` ends the current field: the terminator or the delimiter.
inline bool EndsField(char c, char delimiter) {
    return c == '\0' || c == delimiter;
}

// Moves from anywhere inside a field to the start of the next one: just past the delimiter, or
// onto the terminator when the text ends (every later field then reads as empty). The terminator
// is tested first, so a delimiter of 0 never moves past the end.
inline const char* SkipRestOfField(const char* p, char delimiter) {
    while (!EndsField(*p, delimiter)) {
        ++p;
    }
    return *p == '\0' ? p : p + 1;
}

// Copies at most `limit` characters of the field at `p` to `out` (no terminator) and returns the
// number copied.
inline long CopyField(const char* p, char delimiter, char* out, long limit) {
    long count = 0;
    while (count < limit && !EndsField(p[count], delimiter)) {
        out[count] = p[count];
        ++count;
    }
    return count;
}

// The field buffer: a field keeps its first 99 characters and a terminator.
struct sFieldBuffer_t {
    char text[kMaxTokenChars + 1];
};

// Cuts the field at `p` into `buffer`, terminated, and returns the start of the next field.
inline const char* CutField(const char* p, char delimiter, sFieldBuffer_t& buffer) {
    const long count = CopyField(p, delimiter, buffer.text, kMaxTokenChars);
    buffer.text[count] = '\0';
    return SkipRestOfField(p + count, delimiter);
}

// Whether the field at `p` is exactly "TRUE" (the test of `stringToBool`), read in place. A
// delimiter that is one of those letters cuts the field before it could match.
inline bool FieldIsTrue(const char* p, char delimiter) {
    // Compared byte by byte: each test passes only on a letter, so none reads past the terminator.
    return p[0] == 'T' && p[1] == 'R' && p[2] == 'U' && p[3] == 'E' && EndsField(p[4], delimiter) &&
           std::memchr("TRUE", delimiter, 4) == nullptr;
}

// The value `_atoi64` gives for the field at `p`; `*next` receives the start of the next field.
long long NumberField(const char* p, char delimiter, const char** next) {
    long long value = 0;
    const char* end = nullptr;
    // A digit as delimiter is legal but odd: such records take the buffered path.
    const bool digitDelimiter = delimiter >= '0' && delimiter <= '9';
    if (!digitDelimiter && Vesk::Decimal::ScanDecimal(p, delimiter, &value, &end)) {
        *next = SkipRestOfField(end, delimiter);
        return value;
    }
    sFieldBuffer_t buffer;
    *next = CutField(p, delimiter, buffer);
    return _atoi64(buffer.text);
}

// Destinations are written byte-wise, so records in packed or unaligned storage work too.
template <typename T>
inline void Store(void* destination, T value) {
    std::memcpy(destination, &value, sizeof value);
}

// Absolute values in the value's own width: the most negative value stays, read as 2^31 / 2^63.
inline std::uint32_t Abs32(std::int32_t value) {
    const std::uint32_t bits = static_cast<std::uint32_t>(value);
    return value < 0 ? 0u - bits : bits;
}
inline std::uint64_t Abs64(long long value) {
    const std::uint64_t bits = static_cast<std::uint64_t>(value);
    return value < 0 ? 0u - bits : bits;
}

// Stores a numeric field's `_atoi64` value by the entry's type code; 32-bit and smaller codes
// first take the 32-bit limits, as `_atoi` and a 32-bit strtol do.
void StoreNumber(const sDataTypeDescription_t& field, long long value) {
    const std::int32_t value32 = Vesk::Decimal::ClampToInt32(value);
    switch (field.nType) {
        case DT_UINT64:
            Store(field.pData, Abs64(value));
            break;
        case DT_INT64:
            Store(field.pData, static_cast<std::int64_t>(value));
            break;
        case DT_INT32:
            // A size above 10 asks for the low 32 bits of the 64-bit value instead of the limit.
            Store(field.pData, field.nSize > 10 ? static_cast<std::uint32_t>(value)
                                                : static_cast<std::uint32_t>(value32));
            break;
        case DT_INT16:
            Store(field.pData, static_cast<std::uint16_t>(value32));
            break;
        case DT_UINT16:
            Store(field.pData, static_cast<std::uint16_t>(Abs32(value32)));
            break;
        default:  // DT_UINT32, DT_ULONG, DT_DWORD
            Store(field.pData, Abs32(value32));
            break;
    }
}

// Copies the field at `p` into a DT_STRING destination of `size` bytes: at most size - 1 (and at
// most 99) characters, then zero bytes up to the end of the array. Returns the next field.
const char* StringField(const char* p, char delimiter, char* destination, int size) {
    if (size <= 0) {
        return SkipRestOfField(p, delimiter);  // no room even for a terminator: write nothing
    }
    const long room = static_cast<long>(size) - 1;
    const long count =
        CopyField(p, delimiter, destination, room < kMaxTokenChars ? room : kMaxTokenChars);
    std::memset(destination + count, 0, static_cast<std::size_t>(size - count));
    return SkipRestOfField(p + count, delimiter);
}

// Converts the field at `p` into the destination of `field`; returns the start of the next field.
const char* ParseField(const char* p, char delimiter, const sDataTypeDescription_t& field) {
    switch (field.nType) {
        case DT_CHAR:
            Store(field.pData, EndsField(*p, delimiter) ? '\0' : *p);
            return SkipRestOfField(p, delimiter);
        case DT_BOOL:
            Store(field.pData, FieldIsTrue(p, delimiter));
            return SkipRestOfField(p, delimiter);
        case DT_UINT64:
        case DT_INT64:
        case DT_UINT32:
        case DT_INT32:
        case DT_ULONG:
        case DT_DWORD:
        case DT_INT16:
        case DT_UINT16: {
            const char* next = nullptr;
            StoreNumber(field, NumberField(p, delimiter, &next));
            return next;
        }
        case DT_STRING:
            return StringField(p, delimiter, static_cast<char*>(field.pData), field.nSize);
        default:  // an unknown code consumes its field and stores nothing
            return SkipRestOfField(p, delimiter);
    }
}

}  // namespace

CStringParser::CStringParser() {}

CStringParser::~CStringParser() {}

bool CStringParser::ParseString(const char* text, sDataTypeDescription_t* fields, char delimiter) {
    if (fields == nullptr) {
        return false;
    }
    const char* position = text != nullptr ? text : "";
    for (const sDataTypeDescription_t* field = fields; field->nType != DT_END; ++field) {
        position = ParseField(position, delimiter, *field);
    }
    return true;
}

bool stringToBool(const char* text) {
    return text != nullptr && std::strcmp(text, "TRUE") == 0;
}
