// SPDX-License-Identifier: Apache-2.0
/// @file
/// vesk - the whole public interface in one include.
#ifndef VESK_VESK_H
#define VESK_VESK_H

#include <vesk/version.h>

// Core object model
#include <vesk/atomicint.h>
#include <vesk/byteorder.h>
#include <vesk/memorymanager.h>
#include <vesk/perfcounter.h>
#include <vesk/refcount.h>
#include <vesk/typemanager.h>

// Synchronization and threads
#include <vesk/event.h>
#include <vesk/rwlock.h>
#include <vesk/syncobject.h>
#include <vesk/thread.h>

// Text and character sets
#include <vesk/language.h>
#include <vesk/stringhelpers.h>
#include <vesk/utfconvert.h>

// System utilities
#include <vesk/compat.h>
#include <vesk/stringparser.h>
#include <vesk/sysutils.h>

// Conveniences for C++ code
#include <vesk/modern.h>

#endif  // VESK_VESK_H
