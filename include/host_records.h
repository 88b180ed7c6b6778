// Host records exchanged with MERION, byte for byte. Every offset the plug-in
// uses is named here once and pinned by static_assert. Pointer fields sit at
// offsets that hold a pointer on both the i686 DLL and the native test build
// (padding is computed from the pointer size), so the named offsets are the
// same on both.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "host_abi.h"

// Key handler of a table: eleven 32-bit arguments, removed by the callee.
typedef int32_t(HOST_CALLEE* KeyHandlerFn)(uint32_t key, int32_t index, intptr_t a3,
                                           void** rows, intptr_t a5, void* browse,
                                           intptr_t a7, intptr_t a8, intptr_t a9,
                                           intptr_t a10, intptr_t a11);

// HostTableDescriptor: the host's record of one table.
struct HOST_PACKED HostTableDescriptor {
    uint8_t Reserved0[6];
    int16_t RecordLength;                  // byte 6: length of the table's row record
    void* RowBuffer;                       // byte 8: row that the scans fill
    uint8_t Reserved1[104 - 8 - sizeof(void*)];
    KeyHandlerFn KeyHandler;               // byte 104: the table's key handler
};
static_assert(offsetof(HostTableDescriptor, RecordLength) == 6, "RecordLength at byte 6");
static_assert(offsetof(HostTableDescriptor, RowBuffer) == 8, "RowBuffer at byte 8");
static_assert(offsetof(HostTableDescriptor, KeyHandler) == 104, "KeyHandler at byte 104");

// Row of table 53 (Tzak_dok): one line of an order.
enum { ORDER_LINE_RECORD_LENGTH = 626 };
struct HOST_PACKED OrderLineRow {
    uint8_t Reserved0[2];
    char Description[121];                 // byte 2: second column of the export line
    char Code[17];                         // byte 123: first column of the export line
    int32_t QuantityThousandths;           // byte 140: third column, in thousandths
    uint8_t Reserved1[ORDER_LINE_RECORD_LENGTH - 144];
};
static_assert(offsetof(OrderLineRow, Description) == 2, "line text at byte 2");
static_assert(offsetof(OrderLineRow, Code) == 123, "line code at byte 123");
static_assert(offsetof(OrderLineRow, QuantityThousandths) == 140, "line number at byte 140");
static_assert(sizeof(OrderLineRow) == ORDER_LINE_RECORD_LENGTH, "table 53 row is 626 bytes");

// Row of table 52 (Tzak): an order.
enum { ORDER_RECORD_LENGTH = 901 };
struct HOST_PACKED OrderRow {
    uint8_t Reserved0[2];
    char OrderNumber[875];                 // byte 2: zero-terminated order number
    int32_t SettingsNumber;                // byte 877: delivery settings number
    uint8_t Reserved1[16];
    int32_t LinesKey;                      // byte 897: key value of the order's lines
};
static_assert(offsetof(OrderRow, OrderNumber) == 2, "order number at byte 2");
static_assert(offsetof(OrderRow, SettingsNumber) == 877, "settings number at byte 877");
static_assert(offsetof(OrderRow, LinesKey) == 897, "lines key at byte 897");
static_assert(sizeof(OrderRow) == ORDER_RECORD_LENGTH, "table 52 row is 901 bytes");

// BrowseState: the host's browse position; the row under the cursor is
// rows[Current - First + Offset].
struct HOST_PACKED BrowseState {
    uint8_t Reserved0[80];
    int32_t First;                         // byte 80
    int32_t Offset;                        // byte 84
    int32_t Current;                       // byte 88
};
static_assert(offsetof(BrowseState, First) == 80, "browse value at byte 80");
static_assert(offsetof(BrowseState, Offset) == 84, "browse value at byte 84");
static_assert(offsetof(BrowseState, Current) == 88, "browse value at byte 88");

// DeliverySettings: FTP settings stored by the host under "Nr%d".
enum { DELIVERY_SETTINGS_SIZE = 584 };
struct HOST_PACKED DeliverySettings {
    int32_t Size;                          // byte 0: record size, set to 584 before a read
    char Host[63];                         // byte 4: FTP argument 6
    char User[61];                         // byte 67: FTP argument 7
    char Password[61];                     // byte 128: FTP argument 8, '@' = scrambled
    char Directory[129];                   // byte 189: FTP argument 9
    int32_t Port;                          // byte 318: FTP argument 10
    uint8_t Reserved[258];                 // bytes 322 to 579: not read
    int32_t Mode;                          // byte 580: FTP argument 11
};
static_assert(offsetof(DeliverySettings, Host) == 4, "settings text at byte 4");
static_assert(offsetof(DeliverySettings, User) == 67, "settings text at byte 67");
static_assert(offsetof(DeliverySettings, Password) == 128, "settings text at byte 128");
static_assert(offsetof(DeliverySettings, Directory) == 189, "settings text at byte 189");
static_assert(offsetof(DeliverySettings, Port) == 318, "settings integer at byte 318");
static_assert(offsetof(DeliverySettings, Mode) == 580, "settings integer at byte 580");
static_assert(sizeof(DeliverySettings) == DELIVERY_SETTINGS_SIZE, "settings record is 584 bytes");

// Notice record handed to HostForm by the installation notice.
struct HOST_PACKED NoticeRecord {
    int32_t Answer;                        // byte 0: the "Pytaj" value
    char Text[304];                        // byte 4: PluginDescription, then unwritten
};
static_assert(offsetof(NoticeRecord, Text) == 4, "notice text at byte 4");
static_assert(sizeof(NoticeRecord) == 308, "notice record is 308 bytes");

// Working storage sizes handed to the host.
enum {
    SCAN_CURSOR_SIZE = 192,
    TEXT_BUFFER_SIZE = 256,   // file names, keys, masks, copy targets
    LINE_BUFFER_SIZE = 260,
};
