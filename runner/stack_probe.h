// Calls a function with a given list of 32-bit arguments and measures who
// removed them: the caller's stack pointer before the arguments are pushed is
// compared with the stack pointer right after the call returns.
#pragma once

#include <stdint.h>

struct ProbeResult {
    uint32_t Result;      // out: the integer result register (EAX) after the call
    int32_t BytesLeft;    // out: argument bytes the callee left on the stack; 0 when it
                          //      removed all it was given, negative when it removed more
    uint32_t Clobbered;   // out: PROBE_* bits of what the callee failed to preserve
};

enum : uint32_t {
    PROBE_EBX = 1u << 0,
    PROBE_ESI = 1u << 1,
    PROBE_EDI = 1u << 2,
    PROBE_EBP = 1u << 3,
    PROBE_DIRECTION_FLAG = 1u << 4,   // returned with the direction flag set
};

// Pushes arguments[count - 1] first and arguments[0] last (the C order), on a
// stack aligned to 16 bytes at the call, and calls function. Single-threaded.
extern "C" void ProbeCall(const void* function, uint32_t count, const uint32_t* arguments,
                          ProbeResult* result);
