// Zero without a sign in the e, f and g conversions of formatted printing.
#pragma once

#include <stdint.h>

#include "host_abi.h"

extern "C" {
// The runtime's step that turns a double into decimal digits for the e, f and
// g conversions (caller removes the arguments).
typedef int32_t(HOST_CALLER* DoubleToDigitsFn)(double value, int32_t precision, void* digits,
                                               char* buffer, uint32_t size);

// Where ZeroSignFix continues: the unpatched step, once HotPatch has put
// ZeroSignFix in its place.
extern DoubleToDigitsFn ZeroSignFixPrior;

// Replacement of the double-to-digits step: a value equal to 0.0 (either
// sign, not a NaN) goes on as +0.0; everything else unchanged.
int32_t HOST_CALLER ZeroSignFix(double value, int32_t precision, void* digits, char* buffer,
                                uint32_t size);

// Walks a format over an i686 argument block (32-bit slots, doubles in 8
// bytes, long doubles in 12) and returns the number of bytes its conversions
// use, or -1 for a format it does not know (positional arguments, unknown
// conversions) or one that needs more than `available` bytes. With
// `clear` set, a double or long double of an e, f or g conversion (either
// case) that equals 0 is rewritten as +0 in the block; the a conversion keeps
// its sign.
int32_t ClearZeroSigns(const char* format, uint8_t* block, int32_t available, int32_t clear);
}
