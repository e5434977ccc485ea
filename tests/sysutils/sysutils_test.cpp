// SPDX-License-Identifier: Apache-2.0
// CSysUtils paths, files, text and numbers, the C-runtime style shims and the typed record
// parser, as case tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <thread>
#include <tuple>

#include <vesk/compat.h>
#include <vesk/stringparser.h>
#include <vesk/sysutils.h>

using Vesk::CSysUtils;
using namespace std::string_literals;

namespace {

TEST(SysUtils, PathsFilesAndShims) {
    // Each path with its directory, file name, extension and "abs" or "rel", joined by '|'.
    const std::pair<const char*, const char*> paths[] = {
        {"a\\b\\c.txt", "a\\b|c.txt|txt|rel"}, {"/c.txt", "|c.txt|txt|abs"}, {"a/b/", "a/b|||rel"},
        {"a/b.tar.gz", "a|b.tar.gz|gz|rel"},   {"C:/x", "C:|x||abs"},        {"C:x", "|C:x||rel"},
        {".profile", "|.profile|profile|rel"}, {"C:\\x", "C:|x||abs"},       {"", "|||rel"},
        {"x.y\\file", "x.y|file||rel"}};
    for (const auto& [path, parts] : paths) {
        EXPECT_EQ(CSysUtils::ExtractDir(path) + "|" + CSysUtils::ExtractFileName(path) + "|" +
                      CSysUtils::ExtractFileExtension(path) + "|" +
                      (CSysUtils::IsAbsolutePath(path) ? "abs" : "rel"),
                  parts);
    }
    EXPECT_EQ(CSysUtils::MakeFullPath("a/", "b"), "a/b");
    EXPECT_EQ(CSysUtils::MakeFullPath("a\\", "/b"), "a\\//b");  // only '/' counts; name as it is
    // A file in the working directory, created through a wide name whose last character narrows
    // to 'f'; an empty directory adds nothing to the name.
    FILE* stream = wfopen(L"vesk_sysutils_\x0166", L"w");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    const std::string file = CSysUtils::MakeFullPath("", "vesk_sysutils_f");
    EXPECT_TRUE(CSysUtils::FileExists(file) && !CSysUtils::DirectoryExists(file));
    EXPECT_TRUE(CSysUtils::RemoveFile(file) && CSysUtils::DirectoryExists("."));
    EXPECT_FALSE(CSysUtils::FileExists(file) || CSysUtils::RemoveFile(file));
    // Tokenising goes on per thread; the integer and time shims.
    wchar_t text[] = L"a,b";
    EXPECT_EQ(_wcstok(text, L","), text);
    std::thread([] { EXPECT_EQ(_wcstok(nullptr, L","), nullptr); }).join();  // nothing to go on
    EXPECT_EQ(_wcstok(nullptr, L","), text + 2);
    EXPECT_EQ(std::make_pair(_wtoi(L" 7"), _wtoi(L"-99999999999")), std::make_pair(7, INT32_MIN));
    EXPECT_NEAR(Vesk::time(nullptr), static_cast<double>(std::time(nullptr)), 5);
    const long day = 86400, moment = 1000000000;
    EXPECT_STREQ(Vesk::asctime(Vesk::gmtime(&day)), "Fri Jan  2 00:00:00 1970\n");
    EXPECT_EQ(Vesk::mktime(Vesk::localtime(&moment)), moment);
}

TEST(SysUtils, TextNumbersCaseAndSplit) {
    EXPECT_EQ(CSysUtils::UTF8ToUnicode("A\xC3\xA9\xFF"), (std::wstring{L'A', 0xC3, 0xA9, 0xFF}));
    EXPECT_EQ(CSysUtils::UnicodeToUTF8({0xE9, 0x20AC, 0x141}), "\xE9\xAC\x41");
    EXPECT_EQ(CSysUtils::UnicodeToTString(CSysUtils::TStringToUnicode("a\0b"s)), "a\0b"s);
    EXPECT_EQ(CSysUtils::Int64ToString(INT64_MIN), "-9223372036854775808");
    // Six decimals and 16 characters outside precision 0 to 9, else precision + 16 characters.
    const std::tuple<double, int, const char*> doubles[] = {
        {1e16, 0, "1000000000000000"},          {3.14159, 2, "3.14"},
        {123456789.5, -1, "123456789.500000"},  {3.14159, 10, "3.141590"},
        {1234567890.5, -1, "1234567890.50000"}, {1e15, 9, "1000000000000000.00000000"}};
    for (const auto& [value, precision, text] : doubles) {
        EXPECT_EQ(CSysUtils::DoubleToString(value, precision), text) << precision;
    }
    const std::tuple<std::string, int, long, bool> longs[] = {
        {" 42", 10, 42, true},
        {"42 ", 10, 42, false},
        {"x", 10, 0, false},
        {"", 10, 0, true},
        {"7\0"s, 10, 7, false},
        {"017", 0, 15, true},
        {"0xFFFFFFFF", 0, 2147483647, true},  // 32-bit limits on every host
        {"-99999999999", 10, -2147483647 - 1, true}};
    for (const auto& [text, base, value, expected] : longs) {
        bool success = !expected;
        EXPECT_EQ(CSysUtils::StringToLong(text, base, &success), value) << text;
        EXPECT_EQ(success, expected) << text;
    }
    bool whole = false, partial = true;
    EXPECT_TRUE(CSysUtils::StringToDouble("2.5e3", &whole) == 2500.0 && whole);
    EXPECT_TRUE(CSysUtils::StringToDouble("2,5", &partial) == 2.0 && !partial);
    std::string letters = "@AMZ[`amz{\xC0\xE0";  // the neighbours of both ranges, Latin-1 letters
    CSysUtils::ToLower(letters);
    EXPECT_EQ(letters, "@amz[`amz{\xC0\xE0");
    CSysUtils::ToUpper(letters);
    EXPECT_EQ(letters, "@AMZ[`AMZ{\xC0\xE0");
    // The pieces, each followed by '|'.
    const std::tuple<const char*, const char*, const char*> splits[] = {
        {"a,b,,c", ",", "a|b||c|"}, {",a,", ",", "|a||"},  {"abc", ",", "abc|"},
        {"a::b", "::", "a|b|"},     {",", ",", "||"},      {"", ",", ""},
        {"aaaa", "aa", "|||"},      {"a:b", "::", "a:b|"}, {"abc", "", "abc|"}};
    for (const auto& [text, delimiter, pieces] : splits) {
        std::string joined;
        for (const std::string& piece : CSysUtils::SplitString(text, delimiter)) {
            joined += piece + "|";
        }
        EXPECT_EQ(joined, pieces) << text << delimiter;
    }
}

// Native bytes of 16-, 32- and 64-bit values.
const auto W16 = [](std::int16_t v) { return std::string(reinterpret_cast<char*>(&v), 2); };
const auto W32 = [](std::int32_t v) { return std::string(reinterpret_cast<char*>(&v), 4); };
const auto W64 = [](std::int64_t v) { return std::string(reinterpret_cast<char*>(&v), 8); };
// A field's type code, size and the bytes it must store (as many as the field is wide).
using Field = std::tuple<int, int, std::string>;

// Parses `record` into fields laid out one after another, a '#' before each, and compares the
// whole area: a wrong, missing or stray byte shows.
void ExpectRecord(const char* record, char delimiter, const std::vector<Field>& expected) {
    std::string area(256, '#'), wanted;
    std::vector<sDataTypeDescription_t> fields;
    for (const auto& [type, size, bytes] : expected) {
        fields.push_back({&area[wanted.size() + 1], size, type});
        wanted += "#" + bytes;
    }
    fields.push_back({nullptr, 0, DT_END});
    EXPECT_TRUE(CStringParser::ParseString(record, fields.data(), delimiter));
    EXPECT_EQ(area, wanted + std::string(256 - wanted.size(), '#')) << (record ? record : "null");
}

TEST(StringParser, EveryTypeCodeWithItsLimitsWidthAndSize) {
    // The 32-bit limit comes before abs; DT_INT32 of size 11 keeps the low 32 bits instead.
    ExpectRecord(
        "-5;-5;-5;-5;-5;-5;-5;-5;4294967295;-99999999999;4294967295;4294967295;70000;-70000", ';',
        {Field(DT_UINT64, 0, W64(5)), Field(DT_INT64, 0, W64(-5)), Field(DT_UINT32, 0, W32(5)),
         Field(DT_INT32, 4, W32(-5)), Field(DT_ULONG, 0, W32(5)), Field(DT_DWORD, 0, W32(5)),
         Field(DT_INT16, 0, W16(-5)), Field(DT_UINT16, 0, W16(5)),
         Field(DT_ULONG, 0, W32(INT32_MAX)), Field(DT_DWORD, 0, W32(INT32_MIN)),
         Field(DT_INT32, 10, W32(INT32_MAX)), Field(DT_INT32, 11, W32(-1)),
         Field(DT_INT16, 0, W16(4464)), Field(DT_UINT16, 0, W16(4464))});
    ExpectRecord("TRUE", 'U', {Field(DT_BOOL, 0, "\0"s), Field(DT_CHAR, 0, "E")});  // "TR", "E"
    ExpectRecord(nullptr, ';', {Field(DT_INT64, 0, W64(0)), Field(DT_CHAR, 0, "\0"s)});
    // A string keeps at most size - 1 and at most 99 characters; the next field stays aligned.
    const std::string longField(120, 'x'), record = "xyz;;TRUE;True;TRUE ;7;" + longField + ";7;";
    ExpectRecord((record + "Hamburg;Hamburg;Hamburg;Hamburg;Hamburg").c_str(), ';',
                 {Field(DT_CHAR, 0, "x"), Field(DT_CHAR, 0, "\0"s), Field(DT_BOOL, 0, "\1"),
                  Field(DT_BOOL, 0, "\0"s), Field(DT_BOOL, 0, "\0"s), Field(12, 0, ""),
                  Field(DT_STRING, 101, longField.substr(0, 99) + "\0\0"s), Field(DT_CHAR, 0, "7"),
                  Field(DT_STRING, -1, ""), Field(DT_STRING, 1, "\0"s),
                  Field(DT_STRING, 4, "Ham\0"s), Field(DT_STRING, 8, "Hamburg\0"s),
                  Field(DT_STRING, 10, "Hamburg\0\0\0"s), Field(DT_CHAR, 0, "\0"s)});
    EXPECT_FALSE(CStringParser::ParseString("1", nullptr, ';'));
    EXPECT_TRUE(stringToBool("TRUE") && !stringToBool("true") && !stringToBool(nullptr));
}

// Tokens from pieces the number scan must tell apart (white space, also across the 99-character
// cut, signs, digit runs past the 64-bit limit, bytes a locale might call space, junk), ended by
// blanks, signs, digits or nothing as delimiters.
TEST(StringParser, NumberFieldsAndIntegerShimsMatchTheCLibrary) {
    const char* const pieces[] = {" ", "\t\n\v\f\r", "\xA0", "\x1C", "x",          "a",
                                  "-", "+",          "7",    "\xFF", "9999999999", "0000000000"};
    std::mt19937 random(20240601);
    for (int i = 0; i < 20000 && !HasFailure(); ++i) {
        std::string token(random() % 8 ? 0 : 90 + random() % 20, ' ');
        for (unsigned n = random() % 6; n > 0; --n) {
            token += pieces[random() % 12];
        }
        const char delimiter = ";-+ 5"[random() % 6];                // the sixth is the terminator
        const std::string text = (token + delimiter + "7").c_str();  // a 0 delimiter ends it
        const std::string field = text.substr(0, std::min<std::size_t>(text.find(delimiter), 99));
        ExpectRecord(text.c_str(), delimiter,
                     {Field(DT_INT64, 0, W64(std::strtoll(field.c_str(), nullptr, 10)))});
        EXPECT_EQ(_atoi64(token.c_str()), std::strtoll(token.c_str(), nullptr, 10)) << token;
        EXPECT_EQ(_atoi(token.c_str()),
                  std::clamp<long long>(_atoi64(token.c_str()), INT32_MIN, INT32_MAX));
    }
}

}  // namespace
