// Fuzz target: the Ctrl-1 command through the key handler
// (ExportKeyHandler), from a fuzzed BrowseState and order row up to the
// export file's name and the deliveries that receive it.
//
// Input (little-endian):
//   byte 0       rows in the browse: 1 + value % 8
//   byte 1       the cursor's row: value % rows
//   bytes 2-9    BrowseState values at 80 and 84 (the one at 88 is set so
//                that the cursor is on that row, in wrapping arithmetic)
//   byte 10      below 0xC0: key 231; else the key in bytes 11-14, and from
//                0xF0 on there is no saved key handler
//   bytes 15-18  index argument
//   byte 19      the host's choice: value % 6 picks 20482 (cancel), 20481,
//                20483, 20485, 20485 with high bits set, -1
//   byte 20      HostCheckFile's answer: value % 4 picks 0, 0xFFFF,
//                0xFFFF0001, 0x8000
//   bytes 21-32  settings number, key value of the lines, saved handler's result
//   bytes 33-60  arguments 3, 5, 7 to 11
//   bytes 61 on  the order number field of the row under the cursor (875
//                bytes, zeros past the end of the input)
//
// The cursor always points into the row array: the key handler's contract
// gives the plug-in no length to check the index against, so a position
// outside the array is a broken host, not an input the plug-in can refuse.
// Rows, the row array and the BrowseState are heap blocks of exactly their
// size; the bytes of BrowseState before 80 are poisoned. The file name is
// checked where it reaches the file system (the plug-in's file removal is
// routed through __wrap_remove) and in every host call that receives it.
#include <memory>
#include <string>
#include <vector>

#include "export.h"
#include "export_name_rules.h"
#include "fake_host.h"
#include "fuzz_support.h"
#include "texts.h"

namespace {

const size_t kMaxRows = 8;
const int32_t kChoices[6] = {20482, CHOICE_FTP, CHOICE_FILE, CHOICE_EMAIL,
                             (int32_t)(0x7FFF0000u | CHOICE_EMAIL), -1};
const int32_t kCheckFileAnswers[4] = {0, 0xFFFF, (int32_t)0xFFFF0001u, 0x8000};

std::vector<std::string> g_removed;

std::string CallList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += name + " ";
    return list;
}

// An order row in a heap block of exactly its size; the bytes between the
// settings number and the key value are not read.
std::unique_ptr<OrderRow> MakeOrder(size_t row, int32_t settingsNumber, int32_t linesKey) {
    std::unique_ptr<OrderRow> order(new OrderRow);
    memset(order.get(), 0, sizeof *order);
    snprintf(order->OrderNumber, sizeof order->OrderNumber, "R%zu", row);
    order->SettingsNumber = settingsNumber;
    order->LinesKey = linesKey;
    return order;
}

const size_t kUnreadStart = offsetof(OrderRow, SettingsNumber) + 4;
const size_t kUnreadEnd = offsetof(OrderRow, LinesKey) / 8 * 8;

}  // namespace

// The plug-in's file removal: the name must be safe before anything is
// deleted.
extern "C" int __real_remove(const char* name);
extern "C" int __wrap_remove(const char* name) {
    g_removed.push_back(name);
    CheckStaysInCurrentDirectory(name);
    return __real_remove(name);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static FakeHostWorkDir workDir;  // a scratch directory, current for the whole run
    FUZZ_CHECK(!workDir.Path().empty(), "no scratch directory");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    size_t rowCount = 1 + input.Byte() % kMaxRows;
    size_t cursor = input.Byte() % rowCount;
    int32_t first = input.I32(), offset = input.I32();
    uint8_t keyMode = input.Byte();
    int32_t otherKey = input.I32();
    uint32_t key = keyMode < 0xC0 ? KEY_CTRL_1 : (uint32_t)otherKey;
    bool savedHandler = keyMode < 0xF0;
    int32_t index = input.I32();
    int32_t choice = kChoices[input.Byte() % 6];
    int32_t checkFile = kCheckFileAnswers[input.Byte() % 4];
    int32_t settingsNumber = input.I32(), linesKey = input.I32(), handlerResult = input.I32();
    intptr_t extra[7];
    for (intptr_t& argument : extra) argument = input.I32();

    FakeHostReset();
    g_removed.clear();
    g_host.ChoiceResult = choice;
    g_host.CheckFileResult = checkFile;
    g_host.KeyHandlerResult = handlerResult;
    SavedKeyHandler = savedHandler ? FakeHostKeyHandler : nullptr;

    // Rows: the one under the cursor carries the fuzzed fields, the others
    // distinct values, so that a wrong row shows.
    std::vector<std::unique_ptr<OrderRow>> orders;
    for (size_t i = 0; i < rowCount; ++i)
        orders.push_back(MakeOrder(i, 1000 + (int32_t)i, 2000 + (int32_t)i));
    OrderRow& order = *orders[cursor];
    order.SettingsNumber = settingsNumber;
    order.LinesKey = linesKey;
    input.Bytes(order.OrderNumber, sizeof order.OrderNumber);
    std::unique_ptr<void*[]> rows(new void*[rowCount]);
    for (size_t i = 0; i < rowCount; ++i) {
        rows[i] = orders[i].get();
        ForbidBytes((char*)orders[i].get() + kUnreadStart, kUnreadEnd - kUnreadStart);
    }

    std::unique_ptr<BrowseState> browse(new BrowseState);
    memset(browse.get(), 0, sizeof *browse);
    browse->First = first;
    browse->Offset = offset;
    browse->Current = (int32_t)((uint32_t)first - (uint32_t)offset + (uint32_t)cursor);
    ForbidBytes(browse.get(), offsetof(BrowseState, First));

    int32_t result = ExportKeyHandler(key, index, extra[0], rows.get(), extra[1], browse.get(),
                                      extra[2], extra[3], extra[4], extra[5], extra[6]);

    AllowBytes(browse.get(), sizeof *browse);
    for (auto& row : orders) AllowBytes(row.get(), sizeof *row);
    FUZZ_CHECK(g_host.Violations.empty(), g_host.Violations.empty() ? "" : g_host.Violations[0]);
    std::vector<std::string> calls = FakeHostCallNames();

    if (key != KEY_CTRL_1) {
        // Another key: to the saved handler, every argument as it came.
        FUZZ_CHECK(g_removed.empty(), "a file removed for key " + std::to_string(key));
        if (!savedHandler) {
            FUZZ_CHECK(result == 0 && calls.empty(), "got " + CallList(calls));
            return 0;
        }
        FUZZ_CHECK(result == handlerResult, "result " + std::to_string(result));
        FUZZ_CHECK(calls == std::vector<std::string>{"KeyHandler"}, "got " + CallList(calls));
        std::vector<int64_t> expected = {key,      index,    extra[0], (intptr_t)rows.get(),
                                         extra[1], (intptr_t)browse.get(), extra[2],
                                         extra[3], extra[4], extra[5], extra[6]};
        FUZZ_CHECK(g_host.Calls[0].Args == expected, "arguments changed on the way");
        return 0;
    }

    FUZZ_CHECK(result == 0, "Ctrl-1 answered " + std::to_string(result));
    std::string number(order.OrderNumber, strnlen(order.OrderNumber, sizeof order.OrderNumber));
    std::string name = number.empty()
                           ? std::string()
                           : ExpectedExportFileName(order.OrderNumber, sizeof order.OrderNumber);
    if (name.empty()) {
        // No number, or one that cannot name a file: a message, nothing else.
        FUZZ_CHECK(calls == std::vector<std::string>{"HostMessage"},
                   "number " + Shown(number) + ": got " + CallList(calls));
        const char* expectedText = number.empty() ? TEXT_NO_ORDER_NUMBER
                                                  : TEXT_ORDER_NUMBER_TOO_LONG;
        FUZZ_CHECK(g_host.Calls[0].Text(1) == expectedText,
                   "number " + Shown(number) + ": message " + Shown(g_host.Calls[0].Text(1)));
        FUZZ_CHECK(g_removed.empty(), "a file removed for number " + Shown(number));
        return 0;
    }

    FUZZ_CHECK(g_removed.size() == 1 && g_removed[0] == name,
               "number " + Shown(number) + ": removed " +
                   (g_removed.empty() ? std::string("nothing") : Shown(g_removed[0])) +
                   ", expected " + Shown(name));
    std::vector<std::string> expectedCalls = {"HostTable",    "HostTablePrepare", "HostMakeKey",
                                              "HostScanBegin", "HostScanNext",    "HostScanEnd",
                                              "HostCheckFile"};
    std::vector<std::string> fileArguments;  // "Call:argument" of each file name handed over
    if (HostLow16(checkFile) >= 0) {
        expectedCalls.push_back("HostChoice");
        switch (HostLow16(choice)) {
        case CHOICE_FTP:
            expectedCalls.insert(expectedCalls.end(), {"HostSelect", "HostReadRecord", "HostFtpSend"});
            break;
        case CHOICE_FILE:
            expectedCalls.insert(expectedCalls.end(), {"HostMaskPath", "HostFileDialog", "HostCopyFile"});
            break;
        case CHOICE_EMAIL:
            expectedCalls.insert(expectedCalls.end(), {"HostMailPrepare", "HostMailSend"});
            break;
        }
    }
    FUZZ_CHECK(calls == expectedCalls,
               "expected " + CallList(expectedCalls) + "\n  got " + CallList(calls));

    // The row under the cursor, and the file name wherever it goes.
    const FakeCall& makeKey = *FakeHostCallsOf("HostMakeKey")[0];
    FUZZ_CHECK(makeKey.Int(0) == HostLow16(index) && makeKey.Int(3) == linesKey,
               "HostMakeKey got index " + std::to_string(makeKey.Int(0)) + ", value " +
                   std::to_string(makeKey.Int(3)));
    for (const FakeCall& call : g_host.Calls) {
        std::vector<size_t> files;
        if (call.Name == "HostCheckFile" || call.Name == "HostCopyFile") files = {0};
        if (call.Name == "HostFtpSend") files = {0, 1};
        if (call.Name == "HostMailSend") files = {1};
        if (call.Name == "HostFileDialog") files = {1};
        for (size_t argument : files)
            FUZZ_CHECK(call.Text(argument) == name,
                       call.Name + " argument " + std::to_string(argument + 1) + ": " +
                           ExpectedGot(name, call.Text(argument)));
        if (call.Name == "HostSelect")
            FUZZ_CHECK(call.Int(1) == settingsNumber,
                       "HostSelect got " + std::to_string(call.Int(1)));
    }
    return 0;
}
