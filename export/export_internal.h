// Pieces of the export command shared within export/.
#pragma once

#include <stdint.h>

#include "host_records.h"

// The row of table 52 under the browse cursor: rows[Current - First + Offset].
// Looked up afresh at every use, since a host call may move the browse.
static inline const OrderRow* RowUnderCursor(void* const* rows, const void* browse) {
    const BrowseState* state = (const BrowseState*)browse;
    // Wrapping arithmetic: the host's values are taken as they are.
    int32_t index = (int32_t)((uint32_t)state->Current - (uint32_t)state->First +
                              (uint32_t)state->Offset);
    return (const OrderRow*)rows[index];
}

// The three ways of sending the export file, chosen in the host's dialog.
void DeliverByFtp(const char* fileName, void* const* rows, const void* browse);
void DeliverByCopy(const char* fileName);
void DeliverByMail(const char* fileName);
