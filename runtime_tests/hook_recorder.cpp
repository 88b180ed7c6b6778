#include "hook_recorder.h"

#include <stdio.h>
#include <string.h>

#include "binding.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

enum { MAX_NOTES = 32 };

HookNote Notes[MAX_NOTES];
uint32_t Count;

struct ScriptedAnswer {
    uint32_t Code;
    const char* Service;
    void* Answer;
};
ScriptedAnswer Script;
bool Scripted;

HMODULE* PublishTo;

void* HOST_CALLEE RecordingHook(uint32_t code, void* record) {
    DelayLoadInfo* info = (DelayLoadInfo*)record;
    const char* service = info->dlp.fImportByName ? info->dlp.szProcName : "#ordinal";
    if (Count < MAX_NOTES) {
        HookNote* note = &Notes[Count];
        note->Code = code;
        note->Record = info;
        note->Copy = *info;
        snprintf(note->Dll, sizeof note->Dll, "%s", info->szDll ? info->szDll : "(null)");
        snprintf(note->Service, sizeof note->Service, "%s", service ? service : "(null)");
    }
    ++Count;
    if (code == dliNotePreLoadLibrary && PublishTo) {
        HMODULE module = LoadLibraryA(info->szDll);
        *(HMODULE*)((uint8_t*)&__ImageBase + info->pidd->rvaHmod) = module;
        *PublishTo = module;
        PublishTo = nullptr;
    }
    if (Scripted && Script.Code == code && strcmp(Script.Service, service) == 0) {
        Scripted = false;
        return Script.Answer;
    }
    return nullptr;
}

}  // namespace

void StartRecording(void) {
    Count = 0;
    Scripted = false;
    PublishTo = nullptr;
    LazyBindingHook = RecordingHook;
}

uint32_t NoteCount(void) { return Count; }

const HookNote* Note(uint32_t index) { return index < Count && index < MAX_NOTES ? &Notes[index] : nullptr; }

void DescribeNotes(char* out, size_t size, uint32_t first) {
    size_t used = 0;
    out[0] = 0;
    for (uint32_t i = first; i < Count && i < MAX_NOTES && used < size; ++i)
        used += snprintf(out + used, size - used, "%s%u %s", i > first ? ", " : "",
                         (unsigned)Notes[i].Code, Notes[i].Service);
}

void DescribeCodes(char* out, size_t size, uint32_t first, uint32_t end) {
    size_t used = 0;
    out[0] = 0;
    for (uint32_t i = first; i < end && i < MAX_NOTES && used < size; ++i)
        used += snprintf(out + used, size - used, "%s%u", i > first ? " " : "", (unsigned)Notes[i].Code);
}

void AnswerOnce(uint32_t code, const char* service, void* answer) {
    Script = {code, service, answer};
    Scripted = true;
}

void PublishBeforeLoad(HMODULE* loaded) { PublishTo = loaded; }
