// SPDX-License-Identifier: Apache-2.0
// Process-wide state set up when the library is loaded (see startup.cpp).
#ifndef VESK_CORE_STARTUP_H
#define VESK_CORE_STARTUP_H

namespace Vesk {

// 1 when the host stores the least significant byte first, else 0. Written once at load, before
// any caller can reach the library; internal (not exported).
extern int g_isLittleEndianHost;

}  // namespace Vesk

#endif  // VESK_CORE_STARTUP_H
