#include "harness.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

char Failures[4096];
uint32_t Failed;            // failures of the running test
const char* Row;
const TestCase* Tests;
size_t TestTotal;
size_t Current;             // index of the running test
uint32_t PassedTests, FailedTests;

void Append(const char* format, va_list arguments) {
    size_t used = strlen(Failures);
    if (used + 8 >= sizeof Failures) return;
    if (Failed) {
        strcpy(Failures + used, "; ");
        used += 2;
    }
    if (Row) used += snprintf(Failures + used, sizeof Failures - used, "[%s] ", Row);
    if (used < sizeof Failures) vsnprintf(Failures + used, sizeof Failures - used, format, arguments);
}

void Closing(uint32_t passed, uint32_t failed) {
    printf("%u passed, %u failed\n", (unsigned)passed, (unsigned)failed);
    fflush(stdout);
}

// A fault no test handled: report it against the running test, count the
// tests not run as failed, and end the process.
LONG WINAPI LastResort(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    printf("FAIL %s: unhandled exception 0x%08lX at %p\n", Tests[Current].Name,
           (unsigned long)record->ExceptionCode, record->ExceptionAddress);
    size_t notRun = TestTotal - Current - 1;
    if (notRun) printf("%u tests not run\n", (unsigned)notRun);
    Closing(PassedTests, FailedTests + 1 + (uint32_t)notRun);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void Fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    Append(format, arguments);
    va_end(arguments);
    ++Failed;
}

uint32_t FailureCount(void) { return Failed; }

void SetRow(const char* row) { Row = row; }

void ExpectNumber(const char* what, long long expected, long long got) {
    if (expected != got) Fail("%s: expected %lld, got %lld", what, expected, got);
}

void ExpectHex(const char* what, unsigned long long expected, unsigned long long got) {
    if (expected != got) Fail("%s: expected 0x%llX, got 0x%llX", what, expected, got);
}

void ExpectPointer(const char* what, const void* expected, const void* got) {
    if (expected != got) Fail("%s: expected %p, got %p", what, expected, got);
}

void ExpectText(const char* what, const char* expected, const char* got) {
    if (!expected) expected = "(null)";
    if (!got) got = "(null)";
    if (strcmp(expected, got) != 0) Fail("%s: expected \"%s\", got \"%s\"", what, expected, got);
}

void ExpectBytes(const char* what, const void* expected, const void* got, size_t size) {
    if (memcmp(expected, got, size) == 0) return;
    char shownExpected[3 * 64 + 1] = "", shownGot[3 * 64 + 1] = "";
    for (size_t i = 0; i < size && i < 64; ++i) {
        snprintf(shownExpected + 3 * i, 4, "%02X ", ((const uint8_t*)expected)[i]);
        snprintf(shownGot + 3 * i, 4, "%02X ", ((const uint8_t*)got)[i]);
    }
    Fail("%s: expected %s, got %s", what, shownExpected, shownGot);
}

int RunTests(const TestCase* tests, size_t count) {
    _setmode(_fileno(stdout), _O_BINARY);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    Tests = tests;
    TestTotal = count;
    for (Current = 0; Current < count; ++Current) {
        Failures[0] = 0;
        Failed = 0;
        Row = nullptr;
        // Reinstalled before every test: a module loaded by the previous one
        // may have put its own filter in place.
        SetUnhandledExceptionFilter(LastResort);
        tests[Current].Run();
        if (Failed) {
            ++FailedTests;
            printf("FAIL %s: %s\n", tests[Current].Name, Failures);
        } else {
            ++PassedTests;
            printf("ok   %s\n", tests[Current].Name);
        }
        fflush(stdout);
    }
    Closing(PassedTests, FailedTests);
    return FailedTests ? 1 : 0;
}
