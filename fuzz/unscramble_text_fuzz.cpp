// Fuzz target: decoding of a stored settings text (UnscrambleText).
//
// Input: the text's bytes. They go into a heap block of exactly the input's
// size plus one terminator, so a write past the block is an ASan report; the
// input may hold zero bytes of its own, which end the text earlier. The
// whole block is compared with a reference decoder afterwards: bytes past
// the text's terminator must be left as they were.
#include <memory>
#include <string>

#include "export.h"
#include "fuzz_support.h"

namespace {

// A text that begins with '@' is scrambled: each byte after the '@', up to
// the stored terminator, is combined with the key by exclusive or and moves
// one place to the left; the text then ends one byte earlier. Any other text
// is left as it is. Bytes after the stored terminator are never touched.
std::string Decoded(const std::string& block) {
    std::string decoded = block;
    if (block[0] != '@') return decoded;
    size_t terminator = block.find('\0');
    for (size_t i = 1; i < terminator; ++i)
        decoded[i - 1] = (char)(block[i] ^ SETTINGS_SCRAMBLE_KEY);
    decoded[terminator - 1] = 0;
    return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string stored((const char*)data, size);
    stored += '\0';
    std::unique_ptr<char[]> text(new char[stored.size()]);
    memcpy(text.get(), stored.data(), stored.size());

    UnscrambleText(text.get());

    std::string got(text.get(), stored.size());
    std::string expected = Decoded(stored);
    FUZZ_CHECK(got == expected, "stored " + Shown(stored) + ": " + ExpectedGot(expected, got));
    return 0;
}
