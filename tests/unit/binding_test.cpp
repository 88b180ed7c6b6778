// Host binding: null-stub selection, the missing-entry report and the
// binding of the entry table, against the fake platform.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "binding.h"
#include "fake_host.h"
#include "fake_platform.h"
#include "texts.h"

namespace {

enum { ABORT = 3, RETRY = 4, IGNORE = 5, BOX_FAILED = 0 };

uintptr_t Name(const char* name) { return (uintptr_t)name; }

struct SelectionCase {
    uintptr_t Entry;
    int32_t Member;
};

TEST(NullStubSelection, ByNumberUsesTheLastTwoDigits) {
    const SelectionCase cases[] = {
        {52099, 0}, {52000, 0}, {52004, 1}, {52056, 14}, {52058, -1},
        {52060, -1}, {52017, -1}, {52001, -1}, {99, 0}, {0, 0},
    };
    for (const SelectionCase& c : cases)
        EXPECT_EQ(c.Member, SelectNullStubMember(c.Entry)) << "entry " << c.Entry;
}

TEST(NullStubSelection, ByNameUsesTheNumberAfterTheLastAt) {
    struct NameCase {
        const char* Name;
        int32_t Member;
    };
    const NameCase cases[] = {
        {"Function@12", 3}, {"Function@60", -1}, {"Function", 0}, {"Function@x12", 0},
        {"Function@", 0},   {"a@b@8", 2},        {"@0", 0},       {"@56", 14},
        {"@59", 14},        {"@7", 1},           {"@99999999999999999999", -1},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(c.Member, SelectNullStubMember(Name(c.Name))) << c.Name;
}

TEST(NullStubSelection, OnlyFiveOfThePluginsEntriesHaveAMember) {
    for (const HostEntryRow& row : HostEntryTable) {
        bool expected = row.Number == 52028 || row.Number == 52224 || row.Number == 35799 ||
                        row.Number == 52256 || row.Number == 51656;
        EXPECT_EQ(expected, SelectNullStubMember(row.Number) >= 0) << "entry " << row.Number;
    }
}

TEST(PickNullStub, InstalledMemberRemovesWhatThePluginsCallsLeaveToIt) {
    const SelectionCase cases[] = {
        {52028, 3},   // HostMessage: 12 bytes removed by the callee
        {52224, 0},   // HostProfile: the caller removes
        {35799, 0},   // HostChoice: the caller removes
        {52256, 1},   // HostTable: 4 bytes
        {51656, 2},   // HostSelect: 8 bytes
        {52029, -1}, {52158, -1}, {52030, -1},
        {Name("Other@8"), 2},  // not one of ours: the rule decides
    };
    for (const SelectionCase& c : cases) {
        void* slot = (void*)1;
        PickNullStub(c.Entry, &slot);
        EXPECT_EQ(c.Member < 0 ? nullptr : NullStubTable[c.Member], slot) << "entry " << c.Entry;
    }
}

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override { FakePlatformReset(); }
};

std::string Line(const std::string& text, int index) {
    size_t start = 0;
    for (int i = 0; i < index; ++i) start = text.find('\n', start) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

TEST_F(BindingTest, ReportNamesTheModuleTheEntryAndThePlugin) {
    char message[REPORT_MESSAGE_SIZE];
    uint32_t length = BuildMissingEntryReport(message, 52029, nullptr);
    std::string text(message);
    EXPECT_EQ(text.size(), length);
    EXPECT_EQ("W module \x02" "C:\\host\\eksportzam.dll\x01", Line(text, 0));
    EXPECT_EQ("brak wpisu \x02" "52029\x01", Line(text, 1));
    EXPECT_EQ("Wywo\x92" "ano z wtyczki \x02" TEXT_PLUGIN_DESCRIPTION "\x01.", Line(text, 2));
    EXPECT_EQ("", Line(text, 3));
    EXPECT_EQ("Konieczna jest aktualizacja programu!", Line(text, 7));
}

TEST_F(BindingTest, ReportUsesAGivenModuleAndAnEntryName) {
    char message[REPORT_MESSAGE_SIZE];
    BuildMissingEntryReport(message, Name("Function@8"), "OTHER.DLL");
    EXPECT_EQ("W module \x02OTHER.DLL\x01", Line(message, 0));
    EXPECT_EQ("brak wpisu \x02" "Function@8\x01", Line(message, 1));
}

TEST_F(BindingTest, ReportWithoutAModulePathSaysUnknown) {
    g_platform.ModulePathFails = true;
    char message[REPORT_MESSAGE_SIZE];
    BuildMissingEntryReport(message, 52029, nullptr);
    EXPECT_EQ("W module \x02<nieznany>\x01", Line(message, 0));
}

TEST_F(BindingTest, LongTextsAreCutToFitKeepingThePathsFileName) {
    struct CutCase {
        size_t PathLength;
        size_t NameLength;  // 0: entry number 52029
    };
    const CutCase cases[] = {{246, 0}, {247, 0}, {600, 0}, {1023, 0}, {100, 103}, {300, 200}};
    for (const CutCase& c : cases) {
        std::string path = std::string(c.PathLength - 15, 'p') + "\\eksportzam.dll";
        g_platform.ModulePath = path;
        std::string name(c.NameLength, 'n');
        char message[REPORT_MESSAGE_SIZE + 64];
        memset(message, 0x7E, sizeof message);
        uint32_t length =
            BuildMissingEntryReport(message, c.NameLength ? Name(name.c_str()) : 52029, nullptr);
        SCOPED_TRACE("path " + std::to_string(c.PathLength) + ", name " +
                     std::to_string(c.NameLength));
        EXPECT_LT(length, (uint32_t)REPORT_MESSAGE_SIZE);
        EXPECT_EQ((char)0x7E, message[REPORT_MESSAGE_SIZE]) << "wrote past the message buffer";
        std::string first = Line(message, 0);
        EXPECT_EQ("\\eksportzam.dll\x01", first.substr(first.size() - 16));
        bool pathFits = c.PathLength + (c.NameLength ? c.NameLength : 5) <= 251 &&
                        c.NameLength < REPORT_ENTRY_TEXT_SIZE;
        if (pathFits) EXPECT_EQ("W module \x02" + path + "\x01", first);
        else EXPECT_EQ("W module \x02...", first.substr(0, 13));
        std::string second = Line(message, 1);
        if (c.NameLength >= REPORT_ENTRY_TEXT_SIZE)
            EXPECT_EQ("brak wpisu \x02" + name.substr(0, 100) + "...\x01", second);
    }
}

TEST_F(BindingTest, ReportShowsTheBoxWithMarksReplacedAndStyle2012) {
    g_platform.BoxAnswers = {ABORT};
    EXPECT_EQ(0, ReportMissingEntry(52029, nullptr));
    ASSERT_EQ(1u, g_platform.Boxes.size());
    const FakeMessageBoxCall& box = g_platform.Boxes[0];
    EXPECT_EQ(0x2012u, box.Style);
    EXPECT_EQ(std::string::npos, box.Text.find_first_of("\x01\x02"));
    EXPECT_EQ("W module  C:\\host\\eksportzam.dll ", Line(box.Text, 0));
    EXPECT_EQ("brak wpisu  52029 ", Line(box.Text, 1));
}

TEST_F(BindingTest, ReportAnswers) {
    struct AnswerCase {
        std::vector<int32_t> Answers;
        int32_t Result;
        size_t Boxes;
        int32_t Ignoring;
    };
    const AnswerCase cases[] = {
        {{ABORT}, 0, 1, 0},
        {{IGNORE}, 1, 1, 1},
        {{RETRY, RETRY, RETRY, ABORT}, 0, 4, 0},
        {{RETRY, IGNORE}, 1, 2, 1},
        {{BOX_FAILED}, 0, 1, 0},
    };
    for (const AnswerCase& c : cases) {
        FakePlatformReset();
        g_platform.BoxAnswers = c.Answers;
        EXPECT_EQ(c.Result, ReportMissingEntry(52029, nullptr));
        EXPECT_EQ(c.Boxes, g_platform.Boxes.size());
        EXPECT_EQ(c.Ignoring, IgnoreAllMissing);
        for (const FakeMessageBoxCall& box : g_platform.Boxes)
            EXPECT_EQ(g_platform.Boxes[0].Text, box.Text) << "Retry shows the same box";
    }
}

TEST_F(BindingTest, ReportConvertsMessageAndTitleOnlyThroughABoundSlot) {
    for (bool bound : {true, false}) {
        FakePlatformReset();
        FakeHostReset();
        EntrySlots[ROW_HostConvertText] = bound ? FakeEntryAddress(52158) : nullptr;
        ReportMissingEntry(52029, nullptr);
        auto conversions = FakeHostCallsOf("HostConvertText");
        ASSERT_EQ(bound ? 2u : 0u, conversions.size()) << (bound ? "bound" : "unbound");
        ASSERT_EQ(1u, g_platform.Boxes.size());
        if (!bound) {
            EXPECT_EQ(TEXT_MISSING_ENTRY_TITLE, g_platform.Boxes[0].Title) << "shown unconverted";
            continue;
        }
        EXPECT_EQ(conversions[0]->Ptr(0), conversions[0]->Ptr(1)) << "converted in place";
        EXPECT_EQ(1, conversions[0]->Int(2));
        EXPECT_EQ(3, conversions[0]->Int(3));
        EXPECT_EQ(0u, conversions[0]->Text(0).find("W module  ")) << "message first, marks gone";
        EXPECT_EQ(TEXT_MISSING_ENTRY_TITLE, conversions[1]->Text(0));
    }
}

TEST_F(BindingTest, AfterIgnoreLaterReportsShowNoBox) {
    g_platform.BoxAnswers = {IGNORE};
    EXPECT_EQ(1, ReportMissingEntry(52029, nullptr));
    EXPECT_EQ(1, ReportMissingEntry(52030, nullptr));
    EXPECT_EQ(1u, g_platform.Boxes.size());
}

TEST_F(BindingTest, BindHostModuleFindsTheHostAndItsHook) {
    int hook;
    g_platform.BindingHook = &hook;
    BindHostModule();
    EXPECT_EQ(g_platform.HostModule, HostModuleHandle);
    EXPECT_EQ((void*)&hook, (void*)LazyBindingHook);
    EXPECT_EQ(std::vector<std::string>{"MERION"}, g_platform.LookedUpModules);

    BindHostModule();  // already bound: no second lookup
    EXPECT_EQ(1u, g_platform.LookedUpModules.size());
}

TEST_F(BindingTest, BindHostModuleWithoutHookOrHost) {
    BindHostModule();  // the host lacks entry 30007
    EXPECT_EQ(nullptr, (void*)LazyBindingHook);

    FakePlatformReset();
    g_platform.HostModule = nullptr;
    BindHostModule();  // no host library: the default hook stays
    EXPECT_EQ(nullptr, HostModuleHandle);
    EXPECT_EQ(NullStubTable[2], (void*)LazyBindingHook);
}

TEST_F(BindingTest, LoadEntryActsOnProcessAttachOnly) {
    int instance;
    LoadEntry(&instance, 0, nullptr);
    LoadEntry(&instance, 2, nullptr);
    EXPECT_EQ(nullptr, HostModuleHandle);
    LoadEntry(&instance, 1, nullptr);
    EXPECT_EQ((void*)&instance, ModuleInstance);
    EXPECT_EQ(g_platform.HostModule, HostModuleHandle);
}

class EntryTableTest : public BindingTest {
protected:
    void SetUp() override {
        BindingTest::SetUp();
        BindHostModule();
        g_platform.Lookups.clear();
    }
    std::vector<uintptr_t> TableOrder(size_t rows) {
        std::vector<uintptr_t> order;
        for (size_t i = 0; i < rows; ++i) order.push_back(HostEntryTable[i].Number);
        return order;
    }
};

TEST_F(EntryTableTest, AllPresentBindEveryRowInOrder) {
    EXPECT_EQ(0, RunBindingInitialisers());
    EXPECT_EQ(TableOrder(HOST_ENTRY_COUNT), g_platform.Lookups);
    for (int row = 0; row < HOST_ENTRY_COUNT; ++row)
        EXPECT_EQ(FakeEntryAddress(HostEntryTable[row].Number), EntrySlots[row]) << "row " << row;
    EXPECT_TRUE(g_platform.Boxes.empty());
}

TEST_F(EntryTableTest, IgnoredEntryWithoutMemberStopsTheTable) {
    g_platform.Missing = {52029, 52256};
    g_platform.BoxAnswers = {IGNORE};
    EXPECT_EQ(-1, RunBindingInitialisers());
    EXPECT_EQ(TableOrder(2), g_platform.Lookups) << "rows after 52029 do not run";
    EXPECT_EQ(nullptr, EntrySlots[ROW_HostUnused52029]);
    EXPECT_EQ(1u, g_platform.Boxes.size());
}

TEST_F(EntryTableTest, IgnoredEntriesGetTheirContractMembers) {
    g_platform.Missing = {35799, 52256, 51656, 52028};
    g_platform.BoxAnswers = {IGNORE};
    EXPECT_EQ(0, RunBindingInitialisers());
    EXPECT_EQ(1u, g_platform.Boxes.size()) << "later missing entries show no box";
    EXPECT_EQ(NullStubTable[3], EntrySlots[ROW_HostMessage]);
    EXPECT_EQ(NullStubTable[0], EntrySlots[ROW_HostChoice]);
    EXPECT_EQ(NullStubTable[1], EntrySlots[ROW_HostTable]);
    EXPECT_EQ(NullStubTable[2], EntrySlots[ROW_HostSelect]);
}

TEST_F(EntryTableTest, AbortLeavesTheSlotEmptyAndFailsTheLoad) {
    g_platform.Missing = {51594};
    g_platform.BoxAnswers = {RETRY, RETRY, RETRY, ABORT};
    EXPECT_EQ(-1, RunBindingInitialisers());
    EXPECT_EQ(4u, g_platform.Boxes.size());
    EXPECT_EQ(nullptr, EntrySlots[ROW_HostDataVersion]);
    EXPECT_EQ(TableOrder(ROW_HostDataVersion + 1), g_platform.Lookups)
        << "the entry is looked up once, not again on Retry";
}

TEST_F(EntryTableTest, LazyBinderBindsItsRowAndNeverContinuesIntoAnEmptySlot) {
    EXPECT_EQ(FakeEntryAddress(52256), BindRowLazily(&EntrySlots[ROW_HostTable]));
    EXPECT_EQ(FakeEntryAddress(52256), EntrySlots[ROW_HostTable]);

    g_platform.Missing = {52028, 52030};
    g_platform.BoxAnswers = {ABORT, ABORT};
    EXPECT_EQ(NullStubTable[3], BindRowLazily(&EntrySlots[ROW_HostMessage]));
    EXPECT_EQ(nullptr, EntrySlots[ROW_HostMessage]);
    EXPECT_EQ(NullStubTable[1], BindRowLazily(&EntrySlots[ROW_HostError]));
}

// Independent check of the Mazovia texts: each constant against its UTF-8
// wording, through a conversion table written here.
std::string ToMazovia(const std::string& utf8) {
    static const struct {
        const char* Utf8;
        char Byte;
    } letters[] = {
        {"ą", '\x86'}, {"ć", '\x8D'}, {"ę", '\x91'}, {"ł", '\x92'}, {"ń", '\xA4'}, {"ó", '\xA2'},
        {"ś", '\x9E'}, {"ź", '\xA6'}, {"ż", '\xA7'}, {"Ą", '\x8F'}, {"Ć", '\x95'}, {"Ę", '\x90'},
        {"Ł", '\x9C'}, {"Ń", '\xA5'}, {"Ó", '\xA3'}, {"Ś", '\x98'}, {"Ź", '\xA0'}, {"Ż", '\xA1'},
    };
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        bool converted = false;
        for (const auto& letter : letters) {
            size_t n = strlen(letter.Utf8);
            if (utf8.compare(i, n, letter.Utf8) == 0) {
                out += letter.Byte;
                i += n;
                converted = true;
                break;
            }
        }
        if (!converted) out += utf8[i++];
    }
    return out;
}

TEST(Texts, PolishConstantsAreMazoviaBytes) {
    struct TextCase {
        const char* Constant;
        const char* Utf8;
    };
    const TextCase cases[] = {
        {TEXT_PLUGIN_DESCRIPTION,
         "Eksport faktury zakupu/zamówienia. Ctrl-1 w rejestrze faktur/zamówień."},
        {TEXT_MISSING_ENTRY_TITLE, "POWAŻNY BŁĄD WTYCZKI"},
        {TEXT_MISSING_ENTRY_TEMPLATE,
         "W module \x02%s\x01\nbrak wpisu \x02%s\x01\nWywołano z wtyczki \x02%s\x01.\n\n"
         "Błąd ten można zignorować lecz dalsza praca\n"
         "programu w tych warunkach może być niebezpieczna.\n\n"
         "Konieczna jest aktualizacja programu!"},
        {TEXT_NO_LINES_TABLE, "Błąd inicjacji tabeli Tzak_dok."},
        {TEXT_NO_ORDER_NUMBER, "Brak numeru zamówienia. Nie można eksportować."},
        {TEXT_ORDER_NUMBER_TOO_LONG, "Numer zamówienia jest za długi. Nie można eksportować."},
        {TEXT_CHOICE_PROMPT, "W jaki sposób wysłać dane?"},
        {FORMAT_INSTALL_CAPTION, "Zainstalowano wtyczkę: %s"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(ToMazovia(c.Utf8), c.Constant) << c.Utf8;
    EXPECT_EQ(70u, strlen(TEXT_PLUGIN_DESCRIPTION));
    EXPECT_EQ(188u, strlen(TEXT_MISSING_ENTRY_TEMPLATE));
}

}  // namespace
