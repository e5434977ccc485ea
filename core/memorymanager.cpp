// CMemoryManager_Generic: a thin layer over malloc, realloc and free.
#include <vesk/memorymanager.h>

#include <cstdlib>

namespace Vesk {

CMemoryManager::~CMemoryManager() = default;

CMemoryManager& CMemoryManager::GetInstance() {
    // Built on first use, not at load, so it exists for callers in any static initializer.
    static CMemoryManager_Generic manager;
    return manager;
}

}  // namespace Vesk

CMemoryManager_Generic::CMemoryManager_Generic() = default;
CMemoryManager_Generic::~CMemoryManager_Generic() = default;

void* CMemoryManager_Generic::AllocateBuffer(unsigned int size) {
    return size == 0 ? nullptr : std::malloc(size);
}

void* CMemoryManager_Generic::ReallocBuffer(void* block, unsigned int size) {
    if (size == 0) {
        // A virtual call on purpose: a derived manager's FreeBuffer sees every block it gives up.
        FreeBuffer(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void CMemoryManager_Generic::FreeBuffer(void* block) {
    if (block != nullptr) {
        std::free(block);
    }
}
