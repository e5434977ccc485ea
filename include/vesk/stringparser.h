// (declarations to come)
#ifndef VESK_STRINGPARSER_H
#define VESK_STRINGPARSER_H

#include <vesk/export.h>

#endif  // VESK_STRINGPARSER_H
