// (declarations to come)
#ifndef VESK_TYPEMANAGER_H
#define VESK_TYPEMANAGER_H

#include <vesk/export.h>

#endif  // VESK_TYPEMANAGER_H
