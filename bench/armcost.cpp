// SPDX-License-Identifier: Apache-2.0
// The conversion routines, and ICU's UTF-8 converters as the rival, each run once per pass on
// 4 KiB sample texts, every call inside its own window of markers for arm-cost (the tool that
// counts the instructions a marked window executes under qemu-arm; see bench/arm-cost-table).
//
//   vesk_arm_cost [ICU_COMMON_LIBRARY]
//
// Prints one line per window, in window order: text kind, routine, pass (size or fill), and the
// UTF-8 bytes of the text (the one denominator for every routine on that text). ICU is loaded
// with dlopen from the given path (libicuuc.so.72), so the program links nothing but vesk; without
// the argument its rows are left out. Every routine runs once before the windows, so that no
// window includes the resolution of a symbol. Exits 1 when a result is not the expected count.
#include <dlfcn.h>
#include <vesk/utfconvert.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "corpus.h"

extern "C" {
__attribute__((noinline)) void vesk_cost_begin(void) {
    __asm__ volatile("" ::: "memory");
}
__attribute__((noinline)) void vesk_cost_end(void) {
    __asm__ volatile("" ::: "memory");
}
}

namespace {

using vesk_bench::ETextKind;
using vesk_bench::sSampleText_t;

constexpr std::size_t kSampleBytes = 4096;

// ICU's two converters, as ICU 72 exports them (UChar is a 16-bit unit, UErrorCode an int).
typedef unsigned short* (*FromUTF8)(unsigned short*, int, int*, const char*, int, int*);
typedef char* (*ToUTF8)(char*, int, int*, const unsigned short*, int, int*);

struct sIcu_t {
    FromUTF8 fromUTF8 = nullptr;
    ToUTF8 toUTF8 = nullptr;
};

sIcu_t LoadIcu(const char* path) {
    sIcu_t icu;
    void* library = dlopen(path, RTLD_NOW);
    if (library != nullptr) {
        icu.fromUTF8 = reinterpret_cast<FromUTF8>(dlsym(library, "u_strFromUTF8_72"));
        icu.toUTF8 = reinterpret_cast<ToUTF8>(dlsym(library, "u_strToUTF8_72"));
    }
    return icu;
}

bool g_measure = false;
bool g_failed = false;

// Runs `call` (sizing pass when size is 0) in a window, checks its result and prints the line.
template <class Call>
void Window(const char* kind, const char* routine, std::size_t size, std::size_t bytes,
            long expected, Call call) {
    if (!g_measure) {
        g_failed |= call(size) != expected;
        return;
    }
    vesk_cost_begin();
    const long result = call(size);
    vesk_cost_end();
    g_failed |= result != expected;
    std::printf("%s %s %s %zu\n", kind, routine, size == 0 ? "size" : "fill", bytes);
}

// Both passes of a conversion routine: the sizing pass, then a fill with the size it reported.
template <class In, class Out>
void BothPasses(const char* kind, const char* routine,
                unsigned short (*convert)(const In*, Out*, unsigned short),
                const std::vector<In>& input, std::size_t bytes, long expected) {
    static std::vector<Out> output(65536);
    for (std::size_t size : {std::size_t{0}, static_cast<std::size_t>(expected)}) {
        Window(kind, routine, size, bytes, expected, [&](std::size_t n) -> long {
            return convert(input.data(), output.data(), static_cast<unsigned short>(n));
        });
    }
}

void IcuPasses(const char* kind, const sIcu_t& icu, const sSampleText_t& text, long units16) {
    static std::vector<unsigned short> utf16(65536);
    static std::vector<char> utf8(65536);
    const std::size_t bytes = text.utf8.size() - 1;
    const char* source = reinterpret_cast<const char*>(text.utf8.data());
    for (std::size_t size : {std::size_t{0}, static_cast<std::size_t>(units16)}) {
        Window(kind, "icu_FromUTF8", size, bytes, units16 - 1, [&](std::size_t n) -> long {
            int length = 0, error = 0;
            icu.fromUTF8(n == 0 ? nullptr : utf16.data(), static_cast<int>(n), &length, source, -1,
                         &error);
            return length;
        });
    }
    for (std::size_t size : {std::size_t{0}, bytes + 1}) {
        Window(kind, "icu_ToUTF8", size, bytes, static_cast<long>(bytes),
               [&](std::size_t n) -> long {
                   int length = 0, error = 0;
                   icu.toUTF8(n == 0 ? nullptr : utf8.data(), static_cast<int>(n), &length,
                              text.utf16.data(), -1, &error);
                   return length;
               });
    }
}

void AllRoutines(ETextKind textKind, const sIcu_t& icu) {
    const sSampleText_t text = vesk_bench::MakeSampleText(textKind, kSampleBytes, 1);
    const char* kind = vesk_bench::TextKindName(textKind);
    const std::size_t bytes = text.utf8.size() - 1;
    const long characters = static_cast<long>(text.characters) + 1;
    // The letters of the sample texts all transliterate to one character, "ss" to two, and the
    // Cyrillic and CJK ones to '?'.
    long ascii = characters;
    for (std::size_t i = 0; i + 1 < bytes; ++i) {
        ascii += text.utf8[i] == 0xC3 && text.utf8[i + 1] == 0x9F;
    }
    BothPasses(kind, "UTF8_To_UTF16", UTF8_To_UTF16, text.utf8, bytes, characters);
    BothPasses(kind, "UTF8_To_UTF32", UTF8_To_UTF32, text.utf8, bytes, characters);
    BothPasses(kind, "UTF8_To_Latin1", UTF8_To_Latin1, text.utf8, bytes, characters);
    BothPasses(kind, "UTF8_To_ASCII", UTF8_To_ASCII, text.utf8, bytes, ascii);
    BothPasses(kind, "UTF16_To_UTF8", UTF16_To_UTF8, text.utf16, bytes, long(bytes) + 1);
    BothPasses(kind, "UTF32_To_UTF8", UTF32_To_UTF8, text.utf32, bytes, long(bytes) + 1);
    if (!text.latin1.empty()) {
        BothPasses(kind, "Latin1_To_UTF8", Latin1_To_UTF8, text.latin1, bytes, long(bytes) + 1);
    }
    if (icu.fromUTF8 != nullptr && icu.toUTF8 != nullptr) {
        IcuPasses(kind, icu, text, characters);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const sIcu_t icu = argc > 1 ? LoadIcu(argv[1]) : sIcu_t();
    if (argc > 1 && icu.fromUTF8 == nullptr) {
        std::fprintf(stderr, "cannot load ICU's converters from %s\n", argv[1]);
        return 2;
    }
    for (bool measure : {false, true}) {
        g_measure = measure;
        for (ETextKind kind :
             {ETextKind::eAscii, ETextKind::eEuropean, ETextKind::eCyrillic, ETextKind::eCjk}) {
            AllRoutines(kind, icu);
        }
    }
    if (g_failed) {
        std::fprintf(stderr, "a routine returned an unexpected count\n");
        return 1;
    }
    return 0;
}
