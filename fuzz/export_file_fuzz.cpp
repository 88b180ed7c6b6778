// Fuzz target: rows of table 53 through the export file writer
// (WriteExportFile), served by the fake host's scan.
//
// Input: byte 0 flags: bits 0-1 the numeric locale (C, pl_PL with a decimal
// comma, ps_AF with a two-byte separator, C); bits 2-3 what HostScanNext
// answers once no row is left (0, 2, -1, 0); bit 4 an old export file is
// there before the call. Byte 1: the host's behaviour: 0 table 53 not
// offered, 1 no key built, 2 scan not started, anything else a normal scan.
// Bytes 2-5 the index argument, bytes 6-9 the order's key value. Then one
// chunk of 143 bytes per row: its first byte odd for a row of another order,
// then the row's bytes 2 to 143 (a short last chunk is padded with zeros).
//
// While the plug-in holds a delivered row, the row buffer's bytes 144 to 625
// are poisoned: the export line may only read the fields it uses. The order
// row is a heap block of exactly its size, poisoned except for its last
// eight bytes. Every line written must be the row's fields: the code at 123
// and the text at 2, each within its field, and the number at 140 as
// thousandths with a decimal point, in every locale.
#include <locale.h>

#include <memory>
#include <string>
#include <vector>

#include "export.h"
#include "fake_host.h"
#include "fuzz_support.h"
#include "texts.h"

namespace {

const char kFileName[] = "Z12.txt";
const char kOldContent[] = "old export\r\n";
const size_t kRowBytesUsed = 144;  // bytes 0 to 143 hold every field the line reads
const size_t kChunk = 1 + kRowBytesUsed - 2;
const size_t kMaxRows = 64;

const char* const kLocales[4] = {"C", "pl_PL.utf8", "ps_AF.utf8", "C"};
const int32_t kScanEndAnswers[4] = {0, 2, -1, 0};
enum HostMode { NO_TABLE = 0, NO_KEY = 1, SCAN_NOT_STARTED = 2 };

// The stored thousandths as the export file shows them.
std::string Thousandths(int32_t stored) {
    long long value = stored;
    bool negative = value < 0;
    if (negative) value = -value;
    char text[32];
    snprintf(text, sizeof text, "%s%lld.%03lld", negative ? "-" : "", value / 1000, value % 1000);
    return text;
}

std::string ExpectedLine(const OrderLineRow& row) {
    return FieldText(row.Code, sizeof row.Code) + ";" +
           FieldText(row.Description, sizeof row.Description) + ";" +
           Thousandths(row.QuantityThousandths);
}

const char* g_locale = "C";
void UseLocale(const char* name) {
    if (strcmp(name, g_locale) == 0) return;
    if (setlocale(LC_NUMERIC, name)) g_locale = name;
}

// While a delivered row is being read, only its fields may be touched.
void GuardRowBuffer(const FakeCall& call) {
    uint8_t* area = g_host.OrderLines.RowArea.data();
    if (call.Name == "HostScanNext")
        ForbidBytes(area + kRowBytesUsed, ORDER_LINE_RECORD_LENGTH - kRowBytesUsed);
    else
        AllowBytes(area, ORDER_LINE_RECORD_LENGTH);
}

std::string CallList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += name + " ";
    return list;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static FakeHostWorkDir workDir;  // a scratch directory, current for the whole run
    FUZZ_CHECK(!workDir.Path().empty(), "no scratch directory");
    for (const char* name : kLocales)
        if (!setlocale(LC_NUMERIC, name))
            fprintf(stderr, "locale %s is not installed; its inputs run in the C locale\n", name);
    setlocale(LC_NUMERIC, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    uint8_t flags = input.Byte();
    uint8_t mode = input.Byte();
    int32_t index = input.I32();
    int32_t linesKey = input.I32();

    FakeHostReset();
    UseLocale(kLocales[flags & 3]);
    g_host.ScanNextEndResult = kScanEndAnswers[(flags >> 2) & 3];
    g_host.OrderLines.Offered = mode != NO_TABLE;
    if (mode == NO_KEY) g_host.MakeKeyResult = 0;
    if (mode == SCAN_NOT_STARTED) g_host.ScanBeginResult = 0;

    std::vector<std::string> expectedLines;
    while (input.Left() > 0 && g_host.Lines.size() < kMaxRows) {
        FakeLine line;
        memset(&line, 0, sizeof line);
        line.OwnerKey = (input.Byte() & 1) ? linesKey ^ 1 : linesKey;
        input.Bytes((uint8_t*)&line.Row + 2, kChunk - 1);
        g_host.Lines.push_back(line);
        if (line.OwnerKey == linesKey) expectedLines.push_back(ExpectedLine(line.Row));
    }
    bool scans = mode != NO_TABLE && mode != NO_KEY && mode != SCAN_NOT_STARTED;
    if (!scans) expectedLines.clear();

    std::unique_ptr<OrderRow> order(new OrderRow);
    memset(order.get(), 0, sizeof *order);
    order->LinesKey = linesKey;
    ForbidBytes(order.get(), offsetof(OrderRow, LinesKey) / 8 * 8);

    if (flags & 0x10) FakeHostWriteFile(kFileName, kOldContent);
    g_host.OnCall = GuardRowBuffer;

    int32_t result = WriteExportFile(kFileName, index, order.get());

    g_host.OnCall = nullptr;
    AllowBytes(g_host.OrderLines.RowArea.data(), ORDER_LINE_RECORD_LENGTH);
    AllowBytes(order.get(), sizeof *order);

    FUZZ_CHECK(g_host.Violations.empty(), g_host.Violations.empty() ? "" : g_host.Violations[0]);
    FUZZ_CHECK(result == ((mode == NO_TABLE || mode == NO_KEY) ? 1 : 0),
               "result " + std::to_string(result) + " in host mode " + std::to_string(mode));

    // The calls: the early returns never begin a scan; a begun scan is ended
    // once, after one HostAppendLine per row of the order.
    std::vector<std::string> expectedCalls = {"HostTable"};
    if (mode == NO_TABLE) {
        expectedCalls.push_back("HostMessage");
    } else {
        expectedCalls.insert(expectedCalls.end(), {"HostTablePrepare", "HostMakeKey"});
        if (mode != NO_KEY) {
            expectedCalls.push_back("HostScanBegin");
            if (scans) {
                for (size_t i = 0; i < expectedLines.size(); ++i)
                    expectedCalls.insert(expectedCalls.end(), {"HostScanNext", "HostAppendLine"});
                expectedCalls.push_back("HostScanNext");
            }
            expectedCalls.push_back("HostScanEnd");
        }
    }
    std::vector<std::string> calls = FakeHostCallNames();
    FUZZ_CHECK(calls == expectedCalls,
               "expected " + CallList(expectedCalls) + "\n  got " + CallList(calls));
    if (mode == NO_TABLE) {
        const FakeCall& message = g_host.Calls[1];
        FUZZ_CHECK(message.Text(0) == TEXT_WARNING_TITLE && message.Text(1) == TEXT_NO_LINES_TABLE,
                   "message " + Shown(message.Text(1)));
    } else {
        const FakeCall& makeKey = g_host.Calls[2];
        FUZZ_CHECK(makeKey.Int(0) == index && makeKey.Int(3) == linesKey,
                   "HostMakeKey got index " + std::to_string(makeKey.Int(0)) + ", value " +
                       std::to_string(makeKey.Int(3)));
    }

    // Each line handed over, and the file: exactly those lines, nothing of
    // the old file, no file at all for an order without lines.
    std::vector<const FakeCall*> appended = FakeHostCallsOf("HostAppendLine");
    std::string expectedContent;
    for (size_t i = 0; i < appended.size(); ++i) {
        FUZZ_CHECK(appended[i]->Text(0) == kFileName, "file " + Shown(appended[i]->Text(0)));
        FUZZ_CHECK(appended[i]->Text(1) == expectedLines[i],
                   "line " + std::to_string(i) + ": " +
                       ExpectedGot(expectedLines[i], appended[i]->Text(1)));
        expectedContent += expectedLines[i] + "\r\n";
    }
    FUZZ_CHECK(FakeHostFileExists(kFileName) == !expectedLines.empty(),
               "the file exists: " + std::to_string(FakeHostFileExists(kFileName)));
    std::string content = FakeHostReadFile(kFileName);
    FUZZ_CHECK(content == expectedContent, ExpectedGot(expectedContent, content));
    remove(kFileName);
    return 0;
}
