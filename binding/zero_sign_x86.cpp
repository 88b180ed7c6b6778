// The module's formatted printing (snprintf and the rest of the family) runs
// through the runtime's __mingw_pformat, linked into the module. The link
// wraps it (--wrap=__mingw_pformat) with this function, which formats zero of
// either sign without a sign in the e, f and g conversions: the arguments the
// format uses are copied and their zero doubles rewritten as +0, so the
// caller's own argument list is never changed.
#include <stdarg.h>
#include <string.h>

#include "zero_sign.h"

#if !defined(__i386__)
#error "zero_sign_x86.cpp relies on the i686 layout of variable arguments"
#endif
static_assert(sizeof(va_list) == sizeof(void*), "va_list points into the argument block");

enum { ARGUMENT_BLOCK_SIZE = 512 };

extern "C" int __real___mingw_pformat(int flags, void* target, int limit, const char* format,
                                      va_list arguments);

extern "C" int __wrap___mingw_pformat(int flags, void* target, int limit, const char* format,
                                      va_list arguments) {
    uint8_t block[ARGUMENT_BLOCK_SIZE];
    // Measured against the block's size first: only what the format uses is
    // read from the caller's arguments.
    int32_t used = ClearZeroSigns(format, nullptr, ARGUMENT_BLOCK_SIZE, 0);
    if (used <= 0) return __real___mingw_pformat(flags, target, limit, format, arguments);
    memcpy(block, (const void*)arguments, (size_t)used);
    ClearZeroSigns(format, block, used, 1);
    return __real___mingw_pformat(flags, target, limit, format, (va_list)block);
}
