// HotPatch, ClaimTrampoline and ZeroSignFix on targets of this program: a
// relative jump in a page of its own, functions with the hot-patch prologue,
// near misses of it, and memory whose protection cannot be changed.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "harness.h"
#include "runtime_patch.h"
#include "runtime_tests.h"
#include "zero_sign.h"

#define PATCH_TARGET extern "C" __attribute__((ms_hook_prologue, noinline, noipa, cdecl))

namespace {

// ---------------------------------------------------------------------------
// Targets.

// A double-to-digits step with the hot-patch prologue: notes its arguments.
struct DigitsCall {
    uint32_t Count;
    uint64_t ValueBits;
    int32_t Precision;
    void* Digits;
    char* Buffer;
    uint32_t Size;
};
DigitsCall Digits;

}  // namespace

PATCH_TARGET int32_t FakeDoubleToDigits(double value, int32_t precision, void* digits, char* buffer,
                                        uint32_t size) {
    ++Digits.Count;
    memcpy(&Digits.ValueBits, &value, sizeof value);
    Digits.Precision = precision;
    Digits.Digits = digits;
    Digits.Buffer = buffer;
    Digits.Size = size;
    if (buffer && size) buffer[0] = 'd';
    return precision * 1000 + (int32_t)size;
}

namespace {
uint32_t SecondRuns;
}

PATCH_TARGET int32_t SecondTarget(int32_t a, int32_t b) {
    ++SecondRuns;
    return a * 5 + b;
}

PATCH_TARGET int32_t ThirdTarget(int32_t a) { return a * 7 + 3; }

extern "C" {
// Functions that return their argument and start with near misses of the
// prologue: 55 8B EC without the filler; the filler followed by the other
// encoding of mov %esp,%ebp (89 E5); a plain start.
int32_t __cdecl NoFillerTarget(int32_t);
int32_t __cdecl OtherMovTarget(int32_t);
int32_t __cdecl PlainTarget(int32_t);
}
__asm__(
    ".text\n"
    ".p2align 4\n"
    "_NoFillerTarget:\n"
    "    .byte 0x55, 0x8B, 0xEC\n"
    "    movl 8(%ebp), %eax\n"
    "    popl %ebp\n"
    "    ret\n"
    ".p2align 4\n"
    "_OtherMovTarget:\n"
    "    .byte 0x8B, 0xFF, 0x55, 0x89, 0xE5\n"
    "    movl 8(%ebp), %eax\n"
    "    popl %ebp\n"
    "    ret\n"
    ".p2align 4\n"
    "_PlainTarget:\n"
    "    movl 4(%esp), %eax\n"
    "    ret\n");

extern "C" __attribute__((noipa)) int32_t __cdecl JumpDestination(int32_t x) { return x + 10; }
extern "C" __attribute__((noipa)) int32_t __cdecl Replacement(int32_t x) { return x + 20; }

namespace {

void* SecondPrior = (void*)SecondTarget;
}
extern "C" __attribute__((noipa)) int32_t __cdecl SecondReplacement(int32_t a, int32_t b) {
    return 2000 + ((int32_t(__cdecl*)(int32_t, int32_t))SecondPrior)(a, b);
}

namespace {

void* const UNTOUCHED = (void*)0x5A5A5A5A;  // a PriorEntry that HotPatch must leave alone

DWORD Protection(const void* address) {
    MEMORY_BASIC_INFORMATION region;
    VirtualQuery(address, &region, sizeof region);
    return region.Protect;
}

void ExpectAreaZero(void) {
    static const uint8_t zero[TRAMPOLINE_AREA_SIZE] = {};
    ExpectBytes("TrampolineArea", zero, TrampolineArea, sizeof zero);
}

// The 16 bytes a claimed slot must hold for a target.
void ExpectedSlot(uint8_t* slot, const Trampoline* at, const void* target) {
    memset(slot, 0, sizeof(Trampoline));
    memcpy(slot, "\x8B\xFF\x55\x8B\xEC\xE9", 6);
    int32_t resume = (int32_t)((intptr_t)target + 5 - ((intptr_t)at + 10));
    memcpy(slot + 6, &resume, 4);
    memset(slot + 12, 0xFF, 4);
}

// The target's bytes after a patch: a jump to the replacement, the rest as before.
void ExpectedJump(uint8_t* bytes, const uint8_t* before, const void* target, const void* replacement) {
    memcpy(bytes, before, 16);
    bytes[0] = 0xE9;
    int32_t displacement = (int32_t)((intptr_t)replacement - ((intptr_t)target + 5));
    memcpy(bytes + 1, &displacement, 4);
}

// ---------------------------------------------------------------------------
// VirtualProtect as HotPatch reaches it (through this program's import slot),
// logged and, on request, failing for TrampolineArea.

extern "C" void* VirtualProtectSlot __asm__("__imp__VirtualProtect@16");

struct ProtectCall {
    const void* Address;
    SIZE_T Size;
    DWORD Protection;
    BOOL Result;
};
ProtectCall ProtectCalls[8];
uint32_t ProtectCount;
bool FailForArea;
void* RealVirtualProtect;

BOOL WINAPI LoggedVirtualProtect(void* address, SIZE_T size, DWORD protection, DWORD* previous) {
    BOOL result;
    if (FailForArea && address == (void*)TrampolineArea) {
        SetLastError(ERROR_ACCESS_DENIED);
        result = FALSE;
    } else {
        result = ((BOOL(WINAPI*)(void*, SIZE_T, DWORD, DWORD*))RealVirtualProtect)(address, size, protection,
                                                                                  previous);
    }
    if (ProtectCount < 8) ProtectCalls[ProtectCount] = {address, size, protection, result};
    ++ProtectCount;
    return result;
}

void InterceptProtect(bool failForArea) {
    RealVirtualProtect = VirtualProtectSlot;
    DWORD previous;
    VirtualProtect(&VirtualProtectSlot, sizeof(void*), PAGE_READWRITE, &previous);
    VirtualProtectSlot = (void*)LoggedVirtualProtect;
    ProtectCount = 0;
    FailForArea = failForArea;
}

void RestoreProtect(void) {
    VirtualProtectSlot = RealVirtualProtect;
    FailForArea = false;
}

void ExpectProtectCall(uint32_t index, const void* address, SIZE_T size, DWORD protection, BOOL result) {
    if (index >= ProtectCount) {
        Fail("VirtualProtect call %u: expected one, got %u calls", (unsigned)index + 1, (unsigned)ProtectCount);
        return;
    }
    const ProtectCall& call = ProtectCalls[index];
    char what[64];
    snprintf(what, sizeof what, "VirtualProtect call %u address", (unsigned)index + 1);
    ExpectPointer(what, address, call.Address);
    snprintf(what, sizeof what, "VirtualProtect call %u size", (unsigned)index + 1);
    ExpectNumber(what, size, call.Size);
    snprintf(what, sizeof what, "VirtualProtect call %u protection", (unsigned)index + 1);
    ExpectHex(what, protection, call.Protection);
    snprintf(what, sizeof what, "VirtualProtect call %u result", (unsigned)index + 1);
    ExpectNumber(what, result, call.Result);
}

uint8_t AreaAfterTwoPatches[TRAMPOLINE_AREA_SIZE];

}  // namespace

// Targets that HotPatch must not touch, tried while both slots are free.
void TestRefusedTargets(void) {
    struct Row {
        const char* Name;
        int32_t(__cdecl* Target)(int32_t);
    };
    static const Row rows[] = {
        {"55 8B EC without the filler", NoFillerTarget},
        {"8B FF 55 89 E5", OtherMovTarget},
        {"8B 44 24 04", PlainTarget},
    };
    for (const Row& row : rows) {
        SetRow(row.Name);
        uint8_t before[16];
        memcpy(before, (const void*)row.Target, sizeof before);
        void* prior = UNTOUCHED;
        InterceptProtect(false);
        int32_t result = HotPatch((void*)row.Target, &prior, (void*)Replacement);
        RestoreProtect();
        ExpectNumber("HotPatch", 0, result);
        ExpectBytes("target", before, (const void*)row.Target, sizeof before);
        ExpectPointer("PriorEntry", UNTOUCHED, prior);
        ExpectNumber("protection changes", 0, ProtectCount);
        ExpectNumber("target still runs", 41, row.Target(41));
    }
    SetRow(nullptr);
    ExpectAreaZero();
    ExpectHex("protection of TrampolineArea", PAGE_EXECUTE_READ, Protection(TrampolineArea));
}

void TestRelativeJumpTarget(void) {
    uint8_t* page = (uint8_t*)VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    if (!page) {
        Fail("VirtualAlloc: expected a page, got none");
        return;
    }
    memset(page, 0xCC, 16);
    page[0] = 0xE9;
    int32_t displacement = (int32_t)((intptr_t)JumpDestination - ((intptr_t)page + 5));
    memcpy(page + 1, &displacement, 4);
    DWORD previous;
    VirtualProtect(page, 4096, PAGE_EXECUTE_READ, &previous);
    uint8_t before[16], expected[16];
    memcpy(before, page, sizeof before);
    typedef int32_t(__cdecl * Function)(int32_t);
    ExpectNumber("call before the patch", 11, ((Function)page)(1));

    void* prior = UNTOUCHED;
    InterceptProtect(false);
    int32_t result = HotPatch(page, &prior, (void*)Replacement);
    RestoreProtect();
    ExpectNumber("HotPatch", 1, result != 0);
    ExpectPointer("PriorEntry: the old destination", (void*)JumpDestination, prior);
    ExpectedJump(expected, before, page, (void*)Replacement);
    ExpectBytes("target: only the displacement changes", expected, page, sizeof expected);
    ExpectNumber("call after the patch", 21, ((Function)page)(1));
    ExpectNumber("call through the PriorEntry", 11, ((Function)prior)(1));
    ExpectNumber("protection changes", 2, ProtectCount);
    ExpectProtectCall(0, page, 5, PAGE_EXECUTE_READWRITE, TRUE);
    ExpectProtectCall(1, page, 5, PAGE_EXECUTE_READ, TRUE);
    ExpectHex("protection of the target afterwards", PAGE_EXECUTE_READ, Protection(page));
    ExpectAreaZero();
    VirtualFree(page, 0, MEM_RELEASE);
}

// A target in a read-only view of a section: its protection cannot be
// raised, so neither kind of target is patched and no slot is claimed.
void TestTargetProtectionFails(void) {
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_EXECUTE_READWRITE, 0, 4096, nullptr);
    uint8_t* writable = section ? (uint8_t*)MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 4096) : nullptr;
    uint8_t* readOnly = section ? (uint8_t*)MapViewOfFile(section, FILE_MAP_READ, 0, 0, 4096) : nullptr;
    if (!writable || !readOnly) {
        Fail("views of a section: expected two, got %p and %p", writable, readOnly);
        return;
    }
    DWORD previous;
    if (VirtualProtect(readOnly, 5, PAGE_EXECUTE_READWRITE, &previous))
        Fail("fixture: expected VirtualProtect to fail on a read-only view, got success");
    struct Row {
        const char* Name;
        uint8_t Bytes[5];
    };
    static const Row rows[] = {
        {"relative jump", {0xE9, 0x10, 0x20, 0x30, 0x40}},
        {"hot-patch prologue", {0x8B, 0xFF, 0x55, 0x8B, 0xEC}},
    };
    for (const Row& row : rows) {
        SetRow(row.Name);
        memcpy(writable, row.Bytes, 5);
        void* prior = UNTOUCHED;
        ExpectNumber("HotPatch", 0, HotPatch(readOnly, &prior, (void*)Replacement));
        ExpectBytes("target", row.Bytes, readOnly, 5);
        ExpectPointer("PriorEntry", UNTOUCHED, prior);
        ExpectAreaZero();
    }
    SetRow(nullptr);
    UnmapViewOfFile(readOnly);
    UnmapViewOfFile(writable);
    CloseHandle(section);
}

// TrampolineArea cannot be made writable: nothing is written, no slot is
// claimed, the target's protection is put back.
void TestAreaProtectionFails(void) {
    void* target = (void*)FakeDoubleToDigits;
    uint8_t before[16];
    memcpy(before, target, sizeof before);
    ExpectBytes("target's prologue", "\x8B\xFF\x55\x8B\xEC", before, 5);
    void* prior = UNTOUCHED;
    InterceptProtect(true);
    int32_t result = HotPatch(target, &prior, (void*)ZeroSignFix);
    RestoreProtect();
    ExpectNumber("HotPatch", 0, result);
    ExpectNumber("protection changes", 3, ProtectCount);
    ExpectProtectCall(0, target, 5, PAGE_EXECUTE_READWRITE, TRUE);
    ExpectProtectCall(1, TrampolineArea, TRAMPOLINE_AREA_SIZE, PAGE_EXECUTE_READWRITE, FALSE);
    ExpectProtectCall(2, target, 5, PAGE_EXECUTE_READ, TRUE);
    ExpectBytes("target", before, target, sizeof before);
    ExpectPointer("PriorEntry", UNTOUCHED, prior);
    ExpectAreaZero();
    ExpectHex("protection of the target afterwards", PAGE_EXECUTE_READ, Protection(target));
}

// The first prologue target takes slot 0: the double-to-digits step now
// goes through ZeroSignFix.
void TestPrologueTargetZeroSignFix(void) {
    void* target = (void*)FakeDoubleToDigits;
    uint8_t before[16], expected[16];
    memcpy(before, target, sizeof before);
    int32_t result = HotPatch(target, (void**)&ZeroSignFixPrior, (void*)ZeroSignFix);
    ExpectNumber("HotPatch", 1, result != 0);
    ExpectPointer("PriorEntry", &TrampolineArea[0], (void*)ZeroSignFixPrior);
    ExpectedSlot(expected, &TrampolineArea[0], target);
    ExpectBytes("slot 0", expected, &TrampolineArea[0], sizeof(Trampoline));
    static const uint8_t zero[sizeof(Trampoline)] = {};
    ExpectBytes("slot 1", zero, &TrampolineArea[1], sizeof zero);
    ExpectedJump(expected, before, target, (void*)ZeroSignFix);
    ExpectBytes("target", expected, target, sizeof expected);
    ExpectHex("protection of the target afterwards", PAGE_EXECUTE_READ, Protection(target));
    ExpectHex("protection of TrampolineArea afterwards", PAGE_EXECUTE_READ, Protection(TrampolineArea));
}

void TestZeroSignFixValues(void) {
    if (ZeroSignFixPrior != (DoubleToDigitsFn)(void*)&TrampolineArea[0]) {
        Fail("ZeroSignFixPrior: expected slot 0, got %p", (void*)ZeroSignFixPrior);
        return;
    }
    struct Row {
        const char* Name;
        uint64_t Value;
        uint64_t Passed;  // what the unpatched step must receive
    };
    static const Row rows[] = {
        {"-0.0", 0x8000000000000000ull, 0},
        {"+0.0", 0, 0},
        {"-0.0004", 0xBF3A36E2EB1C432Dull, 0xBF3A36E2EB1C432Dull},
        {"-1.5", 0xBFF8000000000000ull, 0xBFF8000000000000ull},
        {"smallest negative subnormal", 0x8000000000000001ull, 0x8000000000000001ull},
        {"-infinity", 0xFFF0000000000000ull, 0xFFF0000000000000ull},
        {"NaN with the sign bit", 0xFFF8000000000001ull, 0xFFF8000000000001ull},
    };
    // Called through a variable: the patched function is reached at its address.
    DoubleToDigitsFn volatile step = FakeDoubleToDigits;
    int digitsRecord;
    char buffer[32];
    for (const Row& row : rows) {
        SetRow(row.Name);
        double value;
        memcpy(&value, &row.Value, sizeof value);
        uint32_t count = Digits.Count;
        buffer[0] = 0;
        int32_t result = step(value, 3, &digitsRecord, buffer, sizeof buffer);
        ExpectNumber("runs of the step", count + 1, Digits.Count);
        ExpectHex("value the step received", row.Passed, Digits.ValueBits);
        ExpectNumber("precision", 3, Digits.Precision);
        ExpectPointer("digits record", &digitsRecord, Digits.Digits);
        ExpectPointer("buffer", buffer, Digits.Buffer);
        ExpectNumber("buffer size", sizeof buffer, Digits.Size);
        ExpectNumber("result", 3 * 1000 + (int32_t)sizeof buffer, result);
        ExpectNumber("buffer written by the step", 'd', buffer[0]);
    }
    SetRow("PriorEntry called directly with -0.0");
    double negativeZero;
    uint64_t bits = 0x8000000000000000ull;
    memcpy(&negativeZero, &bits, sizeof bits);
    uint32_t count = Digits.Count;
    int32_t result = ZeroSignFixPrior(negativeZero, 5, &digitsRecord, buffer, 7);
    ExpectNumber("runs of the step", count + 1, Digits.Count);
    ExpectHex("value the step received", bits, Digits.ValueBits);
    ExpectNumber("result", 5 * 1000 + 7, result);
    SetRow(nullptr);
}

void TestSecondPrologueTarget(void) {
    void* target = (void*)SecondTarget;
    uint8_t before[16], expected[16], slot0[sizeof(Trampoline)];
    memcpy(before, target, sizeof before);
    memcpy(slot0, &TrampolineArea[0], sizeof slot0);
    ExpectBytes("target's prologue", "\x8B\xFF\x55\x8B\xEC", before, 5);
    int32_t result = HotPatch(target, &SecondPrior, (void*)SecondReplacement);
    ExpectNumber("HotPatch", 1, result != 0);
    ExpectPointer("PriorEntry", &TrampolineArea[1], SecondPrior);
    ExpectedSlot(expected, &TrampolineArea[1], target);
    ExpectBytes("slot 1", expected, &TrampolineArea[1], sizeof(Trampoline));
    ExpectBytes("slot 0", slot0, &TrampolineArea[0], sizeof slot0);
    ExpectedJump(expected, before, target, (void*)SecondReplacement);
    ExpectBytes("target", expected, target, sizeof expected);
    ExpectHex("protection of the target afterwards", PAGE_EXECUTE_READ, Protection(target));
    ExpectHex("protection of TrampolineArea afterwards", PAGE_EXECUTE_READ, Protection(TrampolineArea));
    memcpy(AreaAfterTwoPatches, TrampolineArea, sizeof AreaAfterTwoPatches);
    // The replacement calls the PriorEntry: anything but the slot could
    // recurse without end.
    if (SecondPrior != (void*)&TrampolineArea[1]) return;
    uint32_t runs = SecondRuns;
    ExpectNumber("call of the patched target", 2000 + 3 * 5 + 4, SecondTarget(3, 4));
    ExpectNumber("runs of the original through the replacement", runs + 1, SecondRuns);
    ExpectNumber("call through the PriorEntry", 6 * 5 + 1,
                 ((int32_t(__cdecl*)(int32_t, int32_t))SecondPrior)(6, 1));
    ExpectNumber("runs of the original through the PriorEntry", runs + 2, SecondRuns);
}

void TestBothSlotsTaken(void) {
    // Claiming writes the mark even when the comparison fails, so the area
    // is made writable around the call.
    DWORD previous;
    VirtualProtect(TrampolineArea, TRAMPOLINE_AREA_SIZE, PAGE_EXECUTE_READWRITE, &previous);
    Trampoline* claimed = ClaimTrampoline();
    VirtualProtect(TrampolineArea, TRAMPOLINE_AREA_SIZE, previous, &previous);
    ExpectPointer("ClaimTrampoline with both slots taken", nullptr, claimed);
    ExpectBytes("TrampolineArea after the claim", AreaAfterTwoPatches, TrampolineArea, TRAMPOLINE_AREA_SIZE);

    void* target = (void*)ThirdTarget;
    uint8_t before[16];
    memcpy(before, target, sizeof before);
    ExpectBytes("target's prologue", "\x8B\xFF\x55\x8B\xEC", before, 5);
    void* prior = UNTOUCHED;
    ExpectNumber("HotPatch of a third prologue target", 0, HotPatch(target, &prior, (void*)Replacement));
    ExpectBytes("target", before, target, sizeof before);
    ExpectPointer("PriorEntry", UNTOUCHED, prior);
    ExpectBytes("TrampolineArea", AreaAfterTwoPatches, TrampolineArea, TRAMPOLINE_AREA_SIZE);
    ExpectHex("protection of the target afterwards", PAGE_EXECUTE_READ, Protection(target));
    ExpectNumber("call of the target", 10, ThirdTarget(1));
}
