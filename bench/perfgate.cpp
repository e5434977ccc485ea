// SPDX-License-Identifier: Apache-2.0
// Runs one conversion routine once, on a fixed 60 KiB sample text, for the instruction-count
// gates: bench/perfgate.sh runs this program under callgrind, counting only the instructions
// executed inside the routine, and divides them by the input bytes printed here.
//
//   vesk_perf_gate ROUTINE KIND     ROUTINE: UTF8_To_UTF16 | UTF16_To_UTF8 | UTF8_To_UTF32 |
//                                            UTF32_To_UTF8 | Latin1_To_UTF8 | UTF8_To_ASCII
//                                   KIND:    ascii | european | cjk
//
// Prints the routine's input size in bytes (without the terminator); exits 2 on bad arguments and
// 1 when the routine's result is not the expected count.
#include <vesk/utfconvert.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "corpus.h"

namespace {

using vesk_bench::ETextKind;
using vesk_bench::sSampleText_t;

constexpr std::size_t kSampleBytes = 61440;
constexpr unsigned short kCapacity = 65534;

// Converts `source` with `convert` into a buffer of kCapacity units; the input size in bytes,
// or 0 when the result is not `expected`.
template <typename In, typename Out>
std::size_t Run(unsigned short (*convert)(const In*, Out*, unsigned short),
                const std::vector<In>& source, std::size_t expected) {
    static std::vector<Out> output(kCapacity);
    if (source.empty() || convert(source.data(), output.data(), kCapacity) != expected) {
        return 0;
    }
    return (source.size() - 1) * sizeof(In);
}

std::size_t RunRoutine(const char* routine, const sSampleText_t& text) {
    const std::size_t characters = text.characters + 1;
    const std::size_t utf8Bytes = text.utf8.size();
    if (std::strcmp(routine, "UTF8_To_UTF16") == 0) {
        return Run(UTF8_To_UTF16, text.utf8, characters);
    }
    if (std::strcmp(routine, "UTF8_To_UTF32") == 0) {
        return Run(UTF8_To_UTF32, text.utf8, characters);
    }
    if (std::strcmp(routine, "UTF16_To_UTF8") == 0) {
        return Run(UTF16_To_UTF8, text.utf16, utf8Bytes);
    }
    if (std::strcmp(routine, "UTF32_To_UTF8") == 0) {
        return Run(UTF32_To_UTF8, text.utf32, utf8Bytes);
    }
    if (std::strcmp(routine, "Latin1_To_UTF8") == 0) {
        return Run(Latin1_To_UTF8, text.latin1, utf8Bytes);
    }
    if (std::strcmp(routine, "UTF8_To_ASCII") == 0) {
        // The letters of the sample texts all transliterate to one character, "ss" to two.
        std::size_t sharpS = 0;
        for (std::size_t i = 0; i + 1 < text.utf8.size(); ++i) {
            sharpS += text.utf8[i] == 0xC3 && text.utf8[i + 1] == 0x9F;
        }
        return Run(UTF8_To_ASCII, text.utf8, characters + sharpS);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ROUTINE ascii|european|cjk\n", argv[0]);
        return 2;
    }
    ETextKind kind = ETextKind::eAscii;
    bool known = false;
    for (ETextKind candidate : {ETextKind::eAscii, ETextKind::eEuropean, ETextKind::eCjk}) {
        if (std::strcmp(argv[2], vesk_bench::TextKindName(candidate)) == 0) {
            kind = candidate;
            known = true;
        }
    }
    if (!known) {
        std::fprintf(stderr, "unknown text kind %s\n", argv[2]);
        return 2;
    }
    const std::size_t bytes =
        RunRoutine(argv[1], vesk_bench::MakeSampleText(kind, kSampleBytes, 1));
    if (bytes == 0) {
        std::fprintf(stderr, "%s on %s text: unknown routine or unexpected result\n", argv[1],
                     argv[2]);
        return 1;
    }
    std::printf("%zu\n", bytes);
    return 0;
}
