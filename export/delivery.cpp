// Sending the export file: by FTP with the delivery settings the host stores
// for the order, by copying it to a place the user picks, or by e-mail.
#include <stdio.h>
#include <string.h>

#include "export.h"
#include "export_internal.h"
#include "texts.h"

// The host's file dialog for choosing the copy target.
enum { COPY_TARGET_DIALOG = 57 };
// HostMailPrepare / HostMailSend mode of a file attachment.
enum { MAIL_MODE = 4 };

// A settings text whose field holds no terminator would run into the next
// field; the field's last byte always ends it.
template <size_t Width>
static void TerminateField(char (&field)[Width]) {
    field[Width - 1] = 0;
}

void DeliverByFtp(const char* fileName, void* const* rows, const void* browse) {
    HostSelect(0, RowUnderCursor(rows, browse)->SettingsNumber);

    char key[TEXT_BUFFER_SIZE];
    snprintf(key, sizeof key, FORMAT_SETTINGS_KEY,
             (int)HostLow16(RowUnderCursor(rows, browse)->SettingsNumber));

    // Cleared first: where the host has no record for the key, empty texts
    // and zeros are sent, never what the stack held before.
    DeliverySettings settings;
    memset(&settings, 0, sizeof settings);
    settings.Size = DELIVERY_SETTINGS_SIZE;
    HostReadRecord(0, key, &settings);

    TerminateField(settings.Host);
    TerminateField(settings.User);
    TerminateField(settings.Password);
    TerminateField(settings.Directory);
    UnscrambleText(settings.Password);

    HostFtpSend(fileName, fileName, 0, 1, 0, settings.Host, settings.User, settings.Password,
                settings.Directory, settings.Port, settings.Mode);
}

void DeliverByCopy(const char* fileName) {
    char target[TEXT_BUFFER_SIZE];
    char mask[TEXT_BUFFER_SIZE];
    snprintf(target, sizeof target, "%s", fileName);
    mask[0] = 0;
    HostMaskPath(mask, TEXT_ANY_FILE_MASK);
    mask[sizeof mask - 1] = 0;
    if (HostFileDialog(COPY_TARGET_DIALOG, target, mask, 0) == -1) return;
    target[sizeof target - 1] = 0;
    HostCopyFile(fileName, target, 0);
}

void DeliverByMail(const char* fileName) {
    HostMailPrepare(0, MAIL_MODE, 1);
    HostMailSend(0, fileName, TEXT_MAIL_SUBJECT, MAIL_MODE);
}

extern "C" void UnscrambleText(char* text) {
    if (text[0] != '@') return;
    // Runs to the stored terminator even where a byte decodes to 0.
    char* out = text;
    for (; out[1] != 0; ++out) out[0] = (char)(out[1] ^ SETTINGS_SCRAMBLE_KEY);
    out[0] = 0;
}
