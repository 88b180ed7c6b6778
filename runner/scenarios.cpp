// Scenario runner: loads the plug-in against the stand-in host library under
// scripted conditions (entries removed from the host, answers of the
// missing-entry box) and checks what the plug-in did: which host entries it
// looked up and in what order, which boxes it showed with which bytes, whether
// the load succeeded, who removed the arguments of its exports, and that the
// process is left as it was found.
//
// Output: one line per scenario ("ok   name" or "FAIL name: ..."), then
// "N passed, M failed". Exit status 0 only when every scenario passed.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "host_entries.h"
#include "intercept.h"
#include "process_guard.h"
#include "runner.h"
#include "stack_probe.h"
#include "standin_control.h"

namespace {

const char* const MODULES_KEPT_LOADED[] = {"orvale.dll"};  // loaded lazily, never unloaded

// ---------------------------------------------------------------------------
// The missing-entry report as the host should show it. Written here
// independently of the plug-in's own texts: the message with the value marks
// already replaced by spaces, in the Mazovia code page (what the plug-in hands
// to HostConvertText, and what the box shows when 52158 is missing) and in
// Windows-1250 (what the box shows after conversion).

struct ReportTexts {
    const char* Message;       // %s: plug-in file path, entry number, plug-in description
    const char* Description;
    const char* Title;
};

// "W module  %s \nbrak wpisu  %s \nWywołano z wtyczki  %s .\n\nBłąd ten można
// zignorować lecz dalsza praca\nprogramu w tych warunkach może być
// niebezpieczna.\n\nKonieczna jest aktualizacja programu!"
// "Eksport faktury zakupu/zamówienia. Ctrl-1 w rejestrze faktur/zamówień."
// "POWAŻNY BŁĄD WTYCZKI"
const ReportTexts MazoviaReport = {
    "W module  %s \n"
    "brak wpisu  %s \n"
    "Wywo\x92" "ano z wtyczki  %s .\n"
    "\n"
    "B\x92\x86" "d ten mo\xA7" "na zignorowa\x8D lecz dalsza praca\n"
    "programu w tych warunkach mo\xA7" "e by\x8D niebezpieczna.\n"
    "\n"
    "Konieczna jest aktualizacja programu!",
    "Eksport faktury zakupu/zam\xA2wienia. Ctrl-1 w rejestrze faktur/zam\xA2wie\xA4.",
    "POWA\xA1NY B\x9C\x8F" "D WTYCZKI",
};

const ReportTexts Windows1250Report = {
    "W module  %s \n"
    "brak wpisu  %s \n"
    "Wywo\xB3" "ano z wtyczki  %s .\n"
    "\n"
    "B\xB3\xB9" "d ten mo\xBF" "na zignorowa\xE6 lecz dalsza praca\n"
    "programu w tych warunkach mo\xBF" "e by\xE6 niebezpieczna.\n"
    "\n"
    "Konieczna jest aktualizacja programu!",
    "Eksport faktury zakupu/zam\xF3wienia. Ctrl-1 w rejestrze faktur/zam\xF3wie\xF1.",
    "POWA\xAFNY B\xA3\xA5" "D WTYCZKI",
};

enum { REPORT_STYLE = 0x2012 };  // task-modal, error icon, Abort/Retry/Ignore, Abort default


void ReportMessage(const ReportTexts& texts, uint32_t entry, char* out, size_t size) {
    char number[16];
    snprintf(number, sizeof number, "%u", (unsigned)entry);
    snprintf(out, size, texts.Message, PluginPath, number, texts.Description);
}

// ---------------------------------------------------------------------------
// Traces: what happened at load, in order, as a line of tokens.
//   N            GetProcAddress(MERION, N) found the entry
//   N:missing    GetProcAddress(MERION, N) returned null
//   A..B         the host entry table's rows from A to B, in binding order, each found
//   convert      a call of HostConvertText; other host entries by their names
//   box          a message box
// Calls of HostBindingHook (the runtime's lazy binding) are left out.

const uint32_t TableRows[] = {
#define TABLE_ROW(number, name, conv, bytes) number,
    HOST_ENTRY_LIST(TABLE_ROW)
#undef TABLE_ROW
};
enum { TABLE_ROW_COUNT = sizeof TableRows / sizeof TableRows[0] };

int RowIndex(uint32_t number) {
    for (int i = 0; i < TABLE_ROW_COUNT; ++i)
        if (TableRows[i] == number) return i;
    return -1;
}

enum { MAX_TOKENS = 512, TOKEN_SIZE = 40 };
struct Trace {
    char Tokens[MAX_TOKENS][TOKEN_SIZE];
    uint32_t Count;
};

void AddToken(Trace& trace, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AddToken(Trace& trace, const char* format, ...) {
    if (trace.Count == MAX_TOKENS) return;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(trace.Tokens[trace.Count++], TOKEN_SIZE, format, arguments);
    va_end(arguments);
}

// Expands "A..B" ranges. False for a range that names no table rows in order.
bool ParseTrace(const char* text, Trace& trace) {
    trace.Count = 0;
    char copy[1024];
    snprintf(copy, sizeof copy, "%s", text);
    for (char* token = strtok(copy, " "); token; token = strtok(nullptr, " ")) {
        unsigned first, last;
        char tail;
        if (sscanf(token, "%u..%u%c", &first, &last, &tail) == 2) {
            int from = RowIndex(first), to = RowIndex(last);
            if (from < 0 || to < from) return false;
            for (int i = from; i <= to; ++i) AddToken(trace, "%u", (unsigned)TableRows[i]);
        } else {
            AddToken(trace, "%s", token);
        }
    }
    return true;
}

// Canonical text of a trace: runs of three or more consecutive table rows,
// each found, are written as ranges.
void FormatTrace(const Trace& trace, char* out, size_t size) {
    size_t at = 0;
    out[0] = 0;
    for (uint32_t i = 0; i < trace.Count && at + 1 < size;) {
        unsigned number;
        char tail;
        uint32_t run = 1;
        int row = sscanf(trace.Tokens[i], "%u%c", &number, &tail) == 1 ? RowIndex(number) : -1;
        if (row >= 0) {
            while (i + run < trace.Count && row + (int)run < TABLE_ROW_COUNT) {
                char next[TOKEN_SIZE];
                snprintf(next, sizeof next, "%u", (unsigned)TableRows[row + run]);
                if (strcmp(trace.Tokens[i + run], next) != 0) break;
                ++run;
            }
        }
        const char* separator = at ? " " : "";
        if (run >= 3)
            at += snprintf(out + at, size - at, "%s%s..%s", separator, trace.Tokens[i],
                           trace.Tokens[i + run - 1]);
        else
            at += snprintf(out + at, size - at, "%s%s", separator, trace.Tokens[i]), run = 1;
        i += run;
        if (at >= size) at = size - 1;
    }
}

// What the logs recorded: MERION lookups and boxes (ordered by their sequence)
// with the host calls interleaved where they happened.
void RecordedTrace(HMODULE host, Trace& trace) {
    trace.Count = 0;
    uint32_t nextCall = 0, callCount = StandIn_CallCount();
    auto addCallsBefore = [&](uint32_t limit) {
        for (; nextCall < limit && nextCall < callCount; ++nextCall) {
            const StandInCall* call = StandIn_Call(nextCall);
            if (!call || call->Entry == ENTRY_HostBindingHook) continue;
            if (call->Entry == ENTRY_HostConvertText)
                AddToken(trace, "convert");
            else
                AddToken(trace, "%s", StandIn_EntryName(call->Entry));
        }
    };
    uint32_t lookup = 0, box = 0;
    for (;;) {
        while (lookup < LookupCount() && Lookup(lookup)->Module != host) ++lookup;
        const LookupRecord* l = lookup < LookupCount() ? Lookup(lookup) : nullptr;
        const BoxRecord* b = box < BoxCount() ? Box(box) : nullptr;
        if (!l && !b) break;
        if (l && (!b || l->Sequence < b->Sequence)) {
            addCallsBefore(l->HostCallsBefore);
            if (l->ByName)
                AddToken(trace, "name:%s%s", l->Name, l->Result ? "" : ":missing");
            else
                AddToken(trace, "%u%s", (unsigned)l->Number, l->Result ? "" : ":missing");
            ++lookup;
        } else {
            addCallsBefore(b->HostCallsBefore);
            AddToken(trace, "box");
            ++box;
        }
    }
    addCallsBefore(callCount);
}

// ---------------------------------------------------------------------------
// The scenarios.

void CheckExports(HMODULE plugin);

struct ScenarioTable {
    const Scenario* Rows;
    uint32_t Count;
};

const Scenario BindingScenarios[] = {
    {"all entries present", {}, "", true,
     "30007 52028..52407", CONVERTED, nullptr},
    {"35799 missing, Ignore: null stub, load succeeds", {35799}, "Ignore", true,
     "30007 52028..52023 35799:missing convert convert box 52030..52407", CONVERTED, nullptr},
    {"35799 and 52256 missing, Ignore once: no second box", {35799, 52256}, "Ignore", true,
     "30007 52028..52023 35799:missing convert convert box 52030..51594 52256:missing 52169..52407",
     CONVERTED, nullptr},
    {"52029 missing, Ignore: no stub, load fails, no later row", {52029}, "Ignore", false,
     "30007 52028 52029:missing 52158 convert convert box", CONVERTED, nullptr},
    {"52029 missing, Abort: report text, title, style", {52029}, "Abort", false,
     "30007 52028 52029:missing 52158 convert convert box", CONVERTED, nullptr},
    {"52256 missing, Retry three times, Abort: four boxes", {52256}, "Retry Retry Retry Abort", false,
     "30007 52028..51594 52256:missing convert convert box box box box", CONVERTED, nullptr},
    {"52256 missing, box cannot be shown: load fails", {52256}, "none", false,
     "30007 52028..51594 52256:missing convert convert box", CONVERTED, nullptr},
    {"52158 missing, Ignore: report unconverted, load fails", {52158}, "Ignore", false,
     "30007 52028 52029 52158:missing box", UNCONVERTED, nullptr},
    {"52028 missing, Ignore: HostConvertText bound lazily", {52028}, "Ignore", true,
     "30007 52028:missing 52158 convert convert box 52029 52158 38417..52407", CONVERTED, nullptr},
    {"export table and argument cleanup of the exports", {}, "", true,
     "30007 52028..52407", CONVERTED, CheckExports},
};

uint32_t ParseAnswers(const char* text, int* answers) {
    uint32_t count = 0;
    char copy[128];
    snprintf(copy, sizeof copy, "%s", text);
    for (char* word = strtok(copy, " "); word && count < MAX_SCRIPTED_BOXES;
         word = strtok(nullptr, " ")) {
        if (strcmp(word, "Abort") == 0) answers[count++] = IDABORT;
        else if (strcmp(word, "Retry") == 0) answers[count++] = IDRETRY;
        else if (strcmp(word, "Ignore") == 0) answers[count++] = IDIGNORE;
        else if (strcmp(word, "none") == 0) answers[count++] = BOX_NOT_SHOWN;
        else Fail("scenario: unknown box answer \"%s\"", word);
    }
    return count;
}

// Every box shows the report of the first missing entry, with no owner window
// and the fixed style; every conversion at load is made in place, on the
// report's message and then its title, in Mazovia.
void CheckReports(const Scenario& scenario) {
    char message[1024], what[64];
    const ReportTexts& shown = scenario.Text == CONVERTED ? Windows1250Report : MazoviaReport;
    ReportMessage(shown, scenario.Missing[0], message, sizeof message);
    for (uint32_t i = 0; i < BoxCount(); ++i) {
        const BoxRecord* box = Box(i);
        snprintf(what, sizeof what, "box %u owner", (unsigned)i + 1);
        ExpectHex(what, 0, (unsigned long)(uintptr_t)box->Owner);
        snprintf(what, sizeof what, "box %u style", (unsigned)i + 1);
        ExpectHex(what, REPORT_STYLE, box->Style);
        snprintf(what, sizeof what, "box %u text", (unsigned)i + 1);
        ExpectBytes(what, message, box->Text);
        snprintf(what, sizeof what, "box %u title", (unsigned)i + 1);
        ExpectBytes(what, shown.Title, box->Title);
    }
    ReportMessage(MazoviaReport, scenario.Missing[0], message, sizeof message);
    uint32_t conversions = 0;
    for (uint32_t i = 0; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry != ENTRY_HostConvertText) continue;
        bool title = conversions++ % 2 == 1;
        snprintf(what, sizeof what, "conversion %u", (unsigned)conversions);
        if (call->Args[0] != call->Args[1])
            Fail("%s: expected in place, got source %p, target %p", what, (void*)call->Args[0],
                 (void*)call->Args[1]);
        snprintf(what, sizeof what, "conversion %u source", (unsigned)conversions);
        if (call->Text[0]) ExpectBytes(what, title ? MazoviaReport.Title : message, call->Text[0]);
    }
}

// The export table holds 30001 to 30009 by number only, 30002 to 30007 empty;
// 30001 removes its two arguments, 30008 and 30009 leave them to the caller.
void CheckExports(HMODULE plugin) {
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)plugin;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)((const BYTE*)plugin + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const IMAGE_EXPORT_DIRECTORY* directory =
        (const IMAGE_EXPORT_DIRECTORY*)((const BYTE*)plugin + exports.VirtualAddress);
    ExpectNumber("export ordinal base", 30001, (long)directory->Base);
    ExpectNumber("export count", 9, (long)directory->NumberOfFunctions);
    ExpectNumber("export names", 0, (long)directory->NumberOfNames);
    for (uint32_t number = 30001; number <= 30009; ++number) {
        bool present = GetProcAddress(plugin, MAKEINTRESOURCEA(number)) != nullptr;
        bool expected = number == 30001 || number == 30008 || number == 30009;
        if (present != expected)
            Fail("export %u: expected %s, got %s", (unsigned)number, expected ? "present" : "empty",
                 present ? "present" : "empty");
    }

    // Start with a description buffer, then stop; the description is the
    // plug-in's 71 Mazovia bytes and nothing past them is written.
    char description[96];
    memset(description, 0xCC, sizeof description);
    const uint32_t start[] = {(uint32_t)(uintptr_t)&StandIn_FeatureQuery,
                              (uint32_t)(uintptr_t)description};
    CallExport(plugin, 30001, 2, start, 0);
    const char* expectedDescription = MazoviaReport.Description;
    size_t size = strlen(expectedDescription) + 1;
    if (memcmp(description, expectedDescription, size) != 0) {
        char shown[sizeof description + 1];
        memcpy(shown, description, sizeof description);
        shown[sizeof description] = 0;
        ExpectBytes("description", expectedDescription, shown);
    }
    for (size_t i = size; i < sizeof description; ++i)
        if ((unsigned char)description[i] != 0xCC) {
            Fail("description buffer: byte %u written past the description", (unsigned)i);
            break;
        }
    const uint32_t stop[] = {0, 0};
    ExpectNumber("export 30001 stop result", 0, (long)CallExport(plugin, 30001, 2, stop, 0).Result);
    ExpectNumber("export 30009 result", 0, (long)CallExport(plugin, 30009, 0, nullptr, 0).Result);
    ExpectNumber("export 30008 result", 0, (long)CallExport(plugin, 30008, 0, nullptr, 0).Result);
}

const uint32_t KEPT_COUNT = sizeof MODULES_KEPT_LOADED / sizeof MODULES_KEPT_LOADED[0];

// Removes the given entries from MERION, scripts the box answers and loads the
// plug-in; checks the load's stack cleanup and whether it loaded as expected.
HMODULE LoadScripted(HMODULE host, const uint32_t* missing, uint32_t missingCount,
                     const char* boxAnswers, bool expectLoads) {
    StandIn_Reset();
    for (uint32_t i = 0; i < missingCount; ++i) {
        uint32_t entry = missing[i];
        if (!entry) continue;
        if (!StandIn_SetMissing(entry, 1))
            Fail("scenario: entry %u cannot be removed", (unsigned)entry);
        else if (GetProcAddress(host, MAKEINTRESOURCEA(entry)))
            Fail("scenario: entry %u still found after its removal", (unsigned)entry);
    }
    int answers[MAX_SCRIPTED_BOXES];
    ScriptBoxes(answers, ParseAnswers(boxAnswers, answers));
    ClearInterceptLogs();

    ProbeResult load;
    const uint32_t loadArguments[] = {(uint32_t)(uintptr_t)PLUGIN_FILE};
    ProbeCall((const void*)&LoadLibraryA, 1, loadArguments, &load);
    DWORD loadError = GetLastError();
    HMODULE plugin = (HMODULE)(uintptr_t)load.Result;
    ExpectNumber("LoadLibraryA argument bytes left", 0, load.BytesLeft);
    if (expectLoads != (plugin != nullptr))
        Fail("load: expected %s, got %s (error %lu)", expectLoads ? "success" : "failure",
             plugin ? "success" : "failure", plugin ? 0ul : (unsigned long)loadError);
    return plugin;
}

// Unloads the plug-in if it loaded, then checks the balance: no breach of the
// host contract, nothing left open or changed since `before`.
void UnloadAndCheckBalance(HMODULE plugin, const ProcessState& before) {
    if (plugin) {
        const uint32_t freeArguments[] = {(uint32_t)(uintptr_t)plugin};
        ProbeResult unload;
        ProbeCall((const void*)&FreeLibrary, 1, freeArguments, &unload);
        ExpectNumber("FreeLibrary argument bytes left", 0, unload.BytesLeft);
        ExpectNumber("FreeLibrary result", 1, (long)unload.Result);
    }
    for (uint32_t i = 0; i < StandIn_ViolationCount(); ++i) {
        const char* violation = StandIn_Violation(i);
        Fail("host contract: %s", violation ? violation : "(more violations)");
    }
    ExpectNumber("host resources left open", 0, (long)StandIn_OpenCount());
    if (GetModuleHandleA(PLUGIN_FILE)) Fail("plug-in still loaded");
    if (!InterceptsIntact()) Fail("MessageBoxA or GetProcAddress patch overwritten");
    if (!LastResortFilterIntact()) Fail("unhandled-exception filter replaced");
    ProcessState after;
    TakeProcessState(&after, MODULES_KEPT_LOADED, KEPT_COUNT);
    char change[512];
    if (DescribeStateChange(before, after, change, sizeof change)) Fail("process state: %s", change);
    StandIn_Reset();
}

void RunScenario(const Scenario& scenario, HMODULE host) {
    ProcessState before;
    TakeProcessState(&before, MODULES_KEPT_LOADED, KEPT_COUNT);
    HMODULE plugin = LoadScripted(host, scenario.Missing,
                                  sizeof scenario.Missing / sizeof scenario.Missing[0],
                                  scenario.Answers, scenario.Loads);

    Trace expected, recorded;
    char expectedText[2048], recordedText[2048];
    if (!ParseTrace(scenario.Trace, expected)) {
        Fail("scenario: bad trace \"%s\"", scenario.Trace);
    } else {
        RecordedTrace(host, recorded);
        FormatTrace(expected, expectedText, sizeof expectedText);
        FormatTrace(recorded, recordedText, sizeof recordedText);
        if (strcmp(expectedText, recordedText) != 0)
            Fail("trace: expected \"%s\", got \"%s\"", expectedText, recordedText);
    }
    CheckReports(scenario);
    if (plugin && scenario.Extra) scenario.Extra(plugin);
    UnloadAndCheckBalance(plugin, before);
}

// ---------------------------------------------------------------------------
// The missing-entry matrix: every entry of the table missing, with every
// answer a person can give the box. The outcome follows from the host
// contract alone: the load survives only an Ignore for an entry that has a
// null stub (52028, 52224, 35799, 52256, 51656); Retry shows the box again.

struct MatrixAnswer {
    const char* Script;
    uint32_t Boxes;
    bool Continues;  // the user chose to go on without the entry
};

const MatrixAnswer MatrixAnswers[] = {
    {"Abort", 1, false},
    {"Ignore", 1, true},
    {"Retry Abort", 2, false},
    {"none", 1, false},
};

const uint32_t EntriesWithStub[] = {52028, 52224, 35799, 52256, 51656};

bool HasNullStub(uint32_t entry) {
    for (uint32_t e : EntriesWithStub)
        if (e == entry) return true;
    return false;
}

void RunMatrixCell(HMODULE host, uint32_t entry, const MatrixAnswer& answer) {
    ProcessState before;
    TakeProcessState(&before, MODULES_KEPT_LOADED, KEPT_COUNT);
    bool loads = answer.Continues && HasNullStub(entry);
    HMODULE plugin = LoadScripted(host, &entry, 1, answer.Script, loads);
    ExpectNumber("boxes shown", (long)answer.Boxes, (long)BoxCount());
    char line[64];
    snprintf(line, sizeof line, "\nbrak wpisu  %u \n", (unsigned)entry);
    for (uint32_t i = 0; i < BoxCount(); ++i)
        if (!strstr(Box(i)->Text, line))
            Fail("box %u does not name entry %u", (unsigned)i + 1, (unsigned)entry);
    UnloadAndCheckBalance(plugin, before);
}

}  // namespace

int main() {
    GuardProcess();
    const ScenarioTable tables[] = {
        {BindingScenarios, sizeof BindingScenarios / sizeof BindingScenarios[0]},
        {ExportScenarios, ExportScenarioCount},
        {LifecycleScenarios, LifecycleScenarioCount},
    };
    uint32_t total = 0;
    for (const ScenarioTable& table : tables) total += table.Count;
    HMODULE host = GetModuleHandleA("MERION.dll");
    if (!host || !InstallIntercepts()) {
        printf("FAIL set-up: %s\n", host ? "interception not installed" : "MERION.dll not loaded");
        printf("0 passed, %u failed\n", (unsigned)total);
        return 1;
    }
    char* slash;
    GetModuleFileNameA(nullptr, PluginPath, sizeof PluginPath);
    if ((slash = strrchr(PluginPath, '\\')) != nullptr) slash[1] = 0;
    strncat(PluginPath, PLUGIN_FILE, sizeof PluginPath - strlen(PluginPath) - 1);

    uint32_t passed = 0, failed = 0;
    for (const ScenarioTable& table : tables)
    for (const Scenario* row = table.Rows; row < table.Rows + table.Count; ++row) {
        const Scenario& scenario = *row;
        FailureText[0] = 0;
        FailureCount = 0;
        SetFaultContext(scenario.Name);
        RunScenario(scenario, host);
        if (FailureCount) {
            printf("FAIL %s: %s\n", scenario.Name, FailureText);
            ++failed;
        } else {
            printf("ok   %s\n", scenario.Name);
            ++passed;
        }
    }
    for (uint32_t entry : TableRows)
        for (const MatrixAnswer& answer : MatrixAnswers) {
            char name[96];
            snprintf(name, sizeof name, "matrix: %u missing, %s", (unsigned)entry, answer.Script);
            FailureText[0] = 0;
            FailureCount = 0;
            SetFaultContext(name);
            RunMatrixCell(host, entry, answer);
            if (FailureCount) {
                printf("FAIL %s: %s\n", name, FailureText);
                ++failed;
            } else {
                ++passed;
            }
        }
    printf("missing-entry matrix: %u entries x %u answers\n", (unsigned)TABLE_ROW_COUNT,
           (unsigned)(sizeof MatrixAnswers / sizeof MatrixAnswers[0]));
    printf("%u passed, %u failed\n", (unsigned)passed, (unsigned)failed);
    return failed ? 1 : 0;
}
