// Helpers of the text tests: hex rendering of unit sequences, canary-guarded output buffers,
// inputs placed right before an unreadable page, and UTF-8 building.
#ifndef VESK_TESTS_TEXT_TEXTSUPPORT_H
#define VESK_TESTS_TEXT_TEXTSUPPORT_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace VeskTest {

// "{68 E9 0}": units in hex, so a failing comparison shows both sides readably.
template <class Unit>
std::string Hex(const std::vector<Unit>& units) {
    std::string text = "{";
    for (std::size_t i = 0; i < units.size(); ++i) {
        char item[16];
        std::snprintf(item, sizeof item, i == 0 ? "%X" : " %X", static_cast<unsigned>(units[i]));
        text += item;
    }
    return text + "}";
}

// Units of a zero-terminated array, terminator included.
template <class Unit>
std::vector<Unit> Terminated(std::vector<Unit> units) {
    units.push_back(0);
    return units;
}

// An output buffer of `size` units surrounded by canaries on both sides.
template <class Unit>
class CGuardedOutput {
  public:
    static constexpr Unit kCanary = static_cast<Unit>(0xA5A5A5A5u);
    static constexpr std::size_t kGuard = 8;

    explicit CGuardedOutput(std::size_t size) : m_size(size), m_units(size + 2 * kGuard, kCanary) {}

    Unit* data() { return m_units.data() + kGuard; }

    // True when no unit outside [0, size) was written.
    bool GuardsIntact() const {
        for (std::size_t i = 0; i < kGuard; ++i) {
            if (m_units[i] != kCanary || m_units[kGuard + m_size + i] != kCanary) {
                return false;
            }
        }
        return true;
    }

    // The first `count` units written.
    std::vector<Unit> First(std::size_t count) const {
        const Unit* begin = m_units.data() + kGuard;
        return std::vector<Unit>(begin, begin + count);
    }

  private:
    std::size_t m_size;
    std::vector<Unit> m_units;
};

// Places units so that the last one ends exactly at an unreadable page: any read past it faults.
class CPageEndInput {
  public:
    CPageEndInput() : m_page(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
        void* map =
            mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_base = map == MAP_FAILED ? nullptr : static_cast<unsigned char*>(map);
        if (m_base != nullptr && mprotect(m_base + m_page, m_page, PROT_NONE) != 0) {
            munmap(m_base, 2 * m_page);
            m_base = nullptr;
        }
    }
    ~CPageEndInput() {
        if (m_base != nullptr) {
            munmap(m_base, 2 * m_page);
        }
    }
    CPageEndInput(const CPageEndInput&) = delete;
    CPageEndInput& operator=(const CPageEndInput&) = delete;

    bool Ready() const { return m_base != nullptr; }

    template <class Unit>
    const Unit* Place(const std::vector<Unit>& units) {
        const std::size_t bytes = units.size() * sizeof(Unit);
        unsigned char* at = m_base + m_page - bytes;
        std::memcpy(at, units.data(), bytes);
        return reinterpret_cast<const Unit*>(at);
    }

  private:
    std::size_t m_page;
    unsigned char* m_base = nullptr;
};

// The UTF-8 bytes (1 to 3) of a code point below 0x10000.
inline void AppendUTF8(std::vector<unsigned char>& out, unsigned int c) {
    if (c < 0x80) {
        out.push_back(static_cast<unsigned char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<unsigned char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    }
}

inline std::vector<unsigned char> Bytes(const char* text) {
    return std::vector<unsigned char>(text, text + std::strlen(text));
}

// A small deterministic generator, the same on every platform.
class CRandom {
  public:
    explicit CRandom(unsigned int seed) : m_state(seed) {}
    unsigned int Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    unsigned int Below(unsigned int bound) { return Next() % bound; }

  private:
    unsigned int m_state;
};

}  // namespace VeskTest

#endif  // VESK_TESTS_TEXT_TEXTSUPPORT_H
