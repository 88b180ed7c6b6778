// Process-wide interception of the system message box (user32!MessageBoxA)
// and of entry lookup (kernel32!GetProcAddress). Every box and every lookup is
// logged; boxes are answered from a script instead of being shown.
#pragma once

#include <windows.h>

#include <stdint.h>

enum {
    BOX_TEXT_SIZE = 1024,
    BOX_TITLE_SIZE = 256,
    LOOKUP_NAME_SIZE = 128,
    MAX_SCRIPTED_BOXES = 8,
};

struct BoxRecord {
    HWND Owner;                  // owner window passed
    char Text[BOX_TEXT_SIZE];    // text bytes as passed (cut at BOX_TEXT_SIZE - 1)
    char Title[BOX_TITLE_SIZE];  // title bytes as passed
    uint32_t Style;              // style passed
    int Answer;                  // what the fake box answered
    bool Scripted;               // the answer came from the script (false: Abort by default)
    uint32_t HostCallsBefore;    // host entry calls the stand-in had logged when the box came
    uint32_t Sequence;           // position among all boxes and lookups
};

struct LookupRecord {
    HMODULE Module;                // module searched
    bool ByName;                   // Name is set; otherwise Number
    uint32_t Number;               // entry number (below 65536)
    char Name[LOOKUP_NAME_SIZE];   // entry name (cut at LOOKUP_NAME_SIZE - 1)
    void* Result;                  // what the lookup returned
    uint32_t HostCallsBefore;      // host entry calls the stand-in had logged at the lookup
    uint32_t Sequence;             // position among all boxes and lookups
};

// Answer meaning "the box cannot be shown".
enum { BOX_NOT_SHOWN = 0 };

// Patches both functions. On failure prints why and returns false.
bool InstallIntercepts();
// Whether both patches are still in place.
bool InterceptsIntact();

// Empties the box and lookup logs.
void ClearInterceptLogs();
// Answers for the next boxes, in order (IDABORT, IDRETRY, IDIGNORE or
// BOX_NOT_SHOWN); a box beyond the script answers IDABORT.
void ScriptBoxes(const int* answers, uint32_t count);

uint32_t BoxCount();
const BoxRecord* Box(uint32_t index);
uint32_t LookupCount();
const LookupRecord* Lookup(uint32_t index);
