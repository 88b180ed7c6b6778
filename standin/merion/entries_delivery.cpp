// Host entries of the three deliveries: e-mail (prepare, then send), FTP with
// its stored settings record (select and read). Nothing leaves the machine:
// what a delivery was given is in the call log, and the file it would have
// sent is put into outbox\mail\ or outbox\ftp\ under the current directory.
#include <string.h>

#include "host_data.h"

namespace {

enum {
    MAIL_MODE = 4,
    FTP_HOST_SIZE = sizeof(((DeliverySettings*)0)->Host),
    FTP_USER_SIZE = sizeof(((DeliverySettings*)0)->User),
    FTP_PASSWORD_SIZE = sizeof(((DeliverySettings*)0)->Password),
    FTP_DIRECTORY_SIZE = sizeof(((DeliverySettings*)0)->Directory),
    NOTE_SIZE = 400,
};

}  // namespace

extern "C" int HOST_CALLEE HostMailPrepare(int32_t zero, int32_t four, int32_t one) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMailPrepare, zero, four, one);
    ExpectValue(call, 0, 0);
    ExpectValue(call, 1, MAIL_MODE);
    ExpectValue(call, 2, 1);
    MailPrepared() = true;
    return (int)FinishCall(call, 0);
}

// Sends the file prepared for by HostMailPrepare.
extern "C" int HOST_CALLEE HostMailSend(int32_t zero, const char* file, const char* subject,
                                        int32_t four) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMailSend, zero, file, subject, four);
    ExpectValue(call, 0, 0);
    const char* name = ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectText(call, 2, TEXT_BOUND);
    ExpectValue(call, 3, MAIL_MODE);
    if (!MailPrepared()) Violation("HostMailSend: no HostMailPrepare before it");
    MailPrepared() = false;
    if (name) {
        char note[NOTE_SIZE];
        DropIntoOutbox(name, name, "mail", note, sizeof note);
        SetNote(call, "%s", note);
    }
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostSelect(int32_t zero, int32_t number) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostSelect, zero, number);
    ExpectValue(call, 0, 0);
    return (int)FinishCall(call, 0);
}

// Copies the record stored under the key over the caller's, keeping the
// caller's size field; answers 1, or 0 (record untouched) when there is none.
extern "C" int HOST_CALLEE HostReadRecord(int32_t zero, const char* key, DeliverySettings* record) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostReadRecord, zero, key, record);
    ExpectValue(call, 0, 0);
    const char* keyText = ExpectText(call, 1, TEXT_BUFFER_SIZE);
    bool writable = ExpectBuffer(call, 2, DELIVERY_SETTINGS_SIZE, true);
    if (writable && record->Size != DELIVERY_SETTINGS_SIZE) {
        Violation("HostReadRecord: record size field expected %d, got %ld",
                  (int)DELIVERY_SETTINGS_SIZE, (long)record->Size);
        writable = false;
    }
    bool found = false;
    if (keyText && writable) {
        if (const DeliverySettings* stored = FindRecord(keyText)) {
            memcpy((char*)record + sizeof record->Size, (const char*)stored + sizeof record->Size,
                   sizeof *record - sizeof record->Size);
            found = true;
        }
        SetNote(call, found ? "record %s copied" : "no record %s", keyText);
    }
    return (int)FinishCall(call, found ? 1 : 0);
}

extern "C" int HOST_CALLEE HostFtpSend(const char* local, const char* remote, int32_t zero1,
                                       int32_t one, int32_t zero2, const char* text4,
                                       const char* text67, const char* text128,
                                       const char* text189, int32_t value318, int32_t value580) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostFtpSend, local, remote, zero1, one, zero2, text4,
                                   text67, text128, text189, value318, value580);
    const char* file = ExpectText(call, 0, TEXT_BUFFER_SIZE);
    const char* remoteName = ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectValue(call, 2, 0);
    ExpectValue(call, 3, 1);
    ExpectValue(call, 4, 0);
    ExpectText(call, 5, FTP_HOST_SIZE);
    ExpectText(call, 6, FTP_USER_SIZE);
    ExpectText(call, 7, FTP_PASSWORD_SIZE);
    ExpectText(call, 8, FTP_DIRECTORY_SIZE);
    if (file && remoteName) {
        // The remote name is the name the file gets in the outbox.
        char note[NOTE_SIZE];
        DropIntoOutbox(file, remoteName, "ftp", note, sizeof note);
        SetNote(call, "%s", note);
    }
    return (int)FinishCall(call, 0);
}
