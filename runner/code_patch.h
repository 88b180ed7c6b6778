// Redirecting a system function to one of the runner's own by writing a jump
// over its first instruction bytes. The original is never called again, so no
// copy of the overwritten bytes is kept for execution.
#pragma once

#include <stdint.h>

struct __attribute__((packed)) JumpInstruction {
    uint8_t Opcode;          // E9
    int32_t Displacement;    // E9 xxxxxxxx: JMP +5+xxxxxxxx (relative to the next instruction)
};
static_assert(sizeof(JumpInstruction) == 5, "a near jump is five bytes");

enum : uint8_t { OPCODE_JMP_REL32 = 0xE9 };

// Writes JMP destination over the first five bytes of target: makes them
// writable, writes, restores the previous protection and flushes the
// instruction cache. False (target unchanged) if the protection cannot be changed.
bool WriteJump(void* target, const void* destination);

// Whether target still begins with JMP destination.
bool HasJump(const void* target, const void* destination);
