// SPDX-License-Identifier: Apache-2.0
/// @file
/// Export control for libvesk.
///
/// The library is built with hidden visibility; only declarations marked VESK_API are part of the
/// binary interface. Consumers of the static library get VESK_STATIC_DEFINE from the CMake package
/// (or define it themselves), which makes the macro empty.
#ifndef VESK_EXPORT_H
#define VESK_EXPORT_H

#if defined(VESK_STATIC_DEFINE)
/// Marks a declaration as part of the library's binary interface (empty for the static library).
#define VESK_API
#else
/// Marks a declaration as part of the library's binary interface (empty for the static library).
#define VESK_API __attribute__((visibility("default")))
#endif

/// Keeps a private member of an exported class out of the binary interface.
#define VESK_LOCAL __attribute__((visibility("hidden")))

#endif  // VESK_EXPORT_H
