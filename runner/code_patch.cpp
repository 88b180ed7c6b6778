// Jump patches over the start of a function (code_patch.h).
#include <windows.h>

#include <string.h>

#include "code_patch.h"

namespace {

JumpInstruction JumpTo(const void* from, const void* destination) {
    JumpInstruction jump;
    jump.Opcode = OPCODE_JMP_REL32;
    jump.Displacement = (int32_t)((uintptr_t)destination - ((uintptr_t)from + sizeof jump));
    return jump;
}

}  // namespace

bool WriteJump(void* target, const void* destination) {
    JumpInstruction jump = JumpTo(target, destination);
    DWORD previous;
    if (!VirtualProtect(target, sizeof jump, PAGE_EXECUTE_READWRITE, &previous)) return false;
    memcpy(target, &jump, sizeof jump);
    DWORD unused;
    VirtualProtect(target, sizeof jump, previous, &unused);
    FlushInstructionCache(GetCurrentProcess(), target, sizeof jump);
    return true;
}

bool HasJump(const void* target, const void* destination) {
    JumpInstruction jump = JumpTo(target, destination);
    return memcmp(target, &jump, sizeof jump) == 0;
}
