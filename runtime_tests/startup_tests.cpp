// The state this program starts main with, linked like the plug-in: no
// service of ORVALE.dll bound yet, the binding's hooks as the module defines
// them, and the trampoline area as its own section.
#include <windows.h>

#include <delayimp.h>
#include <string.h>

#include "binding.h"
#include "harness.h"
#include "runtime_patch.h"
#include "runtime_tests.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;
// The binder's failure hook, defined by the module as constant data.
extern "C" const void* const DelayFailureHook __asm__("___pfnDliFailureHook2");

// Calls fn(first, second) and returns how many of the 8 argument bytes the
// callee removed; *result receives what it returned.
extern "C" uint32_t ArgumentBytesRemoved(void* fn, uint32_t first, uint32_t second, void** result);
__asm__(
    ".text\n"
    ".globl _ArgumentBytesRemoved\n"
    "_ArgumentBytesRemoved:\n"
    "    pushl %esi\n"
    "    movl %esp, %esi\n"
    "    pushl 16(%esi)\n"        // second
    "    pushl 12(%esi)\n"        // first
    "    call *8(%esi)\n"         // fn
    "    movl 20(%esi), %ecx\n"
    "    movl %eax, (%ecx)\n"
    "    movl %esp, %eax\n"
    "    subl %esi, %eax\n"       // -8 + removed
    "    addl $8, %eax\n"
    "    movl %esi, %esp\n"
    "    popl %esi\n"
    "    ret\n");

static const char ORVALE_EVENTS[] = "ORVALE_STANDIN_EVENTS";

void TestNothingBoundBeforeMain(void) {
    ExpectPointer("ORVALE.dll loaded at the start of main", nullptr, GetModuleHandleA("ORVALE.dll"));
    char events[64] = "";
    GetEnvironmentVariableA(ORVALE_EVENTS, events, sizeof events);
    ExpectText("ORVALE.dll load events before main", "", events);
}

void TestDefaultHooks(void) {
    ExpectPointer("notification hook at load", NullStubTable[2], (void*)LazyBindingHook);
    void* result = (void*)1;
    DelayLoadInfo record = {};
    uint32_t removed = ArgumentBytesRemoved((void*)LazyBindingHook, 0, (uint32_t)(uintptr_t)&record, &result);
    ExpectNumber("argument bytes the default hook removes", 8, removed);
    ExpectPointer("default hook's answer", nullptr, result);

    ExpectPointer("failure hook", nullptr, DelayFailureHook);
    MEMORY_BASIC_INFORMATION region;
    VirtualQuery(&DelayFailureHook, &region, sizeof region);
    ExpectHex("protection of the failure hook", PAGE_READONLY, region.Protect);
}

void TestTrampolineSection(void) {
    const uint8_t* image = (const uint8_t*)&__ImageBase;
    const IMAGE_NT_HEADERS* headers = (const IMAGE_NT_HEADERS*)(image + __ImageBase.e_lfanew);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(headers);
    const IMAGE_SECTION_HEADER* code = nullptr;
    for (unsigned i = 0; i < headers->FileHeader.NumberOfSections; ++i)
        if (strncmp((const char*)sections[i].Name, ".code", IMAGE_SIZEOF_SHORT_NAME) == 0) code = &sections[i];
    if (!code) {
        Fail("section .code: expected present, got absent");
        return;
    }
    ExpectNumber(".code size", TRAMPOLINE_AREA_SIZE, code->Misc.VirtualSize);
    ExpectPointer("TrampolineArea", image + code->VirtualAddress, TrampolineArea);
    ExpectHex(".code read, execute, write",
              IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_EXECUTE,
              code->Characteristics & (IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_WRITE));
    MEMORY_BASIC_INFORMATION region;
    VirtualQuery(TrampolineArea, &region, sizeof region);
    ExpectHex("protection of TrampolineArea at load", PAGE_EXECUTE_READ, region.Protect);
    static const uint8_t zero[TRAMPOLINE_AREA_SIZE] = {};
    ExpectBytes("TrampolineArea at load", zero, TrampolineArea, sizeof zero);
}
