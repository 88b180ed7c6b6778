// Scenarios of the plug-in's life cycle: start and stop through export 30001
// (the host's checks, the failure messages, the key-handler replacement, the
// description and the thread's exception translator), and the installation
// notice through export 30008 with the host's profile and form.
//
// Each start and stop case is a list of export calls, each with the host calls
// it must make (as tokens, below), its result, the message it must show and
// whose key handler table 52 holds afterwards. Each notice case gives the
// stored setting before, the user's answer in the form, and what the form must
// receive and the profile must hold afterwards.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "host_entries.h"
#include "host_records.h"
#include "runner.h"
#include "standin_control.h"

namespace {

const char LOAD_TRACE[] = "30007 52028..52407";

// The texts as the host must receive them, in the Mazovia code page, written
// here independently of the plug-in's own.
// "Eksport faktury zakupu/zamówienia. Ctrl-1 w rejestrze faktur/zamówień."
#define DESCRIPTION \
    "Eksport faktury zakupu/zam\xA2wienia. Ctrl-1 w rejestrze faktur/zam\xA2wie\xA4."
const char Description[] = DESCRIPTION;
// "Zainstalowano wtyczkę: " and the description.
const char InstallCaption[] = "Zainstalowano wtyczk\x91: " DESCRIPTION;
static_assert(sizeof Description == 71, "the description is 70 bytes and its terminator");
static_assert(sizeof InstallCaption - 1 == 93, "the notice's caption is 93 characters");
const char NEWER_HOST[] = "Wtyczka wymaga nowszego programu!";
const char NEWER_PLUGIN[] = "Program wymaga nowszej wtyczki!";
const char REQUIRED_DATE[] = "Dec  5 2016";
const char SECTION[] = "FakTest";
const char KEY[] = "Pytaj";
// How HostProfile's note ends when it was given a pointer to the variable
// arguments of the caller's own call (standin_control.h).
const char VALUES_AFTER_FORMAT[] = "; values after format";

enum : uint32_t { EXPORT_START_STOP = 30001, EXPORT_INSTALL = 30008 };

// ---------------------------------------------------------------------------
// Host calls as tokens:
//   query       the feature query handed to export 30001
//   fixed-date  HostDateValue("Dec  5 2016"); own-date: HostDateValue(null)
//   version     HostDataVersion
//   table52     HostTable(52), and so on
//   error       HostError (its text is checked apart)
//   read/write  HostProfile in mode 1 or 2
//   form        HostForm
//   host-key    table 52's own key handler
// Other entries by their names; HostBindingHook (lazy binding) is left out.

void CallToken(const StandInCall* call, char* token, size_t size) {
    switch (call->Entry) {
    case STANDIN_FEATURE_QUERY: snprintf(token, size, "query"); break;
    case STANDIN_KEY_HANDLER: snprintf(token, size, "host-key"); break;
    case ENTRY_HostDataVersion: snprintf(token, size, "version"); break;
    case ENTRY_HostError: snprintf(token, size, "error"); break;
    case ENTRY_HostForm: snprintf(token, size, "form"); break;
    case ENTRY_HostTable: snprintf(token, size, "table%ld", (long)call->Args[0]); break;
    case ENTRY_HostProfile:
        if (call->Args[0] == 1 || call->Args[0] == 2)
            snprintf(token, size, call->Args[0] == 1 ? "read" : "write");
        else
            snprintf(token, size, "profile%ld", (long)call->Args[0]);
        break;
    case ENTRY_HostDateValue:
        if (!call->Args[0]) {
            snprintf(token, size, "own-date");
        } else if (call->Text[0] && strcmp(call->Text[0], REQUIRED_DATE) == 0) {
            snprintf(token, size, "fixed-date");
        } else {
            const char* text = call->Text[0] ? call->Text[0] : "?";
            char shown[64];
            Printable(text, strlen(text), shown, sizeof shown);
            snprintf(token, size, "date\"%s\"", shown);
        }
        break;
    default: snprintf(token, size, "%s", StandIn_EntryName(call->Entry)); break;
    }
}

// The host calls logged from index first on, as a line of tokens.
void HostCalls(uint32_t first, char* out, size_t size) {
    size_t at = 0;
    out[0] = 0;
    for (uint32_t i = first; i < StandIn_CallCount() && at + 1 < size; ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry == ENTRY_HostBindingHook) continue;
        char token[96];
        CallToken(call, token, sizeof token);
        at += snprintf(out + at, size - at, "%s%s", at ? " " : "", token);
    }
}

void ExpectHostCalls(const char* what, uint32_t first, const char* expected) {
    char got[1024];
    HostCalls(first, got, sizeof got);
    if (strcmp(expected, got) != 0)
        Fail("%s host calls: expected \"%s\", got \"%s\"", what, expected, got);
}

// Every HostError call from index first on shows text.
void ExpectErrorText(const char* what, uint32_t first, const char* text) {
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry != ENTRY_HostError) continue;
        char label[96];
        snprintf(label, sizeof label, "%s HostError text", what);
        ExpectBytes(label, text ? text : "(no message)", call->Text[0] ? call->Text[0] : "(none)");
    }
}

// ---------------------------------------------------------------------------
// The calling thread's translator of structured exceptions in msvcrt.dll,
// which exports its setter under its C++ name only.

typedef void*(__cdecl* SetTranslatorFn)(void*);

SetTranslatorFn TranslatorSetter() {
    static const char name[] = "?_set_se_translator@@YAP6AXIPAU_EXCEPTION_POINTERS@@@ZP6AXI0@Z@Z";
    HMODULE runtime = GetModuleHandleA("msvcrt.dll");
    return runtime ? (SetTranslatorFn)(void*)GetProcAddress(runtime, name) : nullptr;
}

// Reads the current translator by replacing it and putting it back at once.
void* CurrentTranslator(SetTranslatorFn set) {
    void* current = set(nullptr);
    set(current);
    return current;
}

// Installed before a case, so that a start is seen to replace what was there.
void __cdecl RunnerTranslator(unsigned, EXCEPTION_POINTERS*) {}

// ---------------------------------------------------------------------------
// Start and stop.

struct TableScript {
    bool Offered;        // HostTable answers the descriptor (false: null)
    int32_t Length;      // RecordLength the descriptor reports
};

// What the host answers at a start.
struct HostScript {
    int32_t Feature;            // the feature query's answer
    const char* OwnDate;        // the host's own date text
    int32_t DataVersion;
    TableScript Orders;         // table 52
    TableScript Lines;          // table 53
    uint32_t DateValues[2];     // nonzero: the next two HostDateValue answers instead
    bool HookFindsNoTable;      // the third HostTable call (the hook's) answers null
};

constexpr HostScript FittingHost = {1, "Mar 14 2018", 112, {true, 901}, {true, 626}, {0, 0}, false};

constexpr HostScript WithFeature(int32_t feature) {
    HostScript host = FittingHost;
    host.Feature = feature;
    return host;
}
constexpr HostScript WithOwnDate(const char* date) {
    HostScript host = FittingHost;
    host.OwnDate = date;
    return host;
}
constexpr HostScript WithDateValues(uint32_t fixed, uint32_t own) {
    HostScript host = FittingHost;
    host.DateValues[0] = fixed;
    host.DateValues[1] = own;
    return host;
}
constexpr HostScript WithVersion(int32_t version) {
    HostScript host = FittingHost;
    host.DataVersion = version;
    return host;
}
constexpr HostScript WithTables(TableScript orders, TableScript lines) {
    HostScript host = FittingHost;
    host.Orders = orders;
    host.Lines = lines;
    return host;
}
constexpr HostScript WithHookFindingNoTable() {
    HostScript host = FittingHost;
    host.HookFindsNoTable = true;
    return host;
}

enum StepKind {
    END,              // no further step
    START,            // export 30001 with the feature query and a description buffer
    START_NO_BUFFER,  // export 30001 with the feature query and a null buffer
    STOP,             // export 30001 with a null feature query
    OTHER_KEY,        // key 230 through table 52's current key handler
};

enum Handler {
    HOST_OWN,     // table 52 holds the host's own key handler
    PLUGIN_OWN,   // table 52 holds a handler inside the plug-in
};

struct Step {
    StepKind Kind;
    const char* Calls;          // host calls, as tokens
    int32_t Result;             // the export's (or the key handler's) result
    const char* Error;          // text shown through HostError, or null for none
    Handler After;              // whose handler table 52 holds afterwards
    const HostScript* Before = nullptr;  // host answers from this step on (null: unchanged)
};

struct StartCase {
    HostScript Host;
    Step Steps[4];
};

#define CHECKS_TO_VERSION "query fixed-date own-date version"
#define CHECKS_TO_TABLES CHECKS_TO_VERSION " table52 table53"
#define FULL_START CHECKS_TO_TABLES " table52"

enum { HOST_KEY_ANSWER = 77 };  // what the host's own key handler answers

const char* const StepNames[] = {"end", "start", "start (null buffer)", "stop", "key 230"};

void ApplyHost(const HostScript& host) {
    StandIn_SetAnswer(STANDIN_FEATURE_QUERY, host.Feature);
    if (!StandIn_SetHostDate(host.OwnDate))
        Fail("scenario: \"%s\" is not a host date", host.OwnDate);
    StandIn_SetAnswer(ENTRY_HostDataVersion, host.DataVersion);
    const struct {
        int32_t Table;
        TableScript Script;
    } tables[] = {{TABLE_ORDERS, host.Orders}, {TABLE_ORDER_LINES, host.Lines}};
    for (const auto& t : tables)
        if (!StandIn_SetTableOffered(t.Table, t.Script.Offered) ||
            !StandIn_SetTableLength(t.Table, t.Script.Length))
            Fail("scenario: table %d cannot be scripted", (int)t.Table);
    if (host.DateValues[0]) {
        StandIn_QueueAnswer(ENTRY_HostDateValue, (intptr_t)host.DateValues[0]);
        StandIn_QueueAnswer(ENTRY_HostDateValue, (intptr_t)host.DateValues[1]);
    }
    if (host.HookFindsNoTable) {
        StandIn_QueueAnswer(ENTRY_HostTable, (intptr_t)StandIn_TableDescriptor(TABLE_ORDERS));
        StandIn_QueueAnswer(ENTRY_HostTable, (intptr_t)StandIn_TableDescriptor(TABLE_ORDER_LINES));
        StandIn_QueueAnswer(ENTRY_HostTable, 0);
    }
}

bool InsideModule(HMODULE module, const void* address) {
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)module;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)((const BYTE*)module + dos->e_lfanew);
    uintptr_t base = (uintptr_t)module, at = (uintptr_t)address;
    return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

void ExpectHandler(const char* what, HMODULE plugin, Handler expected) {
    const HostTableDescriptor* orders = StandIn_TableDescriptor(TABLE_ORDERS);
    void* handler = orders ? (void*)orders->KeyHandler : nullptr;
    bool host = handler == StandIn_HostKeyHandler();
    bool own = handler && InsideModule(plugin, handler);
    if (expected == HOST_OWN && !host)
        Fail("%s: table 52's key handler expected the host's own %p, got %p", what,
             StandIn_HostKeyHandler(), handler);
    if (expected == PLUGIN_OWN && !own)
        Fail("%s: table 52's key handler expected one inside the plug-in, got %p", what, handler);
}

// Key 230 through the handler table 52 holds now, with eleven arguments that
// the handler must remove.
int32_t PressOtherKey(const char* what) {
    const HostTableDescriptor* orders = StandIn_TableDescriptor(TABLE_ORDERS);
    if (!orders || !orders->KeyHandler) {
        Fail("%s: table 52 has no key handler", what);
        return 0;
    }
    const uint32_t arguments[11] = {230, 1, 3, (uint32_t)(uintptr_t)StandIn_BrowseRows(), 5,
                                    (uint32_t)(uintptr_t)StandIn_BrowseState(), 7, 8, 9, 10, 11};
    ProbeResult result = {};
    ProbeCall((const void*)orders->KeyHandler, 11, arguments, &result);
    char label[96];
    snprintf(label, sizeof label, "%s argument bytes left to the caller", what);
    ExpectNumber(label, 0, result.BytesLeft);
    snprintf(label, sizeof label, "%s registers not preserved", what);
    ExpectHex(label, 0, result.Clobbered);
    return (int32_t)result.Result;
}

template <const StartCase& Case>
void CheckStartCase(HMODULE plugin) {
    SetTranslatorFn setTranslator = TranslatorSetter();
    if (!setTranslator) {
        Fail("msvcrt.dll's _set_se_translator not found");
        return;
    }
    void* hostTranslator = StandIn_EntryAddress(ENTRY_HostExceptionTranslator);
    void* threadTranslator = setTranslator((void*)&RunnerTranslator);
    ApplyHost(Case.Host);
    StandIn_SetAnswer(STANDIN_KEY_HANDLER, HOST_KEY_ANSWER);

    for (uint32_t s = 0; s < 4 && Case.Steps[s].Kind != END; ++s) {
        const Step& step = Case.Steps[s];
        char what[64];
        snprintf(what, sizeof what, "step %u, %s", (unsigned)s + 1, StepNames[step.Kind]);
        if (step.Before) ApplyHost(*step.Before);
        void* translatorBefore = CurrentTranslator(setTranslator);
        uint32_t first = StandIn_CallCount();
        char description[96];
        memset(description, 0xCC, sizeof description);

        int32_t result;
        if (step.Kind == OTHER_KEY) {
            result = PressOtherKey(what);
        } else {
            uint32_t arguments[2] = {(uint32_t)(uintptr_t)&StandIn_FeatureQuery,
                                     (uint32_t)(uintptr_t)description};
            if (step.Kind == START_NO_BUFFER) arguments[1] = 0;
            if (step.Kind == STOP) arguments[0] = arguments[1] = 0;
            result = (int32_t)CallExport(plugin, EXPORT_START_STOP, 2, arguments, 0).Result;
        }
        char label[96];
        snprintf(label, sizeof label, "%s result", what);
        ExpectNumber(label, step.Result, result);
        ExpectHostCalls(what, first, step.Calls);
        ExpectErrorText(what, first, step.Error);
        ExpectHandler(what, plugin, step.After);

        // Every start hands over the description and installs the host's
        // translator for this thread, whether or not its checks pass; a stop
        // or a key leaves both alone.
        bool start = step.Kind == START || step.Kind == START_NO_BUFFER;
        void* translatorAfter = CurrentTranslator(setTranslator);
        snprintf(label, sizeof label, "%s thread's exception translator", what);
        ExpectHex(label, (unsigned long)(uintptr_t)(start ? hostTranslator : translatorBefore),
                  (unsigned long)(uintptr_t)translatorAfter);
        if (step.Kind == START) {
            char shown[sizeof description + 1];
            memcpy(shown, description, sizeof description);
            shown[sizeof description] = 0;
            snprintf(label, sizeof label, "%s description", what);
            if (memcmp(description, Description, sizeof Description) != 0)
                ExpectBytes(label, Description, shown);
            for (size_t i = sizeof Description; i < sizeof description; ++i)
                if ((unsigned char)description[i] != 0xCC) {
                    Fail("%s: byte %u written past the description", label, (unsigned)i);
                    break;
                }
        } else if (step.Kind != START_NO_BUFFER) {
            for (size_t i = 0; i < sizeof description; ++i)
                if ((unsigned char)description[i] != 0xCC) {
                    Fail("%s: description buffer written", what);
                    break;
                }
        }
    }

    // Unloading does not give the handler back: a case that leaves the plug-in
    // hooked is a fault of the case, and the stop here keeps the host sound.
    const HostTableDescriptor* orders = StandIn_TableDescriptor(TABLE_ORDERS);
    if (orders && InsideModule(plugin, (const void*)orders->KeyHandler)) {
        Fail("case ends with table 52 hooked");
        const uint32_t stop[2] = {0, 0};
        CallExport(plugin, EXPORT_START_STOP, 2, stop, 0);
    }
    setTranslator(threadTranslator);
}

constexpr HostScript FeatureBitClear = WithFeature(2);
constexpr HostScript HostDayBefore = WithOwnDate("Dec  4 2016");
constexpr HostScript HostSameDay = WithOwnDate("Dec  5 2016");
constexpr HostScript HostNextYear = WithOwnDate("Jan  2 2017");
constexpr HostScript HighOwnDateValue = WithDateValues(20161205, 0x80000000u);
constexpr HostScript Version111 = WithVersion(111);
constexpr HostScript Version113 = WithVersion(113);
constexpr HostScript Lines625 = WithTables({true, 901}, {true, 625});
constexpr HostScript BothWrong = WithTables({true, 900}, {true, 625});
constexpr HostScript OrdersMissing = WithTables({false, 901}, {true, 626});
constexpr HostScript HookFindsNoTable = WithHookFindingNoTable();

const StartCase StartAndStop = {FittingHost, {
    {START, FULL_START, 0, nullptr, PLUGIN_OWN},
    {OTHER_KEY, "host-key", HOST_KEY_ANSWER, nullptr, PLUGIN_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};
const StartCase FeatureClear = {FeatureBitClear, {
    {START, "query error", -1, NEWER_HOST, HOST_OWN},
}};
const StartCase DateBelow = {HostDayBefore, {
    {START, "query fixed-date own-date error", -1, NEWER_HOST, HOST_OWN},
}};
const StartCase DateEqual = {HostSameDay, {
    {START, FULL_START, 0, nullptr, PLUGIN_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};
const StartCase DateLaterYear = {HostNextYear, {
    {START, FULL_START, 0, nullptr, PLUGIN_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};
const StartCase DateUnsigned = {HighOwnDateValue, {
    {START, FULL_START, 0, nullptr, PLUGIN_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};
const StartCase DataVersion111 = {Version111, {
    {START, CHECKS_TO_VERSION " error", -1, NEWER_PLUGIN, HOST_OWN},
}};
const StartCase DataVersion113 = {Version113, {
    {START, CHECKS_TO_VERSION " error", -1, NEWER_PLUGIN, HOST_OWN},
}};
const StartCase LinesShort = {Lines625, {
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
}};
const StartCase LinesShortThenFixed = {Lines625, {
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN, &FittingHost},
}};
const StartCase BothTablesWrong = {BothWrong, {
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN, &FittingHost},
}};
const StartCase OrdersTableMissing = {OrdersMissing, {
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
}};
const StartCase HookWithoutTable = {HookFindsNoTable, {
    {START, FULL_START " error", -1, NEWER_PLUGIN, HOST_OWN},
    {START, CHECKS_TO_TABLES " error", -1, NEWER_PLUGIN, HOST_OWN},
}};
const StartCase StartTwice = {FittingHost, {
    {START, FULL_START, 0, nullptr, PLUGIN_OWN},
    {START, CHECKS_TO_TABLES, 0, nullptr, PLUGIN_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};
const StartCase StopAlone = {FittingHost, {
    {STOP, "", 0, nullptr, HOST_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};
const StartCase NullBuffer = {FittingHost, {
    {START_NO_BUFFER, FULL_START, 0, nullptr, PLUGIN_OWN},
    {STOP, "", 0, nullptr, HOST_OWN},
}};

// ---------------------------------------------------------------------------
// The installation notice.

struct NoticeCase {
    const char* StoredBefore;   // the setting's text before, or null for none
    bool FormChangesField;      // the user's answer changes the record's first field
    int32_t FormAnswer;         // ... to this value
    const char* Calls;          // host calls, as tokens
    int32_t FormReceives;       // the record's first field as the form receives it
    const char* StoredAfter;    // the setting's text afterwards, or null for none
    intptr_t ReadAnswer = 0;    // nonzero: the read answers this (the variable is still filled)
};

// A HostProfile call on "Pytaj" in "FakTest" with "%d".
void ExpectProfileCall(const char* what, const StandInCall* call, int32_t mode) {
    ExpectNumber(what, mode, (long)call->Args[0]);
    const char* texts[] = {SECTION, KEY, "%d"};
    for (uint32_t i = 0; i < 3; ++i)
        ExpectBytes(what, texts[i], call->Text[i + 1] ? call->Text[i + 1] : "(none)");
}

template <const NoticeCase& Case>
void CheckNoticeCase(HMODULE plugin) {
    char profile[MAX_PATH];
    GetTempPathA(sizeof profile - 32, profile);
    strcat(profile, "eksportzam-notice.ini");
    if (!StandIn_SetProfileFile(profile)) Fail("scenario: profile file %s not accepted", profile);
    StandIn_SetProfileValue(SECTION, KEY, Case.StoredBefore);
    StandIn_ScriptForm(Case.FormChangesField, Case.FormAnswer);
    if (Case.ReadAnswer) StandIn_QueueAnswer(ENTRY_HostProfile, Case.ReadAnswer);

    // Two words pushed that the export must leave to the caller.
    const uint32_t extra[2] = {0x11111111, 0x22222222};
    uint32_t first = StandIn_CallCount();
    ExpectNumber("export 30008 result", 0,
                 (long)(int32_t)CallExport(plugin, EXPORT_INSTALL, 2, extra, 8).Result);
    ExpectHostCalls("export 30008", first, Case.Calls);

    char note[96];
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (call->Entry == ENTRY_HostProfile && call->Args[0] == 1) {
            // The read's own outcome depends on the stored text; where the
            // plug-in's values lie does not.
            const char* got = call->Note ? call->Note : "";
            size_t length = strlen(got), suffix = strlen(VALUES_AFTER_FORMAT);
            if (length < suffix || strcmp(got + length - suffix, VALUES_AFTER_FORMAT) != 0)
                Fail("profile read: expected a pointer to the caller's variable arguments, "
                     "note \"%s\"", got);
            ExpectProfileCall("profile read", call, 1);
        } else if (call->Entry == ENTRY_HostProfile) {
            ExpectProfileCall("profile write", call, 2);
            snprintf(note, sizeof note, "wrote %s%s", Case.StoredAfter, VALUES_AFTER_FORMAT);
            ExpectBytes("profile write note", note, call->Note ? call->Note : "(none)");
        } else if (call->Entry == ENTRY_HostForm) {
            ExpectNumber("form number", 1194, (long)call->Args[0]);
            ExpectNumber("form argument 3", 0, (long)call->Args[2]);
            ExpectBytes("form caption", InstallCaption, call->Text[3] ? call->Text[3] : "(none)");
            NoticeRecord record;
            if (StandIn_FormRecord(&record, sizeof record) != sizeof record) {
                Fail("form record not kept by the stand-in");
                continue;
            }
            ExpectNumber("form record's first field", Case.FormReceives, record.Answer);
            if (memcmp(record.Text, Description, sizeof Description) != 0) {
                record.Text[sizeof record.Text - 1] = 0;
                ExpectBytes("form record's text", Description, record.Text);
            }
        }
    }

    char stored[64];
    bool present = StandIn_ProfileValue(SECTION, KEY, stored, sizeof stored) != 0;
    if (!Case.StoredAfter && present) Fail("setting afterwards: expected none, got \"%s\"", stored);
    if (Case.StoredAfter && !present)
        Fail("setting afterwards: expected \"%s\", got none", Case.StoredAfter);
    if (Case.StoredAfter && present) ExpectBytes("setting afterwards", Case.StoredAfter, stored);
    StandIn_SetProfileValue(SECTION, KEY, nullptr);
}

const NoticeCase NoSetting = {nullptr, false, 0, "read form write", 0, "0"};
const NoticeCase SettingOne = {"1", false, 0, "read", 0, "1"};
const NoticeCase Setting65536 = {"65536", false, 0, "read form write", 65536, "0"};
const NoticeCase Setting131073 = {"131073", false, 0, "read", 0, "131073"};
const NoticeCase SettingNotNumber = {"tak", false, 0, "read form write", 0, "0"};
const NoticeCase AnswerHighBits = {nullptr, true, 0x2FFFF, "read form write", 0, "-1"};
const NoticeCase AnswerKept = {"65536", true, 0x10005, "read form write", 65536, "5"};
const NoticeCase ReadFailedButFilled = {"1", false, 0, "read form write", 0, "0", 1};
const NoticeCase ReadSucceededHighBits = {"1", false, 0, "read", 0, "1", 0x10000};

#define LIFECYCLE_ROW(name, check) {name, {}, "", true, LOAD_TRACE, CONVERTED, check}

const Scenario Rows[] = {
    LIFECYCLE_ROW("fitting host: started, host's translator set, key 230 to the host's, stop",
                  CheckStartCase<StartAndStop>),
    LIFECYCLE_ROW("feature bit clear: newer host needed; description and translator set anyway",
                  CheckStartCase<FeatureClear>),
    LIFECYCLE_ROW("own date Dec  4 2016, below the fixed date: newer host needed",
                  CheckStartCase<DateBelow>),
    LIFECYCLE_ROW("own date equal to Dec  5 2016: started", CheckStartCase<DateEqual>),
    LIFECYCLE_ROW("own date Jan  2 2017: started", CheckStartCase<DateLaterYear>),
    LIFECYCLE_ROW("own date value 0x80000000: compared unsigned, started",
                  CheckStartCase<DateUnsigned>),
    LIFECYCLE_ROW("data version 111: newer plug-in needed", CheckStartCase<DataVersion111>),
    LIFECYCLE_ROW("data version 113: newer plug-in needed", CheckStartCase<DataVersion113>),
    LIFECYCLE_ROW("table 53 of length 625: fails twice in a row", CheckStartCase<LinesShort>),
    LIFECYCLE_ROW("table 53 fixed after a failed check: the failure is kept",
                  CheckStartCase<LinesShortThenFixed>),
    LIFECYCLE_ROW("both tables wrong: fails on the second and third start too",
                  CheckStartCase<BothTablesWrong>),
    LIFECYCLE_ROW("table 52 missing: newer plug-in needed", CheckStartCase<OrdersTableMissing>),
    LIFECYCLE_ROW("table 52 gone at the hook: fails, handler untouched, kept failing",
                  CheckStartCase<HookWithoutTable>),
    LIFECYCLE_ROW("start twice keeps the host's handler as the saved one; stop restores it",
                  CheckStartCase<StartTwice>),
    LIFECYCLE_ROW("stop without start: result 0, nothing changes", CheckStartCase<StopAlone>),
    LIFECYCLE_ROW("null description buffer: no copy, start runs", CheckStartCase<NullBuffer>),
    LIFECYCLE_ROW("notice, no setting: shown with 0, 0 stored", CheckNoticeCase<NoSetting>),
    LIFECYCLE_ROW("notice, setting 1: no form, no write", CheckNoticeCase<SettingOne>),
    LIFECYCLE_ROW("notice, setting 65536: shown with 65536, stored back as 0",
                  CheckNoticeCase<Setting65536>),
    LIFECYCLE_ROW("notice, setting 131073 (low 16 bits 1): no form",
                  CheckNoticeCase<Setting131073>),
    LIFECYCLE_ROW("notice, setting not a number: read fails, shown with 0",
                  CheckNoticeCase<SettingNotNumber>),
    LIFECYCLE_ROW("notice, answer 0x2FFFF: stored as -1 (low 16 bits, sign-extended)",
                  CheckNoticeCase<AnswerHighBits>),
    LIFECYCLE_ROW("notice, setting 65536 and answer 0x10005: stored as 5",
                  CheckNoticeCase<AnswerKept>),
    LIFECYCLE_ROW("notice, read answers 1 (failed) after filling in 1: shown with 0",
                  CheckNoticeCase<ReadFailedButFilled>),
    LIFECYCLE_ROW("notice, read answers 0x10000 (low 16 bits 0: read), setting 1: no form",
                  CheckNoticeCase<ReadSucceededHighBits>),
};

}  // namespace

const Scenario* const LifecycleScenarios = Rows;
const uint32_t LifecycleScenarioCount = sizeof Rows / sizeof Rows[0];
