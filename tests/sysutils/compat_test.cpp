// The integer shims, wide file names, wide tokenising (per-thread continuation) and the time
// forwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <vesk/compat.h>

namespace {

TEST(Compat, IntegerParsersClampToTheirWidth) {
    const struct {
        const char* text;
        int value32;
        long long value64;
    } cases[] = {
        {"  -12abc", -12, -12},
        {"abc", 0, 0},
        {"", 0, 0},
        {"+7", 7, 7},
        {"- 7", 0, 0},
        {"\t\n\v\f\r 9", 9, 9},
        {"99999999999", INT32_MAX, 99999999999LL},
        {"-99999999999", INT32_MIN, -99999999999LL},
        {"2147483647", INT32_MAX, 2147483647LL},
        {"-2147483648", INT32_MIN, -2147483648LL},
        {"9223372036854775807", INT32_MAX, LLONG_MAX},
        {"9223372036854775808", INT32_MAX, LLONG_MAX},
        {"-9223372036854775809", INT32_MIN, LLONG_MIN},
        {"000000000000000000000042", 42, 42},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(_atoi(c.text), c.value32) << c.text;
        EXPECT_EQ(_atoi64(c.text), c.value64) << c.text;
    }
    EXPECT_EQ(_wtoi(L" 7"), 7);
    EXPECT_EQ(_wtoi(L"99999999999"), INT32_MAX);
    EXPECT_EQ(_wtoi(L"-99999999999"), INT32_MIN);
    EXPECT_EQ(_wtoi(L"x1"), 0);
    VeskTrace("ignored %d %s", 1, "x");  // links with C linkage and does nothing
}

TEST(Compat, WideFileNameOpensTheNarrowFile) {
    char path[] = "/tmp/vesk_wfopen_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "a\r\nb", 4), 4);
    close(fd);

    const std::wstring widePath(path, path + std::strlen(path));
    FILE* stream = wfopen(widePath.c_str(), L"rb");
    ASSERT_NE(stream, nullptr);
    char bytes[8] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, stream), 4u);  // binary: "\r\n" stays
    EXPECT_EQ(std::string(bytes), "a\r\nb");
    std::fclose(stream);

    EXPECT_EQ(wfopen(L"/nonexistent-dir/x", L"r"), nullptr);
    EXPECT_EQ(wfopen(L"", L"r"), nullptr);
    std::remove(path);
}

TEST(Compat, WcstokCutsTheCallersText) {
    wchar_t text[] = L"a,b";
    EXPECT_EQ(_wcstok(text, L","), text);
    EXPECT_EQ(text[1], L'\0');
    EXPECT_EQ(text[2], L'b');
    wchar_t onlyDelimiters[] = L",,,";
    EXPECT_EQ(_wcstok(onlyDelimiters, L","), nullptr);
    EXPECT_EQ(_wcstok(nullptr, L","), nullptr);  // nothing left to continue
}

// Tokenises a fresh copy of `source` with `delimiters` and collects every token.
std::vector<std::wstring> Tokens(const std::wstring& source, const wchar_t* delimiters) {
    std::vector<wchar_t> text(source.begin(), source.end());
    text.push_back(L'\0');
    std::vector<std::wstring> tokens;
    for (wchar_t* token = _wcstok(text.data(), delimiters); token != nullptr;
         token = _wcstok(nullptr, delimiters)) {
        tokens.emplace_back(token);
    }
    return tokens;
}

TEST(Compat, WcstokContinuesPerThread) {
    const std::vector<std::wstring> first = {L"one", L"two", L"three"};
    const std::vector<std::wstring> second = {L"x", L"y", L"z", L"w"};
    bool firstOk = true;
    bool secondOk = true;
    // Two threads tokenise different texts at the same time; a shared position would mix them.
    std::thread a([&] {
        for (int i = 0; i < 2000 && firstOk; ++i) {
            firstOk = Tokens(L",one,,two,three,", L",") == first;
        }
    });
    std::thread b([&] {
        for (int i = 0; i < 2000 && secondOk; ++i) {
            secondOk = Tokens(L"x;y; z;;w", L"; ") == second;
        }
    });
    a.join();
    b.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
    EXPECT_TRUE(Tokens(L"", L",").empty());
}

TEST(Compat, TimeForwards) {
    long stored = 0;
    const long before = static_cast<long>(std::time(nullptr));
    const long now = Vesk::time(&stored);
    EXPECT_EQ(now, stored);
    EXPECT_GE(now, before);
    EXPECT_LE(now, before + 5);
    EXPECT_EQ(Vesk::time(nullptr) >= now, true);

    const long day = 86400;
    const tm* broken = Vesk::gmtime(&day);
    ASSERT_NE(broken, nullptr);
    EXPECT_STREQ(Vesk::asctime(broken), "Fri Jan  2 00:00:00 1970\n");

    const long moment = 1000000000;  // 2001-09-09
    tm local = *Vesk::localtime(&moment);
    EXPECT_EQ(Vesk::mktime(&local), moment);
    const time_t hostMoment = moment;
    EXPECT_STREQ(Vesk::ctime(&moment), std::ctime(&hostMoment));
    EXPECT_EQ(Vesk::gmtime(nullptr), nullptr);

    EXPECT_EQ(Vesk::difftime(10, 4), 6.0);
    EXPECT_EQ(Vesk::difftime(4, 10), -6.0);

    char buffer[16];
    EXPECT_EQ(Vesk::strftime(buffer, sizeof buffer, "%Y-%m-%d", Vesk::gmtime(&day)), 10u);
    EXPECT_STREQ(buffer, "1970-01-02");
    EXPECT_EQ(Vesk::strftime(buffer, 5, "%Y-%m-%d", Vesk::gmtime(&day)), 0u);  // does not fit
    EXPECT_GE(Vesk::clock(), 0);
}

}  // namespace
