// The Ctrl-1 command of the purchase register: the key handler that replaces
// table 52's own, and the export of the order under the cursor.
#include <type_traits>

#include "export.h"
#include "export_internal.h"
#include "texts.h"

extern "C" {
KeyHandlerFn SavedKeyHandler = nullptr;
}

static_assert(std::is_same<decltype(&ExportKeyHandler), KeyHandlerFn>::value,
              "ExportKeyHandler has the host's key handler contract");

// Exports the order under the cursor and sends the file the way the user
// chooses. Always returns 0: the key is handled, whatever happened.
static int32_t ExportOrder(int32_t index, void* const* rows, const void* browse) {
    char fileName[TEXT_BUFFER_SIZE];

    const OrderRow* order = RowUnderCursor(rows, browse);
    if (order->OrderNumber[0] == 0) {
        HostMessage(TEXT_WARNING_TITLE, TEXT_NO_ORDER_NUMBER, 1);
        return 0;
    }
    if (MakeExportFileName(order->OrderNumber, sizeof order->OrderNumber, fileName) != 0) {
        HostMessage(TEXT_WARNING_TITLE, TEXT_ORDER_NUMBER_TOO_LONG, 1);
        return 0;
    }

    if (WriteExportFile(fileName, index, RowUnderCursor(rows, browse)) != 0) return 0;
    if (HostLow16(HostCheckFile(fileName)) < 0) return 0;

    int32_t choice = HostLow16(HostChoice(TEXT_WARNING_TITLE, TEXT_CHOICE_PROMPT, 2094,
                                          TEXT_CHOICE_FTP, TEXT_CHOICE_FILE, TEXT_CHOICE_CANCEL,
                                          TEXT_CHOICE_EMAIL, 0));
    switch (choice) {
    case CHOICE_FTP:
        DeliverByFtp(fileName, rows, browse);
        break;
    case CHOICE_FILE:
        DeliverByCopy(fileName);
        break;
    case CHOICE_EMAIL:
        DeliverByMail(fileName);
        break;
    default:  // cancelled, or a button this command does not know
        break;
    }
    return 0;
}

extern "C" int32_t HOST_CALLEE ExportKeyHandler(uint32_t key, int32_t index, intptr_t a3,
                                                void** rows, intptr_t a5, void* browse,
                                                intptr_t a7, intptr_t a8, intptr_t a9,
                                                intptr_t a10, intptr_t a11) {
    // The whole value: a code whose low 16 bits are 231 but whose high bits
    // are set is another key.
    if (key == KEY_CTRL_1) return ExportOrder(HostLow16(index), rows, browse);

    KeyHandlerFn saved = SavedKeyHandler;
    if (!saved) return 0;  // nothing to pass the key on to
    return saved(key, index, a3, rows, a5, browse, a7, a8, a9, a10, a11);
}
