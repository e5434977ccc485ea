// SPDX-License-Identifier: Apache-2.0
// The wait contract, written once and run for every waitable kind through the static dispatcher:
// each check waits on a fresh object that starts busy or signalled and that another thread may
// signal during the wait. Then what the mutex and the event promise beyond it; a time-out below -1
// is read differently by each kind and tested with it.
#include <climits>
#include <string>
#include <type_traits>
#include <vector>

#include "sync/waittestsupport.h"

namespace {

using namespace VeskTest;

// A kind has `object`, is made busy, and Signal() ends the busy state.
struct KindBase {
    void MakeBusy() {}
    void Signal() {}
};

// Busy: another thread holds the mutex until Signal().
struct MutexKind : KindBase {
    Vesk::CMutex object;
    std::atomic<bool> release{false};
    std::future<void> holder;
    ~MutexKind() { Signal(); }
    void MakeBusy() { holder = HoldElsewhere(object, release); }
    void Signal() { release = true; }
};

template <bool kManualReset>
struct EventKind : KindBase {
    Vesk::CEvent object{kManualReset};
    void Signal() { object.SignalEvent(); }
};

// Busy: the body runs until its gate opens.
struct ThreadKind : KindBase {
    Vesk::CEvent gate{true};
    Worker object{[this](Worker&) { return gate.WaitForObject(-1); }};
    ~ThreadKind() { Signal(); }
    void MakeBusy() { ASSERT_EQ(1, object.StartThread()); }
    void Signal() { gate.SignalEvent(); }
};

// Fails every wait at once.
struct FakeKind : KindBase {
    Vesk::CFakeSynchronizationObject object;
};

// The ways to wait on one object: alone, and as the only object of a wait-any and a wait-all.
enum EWay { eAlone, eAny, eAll };
const char* const kWayNames[] = {"alone", "wait-any", "wait-all"};

int WaitOn(Vesk::CSynchronizationObject& object, long timeout, EWay way) {
    Vesk::CSynchronizationObject* const objects[] = {&object};
    return way == eAlone ? Vesk::CSynchronizationObject::WaitForObject(object, timeout)
                         : Vesk::CSynchronizationObject::WaitForObjects(objects, 1, way == eAll,
                                                                        timeout, nullptr);
}

template <typename Kind>
struct WaitContract : ::testing::Test {
    static constexpr bool kFake = std::is_same<Kind, FakeKind>::value;

    // Expects `result` after `delayMs` (plus slack) and, where another thread signals, not before.
    // A signalled object is one signalled before it is made busy, once a test (time-out 0) finds it
    // so; a joined thread must keep answering. A test is made a hundred times: it never sleeps.
    // Each check is made alone and through WaitForObjects on a set of one, which must agree.
    void Check(bool busy, long timeout, long signalAt, int result, long delayMs = 0) {
        for (EWay way : {eAlone, eAny, eAll}) {
            SCOPED_TRACE(kWayNames[way]);
            Check(way, busy, timeout, signalAt, result, delayMs);
        }
    }
    void Check(EWay way, bool busy, long timeout, long signalAt, int result, long delayMs) {
        SCOPED_TRACE(::testing::Message() << (busy ? "busy" : "signalled") << ", " << timeout);
        Kind kind;
        if (!busy) {
            kind.Signal();  // first: a thread's body then returns at once, meeting the start race
        }
        kind.MakeBusy();
        ASSERT_TRUE(busy || kFake ||
                    EventuallyTrue([&] { return kind.object.WaitForObject(0) == kSignaled; }));
        const auto start = Clock::now();
        auto signaller =
            signalAt > 0 ? After(signalAt, [&] { kind.Signal(); }) : std::future<void>{};
        for (int i = 0; i < (timeout == 0 ? 100 : 1); ++i) {
            EXPECT_EQ(kFake ? kFailed : result, WaitOn(kind.object, timeout, way));
        }
        EXPECT_TRUE(DelayWithin(start, kFake ? 0 : delayMs, delayMs));
    }
};

struct KindNames {
    template <typename Kind>
    static std::string GetName(int i) {
        return std::vector<std::string>{"Mutex", "ManualEvent", "AutoEvent", "Thread", "Fake"}[i];
    }
};
using Kinds = ::testing::Types<MutexKind, EventKind<true>, EventKind<false>, ThreadKind, FakeKind>;
TYPED_TEST_SUITE(WaitContract, Kinds, KindNames);

// LONG_MAX must not overflow into a deadline in the past; a thread, which polls in steps of up to
// 5 s, waits without limit instead.
TYPED_TEST(WaitContract, BusyObjectWaitsAsTheTimeoutSays) {
    this->Check(true, 0, 0, kTimeout);
    this->Check(true, 250, 0, kTimeout, 250);
    this->Check(true, 1000, 100, kSignaled, 100);
    this->Check(true, -1, 100, kSignaled, 100);
    this->Check(true, std::is_same<TypeParam, ThreadKind>() ? -1 : LONG_MAX, 100, kSignaled, 100);
}

TYPED_TEST(WaitContract, SignalledObjectAnswersAtOnce) {
    this->Check(false, 0, 0, kSignaled);
    this->Check(false, -1, 0, kSignaled);
    this->Check(false, 250, 0, kSignaled);
}

// The kind beside an auto-reset event in sets of two. While the kind is busy, a wait-all takes
// nothing and the event keeps its signal; once the kind is signalled too, the wait-all ends and
// takes the event's signal with it. A wait-any names the lowest index signalled and takes only
// that signal. The fake object fails every set at once and touches nothing.
TYPED_TEST(WaitContract, TakesPartInWaitsOnSeveralObjects) {
    using Sync = Vesk::CSynchronizationObject;
    const auto expected = [](int result) { return TestFixture::kFake ? kFailed : result; };
    TypeParam kind;
    kind.MakeBusy();
    Vesk::CEvent event(false);
    Sync* const kindFirst[] = {&kind.object, &event};
    Sync* const eventFirst[] = {&event, &kind.object};
    int index = -1;
    EXPECT_EQ(expected(kTimeout), Sync::WaitForObjects(kindFirst, 2, false, 50, &index));
    event.SignalEvent();
    EXPECT_EQ(expected(kTimeout), Sync::WaitForObjects(kindFirst, 2, true, 50, &index));
    EXPECT_EQ(expected(kSignaled), Sync::WaitForObjects(kindFirst, 2, false, 50, &index));
    EXPECT_EQ(TestFixture::kFake ? -1 : 1, index);
    EXPECT_EQ(TestFixture::kFake ? kSignaled : kTimeout, event.WaitForObject(0)) << "taken";

    event.SignalEvent();
    const auto start = Clock::now();
    auto signaller = After(100, [&] { kind.Signal(); });
    EXPECT_EQ(expected(kSignaled), Sync::WaitForObjects(eventFirst, 2, true, -1, &index));
    EXPECT_TRUE(DelayWithin(start, TestFixture::kFake ? 0 : 100, 100));
    signaller.get();
    EXPECT_EQ(TestFixture::kFake ? kSignaled : kTimeout, event.WaitForObject(0)) << "taken";

    index = -1;
    event.SignalEvent();
    kind.Signal();
    EXPECT_EQ(expected(kSignaled), Sync::WaitForObjects(kindFirst, 2, false, -1, &index));
    EXPECT_EQ(expected(kSignaled), Sync::WaitForObjects(eventFirst, 2, false, 250, &index));
    EXPECT_EQ(TestFixture::kFake ? -1 : 0, index);
    EXPECT_EQ(TestFixture::kFake ? kSignaled : kTimeout, event.WaitForObject(0)) << "taken";
}

// Each Lock counts once more and only the last Unlock frees the mutex; a successful wait, by the
// holder or anyone else, leaves the count as it was. Another thread's test (0) and wait with a
// deadline in the past (-5) find the mutex held or free.
TEST(MutexTest, HoldsNestAndSuccessfulWaitsLeaveTheCountAlone) {
    Vesk::CMutex mutex;
    int holds = 0;
    for (int step : {0, 1, 1, -1, -1}) {
        step > 0 ? mutex.Lock() : step < 0 ? mutex.Unlock() : void();
        holds += step;
        for (long timeout : {-1L, 0L, 250L, -5L}) {
            EXPECT_EQ(kSignaled, mutex.WaitForObject(timeout)) << holds << " holds, " << timeout;
        }
        auto other = std::async(std::launch::async, [&] {
            return std::vector<int>{mutex.WaitForObject(0), mutex.WaitForObject(-5)};
        });
        EXPECT_EQ(std::vector<int>(2, holds > 0 ? kTimeout : kSignaled), other.get()) << holds;
    }
}

// Of three blocked waiters (no limit, timed, and below -1, which means no limit too), one signal
// releases all of a manual-reset event, which stays signalled, and exactly one of an auto-reset
// event, whose signal that waiter takes; each further signal releases one more.
TEST(EventTest, OneSignalReleasesEveryWaiterOrExactlyOne) {
    for (bool manualReset : {true, false}) {
        SCOPED_TRACE(manualReset ? "manual reset" : "auto reset");
        Vesk::CEvent event(manualReset);
        std::atomic<int> released{0};
        auto wait = [&](long timeout) { released += event.WaitForObject(timeout) == kSignaled; };
        std::future<void> waiters[] = {After(0, std::bind(wait, -1)),
                                       After(0, std::bind(wait, 10000)),
                                       After(0, std::bind(wait, -5))};
        std::this_thread::sleep_for(Ms(50));
        for (int signals = 1; signals <= 3; ++signals) {
            event.SignalEvent();
            EXPECT_TRUE(EventuallyTrue([&] { return released == (manualReset ? 3 : signals); }));
            std::this_thread::sleep_for(Ms(50));
            EXPECT_EQ(manualReset ? 3 : signals, released.load());
        }
        EXPECT_EQ(manualReset ? kSignaled : kTimeout, event.WaitForObject(0));
    }
}

}  // namespace
