// The typed record parser: cutting, every type code with its limits and width, strings at their
// size limits, and the in-place number scan against the C library on generated tokens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <vesk/compat.h>
#include <vesk/stringparser.h>

namespace {

constexpr unsigned char kGuard = 0xA5;

// Parses `text` as one field of `type` into the middle of a guarded area and returns the stored
// bytes as T, failing the test if anything outside sizeof(T) bytes changed.
template <typename T>
T ParseOne(const char* text, int type, int size = 0, char delimiter = ';') {
    unsigned char area[8 + sizeof(T) + 8];
    std::memset(area, kGuard, sizeof area);
    sDataTypeDescription_t fields[] = {{area + 8, size, type}, {nullptr, 0, DT_END}};
    EXPECT_TRUE(CStringParser::ParseString(text, fields, delimiter));
    for (std::size_t i = 0; i < sizeof area; ++i) {
        if (i < 8 || i >= 8 + sizeof(T)) {
            EXPECT_EQ(area[i], kGuard) << "byte " << i << " written for " << text;
        }
    }
    T value;
    std::memcpy(&value, area + 8, sizeof value);
    return value;
}

TEST(StringParser, UnsignedCodesStoreAbsoluteValues) {
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {{"-5", 5},
                 {"5", 5},
                 {"4294967295", 2147483647u},   // 32-bit limit, not wrapped
                 {"-2147483648", 2147483648u},  // abs of the most negative stays 2^31
                 {"-99999999999", 2147483648u},
                 {" +12ab", 12},
                 {"", 0}};
    for (const auto& c : cases) {
        for (int type : {DT_UINT32, DT_ULONG, DT_DWORD}) {
            EXPECT_EQ(ParseOne<std::uint32_t>(c.text, type), c.value) << c.text << " " << type;
        }
    }
    EXPECT_EQ(ParseOne<std::uint64_t>("-5", DT_UINT64), 5u);
    EXPECT_EQ(ParseOne<std::uint64_t>("-9223372036854775808", DT_UINT64), 1ULL << 63);
    EXPECT_EQ(ParseOne<std::uint64_t>("99999999999999999999", DT_UINT64), (1ULL << 63) - 1);
    EXPECT_EQ(ParseOne<std::uint16_t>("-5", DT_UINT16), 5u);
    EXPECT_EQ(ParseOne<std::uint16_t>("-70000", DT_UINT16), 70000u - 65536u);
}

TEST(StringParser, SignedCodes) {
    EXPECT_EQ(ParseOne<std::int64_t>("-5", DT_INT64), -5);
    EXPECT_EQ(ParseOne<std::int64_t>("-99999999999999999999", DT_INT64), INT64_MIN);
    EXPECT_EQ(ParseOne<std::int32_t>("-5", DT_INT32, 4), -5);
    EXPECT_EQ(ParseOne<std::int32_t>("4294967295", DT_INT32, 4), INT32_MAX);
    EXPECT_EQ(ParseOne<std::int32_t>("4294967295", DT_INT32, 10), INT32_MAX);
    EXPECT_EQ(ParseOne<std::int32_t>("4294967295", DT_INT32, 11), -1);  // low 32 bits
    EXPECT_EQ(ParseOne<std::int32_t>("4294967301", DT_INT32, 11), 5);
    EXPECT_EQ(ParseOne<std::int32_t>("-4294967295", DT_INT32, -20), INT32_MIN);
    EXPECT_EQ(ParseOne<std::int16_t>("-5", DT_INT16), -5);
    EXPECT_EQ(ParseOne<std::int16_t>("70000", DT_INT16), 70000 - 65536);
    EXPECT_EQ(ParseOne<std::int16_t>("99999999999", DT_INT16), -1);  // low bits of INT32_MAX
}

TEST(StringParser, CharBoolAndUnknownCodes) {
    EXPECT_EQ(ParseOne<char>("xyz", DT_CHAR), 'x');
    EXPECT_EQ(ParseOne<char>("", DT_CHAR), '\0');
    EXPECT_EQ(ParseOne<char>(";x", DT_CHAR), '\0');
    const struct {
        const char* text;
        bool value;
    } bools[] = {{"TRUE", true}, {"TRUE;x", true}, {"True", false},  {"TRUE ", false},
                 {"", false},    {"1", false},     {"TRUEX", false}, {"TRU", false}};
    for (const auto& c : bools) {
        EXPECT_EQ(ParseOne<bool>(c.text, DT_BOOL), c.value) << c.text;
    }
    EXPECT_FALSE(ParseOne<bool>("TRUE", DT_BOOL, 0, 'U'));  // the delimiter cuts the token
    EXPECT_TRUE(stringToBool("TRUE"));
    EXPECT_FALSE(stringToBool("true"));
    EXPECT_FALSE(stringToBool(nullptr));
    // Unknown codes consume their field and write nothing (ParseOne checks every byte).
    EXPECT_EQ(ParseOne<std::uint32_t>("7", 12), 0xA5A5A5A5u);
    EXPECT_EQ(ParseOne<std::uint32_t>("7", -1), 0xA5A5A5A5u);
}

TEST(StringParser, StringsAtTheirSizeLimits) {
    char city[24];
    const struct {
        int size;
        const char* expected;
    } cases[] = {{4, "Ham"}, {1, ""}, {7, "Hambur"}, {8, "Hamburg"}, {20, "Hamburg"}};
    for (const auto& c : cases) {
        std::memset(city, 'X', sizeof city);
        sDataTypeDescription_t fields[] = {{city, c.size, DT_STRING}, {nullptr, 0, DT_END}};
        ASSERT_TRUE(CStringParser::ParseString("Hamburg;x", fields, ';'));
        EXPECT_STREQ(city, c.expected);
        for (int i = static_cast<int>(std::strlen(c.expected)); i < c.size; ++i) {
            EXPECT_EQ(city[i], '\0') << "size " << c.size << " byte " << i;
        }
        for (int i = c.size; i < static_cast<int>(sizeof city); ++i) {
            ASSERT_EQ(city[i], 'X') << "size " << c.size << " wrote byte " << i;
        }
    }
    for (int size : {0, -1, INT32_MIN}) {
        EXPECT_EQ(ParseOne<std::uint32_t>("Hamburg", DT_STRING, size), 0xA5A5A5A5u);
    }
}

TEST(StringParser, CuttingRecords) {
    std::int32_t a = 9, b = 9, c = 9;
    sDataTypeDescription_t three[] = {
        {&a, 4, DT_INT32}, {&b, 4, DT_INT32}, {&c, 4, DT_INT32}, {nullptr, 0, DT_END}};
    const struct {
        const char* text;
        char delimiter;
        std::int32_t a, b, c;
    } cases[] = {{"5;;7", ';', 5, 0, 7},   {"5", ';', 5, 0, 0},     {"1;2;3;4", ';', 1, 2, 3},
                 {"1;2;3", '\0', 1, 0, 0}, {"1 2 3", ' ', 1, 2, 3}, {"1\t\t2", '\t', 1, 0, 2},
                 {";-1;", ';', 0, -1, 0},  {"152", '5', 1, 2, 0},   {"+1+2", '+', 0, 1, 2},
                 {"", ';', 0, 0, 0}};
    for (const auto& t : cases) {
        a = b = c = 9;
        EXPECT_TRUE(CStringParser::ParseString(t.text, three, t.delimiter));
        EXPECT_EQ(a, t.a) << t.text;
        EXPECT_EQ(b, t.b) << t.text;
        EXPECT_EQ(c, t.c) << t.text;
    }
    a = b = c = 9;
    EXPECT_TRUE(CStringParser::ParseString(nullptr, three, ';'));  // reads as the empty text
    EXPECT_EQ(a + b + c, 0);
    EXPECT_FALSE(CStringParser::ParseString("1", nullptr, ';'));
    sDataTypeDescription_t none[] = {{&a, 4, DT_END}};
    a = 9;
    EXPECT_TRUE(CStringParser::ParseString("1", none, ';'));
    EXPECT_EQ(a, 9);
}

TEST(StringParser, LongFieldKeeps99CharactersAndStaysAligned) {
    const std::string longField = std::string(98, ' ') + "123" + std::string(50, 'y');
    const std::string text = longField + ";42;" + longField + ";TRUE";
    std::int32_t number = 0, next = 0;
    char kept[128];
    bool flag = false;
    sDataTypeDescription_t fields[] = {{&number, 4, DT_INT32},
                                       {&next, 4, DT_INT32},
                                       {kept, sizeof kept, DT_STRING},
                                       {&flag, 0, DT_BOOL},
                                       {nullptr, 0, DT_END}};
    EXPECT_TRUE(CStringParser::ParseString(text.c_str(), fields, ';'));
    EXPECT_EQ(number, 1);  // only "1" of the digits is within the first 99 characters
    EXPECT_EQ(next, 42);
    EXPECT_EQ(std::string(kept), longField.substr(0, 99));
    EXPECT_TRUE(flag);
}

// Reference cutting: the n-th field of `record` (at most 99 characters), converted by strtoll.
long long ReferenceField(const std::string& record, char delimiter, int index) {
    std::string::size_type start = 0;
    for (int i = 0; i < index && start < record.size(); ++i) {
        const std::string::size_type cut = delimiter ? record.find(delimiter, start) : record.npos;
        start = cut == record.npos ? record.size() : cut + 1;
    }
    const std::string::size_type cut = delimiter ? record.find(delimiter, start) : record.npos;
    const std::string::size_type end = std::min(cut, record.size());
    const std::string field = record.substr(start, std::min<std::size_t>(end - start, 99));
    return std::strtoll(field.c_str(), nullptr, 10);
}

// Builds a token from pieces the scanner must tell apart: white space, signs, digit runs of every
// length around the 64-bit limit, bytes a locale might call space, and trailing junk.
std::string RandomToken(std::mt19937& random) {
    static const char* const kPrefixes[] = {"", " ", "\t", "  \n", "\v\f\r", "\xA0", "\x1C", "x"};
    static const char* const kSigns[] = {"", "", "-", "+", "--", "+-"};
    static const char* const kSuffixes[] = {"", "", "a", " 5", "\xFF", ".5", "9"};
    std::string token = kPrefixes[random() % 8];
    if (random() % 20 == 0) {
        token.append(random() % 120, ' ');
    }
    token += kSigns[random() % 6];
    const unsigned digits = random() % 24;
    for (unsigned i = 0; i < digits; ++i) {
        token += static_cast<char>('0' + (i == 0 && random() % 3 == 0 ? 9 : random() % 10));
    }
    token += kSuffixes[random() % 7];
    return token;
}

TEST(StringParser, NumberScanMatchesTheCLibrary) {
    std::mt19937 random(20240601);
    const char delimiters[] = {';', ';', ' ', '-', '5', '\0'};
    for (int i = 0; i < 20000; ++i) {
        const std::string token = RandomToken(random);
        const char delimiter = delimiters[random() % sizeof delimiters];
        const std::string record = token + std::string(1, delimiter) + "77";
        const char* const text = record.c_str();  // a delimiter of 0 ends the text here
        const long long expected = ReferenceField(text, delimiter, 0);
        std::int64_t value = 0, after = 0;
        std::int32_t clamped = 0;
        sDataTypeDescription_t fields[] = {
            {&value, 0, DT_INT64}, {&after, 0, DT_INT64}, {nullptr, 0, DT_END}};
        CStringParser::ParseString(text, fields, delimiter);
        ASSERT_EQ(value, expected) << '"' << record << '"';
        ASSERT_EQ(after, ReferenceField(text, delimiter, 1)) << '"' << record << '"';
        fields[0] = {&clamped, 4, DT_INT32};
        CStringParser::ParseString(text, fields, delimiter);
        const long long limited =
            std::max<long long>(INT32_MIN, std::min<long long>(INT32_MAX, expected));
        ASSERT_EQ(clamped, limited) << '"' << record << '"';
        ASSERT_EQ(_atoi64(token.c_str()), std::strtoll(token.c_str(), nullptr, 10)) << token;
    }
}

}  // namespace
