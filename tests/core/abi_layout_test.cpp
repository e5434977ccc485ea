// Compile-time checks of the layouts applications are compiled against. Each record is pinned
// relative to the data model of the build (so the same checks hold on x86-64, 32-bit ARM and MIPS),
// and absolutely where the target's numbers are fixed (32-bit ARM, EABI).
#include <vesk/vesk.h>

#include <gtest/gtest.h>

#include <cstddef>

// offsetof on classes with virtual functions is conditionally supported; both compilers give the
// real offsets for these single- and multiple-inheritance classes without virtual bases.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

using namespace Vesk;

constexpr std::size_t kPtr = sizeof(void*);

constexpr std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// CAtomicInt is exactly one `long`, embedded by value in its owners.
static_assert(sizeof(CAtomicInt) == sizeof(long), "CAtomicInt is one long");
static_assert(offsetof(CAtomicInt, m_value) == 0, "CAtomicInt::m_value");

// IRefCount is a bare interface; CRefCount_Base adds the count right after the vtable pointer.
static_assert(sizeof(IRefCount) == kPtr, "IRefCount holds only its vtable pointer");
static_assert(offsetof(CRefCount_Base, m_refCount) == kPtr, "CRefCount_Base::m_refCount");
static_assert(sizeof(CRefCountPtr<CEvent>) == 2 * kPtr, "CRefCountPtr: vtable pointer + m_ptr");

// The waitable objects: vtable pointer, then the platform objects in declaration order.
static_assert(sizeof(CSynchronizationObject) == kPtr, "CSynchronizationObject");
static_assert(sizeof(CFakeSynchronizationObject) == kPtr, "CFakeSynchronizationObject");
static_assert(offsetof(CMutex, m_mutex) == kPtr, "CMutex::m_mutex");
static_assert(sizeof(CMutex) == RoundUp(kPtr + sizeof(pthread_mutex_t), alignof(CMutex)), "CMutex");

// CEvent: CSynchronizationObject, then CRefCount_Base, then its own fields.
constexpr std::size_t kEventFields = RoundUp(2 * kPtr + sizeof(long), alignof(pthread_mutex_t));
static_assert(offsetof(CEvent, m_mutex) == kEventFields, "CEvent::m_mutex");
static_assert(offsetof(CEvent, m_cond) ==
                  RoundUp(kEventFields + sizeof(pthread_mutex_t), alignof(pthread_cond_t)),
              "CEvent::m_cond");
static_assert(offsetof(CEvent, m_signaled) == offsetof(CEvent, m_cond) + sizeof(pthread_cond_t),
              "CEvent::m_signaled");
static_assert(offsetof(CEvent, m_waiters) == offsetof(CEvent, m_signaled) + sizeof(int),
              "CEvent::m_waiters");
static_assert(offsetof(CEvent, m_manualReset) == offsetof(CEvent, m_waiters) + sizeof(int),
              "CEvent::m_manualReset");

// CThread's protected fields, seen from a derived class as applications see them. The object
// must not grow beyond its last documented field (the join bookkeeping lives in its padding).
struct CThreadLayout : CThread {
    int ThreadBody() override { return 0; }
    static constexpr std::size_t status() { return offsetof(CThreadLayout, m_status); }
    static constexpr std::size_t threadID() { return offsetof(CThreadLayout, m_threadID); }
    static constexpr std::size_t stopEvent() { return offsetof(CThreadLayout, m_stopEvent); }
    static constexpr std::size_t lock() { return offsetof(CThreadLayout, m_lock); }
    static constexpr std::size_t thread() { return offsetof(CThreadLayout, m_thread); }
    static constexpr std::size_t autoDelete() { return offsetof(CThreadLayout, m_autoDelete); }
};
static_assert(CThreadLayout::status() == kPtr, "CThread::m_status");
static_assert(sizeof(std::atomic<int>) == 4, "m_status is a 32-bit integer");
static_assert(CThreadLayout::threadID() == RoundUp(kPtr + 4, alignof(pthread_t)), "m_threadID");
static_assert(CThreadLayout::stopEvent() ==
                  RoundUp(CThreadLayout::threadID() + sizeof(pthread_t), alignof(CEvent)),
              "m_stopEvent");
static_assert(CThreadLayout::lock() ==
                  RoundUp(CThreadLayout::stopEvent() + sizeof(CEvent), alignof(CMutex)),
              "m_lock");
static_assert(CThreadLayout::thread() ==
                  RoundUp(CThreadLayout::lock() + sizeof(CMutex), alignof(pthread_t)),
              "m_thread");
static_assert(CThreadLayout::autoDelete() == CThreadLayout::thread() + sizeof(pthread_t),
              "m_autoDelete");
static_assert(sizeof(CThread) == RoundUp(CThreadLayout::autoDelete() + 1, alignof(CThread)),
              "CThread has no field beyond m_autoDelete's padding");

// Records applications fill or read directly.
static_assert(offsetof(sDataTypeDescription_t, pData) == 0, "sDataTypeDescription_t::pData");
static_assert(offsetof(sDataTypeDescription_t, nSize) == kPtr, "sDataTypeDescription_t::nSize");
static_assert(offsetof(sDataTypeDescription_t, nType) == kPtr + 4, "sDataTypeDescription_t::nType");
static_assert(sizeof(sDataTypeDescription_t) == RoundUp(kPtr + 8, kPtr), "{pointer, int, int}");
static_assert(DT_END == 0 && DT_CHAR == 1 && DT_BOOL == 2 && DT_UINT64 == 3 && DT_INT64 == 4 &&
                  DT_UINT32 == 5 && DT_INT32 == 6 && DT_ULONG == 7 && DT_DWORD == 8 &&
                  DT_INT16 == 9 && DT_UINT16 == 10 && DT_STRING == 11,
              "eDataType_t");

static_assert(offsetof(sLatin1ToASCIIEntry_t, text) == 0, "transliteration entry: text");
static_assert(offsetof(sLatin1ToASCIIEntry_t, length) == kPtr, "transliteration entry: length");
static_assert(sizeof(sLatin1ToASCIIEntry_t) == RoundUp(kPtr + 4, kPtr), "{pointer, int}");
static_assert(sizeof(Latin1ToASCIITableArray) == 128 * sizeof(sLatin1ToASCIIEntry_t),
              "128 entries");

static_assert(offsetof(CRuntimeClassInfo, m_className) == 0, "CRuntimeClassInfo::m_className");
static_assert(sizeof(CRuntimeClassInfo::m_className) == 64, "64-byte class names");
static_assert(offsetof(CRuntimeClassInfo, m_isInitialized) == 64, "m_isInitialized");
static_assert(offsetof(CRuntimeClassInfo, m_pfnCreateObject) == RoundUp(65, kPtr),
              "m_pfnCreateObject");
static_assert(offsetof(CRuntimeClassInfo, m_parentClasses) == RoundUp(65, kPtr) + kPtr,
              "m_parentClasses");
static_assert(sizeof(CRuntimeClassInfo::m_parentClasses) == 4 * kPtr, "four parent slots");
static_assert(sizeof(CRuntimeClassInfo) == RoundUp(65, kPtr) + 5 * kPtr, "CRuntimeClassInfo");

static_assert(offsetof(CLanguage, m_languageCode) == kPtr, "CLanguage: vtable, then the code");
static_assert(offsetof(CLanguage, m_codeType) == kPtr + 4, "CLanguage::m_codeType");
static_assert(sizeof(CLanguage::ELanguageCodeType) == 4, "32-bit code type");
static_assert(offsetof(CLanguage, m_languageName) == RoundUp(kPtr + 8, alignof(std::string)),
              "CLanguage::m_languageName");
static_assert(sizeof(CLanguage) ==
                  RoundUp(offsetof(CLanguage, m_languageName) + sizeof(std::string),
                          alignof(CLanguage)),
              "CLanguage has three fields");

static_assert(offsetof(CReaderWriterLock, m_lock) == 0, "CReaderWriterLock::m_lock");
static_assert(offsetof(CReaderWriterLock, m_event) == RoundUp(sizeof(CMutex), alignof(CEvent)),
              "CReaderWriterLock::m_event");
static_assert(offsetof(CReaderWriterLock, m_readers) ==
                  offsetof(CReaderWriterLock, m_event) + sizeof(CEvent),
              "CReaderWriterLock::m_readers");
static_assert(offsetof(CReaderWriterLock, m_writers) == offsetof(CReaderWriterLock, m_readers) + 4,
              "CReaderWriterLock::m_writers");
static_assert(sizeof(CReaderWriterLock::CReaderLock) == kPtr, "guard: one pointer");
static_assert(sizeof(CReaderWriterLock::CWriterLock) == kPtr, "guard: one pointer");
static_assert(sizeof(CMemoryManager) == kPtr && sizeof(CMemoryManager_Generic) == kPtr,
              "memory managers hold only their vtable pointer");
static_assert(sizeof(CStringParser) == 1, "CStringParser is empty");

#if defined(__arm__)
// The target: 32-bit ARM EABI (glibc and bionic agree on these sizes).
static_assert(sizeof(long) == 4 && sizeof(void*) == 4, "ILP32");
static_assert(sizeof(CAtomicInt) == 4, "CAtomicInt on the target");
static_assert(sizeof(CRefCount_Base) == 8, "CRefCount_Base on the target");
static_assert(sizeof(wchar_t) == 4, "32-bit wchar_t");
static_assert(sizeof(sDataTypeDescription_t) == 12, "sDataTypeDescription_t on the target");
static_assert(sizeof(sLatin1ToASCIIEntry_t) == 8, "transliteration entry on the target");
static_assert(sizeof(CRuntimeClassInfo) == 88, "CRuntimeClassInfo on the target");
#endif

// The enumerations' values are part of the interface.
static_assert(CSynchronizationObject::eWaitFailed == 0 &&
                  CSynchronizationObject::eWaitSignaled == 1 &&
                  CSynchronizationObject::eWaitTimeout == 2,
              "EWaitResult");
static_assert(CThread::eThreadNotStarted == 0 && CThread::eThreadRunning == 1 &&
                  CThread::eThreadPaused == 2 && CThread::eThreadFinished == 3,
              "EThreadStatus");

TEST(AbiLayout, CheckedAtCompileTime) {
    // Everything above is a static_assert; this test records that the file was built.
    SUCCEED();
}

}  // namespace
