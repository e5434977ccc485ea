// SPDX-License-Identifier: Apache-2.0
// The layouts applications are compiled against, checked at compile time. Each record is pinned
// relative to the data model of the build (so the same checks hold on x86-64, 32-bit ARM and MIPS):
// its first field at a fixed offset, every further field right after the one before it (whose
// size is stated), and nothing after the last one. The enumerations' values are pinned as well.
#include <vesk/vesk.h>

#include <cstddef>

// offsetof on classes with virtual functions is conditionally supported; both compilers give the
// real offsets for these single- and multiple-inheritance classes without virtual bases.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#define OFFSET(T, field, at) static_assert(offsetof(T, field) == (at), #T "::" #field)
#define SIZE(T, size) static_assert(sizeof(T) == (size), "sizeof " #T)
// Field `b` directly follows field `a`, which takes `size` bytes.
#define NEXT(T, a, size, b) OFFSET(T, b, Up(offsetof(T, a) + (size), alignof(decltype(T::b))))
// Field `last`, of `size` bytes, ends the object (up to its alignment).
#define LAST(T, last, size) SIZE(T, Up(offsetof(T, last) + (size), alignof(T)))

using namespace Vesk;

constexpr std::size_t kPtr = sizeof(void*);
constexpr auto Up = [](std::size_t n, std::size_t to) { return (n + to - 1) / to * to; };

// CAtomicInt is exactly one `long`, embedded by value in its owners; CRefCount_Base holds it right
// after its vtable pointer. The stateless classes hold only that pointer (which also pins their
// interfaces IRefCount, CMemoryManager and CSynchronizationObject).
SIZE(CAtomicInt, sizeof(long));
SIZE(CRefCount_Base, kPtr + sizeof(long));
SIZE(CMemoryManager_Generic, kPtr);
SIZE(CFakeSynchronizationObject, kPtr);
SIZE(CRefCountPtr<CEvent>, 2 * kPtr);  // vtable pointer + m_ptr

SIZE(CMutex, Up(kPtr + sizeof(pthread_mutex_t), alignof(CMutex)));  // vtable pointer, m_mutex
// CEvent: CSynchronizationObject, then CRefCount_Base, then its own fields.
OFFSET(CEvent, m_mutex, Up(kPtr + sizeof(CRefCount_Base), alignof(pthread_mutex_t)));
NEXT(CEvent, m_mutex, sizeof(pthread_mutex_t), m_cond);
NEXT(CEvent, m_cond, sizeof(pthread_cond_t), m_signaled);
NEXT(CEvent, m_signaled, 1, m_waiters);
NEXT(CEvent, m_waiters, 4, m_manualReset);
LAST(CEvent, m_manualReset, 1);

// CThread's protected fields, as derived classes see them. The object must not grow beyond
// m_autoDelete (the join bookkeeping lives in its padding).
struct CThreadLayout : CThread {
    using CThread::m_autoDelete, CThread::m_lock, CThread::m_status, CThread::m_stopEvent,
        CThread::m_thread, CThread::m_threadID;
};
OFFSET(CThreadLayout, m_status, kPtr);
NEXT(CThreadLayout, m_status, 4, m_threadID);
NEXT(CThreadLayout, m_threadID, sizeof(pthread_t), m_stopEvent);
NEXT(CThreadLayout, m_stopEvent, sizeof(CEvent), m_lock);
NEXT(CThreadLayout, m_lock, sizeof(CMutex), m_thread);
NEXT(CThreadLayout, m_thread, sizeof(pthread_t), m_autoDelete);
LAST(CThreadLayout, m_autoDelete, 1);

OFFSET(CReaderWriterLock, m_lock, 0);
NEXT(CReaderWriterLock, m_lock, sizeof(CMutex), m_event);
NEXT(CReaderWriterLock, m_event, sizeof(CEvent), m_readers);
NEXT(CReaderWriterLock, m_readers, 4, m_writers);
LAST(CReaderWriterLock, m_writers, 4);
SIZE(CReaderWriterLock::CReaderLock, kPtr);
SIZE(CReaderWriterLock::CWriterLock, kPtr);

// The performance counter: the count base, then an 8-aligned total, the hits and the name.
OFFSET(CPerformanceCounter, m_totalTime, Up(sizeof(CRefCount_Base), 8));
NEXT(CPerformanceCounter, m_totalTime, 8, m_hitCount);
NEXT(CPerformanceCounter, m_hitCount, 4, m_name);
LAST(CPerformanceCounter, m_name, kPtr);
OFFSET(CPerformanceCounter::CScopeTimer, m_startTime, Up(kPtr, alignof(long long)));
LAST(CPerformanceCounter::CScopeTimer, m_startTime, 8);

// The class registry: a 64-byte name first.
OFFSET(CRuntimeClassInfo, m_isInitialized, 64);
NEXT(CRuntimeClassInfo, m_isInitialized, 1, m_pfnCreateObject);
NEXT(CRuntimeClassInfo, m_pfnCreateObject, kPtr, m_parentClasses);
LAST(CRuntimeClassInfo, m_parentClasses, 4 * kPtr);
SIZE(CTypeManager, sizeof(CTypeManager::m_classesByName));

OFFSET(CLanguage, m_languageCode, kPtr);
NEXT(CLanguage, m_languageCode, 4, m_codeType);
NEXT(CLanguage, m_codeType, 4, m_languageName);
LAST(CLanguage, m_languageName, sizeof(std::string));

// Records and tables applications fill or read directly; classes of static members only.
NEXT(sDataTypeDescription_t, pData, kPtr, nSize);
NEXT(sDataTypeDescription_t, nSize, 4, nType);
SIZE(sDataTypeDescription_t, Up(kPtr + 8, kPtr));
NEXT(sLatin1ToASCIIEntry_t, text, kPtr, length);
SIZE(sLatin1ToASCIIEntry_t, Up(kPtr + 4, kPtr));
SIZE(Latin1ToASCIITableArray, 128 * sizeof(sLatin1ToASCIIEntry_t));
SIZE(c_UTF8_1stByteStartValueTable, 6);
SIZE(c_UTF8_1stByteMaskForSignifBitsTable, 6);
static_assert(sizeof(CStringParser) == 1 && sizeof(CSysUtils) == 1, "no data");

// The enumerations' values are part of the interface.
static_assert(DT_END == 0 && DT_CHAR == 1 && DT_BOOL == 2 && DT_UINT64 == 3 && DT_INT64 == 4);
static_assert(DT_UINT32 == 5 && DT_INT32 == 6 && DT_ULONG == 7 && DT_DWORD == 8 && DT_INT16 == 9);
static_assert(DT_UINT16 == 10 && DT_STRING == 11 && CLanguage::eLanguageCodeISO639_2 == 1);
static_assert(CSynchronizationObject::eWaitFailed == 0 && CThread::eThreadNotStarted == 0);
static_assert(CSynchronizationObject::eWaitSignaled == 1 && CThread::eThreadRunning == 1);
static_assert(CSynchronizationObject::eWaitTimeout == 2 && CThread::eThreadPaused == 2);
static_assert(CThread::eThreadFinished == 3, "EThreadStatus");
