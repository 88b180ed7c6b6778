// Hot patching: redirects a function that starts with a relative jump or with
// the hot-patch prologue to a replacement, keeping a way to the original.
#include <string.h>

#include "platform.h"
#include "runtime_patch.h"

extern "C" const uint8_t HotPatchPrologue[HOT_PATCH_PROLOGUE_SIZE] = {0x8B, 0xFF, 0x55, 0x8B, 0xEC};

static int32_t Displacement(const void* from, const void* to) {
    // Relative to the end of the five-byte jump at `from`.
    return (int32_t)((intptr_t)to - ((intptr_t)from + (intptr_t)sizeof(JumpInstruction)));
}

static void WriteJump(void* at, const void* destination) {
    JumpInstruction jump = {0xE9, Displacement(at, destination)};
    memcpy(at, &jump, sizeof jump);
}

extern "C" Trampoline* ClaimTrampoline(void) {
    for (Trampoline& slot : TrampolineArea) {
        int32_t expected = 0;
        // The module's only atomic operation of its own: two patches can
        // never share a slot.
        if (__atomic_compare_exchange_n(&slot.InUse, &expected, -1, false, __ATOMIC_SEQ_CST,
                                        __ATOMIC_SEQ_CST))
            return &slot;
    }
    return nullptr;
}

static int32_t PatchRelativeJump(uint8_t* target, void** priorEntry, void* replacement) {
    uint32_t previous;
    if (!PlatformProtect(target, sizeof(JumpInstruction), PROTECTION_EXECUTE_READWRITE, &previous))
        return 0;
    JumpInstruction jump;
    memcpy(&jump, target, sizeof jump);
    *priorEntry = target + sizeof jump + jump.Displacement;
    WriteJump(target, replacement);  // only the displacement changes
    PlatformFlushCode(target, sizeof jump);
    PlatformProtect(target, sizeof jump, previous, &previous);
    return 1;
}

static int32_t PatchPrologue(uint8_t* target, void** priorEntry, void* replacement) {
    uint32_t targetProtection, areaProtection;
    if (!PlatformProtect(target, HOT_PATCH_PROLOGUE_SIZE, PROTECTION_EXECUTE_READWRITE,
                         &targetProtection))
        return 0;
    // Claiming writes the slot's mark, so the area must be writable first;
    // if it cannot be made so, nothing is written and no slot is claimed.
    if (!PlatformProtect(TrampolineArea, TRAMPOLINE_AREA_SIZE, PROTECTION_EXECUTE_READWRITE,
                         &areaProtection)) {
        PlatformProtect(target, HOT_PATCH_PROLOGUE_SIZE, targetProtection, &targetProtection);
        return 0;
    }
    Trampoline* slot = ClaimTrampoline();
    if (!slot) {
        // Both slots taken: the target is left as it was (the area keeps
        // its new protection).
        PlatformProtect(target, HOT_PATCH_PROLOGUE_SIZE, targetProtection, &targetProtection);
        return 0;
    }
    memcpy(slot->Prologue, HotPatchPrologue, HOT_PATCH_PROLOGUE_SIZE);
    WriteJump(&slot->Resume, target + HOT_PATCH_PROLOGUE_SIZE);
    PlatformFlushCode(slot, HOT_PATCH_PROLOGUE_SIZE + sizeof(JumpInstruction));
    *priorEntry = slot;
    WriteJump(target, replacement);
    PlatformFlushCode(target, sizeof(JumpInstruction));
    PlatformProtect(TrampolineArea, TRAMPOLINE_AREA_SIZE, areaProtection, &areaProtection);
    PlatformProtect(target, HOT_PATCH_PROLOGUE_SIZE, targetProtection, &targetProtection);
    return 1;
}

extern "C" int32_t HotPatch(void* target, void** priorEntry, void* replacement) {
    uint8_t* code = (uint8_t*)target;
    if (code[0] == 0xE9) return PatchRelativeJump(code, priorEntry, replacement);
    if (memcmp(code, HotPatchPrologue, HOT_PATCH_PROLOGUE_SIZE) == 0)
        return PatchPrologue(code, priorEntry, replacement);
    return 0;
}
