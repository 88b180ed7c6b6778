// Runtime patches: hot patching of functions the module carries, through two
// trampoline slots in a section of their own.
#pragma once

#include <stdint.h>

#include "host_abi.h"

// E9 xxxxxxxx: JMP to (address of the next instruction) + xxxxxxxx
struct HOST_PACKED JumpInstruction {
    uint8_t Opcode;        // 0xE9
    int32_t Displacement;  // destination - (instruction + 5)
};
static_assert(sizeof(JumpInstruction) == 5, "a relative jump is five bytes");

// 8B FF     mov edi, edi   (two-byte filler)
// 55        push ebp
// 8B EC     mov ebp, esp
enum { HOT_PATCH_PROLOGUE_SIZE = 5 };
extern "C" const uint8_t HotPatchPrologue[HOT_PATCH_PROLOGUE_SIZE];

// One 16-byte slot of the trampoline area: the target's prologue, re-executed,
// then a jump back to the instruction after it. Not packed: the in-use mark
// falls on a 4-byte boundary by itself, as the atomic claim needs.
struct Trampoline {
    uint8_t Prologue[HOT_PATCH_PROLOGUE_SIZE];  // 8B FF 55 8B EC
    JumpInstruction Resume;                     // E9 to target + 5
    uint8_t Unused[2];
    int32_t InUse;                              // 0 free, -1 claimed (never released)
};
static_assert(sizeof(Trampoline) == 16, "a trampoline slot is 16 bytes");
static_assert(__builtin_offsetof(Trampoline, Resume) == 5, "resume jump at bytes 5 to 9");
static_assert(__builtin_offsetof(Trampoline, InUse) == 12, "in-use mark at bytes 12 to 15");

enum {
    TRAMPOLINE_SLOTS = 2,
    TRAMPOLINE_AREA_SIZE = TRAMPOLINE_SLOTS * sizeof(Trampoline),
    PROTECTION_EXECUTE_READWRITE = 0x40,
};

extern "C" {
// 32 bytes in a section of their own, readable and executable, zero at load.
extern Trampoline TrampolineArea[TRAMPOLINE_SLOTS];

Trampoline* ClaimTrampoline(void);
int32_t HotPatch(void* target, void** priorEntry, void* replacement);
}
