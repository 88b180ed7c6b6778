// The lazy binding of this program's own delay-loaded imports, linked as the
// plug-in links them: the notification codes and what an answer at each does,
// the two failure exceptions, the published module handle, and the stand-in
// ORVALE.dll that serves the services.
#include <windows.h>

#include <string.h>

#include "binding.h"
#include "harness.h"
#include "hook_recorder.h"  // with <delayimp.h>, which has no include guard
#include "runtime_tests.h"
#include "standin_control.h"

extern "C" {
// Delay-load thunks, called by their plain symbols: GCC may load an __imp_
// slot into a register once and reuse it, so a call through the slot could
// keep using the value from before the binding.
LPSTR WINAPI OrvaleGetCommandLineA(void) __asm__("_GetCommandLineA@0");
LPWSTR WINAPI OrvaleGetCommandLineW(void) __asm__("_GetCommandLineW@0");
int WINAPI OrvaleLstrlenW(LPCWSTR text) __asm__("_lstrlenW@4");
int WINAPI OrvaleLstrcmpW(LPCWSTR first, LPCWSTR second) __asm__("_lstrcmpW@8");
// orvale_missing.def: a service ORVALE.dll does not export.
DWORD WINAPI OrvaleMissingService(void) __asm__("_OrvaleMissingService@0");
// absent_module.def: services of a module that does not exist.
DWORD WINAPI AbsentModuleService(void) __asm__("_AbsentModuleService@0");
DWORD WINAPI AbsentModuleTicks(void) __asm__("_AbsentModuleTicks@0");
// race_module.def: RACEMOD.dll, a module of this test's own.
DWORD WINAPI RaceModuleTicks(void) __asm__("_RaceModuleTicks@0");

// The slots the thunks jump through.
extern void* SlotGetCommandLineA __asm__("__imp__GetCommandLineA@0");
extern void* SlotGetCommandLineW __asm__("__imp__GetCommandLineW@0");
extern void* SlotLstrlenW __asm__("__imp__lstrlenW@4");
extern void* SlotLstrcmpW __asm__("__imp__lstrcmpW@8");
extern void* SlotAbsentModuleTicks __asm__("__imp__AbsentModuleTicks@0");

// The descriptor of the plug-in's module definition, as linked here.
extern const ImgDelayDescr OrvaleDescriptor __asm__("__DELAY_IMPORT_DESCRIPTOR_liborvale_delay_a");
extern IMAGE_DOS_HEADER __ImageBase;
}

namespace {

void* System(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    if (!handle) handle = LoadLibraryA(module);
    return handle ? (void*)GetProcAddress(handle, name) : nullptr;
}

HMODULE Orvale(void) { return GetModuleHandleA("ORVALE.dll"); }

// The notes since `first`, as codes, compared with what is expected.
void ExpectCodes(const char* what, const char* expected, uint32_t first) {
    char codes[64];
    DescribeCodes(codes, sizeof codes, first, NoteCount());
    ExpectText(what, expected, codes);
}

// Every note of one binding: the same record, the named service and module.
void ExpectOneBinding(const char* dll, const char* service, void* slot) {
    for (uint32_t i = 0; i < NoteCount(); ++i) {
        const HookNote* note = Note(i);
        if (!note) break;
        ExpectPointer("record of the binding", Note(0)->Record, note->Record);
        ExpectText("module in the record", dll, note->Dll);
        ExpectText("service in the record", service, note->Service);
        ExpectNumber("record size", sizeof(DelayLoadInfo), note->Copy.cb);
        if (slot) ExpectPointer("slot in the record", slot, (void*)note->Copy.ppfn);
    }
}

// Code 5: the record holds the module, the service, and no error.
void ExpectEnd(const HookNote* note, HMODULE module, void* service) {
    if (!note) {
        Fail("code 5: expected a notification, got none");
        return;
    }
    ExpectNumber("last notification", dliNoteEndProcessing, note->Code);
    ExpectPointer("module at code 5", module, note->Copy.hmodCur);
    ExpectPointer("service at code 5", service, (void*)note->Copy.pfnCur);
    ExpectNumber("error field at code 5", 0, note->Copy.dwLastError);
}

const wchar_t FakeText[] = L"fake command line";
LPWSTR WINAPI FakeCommandLineW(void) { return (LPWSTR)FakeText; }
int WINAPI FakeLength(LPCWSTR) { return 4242; }

}  // namespace

void TestBindHostModuleHook(void) {
    struct Row {
        const char* Name;
        bool HookMissing;       // the host lacks entry 30007
        bool AlreadyBound;      // HostModuleHandle set before the call
    };
    static const Row rows[] = {
        {"host exports 30007", false, false},
        {"host lacks 30007", true, false},
        {"host module already found", false, true},
    };
    HostBindingHookFn saved = LazyBindingHook;
    HMODULE host = GetModuleHandleA("MERION.dll");
    HostBindingHookFn marker = (HostBindingHookFn)NullStubTable[2];
    for (const Row& row : rows) {
        SetRow(row.Name);
        LazyBindingHook = marker;
        HostModuleHandle = row.AlreadyBound ? (void*)host : nullptr;
        StandIn_SetMissing(ENTRY_HostBindingHook, row.HookMissing ? 1 : 0);
        BindHostModule();
        ExpectPointer("HostModuleHandle", host, HostModuleHandle);
        void* expected = row.AlreadyBound ? (void*)marker
                         : row.HookMissing ? nullptr
                                           : StandIn_EntryAddress(ENTRY_HostBindingHook);
        ExpectPointer("notification hook", expected, (void*)LazyBindingHook);
    }
    SetRow(nullptr);
    StandIn_SetMissing(ENTRY_HostBindingHook, 0);
    HostModuleHandle = nullptr;
    LazyBindingHook = saved;
}

void TestFirstBinding(void) {
    StartRecording();
    LPSTR got = OrvaleGetCommandLineA();
    void* system = System("kernel32.dll", "GetCommandLineA");
    ExpectCodes("notifications of the first binding", "0 1 2 5", 0);
    ExpectOneBinding("ORVALE.dll", "GetCommandLineA", &SlotGetCommandLineA);
    if (const HookNote* start = Note(0)) {
        ExpectPointer("module at code 0", nullptr, start->Copy.hmodCur);
        ExpectPointer("service at code 0", nullptr, (void*)start->Copy.pfnCur);
    }
    if (const HookNote* lookup = Note(2)) ExpectPointer("module at code 2", Orvale(), lookup->Copy.hmodCur);
    ExpectEnd(Note(3), Orvale(), system);
    ExpectPointer("result", ((LPSTR(WINAPI*)(void))system)(), got);
    ExpectPointer("slot after the binding", system, SlotGetCommandLineA);
}

void TestBoundServiceNotifiesNoMore(void) {
    StartRecording();
    LPSTR first = OrvaleGetCommandLineA();
    LPSTR second = OrvaleGetCommandLineA();
    ExpectNumber("notifications", 0, NoteCount());
    void* system = System("kernel32.dll", "GetCommandLineA");
    ExpectPointer("first result", ((LPSTR(WINAPI*)(void))system)(), first);
    ExpectPointer("second result", first, second);
}

void TestAnswerAtStartNotStored(void) {
    void* initial = SlotGetCommandLineW;
    void* system = System("kernel32.dll", "GetCommandLineW");
    StartRecording();
    AnswerOnce(dliStartProcessing, "GetCommandLineW", (void*)FakeCommandLineW);
    LPWSTR answered = OrvaleGetCommandLineW();
    ExpectPointer("result of the answered call", FakeText, answered);
    ExpectCodes("notifications of the answered call", "0 5", 0);
    ExpectOneBinding("ORVALE.dll", "GetCommandLineW", &SlotGetCommandLineW);
    ExpectEnd(Note(1), Orvale(), (void*)FakeCommandLineW);
    ExpectPointer("slot after the answered call", initial, SlotGetCommandLineW);

    uint32_t mark = NoteCount();
    LPWSTR next = OrvaleGetCommandLineW();
    ExpectCodes("notifications of the next call", "0 2 5", mark);
    ExpectEnd(Note(mark + 2), Orvale(), system);
    ExpectPointer("result of the next call", ((LPWSTR(WINAPI*)(void))system)(), next);
    ExpectPointer("slot after the next call", system, SlotGetCommandLineW);

    mark = NoteCount();
    OrvaleGetCommandLineW();
    ExpectCodes("notifications of the third call", "", mark);
}

void TestAnswerBeforeLookupStored(void) {
    StartRecording();
    AnswerOnce(dliNotePreGetProcAddress, "lstrlenW", (void*)FakeLength);
    ExpectNumber("result of the answered call", 4242, OrvaleLstrlenW(L"abc"));
    ExpectCodes("notifications of the answered call", "0 2 5", 0);
    ExpectOneBinding("ORVALE.dll", "lstrlenW", &SlotLstrlenW);
    ExpectEnd(Note(2), Orvale(), (void*)FakeLength);
    ExpectPointer("slot after the answered call", (void*)FakeLength, SlotLstrlenW);
    uint32_t mark = NoteCount();
    ExpectNumber("result of the next call", 4242, OrvaleLstrlenW(L"abc"));
    ExpectCodes("notifications of the next call", "", mark);
}

void TestNullHook(void) {
    LazyBindingHook = nullptr;
    void* system = System("kernel32.dll", "lstrcmpW");
    int expected = ((int(WINAPI*)(LPCWSTR, LPCWSTR))system)(L"abc", L"abd");
    ExpectNumber("result", expected, OrvaleLstrcmpW(L"abc", L"abd"));
    ExpectPointer("slot", system, SlotLstrcmpW);
}

namespace {

struct CaughtFailure {
    uint32_t Count;
    DWORD Code;
    DWORD Parameters;
    ULONG_PTR Argument;
    DWORD LastError;        // the record's error field when the exception came
    uint32_t NotesBefore;   // notifications before the exception
};
CaughtFailure Caught;

DWORD WINAPI FallbackService(void) { return 4343; }

// Takes the binder's two exceptions; when the argument is the record the hook
// saw, the call continues into FallbackService.
LONG CALLBACK CatchBindingFailure(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* exception = pointers->ExceptionRecord;
    if (exception->ExceptionCode != 0xC06D007E && exception->ExceptionCode != 0xC06D007F)
        return EXCEPTION_CONTINUE_SEARCH;
    ++Caught.Count;
    Caught.Code = exception->ExceptionCode;
    Caught.Parameters = exception->NumberParameters;
    Caught.Argument = exception->NumberParameters ? exception->ExceptionInformation[0] : 0;
    Caught.NotesBefore = NoteCount();
    if (!Note(0) || Caught.Argument != (ULONG_PTR)Note(0)->Record) return EXCEPTION_CONTINUE_SEARCH;
    DelayLoadInfo* record = (DelayLoadInfo*)Caught.Argument;
    Caught.LastError = record->dwLastError;
    record->pfnCur = (FARPROC)FallbackService;
    return EXCEPTION_CONTINUE_EXECUTION;
}

struct FailureRow {
    DWORD(WINAPI* Service)(void);
    const char* Dll;
    const char* Name;
    DWORD Code;
    const char* CodesBefore;   // notifications before the exception
    DWORD LastError;
};

void ExpectBindingFailure(const FailureRow& row) {
    memset(&Caught, 0, sizeof Caught);
    StartRecording();
    void* handler = AddVectoredExceptionHandler(1, CatchBindingFailure);
    DWORD result = row.Service();
    RemoveVectoredExceptionHandler(handler);
    ExpectNumber("exceptions raised", 1, Caught.Count);
    ExpectHex("exception code", row.Code, Caught.Code);
    ExpectNumber("exception arguments", 1, Caught.Parameters);
    ExpectPointer("exception argument", Note(0) ? Note(0)->Record : nullptr, (void*)Caught.Argument);
    char codes[64];
    DescribeCodes(codes, sizeof codes, 0, Caught.NotesBefore);
    ExpectText("notifications before the exception", row.CodesBefore, codes);
    for (uint32_t i = 0; i < Caught.NotesBefore; ++i) {
        ExpectText("module in the record", row.Dll, Note(i)->Dll);
        ExpectText("service in the record", row.Name, Note(i)->Service);
    }
    ExpectNumber("error field with the exception", row.LastError, Caught.LastError);
    ExpectNumber("result of the continued call", 4343, result);
}

}  // namespace

void TestMissingService(void) {
    // A descriptor of its own, so its module handle is still unset: code 1 comes.
    ExpectBindingFailure({OrvaleMissingService, "ORVALE.dll", "OrvaleMissingService", 0xC06D007F, "0 1 2",
                          ERROR_PROC_NOT_FOUND});
}

void TestMissingModule(void) {
    ExpectBindingFailure({AbsentModuleService, "ORVABSENT.dll", "AbsentModuleService", 0xC06D007E, "0 1",
                          ERROR_MOD_NOT_FOUND});
}

void TestAnswerBeforeLoadIsTheModule(void) {
    // The module of this descriptor could not be loaded before, so it is
    // still not loaded: code 1 comes, and its answer serves as the module.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    void* system = System("kernel32.dll", "GetTickCount");
    StartRecording();
    AnswerOnce(dliNotePreLoadLibrary, "GetTickCount", (void*)kernel);
    DWORD before = ((DWORD(WINAPI*)(void))system)();
    DWORD ticks = AbsentModuleTicks();
    DWORD after = ((DWORD(WINAPI*)(void))system)();
    ExpectCodes("notifications", "0 1 2 5", 0);
    ExpectOneBinding("ORVABSENT.dll", "GetTickCount", &SlotAbsentModuleTicks);
    ExpectEnd(Note(3), kernel, system);
    ExpectPointer("slot", system, SlotAbsentModuleTicks);
    if (ticks - before > after - before) Fail("result: expected a tick count from %lu to %lu, got %lu",
                                              (unsigned long)before, (unsigned long)after, (unsigned long)ticks);
    ExpectPointer("ORVABSENT.dll", nullptr, GetModuleHandleA("ORVABSENT.dll"));
}

void TestRacingLoadReleasesReference(void) {
    ExpectPointer("RACEMOD.dll before the binding", nullptr, GetModuleHandleA("RACEMOD.dll"));
    HMODULE published = nullptr;
    StartRecording();
    PublishBeforeLoad(&published);
    DWORD ticks = RaceModuleTicks();
    ExpectCodes("notifications", "0 1 2 5", 0);
    if (!published) {
        Fail("module published at code 1: expected a handle, got none");
        return;
    }
    ExpectEnd(Note(3), published, System("kernel32.dll", "GetTickCount"));
    if (!ticks) Fail("result: expected a tick count, got 0");
    ExpectPointer("RACEMOD.dll after the binding", published, GetModuleHandleA("RACEMOD.dll"));
    // The winner's one reference; the binder must have released its own.
    FreeLibrary(published);
    ExpectPointer("RACEMOD.dll after the winner's FreeLibrary", nullptr, GetModuleHandleA("RACEMOD.dll"));
}

void TestStandInForwardsEveryService(void) {
    HMODULE orvale = Orvale();
    if (!orvale) {
        Fail("ORVALE.dll: expected loaded, got not loaded");
        return;
    }
    const uint8_t* image = (const uint8_t*)&__ImageBase;
    const IMAGE_THUNK_DATA* names = (const IMAGE_THUNK_DATA*)(image + OrvaleDescriptor.rvaINT);
    ExpectText("module of the descriptor", "ORVALE.dll", (const char*)(image + OrvaleDescriptor.rvaDLLName));
    uint32_t count = 0;
    for (; names[count].u1.AddressOfData; ++count) {
        const char* name = (const char*)((const IMAGE_IMPORT_BY_NAME*)(image + names[count].u1.AddressOfData))->Name;
        void* system = nullptr;
        static const char* const modules[] = {"kernel32.dll", "user32.dll", "gdi32.dll"};
        for (const char* module : modules)
            if (!system) system = System(module, name);
        void* served = (void*)GetProcAddress(orvale, name);
        if (!served || served != system)
            Fail("%s: expected the system's %p, got %p", name, system, served);
    }
    ExpectNumber("services in the delay import", ORVALE_SERVICE_COUNT, count);
    const IMAGE_NT_HEADERS* headers =
        (const IMAGE_NT_HEADERS*)((const uint8_t*)orvale + ((const IMAGE_DOS_HEADER*)orvale)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const IMAGE_EXPORT_DIRECTORY* directory =
        (const IMAGE_EXPORT_DIRECTORY*)((const uint8_t*)orvale + exports.VirtualAddress);
    ExpectNumber("names ORVALE.dll exports", ORVALE_SERVICE_COUNT, directory->NumberOfNames);
}
