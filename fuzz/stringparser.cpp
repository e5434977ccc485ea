// SPDX-License-Identifier: Apache-2.0
// Fuzz target: CStringParser::ParseString and stringToBool.
//
// Input: the delimiter byte (any value, 0 included); a flags byte (bit 0: null text, bit 1: null
// field array); a field count (0 to 12); per field a type byte (every DT_* code, unknown codes
// 12 and 13, negative codes) and a size byte (nSize from -2 to 120); then the text, cut at its
// first zero byte. Every destination is an exact-size heap array of the width its code names
// (nSize bytes for DT_STRING with nSize > 0, none at all for the codes that store nothing), and
// the field array itself ends exactly at its DT_END entry.
// Checks every stored value against a model: fields cut at the delimiter (the terminator tested
// first), at most 99 characters kept, numbers as strtoll gives them for the kept token with the
// 32-bit limits where the code is 32 bits or narrower, strings cut and zero-filled.
#include <vesk/stringparser.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "fuzz_support.h"

using namespace VeskFuzz;

namespace {

const size_t kFieldChars = 99;

// The tokens the parser cuts from `text` for `count` fields.
std::vector<std::string> CutFields(const std::string& text, char delimiter, size_t count) {
    std::vector<std::string> tokens;
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        std::string token;
        while (at < text.size() && text[at] != delimiter) {
            if (token.size() < kFieldChars) {
                token += text[at];
            }
            ++at;
        }
        if (at < text.size()) {
            ++at;  // past the delimiter
        }
        tokens.push_back(token);
    }
    return tokens;
}

int32_t ClampTo32(long long value) {
    return value > INT32_MAX   ? INT32_MAX
           : value < INT32_MIN ? INT32_MIN
                               : static_cast<int32_t>(value);
}
uint32_t Abs32(int32_t value) {
    return value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
}

template <class T>
std::vector<uint8_t> BytesOf(T value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// What the destination of one field holds after parsing `token`; its size is the destination's.
std::vector<uint8_t> Expected(int type, int size, const std::string& token) {
    const long long value = std::strtoll(token.c_str(), nullptr, 10);
    const int32_t value32 = ClampTo32(value);
    switch (type) {
        case DT_CHAR:
            return BytesOf<char>(token.empty() ? '\0' : token[0]);
        case DT_BOOL:
            return BytesOf<bool>(token == "TRUE");
        case DT_UINT64:
            return BytesOf<uint64_t>(value < 0 ? 0u - static_cast<uint64_t>(value)
                                               : static_cast<uint64_t>(value));
        case DT_INT64:
            return BytesOf<int64_t>(value);
        case DT_UINT32:
        case DT_ULONG:
        case DT_DWORD:
            return BytesOf<uint32_t>(Abs32(value32));
        case DT_INT32:
            return BytesOf<uint32_t>(size > 10 ? static_cast<uint32_t>(value)
                                               : static_cast<uint32_t>(value32));
        case DT_INT16:
            return BytesOf<uint16_t>(static_cast<uint16_t>(value32));
        case DT_UINT16:
            return BytesOf<uint16_t>(static_cast<uint16_t>(Abs32(value32)));
        case DT_STRING: {
            std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0, 0);
            for (size_t i = 0; i + 1 < bytes.size() && i < token.size(); ++i) {
                bytes[i] = static_cast<uint8_t>(token[i]);
            }
            return bytes;
        }
        default:
            return std::vector<uint8_t>();
    }
}

struct sFieldSpec {
    int type;
    int size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CInputReader reader(data, size);
    const char delimiter = static_cast<char>(reader.Byte());
    const uint8_t flags = reader.Byte();
    const size_t count = reader.Byte() % 13;
    std::vector<sFieldSpec> specs;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t type = reader.Byte();
        const int nType = type < 224 ? type % 14 : static_cast<int>(type) - 256;
        if (nType == DT_END) {
            break;
        }
        specs.push_back({nType, static_cast<int>(reader.Byte() % 123) - 2});
    }
    const std::vector<char> textUnits = ZeroTerminated(UnitsFromBytes<char>(reader.Rest()));
    const std::string text(textUnits.data());
    CExactBuffer<char> source(textUnits);

    std::vector<CExactBuffer<uint8_t>> destinations;
    CExactBuffer<sDataTypeDescription_t> fields(specs.size() + 1);
    std::vector<std::vector<uint8_t>> expected;
    const std::vector<std::string> tokens =
        CutFields((flags & 1) != 0 ? std::string() : text, delimiter, specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        expected.push_back(Expected(specs[i].type, specs[i].size, tokens[i]));
        destinations.emplace_back(expected.back().size());
        std::memset(destinations.back().get(), 0xA5, expected.back().size());
        fields[i] = {destinations.back().get(), specs[i].size, specs[i].type};
    }
    fields[specs.size()] = {nullptr, 0x5A5A, DT_END};

    const bool nullFields = (flags & 2) != 0;
    const bool result = CStringParser::ParseString((flags & 1) != 0 ? nullptr : source.get(),
                                                   nullFields ? nullptr : fields.get(), delimiter);
    FUZZ_CHECK(result == !nullFields);
    for (size_t i = 0; i < specs.size(); ++i) {
        const std::vector<uint8_t> stored = destinations[i].Prefix(expected[i].size());
        FUZZ_CHECK(nullFields || stored == expected[i]);
        FUZZ_CHECK(!nullFields || std::vector<uint8_t>(stored.size(), 0xA5) == stored);
    }
    FUZZ_CHECK(stringToBool(source.get()) == (text == "TRUE"));
    return 0;
}
