// SPDX-License-Identifier: Apache-2.0
// String and path utilities: the DornCommon helpers, CSysUtils paths, numbers and splitting.
#include <vesk/stringhelpers.h>
#include <vesk/sysutils.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%-52s %s\n", what, ok ? "ok" : "FAILED");
    g_failures += ok ? 0 : 1;
}

}  // namespace

int main() {
    using Vesk::CSysUtils;

    // snippet: string-helpers
    std::string text = "  a-b-c \n";
    DornCommon::trimString(text);                              // "a-b-c"
    const int count = DornCommon::replaceAll(text, "-", "+");  // 2: "a+b+c"
    DornCommon::ToUpperInPlace(text);  // "A+B+C" (bytes 0x80-0xFF unchanged)
    // end-snippet
    Check(text == "A+B+C" && count == 2, "trim, replace every occurrence, upper case");

    // snippet: paths
    // Paths are byte strings: nothing touches the file system. '\' and '/' both separate.
    const std::string dir = CSysUtils::ExtractDir("logs\\2024/run.tar.gz");      // "logs\\2024"
    const std::string name = CSysUtils::ExtractFileName("logs/run.tar.gz");      // "run.tar.gz"
    const std::string ext = CSysUtils::ExtractFileExtension("logs/run.tar.gz");  // "gz"
    const std::string full = CSysUtils::MakeFullPath("logs", "run.txt");         // "logs/run.txt"
    const bool absolute = CSysUtils::IsAbsolutePath("C:\\data");                 // true
    // end-snippet
    Check(dir == "logs\\2024" && name == "run.tar.gz" && ext == "gz", "path parts");
    Check(full == "logs/run.txt" && absolute, "joining, absolute test");

    // snippet: numbers
    bool ok = false;
    const long n = CSysUtils::StringToLong("0x1F", 0, &ok);  // 31, ok == true
    bool whole = true;
    CSysUtils::StringToLong("42 ", 10, &whole);  // 42, whole == false (trailing blank)
    const std::string pi = CSysUtils::DoubleToString(3.14159, 2);                  // "3.14"
    const std::vector<std::string> parts = CSysUtils::SplitString("a,b,,c", ",");  // a|b||c
    // end-snippet
    Check(n == 31 && ok && !whole && pi == "3.14", "numbers with a success flag");
    Check(parts.size() == 4 && parts[2].empty(), "splitting keeps empty pieces");

    // snippet: widening-trap
    // Byte-wise widening: no UTF-8 decoding. Use Vesk::UTF8_To_WString for UTF-8 text.
    const std::wstring widened = DornCommon::toUNICODE("é");      // 2 characters: U+00C3 U+00A9
    const std::string narrowed = DornCommon::toASCII(L"\u20AC");  // 1 byte: 0xAC (low 8 bits)
    // end-snippet
    Check(widened.size() == 2 && narrowed == "\xAC", "widening and narrowing are unit by unit");
    return g_failures == 0 ? 0 : 1;
}
