// Checks shared by the scenario tables: failures of the running scenario,
// comparisons that explain themselves, and calls of the plug-in's exports.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "runner.h"

const char PLUGIN_FILE[] = "eksportzam.dll";
char PluginPath[MAX_PATH];

// Failures of the running scenario.

char FailureText[8192];
uint32_t FailureCount;

void Fail(const char* format, ...) {
    size_t used = strlen(FailureText);
    if (FailureCount && used + 2 < sizeof FailureText) {
        strcpy(FailureText + used, "; ");
        used += 2;
    }
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(FailureText + used, sizeof FailureText - used, format, arguments);
    va_end(arguments);
    ++FailureCount;
}

void ExpectNumber(const char* what, long expected, long got) {
    if (expected != got) Fail("%s: expected %ld, got %ld", what, expected, got);
}

void ExpectHex(const char* what, unsigned long expected, unsigned long got) {
    if (expected != got) Fail("%s: expected 0x%lX, got 0x%lX", what, expected, got);
}

// Printable form of at most limit bytes of a byte string: non-ASCII and control
// bytes as \xNN, line feeds as \n.
void Printable(const char* bytes, size_t length, char* out, size_t size) {
    size_t at = 0;
    for (size_t i = 0; i < length && at + 5 < size; ++i) {
        unsigned char byte = (unsigned char)bytes[i];
        if (byte == '\n')
            at += snprintf(out + at, size - at, "\\n");
        else if (byte < 0x20 || byte >= 0x7F || byte == '"' || byte == '\\')
            at += snprintf(out + at, size - at, "\\x%02X", byte);
        else
            out[at++] = (char)byte;
    }
    out[at] = 0;
}

// Compares two texts byte for byte; on a difference shows both around it.
void ExpectBytes(const char* what, const char* expected, const char* got) {
    if (strcmp(expected, got) == 0) return;
    size_t at = 0;
    while (expected[at] && expected[at] == got[at]) ++at;
    size_t from = at > 16 ? at - 16 : 0;
    char shownExpected[256], shownGot[256];
    Printable(expected + from, strnlen(expected + from, 48), shownExpected, sizeof shownExpected);
    Printable(got + from, strnlen(got + from, 48), shownGot, sizeof shownGot);
    Fail("%s differs at byte %u: expected \"%s\", got \"%s\"", what, (unsigned)at, shownExpected,
         shownGot);
}

// Calls an export by number and checks who removed its arguments.
ProbeResult CallExport(HMODULE plugin, uint32_t number, uint32_t count, const uint32_t* arguments,
                       int32_t expectedBytesLeft) {
    ProbeResult result = {};
    void* entry = (void*)GetProcAddress(plugin, MAKEINTRESOURCEA(number));
    char what[64];
    if (!entry) {
        Fail("export %u: not found", (unsigned)number);
        return result;
    }
    ProbeCall(entry, count, arguments, &result);
    snprintf(what, sizeof what, "export %u argument bytes left to the caller", (unsigned)number);
    ExpectNumber(what, expectedBytesLeft, result.BytesLeft);
    snprintf(what, sizeof what, "export %u registers not preserved", (unsigned)number);
    ExpectHex(what, 0, result.Clobbered);
    return result;
}

