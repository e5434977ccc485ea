// (declarations to come)
#ifndef VESK_UTFCONVERT_H
#define VESK_UTFCONVERT_H

#include <vesk/export.h>

#endif  // VESK_UTFCONVERT_H
