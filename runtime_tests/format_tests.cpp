// The formatted printing this program carries, linked like the plug-in's
// (--wrap=__mingw_pformat): its lazy binding of the runtime's own service
// reference, and zero without a sign in the e, f and g conversions.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "harness.h"
#include "hook_recorder.h"
#include "runtime_tests.h"

extern "C" void* SlotGetModuleHandleW __asm__("__imp__GetModuleHandleW@4");

namespace {

// Read at run time, so the compiler cannot fold any formatting.
volatile double NegativeZero = -0.0;
volatile double PositiveZero = 0.0;
volatile long double NegativeZeroLong = -0.0L;

struct FormatRow {
    const char* Format;
    const char* Expected;
    int (*Print)(char* buffer, size_t size);
};

#define ROW(expected, format, ...) \
    {format, expected, [](char* b, size_t n) { return snprintf(b, n, format, __VA_ARGS__); }}

const FormatRow Rows[] = {
    ROW("0.000", "%.3f", NegativeZero),
    ROW("0.000000e+00", "%e", NegativeZero),
    ROW("0.000000E+00", "%E", NegativeZero),
    ROW("0.000000", "%f", NegativeZero),
    ROW("0.000000", "%F", NegativeZero),
    ROW("0", "%g", NegativeZero),
    ROW("0", "%G", NegativeZero),
    ROW("0.000", "%.3f", PositiveZero),
    ROW("-0.000", "%.3f", -0.0004 * (1 + PositiveZero)),
    ROW("-1.00e-300", "%.2e", -1e-300 * (1 + PositiveZero)),
    ROW("-0x0p+0", "%a", NegativeZero),
    ROW("-0X0P+0", "%A", NegativeZero),
    ROW("+0.0", "%+.1f", NegativeZero),
    ROW("  0.0", "%5.1f", NegativeZero),
    ROW("  0.00", "%*.*f", 6, 2, NegativeZero),
    ROW("0 -0x0p+0 0", "%g %a %G", NegativeZero, NegativeZero, NegativeZero),
    ROW("7|0.0|x|-2.500000e+00", "%d|%.1f|%s|%e", 7, NegativeZero, "x", -2.5 * (1 + PositiveZero)),
    ROW("1099511627776 0.000000 -1", "%lld %f %d", 1LL << 40, NegativeZero, -1),
    ROW("0.000000 5", "%Lf %d", NegativeZeroLong, 5),
    ROW("0.000000e+00", "%Le", NegativeZeroLong),
    ROW("100% 0.0", "100%% %.1f", NegativeZero),
    {"%.3f (sprintf)", "0.000", [](char* b, size_t) { return sprintf(b, "%.3f", NegativeZero); }},
};
#undef ROW

int FormatThenReread(char* out, size_t size, uint64_t* reread, const char* format, ...) {
    va_list arguments, again;
    va_start(arguments, format);
    va_copy(again, arguments);
    int length = vsnprintf(out, size, format, arguments);
    double value = va_arg(again, double);
    memcpy(reread, &value, sizeof value);
    va_end(again);
    va_end(arguments);
    return length;
}

}  // namespace

// The runtime's own reference to a listed service (GetModuleHandleW, from the
// code-page lookup behind the radix point of a floating-point conversion)
// binds through the delay-load slot, under the notification hook.
void TestRuntimeServiceBindsLazily(void) {
    StartRecording();
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.3f", 1.25 + PositiveZero);
    ExpectText("formatted", "1.250", buffer);
    char notes[256];
    DescribeNotes(notes, sizeof notes, 0);
    ExpectText("notifications of the first conversion",
               "0 GetModuleHandleW, 2 GetModuleHandleW, 5 GetModuleHandleW", notes);
    void* system = (void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetModuleHandleW");
    if (const HookNote* end = Note(2)) {
        ExpectPointer("service at code 5", system, (void*)end->Copy.pfnCur);
        ExpectNumber("error field at code 5", 0, end->Copy.dwLastError);
    }
    ExpectPointer("slot of GetModuleHandleW", system, SlotGetModuleHandleW);
}

void TestZeroWithoutSign(void) {
    for (const FormatRow& row : Rows) {
        SetRow(row.Format);
        char buffer[128];
        memset(buffer, '#', sizeof buffer);
        int length = row.Print(buffer, sizeof buffer);
        ExpectText("formatted", row.Expected, buffer);
        ExpectNumber("length", (long long)strlen(row.Expected), length);
    }
    SetRow(nullptr);
}

// The zero is replaced in a copy: the caller's argument list still holds -0.0.
void TestCallerArgumentsUnchanged(void) {
    char buffer[32];
    uint64_t reread = 0;
    FormatThenReread(buffer, sizeof buffer, &reread, "%f", NegativeZero);
    ExpectText("formatted", "0.000000", buffer);
    ExpectHex("argument after formatting", 0x8000000000000000ull, reread);
}
