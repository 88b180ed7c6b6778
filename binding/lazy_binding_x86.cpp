// Lazy binding of the compatibility module ORVALE.dll.
//
// The listed system services are delay-loaded imports of ORVALE.dll
// (platform/orvale_delay.def): each call goes through a slot that first leads
// into the linker's binder, __delayLoadHelper2 of this toolchain's runtime.
// That binder was checked against what the host expects of it: it consults
// the notification hook with codes 0 (answer used for this call only, not
// stored), 1 (only while the module is not loaded), 2 (answer stored) and 5
// (after every successful binding, record filled, error field 0); it raises
// 0xC06D007E / 0xC06D007F with the binding record as the one argument; it
// loads "ORVALE.dll" by plain name and publishes the handle with an atomic
// exchange, releasing the extra reference of a thread that lost the race.
// The one difference, a failure hook that anyone could set, is removed here by
// defining that hook as constant null data.
#include "binding.h"

#if !defined(__i386__)
#error "lazy_binding_x86.cpp is i686 code"
#endif

// The binder's failure hook: read-only and null, so a failed binding always
// raises its exception.
__asm__(
    ".section .rdata,\"dr\"\n"
    ".p2align 2\n"
    ".globl ___pfnDliFailureHook2\n"
    "___pfnDliFailureHook2:\n"
    "    .long 0\n"
    ".text\n");

// The binder's notification hook is LazyBindingHook itself: null stub member
// 2 (returns 0, removes the two arguments) until BindHostModule puts the
// host's HostBindingHook, or null, in its place.
extern "C" void* HOST_CALLEE NullStubMember2Hook(uint32_t, void*) __asm__("_NullStubMember2");
extern "C" {
HostBindingHookFn LazyBindingHook = NullStubMember2Hook;
}
