// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CMemoryManager - the process-wide allocator of raw buffers - and its one implementation,
/// the global CMemoryManager_Generic over the C library's malloc, realloc and free.
///
///   AllocateBuffer(0)          null; the allocator is not called
///   AllocateBuffer(n)          malloc(n); null when memory is exhausted
///   ReallocBuffer(p, 0)        FreeBuffer(p) through the virtual table (a derived class's override
///                              runs), then null; p == null does nothing and gives null
///   ReallocBuffer(p, n)        realloc(p, n): p == null gives a new block; on exhaustion null, and
///                              p stays valid and unchanged
///   FreeBuffer(null)           nothing; FreeBuffer(p) frees p
///
/// A buffer goes back to the manager that gave it (FreeBuffer or ReallocBuffer). The generic
/// manager has no state and takes no lock: it is exactly as thread-safe as malloc itself.
#ifndef VESK_MEMORYMANAGER_H
#define VESK_MEMORYMANAGER_H

#include <vesk/export.h>

namespace Vesk {

/// The allocation interface. The destructor is declared last on purpose: it comes after the three
/// allocation operations in the virtual table, and that order is part of the binary interface.
class VESK_API CMemoryManager {
  public:
    /// A buffer of `size` bytes, or null (size 0, or memory exhausted).
    virtual void* AllocateBuffer(unsigned int size) = 0;
    /// `block` resized to `size` bytes, or null (size 0 frees the block; exhaustion keeps it).
    virtual void* ReallocBuffer(void* block, unsigned int size) = 0;
    /// Gives `block` back; null is allowed and does nothing.
    virtual void FreeBuffer(void* block) = 0;
    virtual ~CMemoryManager();

    /// The process-wide manager: the library's single CMemoryManager_Generic, built by the first
    /// call (thread-safe one-time initialization) and destroyed at unload or process exit. Every
    /// call, from any thread, returns the same object. There is no way to install another one.
    static CMemoryManager& GetInstance();
};

}  // namespace Vesk

/// The C-allocator manager. Applications may derive from it (for instance to count frees); such a
/// derived object is used directly, GetInstance never returns it.
class VESK_API CMemoryManager_Generic : public Vesk::CMemoryManager {
  public:
    CMemoryManager_Generic();
    void* AllocateBuffer(unsigned int size) override;
    void* ReallocBuffer(void* block, unsigned int size) override;
    void FreeBuffer(void* block) override;
    ~CMemoryManager_Generic() override;
};

#endif  // VESK_MEMORYMANAGER_H
