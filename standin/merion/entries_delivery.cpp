// Host entries of the three deliveries: e-mail, FTP with its stored settings
// record (select and read), and their fixed arguments.
#include "standin.h"

namespace {

enum {
    MAIL_MODE = 4,
    FTP_HOST_SIZE = sizeof(((DeliverySettings*)0)->Host),
    FTP_USER_SIZE = sizeof(((DeliverySettings*)0)->User),
    FTP_PASSWORD_SIZE = sizeof(((DeliverySettings*)0)->Password),
    FTP_DIRECTORY_SIZE = sizeof(((DeliverySettings*)0)->Directory),
};

}  // namespace

extern "C" int HOST_CALLEE HostMailPrepare(int32_t zero, int32_t four, int32_t one) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMailPrepare, zero, four, one);
    ExpectValue(call, 0, 0);
    ExpectValue(call, 1, MAIL_MODE);
    ExpectValue(call, 2, 1);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostMailSend(int32_t zero, const char* file, const char* subject,
                                        int32_t four) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMailSend, zero, file, subject, four);
    ExpectValue(call, 0, 0);
    ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectText(call, 2, TEXT_BOUND);
    ExpectValue(call, 3, MAIL_MODE);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostSelect(int32_t zero, int32_t number) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostSelect, zero, number);
    ExpectValue(call, 0, 0);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostReadRecord(int32_t zero, const char* key, DeliverySettings* record) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostReadRecord, zero, key, record);
    ExpectValue(call, 0, 0);
    ExpectText(call, 1, TEXT_BUFFER_SIZE);
    if (ExpectBuffer(call, 2, DELIVERY_SETTINGS_SIZE, true) && record->Size != DELIVERY_SETTINGS_SIZE)
        Violation("HostReadRecord: record size field expected %d, got %ld",
                  (int)DELIVERY_SETTINGS_SIZE, (long)record->Size);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostFtpSend(const char* local, const char* remote, int32_t zero1,
                                       int32_t one, int32_t zero2, const char* text4,
                                       const char* text67, const char* text128,
                                       const char* text189, int32_t value318, int32_t value580) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostFtpSend, local, remote, zero1, one, zero2, text4,
                                   text67, text128, text189, value318, value580);
    ExpectText(call, 0, TEXT_BUFFER_SIZE);
    ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectValue(call, 2, 0);
    ExpectValue(call, 3, 1);
    ExpectValue(call, 4, 0);
    ExpectText(call, 5, FTP_HOST_SIZE);
    ExpectText(call, 6, FTP_USER_SIZE);
    ExpectText(call, 7, FTP_PASSWORD_SIZE);
    ExpectText(call, 8, FTP_DIRECTORY_SIZE);
    return (int)FinishCall(call, 0);
}
