// SPDX-License-Identifier: Apache-2.0
// The conversion routines against ICU, glibc iconv, their own plain character loop and memcpy.
//
// Each benchmark converts ~4 KiB or ~60 KiB texts of one kind (ASCII, European, CJK), taking the
// next of a rotation of texts (half a megabyte, eight texts at least) at every iteration so the
// branch predictor cannot learn the input. Throughput is counted in bytes of the routine's input.
// "vesk 2-pass" is the usual calling protocol: a sizing pass, then a fill pass with the size it
// returned.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>
#include <vesk/utfconvert.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "corpus.h"
#include "plainloops.h"
#include "suite.h"

namespace {

using vesk_bench::ETextKind;
using vesk_bench::sSampleText_t;

constexpr unsigned short kCapacity = 65534;  // output units offered to every contender
// The rotation covers at least this many bytes of text and at least eight texts: with fewer,
// the branch predictor learns the small texts by heart and flatters every contender.
constexpr std::size_t kRotationBytes = 512 * 1024;
constexpr std::size_t kMinimumTexts = 8;
// Short strings: this many different ones, far more than the branch predictor can learn.
constexpr std::size_t kMaximumTexts = 8192;

// One output buffer, large enough for any contender's output of the largest input.
struct sOutput_t {
    alignas(64) unsigned char bytes[65536 * 4];
    template <typename Unit>
    Unit* As() {
        return reinterpret_cast<Unit*>(bytes);
    }
};

using Contender = std::size_t (*)(const sSampleText_t&, sOutput_t&);

// The routine `Convert` reading the text's `Source` form: one fill pass, or the two-call protocol.
template <typename In, std::vector<In> sSampleText_t::*Source, typename Out,
          unsigned short (*Convert)(const In*, Out*, unsigned short)>
struct sRoutine_t {
    static std::size_t Fill(const sSampleText_t& text, sOutput_t& out) {
        return Convert((text.*Source).data(), out.As<Out>(), kCapacity);
    }
    static std::size_t TwoPass(const sSampleText_t& text, sOutput_t& out) {
        const unsigned short needed = Convert((text.*Source).data(), nullptr, 0);
        return Convert((text.*Source).data(), out.As<Out>(), needed);
    }
    static std::size_t InputBytes(const sSampleText_t& text) {
        return ((text.*Source).size() - 1) * sizeof(In);
    }
    static std::size_t OutputBytes(std::size_t units) { return units * sizeof(Out); }
    // The bandwidth ceiling: the input copied as it is, terminator included.
    static std::size_t Copy(const sSampleText_t& text, sOutput_t& out) {
        std::memcpy(out.bytes, (text.*Source).data(), (text.*Source).size() * sizeof(In));
        return (text.*Source).size();
    }
};

unsigned short PlainUtf8ToUtf16(const unsigned char* src, unsigned short* dst,
                                unsigned short size) {
    return vesk_bench::PlainDecodeInto(src, dst, size, 0xFFFF);
}
unsigned short PlainUtf8ToUtf32(const unsigned char* src, unsigned int* dst, unsigned short size) {
    return vesk_bench::PlainDecodeInto(src, dst, size, 0xFFFFFFFF);
}

// ---- rivals ----

// Converts the whole input, terminator included, with a converter opened once per pair.
std::size_t IconvInto(iconv_t converter, const void* src, std::size_t bytes, sOutput_t& out) {
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return 0;
    }
    char* in = const_cast<char*>(static_cast<const char*>(src));
    char* target = reinterpret_cast<char*>(out.bytes);
    std::size_t inLeft = bytes;
    std::size_t outLeft = sizeof out.bytes;
    iconv(converter, &in, &inLeft, &target, &outLeft);
    return inLeft == 0 ? sizeof out.bytes - outLeft : 0;
}

constexpr char kUtf8[] = "UTF-8";
constexpr char kUtf16[] = "UTF-16LE";
constexpr char kUtf32[] = "UTF-32LE";
constexpr char kLatin1[] = "ISO-8859-1";
constexpr char kAsciiTranslit[] = "ASCII//TRANSLIT";

// iconv from the text's `Source` form (encoding `From`) to `To`. Each pair has its own converter,
// opened at the first call and kept, so that only the conversion is timed.
template <typename In, std::vector<In> sSampleText_t::*Source, const char* To, const char* From>
std::size_t Iconv(const sSampleText_t& text, sOutput_t& out) {
    static const iconv_t converter = iconv_open(To, From);
    return IconvInto(converter, (text.*Source).data(), (text.*Source).size() * sizeof(In), out);
}

// ICU on the zero-terminated string (kGivenLength false) or given its length, as a caller that
// knows it would.
template <bool kGivenLength>
std::size_t IcuUtf8ToUtf16(const sSampleText_t& text, sOutput_t& out) {
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    const int32_t inputLength = kGivenLength ? static_cast<int32_t>(text.utf8.size() - 1) : -1;
    u_strFromUTF8(out.As<UChar>(), kCapacity, &length,
                  reinterpret_cast<const char*>(text.utf8.data()), inputLength, &error);
    return U_SUCCESS(error) ? static_cast<std::size_t>(length) + 1 : 0;
}

template <bool kGivenLength>
std::size_t IcuUtf16ToUtf8(const sSampleText_t& text, sOutput_t& out) {
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    const int32_t inputLength = kGivenLength ? static_cast<int32_t>(text.utf16.size() - 1) : -1;
    u_strToUTF8(out.As<char>(), kCapacity, &length,
                reinterpret_cast<const UChar*>(text.utf16.data()), inputLength, &error);
    return U_SUCCESS(error) ? static_cast<std::size_t>(length) + 1 : 0;
}

// ICU's character macros, as a caller converting to 32-bit units would use them.
std::size_t IcuUtf8ToUtf32(const sSampleText_t& text, sOutput_t& out) {
    const uint8_t* src = text.utf8.data();
    unsigned int* dst = out.As<unsigned int>();
    int32_t index = 0;
    std::size_t count = 0;
    while (count < kCapacity) {
        UChar32 c;
        U8_NEXT(src, index, -1, c);
        dst[count++] = static_cast<unsigned int>(c);
        if (c == 0) {
            return count;
        }
    }
    return 0;
}

std::size_t IcuUtf32ToUtf8(const sSampleText_t& text, sOutput_t& out) {
    uint8_t* dst = out.bytes;
    int32_t length = 0;
    for (const unsigned int* src = text.utf32.data();; ++src) {
        UBool failed = false;
        U8_APPEND(dst, length, kCapacity, static_cast<UChar32>(*src), failed);
        if (failed || *src == 0) {
            return failed ? 0 : static_cast<std::size_t>(length);
        }
    }
}

std::size_t IcuLatin1ToUtf8(const sSampleText_t& text, sOutput_t& out) {
    static UErrorCode openError = U_ZERO_ERROR;
    static UConverter* latin1 = ucnv_open("ISO-8859-1", &openError);
    static UConverter* utf8 = ucnv_open("UTF-8", &openError);
    if (U_FAILURE(openError)) {
        return 0;
    }
    UErrorCode error = U_ZERO_ERROR;
    char* target = out.As<char>();
    const char* source = reinterpret_cast<const char*>(text.latin1.data());
    ucnv_convertEx(utf8, latin1, &target, target + kCapacity, &source, source + text.latin1.size(),
                   nullptr, nullptr, nullptr, nullptr, true, true, &error);
    return U_SUCCESS(error) ? static_cast<std::size_t>(target - out.As<char>()) : 0;
}

// ---- registration ----

struct sContender_t {
    const char* name;
    Contender run;
};

struct sConversion_t {
    const char* name;
    bool latin1Input;  // runs only on texts that Latin-1 can hold
    std::size_t (*inputBytes)(const sSampleText_t&);
    std::size_t (*outputBytes)(std::size_t units);
    Contender vesk;
    Contender twoPass;
    Contender plain;
    Contender copy;
    std::vector<sContender_t> rivals;
};

template <typename Routine, typename PlainRoutine>
sConversion_t MakeConversion(const char* name, bool latin1Input, std::vector<sContender_t> rivals) {
    return {name,
            latin1Input,
            Routine::InputBytes,
            Routine::OutputBytes,
            Routine::Fill,
            Routine::TwoPass,
            PlainRoutine::Fill,
            Routine::Copy,
            std::move(rivals)};
}

using SampleSet = std::vector<sSampleText_t>;

const SampleSet& Samples(ETextKind kind, std::size_t bytes) {
    static std::map<std::pair<ETextKind, std::size_t>, SampleSet> cache;
    SampleSet& set = cache[{kind, bytes}];
    if (set.empty()) {
        std::size_t texts = kRotationBytes / bytes;
        texts = texts < kMinimumTexts   ? kMinimumTexts
                : texts > kMaximumTexts ? kMaximumTexts
                                        : texts;
        set = vesk_bench::MakeSampleSet(kind, bytes, static_cast<int>(texts));
    }
    return set;
}

sOutput_t g_output;
sOutput_t g_reference;

// True when the contender writes what the plain loop writes, for every text of the set.
bool AgreesWithPlainLoop(const sConversion_t& conversion, Contender contender,
                         const SampleSet& texts) {
    for (const sSampleText_t& text : texts) {
        const std::size_t units = contender(text, g_output);
        if (units != conversion.plain(text, g_reference) ||
            std::memcmp(g_output.bytes, g_reference.bytes, conversion.outputBytes(units)) != 0) {
            return false;
        }
    }
    return true;
}

void RunContender(benchmark::State& state, const sConversion_t* conversion, Contender contender,
                  ETextKind kind, std::size_t bytes) {
    const SampleSet& texts = Samples(kind, bytes);
    const bool isVesk = contender == conversion->vesk || contender == conversion->twoPass;
    if (isVesk && !AgreesWithPlainLoop(*conversion, contender, texts)) {
        state.SkipWithError("the result differs from the plain loop's");
        return;
    }
    if (contender(texts[0], g_output) == 0) {
        state.SkipWithError("the conversion failed");
        return;
    }
    std::size_t index = 0;
    std::size_t processed = 0;
    for (auto _ : state) {
        const sSampleText_t& text = texts[index];
        benchmark::DoNotOptimize(contender(text, g_output));
        benchmark::ClobberMemory();
        processed += conversion->inputBytes(text);
        index = (index + 1) % texts.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(processed));
}

using Utf8ToUtf16 = sRoutine_t<unsigned char, &sSampleText_t::utf8, unsigned short, UTF8_To_UTF16>;
using Utf8ToUtf32 = sRoutine_t<unsigned char, &sSampleText_t::utf8, unsigned int, UTF8_To_UTF32>;
using Utf16ToUtf8 = sRoutine_t<unsigned short, &sSampleText_t::utf16, unsigned char, UTF16_To_UTF8>;
using Utf32ToUtf8 = sRoutine_t<unsigned int, &sSampleText_t::utf32, unsigned char, UTF32_To_UTF8>;
using Latin1ToUtf8 =
    sRoutine_t<unsigned char, &sSampleText_t::latin1, unsigned char, Latin1_To_UTF8>;
using Utf8ToAscii = sRoutine_t<unsigned char, &sSampleText_t::utf8, unsigned char, UTF8_To_ASCII>;

using PlainUtf8ToUtf16Routine =
    sRoutine_t<unsigned char, &sSampleText_t::utf8, unsigned short, PlainUtf8ToUtf16>;
using PlainUtf8ToUtf32Routine =
    sRoutine_t<unsigned char, &sSampleText_t::utf8, unsigned int, PlainUtf8ToUtf32>;
using PlainUtf16ToUtf8Routine = sRoutine_t<unsigned short, &sSampleText_t::utf16, unsigned char,
                                           vesk_bench::PlainEncodeInto<unsigned short>>;
using PlainUtf32ToUtf8Routine = sRoutine_t<unsigned int, &sSampleText_t::utf32, unsigned char,
                                           vesk_bench::PlainEncodeInto<unsigned int>>;
using PlainLatin1ToUtf8Routine = sRoutine_t<unsigned char, &sSampleText_t::latin1, unsigned char,
                                            vesk_bench::PlainEncodeInto<unsigned char>>;
using PlainUtf8ToAsciiRoutine =
    sRoutine_t<unsigned char, &sSampleText_t::utf8, unsigned char, vesk_bench::PlainToAscii>;

const std::vector<sConversion_t>& Conversions() {
    static const std::vector<sConversion_t> conversions = {
        MakeConversion<Utf8ToUtf16, PlainUtf8ToUtf16Routine>(
            "UTF8_To_UTF16", false,
            {{"icu", IcuUtf8ToUtf16<false>},
             {"icu given length", IcuUtf8ToUtf16<true>},
             {"iconv", Iconv<unsigned char, &sSampleText_t::utf8, kUtf16, kUtf8>}}),
        MakeConversion<Utf8ToUtf32, PlainUtf8ToUtf32Routine>(
            "UTF8_To_UTF32", false,
            {{"icu U8_NEXT", IcuUtf8ToUtf32},
             {"iconv", Iconv<unsigned char, &sSampleText_t::utf8, kUtf32, kUtf8>}}),
        MakeConversion<Utf16ToUtf8, PlainUtf16ToUtf8Routine>(
            "UTF16_To_UTF8", false,
            {{"icu", IcuUtf16ToUtf8<false>},
             {"icu given length", IcuUtf16ToUtf8<true>},
             {"iconv", Iconv<unsigned short, &sSampleText_t::utf16, kUtf8, kUtf16>}}),
        MakeConversion<Utf32ToUtf8, PlainUtf32ToUtf8Routine>(
            "UTF32_To_UTF8", false,
            {{"icu U8_APPEND", IcuUtf32ToUtf8},
             {"iconv", Iconv<unsigned int, &sSampleText_t::utf32, kUtf8, kUtf32>}}),
        MakeConversion<Latin1ToUtf8, PlainLatin1ToUtf8Routine>(
            "Latin1_To_UTF8", true,
            {{"icu ucnv", IcuLatin1ToUtf8},
             {"iconv", Iconv<unsigned char, &sSampleText_t::latin1, kUtf8, kLatin1>}}),
        MakeConversion<Utf8ToAscii, PlainUtf8ToAsciiRoutine>(
            "UTF8_To_ASCII", true,
            {{"iconv ASCII//TRANSLIT",
              Iconv<unsigned char, &sSampleText_t::utf8, kAsciiTranslit, kUtf8>}}),
    };
    return conversions;
}

// Short strings as applications convert them, against one ICU call on the zero-terminated
// string: vesk's two calls (sizing, then fill with that size) and its fill alone, on rotations
// of thousands of different strings of 4, 16, 64 and 256 bytes.
void RegisterShortStringBenchmarks() {
    const struct {
        std::size_t bytes;
        const char* name;
    } sizes[] = {{4, "4 B"}, {16, "16 B"}, {64, "64 B"}, {256, "256 B"}};
    for (const sConversion_t& conversion : Conversions()) {
        const std::string name = conversion.name;
        if (name != "UTF8_To_UTF16" && name != "UTF16_To_UTF8") {
            continue;
        }
        for (ETextKind kind : {ETextKind::eAscii, ETextKind::eEuropean, ETextKind::eCjk}) {
            for (const auto& size : sizes) {
                const std::string prefix = name + "/" + TextKindName(kind) + " " + size.name + "/";
                std::vector<sContender_t> contenders = {{"vesk", conversion.vesk},
                                                        {"vesk 2-pass", conversion.twoPass},
                                                        conversion.rivals[0]};
                for (const sContender_t& contender : contenders) {
                    benchmark::RegisterBenchmark((prefix + contender.name).c_str(), RunContender,
                                                 &conversion, contender.run, kind, size.bytes);
                }
            }
        }
    }
}

}  // namespace

namespace vesk_bench {

void RegisterTextBenchmarks() {
    const struct {
        std::size_t bytes;
        const char* name;
    } sizes[] = {{4096, "4 KiB"}, {61440, "60 KiB"}};
    RegisterShortStringBenchmarks();
    for (const sConversion_t& conversion : Conversions()) {
        for (ETextKind kind : {ETextKind::eAscii, ETextKind::eEuropean, ETextKind::eCjk}) {
            if (conversion.latin1Input && kind == ETextKind::eCjk) {
                continue;
            }
            for (const auto& size : sizes) {
                const std::string prefix =
                    std::string(conversion.name) + "/" + TextKindName(kind) + " " + size.name + "/";
                std::vector<sContender_t> contenders = {{"vesk", conversion.vesk},
                                                        {"vesk 2-pass", conversion.twoPass},
                                                        {"plain loop", conversion.plain},
                                                        {"memcpy", conversion.copy}};
                contenders.insert(contenders.end(), conversion.rivals.begin(),
                                  conversion.rivals.end());
                for (const sContender_t& contender : contenders) {
                    benchmark::RegisterBenchmark((prefix + contender.name).c_str(), RunContender,
                                                 &conversion, contender.run, kind, size.bytes);
                }
            }
        }
    }
}

}  // namespace vesk_bench
