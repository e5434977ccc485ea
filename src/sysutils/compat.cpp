// SPDX-License-Identifier: Apache-2.0
// The compatibility shims (wide file names, wide tokenising, underscore integer parsers), the
// trace entry point and the `Vesk` time forwards.
#include <vesk/compat.h>

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <string>

#include <vesk/sysutils.h>

#include "sync/stopguard.h"
#include "sysutils/decimal.h"

FILE* wfopen(const wchar_t* path, const wchar_t* mode) {
    const std::string narrowPath = Vesk::CSysUtils::UnicodeToAscii(path);
    const std::string narrowMode = Vesk::CSysUtils::UnicodeToAscii(mode);
    return std::fopen(narrowPath.c_str(), narrowMode.c_str());
}

wchar_t* _wcstok(wchar_t* text, const wchar_t* delimiters) {
    // With emulated thread-locals a thread's first use of `position` allocates it, under the
    // allocator's locks: a forced stop waits until the call returns.
    const Vesk::CStopDeferral deferral;
    // Where this thread's tokenisation goes on; null when there is none to continue.
    static thread_local wchar_t* position = nullptr;
    // The C library may read the saved position even when it never set it: refuse that case here.
    if (text == nullptr && position == nullptr) {
        return nullptr;
    }
    wchar_t* const token = std::wcstok(text, delimiters, &position);
    if (token == nullptr) {
        position = nullptr;
    }
    return token;
}

int _wtoi(const wchar_t* text) {
    // wcstol is 64-bit where `long` is: bring its limits down to 32 bits.
    return Vesk::Decimal::ClampToInt32(std::wcstol(text, nullptr, 10));
}

int _atoi(const char* text) {
    return Vesk::Decimal::ClampToInt32(_atoi64(text));
}

long long _atoi64(const char* text) {
    long long value = 0;
    const char* end = nullptr;
    if (Vesk::Decimal::ScanDecimal(text, '\0', &value, &end)) {
        return value;
    }
    return std::strtoll(text, nullptr, 10);
}

extern "C" void VeskTrace(const char*, ...) {}

namespace Vesk {

namespace {

// A host time_t in a `long`. Where time_t is wider (64-bit time_t with a 32-bit `long`), a value
// beyond `long` becomes -1, the C library's own "cannot be represented".
long TimeToLong(time_t value) {
    if (sizeof(time_t) > sizeof(long) && (value > LONG_MAX || value < LONG_MIN)) {
        return -1;
    }
    return static_cast<long>(value);
}

// Calls a C library function that reads a time_t with `*value` in the host's width; null for a
// null `value` (the C library would crash on it).
template <typename Result>
Result* CallWithHostTime(Result* (*function)(const time_t*), const long* value) {
    if (value == nullptr) {
        return nullptr;
    }
    const time_t hostValue = static_cast<time_t>(*value);
    return function(&hostValue);
}

}  // namespace

char* asctime(const tm* value) {
    return std::asctime(value);
}

clock_t clock() {
    return std::clock();
}

char* ctime(const long* value) {
    return CallWithHostTime(std::ctime, value);
}

double difftime(long end, long start) {
    return std::difftime(static_cast<time_t>(end), static_cast<time_t>(start));
}

tm* gmtime(const long* value) {
    return CallWithHostTime(std::gmtime, value);
}

tm* localtime(const long* value) {
    return CallWithHostTime(std::localtime, value);
}

long mktime(tm* value) {
    return TimeToLong(std::mktime(value));
}

long time(long* value) {
    const long now = TimeToLong(std::time(nullptr));
    if (value != nullptr) {
        *value = now;
    }
    return now;
}

unsigned int strftime(char* buffer, unsigned int size, const char* format, const tm* value) {
    return static_cast<unsigned int>(std::strftime(buffer, size, format, value));
}

}  // namespace Vesk
