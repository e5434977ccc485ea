// The wait contract, written once and run for every waitable kind, through the object's own
// WaitForObject and through the static dispatcher: a table of {start state, time-out, when another
// thread signals, expected result, expected delay}. Lower bounds are strict; upper bounds carry
// the slack of a loaded machine.
#include <vesk/event.h>
#include <vesk/syncobject.h>
#include <vesk/thread.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "sync/waittestsupport.h"

namespace {

using Vesk::CSynchronizationObject;
using namespace VeskTest;

enum class Kind { Mutex, ManualEvent, AutoEvent, Thread, Fake };

// One waitable object under test and the means to drive its state.
class Waitable {
  public:
    virtual ~Waitable() = default;
    virtual CSynchronizationObject& Object() = 0;
    // The state in which a wait is satisfied at once.
    virtual void MakeSignalled() {}
    // The state in which a wait blocks until Signal().
    virtual void MakeBusy() {}
    // Runs on another thread: ends the busy state.
    virtual void Signal() {}
};

// Busy: another thread holds the mutex until Signal() tells it to let go.
class MutexWaitable : public Waitable {
  public:
    CSynchronizationObject& Object() override { return m_mutex; }
    void MakeBusy() override { m_holder = std::make_unique<VeskTest::MutexHolder>(m_mutex); }
    void Signal() override { m_holder->Release(); }

  private:
    Vesk::CMutex m_mutex;
    std::unique_ptr<VeskTest::MutexHolder> m_holder;
};

class EventWaitable : public Waitable {
  public:
    explicit EventWaitable(bool manualReset) : m_event(manualReset) {}
    CSynchronizationObject& Object() override { return m_event; }
    void MakeSignalled() override { m_event.SignalEvent(); }
    void Signal() override { m_event.SignalEvent(); }

  private:
    Vesk::CEvent m_event;
};

// A worker whose body returns once its gate opens.
class GatedThread : public Vesk::CThread {
  public:
    GatedThread() : m_gate(true) {}
    ~GatedThread() override {
        m_gate.SignalEvent();
        StopThread(-1);
    }
    int ThreadBody() override { return m_gate.WaitForObject(-1); }
    Vesk::CEvent m_gate;
};

// Busy: the body runs until Signal(). Signalled: the body has returned.
class ThreadWaitable : public Waitable {
  public:
    CSynchronizationObject& Object() override { return m_thread; }
    void MakeSignalled() override {
        m_thread.m_gate.SignalEvent();
        ASSERT_EQ(1, m_thread.StartThread());
        ASSERT_TRUE(VeskTest::EventuallyTrue(
            [this] { return m_thread.GetThreadStatus() == Vesk::CThread::eThreadFinished; }));
    }
    void MakeBusy() override { ASSERT_EQ(1, m_thread.StartThread()); }
    void Signal() override { m_thread.m_gate.SignalEvent(); }

  private:
    GatedThread m_thread;
};

class FakeWaitable : public Waitable {
  public:
    CSynchronizationObject& Object() override { return m_fake; }

  private:
    Vesk::CFakeSynchronizationObject m_fake;
};

std::unique_ptr<Waitable> MakeWaitable(Kind kind) {
    switch (kind) {
        case Kind::Mutex:
            return std::make_unique<MutexWaitable>();
        case Kind::ManualEvent:
            return std::make_unique<EventWaitable>(true);
        case Kind::AutoEvent:
            return std::make_unique<EventWaitable>(false);
        case Kind::Thread:
            return std::make_unique<ThreadWaitable>();
        case Kind::Fake:
            break;
    }
    return std::make_unique<FakeWaitable>();
}

const char* KindName(Kind kind) {
    static const char* const names[] = {"Mutex", "ManualEvent", "AutoEvent", "Thread", "Fake"};
    return names[static_cast<int>(kind)];
}

const long kNever = -1;

struct WaitCase {
    const char* name;
    bool busy;           // start state: busy, or signalled
    long timeout;        // milliseconds
    long signalAfterMs;  // when another thread signals, or kNever
    int expected;
    long minMs;       // strict lower bound of the delay
    long expectedMs;  // expected delay; the upper bound adds the slack
};

struct WaitParam {
    Kind kind;
    WaitCase wait;
    bool viaDispatcher;
};

// The table for one kind. Rows differ between kinds only where the contract does: a time-out below
// -1 (mutex: a deadline in the past; event: no limit; thread: time-out at once), the thread's
// first poll after one step, and the fake object, which fails every wait at once. The largest
// time-out must not overflow into a deadline in the past (LONG_MAX x 10^6 leaves the 64-bit range);
// a thread polls in steps of a hundredth of the time-out, so it has no such row.
std::vector<WaitCase> CasesFor(Kind kind) {
    if (kind == Kind::Fake) {
        return {
            {"SignalledNoLimit", false, -1, kNever, kFailed, 0, 0},
            {"BusyNoLimit", true, -1, 100, kFailed, 0, 0},
            {"BusyTest", true, 0, kNever, kFailed, 0, 0},
            {"BusyTimed1000", true, 1000, kNever, kFailed, 0, 0},
            {"BusyBelowMinusOne", true, -5, kNever, kFailed, 0, 0},
        };
    }
    const bool isThread = kind == Kind::Thread;
    const bool isEvent = kind == Kind::ManualEvent || kind == Kind::AutoEvent;
    std::vector<WaitCase> cases = {
        {"SignalledTest", false, 0, kNever, kSignaled, 0, 0},
        {"SignalledNoLimit", false, -1, kNever, kSignaled, 0, 0},
        // The thread's first test of its status follows one sleep of 250/100 = 2 ms.
        {"SignalledTimed250", false, 250, kNever, kSignaled, isThread ? 2 : 0, 0},
        {"SignalledBelowMinusOne", false, -5, kNever, isThread ? kTimeout : kSignaled, 0, 0},
        {"BusyTest", true, 0, kNever, kTimeout, 0, 0},
        {"BusyTimed250NeverSignalled", true, 250, kNever, kTimeout, 250, 250},
        {"BusyTimed1000SignalledAt100", true, 1000, 100, kSignaled, 100, 100},
        {"BusyNoLimitSignalledAt100", true, -1, 100, kSignaled, 100, 100},
    };
    if (!isThread) {
        cases.push_back({"BusyLongMaxSignalledAt100", true, LONG_MAX, 100, kSignaled, 100, 100});
    }
    if (isEvent) {
        cases.push_back({"BusyBelowMinusOneSignalledAt100", true, -5, 100, kSignaled, 100, 100});
    } else {
        cases.push_back({"BusyBelowMinusOne", true, -5, kNever, kTimeout, 0, 0});
    }
    return cases;
}

std::vector<WaitParam> AllParams() {
    std::vector<WaitParam> params;
    for (Kind kind : {Kind::Mutex, Kind::ManualEvent, Kind::AutoEvent, Kind::Thread, Kind::Fake}) {
        for (const WaitCase& wait : CasesFor(kind)) {
            params.push_back({kind, wait, false});
            params.push_back({kind, wait, true});
        }
    }
    return params;
}

std::string ParamName(const ::testing::TestParamInfo<WaitParam>& info) {
    return std::string(KindName(info.param.kind)) + "_" + info.param.wait.name +
           (info.param.viaDispatcher ? "_Dispatcher" : "_Member");
}

class WaitContractTest : public ::testing::TestWithParam<WaitParam> {};

TEST_P(WaitContractTest, ResultAndDelayFollowTheContract) {
    const WaitParam& param = GetParam();
    const WaitCase& wait = param.wait;
    std::unique_ptr<Waitable> waitable = MakeWaitable(param.kind);
    if (wait.busy) {
        waitable->MakeBusy();
    } else {
        waitable->MakeSignalled();
    }
    ASSERT_FALSE(HasFatalFailure());

    Stopwatch clock;
    DelayedAction signaller(wait.signalAfterMs, [&waitable] { waitable->Signal(); });
    CSynchronizationObject& object = waitable->Object();
    const int result = param.viaDispatcher
                           ? CSynchronizationObject::WaitForObject(object, wait.timeout)
                           : object.WaitForObject(wait.timeout);
    const long long elapsedUs = clock.ElapsedUs();

    EXPECT_EQ(wait.expected, result);
    EXPECT_TRUE(DelayWithin(elapsedUs, wait.minMs, wait.expectedMs));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, WaitContractTest, ::testing::ValuesIn(AllParams()), ParamName);

}  // namespace
