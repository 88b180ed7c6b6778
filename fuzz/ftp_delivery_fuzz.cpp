// Fuzz target: a stored DeliverySettings record through the FTP delivery
// (DeliverByFtp, as the Ctrl-1 command calls it for the FTP button).
//
// Input: bytes 0-3 the settings number of the order under the cursor, bytes
// 4-7 that of a second order; byte 8 flags: bit 0 the host has no record for
// the key, bit 1 the host moves the cursor to the second order while
// HostSelect runs. Bytes 9 on: the stored record's bytes 4 to 583 (zeros
// past the end of the input).
//
// Every text handed to HostFtpSend must end within its field's width and be
// the field's text (the scrambled one decoded); the key must be made from the
// order under the cursor after HostSelect; a missing record sends empty texts
// and zeros. The fake host records any broken argument as a violation.
#include <memory>
#include <string>
#include <vector>

#include "export.h"
#include "export_internal.h"
#include "fake_host.h"
#include "fuzz_support.h"
#include "texts.h"

namespace {

const char kFileName[] = "Z12.txt";

// The plain text of the password field: a text that begins with '@' has
// every later byte combined with the key, and ends at the first byte that
// decodes to zero.
std::string Unscrambled(const std::string& stored) {
    if (stored.empty() || stored[0] != '@') return stored;
    std::string plain;
    for (size_t i = 1; i < stored.size(); ++i) {
        char c = (char)(stored[i] ^ SETTINGS_SCRAMBLE_KEY);
        if (c == 0) break;
        plain += c;
    }
    return plain;
}

struct Expected {
    std::string Texts[4];  // arguments 6 to 9
    int32_t Port = 0;
    int32_t Mode = 0;
};
const size_t kTextArgument[4] = {5, 6, 7, 8};
const size_t kFieldWidth[4] = {sizeof(DeliverySettings::Host), sizeof(DeliverySettings::User),
                               sizeof(DeliverySettings::Password),
                               sizeof(DeliverySettings::Directory)};

Expected g_expected;
bool g_sent = false;

// Runs inside HostFtpSend, while the plug-in's record still exists.
void CheckFtpSend(const FakeCall& call) {
    g_sent = true;
    FUZZ_CHECK(call.Text(0) == kFileName && call.Text(1) == kFileName,
               "file " + Shown(call.Text(0)) + ", remote " + Shown(call.Text(1)));
    for (size_t i = 0; i < 4; ++i) {
        const char* text = (const char*)call.Ptr(kTextArgument[i]);
        FUZZ_CHECK(text != nullptr, "argument " + std::to_string(kTextArgument[i] + 1) + " null");
        FUZZ_CHECK(strnlen(text, kFieldWidth[i]) < kFieldWidth[i],
                   "argument " + std::to_string(kTextArgument[i] + 1) +
                       " not terminated within its field");
        FUZZ_CHECK(call.Text(kTextArgument[i]) == g_expected.Texts[i],
                   "argument " + std::to_string(kTextArgument[i] + 1) + ": " +
                       ExpectedGot(g_expected.Texts[i], call.Text(kTextArgument[i])));
    }
    FUZZ_CHECK(call.Int(9) == g_expected.Port && call.Int(10) == g_expected.Mode,
               "integers " + std::to_string(call.Int(9)) + ", " + std::to_string(call.Int(10)));
}

// An order row in a heap block of exactly its size.
std::unique_ptr<OrderRow> MakeOrder(int32_t settingsNumber) {
    std::unique_ptr<OrderRow> row(new OrderRow);
    memset(row.get(), 0, sizeof *row);
    snprintf(row->OrderNumber, sizeof row->OrderNumber, "Z12");
    row->SettingsNumber = settingsNumber;
    return row;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    int32_t settingsNumber[2] = {input.I32(), input.I32()};
    uint8_t flags = input.Byte();
    bool recordMissing = flags & 1, cursorMoves = flags & 2;
    DeliverySettings stored;
    memset(&stored, 0, sizeof stored);
    input.Bytes((char*)&stored + sizeof stored.Size, sizeof stored - sizeof stored.Size);

    FakeHostReset();
    std::unique_ptr<OrderRow> orders[2] = {MakeOrder(settingsNumber[0]),
                                           MakeOrder(settingsNumber[1])};
    void* rows[2] = {orders[0].get(), orders[1].get()};
    std::unique_ptr<BrowseState> browse(new BrowseState);
    memset(browse.get(), 0, sizeof *browse);
    ForbidBytes(browse.get(), offsetof(BrowseState, First));

    int32_t used = cursorMoves ? settingsNumber[1] : settingsNumber[0];
    std::string key = "Nr" + std::to_string((int)(int16_t)(uint16_t)(used & 0xFFFF));
    g_expected = Expected();
    if (!recordMissing) {
        g_host.Settings[key] = stored;
        g_expected.Texts[0] = FieldText(stored.Host, sizeof stored.Host);
        g_expected.Texts[1] = FieldText(stored.User, sizeof stored.User);
        g_expected.Texts[2] = Unscrambled(FieldText(stored.Password, sizeof stored.Password));
        g_expected.Texts[3] = FieldText(stored.Directory, sizeof stored.Directory);
        g_expected.Port = stored.Port;
        g_expected.Mode = stored.Mode;
    }
    g_sent = false;
    g_host.OnCall = [&](const FakeCall& call) {
        if (call.Name == "HostSelect" && cursorMoves) browse->Current = 1;
        if (call.Name == "HostFtpSend") CheckFtpSend(call);
    };

    DeliverByFtp(kFileName, rows, browse.get());

    g_host.OnCall = nullptr;
    AllowBytes(browse.get(), sizeof *browse);
    FUZZ_CHECK(g_sent, "HostFtpSend not called");
    std::vector<std::string> names = FakeHostCallNames();
    FUZZ_CHECK((names == std::vector<std::string>{"HostSelect", "HostReadRecord", "HostFtpSend"}),
               "calls in another order");
    FUZZ_CHECK(g_host.Calls[0].Int(1) == settingsNumber[0],
               "HostSelect got " + std::to_string(g_host.Calls[0].Int(1)));
    FUZZ_CHECK(g_host.Calls[1].Text(1) == key, ExpectedGot(key, g_host.Calls[1].Text(1)));
    FUZZ_CHECK(g_host.Violations.empty(), g_host.Violations.empty() ? "" : g_host.Violations[0]);
    return 0;
}
