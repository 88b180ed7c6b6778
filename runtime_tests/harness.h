// Test harness of runtime_tests.exe: a table of named tests run in order on
// one thread, failures collected per test as "what: expected X, got Y", one
// line per test ("ok   name" or "FAIL name: ..."), and the closing line
// "N passed, M failed" on a stdout in binary mode. A fault that escapes a test
// ends the process through a last-resort filter that still prints the
// closing line.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct TestCase {
    const char* Name;
    void (*Run)(void);
};

// Runs the tests in order; returns the process exit status (0: all passed).
int RunTests(const TestCase* tests, size_t count);

// Failure of the running test (printf-style).
void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Failures of the running test so far.
uint32_t FailureCount(void);

// Prefix for the failures that follow (a row of a table), or null for none.
void SetRow(const char* row);

void ExpectNumber(const char* what, long long expected, long long got);
void ExpectHex(const char* what, unsigned long long expected, unsigned long long got);
void ExpectPointer(const char* what, const void* expected, const void* got);
// Zero-terminated texts; a null text counts as "(null)".
void ExpectText(const char* what, const char* expected, const char* got);
// Byte blocks, shown in hex on a difference.
void ExpectBytes(const char* what, const void* expected, const void* got, size_t size);
