// Fuzz target: the export file's name made from an order number field
// (MakeExportFileName).
//
// Input: bytes 0-1 the field's width (1 + value % 1024, little-endian), then
// the field's bytes (zeros past the end of the input, so a short input is a
// terminated number). The field and the 256-byte name buffer are heap blocks
// of exactly their size, so a read past the field or a write past the buffer
// is an ASan report. The name must stay in the current directory and be the
// number's bytes with the replacements, or the number must be refused.
#include <memory>

#include "export.h"
#include "export_name_rules.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    size_t fieldSize = 1 + input.U16() % 1024;
    std::unique_ptr<char[]> field(new char[fieldSize]);
    input.Bytes(field.get(), fieldSize);

    std::unique_ptr<char[]> name(new char[TEXT_BUFFER_SIZE]);
    memset(name.get(), 0x5A, TEXT_BUFFER_SIZE);  // an unwritten name has no terminator
    int32_t result = MakeExportFileName(field.get(), fieldSize, name.get());
    FUZZ_CHECK(memchr(name.get(), 0, TEXT_BUFFER_SIZE) != nullptr, "name left unterminated");
    CheckExportFileName(field.get(), fieldSize, result, name.get());
    return 0;
}
