// The export file's name: the order number with ".txt", made safe as a plain
// file name of the host's current directory.
#include <stdio.h>
#include <string.h>

#include "export.h"
#include "texts.h"

// Bytes a Windows file name cannot hold. Path separators and the drive colon
// are among them, so the name never leaves the current directory.
static bool IsForbiddenNameByte(uint8_t byte) {
    return byte < 0x20 || strchr("\\/:*?\"<>|", byte) != nullptr;
}

static char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

// Windows opens a device instead of a file when the part of the name before
// the first '.' (trailing spaces ignored) is a device name, whatever follows:
// "CON", "con.txt" and "CON.x.txt" all name the console. The export name
// always ends in ".txt", so only that part of the order number is tested.
static bool IsReservedDeviceName(const char* number, size_t length) {
    const char* dot = (const char*)memchr(number, '.', length);
    size_t base = dot ? (size_t)(dot - number) : length;
    while (base > 0 && number[base - 1] == ' ') --base;

    // Names the system opens as devices, whatever extension follows:
    // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, and the console's CONIN$ and
    // CONOUT$.
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    char upper[8];
    if (base < 3 || base > sizeof upper) return false;
    for (size_t i = 0; i < base; ++i) upper[i] = UpperAscii(number[i]);
    for (const char* device : devices)
        if (strlen(device) == base && memcmp(upper, device, base) == 0) return true;
    return base == 4 && (memcmp(upper, "COM", 3) == 0 || memcmp(upper, "LPT", 3) == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

extern "C" int32_t MakeExportFileName(const char* orderNumber, size_t fieldSize, char* name) {
    static const size_t extensionLength = 4;  // ".txt" of FORMAT_EXPORT_FILE_NAME

    name[0] = 0;
    // An order number that fills its field has no terminator: it cannot be
    // shorter than the field, so it does not fit either.
    const char* end = (const char*)memchr(orderNumber, 0, fieldSize);
    if (!end) return 1;
    size_t length = (size_t)(end - orderNumber);

    size_t prefix = IsReservedDeviceName(orderNumber, length) ? 1 : 0;
    // Cutting a long number would let two orders share one file.
    if (prefix + length + extensionLength >= TEXT_BUFFER_SIZE) return 1;

    char base[TEXT_BUFFER_SIZE];
    char* out = base;
    if (prefix) *out++ = '_';
    for (size_t i = 0; i < length; ++i)
        *out++ = IsForbiddenNameByte((uint8_t)orderNumber[i]) ? '_' : orderNumber[i];
    *out = 0;
    snprintf(name, TEXT_BUFFER_SIZE, FORMAT_EXPORT_FILE_NAME, base);
    return 0;
}
