// SPDX-License-Identifier: Apache-2.0
// IRefCount and CRefCount_Base: the count and the self-deletion on the last release.
#include <vesk/refcount.h>

#include "sync/stopguard.h"

namespace Vesk {

IRefCount::~IRefCount() = default;

CRefCount_Base::CRefCount_Base() : m_refCount(0) {}
CRefCount_Base::CRefCount_Base(const CRefCount_Base&) : IRefCount(), m_refCount(0) {}
CRefCount_Base& CRefCount_Base::operator=(const CRefCount_Base&) {
    return *this;
}
CRefCount_Base::~CRefCount_Base() = default;

void CRefCount_Base::AddRef() {
    m_refCount.ref();
}

void CRefCount_Base::ReleaseRef() {
    // A forced stop waits for the deletion (the destructor and the allocator's locks).
    const CStopDeferral deferral;
    // Exactly one release sees the count reach 0; the barrier in deref orders every access the
    // other owners made before the deletion.
    if (!m_refCount.deref()) {
        delete this;
    }
}

void* CRefCount_Base::GetReferencedObject() {
    return this;
}

}  // namespace Vesk
