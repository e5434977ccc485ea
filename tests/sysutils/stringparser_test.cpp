// The typed record parser: every type code with its limits and width, strings at their size
// limits, cutting, and the in-place number scan against the C library on generated records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include <vesk/compat.h>
#include <vesk/stringparser.h>

namespace {

template <typename T>
std::uint64_t Read(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Parses `text` as one field into the middle of a guarded area and returns the `width` stored
// bytes as an unsigned number; fails the test if any byte outside them changed.
std::uint64_t ParseOne(const char* text, int type, int size, std::size_t width) {
    unsigned char area[24];
    std::memset(area, 0xA5, sizeof area);
    sDataTypeDescription_t fields[] = {{area + 8, size, type}, {nullptr, 0, DT_END}};
    EXPECT_TRUE(CStringParser::ParseString(text, fields, ';'));
    for (std::size_t i = 0; i < sizeof area; ++i) {
        EXPECT_TRUE((i >= 8 && i < 8 + width) || area[i] == 0xA5) << "byte " << i << " " << text;
    }
    switch (width) {
        case 1:
            return area[8];
        case 2:
            return Read<std::uint16_t>(area + 8);
        case 4:
            return Read<std::uint32_t>(area + 8);
        case 8:
            return Read<std::uint64_t>(area + 8);
        default:
            return 0;
    }
}

TEST(StringParser, EveryTypeCodeWithItsLimitsAndWidth) {
    const struct {
        const char* text;
        int type, size;
        std::size_t width;
        std::uint64_t value;
    } cases[] = {
        {"-5", DT_UINT32, 0, 4, 5},
        {"-5", DT_ULONG, 0, 4, 5},
        {"-5", DT_DWORD, 0, 4, 5},
        {"-5", DT_UINT16, 0, 2, 5},
        {"-5", DT_UINT64, 0, 8, 5},
        {"-5", DT_INT16, 0, 2, 0xFFFB},
        {"-5", DT_INT32, 4, 4, 0xFFFFFFFB},
        {"-5", DT_INT64, 0, 8, ~4ULL},
        {"4294967295", DT_ULONG, 0, 4, 0x7FFFFFFF},   // 32-bit limit on every host
        {"-2147483648", DT_DWORD, 0, 4, 0x80000000},  // abs of the most negative stays
        {"-99999999999", DT_UINT32, 0, 4, 0x80000000},
        {"4294967295", DT_INT32, 10, 4, 0x7FFFFFFF},
        {"4294967295", DT_INT32, 11, 4, 0xFFFFFFFF},  // low 32 bits of the 64-bit value
        {"-9223372036854775808", DT_UINT64, 0, 8, 1ULL << 63},
        {"99999999999999999999", DT_INT64, 0, 8, (1ULL << 63) - 1},
        {"70000", DT_INT16, 0, 2, 70000 - 65536},
        {"-70000", DT_UINT16, 0, 2, 70000 - 65536},
        {" +12ab", DT_INT32, 0, 4, 12},
        {"", DT_INT64, 0, 8, 0},
        {"xyz", DT_CHAR, 0, 1, 'x'},
        {"", DT_CHAR, 0, 1, 0},
        {"TRUE", DT_BOOL, 0, 1, 1},
        {"True", DT_BOOL, 0, 1, 0},
        {"TRUE ", DT_BOOL, 0, 1, 0},
        {"TRUEX", DT_BOOL, 0, 1, 0},
        {"", DT_BOOL, 0, 1, 0},
        {"7", 12, 0, 0, 0},
        {"7", -1, 0, 0, 0},
        {"Hamburg", DT_STRING, 0, 0, 0},
        {"Hamburg", DT_STRING, -1, 0, 0},
        {"Hamburg", DT_STRING, 1, 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseOne(c.text, c.type, c.size, c.width), c.value)
            << c.text << " code " << c.type;
    }
    bool flag = true;
    sDataTypeDescription_t boolField[] = {{&flag, 0, DT_BOOL}, {nullptr, 0, DT_END}};
    CStringParser::ParseString("TRUE", boolField, 'U');  // the field is only "TR"
    EXPECT_FALSE(flag);
    EXPECT_FALSE(stringToBool("true"));
    EXPECT_FALSE(stringToBool(nullptr));
}

TEST(StringParser, StringsKeepSizeMinusOneAndZeroFill) {
    for (int size : {4, 7, 8, 20}) {
        char city[24];
        std::memset(city, 'X', sizeof city);
        sDataTypeDescription_t fields[] = {{city, size, DT_STRING}, {nullptr, 0, DT_END}};
        ASSERT_TRUE(CStringParser::ParseString("Hamburg;x", fields, ';'));
        EXPECT_EQ(std::string(city), std::string("Hamburg").substr(0, size - 1));
        EXPECT_EQ(std::count(city, city + size, '\0'), size - std::min(size - 1, 7));
        EXPECT_EQ(std::count(city + size, city + sizeof city, 'X'), 24 - size);
    }
}

TEST(StringParser, CuttingRecords) {
    std::int32_t v[3];
    sDataTypeDescription_t three[] = {
        {&v[0], 4, DT_INT32}, {&v[1], 4, DT_INT32}, {&v[2], 4, DT_INT32}, {nullptr, 0, DT_END}};
    const struct {
        const char* text;
        char delimiter;
        std::int32_t a, b, c;
    } cases[] = {{"5;;7", ';', 5, 0, 7},   {"5", ';', 5, 0, 0},       {"1;2;3;4", ';', 1, 2, 3},
                 {"1;2;3", '\0', 1, 0, 0}, {"1\t\t2", '\t', 1, 0, 2}, {"152", '5', 1, 2, 0},
                 {"+1+2", '+', 0, 1, 2},   {nullptr, ';', 0, 0, 0}};
    for (const auto& t : cases) {
        v[0] = v[1] = v[2] = 9;
        EXPECT_TRUE(CStringParser::ParseString(t.text, three, t.delimiter));
        EXPECT_EQ(std::vector<std::int32_t>(v, v + 3), (std::vector<std::int32_t>{t.a, t.b, t.c}))
            << (t.text ? t.text : "null");
    }
    EXPECT_FALSE(CStringParser::ParseString("1", nullptr, ';'));
    // A field over 99 characters keeps its first 99 and the next field stays aligned.
    const std::string longField = std::string(98, ' ') + "123" + std::string(50, 'y');
    char kept[128];
    sDataTypeDescription_t fields[] = {{&v[0], 4, DT_INT32},
                                       {kept, sizeof kept, DT_STRING},
                                       {&v[1], 4, DT_INT32},
                                       {nullptr, 0, DT_END}};
    CStringParser::ParseString((longField + ";" + longField + ";42").c_str(), fields, ';');
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(std::string(kept), longField.substr(0, 99));
    EXPECT_EQ(v[1], 42);
}

// Reference cutting: field `index` of `record` (at most 99 characters), converted by strtoll.
long long ReferenceField(std::string record, char delimiter, int index) {
    const auto cut = [delimiter](const std::string& text) {
        return delimiter ? text.find(delimiter) : std::string::npos;
    };
    for (int i = 0; i < index; ++i) {
        record = cut(record) == std::string::npos ? "" : record.substr(cut(record) + 1);
    }
    const std::string field = record.substr(0, std::min<std::size_t>(cut(record), 99));
    return std::strtoll(field.c_str(), nullptr, 10);
}

TEST(StringParser, NumberScanMatchesTheCLibrary) {
    // Tokens from pieces the scanner must tell apart: white space (also past 99 characters),
    // signs, digit runs around the 64-bit limit, bytes a locale might call space, trailing junk.
    const char* const prefixes[] = {"", " ", "\t\n\v\f\r", "\xA0", "\x1C", "x"};
    const char* const signs[] = {"", "", "-", "+", "+-"};
    const char* const suffixes[] = {"", "", "a", " 5", "\xFF", "9"};
    const char delimiters[] = {';', ';', ' ', '-', '5', '\0'};
    std::mt19937 random(20240601);
    for (int i = 0; i < 20000; ++i) {
        std::string token = prefixes[random() % 6] + std::string(random() % 16 ? 0 : 120, ' ');
        token += signs[random() % 5];
        for (unsigned n = random() % 24; n > 0; --n) {
            token += static_cast<char>('0' + random() % 10);
        }
        token += suffixes[random() % 6];
        const char delimiter = delimiters[random() % sizeof delimiters];
        const std::string text = (token + delimiter + "77").c_str();  // a 0 delimiter ends it
        std::int64_t value = 0, next = 0;
        std::int32_t clamped = 0;
        sDataTypeDescription_t fields[] = {
            {&value, 0, DT_INT64}, {&next, 0, DT_INT64}, {nullptr, 0, DT_END}};
        CStringParser::ParseString(text.c_str(), fields, delimiter);
        ASSERT_EQ(value, ReferenceField(text, delimiter, 0)) << '"' << text << '"';
        ASSERT_EQ(next, ReferenceField(text, delimiter, 1)) << '"' << text << '"';
        fields[0] = {&clamped, 4, DT_INT32};
        CStringParser::ParseString(text.c_str(), fields, delimiter);
        ASSERT_EQ(clamped, std::clamp<long long>(value, INT32_MIN, INT32_MAX))
            << '"' << text << '"';
        ASSERT_EQ(_atoi64(token.c_str()), std::strtoll(token.c_str(), nullptr, 10)) << token;
    }
}

}  // namespace
