// (declarations to come)
#ifndef VESK_SYSUTILS_H
#define VESK_SYSUTILS_H

#include <vesk/export.h>

#endif  // VESK_SYSUTILS_H
