// Shared pieces of the fuzz targets: property checks that abort (so that
// libFuzzer keeps the input), reading a fuzz input as a little-endian record,
// and the rules of host fields that several targets check against.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include <sanitizer/asan_interface.h>

// Printable form of a byte string: control and high bytes as \xNN.
inline std::string Shown(const std::string& bytes) {
    std::string shown = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            shown += (char)c;
        } else {
            char escape[5];
            snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        }
    }
    return shown + "\"";
}

[[noreturn]] inline void FuzzFail(const char* file, int line, const char* condition,
                                  const std::string& detail) {
    fprintf(stderr, "\n%s:%d: property broken: %s\n", file, line, condition);
    if (!detail.empty()) fprintf(stderr, "  %s\n", detail.c_str());
    fflush(stderr);
    abort();
}

// FUZZ_CHECK(condition) or FUZZ_CHECK(condition, detail): detail is any
// expression giving a std::string, evaluated only when the check fails.
#define FUZZ_CHECK_1(condition) FUZZ_CHECK_2(condition, std::string())
#define FUZZ_CHECK_2(condition, detail)                                        \
    do {                                                                       \
        if (!(condition)) FuzzFail(__FILE__, __LINE__, #condition, (detail));  \
    } while (0)
#define FUZZ_CHECK_PICK(_1, _2, name, ...) name
#define FUZZ_CHECK(...) FUZZ_CHECK_PICK(__VA_ARGS__, FUZZ_CHECK_2, FUZZ_CHECK_1, none)(__VA_ARGS__)

// "expected X, got Y" for two byte strings.
inline std::string ExpectedGot(const std::string& expected, const std::string& got) {
    return "expected " + Shown(expected) + ", got " + Shown(got);
}

// Reads a fuzz input front to back; past its end every read gives zeros, so
// that a short input is a record whose tail is zero.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint16_t U16() { return (uint16_t)(Byte() | Byte() << 8); }
    int32_t I32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= (uint32_t)Byte() << (8 * i);
        return (int32_t)value;
    }
    // Copies the next count bytes (zeros past the end).
    void Bytes(void* target, size_t count) {
        uint8_t* out = (uint8_t*)target;
        for (size_t i = 0; i < count; ++i) out[i] = Byte();
    }
    // The rest of the input as it is.
    std::string Rest() {
        std::string rest((const char*)data_ + position_, size_ - position_);
        position_ = size_;
        return rest;
    }
    size_t Left() const { return size_ - position_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// The text a host field of the given width holds: up to its terminator; a
// field without one is cut to width - 1 bytes (the plug-in never reads
// beyond the field, and its last byte ends the text).
inline std::string FieldText(const char* field, size_t width) {
    const void* end = memchr(field, 0, width);
    return std::string(field, end ? (size_t)((const char*)end - field) : width - 1);
}

// Marks bytes that the plug-in must not read (ASan reports any access).
// ASan can only mark the tail of an 8-byte granule as poisoned, so a range
// must end on an 8-byte boundary of the allocation (or at its end) to be
// poisoned whole; callers choose ranges that do.
inline void ForbidBytes(const void* start, size_t size) {
    ASAN_POISON_MEMORY_REGION(start, size);
}
inline void AllowBytes(const void* start, size_t size) {
    ASAN_UNPOISON_MEMORY_REGION(start, size);
}
