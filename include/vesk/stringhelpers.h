// (declarations to come)
#ifndef VESK_STRINGHELPERS_H
#define VESK_STRINGHELPERS_H

#include <vesk/export.h>

#endif  // VESK_STRINGHELPERS_H
