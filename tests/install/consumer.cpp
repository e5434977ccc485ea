// SPDX-License-Identifier: Apache-2.0
// A program built outside the project against the installed headers and library.
#include <vesk/vesk.h>

#include <cstdio>

static_assert(VESK_VERSION_MAJOR == 1, "the installed headers carry the version macros");

int main() {
    Vesk::CMutex mutex;
    mutex.Lock();
    const int held = mutex.WaitForObject(0);  // recursive: the holder gets it again
    mutex.Unlock();
    Vesk::CAtomicInt count(0);
    count.ref();
    const bool ok = held == Vesk::CSynchronizationObject::eWaitSignaled && count == 1 &&
                    Vesk::ByteSwap_Word(0x1234) == 0x3412 &&
                    Vesk::UTF8_To_U16String("\xF0\x9F\x98\x80").size() == 2;
    std::printf("consumer: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
