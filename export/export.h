// Order export: the Ctrl-1 command of the purchase register, the export file
// writer and the text helpers they share.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "host_entries.h"
#include "host_records.h"

extern "C" {
// The key handler that ExportKeyHandler replaced in table 52's descriptor.
// Filled and written back by the life cycle; null means there is none.
extern KeyHandlerFn SavedKeyHandler;

// Table 52's key handler while the plug-in is started. Key 231 (Ctrl-1)
// exports the order under the cursor and returns 0; every other key goes to
// SavedKeyHandler with the same eleven arguments (0 when there is none).
int32_t HOST_CALLEE ExportKeyHandler(uint32_t key, int32_t index, intptr_t a3, void** rows,
                                     intptr_t a5, void* browse, intptr_t a7, intptr_t a8,
                                     intptr_t a9, intptr_t a10, intptr_t a11);

// Writes the lines (table 53) of one order to fileName, one line per row,
// after deleting any old file of that name. index: the key handler's index
// argument, low 16 bits sign-extended. Returns 1 when table 53 is not
// offered or no key is built (nothing written), otherwise 0.
int32_t WriteExportFile(const char* fileName, int32_t index, const OrderRow* order);

// Formats one export line "code;text;quantity" from a table 53 row into a
// LINE_BUFFER_SIZE buffer. Texts are taken within their fields; the quantity
// has three decimals and a decimal point whatever the C locale says. Returns
// the length of the line.
uint32_t FormatExportLine(const OrderLineRow* row, char* line);

// Builds "<order number>.txt" into a TEXT_BUFFER_SIZE buffer as a plain file
// name of the current directory: bytes a file name cannot hold become '_',
// and a reserved device name gets a '_' in front. The order number is read
// within its field of fieldSize bytes. Returns 0, or 1 when the name does not
// fit (the buffer is then an empty text).
int32_t MakeExportFileName(const char* orderNumber, size_t fieldSize, char* name);

// Decodes a settings text in place: a text that begins with '@' is stored
// scrambled; every other text is left unchanged.
void UnscrambleText(char* text);
}

// The scrambling key of stored settings texts.
enum : uint8_t { SETTINGS_SCRAMBLE_KEY = 0x4E };
