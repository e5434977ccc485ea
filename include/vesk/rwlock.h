// (declarations to come)
#ifndef VESK_RWLOCK_H
#define VESK_RWLOCK_H

#include <vesk/export.h>

#endif  // VESK_RWLOCK_H
