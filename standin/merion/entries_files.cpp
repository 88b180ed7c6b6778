// Host entries that deal with files: file check, line append and file copy
// (the profile is in entries_lifecycle.cpp). Files are real, and relative
// names are relative to the process's current directory.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "host_data.h"

// The host's check of a finished export file: answers from the script
// (default 0, accepted); the note says whether the file is there.
extern "C" int HOST_CALLEE HostCheckFile(const char* file) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostCheckFile, file);
    if (const char* name = ExpectText(call, 0, TEXT_BUFFER_SIZE)) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(name, GetFileExInfoStandard, &data))
            SetNote(call, "%s: %lu bytes", name, (unsigned long)data.nFileSizeLow);
        else
            SetNote(call, "%s: no such file", name);
    }
    return (int)FinishCall(call, 0);
}

// Appends the line and CRLF to the file, creating it when absent. Answers 1
// when written, 0 otherwise.
extern "C" int HOST_CALLEE HostAppendLine(const char* file, const char* line) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostAppendLine, file, line);
    const char* name = ExpectText(call, 0, TEXT_BUFFER_SIZE);
    const char* text = ExpectText(call, 1, LINE_BUFFER_SIZE);
    bool written = false;
    if (name && text) {
        FILE* out = fopen(name, "ab");
        size_t length = strlen(text);
        if (out) {
            written = fwrite(text, 1, length, out) == length && fwrite("\r\n", 1, 2, out) == 2;
            written = fclose(out) == 0 && written;
        }
        SetNote(call, written ? "%s: %u bytes and CRLF appended" : "%s: cannot append %u bytes",
                name, (unsigned)length);
    }
    return (int)FinishCall(call, written ? 1 : 0);
}

// Copies the file over any old target. Answers 1 when copied, 0 otherwise.
extern "C" int HOST_CALLEE HostCopyFile(const char* source, const char* target, int32_t zero) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostCopyFile, source, target, zero);
    const char* from = ExpectText(call, 0, TEXT_BUFFER_SIZE);
    const char* to = ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectValue(call, 2, 0);
    bool copied = false;
    if (from && to) {
        copied = CopyFileA(from, to, FALSE) != 0;
        if (copied)
            SetNote(call, "copied %s to %s", from, to);
        else
            SetNote(call, "%s not copied to %s (error %lu)", from, to,
                    (unsigned long)GetLastError());
    }
    return (int)FinishCall(call, copied ? 1 : 0);
}
