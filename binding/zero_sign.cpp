// Zero without a sign in the module's formatted printing.
//
// This toolchain's runtime does its e/f/g digit conversion in a static
// function with a register calling convention and no hot-patch prologue, so
// there is nothing for HotPatch to redirect. The same result is had at the
// formatter's entry instead (zero_sign_x86.cpp), which rewrites the zero
// arguments of those conversions with ClearZeroSigns before formatting.
// ZeroSignFix stays the replacement for a runtime that does offer the step.
#include <string.h>

#include "zero_sign.h"

extern "C" {
DoubleToDigitsFn ZeroSignFixPrior = nullptr;
}

static double UnsignedZero(double value) { return value == 0.0 ? 0.0 : value; }

extern "C" int32_t HOST_CALLER ZeroSignFix(double value, int32_t precision, void* digits,
                                           char* buffer, uint32_t size) {
    return ZeroSignFixPrior(UnsignedZero(value), precision, digits, buffer, size);
}

enum {
    SLOT = 4,                 // int, pointer, char: one 32-bit slot
    SLOT_64 = 8,              // long long, double
    SLOT_LONG_DOUBLE = 12,    // 80-bit long double, padded to three slots
};

static const char* SkipDigits(const char* f) {
    while (*f >= '0' && *f <= '9') ++f;
    return f;
}

extern "C" int32_t ClearZeroSigns(const char* f, uint8_t* block, int32_t available, int32_t clear) {
    int32_t used = 0;
    while (*f) {
        if (*f++ != '%') continue;
        if (*f == '%') {
            ++f;
            continue;
        }
        while (*f && strchr("-+ #0'", *f)) ++f;
        const char* width = f;
        f = SkipDigits(f);
        if (*f == '$') return -1;  // positional arguments
        if (f == width && *f == '*') {
            used += SLOT;
            ++f;
        }
        if (*f == '.') {
            ++f;
            if (*f == '*') {
                used += SLOT;
                ++f;
            } else {
                f = SkipDigits(f);
            }
        }
        int32_t size = SLOT;
        bool longDouble = false;
        for (;;) {
            if (*f == 'l' && f[1] == 'l') {
                size = SLOT_64;
                f += 2;
            } else if (*f == 'j' || (*f == 'I' && f[1] == '6' && f[2] == '4')) {
                size = SLOT_64;
                f += *f == 'j' ? 1 : 3;
            } else if (*f == 'I' && f[1] == '3' && f[2] == '2') {
                f += 3;
            } else if (*f == 'L') {
                longDouble = true;
                ++f;
            } else if (*f && strchr("hlztI", *f)) {
                ++f;
            } else {
                break;
            }
        }
        char conversion = *f++;
        if (!conversion) return -1;
        if (strchr("eEfFgGaA", conversion)) {
            int32_t width64 = longDouble ? SLOT_LONG_DOUBLE : SLOT_64;
            if (used + width64 > available) return -1;
            if (clear && !strchr("aA", conversion)) {
                if (longDouble) {
                    long double value = 0;  // the 80-bit value lies in the slot's first 10 bytes
                    memcpy(&value, block + used, 10);
                    if (value == 0.0L) memset(block + used, 0, 10);
                } else {
                    double value;
                    memcpy(&value, block + used, sizeof value);
                    if (value == 0.0) memset(block + used, 0, sizeof value);
                }
            }
            used += width64;
        } else if (strchr("diouxXcCsSpn", conversion)) {
            used += size;
        } else {
            return -1;
        }
        if (used > available) return -1;
    }
    return used;
}
