// (declarations to come)
#ifndef VESK_COMPAT_H
#define VESK_COMPAT_H

#include <vesk/export.h>

#endif  // VESK_COMPAT_H
