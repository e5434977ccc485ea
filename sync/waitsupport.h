// Deadline arithmetic and result mapping shared by the waitable objects (internal).
#ifndef VESK_SYNC_WAITSUPPORT_H
#define VESK_SYNC_WAITSUPPORT_H

#include <time.h>

namespace Vesk {

// The absolute CLOCK_REALTIME instant `timeoutMs` milliseconds from now, computed in signed 64-bit
// nanoseconds (so a negative time-out gives a deadline in the past).
timespec WallClockDeadline(long timeoutMs);

// Platform result code to wait result: 0 -> 1 (signalled), ETIMEDOUT -> 2, anything else -> 0.
int WaitResultFromCode(int code);

// nanosleep of `ms` milliseconds (seconds and nanoseconds); a sleep cut short by a signal is not
// resumed.
void SleepMilliseconds(long ms);

}  // namespace Vesk

#endif  // VESK_SYNC_WAITSUPPORT_H
