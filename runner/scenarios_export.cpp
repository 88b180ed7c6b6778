// Scenarios of the plug-in's export area: Ctrl-1 in the purchase register
// (the export file and its three deliveries) and every other key passed on to
// the register's own handler. Each scenario loads the plug-in, starts it
// through export 30001 as the host does, which puts the plug-in's key handler
// into table 52's descriptor, presses keys through that handler with the
// host's eleven arguments, and stops the plug-in again. What the plug-in did
// is read from the stand-in's call log and from the real files it left.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "host_entries.h"
#include "host_records.h"
#include "runner.h"
#include "standin_control.h"

namespace {

// ---------------------------------------------------------------------------
// The texts the plug-in must hand over, in the Mazovia code page, written
// here independently of the plug-in's own constants.

const char WARNING_TITLE[] = "uwaga";
// "Błąd inicjacji tabeli Tzak_dok."
const char NO_LINES_TABLE[] = "B\x92\x86" "d inicjacji tabeli Tzak_dok.";
// "Brak numeru zamówienia. Nie można eksportować."
const char NO_ORDER_NUMBER[] = "Brak numeru zam\xA2wienia. Nie mo\xA7na eksportowa\x8D.";
// "Numer zamówienia jest za długi. Nie można eksportować."
const char ORDER_NUMBER_TOO_LONG[] =
    "Numer zam\xA2wienia jest za d\x92ugi. Nie mo\xA7na eksportowa\x8D.";
// "W jaki sposób wysłać dane?"
const char CHOICE_PROMPT[] = "W jaki spos\xA2" "b wys\x92" "a\x8D dane?";
const char* const CHOICE_LABELS[] = {"~F~TP", "~P~lik", "~A~nuluj", "~E~mail"};

enum : int32_t {
    CHOICE_DIALOG = 2094,
    ANSWER_FTP = 20481,
    ANSWER_COPY = 20483,
    ANSWER_MAIL = 20485,
    ANSWER_CANCEL = 20482,
    FILE_DIALOG = 57,
    MAIL_MODE = 4,
    SCRAMBLE_KEY = 0x4E,
    KEY_CTRL_ONE = 231,
};

// ---------------------------------------------------------------------------
// The register: three orders with the cursor on the middle one, and lines of
// two orders in table 53, those of the order under the cursor not adjacent.

enum : int32_t {
    LINES_KEY = 0x00012345,          // key value of the order under the cursor
    OTHER_LINES_KEY = 0x00012346,    // key value of the order before it
    KEY_ANSWER = 0x00070011,         // what HostMakeKey answers for the key it builds
};
// The key handler's second argument: its low 16 bits, sign-extended, are -2.
const uint32_t INDEX_ARGUMENT = 0x5A5AFFFE;
const int32_t INDEX = -2;

const char ORDER_FILE[] = "Z12.txt";
// Śruba M6 / Podkładka ząbkowana; 8 mm / Nakrętka
const char ORDER_FILE_BYTES[] =
    "AB-1;\x98ruba M6;0.120\r\n"
    "KL-7;Podk\x92" "adka z\x86" "bkowana; 8 mm;-0.150\r\n"
    "M-1000;Nakr\x91tka;1000.000\r\n";

// Files any scenario here may leave behind; each is removed before and after
// every scenario.
const char* const MADE_FILES[] = {
    "Z12.txt", "kopia_Z12.txt", "ZAM_1_2016.txt", "_CON.txt", ".txt",
    "outbox\\mail\\Z12.txt", "outbox\\ftp\\Z12.txt",
};
const char* const MADE_FOLDERS[] = {"outbox\\mail", "outbox\\ftp", "outbox"};

// An order number of exactly length bytes, all 'A'; and its file name.
void LongNumber(uint32_t length, char* number, char* fileName) {
    memset(number, 'A', length);
    number[length] = 0;
    if (fileName) snprintf(fileName, MAX_PATH, "%s.txt", number);
}

void RemoveMadeFiles() {
    for (const char* file : MADE_FILES) DeleteFileA(file);
    char longName[MAX_PATH], number[256];
    LongNumber(251, number, longName);
    DeleteFileA(longName);
    LongNumber(252, number, longName);
    DeleteFileA(longName);
    for (const char* folder : MADE_FOLDERS) RemoveDirectoryA(folder);
}

// Adds the three orders and the lines; returns the order under the cursor.
// The browse's values put the cursor on row 5 - 7 + 3 = 1.
OrderRow* SetUpRegister(const char* number, int32_t settingsNumber) {
    StandIn_AddOrder("A7", 3, OTHER_LINES_KEY);
    OrderRow* order = StandIn_AddOrder(number, settingsNumber, LINES_KEY);
    StandIn_AddOrder("B9", 4, 0x0BAD);
    BrowseState* browse = StandIn_BrowseState();
    browse->First = 7;
    browse->Offset = 3;
    browse->Current = 5;
    StandIn_AddLine(LINES_KEY, "AB-1", "\x98ruba M6", 120);
    StandIn_AddLine(OTHER_LINES_KEY, "XX-9", "linia innego zam\xA2wienia", 5);
    StandIn_AddLine(LINES_KEY, "KL-7", "Podk\x92" "adka z\x86" "bkowana; 8 mm", -150);
    StandIn_AddLine(LINES_KEY, "M-1000", "Nakr\x91tka", 1000000);
    StandIn_SetAnswer(ENTRY_HostMakeKey, KEY_ANSWER);
    return order;
}

// ---------------------------------------------------------------------------
// The plug-in inside the host: start, key presses, stop.

// Starts the plug-in as the host does and returns the key handler that table
// 52 then holds; null (and a failure) when start did not replace the host's.
const void* Start(HMODULE plugin) {
    char description[96];
    const uint32_t start[] = {(uint32_t)(uintptr_t)&StandIn_FeatureQuery,
                              (uint32_t)(uintptr_t)description};
    ExpectNumber("start result", 0, (long)(int32_t)CallExport(plugin, 30001, 2, start, 0).Result);
    const void* handler = (const void*)StandIn_TableDescriptor(TABLE_ORDERS)->KeyHandler;
    if (!handler || handler == StandIn_HostKeyHandler()) {
        Fail("start: table 52's key handler not replaced (%p)", handler);
        return nullptr;
    }
    return handler;
}

// Stops the plug-in; table 52 must hold the host's own handler again.
void Stop(HMODULE plugin) {
    const uint32_t stop[] = {0, 0};
    ExpectNumber("stop result", 0, (long)(int32_t)CallExport(plugin, 30001, 2, stop, 0).Result);
    const void* handler = (const void*)StandIn_TableDescriptor(TABLE_ORDERS)->KeyHandler;
    if (handler != StandIn_HostKeyHandler())
        Fail("stop: table 52's key handler expected the host's own %p, got %p",
             StandIn_HostKeyHandler(), handler);
}

// The eleven arguments of a key press as the host makes them: key, index
// argument, the row array (4) and the browse (6); the others are the host's
// own values, which the plug-in only passes on.
void KeyArguments(uint32_t key, uint32_t* arguments) {
    const uint32_t host[11] = {key,        INDEX_ARGUMENT,
                               0xA3000003, (uint32_t)(uintptr_t)StandIn_BrowseRows(),
                               0xA5000005, (uint32_t)(uintptr_t)StandIn_BrowseState(),
                               0xA7000007, 0xA8000008,
                               0xA9000009, 0x800000AA,
                               0xFFFFFFFB ^ key};
    memcpy(arguments, host, sizeof host);
}

// Calls the handler as the host does; it must remove its 44 bytes of
// arguments and preserve the callee-saved registers.
int32_t PressWith(const void* handler, const uint32_t* arguments) {
    ProbeResult result = {};
    ProbeCall(handler, 11, arguments, &result);
    ExpectNumber("key handler: argument bytes left to the caller", 0, result.BytesLeft);
    ExpectHex("key handler: registers not preserved", 0, result.Clobbered);
    return (int32_t)result.Result;
}

// Ctrl-1 on the order under the cursor; the command always answers 0.
void PressCtrlOne(const void* handler) {
    uint32_t arguments[11];
    KeyArguments(KEY_CTRL_ONE, arguments);
    ExpectNumber("Ctrl-1 result", 0, PressWith(handler, arguments));
}

// ---------------------------------------------------------------------------
// The call log.

// Names of the host calls from index first on, HostBindingHook left out.
void CallNames(uint32_t first, char* out, size_t size) {
    size_t at = 0;
    out[0] = 0;
    for (uint32_t i = first; i < StandIn_CallCount() && at + 1 < size; ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry == ENTRY_HostBindingHook) continue;
        at += snprintf(out + at, size - at, "%s%s", at ? " " : "", StandIn_EntryName(call->Entry));
    }
}

void ExpectCalls(uint32_t first, const char* expected) {
    char got[4096];
    CallNames(first, got, sizeof got);
    if (strcmp(expected, got) != 0) Fail("host calls: expected \"%s\", got \"%s\"", expected, got);
}

// The n-th call (from 0) of an entry from index first on; null and a failure
// when there is none.
const StandInCall* CallOf(uint32_t first, uint32_t entry, uint32_t n = 0) {
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (call && call->Entry == entry && n-- == 0) return call;
    }
    return nullptr;
}

void ExpectArgument(const StandInCall* call, uint32_t index, long expected) {
    if (!call) return;
    char what[96];
    snprintf(what, sizeof what, "%s argument %u", StandIn_EntryName(call->Entry),
             (unsigned)index + 1);
    ExpectNumber(what, expected, (long)(int32_t)call->Args[index]);
}

void ExpectTextArgument(const StandInCall* call, uint32_t index, const char* expected) {
    if (!call) return;
    char what[96];
    snprintf(what, sizeof what, "%s argument %u", StandIn_EntryName(call->Entry),
             (unsigned)index + 1);
    if (!call->Text[index])
        Fail("%s: expected the text \"%s\", got none", what, expected);
    else
        ExpectBytes(what, expected, call->Text[index]);
}

// The host calls of a Ctrl-1 that writes the file with n lines.
#define WRITE_BEGIN "HostTable HostTablePrepare HostMakeKey HostScanBegin "
#define LINE "HostScanNext HostAppendLine "
#define WRITE_END "HostScanNext HostScanEnd "
#define ORDER_WRITTEN WRITE_BEGIN LINE LINE LINE WRITE_END
#define CHOSEN "HostCheckFile HostChoice"

// The export of the order under the cursor: table 53 prepared, the key built
// from the index argument and the order's key value, the scan with that key,
// one appended line per row of the order, to fileName.
void CheckWrite(uint32_t first, const char* fileName) {
    ExpectArgument(CallOf(first, ENTRY_HostTable), 0, TABLE_ORDER_LINES);
    const StandInCall* prepare = CallOf(first, ENTRY_HostTablePrepare);
    if (prepare && prepare->Args[0] != (uintptr_t)StandIn_TableDescriptor(TABLE_ORDER_LINES))
        Fail("HostTablePrepare argument 1: expected table 53's descriptor %p, got %p",
             (void*)StandIn_TableDescriptor(TABLE_ORDER_LINES), (void*)prepare->Args[0]);
    ExpectArgument(prepare, 1, 255);
    const StandInCall* key = CallOf(first, ENTRY_HostMakeKey);
    ExpectArgument(key, 0, INDEX);
    ExpectArgument(key, 1, 0);
    ExpectArgument(key, 3, LINES_KEY);
    const StandInCall* scan = CallOf(first, ENTRY_HostScanBegin);
    ExpectArgument(scan, 2, KEY_ANSWER);
    if (key && scan && key->Args[2] != scan->Args[3])
        Fail("HostScanBegin argument 4: expected the key buffer %p, got %p", (void*)key->Args[2],
             (void*)scan->Args[3]);
    for (uint32_t n = 0; const StandInCall* append = CallOf(first, ENTRY_HostAppendLine, n); ++n)
        ExpectTextArgument(append, 0, fileName);
    const StandInCall* check = CallOf(first, ENTRY_HostCheckFile);
    if (check) ExpectTextArgument(check, 0, fileName);
}

void CheckChoice(uint32_t first) {
    const StandInCall* choice = CallOf(first, ENTRY_HostChoice);
    if (!choice) return;
    ExpectTextArgument(choice, 0, WARNING_TITLE);
    ExpectTextArgument(choice, 1, CHOICE_PROMPT);
    ExpectArgument(choice, 2, CHOICE_DIALOG);
    for (uint32_t label = 0; label < 4; ++label)
        ExpectTextArgument(choice, 3 + label, CHOICE_LABELS[label]);
    ExpectArgument(choice, 7, 0);
}

void ExpectMessage(uint32_t first, const char* text) {
    const StandInCall* message = CallOf(first, ENTRY_HostMessage);
    if (!message) {
        Fail("no HostMessage");
        return;
    }
    ExpectTextArgument(message, 0, WARNING_TITLE);
    ExpectTextArgument(message, 1, text);
    ExpectArgument(message, 2, 1);
}

// ---------------------------------------------------------------------------
// Files.

// The whole file into buffer, terminated; its length, or -1 when absent.
long ReadWholeFile(const char* name, char* buffer, size_t size) {
    FILE* file = fopen(name, "rb");
    if (!file) return -1;
    size_t length = fread(buffer, 1, size - 1, file);
    fclose(file);
    buffer[length] = 0;
    return (long)length;
}

void ExpectFile(const char* name, const char* expected) {
    char content[8192];
    long length = ReadWholeFile(name, content, sizeof content);
    char what[MAX_PATH + 32];
    snprintf(what, sizeof what, "file %s", name);
    if (length < 0)
        Fail("%s: expected, not found", what);
    else if ((size_t)length != strlen(content))
        Fail("%s: holds a zero byte", what);
    else
        ExpectBytes(what, expected, content);
}

void ExpectNoFile(const char* name) {
    if (GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES) Fail("file %s: expected none, found", name);
}

void WriteWholeFile(const char* name, const char* content) {
    FILE* file = fopen(name, "wb");
    if (!file) {
        Fail("scenario: %s cannot be written", name);
        return;
    }
    fwrite(content, 1, strlen(content), file);
    fclose(file);
}

// ---------------------------------------------------------------------------
// The scenarios. Each runs between RemoveMadeFiles calls, with the stand-in
// reset and the plug-in loaded.

typedef void (*Body)(HMODULE plugin, const void* handler);

template <Body Run>
void WithPlugin(HMODULE plugin) {
    RemoveMadeFiles();
    if (const void* handler = Start(plugin)) Run(plugin, handler);
    Stop(plugin);
    RemoveMadeFiles();
}

// Ctrl-1 on Z12, e-mail: the file holds one line per line of Z12, texts in
// Mazovia bytes as stored, CRLF after each, and the e-mail is prepared with
// 0, 4, 1 and sent with 0, "Z12.txt", "Zamowienie", 4.
void MailOrder(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_MAIL);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, ORDER_WRITTEN CHOSEN " HostMailPrepare HostMailSend");
    CheckWrite(first, ORDER_FILE);
    CheckChoice(first);
    const StandInCall* prepare = CallOf(first, ENTRY_HostMailPrepare);
    ExpectArgument(prepare, 0, 0);
    ExpectArgument(prepare, 1, MAIL_MODE);
    ExpectArgument(prepare, 2, 1);
    const StandInCall* send = CallOf(first, ENTRY_HostMailSend);
    ExpectArgument(send, 0, 0);
    ExpectTextArgument(send, 1, ORDER_FILE);
    ExpectTextArgument(send, 2, "Zamowienie");
    ExpectArgument(send, 3, MAIL_MODE);
    ExpectFile(ORDER_FILE, ORDER_FILE_BYTES);
    ExpectFile("outbox\\mail\\Z12.txt", ORDER_FILE_BYTES);
}

// Copy: the mask from HostMaskPath goes to HostFileDialog(57, name, mask, 0)
// with the file name as the proposed target, and the file is copied to the
// name the user picked. HostCheckFile's 0xFFFF0001 is positive in its low
// 16 bits, so the command goes on.
void CopyOrder(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    StandIn_SetAnswer(ENTRY_HostCheckFile, (intptr_t)0xFFFF0001);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_COPY);
    StandIn_SetTextAnswer(ENTRY_HostMaskPath, "C:\\MERION\\EKSPORT\\*.*");
    StandIn_SetTextAnswer(ENTRY_HostFileDialog, "kopia_Z12.txt");
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, ORDER_WRITTEN CHOSEN " HostMaskPath HostFileDialog HostCopyFile");
    CheckWrite(first, ORDER_FILE);
    CheckChoice(first);
    ExpectTextArgument(CallOf(first, ENTRY_HostMaskPath), 1, "*.*");
    const StandInCall* dialog = CallOf(first, ENTRY_HostFileDialog);
    ExpectArgument(dialog, 0, FILE_DIALOG);
    ExpectTextArgument(dialog, 1, ORDER_FILE);
    ExpectTextArgument(dialog, 2, "C:\\MERION\\EKSPORT\\*.*");
    ExpectArgument(dialog, 3, 0);
    const StandInCall* copy = CallOf(first, ENTRY_HostCopyFile);
    ExpectTextArgument(copy, 0, ORDER_FILE);
    ExpectTextArgument(copy, 1, "kopia_Z12.txt");
    ExpectArgument(copy, 2, 0);
    ExpectFile(ORDER_FILE, ORDER_FILE_BYTES);
    ExpectFile("kopia_Z12.txt", ORDER_FILE_BYTES);
}

// Copy cancelled: only the whole value -1 from the file dialog cancels; its
// low 16 bits alone (65535) are a choice, and the copy is made.
void CopyCancelled(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_COPY);
    StandIn_SetTextAnswer(ENTRY_HostFileDialog, "kopia_Z12.txt");
    StandIn_QueueAnswer(ENTRY_HostFileDialog, -1);
    StandIn_QueueAnswer(ENTRY_HostFileDialog, 0xFFFF);
    const struct {
        const char* Calls;
        bool Copied;
    } presses[] = {
        {ORDER_WRITTEN CHOSEN " HostMaskPath HostFileDialog", false},
        {ORDER_WRITTEN CHOSEN " HostMaskPath HostFileDialog HostCopyFile", true},
    };
    for (const auto& press : presses) {
        uint32_t first = StandIn_CallCount();
        PressCtrlOne(handler);
        ExpectCalls(first, press.Calls);
        if (press.Copied)
            ExpectFile("kopia_Z12.txt", ORDER_FILE_BYTES);
        else
            ExpectNoFile("kopia_Z12.txt");
        ExpectFile(ORDER_FILE, ORDER_FILE_BYTES);
    }
}

// FTP: a DeliverySettings record with the four texts and two integers.
DeliverySettings Settings(const char* host, const char* user, const char* password,
                          const char* directory, int32_t port, int32_t mode) {
    DeliverySettings record;
    memset(&record, 0, sizeof record);
    record.Size = 0x0BADF00D;  // the stand-in keeps the caller's size field
    snprintf(record.Host, sizeof record.Host, "%s", host);
    snprintf(record.User, sizeof record.User, "%s", user);
    snprintf(record.Password, sizeof record.Password, "%s", password);
    snprintf(record.Directory, sizeof record.Directory, "%s", directory);
    record.Port = port;
    record.Mode = mode;
    memset(record.Reserved, 0x55, sizeof record.Reserved);
    return record;
}

// "@" and the bytes of plain, each combined with the scrambling key.
void Scramble(const char* plain, char* stored) {
    stored[0] = '@';
    size_t i = 0;
    for (; plain[i]; ++i) stored[i + 1] = (char)(plain[i] ^ SCRAMBLE_KEY);
    stored[i + 1] = 0;
}

struct FtpCase {
    int32_t SettingsNumber;    // in the order under the cursor
    void (*Store)();           // the host's stored records
    const char* Key;           // key HostReadRecord must get
    const char* Texts[4];      // HostFtpSend's arguments 6 to 9
    int32_t Port;              // HostFtpSend's argument 10
    int32_t Mode;              // HostFtpSend's argument 11
};

// Records under the key from the full number, which must not be used.
void StoreDecoys() {
    DeliverySettings wrong = Settings("zly.serwer", "zly", "zle", "/zle", 99, 9);
    StandIn_SetRecord("Nr65541", &wrong);
    StandIn_SetRecord("Nr32768", &wrong);
}

void StoreScrambled() {
    char password[64];
    Scramble("Tajne#1", password);
    DeliverySettings record =
        Settings("ftp.merion.pl", "zamowienia", password, "/zamowienia/przychodzace", 21, 2);
    StandIn_SetRecord("Nr5", &record);
    StoreDecoys();
}

// The password's third stored byte is the key itself: it decodes to a zero
// byte, which ends the decoded text there.
void StoreKeyByte() {
    char password[64];
    Scramble("abXcd", password);
    password[3] = (char)SCRAMBLE_KEY;  // in place of the X: decodes to a zero byte
    DeliverySettings record = Settings("10.0.0.7", "magazyn", password, "", 2121, 0);
    StandIn_SetRecord("Nr-32768", &record);
    StoreDecoys();
}

void StoreOtherNumberOnly() {
    DeliverySettings record = Settings("ftp.merion.pl", "zamowienia", "haslo", "/", 21, 2);
    StandIn_SetRecord("Nr5", &record);
}

// 2^16 + 5: HostSelect gets the whole number, the key is made from its low
// 16 bits, Nr5; the scrambled password is sent decoded.
const FtpCase FtpScrambled = {
    65541, StoreScrambled, "Nr5",
    {"ftp.merion.pl", "zamowienia", "Tajne#1", "/zamowienia/przychodzace"}, 21, 2};
// 2^15: the low 16 bits read as signed give the key Nr-32768.
const FtpCase FtpNegativeKey = {32768, StoreKeyByte, "Nr-32768",
                                {"10.0.0.7", "magazyn", "ab", ""}, 2121, 0};
// No record under Nr6: empty texts and zero integers are sent.
const FtpCase FtpNoRecord = {6, StoreOtherNumberOnly, "Nr6", {"", "", "", ""}, 0, 0};

void CheckFtpSend(uint32_t first, int32_t settingsNumber, const char* key,
                  const char* const* texts, int32_t port, int32_t mode) {
    const StandInCall* select = CallOf(first, ENTRY_HostSelect);
    ExpectArgument(select, 0, 0);
    ExpectArgument(select, 1, settingsNumber);
    const StandInCall* read = CallOf(first, ENTRY_HostReadRecord);
    ExpectArgument(read, 0, 0);
    ExpectTextArgument(read, 1, key);
    const StandInCall* send = CallOf(first, ENTRY_HostFtpSend);
    ExpectTextArgument(send, 0, ORDER_FILE);
    ExpectTextArgument(send, 1, ORDER_FILE);
    ExpectArgument(send, 2, 0);
    ExpectArgument(send, 3, 1);
    ExpectArgument(send, 4, 0);
    for (uint32_t i = 0; i < 4; ++i) ExpectTextArgument(send, 5 + i, texts[i]);
    ExpectArgument(send, 9, port);
    ExpectArgument(send, 10, mode);
    ExpectFile("outbox\\ftp\\Z12.txt", ORDER_FILE_BYTES);
}

#define FTP_SENT ORDER_WRITTEN CHOSEN " HostSelect HostReadRecord HostFtpSend"

template <const FtpCase& Case>
void SendByFtp(HMODULE, const void* handler) {
    SetUpRegister("Z12", Case.SettingsNumber);
    Case.Store();
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_FTP);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, FTP_SENT);
    CheckWrite(first, ORDER_FILE);
    CheckFtpSend(first, Case.SettingsNumber, Case.Key, Case.Texts, Case.Port, Case.Mode);
    ExpectFile(ORDER_FILE, ORDER_FILE_BYTES);
}

// A stored record whose texts fill their fields without a terminator: each
// text is sent cut to its field, 62, 60, 60 and 128 bytes.
void FtpFieldsTerminated(HMODULE, const void* handler) {
    SetUpRegister("Z12", 7);
    DeliverySettings record = Settings("", "", "", "", 0x12345678, -7);
    memset(record.Host, 'h', sizeof record.Host);
    memset(record.User, 'u', sizeof record.User);
    memset(record.Password, 'p', sizeof record.Password);
    memset(record.Directory, 'd', sizeof record.Directory);
    StandIn_SetRecord("Nr7", &record);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_FTP);
    char host[64], user[64], password[64], directory[136];
    snprintf(host, sizeof host, "%.*s", 62, record.Host);
    snprintf(user, sizeof user, "%.*s", 60, record.User);
    snprintf(password, sizeof password, "%.*s", 60, record.Password);
    snprintf(directory, sizeof directory, "%.*s", 128, record.Directory);
    const char* const texts[4] = {host, user, password, directory};
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, FTP_SENT);
    CheckFtpSend(first, 7, "Nr7", texts, 0x12345678, -7);
}

// The user moves to another order while HostSelect's dialog is open: the
// settings key comes from the row under the cursor afterwards (B9, number 4),
// HostSelect itself got Z12's number.
void FtpCursorMoved(HMODULE, const void* handler) {
    SetUpRegister("Z12", 65541);
    StoreScrambled();
    DeliverySettings other = Settings("ftp.b9.pl", "b9", "x", "/b9", 990, 1);
    StandIn_SetRecord("Nr4", &other);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_FTP);
    StandIn_MoveBrowseOn(ENTRY_HostSelect, StandIn_BrowseState()->Current + 1);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, FTP_SENT);
    const char* const texts[4] = {"ftp.b9.pl", "b9", "x", "/b9"};
    CheckFtpSend(first, 65541, "Nr4", texts, 990, 1);
}

// HostCheckFile negative in its low 16 bits (0x1234FFFE, positive as a whole):
// no choice is offered and the file stays as written.
void CheckFileRefused(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    StandIn_SetAnswer(ENTRY_HostCheckFile, 0x1234FFFE);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, ORDER_WRITTEN "HostCheckFile");
    CheckWrite(first, ORDER_FILE);
    ExpectFile(ORDER_FILE, ORDER_FILE_BYTES);
}

// Table 53 not offered: "Błąd inicjacji tabeli Tzak_dok." under "uwaga", the
// old file is gone, nothing else happens.
void LinesTableMissing(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    WriteWholeFile(ORDER_FILE, "stara;linia;1.000\r\n");
    StandIn_SetTableOffered(TABLE_ORDER_LINES, 0);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, "HostTable HostMessage");
    ExpectArgument(CallOf(first, ENTRY_HostTable), 0, TABLE_ORDER_LINES);
    ExpectMessage(first, NO_LINES_TABLE);
    ExpectNoFile(ORDER_FILE);
}

// No key built: no scan, no message; the old file is gone.
void NoKey(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    WriteWholeFile(ORDER_FILE, "stara;linia;1.000\r\n");
    StandIn_SetAnswer(ENTRY_HostMakeKey, 0);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, "HostTable HostTablePrepare HostMakeKey");
    ExpectNoFile(ORDER_FILE);
}

// The scan does not start: it is still ended, once, with its cursor; no line
// and no file, and the command goes on to the check and the choice.
void ScanNotStarted(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    StandIn_SetAnswer(ENTRY_HostScanBegin, 0);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_CANCEL);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, WRITE_BEGIN "HostScanEnd " CHOSEN);
    const StandInCall* begin = CallOf(first, ENTRY_HostScanBegin);
    const StandInCall* end = CallOf(first, ENTRY_HostScanEnd);
    if (begin && end && begin->Args[0] != end->Args[0])
        Fail("HostScanEnd argument 1: expected the cursor %p, got %p", (void*)begin->Args[0],
             (void*)end->Args[0]);
    ExpectNoFile(ORDER_FILE);
}

// Empty order number: one HostMessage, nothing written.
void EmptyOrderNumber(HMODULE, const void* handler) {
    SetUpRegister("", 5);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, "HostMessage");
    ExpectMessage(first, NO_ORDER_NUMBER);
    ExpectNoFile(ORDER_FILE);
    ExpectNoFile(".txt");
}

// An existing, longer file of the same name: none of it survives. The scan
// ends its rows with -1 here, which ends the loop as 0 does.
void ExistingFileReplaced(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    WriteWholeFile(ORDER_FILE,
                   "STARE-1;stara linia pierwsza;9.999\r\nSTARE-2;stara linia druga;8.888\r\n"
                   "STARE-3;stara linia trzecia;7.777\r\nSTARE-4;stara linia czwarta;6.666\r\n");
    StandIn_SetScanEndResult(-1);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_CANCEL);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, ORDER_WRITTEN CHOSEN);
    ExpectFile(ORDER_FILE, ORDER_FILE_BYTES);
}

// Keys other than 231 as a whole value go to the host's own handler with all
// eleven arguments unchanged, and its answer comes back.
void OtherKeys(HMODULE, const void* handler) {
    SetUpRegister("Z12", 5);
    const struct {
        uint32_t Key;
        int32_t Answer;
    } keys[] = {{230, 0x11111111}, {232, -5}, {0x000100E7, 0x7FFF0000}};
    for (const auto& k : keys) {
        uint32_t arguments[11];
        KeyArguments(k.Key, arguments);
        StandIn_QueueAnswer(STANDIN_KEY_HANDLER, k.Answer);
        uint32_t first = StandIn_CallCount();
        char what[64];
        snprintf(what, sizeof what, "key 0x%X result", (unsigned)k.Key);
        ExpectNumber(what, k.Answer, PressWith(handler, arguments));
        ExpectCalls(first, "HostKeyHandler");
        const StandInCall* passed = CallOf(first, STANDIN_KEY_HANDLER);
        for (uint32_t i = 0; passed && i < 11; ++i) {
            if (passed->Args[i] == arguments[i]) continue;
            Fail("key 0x%X: argument %u passed on as 0x%lX, expected 0x%lX", (unsigned)k.Key,
                 (unsigned)i + 1, (unsigned long)passed->Args[i], (unsigned long)arguments[i]);
        }
    }
    ExpectNoFile(ORDER_FILE);
}

// The order number as a file name of the current directory.
struct NameCase {
    const char* OrderNumber;
    const char* FileName;
};
const NameCase SlashesReplaced = {"ZAM/1/2016", "ZAM_1_2016.txt"};
const NameCase DeviceNamePrefixed = {"CON", "_CON.txt"};

template <const NameCase& Case>
void SafeFileName(HMODULE, const void* handler) {
    SetUpRegister(Case.OrderNumber, 5);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_MAIL);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, ORDER_WRITTEN CHOSEN " HostMailPrepare HostMailSend");
    CheckWrite(first, Case.FileName);
    ExpectTextArgument(CallOf(first, ENTRY_HostMailSend), 1, Case.FileName);
    ExpectFile(Case.FileName, ORDER_FILE_BYTES);
    char mailed[MAX_PATH];
    snprintf(mailed, sizeof mailed, "outbox\\mail\\%s", Case.FileName);
    ExpectFile(mailed, ORDER_FILE_BYTES);
    DeleteFileA(mailed);
}

// An order number of 251 bytes still fits with ".txt" in 256 bytes; one of
// 252 bytes is refused with a message instead of being cut.
void OrderNumberTooLong(HMODULE, const void* handler) {
    char fits[256], fitsFile[MAX_PATH], tooLong[256], tooLongFile[MAX_PATH];
    LongNumber(251, fits, fitsFile);
    LongNumber(252, tooLong, tooLongFile);
    SetUpRegister(fits, 5);
    StandIn_AddOrder(tooLong, 5, LINES_KEY);  // row 3
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_CANCEL);

    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, ORDER_WRITTEN CHOSEN);
    CheckWrite(first, fitsFile);
    ExpectFile(fitsFile, ORDER_FILE_BYTES);

    StandIn_BrowseState()->Current += 2;
    first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, "HostMessage");
    ExpectMessage(first, ORDER_NUMBER_TOO_LONG);
    ExpectNoFile(tooLongFile);
}

// Texts of table 53 that fill their fields without a terminator (17 bytes at
// 123, 121 at 2) are taken as 16 and 120 characters. The scan ends its rows
// with 2 here, which ends the loop as 0 does.
void LineTextsTerminated(HMODULE, const void* handler) {
    StandIn_AddOrder("Z12", 5, LINES_KEY);
    OrderLineRow* row = StandIn_AddLine(LINES_KEY, "", "", 7);
    memset(row->Description, 'D', sizeof row->Description);
    memset(row->Code, 'C', sizeof row->Code);
    StandIn_SetAnswer(ENTRY_HostMakeKey, KEY_ANSWER);
    StandIn_SetScanEndResult(2);
    StandIn_SetAnswer(ENTRY_HostChoice, ANSWER_CANCEL);
    char expected[300];
    snprintf(expected, sizeof expected, "%.*s;%.*s;0.007\r\n", 16, row->Code, 120,
             row->Description);
    uint32_t first = StandIn_CallCount();
    PressCtrlOne(handler);
    ExpectCalls(first, WRITE_BEGIN LINE WRITE_END CHOSEN);
    ExpectFile(ORDER_FILE, expected);
}

#define ROW(name, body) {name, {}, "", true, "30007 52028..52407", CONVERTED, WithPlugin<body>}

const Scenario Rows[] = {
    ROW("Ctrl-1 on Z12, e-mail: Polish lines with CRLF, HostMailPrepare(0,4,1), "
        "HostMailSend(0,Z12.txt,Zamowienie,4)", MailOrder),
    ROW("Ctrl-1, copy: HostMaskPath, HostFileDialog(57,Z12.txt,mask,0), file copied",
        CopyOrder),
    ROW("Ctrl-1, copy cancelled by -1 from the file dialog: no copy (65535 copies)",
        CopyCancelled),
    ROW("Ctrl-1, FTP: number 2^16+5 to HostSelect, key Nr5, scrambled password decoded",
        SendByFtp<FtpScrambled>),
    ROW("Ctrl-1, FTP: number 2^15 gives key Nr-32768; a decoded zero byte ends the password",
        SendByFtp<FtpNegativeKey>),
    ROW("Ctrl-1, FTP without a stored record: empty texts and zero integers",
        SendByFtp<FtpNoRecord>),
    ROW("Ctrl-1, FTP: unterminated settings texts sent cut to their fields",
        FtpFieldsTerminated),
    ROW("Ctrl-1, FTP: cursor moved during HostSelect, key from the row under it then",
        FtpCursorMoved),
    ROW("Ctrl-1, HostCheckFile negative in its low 16 bits: no choice, file stays",
        CheckFileRefused),
    ROW("Ctrl-1, table 53 missing: HostMessage uwaga, old file gone, nothing written",
        LinesTableMissing),
    ROW("Ctrl-1, no key built: no scan, no message, old file gone", NoKey),
    ROW("Ctrl-1, scan not started: HostScanEnd once, no lines, no file", ScanNotStarted),
    ROW("Ctrl-1, empty order number: one HostMessage, no file", EmptyOrderNumber),
    ROW("Ctrl-1, existing file of the order replaced", ExistingFileReplaced),
    ROW("keys 230, 232, 0x000100E7 passed on with eleven arguments, result returned",
        OtherKeys),
    ROW("Ctrl-1, order number ZAM/1/2016 written to ZAM_1_2016.txt",
        SafeFileName<SlashesReplaced>),
    ROW("Ctrl-1, order number CON written to _CON.txt", SafeFileName<DeviceNamePrefixed>),
    ROW("Ctrl-1, order number of 252 bytes refused with a message (251 exported)",
        OrderNumberTooLong),
    ROW("Ctrl-1, unterminated line texts taken as 16 and 120 characters",
        LineTextsTerminated),
};

#undef ROW

}  // namespace

const Scenario* const ExportScenarios = Rows;
const uint32_t ExportScenarioCount = sizeof Rows / sizeof Rows[0];
