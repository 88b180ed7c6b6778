// Native stand-ins for the life cycle's platform-specific parts: the
// variadic hand-over of ProfileAccess, the host's exception translator and
// the runtime's per-thread translator.
#include <stdarg.h>

#include "fake_lifecycle.h"
#include "lifecycle.h"

void* g_threadTranslator = nullptr;

extern "C" void HostExceptionTranslator(uint32_t, void*) {}

extern "C" void PlatformSetThreadExceptionTranslator(void* translator) {
    g_threadTranslator = translator;
}

// On i686 the host receives a pointer to the variable arguments on the stack.
// Here the one argument the plug-in passes is copied into a slot first: a
// pointer for a read, a 32-bit value for a write.
extern "C" int32_t ProfileAccess(int32_t mode, const char* section, const char* key,
                                 const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    union {
        int32_t* Pointer;
        int32_t Value;
    } first;
    if (mode == PROFILE_READ)
        first.Pointer = va_arg(arguments, int32_t*);
    else
        first.Value = va_arg(arguments, int32_t);
    va_end(arguments);
    return HostProfile(mode, section, key, format, &first);
}
