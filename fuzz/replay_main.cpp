// SPDX-License-Identifier: Apache-2.0
// Replays fuzz inputs without libFuzzer, so every target also runs as a plain program (any
// compiler, any architecture, under the sanitizers and valgrind).
//
//   fuzz_<name> PATH...    each PATH is an input file or a directory of input files
//
// Every input is run whole, then every proper prefix of it (a cut anywhere: truncated sequences,
// records ending mid-field), then a fixed set of single-byte mutations chosen by a generator seeded
// from the input itself, so a run is the same on every machine. Prints the number of runs; exits
// non-zero when a path cannot be read or holds no input (a target's check aborts by itself).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

const size_t kMaxPrefixReplay = 512;
const int kMutationsPerInput = 16;

// The run of one input: a copy of exactly its bytes, so a read past the end is a heap overflow.
void RunOne(const std::vector<uint8_t>& input) {
    std::vector<uint8_t> copy(input);
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
}

uint32_t NextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Byte values that matter to the targets: terminators, delimiters, UTF-8 lead and trail bytes.
const uint8_t kInterestingBytes[] = {0x00, 0x01, 0x09, 0x20, 0x2C, 0x2E, 0x2F, 0x3B, 0x5C, 0x7F,
                                     0x80, 0xBF, 0xC0, 0xC3, 0xE0, 0xED, 0xF0, 0xF8, 0xFC, 0xFF};

size_t ReplayInput(const std::vector<uint8_t>& input) {
    size_t runs = 0;
    RunOne(input);
    ++runs;
    if (input.size() <= kMaxPrefixReplay) {
        for (size_t length = 0; length < input.size(); ++length) {
            RunOne(std::vector<uint8_t>(input.begin(), input.begin() + length));
            ++runs;
        }
    }
    if (input.empty()) {
        return runs;
    }
    uint32_t state = 2166136261u;
    for (uint8_t byte : input) {
        state = (state ^ byte) * 16777619u;
    }
    for (int i = 0; i < kMutationsPerInput; ++i) {
        std::vector<uint8_t> mutated(input);
        const size_t at = NextRandom(state) % mutated.size();
        const uint32_t choice = NextRandom(state);
        mutated[at] = (choice & 1u) != 0
                          ? kInterestingBytes[(choice >> 1) % sizeof kInterestingBytes]
                          : static_cast<uint8_t>(choice >> 1);
        RunOne(mutated);
        ++runs;
    }
    return runs;
}

bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& out) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return !stream.bad();
}

}  // namespace

int main(int argc, char** argv) {
    size_t inputs = 0;
    size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        if (std::filesystem::is_directory(argv[i], error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                std::fprintf(stderr, "%s: no inputs\n", argv[i]);
                return 1;
            }
        } else {
            files.emplace_back(argv[i]);
        }
        for (const auto& file : files) {
            std::vector<uint8_t> input;
            if (!ReadFile(file, input)) {
                std::fprintf(stderr, "%s: cannot read\n", file.c_str());
                return 1;
            }
            runs += ReplayInput(input);
            ++inputs;
        }
    }
    std::printf("replayed %zu inputs in %zu runs\n", inputs, runs);
    return inputs == 0 ? 1 : 0;
}
