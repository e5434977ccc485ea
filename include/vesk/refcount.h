// SPDX-License-Identifier: Apache-2.0
/// @file
/// Intrusive reference counting: IRefCount, CRefCount_Base and the smart pointer CRefCountPtr<T>.
///
/// A counted object is created with `new` and starts with count 0. Whoever keeps it calls AddRef;
/// the ReleaseRef that brings the count back to 0 deletes the object on the releasing thread,
/// through the virtual destructor (so the most derived destructor runs). AddRef and ReleaseRef may
/// run on any threads at once; exactly one release sees the count reach 0.
///
/// A class that has CRefCount_Base as a further (not first) base overrides GetReferencedObject to
/// return its own complete-object address; CRefCountPtr<T> always reaches the typed object through
/// GetReferencedObject, never by converting the interface pointer.
#ifndef VESK_REFCOUNT_H
#define VESK_REFCOUNT_H

#include <vesk/atomicint.h>
#include <vesk/export.h>

namespace Vesk {

/// The interface of reference-counted objects.
class VESK_API IRefCount {
  public:
    virtual ~IRefCount();
    /// Takes one more reference; thread-safe.
    virtual void AddRef() = 0;
    /// Gives back one reference; the release that leaves none deletes the object.
    virtual void ReleaseRef() = 0;
    /// The address of the complete object behind this interface.
    virtual void* GetReferencedObject() = 0;
};

/// The usual implementation of IRefCount: an atomic count in m_refCount, starting at 0.
class VESK_API CRefCount_Base : public IRefCount {
  public:
    CRefCount_Base();
    /// A copy is a new object: it starts without references of its own.
    CRefCount_Base(const CRefCount_Base& other);
    /// Keeps this object's own count: references belong to objects, not to values.
    CRefCount_Base& operator=(const CRefCount_Base& other);
    ~CRefCount_Base() override;

    /// Atomic increment of m_refCount.
    void AddRef() override;
    /// Atomic decrement; deletes the object when the count becomes 0. A release below 0 (an object
    /// that never received AddRef) deletes nothing.
    void ReleaseRef() override;
    void* GetReferencedObject() override;

    /// The number of references held.
    CAtomicInt m_refCount;
};

/// Holds one reference to a counted object of complete type T, or nothing. Not synchronised: one
/// smart pointer must not be changed by two threads at once (separate pointers to one object may).
template <class T>
class CRefCountPtr {
  public:
    CRefCountPtr() : m_ptr(nullptr) {}
    /// Takes a reference to `object` (none for null).
    CRefCountPtr(T* object) : m_ptr(object) {
        if (m_ptr != nullptr) {
            m_ptr->AddRef();
        }
    }
    /// Takes another reference to the object `other` holds.
    CRefCountPtr(const CRefCountPtr& other) : m_ptr(other.m_ptr) {
        if (m_ptr != nullptr) {
            m_ptr->AddRef();
        }
    }
    /// Takes over the reference of `other`, which becomes empty.
    CRefCountPtr(CRefCountPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }

    /// The pointer is cleared before the release, which may destroy the object.
    virtual ~CRefCountPtr() { Release(nullptr); }

    /// Holds what `other` holds; the reference is taken before the old one is released (safe for
    /// the same object).
    CRefCountPtr& operator=(const CRefCountPtr& other) {
        IRefCount* taken = other.m_ptr;
        if (taken != nullptr) {
            taken->AddRef();  // before the release: safe when both hold the same object
        }
        Release(taken);
        return *this;
    }
    /// Takes over the reference of `other` and releases the old one.
    CRefCountPtr& operator=(CRefCountPtr&& other) noexcept {
        if (this != &other) {
            IRefCount* taken = other.m_ptr;
            other.m_ptr = nullptr;
            Release(taken);
        }
        return *this;
    }

    /// The object held, reached through GetReferencedObject, or null.
    T* get() const {
        return m_ptr != nullptr ? static_cast<T*>(m_ptr->GetReferencedObject()) : nullptr;
    }
    /// The object held (must not be empty).
    T* operator->() const { return get(); }
    /// The object held (must not be empty).
    T& operator*() const { return *get(); }
    /// Whether an object is held.
    explicit operator bool() const { return get() != nullptr; }

    /// Releases the object held and becomes empty.
    void reset() { Release(nullptr); }
    /// Holds `object` (a new reference; none for null) and releases the old one.
    void reset(T* object) {
        IRefCount* taken = object;
        if (taken != nullptr) {
            taken->AddRef();
        }
        Release(taken);
    }

    /// Whether both hold the same object.
    friend bool operator==(const CRefCountPtr& a, const CRefCountPtr& b) {
        return a.get() == b.get();
    }
    /// Whether they hold different objects.
    friend bool operator!=(const CRefCountPtr& a, const CRefCountPtr& b) {
        return a.get() != b.get();
    }
    /// Against a plain pointer (or nullptr), without a temporary smart pointer taking a reference.
    friend bool operator==(const CRefCountPtr& a, const T* b) { return a.get() == b; }
    /// Whether `b` holds `a`.
    friend bool operator==(const T* a, const CRefCountPtr& b) { return a == b.get(); }
    /// Whether `a` does not hold `b`.
    friend bool operator!=(const CRefCountPtr& a, const T* b) { return a.get() != b; }
    /// Whether `b` does not hold `a`.
    friend bool operator!=(const T* a, const CRefCountPtr& b) { return a != b.get(); }

    /// The interface of the object held, or null.
    IRefCount* m_ptr;

  private:
    /// Installs `replacement` (whose reference the caller already holds) and drops the old one.
    void Release(IRefCount* replacement) {
        IRefCount* old = m_ptr;
        m_ptr = replacement;
        if (old != nullptr) {
            old->ReleaseRef();
        }
    }
};

}  // namespace Vesk

#endif  // VESK_REFCOUNT_H
