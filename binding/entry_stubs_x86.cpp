// i686 code of the host entry table: for every row its call entry and lazy
// binder, the initial contents of the entry slots, and the null stubs.
//
// The call entry is a bare jump through the row's slot, so the host function
// receives the call exactly as the caller made it (arguments, return address,
// either convention). Its symbol carries the declaration's stdcall decoration
// (_Name@bytes) or the plain cdecl name, so a declaration in host_entries.h
// that disagrees with the table does not link.
#include "binding.h"

#if !defined(__i386__)
#error "entry_stubs_x86.cpp is i686 code"
#endif

#define ENTRY_SYMBOL_CALLEE(name, bytes) "_" #name "@" #bytes
#define ENTRY_SYMBOL_CALLER(name, bytes) "_" #name

// Call entry:   FF 25 <slot>   jmp *slot
// Lazy binder:  6A 00          push $0            ; room for the continuation
//               60             pushal             ; every general register
//               68 <slot>      push $slot
//               E8 <rel>       call _BindRowLazily
//               83 C4 04       add $4, %esp
//               89 44 24 20    mov %eax, 32(%esp) ; continuation above the registers
//               61             popal
//               C3             ret                ; into it, stack as the caller left it
#define ENTRY_CODE(number, name, conv, bytes)                     \
    ".globl " ENTRY_SYMBOL_##conv(name, bytes) "\n"               \
    ENTRY_SYMBOL_##conv(name, bytes) ":\n"                        \
    "    jmp *_EntrySlot_" #name "\n"                             \
    "_LazyBinder_" #name ":\n"                                    \
    "    pushl $0\n"                                              \
    "    pushal\n"                                                \
    "    pushl $_EntrySlot_" #name "\n"                           \
    "    call _BindRowLazily\n"                                   \
    "    addl $4, %esp\n"                                         \
    "    movl %eax, 32(%esp)\n"                                   \
    "    popal\n"                                                 \
    "    ret\n"

// Slots in table order, so that EntrySlots[row] is the row's slot.
#define ENTRY_SLOT(number, name, conv, bytes) \
    "_EntrySlot_" #name ":\n"                 \
    "    .long _LazyBinder_" #name "\n"

__asm__(
    ".text\n"
    ".p2align 4\n"
    HOST_ENTRY_LIST(ENTRY_CODE)
    ".data\n"
    ".p2align 2\n"
    ".globl _EntrySlots\n"
    "_EntrySlots:\n"
    HOST_ENTRY_LIST(ENTRY_SLOT)
    ".text\n");

// Null stubs: member k is  31 C0  xor %eax,%eax ; C2 <4k>  ret $4k
// (member 0: C3 ret, the caller removes the arguments).
__asm__(
    ".text\n"
    ".p2align 4\n"
    ".globl _NullStubMember0\n"
    "_NullStubMember0:\n"
    "    xorl %eax, %eax\n"
    "    ret\n"
    ".irp k, 1,2,3,4,5,6,7,8,9,10,11,12,13,14\n"
    ".globl _NullStubMember\\k\n"
    "_NullStubMember\\k:\n"
    "    xorl %eax, %eax\n"
    "    ret $(4*\\k)\n"
    ".endr\n"
    ".section .rdata,\"dr\"\n"
    ".p2align 2\n"
    ".globl _NullStubTable\n"
    "_NullStubTable:\n"
    ".irp k, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14\n"
    "    .long _NullStubMember\\k\n"
    ".endr\n"
    ".text\n");
