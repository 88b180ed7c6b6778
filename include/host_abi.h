// Calling conventions of the host boundary.
//
// On i686 every host entry either removes its own arguments (callee, stdcall)
// or leaves them to the caller (cdecl). On the native x86_64 build used for
// unit tests there is one convention, so the macros expand to nothing there.
#pragma once

#if defined(__i386__)
#define HOST_CALLEE __attribute__((stdcall))
#define HOST_CALLER __attribute__((cdecl))
#else
#define HOST_CALLEE
#define HOST_CALLER
#endif

// Host records are byte-exact; only 32-bit fields at odd offsets occur, so all
// record types are packed.
#define HOST_PACKED __attribute__((packed))
