// Reads an event's guarded fields the way its own members do: under the event's mutex. The mutex
// is taken with a bounded try-lock loop, so an event whose mutex was left locked (by a thread that
// ended inside a wait) shows as a failed read instead of hanging the test.
#ifndef VESK_TESTS_STRESS_EVENT_PROBE_H
#define VESK_TESTS_STRESS_EVENT_PROBE_H

#include <vesk/event.h>

#include <pthread.h>

#include "stress/stress_support.h"

namespace VeskStress {

struct sEventSnapshot {
    bool locked;  // false: the event's mutex could not be taken within kGenerous
    bool signaled;
    int waiters;
};

inline sEventSnapshot ReadEvent(Vesk::CEvent& event) {
    sEventSnapshot snapshot{false, false, 0};
    const bool got = EventuallyTrue([&] { return pthread_mutex_trylock(&event.m_mutex) == 0; });
    if (got) {
        snapshot = {true, event.m_signaled, event.m_waiters};
        pthread_mutex_unlock(&event.m_mutex);
    }
    return snapshot;
}

// Waits until exactly `count` threads are inside a blocking wait of `event`.
inline bool WaitersReach(Vesk::CEvent& event, int count) {
    return EventuallyTrue([&] {
        const sEventSnapshot now = ReadEvent(event);
        return now.locked && now.waiters == count;
    });
}

}  // namespace VeskStress

#endif  // VESK_TESTS_STRESS_EVENT_PROBE_H
