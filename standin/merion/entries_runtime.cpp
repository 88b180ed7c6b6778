// Host entries around the plug-in's runtime: the structured-exception
// translator (30005), the lazy-binding hook (30007), the feature query handed
// to export 30001, and the two entries that must exist but are never called.
#include <windows.h>

#include <delayimp.h>

#include "standin.h"

namespace {

enum {
    HOOK_START = 0,            // start of every binding
    HOOK_BEFORE_LOAD = 1,      // before the module is loaded
    HOOK_BEFORE_LOOKUP = 2,    // before the service is looked up
    HOOK_END = 5,              // end of a successful binding
};

// "module!service" or "module#ordinal" for the binding a hook record describes.
void NoteBinding(StandInCall* call, uint32_t code, const DelayLoadInfo* info) {
    const char* module = info->szDll && SafeTextLength(info->szDll, TEXT_BOUND) >= 0
                             ? info->szDll : "?";
    if (!info->dlp.fImportByName)
        SetNote(call, "code %u %s#%lu", (unsigned)code, module, (unsigned long)info->dlp.dwOrdinal);
    else if (info->dlp.szProcName && SafeTextLength(info->dlp.szProcName, TEXT_BOUND) >= 0)
        SetNote(call, "code %u %s!%s", (unsigned)code, module, info->dlp.szProcName);
    else
        SetNote(call, "code %u %s!?", (unsigned)code, module);
}

}  // namespace

// The shared header declares this entry as imported from MERION.dll; this is
// the definition it is imported from.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
extern "C" void HOST_CALLER HostExceptionTranslator(uint32_t code, void* pointers) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostExceptionTranslator, code, pointers);
    ExpectBuffer(call, 1, sizeof(EXCEPTION_POINTERS), false);
    FinishCall(call, 0);
}
#pragma GCC diagnostic pop

extern "C" void* HOST_CALLEE HostBindingHook(uint32_t code, void* record) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostBindingHook, code, record);
    if (code != HOOK_START && code != HOOK_BEFORE_LOAD && code != HOOK_BEFORE_LOOKUP &&
        code != HOOK_END)
        Violation("HostBindingHook: argument 1 expected a notification code 0, 1, 2 or 5, got %u",
                  (unsigned)code);
    if (ExpectBuffer(call, 1, sizeof(DelayLoadInfo), false)) {
        const DelayLoadInfo* info = (const DelayLoadInfo*)record;
        if (info->cb != sizeof(DelayLoadInfo))
            Violation("HostBindingHook: record size expected %u, got %lu",
                      (unsigned)sizeof(DelayLoadInfo), (unsigned long)info->cb);
        // A binding this hook answered at code 0 ends with that answer as its
        // service; its module is whatever was loaded before (none, if the
        // compatibility module never was). Every other binding ends with both.
        static const DelayLoadInfo* answeredAtStart = nullptr;
        static void* startAnswer = nullptr;
        bool servedAtStart = info == answeredAtStart && startAnswer;
        if (code == HOOK_END && servedAtStart &&
            (info->pfnCur != startAnswer || info->dwLastError))
            Violation("HostBindingHook: code 5 record after an answer at code 0 expected service "
                      "%p and error 0, got %p, %lu", startAnswer, (void*)info->pfnCur,
                      (unsigned long)info->dwLastError);
        if (code == HOOK_END && !servedAtStart &&
            (!info->hmodCur || !info->pfnCur || info->dwLastError))
            Violation("HostBindingHook: code 5 record expected module, service and error 0, "
                      "got %p, %p, %lu", (void*)info->hmodCur, (void*)info->pfnCur,
                      (unsigned long)info->dwLastError);
        if (code == HOOK_START) {
            answeredAtStart = info;
            startAnswer = HookAnswer(code);
        }
        NoteBinding(call, code, info);
    }
    void* answer = HookAnswer(code);
    call->Result = (intptr_t)answer;
    return answer;
}

extern "C" int32_t StandIn_FeatureQuery(int32_t what, int32_t which) {
    StandInCall* call = BEGIN_CALL(STANDIN_FEATURE_QUERY, what, which);
    ExpectValue(call, 0, 1);
    ExpectValue(call, 1, 1);
    return (int32_t)FinishCall(call, 1);
}

extern "C" int HOST_CALLEE HostUnused52029(void) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostUnused52029);
    Violation("entry 52029 called; the plug-in binds it but never calls it");
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostUnused38417(void) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostUnused38417);
    Violation("entry 38417 called; the plug-in binds it but never calls it");
    return (int)FinishCall(call, 0);
}
