// SPDX-License-Identifier: Apache-2.0
/// @file
/// Conveniences for C++ code: whole-string UTF conversion of any length, a scope guard and a
/// standard-library lockable view of CMutex, and a worker thread whose body is a callable.
///
/// Everything here is built on the classic interface and changes none of it: CMutex and CThread
/// keep their layout and names, and code may mix both styles on the same objects.
#ifndef VESK_MODERN_H
#define VESK_MODERN_H

#include <vesk/event.h>
#include <vesk/export.h>
#include <vesk/syncobject.h>
#include <vesk/thread.h>

#include <functional>
#include <string>
#include <utility>

namespace Vesk {

/// @name Whole-string conversion
/// Unlike the buffer routines of <vesk/utfconvert.h>, these take and return standard strings of
/// any length (no 65,535-unit limit) and convert every unit of the input: a zero byte or unit
/// inside the string is a character like any other and is kept. They decode UTF-8 by the same
/// rules as UTF8_To_UTF32 (a byte that starts no sequence, or a sequence cut short by a zero or by
/// the end, gives U+FFFD), except that a decoded zero (the overlong C0 80) is kept as U+0000
/// instead of ending the text. Only std::bad_alloc can leave them. Thread-safe (no shared state).
/// @{

/// UTF-8 -> wide string, one `wchar_t` per character, its value as decoded (U+10000 and above
/// included; `wchar_t` is 32 bits on the platforms vesk supports).
VESK_API std::wstring UTF8_To_WString(const std::string& utf8);

/// Wide string -> UTF-8, each `wchar_t` encoded on its own in 1 to 6 bytes, as UTF32_To_UTF8
/// does; a value above 0x7FFFFF is skipped.
VESK_API std::string WString_To_UTF8(const std::wstring& text);

/// UTF-8 -> UTF-16 with real surrogate pairs: a character from U+10000 to U+10FFFF becomes a
/// high and a low surrogate. A decoded surrogate value (U+D800-U+DFFF) or a value above U+10FFFF
/// becomes U+FFFD, so the result is always well-formed UTF-16.
VESK_API std::u16string UTF8_To_U16String(const std::string& utf8);

/// UTF-16 -> UTF-8: a high surrogate followed by a low one is one character (4 bytes); any
/// surrogate without its partner becomes U+FFFD (EF BF BD), so the result is well-formed UTF-8.
VESK_API std::string U16String_To_UTF8(const std::u16string& text);

/// @}

/// Holds a CMutex for the rest of a block: Lock() on construction, Unlock() on destruction.
/// Neither copyable nor movable. The mutex must outlive the guard.
///
///     Vesk::CMutexGuard hold(lock);   // locked until the end of the block
class CMutexGuard {
  public:
    /// Blocks until the calling thread holds `mutex` (at once when it already does).
    explicit CMutexGuard(CMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    /// Gives back the hold taken by the constructor.
    ~CMutexGuard() { m_mutex.Unlock(); }
    CMutexGuard(const CMutexGuard&) = delete;
    CMutexGuard& operator=(const CMutexGuard&) = delete;

  private:
    CMutex& m_mutex;
};

/// A view of a CMutex with the names the standard library expects (Lockable), so that
/// std::lock_guard, std::unique_lock, std::scoped_lock and std::lock work with it:
///
///     Vesk::CLockableMutex lockable(mutex);
///     std::unique_lock<Vesk::CLockableMutex> hold(lockable);
///
/// The mutex stays recursive: the holder may lock again and must unlock as often. The view holds
/// a reference only; the mutex must outlive it. Thread-safe as CMutex is.
class VESK_API CLockableMutex {
  public:
    /// Refers to `mutex`; takes nothing.
    explicit CLockableMutex(CMutex& mutex) : m_mutex(&mutex) {}
    /// CMutex::Lock(): blocks until the calling thread holds the mutex.
    void lock() { m_mutex->Lock(); }
    /// CMutex::Unlock(): gives back one hold; only the holder may call it.
    void unlock() { m_mutex->Unlock(); }
    /// Takes the mutex if no other thread holds it, without blocking; true when the caller now
    /// holds it (one more hold if it held it already). Unlike WaitForObject(0), the hold is kept.
    bool try_lock();
    /// The mutex this view refers to.
    CMutex& Mutex() const { return *m_mutex; }

  private:
    CMutex* m_mutex;
};

/// A worker thread whose body is a callable instead of a derived class:
///
///     Vesk::CFunctionThread worker([](Vesk::CEvent& stop) {
///         while (stop.WaitForObject(100) == Vesk::CSynchronizationObject::eWaitTimeout) { Work();
///         } return 0;
///     });
///     worker.StartThread();
///     worker.StopThread(2000);
///
/// The body receives the thread's stop event (signalled by StopThread) and returns the thread's
/// result. Everything else is CThread: StartThread, StopThread, WaitForObject, restart after the
/// body ended. The destructor calls StopThread(-1), so it returns only once the body has ended;
/// a body that never looks at its stop event keeps it waiting. A forced stop (the time-out of
/// StopThread passing) runs none of the body's remaining code, so objects the callable owns are
/// not destroyed then. Not auto-deleting: the object is owned by the code that made it.
class CFunctionThread : public CThread {
  public:
    /// What the thread runs: called with the thread's stop event, returns the thread's result.
    using Body = std::function<int(CEvent& stopEvent)>;

    /// Keeps `body` for every later StartThread. An empty body makes a thread that returns 0.
    explicit CFunctionThread(Body body) : m_body(std::move(body)) {}
    /// Asks the body to stop and waits for it without limit.
    ~CFunctionThread() override { StopThread(-1); }

  protected:
    /// Runs the callable on the new thread.
    int ThreadBody() override { return m_body ? m_body(m_stopEvent) : 0; }

  private:
    Body m_body;
};

}  // namespace Vesk

#endif  // VESK_MODERN_H
