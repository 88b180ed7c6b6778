// The trampoline area: 32 zero bytes in a section of their own named .code,
// readable and executable but not writable at load. HotPatch makes it
// writable only while it claims and fills a slot.
#if !defined(__i386__)
#error "trampoline_area_x86.cpp is i686 code"
#endif

__asm__(
    ".section .code,\"xr\"\n"
    ".p2align 4\n"
    ".globl _TrampolineArea\n"
    "_TrampolineArea:\n"
    "    .space 32\n"
    ".text\n");
