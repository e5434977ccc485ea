// Vesk::CAtomicInt - one `long` with atomic increment and decrement.
//
// It is the count inside every reference-counted object. `ref` and `deref` are lock-free,
// sequentially consistent read-modify-write operations that may run on any number of threads at
// once; they wrap around at the limits of `long` (32 bits on the target). Every other member is a
// plain single-word read or write without ordering: it never sees a torn value, but an assignment
// racing with `ref`/`deref` may overwrite that operation's result.
#ifndef VESK_ATOMICINT_H
#define VESK_ATOMICINT_H

#include <vesk/export.h>

namespace Vesk {

class VESK_API CAtomicInt {
  public:
    CAtomicInt(long value);
    CAtomicInt(const CAtomicInt& other);

    CAtomicInt& operator=(long value);
    CAtomicInt& operator=(const CAtomicInt& other);

    bool operator==(long value) const;
    bool operator!=(long value) const;
    // Exact matches for int operands, so `count == 1` is not ambiguous with operator long().
    bool operator==(int value) const { return m_value == value; }
    bool operator!=(int value) const { return m_value != value; }
    // True exactly when the value is 0.
    bool operator!() const;
    operator long() const;

    // Atomic +1 / -1 with full barriers. Each returns whether the value it produced is non-zero,
    // so of many concurrent `deref` calls exactly the one that reaches 0 returns false.
    bool ref();
    bool deref();

    long m_value;
};

}  // namespace Vesk

#endif  // VESK_ATOMICINT_H
