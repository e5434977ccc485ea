// The integer shims, wide file names, wide tokenising continued per thread, the time forwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include <vesk/compat.h>

namespace {

TEST(Compat, IntegerParsersClampToTheirWidth) {
    const struct {
        const char* text;
        int value32;
        long long value64;
    } cases[] = {{"  -12abc", -12, -12},
                 {"abc", 0, 0},
                 {"- 7", 0, 0},
                 {"99999999999", INT32_MAX, 99999999999LL},
                 {"-99999999999", INT32_MIN, -99999999999LL},
                 {"9223372036854775808", INT32_MAX, LLONG_MAX},
                 {"000000000000000000000042", 42, 42}};
    for (const auto& c : cases) {
        EXPECT_EQ(_atoi(c.text), c.value32) << c.text;
        EXPECT_EQ(_atoi64(c.text), c.value64) << c.text;
    }
    EXPECT_EQ(_wtoi(L" 7"), 7);
    EXPECT_EQ(_wtoi(L"-99999999999"), INT32_MIN);
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
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, stream), 4u);
    std::fclose(stream);
    EXPECT_EQ(wfopen(L"", L"r"), nullptr);
    std::remove(path);
}

// Tokenises a copy of `source`, continuing with a null text, and collects the tokens.
std::vector<std::wstring> Tokens(std::wstring source, const wchar_t* delimiters) {
    std::vector<std::wstring> tokens;
    for (wchar_t* token = _wcstok(&source[0], delimiters); token != nullptr;
         token = _wcstok(nullptr, delimiters)) {
        tokens.emplace_back(token);
    }
    return tokens;
}

TEST(Compat, WcstokCutsTextAndContinuesPerThread) {
    wchar_t text[] = L"a,b";
    EXPECT_EQ(_wcstok(text, L","), text);
    EXPECT_EQ(text[1], L'\0');
    EXPECT_EQ(_wcstok(nullptr, L","), text + 2);
    EXPECT_EQ(_wcstok(nullptr, L","), nullptr);
    EXPECT_EQ(_wcstok(nullptr, L","), nullptr);  // nothing left to continue
    // Two threads tokenise at the same time; a position shared between them would mix the texts.
    bool firstOk = true, secondOk = true;
    std::thread a([&] {
        for (int i = 0; i < 2000 && firstOk; ++i) {
            firstOk = Tokens(L",one,,two,", L",") == std::vector<std::wstring>{L"one", L"two"};
        }
    });
    std::thread b([&] {
        for (int i = 0; i < 2000 && secondOk; ++i) {
            secondOk = Tokens(L"x; y;z", L"; ") == std::vector<std::wstring>{L"x", L"y", L"z"};
        }
    });
    a.join();
    b.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
}

TEST(Compat, TimeForwards) {
    long stored = 0;
    const long before = static_cast<long>(std::time(nullptr));
    EXPECT_EQ(Vesk::time(&stored), stored);
    EXPECT_GE(stored, before);
    EXPECT_LE(stored, before + 5);
    const long day = 86400, moment = 1000000000;
    EXPECT_STREQ(Vesk::asctime(Vesk::gmtime(&day)), "Fri Jan  2 00:00:00 1970\n");
    tm local = *Vesk::localtime(&moment);
    EXPECT_EQ(Vesk::mktime(&local), moment);
    const time_t hostMoment = moment;
    EXPECT_STREQ(Vesk::ctime(&moment), std::ctime(&hostMoment));
    EXPECT_EQ(Vesk::difftime(4, 10), -6.0);
    char buffer[16];
    EXPECT_EQ(Vesk::strftime(buffer, sizeof buffer, "%Y-%m-%d", Vesk::gmtime(&day)), 10u);
    EXPECT_STREQ(buffer, "1970-01-02");
    EXPECT_EQ(Vesk::strftime(buffer, 5, "%Y-%m-%d", Vesk::gmtime(&day)), 0u);
}

}  // namespace
