// In-memory fake of the host library (see fake_host.h).
#include "fake_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

FakeHost g_host;

namespace {

// Longest text the fake reads; a text without terminator within it is a
// violation (and, under the sanitizer, an over-read is reported earlier).
const size_t kTextLimit = 1 << 16;

void Violate(const std::string& what) { g_host.Violations.push_back(what); }

std::string CopyText(const std::string& entry, const char* text) {
    if (!text) return std::string();
    size_t length = strnlen(text, kTextLimit);
    if (length == kTextLimit) Violate(entry + ": text without terminator");
    return std::string(text, length);
}

// Builds the record of one call, argument by argument.
class Call {
public:
    explicit Call(const char* name) { call_.Name = name; }
    Call& Int(int64_t value) {
        call_.Args.push_back(value);
        call_.Texts.emplace_back();
        return *this;
    }
    Call& Ptr(const void* pointer) { return Int((int64_t)(intptr_t)pointer); }
    Call& Text(const char* text) {
        call_.Args.push_back((int64_t)(intptr_t)text);
        call_.Texts.push_back(CopyText(call_.Name, text));
        return *this;
    }
    Call& Bytes(const void* data, size_t size) {
        call_.Bytes.assign((const char*)data, size);
        return *this;
    }
    // Stores the call; returns its index in g_host.Calls.
    size_t Record() {
        g_host.Calls.push_back(call_);
        return g_host.Calls.size() - 1;
    }

private:
    FakeCall call_;
};

// Runs the test's hook on a copy (the hook may make further calls) and
// passes the answer through.
template <typename T>
T Answer(size_t index, T result) {
    if (g_host.OnCall) {
        FakeCall copy = g_host.Calls[index];
        g_host.OnCall(copy);
    }
    return result;
}

void Expect(bool condition, const char* entry, const char* what) {
    if (!condition) Violate(std::string(entry) + ": " + what);
}

// Writes text into a 256-byte host buffer, cut to fit.
void FillBuffer256(char* buffer, const std::string& text) {
    size_t length = text.size() < TEXT_BUFFER_SIZE - 1 ? text.size() : TEXT_BUFFER_SIZE - 1;
    memcpy(buffer, text.data(), length);
    buffer[length] = 0;
}

void InitTable(FakeTable& table, int16_t recordLength, KeyHandlerFn handler) {
    memset(&table.Descriptor, 0, sizeof table.Descriptor);
    table.Offered = true;
    table.RowArea.assign((size_t)recordLength, 0);
    table.Descriptor.RecordLength = recordLength;
    table.Descriptor.RowBuffer = table.RowArea.data();
    table.Descriptor.KeyHandler = handler;
}

bool IsFakeDescriptor(const HostTableDescriptor* table) {
    return table == &g_host.Orders.Descriptor || table == &g_host.OrderLines.Descriptor;
}

// The scan state the fake keeps inside the caller's 192-byte cursor area.
enum : uint32_t {
    CURSOR_OPEN = 0x0A5CA000,
    CURSOR_NOT_STARTED = 0x0A5CA001,
    CURSOR_ENDED = 0x0A5CA002,
    CURSOR_EXHAUSTED = 0x0A5CA003,  // HostScanNext has answered other than 1
};
struct FakeCursor {
    uint32_t State;
    int32_t KeyValue;
    uint32_t Position;  // next row of Lines to look at
    uint32_t Delivered; // rows delivered so far
};
static_assert(sizeof(FakeCursor) <= SCAN_CURSOR_SIZE, "the fake's cursor fits the host's");

FakeCursor ReadCursor(const void* cursor) {
    FakeCursor state;
    memcpy(&state, cursor, sizeof state);
    return state;
}

void WriteCursor(void* cursor, const FakeCursor& state) { memcpy(cursor, &state, sizeof state); }

// Mazovia to Windows-1250 for the Polish letters (conversion code 1 to 3).
uint8_t MazoviaToWindows1250(uint8_t byte) {
    static const uint8_t pairs[][2] = {
        {0x86, 0xB9}, {0x8D, 0xE6}, {0x91, 0xEA}, {0x92, 0xB3}, {0xA4, 0xF1}, {0xA2, 0xF3},
        {0x9E, 0x9C}, {0xA6, 0x9F}, {0xA7, 0xBF}, {0x8F, 0xA5}, {0x95, 0xC6}, {0x90, 0xCA},
        {0x9C, 0xA3}, {0xA5, 0xD1}, {0xA3, 0xD3}, {0x98, 0x8C}, {0xA0, 0x8F}, {0xA1, 0xAF},
    };
    for (const auto& pair : pairs)
        if (pair[0] == byte) return pair[1];
    return byte;
}

// "Dec  5 2016" -> 20161205; 0 if the text is not such a date.
uint32_t DateValueOf(const char* text) {
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char month[4] = {};
    int day = 0, year = 0;
    if (sscanf(text, "%3s %d %d", month, &day, &year) != 3) return 0;
    const char* found = strstr(months, month);
    if (!found || (found - months) % 3 != 0 || strlen(month) != 3) return 0;
    return (uint32_t)(year * 10000 + ((found - months) / 3 + 1) * 100 + day);
}

std::string ProfileName(const char* section, const char* key) {
    return std::string(section ? section : "") + "/" + (key ? key : "");
}

}  // namespace

void FakeHostReset() {
    g_host = FakeHost();
    InitTable(g_host.Orders, ORDER_RECORD_LENGTH, FakeHostKeyHandler);
    InitTable(g_host.OrderLines, ORDER_LINE_RECORD_LENGTH, nullptr);
}

OrderRow& FakeHostAddOrder(const char* number, int32_t settingsNumber, int32_t linesKey) {
    auto row = std::make_unique<OrderRow>();
    memset(row.get(), 0, sizeof *row);
    snprintf(row->OrderNumber, sizeof row->OrderNumber, "%s", number);
    row->SettingsNumber = settingsNumber;
    row->LinesKey = linesKey;
    g_host.OrderRows.push_back(row.get());
    g_host.OrderStore.push_back(std::move(row));
    return *g_host.OrderStore.back();
}

OrderLineRow& FakeHostAddLine(int32_t ownerKey, const char* code, const char* description,
                              int32_t thousandths) {
    FakeLine line;
    line.OwnerKey = ownerKey;
    memset(&line.Row, 0, sizeof line.Row);
    snprintf(line.Row.Code, sizeof line.Row.Code, "%s", code);
    snprintf(line.Row.Description, sizeof line.Row.Description, "%s", description);
    line.Row.QuantityThousandths = thousandths;
    g_host.Lines.push_back(line);
    return g_host.Lines.back().Row;
}

std::vector<const FakeCall*> FakeHostCallsOf(const char* name) {
    std::vector<const FakeCall*> calls;
    for (const FakeCall& call : g_host.Calls)
        if (call.Name == name) calls.push_back(&call);
    return calls;
}

size_t FakeHostCountOf(const char* name) { return FakeHostCallsOf(name).size(); }

std::vector<std::string> FakeHostCallNames() {
    std::vector<std::string> names;
    for (const FakeCall& call : g_host.Calls) names.push_back(call.Name);
    return names;
}

int HOST_CALLER FakeHostFeatureQuery(int32_t a, int32_t b) {
    size_t index = Call("HostFeatureQuery").Int(a).Int(b).Record();
    return Answer(index, g_host.FeatureResult);
}

int32_t HOST_CALLEE FakeHostKeyHandler(uint32_t key, int32_t index, intptr_t a3, void** rows,
                                       intptr_t a5, void* browse, intptr_t a7, intptr_t a8,
                                       intptr_t a9, intptr_t a10, intptr_t a11) {
    size_t call = Call("KeyHandler")
                      .Int(key).Int(index).Int(a3).Ptr(rows).Int(a5).Ptr(browse)
                      .Int(a7).Int(a8).Int(a9).Int(a10).Int(a11)
                      .Record();
    return Answer(call, g_host.KeyHandlerResult);
}

std::string FakeHostReadFile(const std::string& path) {
    std::string content;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return content;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    fclose(file);
    return content;
}

bool FakeHostFileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

void FakeHostWriteFile(const std::string& path, const std::string& content) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return;
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

FakeHostWorkDir::FakeHostWorkDir() {
    char previous[4096];
    if (getcwd(previous, sizeof previous)) previous_ = previous;
    std::string pattern = (std::filesystem::temp_directory_path() / "fakehost-XXXXXX").string();
    if (mkdtemp(&pattern[0])) {
        path_ = pattern;
        if (chdir(path_.c_str()) != 0) path_.clear();
    }
}

FakeHostWorkDir::~FakeHostWorkDir() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0) return;
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

// The host entries.
extern "C" {

int HOST_CALLEE HostMessage(const char* title, const char* text, int32_t one) {
    size_t index = Call("HostMessage").Text(title).Text(text).Int(one).Record();
    Expect(one == 1, "HostMessage", "third argument is not 1");
    return Answer(index, g_host.MessageResult);
}

int HOST_CALLEE HostConvertText(char* source, char* target, int32_t from, int32_t to) {
    size_t index = Call("HostConvertText").Text(source).Ptr(target).Int(from).Int(to).Record();
    Expect(from == 1 && to == 3, "HostConvertText", "conversion is not 1 to 3");
    if (source && target) {
        const std::string& text = g_host.Calls[index].Texts[0];
        for (size_t i = 0; i <= text.size(); ++i)
            target[i] = (char)MazoviaToWindows1250((uint8_t)(i < text.size() ? text[i] : 0));
    }
    return Answer(index, 0);
}

// arguments: the slot of the one variable argument, a pointer for a read
// (mode 1) or a 32-bit value for a write (mode 2). The call's Args[5] holds
// the value read or written.
int HOST_CALLER HostProfile(int32_t mode, const char* section, const char* key,
                            const char* format, void* arguments) {
    Call call("HostProfile");
    call.Int(mode).Text(section).Text(key).Text(format).Ptr(arguments);
    int32_t result = 0;
    std::string name = ProfileName(section, key);
    if (!format || strcmp(format, "%d") != 0) Violate("HostProfile: format is not %d");
    if (mode == 1) {
        auto found = g_host.Profile.find(name);
        if (found != g_host.Profile.end()) {
            **(int32_t**)arguments = found->second;
            call.Int(found->second);
        } else {
            result = g_host.ProfileMissingResult;
            call.Int(0);
        }
    } else if (mode == 2) {
        int32_t value = *(const int32_t*)arguments;
        g_host.Profile[name] = value;
        call.Int(value);
        result = g_host.ProfileWriteResult;
    } else {
        Violate("HostProfile: mode is neither 1 nor 2");
        call.Int(0);
    }
    return Answer(call.Record(), result);
}

int HOST_CALLER HostForm(int32_t form, void* record, int32_t zero, const char* caption) {
    size_t index = Call("HostForm").Int(form).Ptr(record).Int(zero).Text(caption)
                       .Bytes(record, sizeof(NoticeRecord)).Record();
    Expect(zero == 0, "HostForm", "third argument is not 0");
    if (g_host.FormWritesAnswer) ((NoticeRecord*)record)->Answer = g_host.FormAnswer;
    return Answer(index, g_host.FormResult);
}

int HOST_CALLER HostChoice(const char* title, const char* prompt, int32_t dialog,
                           const char* label1, const char* label2, const char* label3,
                           const char* label4, int32_t terminator) {
    size_t index = Call("HostChoice").Text(title).Text(prompt).Int(dialog).Text(label1)
                       .Text(label2).Text(label3).Text(label4).Int(terminator).Record();
    Expect(dialog == 2094, "HostChoice", "dialog is not 2094");
    Expect(terminator == 0, "HostChoice", "list of labels not ended by 0");
    return Answer(index, g_host.ChoiceResult);
}

int HOST_CALLEE HostError(const char* text) {
    size_t index = Call("HostError").Text(text).Record();
    return Answer(index, g_host.ErrorResult);
}

int HOST_CALLEE HostMaskPath(char* buffer256, const char* mask) {
    size_t index = Call("HostMaskPath").Ptr(buffer256).Text(mask).Record();
    FillBuffer256(buffer256, g_host.MaskPathAnswer.empty() ? std::string(mask ? mask : "")
                                                           : g_host.MaskPathAnswer);
    return Answer(index, 0);
}

int HOST_CALLEE HostDataVersion(void) {
    size_t index = Call("HostDataVersion").Record();
    return Answer(index, g_host.DataVersion);
}

HostTableDescriptor* HOST_CALLEE HostTable(int32_t table) {
    size_t index = Call("HostTable").Int(table).Record();
    HostTableDescriptor* descriptor = nullptr;
    if (table == TABLE_ORDERS && g_host.Orders.Offered) descriptor = &g_host.Orders.Descriptor;
    if (table == TABLE_ORDER_LINES && g_host.OrderLines.Offered)
        descriptor = &g_host.OrderLines.Descriptor;
    return Answer(index, descriptor);
}

int HOST_CALLEE HostFileDialog(int32_t dialog, char* name256, const char* mask, int32_t zero) {
    size_t index = Call("HostFileDialog").Int(dialog).Text(name256).Text(mask).Int(zero).Record();
    Expect(dialog == 57, "HostFileDialog", "dialog is not 57");
    Expect(zero == 0, "HostFileDialog", "fourth argument is not 0");
    if (!g_host.FileDialogName.empty()) FillBuffer256(name256, g_host.FileDialogName);
    return Answer(index, g_host.FileDialogResult);
}

int HOST_CALLEE HostTablePrepare(HostTableDescriptor* table, int32_t mode) {
    size_t index = Call("HostTablePrepare").Ptr(table).Int(mode).Record();
    Expect(IsFakeDescriptor(table), "HostTablePrepare", "not a descriptor of the host");
    Expect(mode == 255, "HostTablePrepare", "mode is not 255");
    return Answer(index, 0);
}

// The key text names the index and the key value, so that a scan can tell
// which rows it covers.
int HOST_CALLEE HostMakeKey(int32_t index, int32_t zero, char* key256, int32_t value) {
    size_t call = Call("HostMakeKey").Int(index).Int(zero).Ptr(key256).Int(value).Record();
    Expect(zero == 0, "HostMakeKey", "second argument is not 0");
    if (g_host.MakeKeyResult != 0) {
        snprintf(key256, TEXT_BUFFER_SIZE, "key:%d:%d", index, value);
        g_host.LastKeyValue = value;
    }
    return Answer(call, g_host.MakeKeyResult);
}

int HOST_CALLEE HostCopyFile(const char* source, const char* target, int32_t zero) {
    size_t index = Call("HostCopyFile").Text(source).Text(target).Int(zero).Record();
    Expect(zero == 0, "HostCopyFile", "third argument is not 0");
    if (source && target && FakeHostFileExists(source))
        FakeHostWriteFile(target, FakeHostReadFile(source));
    return Answer(index, g_host.CopyFileResult);
}

uint32_t HOST_CALLEE HostDateValue(const char* date) {
    size_t index = Call("HostDateValue").Text(date).Record();
    return Answer(index, date ? DateValueOf(date) : g_host.OwnDateValue);
}

int HOST_CALLEE HostScanBegin(void* cursor192, int32_t zero1, int32_t key, char* key256,
                              int32_t zero2, int32_t zero3) {
    size_t index = Call("HostScanBegin").Ptr(cursor192).Int(zero1).Int(key).Text(key256)
                       .Int(zero2).Int(zero3).Record();
    Expect(zero1 == 0 && zero2 == 0 && zero3 == 0, "HostScanBegin", "a zero argument is not 0");
    int keyIndex = 0, keyValue = 0;
    bool built = key256 && sscanf(key256, "key:%d:%d", &keyIndex, &keyValue) == 2;
    Expect(built && keyValue == g_host.LastKeyValue, "HostScanBegin",
           "key buffer not filled by HostMakeKey");
    Expect(key == g_host.MakeKeyResult, "HostScanBegin", "key result not the one of HostMakeKey");

    FakeCursor state{};
    state.State = g_host.ScanBeginResult != 0 ? CURSOR_OPEN : CURSOR_NOT_STARTED;
    state.KeyValue = keyValue;
    WriteCursor(cursor192, state);
    return Answer(index, g_host.ScanBeginResult);
}

// Delivers the next row of table 53 whose owner key is the scan's key value
// into the row buffer that the descriptor names at this moment.
int HOST_CALLEE HostScanNext(void* cursor192) {
    size_t index = Call("HostScanNext").Ptr(cursor192).Record();
    FakeCursor state = ReadCursor(cursor192);
    if (state.State == CURSOR_EXHAUSTED) {
        // The scan has already said it is over; asking again is a fault
        // (and answering anything but the end would let a loop run forever).
        Violate("HostScanNext: called again after the scan ended");
        return Answer(index, g_host.ScanNextEndResult);
    }
    if (state.State != CURSOR_OPEN) {
        Violate("HostScanNext: cursor not open");
        return Answer(index, 0);
    }
    int32_t result = g_host.ScanNextEndResult;
    bool stop = g_host.ScanNextStopAfter >= 0 &&
                state.Delivered == (uint32_t)g_host.ScanNextStopAfter;
    if (stop) result = g_host.ScanNextStopResult;
    for (uint32_t i = state.Position; !stop && i < g_host.Lines.size(); ++i) {
        if (g_host.Lines[i].OwnerKey != state.KeyValue) continue;
        memcpy(g_host.OrderLines.Descriptor.RowBuffer, &g_host.Lines[i].Row, sizeof(OrderLineRow));
        state.Position = i + 1;
        ++state.Delivered;
        WriteCursor(cursor192, state);
        return Answer(index, 1);
    }
    state.State = CURSOR_EXHAUSTED;
    WriteCursor(cursor192, state);
    return Answer(index, result);
}

int HOST_CALLEE HostScanEnd(void* cursor192) {
    size_t index = Call("HostScanEnd").Ptr(cursor192).Record();
    FakeCursor state = ReadCursor(cursor192);
    Expect(state.State == CURSOR_OPEN || state.State == CURSOR_NOT_STARTED ||
               state.State == CURSOR_EXHAUSTED,
           "HostScanEnd",
           "cursor never begun or already ended");
    state.State = CURSOR_ENDED;
    WriteCursor(cursor192, state);
    return Answer(index, 0);
}

int HOST_CALLEE HostMailSend(int32_t zero, const char* file, const char* subject, int32_t four) {
    size_t index = Call("HostMailSend").Int(zero).Text(file).Text(subject).Int(four).Record();
    Expect(zero == 0 && four == 4, "HostMailSend", "arguments are not 0, file, subject, 4");
    return Answer(index, 0);
}

int HOST_CALLEE HostMailPrepare(int32_t zero, int32_t four, int32_t one) {
    size_t index = Call("HostMailPrepare").Int(zero).Int(four).Int(one).Record();
    Expect(zero == 0 && four == 4 && one == 1, "HostMailPrepare", "arguments are not 0, 4, 1");
    return Answer(index, 0);
}

int HOST_CALLEE HostFtpSend(const char* local, const char* remote, int32_t zero1, int32_t one,
                            int32_t zero2, const char* text4, const char* text67,
                            const char* text128, const char* text189, int32_t value318,
                            int32_t value580) {
    size_t index = Call("HostFtpSend").Text(local).Text(remote).Int(zero1).Int(one).Int(zero2)
                       .Text(text4).Text(text67).Text(text128).Text(text189)
                       .Int(value318).Int(value580).Record();
    Expect(zero1 == 0 && one == 1 && zero2 == 0, "HostFtpSend", "arguments 3 to 5 are not 0, 1, 0");
    return Answer(index, 0);
}

int HOST_CALLEE HostSelect(int32_t zero, int32_t number) {
    size_t index = Call("HostSelect").Int(zero).Int(number).Record();
    Expect(zero == 0, "HostSelect", "first argument is not 0");
    return Answer(index, 0);
}

int HOST_CALLEE HostReadRecord(int32_t zero, const char* key, DeliverySettings* record) {
    size_t index = Call("HostReadRecord").Int(zero).Text(key).Ptr(record)
                       .Bytes(record, sizeof *record).Record();
    Expect(zero == 0, "HostReadRecord", "first argument is not 0");
    Expect(record->Size == DELIVERY_SETTINGS_SIZE, "HostReadRecord", "record size is not 584");
    auto found = key ? g_host.Settings.find(key) : g_host.Settings.end();
    if (found == g_host.Settings.end()) return Answer(index, 0);
    memcpy((char*)record + sizeof record->Size, (const char*)&found->second + sizeof record->Size,
           sizeof *record - sizeof record->Size);
    return Answer(index, 1);
}

int HOST_CALLEE HostCheckFile(const char* file) {
    size_t index = Call("HostCheckFile").Text(file).Record();
    return Answer(index, g_host.CheckFileResult);
}

int HOST_CALLEE HostAppendLine(const char* file, const char* line) {
    size_t index = Call("HostAppendLine").Text(file).Text(line).Record();
    FILE* out = file ? fopen(file, "ab") : nullptr;
    if (out) {
        const std::string& text = g_host.Calls[index].Texts[1];
        fwrite(text.data(), 1, text.size(), out);
        fwrite("\r\n", 1, 2, out);
        fclose(out);
    }
    return Answer(index, g_host.AppendLineResult);
}

}  // extern "C"
