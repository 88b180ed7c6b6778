// Call log, violation list and scripted answers of the MERION stand-in, and
// the control entries that reset and read them.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "standin.h"

namespace {

#define IS_CALLEE true
#define IS_CALLER false
#define ENTRY_INFO(number, name, conv, bytes) {number, #name, IS_##conv, bytes},
const EntryInfo Entries[] = {
    HOST_ENTRY_LIST(ENTRY_INFO)
    {ENTRY_HostExceptionTranslator, "HostExceptionTranslator", false, 8},
    {ENTRY_HostBindingHook, "HostBindingHook", true, 8},
    {STANDIN_FEATURE_QUERY, "HostFeatureQuery", false, 8},
    {STANDIN_KEY_HANDLER, "HostKeyHandler", true, 44},
};
#undef ENTRY_INFO
#undef IS_CALLEE
#undef IS_CALLER
enum { ENTRY_COUNT = sizeof Entries / sizeof Entries[0] };

enum {
    MAX_CALLS = 8192,
    TEXT_POOL_SIZE = 2 << 20,
    MAX_VIOLATIONS = 64,
    VIOLATION_TEXT_SIZE = 240,
    MAX_QUEUED_ANSWERS = 16,
    MAX_OPEN_RESOURCES = 16,
    HOOK_CODES = 6,
};

StandInCall Calls[MAX_CALLS];
StandInCall ScratchCall;        // receives calls once the log is full
uint32_t CallCount;             // counts on past MAX_CALLS

char TextPool[TEXT_POOL_SIZE];  // copies of text arguments
uint32_t TextPoolUsed;

char Violations[MAX_VIOLATIONS][VIOLATION_TEXT_SIZE];
uint32_t ViolationCount;

struct ScriptedAnswer {
    bool Fixed;                            // FixedValue replaces the default
    intptr_t FixedValue;
    intptr_t Queue[MAX_QUEUED_ANSWERS];    // used first, in order
    uint32_t QueueHead;
    uint32_t QueueLength;
};
ScriptedAnswer Answers[ENTRY_COUNT];
void* HookAnswers[HOOK_CODES];

uintptr_t OpenResources[MAX_OPEN_RESOURCES];
uint32_t OpenResourceCount;

ScriptedAnswer* AnswerOf(uint32_t entry) {
    for (uint32_t i = 0; i < ENTRY_COUNT; ++i)
        if (Entries[i].Number == entry) return &Answers[i];
    return nullptr;
}

const char* CopyText(const char* text, uint32_t length) {
    if (TextPoolUsed + length + 1 > TEXT_POOL_SIZE) {
        Violation("stand-in: text copies exceed %u bytes", (unsigned)TEXT_POOL_SIZE);
        return nullptr;
    }
    char* copy = TextPool + TextPoolUsed;
    memcpy(copy, text, length);
    copy[length] = 0;
    TextPoolUsed += length + 1;
    return copy;
}

const char* NameOf(const StandInCall* call) {
    const EntryInfo* info = FindEntry(call->Entry);
    return info ? info->Name : "?";
}

}  // namespace

const EntryInfo* FindEntry(uint32_t number) {
    for (uint32_t i = 0; i < ENTRY_COUNT; ++i)
        if (Entries[i].Number == number) return &Entries[i];
    return nullptr;
}

StandInCall* BeginCallWords(uint32_t entry, void* returnAddress, uint32_t count,
                            const uintptr_t* words) {
    StandInCall* call = CallCount < MAX_CALLS ? &Calls[CallCount] : &ScratchCall;
    if (CallCount == MAX_CALLS) Violation("stand-in: more than %u calls", (unsigned)MAX_CALLS);
    ++CallCount;
    memset(call, 0, sizeof *call);
    call->Entry = entry;
    call->ReturnAddress = returnAddress;
    call->ArgCount = count < (uint32_t)STANDIN_MAX_ARGS ? count : (uint32_t)STANDIN_MAX_ARGS;
    for (uint32_t i = 0; i < call->ArgCount; ++i) call->Args[i] = words[i];
    const EntryInfo* info = FindEntry(entry);
    if (!info)
        Violation("stand-in: call of unknown entry %u", (unsigned)entry);
    else if (info->ArgumentBytes != 4 * count)
        Violation("stand-in: %s implemented with %u argument bytes, contract has %u", info->Name,
                  (unsigned)(4 * count), (unsigned)info->ArgumentBytes);
    return call;
}

void Violation(const char* format, ...) {
    if (ViolationCount < MAX_VIOLATIONS) {
        va_list arguments;
        va_start(arguments, format);
        vsnprintf(Violations[ViolationCount], VIOLATION_TEXT_SIZE, format, arguments);
        va_end(arguments);
    }
    ++ViolationCount;
}

bool ExpectValue(StandInCall* call, uint32_t index, intptr_t expected) {
    intptr_t actual = (intptr_t)call->Args[index];
    if (actual == expected) return true;
    Violation("%s: argument %u expected %ld, got %ld", NameOf(call), (unsigned)(index + 1),
              (long)expected, (long)actual);
    return false;
}

const char* ExpectText(StandInCall* call, uint32_t index, uint32_t bound, bool nullAllowed) {
    const char* text = (const char*)call->Args[index];
    if (!text) {
        if (!nullAllowed)
            Violation("%s: argument %u is null, expected a text", NameOf(call),
                      (unsigned)(index + 1));
        return nullptr;
    }
    int32_t length = SafeTextLength(text, bound);
    if (length < 0) {
        Violation("%s: argument %u is not a text terminated within %u bytes", NameOf(call),
                  (unsigned)(index + 1), (unsigned)bound);
        return nullptr;
    }
    call->Text[index] = CopyText(text, (uint32_t)length);
    return call->Text[index];
}

bool ExpectBuffer(StandInCall* call, uint32_t index, uint32_t size, bool writable) {
    const void* buffer = (const void*)call->Args[index];
    if (!buffer) {
        Violation("%s: argument %u is null, expected a %u-byte buffer", NameOf(call),
                  (unsigned)(index + 1), (unsigned)size);
        return false;
    }
    if (!SafeRange(buffer, size, writable)) {
        Violation("%s: argument %u is not a %s buffer of %u bytes", NameOf(call),
                  (unsigned)(index + 1), writable ? "writable" : "readable", (unsigned)size);
        return false;
    }
    return true;
}

void SetNote(StandInCall* call, const char* format, ...) {
    char note[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(note, sizeof note, format, arguments);
    va_end(arguments);
    call->Note = CopyText(note, (uint32_t)strlen(note));
}

intptr_t FinishCall(StandInCall* call, intptr_t defaultResult) {
    intptr_t result = defaultResult;
    if (ScriptedAnswer* answer = AnswerOf(call->Entry)) {
        if (answer->QueueHead < answer->QueueLength)
            result = answer->Queue[answer->QueueHead++];
        else if (answer->Fixed)
            result = answer->FixedValue;
    }
    call->Result = result;
    AfterHostCall(call->Entry);
    return result;
}

void* HookAnswer(uint32_t code) { return code < HOOK_CODES ? HookAnswers[code] : nullptr; }

void OpenResource(uintptr_t key) {
    if (IsOpenResource(key)) {
        Violation("stand-in: resource %p opened twice", (void*)key);
        return;
    }
    if (OpenResourceCount == MAX_OPEN_RESOURCES) {
        Violation("stand-in: more than %u open resources", (unsigned)MAX_OPEN_RESOURCES);
        return;
    }
    OpenResources[OpenResourceCount++] = key;
}

bool CloseResource(uintptr_t key) {
    for (uint32_t i = 0; i < OpenResourceCount; ++i) {
        if (OpenResources[i] == key) {
            OpenResources[i] = OpenResources[--OpenResourceCount];
            return true;
        }
    }
    return false;
}

bool IsOpenResource(uintptr_t key) {
    for (uint32_t i = 0; i < OpenResourceCount; ++i)
        if (OpenResources[i] == key) return true;
    return false;
}

STANDIN_API void StandIn_Reset(void) {
    CallCount = 0;
    TextPoolUsed = 0;
    ViolationCount = 0;
    memset(Answers, 0, sizeof Answers);
    memset(HookAnswers, 0, sizeof HookAnswers);
    OpenResourceCount = 0;
    RestoreExportTable();
    ResetLifecycleHost();
    ResetHostData();
}

STANDIN_API const char* StandIn_EntryName(uint32_t entry) {
    const EntryInfo* info = FindEntry(entry);
    return info ? info->Name : "?";
}

STANDIN_API void StandIn_SetAnswer(uint32_t entry, intptr_t value) {
    if (ScriptedAnswer* answer = AnswerOf(entry)) {
        answer->Fixed = true;
        answer->FixedValue = value;
    } else {
        Violation("stand-in: answer scripted for unknown entry %u", (unsigned)entry);
    }
}

STANDIN_API int StandIn_QueueAnswer(uint32_t entry, intptr_t value) {
    ScriptedAnswer* answer = AnswerOf(entry);
    if (!answer || answer->QueueLength == MAX_QUEUED_ANSWERS) {
        Violation("stand-in: cannot queue an answer for entry %u", (unsigned)entry);
        return 0;
    }
    answer->Queue[answer->QueueLength++] = value;
    return 1;
}

STANDIN_API void StandIn_SetHookAnswer(uint32_t code, void* value) {
    if (code < HOOK_CODES)
        HookAnswers[code] = value;
    else
        Violation("stand-in: hook answer scripted for unknown code %u", (unsigned)code);
}

STANDIN_API uint32_t StandIn_CallCount(void) { return CallCount; }

STANDIN_API const StandInCall* StandIn_Call(uint32_t index) {
    return index < CallCount && index < MAX_CALLS ? &Calls[index] : nullptr;
}

STANDIN_API uint32_t StandIn_ViolationCount(void) { return ViolationCount; }

STANDIN_API const char* StandIn_Violation(uint32_t index) {
    return index < ViolationCount && index < MAX_VIOLATIONS ? Violations[index] : nullptr;
}

STANDIN_API uint32_t StandIn_OpenCount(void) { return OpenResourceCount; }
