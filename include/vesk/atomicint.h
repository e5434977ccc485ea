// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CAtomicInt - one `long` with atomic increment and decrement.
///
/// It is the count inside every reference-counted object. `ref` and `deref` are lock-free,
/// sequentially consistent read-modify-write operations that may run on any number of threads at
/// once; they wrap around at the limits of `long` (32 bits on the target). Every other member is a
/// plain single-word read or write without ordering: it never sees a torn value, but an assignment
/// racing with `ref`/`deref` may overwrite that operation's result.
#ifndef VESK_ATOMICINT_H
#define VESK_ATOMICINT_H

#include <vesk/export.h>

namespace Vesk {

/// One `long` with atomic increment and decrement; see the file description.
class VESK_API CAtomicInt {
  public:
    /// Starts at `value`.
    CAtomicInt(long value);
    /// Starts at the current value of `other` (a plain read).
    CAtomicInt(const CAtomicInt& other);

    /// Stores `value` (a plain write, not ordered with `ref`/`deref`).
    CAtomicInt& operator=(long value);
    /// Stores the current value of `other` (plain read and write).
    CAtomicInt& operator=(const CAtomicInt& other);

    /// Compares the current value with `value` (a plain read).
    bool operator==(long value) const;
    /// The opposite of `operator==`.
    bool operator!=(long value) const;
    /// Exact matches for int operands, so `count == 1` is not ambiguous with operator long().
    bool operator==(int value) const { return m_value == value; }
    /// The opposite of `operator==(int)`.
    bool operator!=(int value) const { return m_value != value; }
    /// True exactly when the value is 0.
    bool operator!() const;
    /// The current value (a plain read).
    operator long() const;

    /// Atomic +1 / -1 with full barriers. Each returns whether the value it produced is non-zero,
    /// so of many concurrent `deref` calls exactly the one that reaches 0 returns false.
    bool ref();
    /// Atomic -1 with full barriers; whether the new value is non-zero (see `ref`).
    bool deref();

    /// The value; change it through `ref`/`deref` when other threads may.
    long m_value;
};

}  // namespace Vesk

#endif  // VESK_ATOMICINT_H
