// SPDX-License-Identifier: Apache-2.0
// CMemoryManager_Generic: a thin layer over malloc, realloc and free.
#include <vesk/memorymanager.h>

#include <cstdlib>

#include "sync/stopguard.h"

namespace Vesk {

CMemoryManager::~CMemoryManager() = default;

// Every entry point defers a forced stop of the calling worker: the one-time construction and
// the C library's allocator hold locks that a thread ended inside them would keep.
CMemoryManager& CMemoryManager::GetInstance() {
    const Vesk::CStopDeferral deferral;
    // Built on first use, not at load, so it exists for callers in any static initializer.
    static CMemoryManager_Generic manager;
    return manager;
}

}  // namespace Vesk

CMemoryManager_Generic::CMemoryManager_Generic() = default;
CMemoryManager_Generic::~CMemoryManager_Generic() = default;

void* CMemoryManager_Generic::AllocateBuffer(unsigned int size) {
    const Vesk::CStopDeferral deferral;
    return size == 0 ? nullptr : std::malloc(size);
}

void* CMemoryManager_Generic::ReallocBuffer(void* block, unsigned int size) {
    const Vesk::CStopDeferral deferral;
    if (size == 0) {
        // A virtual call on purpose: a derived manager's FreeBuffer sees every block it gives up.
        FreeBuffer(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void CMemoryManager_Generic::FreeBuffer(void* block) {
    const Vesk::CStopDeferral deferral;
    if (block != nullptr) {
        std::free(block);
    }
}
