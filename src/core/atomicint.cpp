// SPDX-License-Identifier: Apache-2.0
// CAtomicInt: ref/deref are one sequentially consistent atomic fetch-and-add on the `long`
// (a lock-free exclusive load/store loop on ARM); everything else is a plain word access.
#include <vesk/atomicint.h>

namespace Vesk {

CAtomicInt::CAtomicInt(long value) : m_value(value) {}
CAtomicInt::CAtomicInt(const CAtomicInt& other) : m_value(other.m_value) {}

CAtomicInt& CAtomicInt::operator=(long value) {
    m_value = value;
    return *this;
}
CAtomicInt& CAtomicInt::operator=(const CAtomicInt& other) {
    m_value = other.m_value;
    return *this;
}

bool CAtomicInt::operator==(long value) const {
    return m_value == value;
}
bool CAtomicInt::operator!=(long value) const {
    return m_value != value;
}
bool CAtomicInt::operator!() const {
    return m_value == 0;
}
CAtomicInt::operator long() const {
    return m_value;
}

// The builtins wrap modulo 2^N (no signed-overflow undefined behaviour) and act as full barriers.
bool CAtomicInt::ref() {
    return __atomic_add_fetch(&m_value, 1L, __ATOMIC_SEQ_CST) != 0;
}
bool CAtomicInt::deref() {
    return __atomic_sub_fetch(&m_value, 1L, __ATOMIC_SEQ_CST) != 0;
}

}  // namespace Vesk
