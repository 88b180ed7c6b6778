// ProfileAccess hands the host a pointer to its variable arguments, as they
// lie on the stack of this caller-removes call. On i686 a va_list is exactly
// that pointer.
#include <stdarg.h>

#include "lifecycle.h"

#if !defined(__i386__)
#error "profile_access_x86.cpp relies on the i686 stack layout of variable arguments"
#endif
static_assert(sizeof(va_list) == sizeof(void*), "va_list is a pointer into the stack");

extern "C" int32_t HOST_CALLER ProfileAccess(int32_t mode, const char* section, const char* key,
                                             const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int32_t result = HostProfile(mode, section, key, format, (void*)arguments);
    va_end(arguments);
    return result;
}
