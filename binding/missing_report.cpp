// The report of a host entry that the host library does not export: a system
// message box that lets the user abort the load or continue without it.
#include <string.h>

#include "binding.h"
#include "platform.h"
#include "texts.h"

enum {
    MODULE_PATH_SIZE = 1024,       // room for a long path; the report shows its end
    MESSAGE_BOX_STYLE = 0x2012,    // task-modal, error icon, Abort/Retry/Ignore
    ANSWER_RETRY = 4,
    ANSWER_IGNORE = 5,
};

extern "C" {
int32_t IgnoreAllMissing = 0;
}

// The template's fixed part and the description leave this much for the
// module text and the entry text together (and the terminator).
static const uint32_t TEMPLATE_FIXED_LENGTH = sizeof(TEXT_MISSING_ENTRY_TEMPLATE) - 1 - 3 * 2;
static const uint32_t VALUES_ROOM =
    REPORT_MESSAGE_SIZE - 1 - TEMPLATE_FIXED_LENGTH - (PLUGIN_DESCRIPTION_SIZE - 1);
static_assert(sizeof(TEXT_MISSING_ENTRY_TEMPLATE) - 1 == 188, "report template is 188 bytes");
static_assert(VALUES_ROOM == 251, "module and entry texts share 251 bytes");

static const char CUT_MARK[] = "...";
enum { CUT_MARK_LENGTH = sizeof(CUT_MARK) - 1 };

// Copies at most room-1 bytes of text, keeping its start; a cut is marked.
static void CopyKeepingStart(char* target, uint32_t room, const char* text) {
    uint32_t length = (uint32_t)strnlen(text, room);
    if (length < room) {
        memcpy(target, text, length + 1);
        return;
    }
    uint32_t kept = room - 1 - CUT_MARK_LENGTH;
    memcpy(target, text, kept);
    memcpy(target + kept, CUT_MARK, CUT_MARK_LENGTH + 1);
}

// Copies at most room-1 bytes of text, keeping its end (a path's file name);
// a cut is marked at the front.
static void CopyKeepingEnd(char* target, uint32_t room, const char* text) {
    uint32_t length = (uint32_t)strlen(text);
    if (length < room) {
        memcpy(target, text, length + 1);
        return;
    }
    uint32_t kept = room - 1 - CUT_MARK_LENGTH;
    memcpy(target, CUT_MARK, CUT_MARK_LENGTH);
    memcpy(target + CUT_MARK_LENGTH, text + length - kept, kept + 1);
}

extern "C" uint32_t BuildMissingEntryReport(char* message, uintptr_t entry, const char* module) {
    char entryText[REPORT_ENTRY_TEXT_SIZE];
    if (EntryIsNumber(entry))
        wsprintfA(entryText, "%d", (int)entry);
    else
        CopyKeepingStart(entryText, sizeof entryText, (const char*)entry);

    char path[MODULE_PATH_SIZE];
    if (!module) {
        uint32_t length = PlatformModuleFileName(ModuleInstance, path, sizeof path);
        // 0 is failure; a full buffer means the path was cut at its end.
        module = (length == 0 || length >= sizeof path) ? TEXT_UNKNOWN_MODULE : path;
    }
    char moduleText[VALUES_ROOM + 1];
    CopyKeepingEnd(moduleText, VALUES_ROOM + 1 - (uint32_t)strlen(entryText), module);

    return (uint32_t)wsprintfA(message, TEXT_MISSING_ENTRY_TEMPLATE, moduleText, entryText,
                               TEXT_PLUGIN_DESCRIPTION);
}

static void ReplaceByte(char* text, char from, char to) {
    for (; *text; ++text)
        if (*text == from) *text = to;
}

// HostConvertText is itself a host entry. Its slot is empty when it could not
// be bound (also while its own absence is being reported); the text is then
// shown unconverted rather than called through an empty slot.
static void ConvertForSystem(char* text) {
    if (EntrySlots[ROW_HostConvertText]) HostConvertText(text, text, 1, 3);
}

extern "C" int32_t ReportMissingEntry(uintptr_t entry, const char* module) {
    if (IgnoreAllMissing) return 1;

    char message[REPORT_MESSAGE_SIZE];
    BuildMissingEntryReport(message, entry, module);
    char title[] = TEXT_MISSING_ENTRY_TITLE;

    // The system's box knows nothing of the host's value marks.
    ReplaceByte(message, '\x01', ' ');
    ReplaceByte(message, '\x02', ' ');
    ConvertForSystem(message);
    ConvertForSystem(title);

    int32_t answer;
    do
        answer = PlatformMessageBox(message, title, MESSAGE_BOX_STYLE);
    while (answer == ANSWER_RETRY);

    if (answer == ANSWER_IGNORE) {
        IgnoreAllMissing = 1;
        return 1;
    }
    return 0;  // Abort, or the box could not be shown
}
