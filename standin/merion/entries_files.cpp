// Host entries that deal with files and the profile: file check, line append,
// file copy and profile access. For now they check and log their arguments and
// answer from the script; no file is touched.
#include "standin.h"

namespace {

enum {
    PROFILE_READ = 1,
    PROFILE_WRITE = 2,
};

}  // namespace

extern "C" int HOST_CALLER HostProfile(int32_t mode, const char* section, const char* key,
                                       const char* format, void* arguments) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostProfile, mode, section, key, format, arguments);
    if (mode != PROFILE_READ && mode != PROFILE_WRITE)
        Violation("HostProfile: argument 1 expected 1 or 2, got %ld", (long)mode);
    ExpectText(call, 1, TEXT_BOUND);
    ExpectText(call, 2, TEXT_BOUND);
    ExpectText(call, 3, TEXT_BOUND);
    // The argument list holds the values to write, or the addresses to read into.
    if (ExpectBuffer(call, 4, sizeof(void*), false) && mode == PROFILE_READ &&
        !SafeRange(*(void**)arguments, sizeof(int32_t), true))
        Violation("HostProfile: argument 5 does not lead to a writable 32-bit variable");
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostCheckFile(const char* file) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostCheckFile, file);
    ExpectText(call, 0, TEXT_BUFFER_SIZE);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostAppendLine(const char* file, const char* line) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostAppendLine, file, line);
    ExpectText(call, 0, TEXT_BUFFER_SIZE);
    ExpectText(call, 1, LINE_BUFFER_SIZE);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostCopyFile(const char* source, const char* target, int32_t zero) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostCopyFile, source, target, zero);
    ExpectText(call, 0, TEXT_BUFFER_SIZE);
    ExpectText(call, 1, TEXT_BUFFER_SIZE);
    ExpectValue(call, 2, 0);
    return (int)FinishCall(call, 0);
}
