// What makes an export file name safe, written independently of the
// plug-in's code: the rules of Windows file names, and the name an order
// number must give.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "host_records.h"

// Bytes a Windows file name cannot hold: control bytes, the path separators,
// the drive and stream colon, and the wildcard and redirection characters.
inline bool NameByteForbidden(unsigned char c) {
    return c < 0x20 || (c != 0 && strchr("\\/:*?\"<>|", c) != nullptr);
}

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

// True when the system opens a device instead of a file for this name in the
// current directory. The name is cut at its first '.' or ':', trailing
// spaces are dropped, and what is left is compared without regard to ASCII
// case with AUX, CON, NUL, PRN, COM1 to COM9, LPT1 to LPT9, CONIN$ and
// CONOUT$ (Windows 10 and earlier, and Wine, which runs the plug-in in the
// scenarios; Windows 11 only matches a bare device name, a subset of these).
// The superscript digits that also complete COM and LPT are not in the
// Polish system code page, so the bytes of a name cannot spell them there.
inline bool IsDeviceName(const std::string& name) {
    size_t end = name.find_first_of(".:");
    if (end == std::string::npos) end = name.size();
    while (end > 0 && name[end - 1] == ' ') --end;
    std::string base;
    for (size_t i = 0; i < end; ++i) base += AsciiUpper(name[i]);
    if (base == "AUX" || base == "CON" || base == "NUL" || base == "PRN") return true;
    if (base == "CONIN$" || base == "CONOUT$") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Fails unless name is a plain file name of the current directory ending in
// ".txt": no separator, no drive or stream colon, no forbidden byte, not "."
// or "..", not a device, and short enough for a TEXT_BUFFER_SIZE buffer.
// Without a separator the name is one path component, so dots inside it (as
// in "A..B.txt", from the order number "A..B") name nothing but this file.
inline void CheckStaysInCurrentDirectory(const std::string& name) {
    FUZZ_CHECK(name.size() >= 4 && name.size() < TEXT_BUFFER_SIZE, "name " + Shown(name));
    FUZZ_CHECK(name.compare(name.size() - 4, 4, ".txt") == 0, "name " + Shown(name));
    for (unsigned char c : name)
        FUZZ_CHECK(!NameByteForbidden(c), "forbidden byte in name " + Shown(name));
    FUZZ_CHECK(name != "." && name != "..", "name " + Shown(name));
    FUZZ_CHECK(!IsDeviceName(name), "device name " + Shown(name));
}

// The export file name an order number field must give: each byte of the
// number kept, a forbidden byte replaced by '_', ".txt" appended, and a '_'
// put in front where the name would otherwise open a device. Empty when the
// field has no terminator or the name would not fit TEXT_BUFFER_SIZE bytes
// with its terminator: such a number is refused, never cut (two orders must
// not share a file).
inline std::string ExpectedExportFileName(const char* field, size_t fieldSize) {
    const char* end = (const char*)memchr(field, 0, fieldSize);
    if (!end) return std::string();
    std::string name;
    for (const char* p = field; p < end; ++p)
        name += NameByteForbidden((unsigned char)*p) ? '_' : *p;
    name += ".txt";
    if (IsDeviceName(name)) name = "_" + name;
    if (name.size() >= TEXT_BUFFER_SIZE) return std::string();
    return name;
}

// Checks MakeExportFileName's answer for one order number field.
inline void CheckExportFileName(const char* field, size_t fieldSize, int32_t result,
                                const char* name) {
    std::string expected = ExpectedExportFileName(field, fieldSize);
    std::string number(field, strnlen(field, fieldSize));
    if (result == 0) CheckStaysInCurrentDirectory(name);  // whatever else is wrong with it
    if (expected.empty()) {
        FUZZ_CHECK(result == 1 && name[0] == 0,
                   "number " + Shown(number) + " must be refused; result " +
                       std::to_string(result) + ", name " + Shown(name));
        return;
    }
    FUZZ_CHECK(result == 0, "number " + Shown(number) + " refused; expected " + Shown(expected));
    FUZZ_CHECK(expected == name, "number " + Shown(number) + ": " + ExpectedGot(expected, name));
}
