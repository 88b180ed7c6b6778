// A recording notification hook for the lazy binding of this program's own
// delay-loaded imports: it notes every notification with a copy of the
// binding record as it was at that moment, answers from a small script, and
// can play a second thread that loads and publishes the module first.
#pragma once

#include <windows.h>

#include <delayimp.h>
#include <stddef.h>
#include <stdint.h>

struct HookNote {
    uint32_t Code;
    const DelayLoadInfo* Record;   // address of the binding's record
    DelayLoadInfo Copy;            // the record's fields at the notification
    char Dll[32];
    char Service[48];
};

// Empties the notes and the script and makes the recording hook the binding's
// notification hook.
void StartRecording(void);
uint32_t NoteCount(void);
const HookNote* Note(uint32_t index);
// The notes from `first` on, as "code service" pairs: "0 GetCommandLineA, 1 ...".
void DescribeNotes(char* out, size_t size, uint32_t first);
// Codes only: "0 1 2 5".
void DescribeCodes(char* out, size_t size, uint32_t first, uint32_t end);

// The next notification `code` for `service` is answered with `answer`, once.
void AnswerOnce(uint32_t code, const char* service, void* answer);
// At the next pre-load notification, load the module and publish its handle
// in the descriptor's handle variable, as a thread that won the race would.
// Returns through *loaded the handle that was published.
void PublishBeforeLoad(HMODULE* loaded);
