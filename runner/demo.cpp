// Demo: one session of the stand-in host with the real plug-in, told the way a
// person at the host would have seen it. The host installs the plug-in
// (export 30008: the notice, unless the profile says it was dealt with), loads
// it, starts it (export 30001), and the user presses Ctrl-1 on an order three
// times, sending it by e-mail, by FTP with the stored settings and by copying
// it; then the host stops the plug-in. The host's texts are in the Mazovia
// code page and are printed as UTF-8.
//
// The host's profile is demo.ini beside demo.exe and outlives the run, so a
// second run shows no notice. Delete it to see the notice again.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "host_entries.h"
#include "host_records.h"
#include "intercept.h"
#include "process_guard.h"
#include "stack_probe.h"
#include "standin_control.h"

namespace {

const char PLUGIN_FILE[] = "eksportzam.dll";
const char PROFILE_SECTION[] = "FakTest";
const char PROFILE_KEY[] = "Pytaj";

// The sample order, its lines and its delivery settings, in Mazovia.
const char ORDER_NUMBER[] = "ZAM-12";
const char EXPORT_FILE[] = "ZAM-12.txt";
enum { ORDER_SETTINGS = 5, ORDER_LINES_KEY = 4711, KEY_INDEX = 1 };
struct SampleLine {
    const char* Code;
    const char* Description;
    int32_t Thousandths;
};
const SampleLine Lines[] = {
    // ŚR-M6; Śruba M6 ocynkowana
    {"\x98R-M6", "\x98ruba M6 ocynkowana", 120000},
    // PODK-6; Podkładka sprężysta 6 mm
    {"PODK-6", "Podk\x92" "adka spr\x91\xA7ysta 6 mm", 250},
    // KL-ŻEL; Klej żelowy, tubka 50 ml; biały (a semicolon inside a text)
    {"KL-\xA1" "EL", "Klej \xA7" "elowy, tubka 50 ml; bia\x92y", 2500},
};
const char COPY_FOLDER[] = "outbox\\kopia";
const char COPY_TARGET[] = "outbox\\kopia\\ZAM-12.txt";

// The FTP settings stored under "Nr5"; the password is kept scrambled.
const char FTP_HOST[] = "ftp.hurtownia.example";
const char FTP_USER[] = "zakupy";
const char FTP_PASSWORD[] = "has\x92o-zakupy";    // "hasło-zakupy"
const char FTP_DIRECTORY[] = "/zam\xA2wienia";    // "/zamówienia"
enum { FTP_PORT = 21, FTP_MODE = 1, SCRAMBLE_KEY = 0x4E };

// ---------------------------------------------------------------------------
// Printing.

// A host text (Mazovia) as UTF-8, through the host's own conversion to
// Windows-1250 and the system's to UTF-8.
void PrintHostText(const char* text) {
    char converted[2048];
    wchar_t wide[2048];
    char utf8[4096];
    uint32_t size = (uint32_t)strnlen(text, sizeof converted - 1) + 1;
    StandIn_MazoviaToWindows1250(text, converted, size);
    converted[size - 1] = 0;
    int length = MultiByteToWideChar(1250, 0, converted, -1, wide, 2048);
    if (length && WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr))
        fputs(utf8, stdout);
    else
        fputs(converted, stdout);
}

// A button label without its hot-key marks: "~F~TP" → "FTP".
void PrintLabel(const char* label) {
    char plain[64];
    size_t at = 0;
    for (; *label && at + 1 < sizeof plain; ++label)
        if (*label != '~') plain[at++] = *label;
    plain[at] = 0;
    printf("[");
    PrintHostText(plain);
    printf("]");
}

const char* Quoted(const StandInCall* call, uint32_t index) {
    return call->Text[index] ? call->Text[index] : "?";
}

void PrintQuoted(const char* text) {
    printf("\"");
    PrintHostText(text);
    printf("\"");
}

const char* ChoiceName(int32_t choice) {
    switch (choice) {
    case CHOICE_FTP: return "FTP";
    case CHOICE_FILE: return "Plik";
    case CHOICE_EMAIL: return "Email";
    default: return "Anuluj";
    }
}

// What a person at the host saw and what each delivery was given, for the
// host calls logged from index first on. The table, key and scan entries are
// the plug-in's reading and are summed up by the export file's lines.
void PrintSeen(uint32_t first) {
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call) continue;
        switch (call->Entry) {
        case ENTRY_HostMessage:
            printf("   Message \"");
            PrintHostText(Quoted(call, 0));
            printf("\": ");
            PrintQuoted(Quoted(call, 1));
            printf("\n");
            break;
        case ENTRY_HostError:
            printf("   Error message: ");
            PrintQuoted(Quoted(call, 0));
            printf("\n");
            break;
        case ENTRY_HostCheckFile:
            printf("   The host checks the file (%s): %s\n", call->Note ? call->Note : "",
                   (int16_t)call->Result < 0 ? "refused" : "accepted");
            break;
        case ENTRY_HostChoice:
            printf("   Dialog \"");
            PrintHostText(Quoted(call, 0));
            printf("\": ");
            PrintQuoted(Quoted(call, 1));
            printf("\n     ");
            for (uint32_t label = 3; label <= 6; ++label) {
                PrintLabel(Quoted(call, label));
                printf(" ");
            }
            printf("-> the user picks %s\n", ChoiceName((int16_t)call->Result));
            break;
        case ENTRY_HostMailPrepare:
            printf("   E-mail prepared (%ld, %ld, %ld)\n", (long)call->Args[0], (long)call->Args[1],
                   (long)call->Args[2]);
            break;
        case ENTRY_HostMailSend:
            printf("   E-mail sent: file ");
            PrintQuoted(Quoted(call, 1));
            printf(", subject ");
            PrintQuoted(Quoted(call, 2));
            printf("\n     -> %s\n", call->Note ? call->Note : "");
            break;
        case ENTRY_HostSelect:
            printf("   FTP settings number %ld selected\n", (long)call->Args[1]);
            break;
        case ENTRY_HostReadRecord:
            printf("   FTP settings read under ");
            PrintQuoted(Quoted(call, 1));
            printf(" (%s)\n", call->Note ? call->Note : "");
            break;
        case ENTRY_HostFtpSend:
            printf("   FTP send: local ");
            PrintQuoted(Quoted(call, 0));
            printf(", remote ");
            PrintQuoted(Quoted(call, 1));
            printf("\n     server ");
            PrintQuoted(Quoted(call, 5));
            printf(", user ");
            PrintQuoted(Quoted(call, 6));
            printf(", password ");
            PrintQuoted(Quoted(call, 7));
            printf("\n     folder ");
            PrintQuoted(Quoted(call, 8));
            printf(", port %ld, mode %ld\n     -> %s\n", (long)call->Args[9], (long)call->Args[10],
                   call->Note ? call->Note : "");
            break;
        case ENTRY_HostFileDialog:
            printf("   File dialog (mask ");
            PrintQuoted(Quoted(call, 2));
            printf(") -> ");
            if ((int32_t)call->Result == -1)
                printf("cancelled\n");
            else
                printf("%s\n", call->Note ? call->Note : "nothing chosen");
            break;
        case ENTRY_HostCopyFile:
            printf("   Copy: ");
            PrintQuoted(Quoted(call, 0));
            printf(" to ");
            PrintQuoted(Quoted(call, 1));
            printf("\n     -> %s\n", call->Note ? call->Note : "");
            break;
        default:
            break;
        }
    }
}

// The export file's lines as they are on disk, converted for display; a file
// the same as the one shown before is only mentioned.
void PrintExportFile(const char* name) {
    static char shownBefore[4096];
    char content[4096];
    FILE* file = fopen(name, "rb");
    if (!file) {
        printf("   Export file %s: not written\n", name);
        return;
    }
    size_t size = fread(content, 1, sizeof content - 1, file);
    fclose(file);
    content[size] = 0;
    uint32_t count = 0;
    for (const char* at = content; (at = strstr(at, "\r\n")) != nullptr; at += 2) ++count;
    if (strcmp(content, shownBefore) == 0) {
        printf("   Export file %s written again: the same %u lines\n", name, (unsigned)count);
        return;
    }
    printf("   Export file %s, %u lines (CRLF after each):\n", name, (unsigned)count);
    char lines[sizeof content];
    strcpy(lines, content);
    for (char* line = strtok(lines, "\r\n"); line; line = strtok(nullptr, "\r\n")) {
        printf("     | ");
        PrintHostText(line);
        printf("\n");
    }
    strcpy(shownBefore, content);
}

// ---------------------------------------------------------------------------
// The session.

uint32_t Problems;

void Problem(const char* text) {
    printf("   !! %s\n", text);
    ++Problems;
}

int32_t CallExport(HMODULE plugin, uint32_t number, uint32_t count, const uint32_t* arguments,
                   int32_t expectedBytesLeft) {
    void* entry = (void*)GetProcAddress(plugin, MAKEINTRESOURCEA(number));
    if (!entry) {
        Problem("export not found");
        return -1;
    }
    ProbeResult result = {};
    ProbeCall(entry, count, arguments, &result);
    if (result.BytesLeft != expectedBytesLeft || result.Clobbered)
        Problem("the export broke its calling convention");
    return (int32_t)result.Result;
}

HMODULE LoadPlugin(HMODULE host, bool tell) {
    ClearInterceptLogs();
    uint32_t first = StandIn_CallCount();
    HMODULE plugin = LoadLibraryA(PLUGIN_FILE);
    DWORD error = GetLastError();
    uint32_t found = 0, missing = 0;
    for (uint32_t i = 0; i < LookupCount(); ++i) {
        const LookupRecord* lookup = Lookup(i);
        if (lookup->Module != host || lookup->Number == ENTRY_HostBindingHook) continue;
        if (lookup->Result) ++found; else ++missing;
    }
    if (tell || !plugin || BoxCount())
        printf("   %s %s: %u host entries bound, %u missing, %u message boxes\n",
               PLUGIN_FILE, plugin ? "loaded" : "did NOT load", (unsigned)found, (unsigned)missing,
               (unsigned)BoxCount());
    if (!plugin) {
        printf("   (error %lu)\n", (unsigned long)error);
        Problem("the plug-in did not load");
    }
    PrintSeen(first);
    return plugin;
}

void Install(HMODULE host) {
    char profile[MAX_PATH], stored[64];
    StandIn_ProfileFile(profile, sizeof profile);
    const char* base = strrchr(profile, '\\') ? strrchr(profile, '\\') + 1 : profile;
    printf("1. Installation: the host loads %s and calls export 30008.\n", PLUGIN_FILE);
    if (StandIn_ProfileValue(PROFILE_SECTION, PROFILE_KEY, stored, sizeof stored))
        printf("   Host profile %s: [%s] %s=%s\n", base, PROFILE_SECTION, PROFILE_KEY, stored);
    else
        printf("   Host profile %s: no [%s] %s setting yet\n", base, PROFILE_SECTION, PROFILE_KEY);

    HMODULE plugin = LoadPlugin(host, false);
    if (!plugin) return;
    // The user ticks "do not show this again": the form's first field becomes 1.
    const int32_t answer = 1;
    StandIn_ScriptForm(1, answer);
    uint32_t first = StandIn_CallCount();
    int32_t result = CallExport(plugin, 30008, 0, nullptr, 0);
    bool shown = false;
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry != ENTRY_HostForm) continue;
        shown = true;
        NoticeRecord record = {};
        StandIn_FormRecord(&record, sizeof record);
        record.Text[sizeof record.Text - 1] = 0;
        printf("   The host shows the notice (form %ld):\n     caption: ", (long)call->Args[0]);
        PrintQuoted(Quoted(call, 3));
        printf("\n     text:    ");
        PrintQuoted(record.Text);
        printf("\n     The user ticks \"do not show again\": first field %ld -> %ld\n",
               (long)record.Answer, (long)answer);
    }
    if (!shown) printf("   No notice: the stored setting says it was dealt with.\n");
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (call && call->Entry == ENTRY_HostProfile && call->Args[0] == 2 &&
            StandIn_ProfileValue(PROFILE_SECTION, PROFILE_KEY, stored, sizeof stored))
            printf("   Stored in %s: [%s] %s=%s\n", base, PROFILE_SECTION, PROFILE_KEY, stored);
    }
    printf("   Export 30008 returned %ld.%s\n", (long)result,
           shown ? " Run the demo again: the notice will not come back." : "");
    if (!shown) printf("   (Delete %s beside demo.exe to see the notice again.)\n", base);
    FreeLibrary(plugin);
}

void SetUpOrder() {
    StandIn_AddOrder(ORDER_NUMBER, ORDER_SETTINGS, ORDER_LINES_KEY);
    StandIn_AddLine(ORDER_LINES_KEY + 1, "INNE", "wiersz innego zam\xA2wienia", 1000);
    for (const SampleLine& line : Lines)
        StandIn_AddLine(ORDER_LINES_KEY, line.Code, line.Description, line.Thousandths);
    BrowseState* browse = StandIn_BrowseState();
    browse->First = 10;
    browse->Offset = 0;
    browse->Current = 10;  // the cursor on the first row of the browse

    DeliverySettings settings = {};
    settings.Size = DELIVERY_SETTINGS_SIZE;
    strcpy(settings.Host, FTP_HOST);
    strcpy(settings.User, FTP_USER);
    settings.Password[0] = '@';
    for (size_t i = 0; FTP_PASSWORD[i]; ++i)
        settings.Password[i + 1] = (char)(FTP_PASSWORD[i] ^ SCRAMBLE_KEY);
    strcpy(settings.Directory, FTP_DIRECTORY);
    settings.Port = FTP_PORT;
    settings.Mode = FTP_MODE;
    char key[16];
    snprintf(key, sizeof key, "Nr%d", (int)ORDER_SETTINGS);
    StandIn_SetRecord(key, &settings);

    CreateDirectoryA("outbox", nullptr);
    CreateDirectoryA(COPY_FOLDER, nullptr);
    StandIn_SetTextAnswer(ENTRY_HostFileDialog, COPY_TARGET);
}

// Ctrl-1 as the host delivers it: through table 52's key handler, eleven
// arguments that the handler removes.
void PressCtrl1(int32_t choice) {
    const HostTableDescriptor* orders = StandIn_TableDescriptor(TABLE_ORDERS);
    StandIn_QueueAnswer(ENTRY_HostChoice, choice);
    uint32_t first = StandIn_CallCount();
    const uint32_t rows = (uint32_t)(uintptr_t)StandIn_BrowseRows();
    const uint32_t browse = (uint32_t)(uintptr_t)StandIn_BrowseState();
    const uint32_t arguments[11] = {KEY_CTRL_1, KEY_INDEX, 0, rows, 0, browse, 0, 0, 0, 0, 0};
    ProbeResult result = {};
    ProbeCall((const void*)orders->KeyHandler, 11, arguments, &result);
    if (result.BytesLeft || result.Clobbered)
        Problem("the key handler broke its calling convention");
    PrintExportFile(EXPORT_FILE);
    PrintSeen(first);
    printf("   Key handler returned %ld.\n", (long)(int32_t)result.Result);
}

void Session(HMODULE host) {
    printf("\n2. The host loads %s for the session.\n", PLUGIN_FILE);
    HMODULE plugin = LoadPlugin(host, true);
    if (!plugin) return;

    char description[96] = "";
    uint32_t first = StandIn_CallCount();
    const uint32_t start[2] = {(uint32_t)(uintptr_t)&StandIn_FeatureQuery,
                               (uint32_t)(uintptr_t)description};
    int32_t started = CallExport(plugin, 30001, 2, start, 0);
    printf("\n3. Start (export 30001): result %ld\n", (long)started);
    printf("   The plug-in describes itself: ");
    PrintQuoted(description);
    printf("\n");
    PrintSeen(first);
    const HostTableDescriptor* orders = StandIn_TableDescriptor(TABLE_ORDERS);
    bool hooked = orders && (void*)orders->KeyHandler != StandIn_HostKeyHandler();
    printf("   Register Tzak's key handler: %s\n",
           hooked ? "now the plug-in's" : "still the host's");
    if (started != 0 || !hooked) Problem("the plug-in did not start");

    if (started == 0 && hooked) {
        printf("\n4. Order %s with %u lines; the cursor is on it in the register of orders.\n",
               ORDER_NUMBER, (unsigned)(sizeof Lines / sizeof Lines[0]));
        const int32_t choices[] = {CHOICE_EMAIL, CHOICE_FTP, CHOICE_FILE};
        const char* const names[] = {"e-mail", "FTP", "copy"};
        for (uint32_t i = 0; i < 3; ++i) {
            printf("\n   Ctrl-1, delivery by %s:\n", names[i]);
            PressCtrl1(choices[i]);
        }
    }

    first = StandIn_CallCount();
    const uint32_t stop[2] = {0, 0};
    int32_t stopped = CallExport(plugin, 30001, 2, stop, 0);
    printf("\n5. Stop (export 30001 with null): result %ld\n", (long)stopped);
    PrintSeen(first);
    bool restored = orders && (void*)orders->KeyHandler == StandIn_HostKeyHandler();
    printf("   Register Tzak's key handler: %s\n",
           restored ? "the host's own again" : "NOT restored");
    if (!restored) Problem("the host's key handler was not restored");
    FreeLibrary(plugin);
}

}  // namespace

int main() {
    GuardProcess();
    SetFaultContext("the demo");
    HMODULE host = GetModuleHandleA("MERION.dll");
    if (!host || !InstallIntercepts()) {
        printf("demo: cannot set up the stand-in host\n");
        return 1;
    }
    StandIn_Reset();
    printf("eksportzam.dll in the stand-in host MERION.dll: one session\n"
           "============================================================\n");
    Install(host);
    SetUpOrder();
    Session(host);

    uint32_t violations = StandIn_ViolationCount();
    printf("\n");
    for (uint32_t i = 0; i < violations; ++i)
        if (const char* violation = StandIn_Violation(i))
            printf("Host contract broken: %s\n", violation);
    if (!violations && !Problems) printf("The plug-in kept the host's contract throughout.\n");
    return violations || Problems ? 1 : 0;
}
