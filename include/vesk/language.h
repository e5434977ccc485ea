// (declarations to come)
#ifndef VESK_LANGUAGE_H
#define VESK_LANGUAGE_H

#include <vesk/export.h>

#endif  // VESK_LANGUAGE_H
