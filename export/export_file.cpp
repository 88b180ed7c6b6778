// The export file writer: one semicolon-separated line per row of table 53
// (Tzak_dok) that belongs to the order.
#include <stdio.h>
#include <string.h>

#include "export.h"
#include "texts.h"

// A host text that fills its whole field has no terminator of its own; such a
// text is cut to width - 1 bytes in the caller's buffer. A terminated text is
// used where it lies, without a copy.
static const char* TextWithinField(const char* field, size_t width, char* copy) {
    if (memchr(field, 0, width)) return field;
    memcpy(copy, field, width - 1);
    copy[width - 1] = 0;
    return copy;
}

// The formatted printing writes the locale's radix character, and the host
// process may have set a locale whose radix is a comma (or several bytes).
// The export file always has a decimal point, so whatever stands between the
// integer digits and the three decimals at the end of the line is replaced by
// a single '.'. Returns the new length.
static uint32_t PutDecimalPoint(char* line, uint32_t length) {
    if (length < 5) return length;  // cannot hold "d?ddd"
    uint32_t decimals = length - 3;
    uint32_t radix = decimals;
    while (radix > 0 && (line[radix - 1] < '0' || line[radix - 1] > '9')) --radix;
    if (decimals - radix == 1 && line[radix] == '.') return length;
    line[radix] = '.';
    memmove(line + radix + 1, line + decimals, 4);  // three decimals and the terminator
    return radix + 4;
}

extern "C" uint32_t FormatExportLine(const OrderLineRow* row, char* line) {
    char code[sizeof row->Code];
    char description[sizeof row->Description];
    // At most 16 + 1 + 120 + 1 + 12 ("-2147483.648") bytes: the line buffer
    // cannot overflow whatever the row holds.
    int length = snprintf(line, LINE_BUFFER_SIZE, FORMAT_EXPORT_LINE,
                          TextWithinField(row->Code, sizeof row->Code, code),
                          TextWithinField(row->Description, sizeof row->Description, description),
                          (double)row->QuantityThousandths / 1000.0);
    if (length < 0) {
        line[0] = 0;
        return 0;
    }
    return PutDecimalPoint(line, (uint32_t)length);
}

extern "C" int32_t WriteExportFile(const char* fileName, int32_t index, const OrderRow* order) {
    remove(fileName);  // an old export of the same order never survives

    HostTableDescriptor* lines = HostTable(TABLE_ORDER_LINES);
    if (!lines) {
        HostMessage(TEXT_WARNING_TITLE, TEXT_NO_LINES_TABLE, 1);
        return 1;
    }
    HostTablePrepare(lines, 255);
    // The scans refill this row; the pointer is read once, after preparing.
    const OrderLineRow* row = (const OrderLineRow*)lines->RowBuffer;

    char key[TEXT_BUFFER_SIZE];
    int32_t keyResult = HostMakeKey(index, 0, key, order->LinesKey);
    if (keyResult == 0) return 1;

    uint8_t cursor[SCAN_CURSOR_SIZE];
    char line[LINE_BUFFER_SIZE];
    if (HostScanBegin(cursor, 0, keyResult, key, 0, 0) != 0) {
        while (HostScanNext(cursor) == 1) {
            FormatExportLine(row, line);
            HostAppendLine(fileName, line);
        }
    }
    HostScanEnd(cursor);
    return 0;
}
