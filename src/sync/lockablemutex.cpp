// SPDX-License-Identifier: Apache-2.0
// The standard-library names of CMutex: the one member that is not a plain forward.
#include <vesk/modern.h>

#include <pthread.h>

namespace Vesk {

bool CLockableMutex::try_lock() {
    // WaitForObject(0) would release the mutex again; a try-lock keeps the hold it gets.
    return pthread_mutex_trylock(&m_mutex->m_mutex) == 0;
}

}  // namespace Vesk
