// Fuzz target: the missing-entry report (BuildMissingEntryReport and
// ReportMissingEntry) with fuzzed module paths and entry names.
//
// Input: byte 0 flags: bit 0 the entry is a name (else the number in bytes
// 1-2); bit 1 the module text is passed in (else the plug-in's own path from
// the platform); bit 2 the platform cannot give the path; bits 3-4 the user's
// answer (Abort; Ignore; Retry twice, then Abort; box not shown); bit 5 the
// text converter entry is unbound. Bytes 1-2: the entry number. The rest, up
// to a zero byte: the module text or path; after that zero, up to the next:
// the entry name. Texts passed in are heap blocks of exactly their length
// plus the terminator, the message buffer a heap block of exactly 504 bytes.
#include <memory>
#include <string>
#include <vector>

#include "binding.h"
#include "fake_host.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "texts.h"

namespace {

// The template around the three values.
const std::string kHead = "W module \x02";
const std::string kBetween = "\x01\nbrak wpisu \x02";
const std::string kTail = std::string("\x01\nWywo\x92" "ano z wtyczki \x02") +
                          TEXT_PLUGIN_DESCRIPTION +
                          "\x01.\n\nB\x92\x86" "d ten mo\xA7na zignorowa\x8D lecz dalsza praca\n"
                          "programu w tych warunkach mo\xA7" "e by\x8D niebezpieczna.\n\n"
                          "Konieczna jest aktualizacja programu!";
// What the message leaves for the module text and the entry text together.
const size_t kValuesRoom =
    REPORT_MESSAGE_SIZE - 1 - (kHead.size() + kBetween.size() + kTail.size());
const size_t kPathBuffer = 1024;      // the plug-in's own path is asked for in this many bytes
const size_t kEntryTextMax = REPORT_ENTRY_TEXT_SIZE - 1;
const std::string kCutMark = "...";
const size_t kLeastKeptOfName = 64;  // a cut name still shows this much of its start

// An entry name that fits is shown whole; a longer one is cut at its end,
// keeps its start and is marked as cut.
bool EntryTextFits(const std::string& shown, const std::string& entry) {
    if (entry.size() <= kEntryTextMax) return shown == entry;
    if (shown.size() > kEntryTextMax || shown.size() < kLeastKeptOfName + kCutMark.size())
        return false;
    size_t kept = shown.size() - kCutMark.size();
    return shown.compare(kept, kCutMark.size(), kCutMark) == 0 &&
           shown.compare(0, kept, entry, 0, kept) == 0;
}

// A module text that fits its room is shown whole; a longer one keeps its
// end (the file name), fills the room and is marked as cut at its front.
bool ModuleTextFits(const std::string& shown, const std::string& module, size_t room) {
    if (module.size() <= room) return shown == module;
    if (shown.size() != room || shown.compare(0, kCutMark.size(), kCutMark) != 0) return false;
    size_t kept = room - kCutMark.size();
    return shown.compare(kCutMark.size(), kept, module, module.size() - kept, kept) == 0;
}

// Checks a built message: the template with the module text, the entry text
// and the description, each value cut only as far as needed to fit.
void CheckMessage(const std::string& message, const std::string& module,
                  const std::string& entry) {
    std::string context = "module " + Shown(module) + ", entry " + Shown(entry) +
                          ", message " + Shown(message);
    FUZZ_CHECK(message.size() < REPORT_MESSAGE_SIZE, context);
    FUZZ_CHECK(message.compare(0, kHead.size(), kHead) == 0, context);
    FUZZ_CHECK(message.size() >= kHead.size() + kBetween.size() + kTail.size(), context);
    FUZZ_CHECK(message.compare(message.size() - kTail.size(), kTail.size(), kTail) == 0, context);
    std::string values =
        message.substr(kHead.size(), message.size() - kHead.size() - kTail.size());

    // values = module text + kBetween + entry text; a value may itself hold
    // kBetween, so every split is tried.
    for (size_t entryLength = 0; entryLength + kBetween.size() <= values.size(); ++entryLength) {
        size_t split = values.size() - entryLength - kBetween.size();
        if (values.compare(split, kBetween.size(), kBetween) != 0) continue;
        std::string shownEntry = values.substr(split + kBetween.size());
        std::string shownModule = values.substr(0, split);
        if (!EntryTextFits(shownEntry, entry)) continue;
        if (!ModuleTextFits(shownModule, module, kValuesRoom - shownEntry.size())) continue;
        return;
    }
    FUZZ_CHECK(false, "values not shown as they must be: " + context);
}

std::string MarksAsSpaces(std::string text) {
    for (char& c : text)
        if (c == '\x01' || c == '\x02') c = ' ';
    return text;
}

std::unique_ptr<char[]> HeapText(const std::string& text) {
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    memcpy(block.get(), text.c_str(), text.size() + 1);
    return block;
}

// The user's answers and how many boxes they make.
struct Answers {
    std::vector<int32_t> Given;
    size_t Boxes;
    bool Continues;
};
const Answers kAnswers[] = {
    {{3}, 1, false},        // Abort
    {{5}, 1, true},         // Ignore
    {{4, 4, 3}, 3, false},  // Retry, Retry, Abort
    {{0}, 1, false},        // the box could not be shown
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(kHead.size() + kBetween.size() + kTail.size() ==
                   sizeof(TEXT_MISSING_ENTRY_TEMPLATE) - 1 - 3 * 2 + PLUGIN_DESCRIPTION_SIZE - 1,
               "the reference template differs from the plug-in's");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    uint8_t flags = input.Byte();
    bool byName = flags & 1, moduleGiven = flags & 2, pathFails = flags & 4;
    const Answers& answers = kAnswers[(flags >> 3) & 3];
    bool converterBound = !(flags & 0x20);
    uint32_t number = input.U16();
    std::string rest = input.Rest();
    size_t zero = rest.find('\0');
    std::string moduleText = rest.substr(0, zero);
    std::string name;
    if (zero != std::string::npos) name = rest.substr(zero + 1, rest.find('\0', zero + 1) - zero - 1);

    FakePlatformReset();
    FakeHostReset();
    g_platform.ModulePath = moduleText;
    g_platform.ModulePathFails = pathFails;
    g_platform.BoxAnswers = answers.Given;
    if (converterBound) EntrySlots[ROW_HostConvertText] = FakeEntryAddress(ENTRY_HostConvertText);

    std::unique_ptr<char[]> nameBlock = HeapText(name);
    std::unique_ptr<char[]> moduleBlock = HeapText(moduleText);
    uintptr_t entry = byName ? (uintptr_t)nameBlock.get() : number;
    const char* module = moduleGiven ? moduleBlock.get() : nullptr;

    // What the report must name.
    // The platform answers 0 (no path) for an empty one, and a path that
    // fills the plug-in's buffer would arrive cut at its end.
    bool pathHad = !pathFails && !moduleText.empty() && moduleText.size() < kPathBuffer;
    std::string shownModule = moduleGiven ? moduleText : pathHad ? moduleText : TEXT_UNKNOWN_MODULE;
    std::string shownEntry = byName ? name : std::to_string(number);

    std::unique_ptr<char[]> message(new char[REPORT_MESSAGE_SIZE]);
    uint32_t length = BuildMissingEntryReport(message.get(), entry, module);
    FUZZ_CHECK(length < REPORT_MESSAGE_SIZE, "length " + std::to_string(length));
    FUZZ_CHECK(message[length] == 0 && strlen(message.get()) == length,
               "returned length is not the message's");
    std::string built(message.get(), length);
    CheckMessage(built, shownModule, shownEntry);

    // The report itself: the same message, marks replaced, in the system's box.
    int32_t result = ReportMissingEntry(entry, module);
    FUZZ_CHECK(result == (answers.Continues ? 1 : 0), "result " + std::to_string(result));
    FUZZ_CHECK(IgnoreAllMissing == (answers.Continues ? 1 : 0));
    FUZZ_CHECK(g_platform.Boxes.size() == answers.Boxes,
               "boxes shown: " + std::to_string(g_platform.Boxes.size()));
    std::string plain = MarksAsSpaces(built);
    for (const FakeMessageBoxCall& box : g_platform.Boxes) {
        FUZZ_CHECK(box.Style == 0x2012, "style " + std::to_string(box.Style));
        FUZZ_CHECK(box.Text.size() == plain.size(), ExpectedGot(plain, box.Text));
        for (size_t i = 0; i < plain.size(); ++i)
            if ((unsigned char)plain[i] < 0x80)
                FUZZ_CHECK(box.Text[i] == plain[i], ExpectedGot(plain, box.Text));
        if (!converterBound) FUZZ_CHECK(box.Text == plain, ExpectedGot(plain, box.Text));
    }
    std::vector<const FakeCall*> conversions = FakeHostCallsOf("HostConvertText");
    if (converterBound) {
        FUZZ_CHECK(conversions.size() == 2, "conversions " + std::to_string(conversions.size()));
        FUZZ_CHECK(conversions[0]->Text(0) == plain, ExpectedGot(plain, conversions[0]->Text(0)));
        FUZZ_CHECK(conversions[1]->Text(0) == TEXT_MISSING_ENTRY_TITLE);
    } else {
        FUZZ_CHECK(conversions.empty(), "converter called while unbound");
    }
    FUZZ_CHECK(g_host.Violations.empty(), g_host.Violations.empty() ? "" : g_host.Violations[0]);

    // Once the user has chosen Ignore, later reports continue without a box.
    if (answers.Continues) {
        FUZZ_CHECK(ReportMissingEntry(entry, module) == 1);
        FUZZ_CHECK(g_platform.Boxes.size() == answers.Boxes, "a box after Ignore");
    }
    return 0;
}
