/* ORVALE.dll stand-in: its exports are forwarders to the system (orvale.def),
 * so the module has no code of its own except this entry point. It notes each
 * process attach ('A') and detach ('D') in the process environment variable
 * ORVALE_STANDIN_EVENTS, which outlives the module: a test can tell whether
 * the module was loaded, how often, and whether it was ever unloaded, even
 * while it is not loaded. Built without the C runtime. */
#include <windows.h>

enum { EVENTS_SIZE = 64 };

static const char EventsVariable[] = "ORVALE_STANDIN_EVENTS";

static void NoteEvent(char event) {
    char events[EVENTS_SIZE];
    DWORD length = GetEnvironmentVariableA(EventsVariable, events, EVENTS_SIZE);
    if (length >= EVENTS_SIZE - 1) {
        /* Too many events for the buffer: '+' marks the overflow. */
        events[EVENTS_SIZE - 2] = '+';
        length = EVENTS_SIZE - 1;
    } else {
        events[length++] = event;
    }
    events[length] = 0;
    SetEnvironmentVariableA(EventsVariable, events);
}

BOOL WINAPI OrvaleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) NoteEvent('A');
    if (reason == DLL_PROCESS_DETACH) NoteEvent('D');
    return TRUE;
}
