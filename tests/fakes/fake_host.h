// In-memory fake of the host library for native tests: every host entry of
// host_entries.h as a plain function. Each call is recorded (name, every
// argument as an integer, copies of its texts) and answered from a script.
// The fake is strict: an argument that breaks the host's contract (a wrong
// constant, a text without terminator, a cursor that was never begun) is
// written to Violations, which tests expect to stay empty.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host_entries.h"
#include "host_records.h"

struct FakeCall {
    std::string Name;               // entry name, e.g. "HostMessage"
    std::vector<int64_t> Args;      // every argument as passed (pointers as addresses)
    std::vector<std::string> Texts; // per argument: a copy of its text ("" if none or null)
    std::string Bytes;              // HostReadRecord, HostForm: the record as it arrived

    int32_t Int(size_t i) const { return (int32_t)Args.at(i); }
    const void* Ptr(size_t i) const { return (const void*)(intptr_t)Args.at(i); }
    const std::string& Text(size_t i) const { return Texts.at(i); }
};

// A host table: the descriptor that HostTable hands out and the row buffer
// its scans fill (exactly RecordLength bytes, so an over-read is caught by
// the sanitizer).
struct FakeTable {
    HostTableDescriptor Descriptor;
    bool Offered = true;
    std::vector<uint8_t> RowArea;
};

// A row of table 53 and the key value of the order it belongs to.
struct FakeLine {
    int32_t OwnerKey;
    OrderLineRow Row;
};

struct FakeHost {
    // Record of the calls, in order, and of contract violations.
    std::vector<FakeCall> Calls;
    std::vector<std::string> Violations;
    // Runs after each call has been recorded and carried out, before it
    // answers (e.g. to move the browse cursor while HostSelect runs).
    std::function<void(const FakeCall&)> OnCall;

    // Tables 52 (Tzak) and 53 (Tzak_dok).
    FakeTable Orders;
    FakeTable OrderLines;
    // The browse of table 52: its rows, the row array handed to the key
    // handler and the BrowseState (row under the cursor:
    // OrderRows[Current - First + Offset]).
    std::vector<std::unique_ptr<OrderRow>> OrderStore;
    std::vector<void*> OrderRows;
    BrowseState Browse{};
    // Rows of table 53, in the order the scans return them.
    std::vector<FakeLine> Lines;

    // Scripted answers.
    int32_t MessageResult = 0;
    int32_t ErrorResult = 0;
    int32_t ChoiceResult = 20482;          // the cancel button
    int32_t CheckFileResult = 0;
    int32_t FileDialogResult = 0;
    std::string FileDialogName;            // written into the name buffer when not empty
    std::string MaskPathAnswer;            // written by HostMaskPath; empty: the mask itself
    int32_t MakeKeyResult = 0x35;          // 0 = no key built
    int32_t ScanBeginResult = 1;           // 0 = scan not started
    int32_t ScanNextEndResult = 0;         // answer once no row is left
    int ScanNextStopAfter = -1;            // >= 0: after that many rows answer ScanNextStopResult
    int32_t ScanNextStopResult = 0;
    int32_t AppendLineResult = 1;
    int32_t CopyFileResult = 1;
    int32_t DataVersion = 112;
    uint32_t OwnDateValue = 20161205;      // HostDateValue(null)
    int32_t FeatureResult = 1;             // FakeHostFeatureQuery
    int32_t KeyHandlerResult = 0;          // FakeHostKeyHandler
    // Delivery-settings records by key ("Nr5"); HostReadRecord copies the
    // found record over the caller's, keeping the caller's size field, and
    // leaves the caller's record untouched when there is none.
    std::map<std::string, DeliverySettings> Settings;
    // Profile settings by "section/key". A read of a missing setting answers
    // ProfileMissingResult and writes nothing.
    std::map<std::string, int32_t> Profile;
    int32_t ProfileMissingResult = 1;
    int32_t ProfileWriteResult = 0;
    bool FormWritesAnswer = false;         // HostForm stores FormAnswer in the record
    int32_t FormAnswer = 0;
    int32_t FormResult = 0;

    // Last key built by HostMakeKey.
    int32_t LastKeyValue = 0;
};

extern FakeHost g_host;

// Restores the fake host: no calls, default answers, both tables offered with
// their record lengths (901 and 626), table 52's key handler set to
// FakeHostKeyHandler, no orders and no lines.
void FakeHostReset();

// Adds an order (table 52 row) to the browse; returns it for further edits.
OrderRow& FakeHostAddOrder(const char* number, int32_t settingsNumber, int32_t linesKey);
// Adds a line (table 53 row) belonging to the order with key value ownerKey.
OrderLineRow& FakeHostAddLine(int32_t ownerKey, const char* code, const char* description,
                              int32_t thousandths);

// Queries of the call record.
std::vector<const FakeCall*> FakeHostCallsOf(const char* name);
size_t FakeHostCountOf(const char* name);
std::vector<std::string> FakeHostCallNames();  // every call's name, in order

// The host's HostFeatureQuery (caller removes 1, 1): answers FeatureResult.
int HOST_CALLER FakeHostFeatureQuery(int32_t a, int32_t b);
// The host's own key handler of table 52: records a "KeyHandler" call with
// its eleven arguments and answers KeyHandlerResult.
int32_t HOST_CALLEE FakeHostKeyHandler(uint32_t key, int32_t index, intptr_t a3, void** rows,
                                       intptr_t a5, void* browse, intptr_t a7, intptr_t a8,
                                       intptr_t a9, intptr_t a10, intptr_t a11);

// Files: whole content (empty if absent) and existence.
std::string FakeHostReadFile(const std::string& path);
bool FakeHostFileExists(const std::string& path);
void FakeHostWriteFile(const std::string& path, const std::string& content);

// A fresh empty directory made current for the object's lifetime, so tests
// that write files never meet each other's; removed with its files at the end.
class FakeHostWorkDir {
public:
    FakeHostWorkDir();
    ~FakeHostWorkDir();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};
