// Host entries that talk to the user or handle texts: messages, the choice
// dialog, the file dialog, the mask path and the text conversion.
// Dialogs are not shown; each call is logged and answered from the script.
#include <string.h>

#include "host_data.h"

namespace {

enum {
    CONVERT_FROM_MAZOVIA = 1,
    CONVERT_TO_WINDOWS_1250 = 3,
    CHOICE_DIALOG = 2094,
    FILE_DIALOG = 57,
};

}  // namespace

extern "C" int HOST_CALLEE HostMessage(const char* title, const char* text, int32_t one) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMessage, title, text, one);
    ExpectText(call, 0, TEXT_BOUND);
    ExpectText(call, 1, TEXT_BOUND);
    ExpectValue(call, 2, 1);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostConvertText(char* source, char* target, int32_t from, int32_t to) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostConvertText, source, target, from, to);
    const char* text = ExpectText(call, 0, TEXT_BOUND);
    bool codes = ExpectValue(call, 2, CONVERT_FROM_MAZOVIA) & ExpectValue(call, 3, CONVERT_TO_WINDOWS_1250);
    if (text && codes) {
        uint32_t size = (uint32_t)strlen(text) + 1;
        if (ExpectBuffer(call, 1, size, true)) StandIn_MazoviaToWindows1250(source, target, size);
    }
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLER HostChoice(const char* title, const char* prompt, int32_t dialog,
                                      const char* label1, const char* label2, const char* label3,
                                      const char* label4, int32_t terminator) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostChoice, title, prompt, dialog, label1, label2,
                                   label3, label4, terminator);
    ExpectText(call, 0, TEXT_BOUND);
    ExpectText(call, 1, TEXT_BOUND);
    ExpectValue(call, 2, CHOICE_DIALOG);
    for (uint32_t label = 3; label <= 6; ++label) ExpectText(call, label, TEXT_BOUND);
    ExpectValue(call, 7, 0);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostMaskPath(char* buffer256, const char* mask) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMaskPath, buffer256, mask);
    bool buffer = ExpectBuffer(call, 0, TEXT_BUFFER_SIZE, true);
    const char* text = ExpectText(call, 1, TEXT_BUFFER_SIZE);
    // The host prefixes the mask with its working folder: the scripted text,
    // or else the mask itself.
    const char* answer = TextAnswer(ENTRY_HostMaskPath);
    if (!answer) answer = text;
    if (buffer && answer) memcpy(buffer256, answer, strlen(answer) + 1);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostFileDialog(int32_t dialog, char* name256, const char* mask,
                                          int32_t zero) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostFileDialog, dialog, name256, mask, zero);
    ExpectValue(call, 0, FILE_DIALOG);
    if (ExpectBuffer(call, 1, TEXT_BUFFER_SIZE, true)) ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectText(call, 2, TEXT_BUFFER_SIZE);
    ExpectValue(call, 3, 0);
    // The user's choice (the scripted name) is written unless cancelled (-1).
    int result = (int)FinishCall(call, 0);
    const char* answer = TextAnswer(ENTRY_HostFileDialog);
    if (result != -1 && answer && call->Text[1]) {
        memcpy(name256, answer, strlen(answer) + 1);
        SetNote(call, "name \"%s\" chosen", answer);
    }
    return result;
}
