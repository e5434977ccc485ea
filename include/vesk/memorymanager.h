// (declarations to come)
#ifndef VESK_MEMORYMANAGER_H
#define VESK_MEMORYMANAGER_H

#include <vesk/export.h>

#endif  // VESK_MEMORYMANAGER_H
