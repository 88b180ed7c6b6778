// Life cycle against the fake host: the start checks with their two failure
// messages, the mismatch list, the key-handler replacement, stop, and the
// installation notice.
#include <gtest/gtest.h>

#include <string.h>

#include "export.h"
#include "fake_host.h"
#include "fake_lifecycle.h"
#include "lifecycle.h"
#include "texts.h"

namespace {

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeHostReset();
        MismatchList = nullptr;
        HookedTable = nullptr;
        SavedKeyHandler = nullptr;
        HostFeatureQuery = nullptr;
        g_threadTranslator = nullptr;
    }
    void TearDown() override { EXPECT_EQ(std::vector<std::string>{}, g_host.Violations); }

    int32_t Start(char* description = nullptr) {
        return PluginStartStop(FakeHostFeatureQuery, description);
    }
    std::vector<std::string> Errors() {
        std::vector<std::string> texts;
        for (const FakeCall* call : FakeHostCallsOf("HostError")) texts.push_back(call->Text(0));
        return texts;
    }
    std::vector<std::pair<std::string, int32_t>> Mismatches() {
        std::vector<std::pair<std::string, int32_t>> list;
        for (const TableCheck* c = MismatchList; c && list.size() < 10; c = c->Next)
            list.push_back({c->Name, c->ActualLength});
        return list;
    }
    KeyHandlerFn OrdersHandler() { return g_host.Orders.Descriptor.KeyHandler; }
};

TEST_F(LifecycleTest, EachCheckFailsWithItsMessage) {
    const std::string newerHost = TEXT_NEEDS_NEWER_HOST, newerPlugin = TEXT_NEEDS_NEWER_PLUGIN;
    struct StartCase {
        const char* What;
        std::function<void()> Arrange;
        std::string Error;  // empty: start succeeds
    };
    const StartCase cases[] = {
        {"all fit", [] {}, ""},
        {"feature bit clear", [] { g_host.FeatureResult = 2; }, newerHost},
        {"feature bit set among others", [] { g_host.FeatureResult = 0x10001; }, ""},
        {"host date one day early", [] { g_host.OwnDateValue = 20161204; }, newerHost},
        {"host date equal", [] { g_host.OwnDateValue = 20161205; }, ""},
        {"host date above 2^31 (unsigned)", [] { g_host.OwnDateValue = 0x80000000u; }, ""},
        {"data version 111", [] { g_host.DataVersion = 111; }, newerPlugin},
        {"data version 113", [] { g_host.DataVersion = 113; }, newerPlugin},
        {"table 53 of length 625", [] { g_host.OrderLines.Descriptor.RecordLength = 625; },
         newerPlugin},
        {"table 52 missing", [] { g_host.Orders.Offered = false; }, newerPlugin},
    };
    for (const StartCase& c : cases) {
        SetUp();
        SCOPED_TRACE(c.What);
        c.Arrange();
        EXPECT_EQ(c.Error.empty() ? 0 : -1, Start());
        EXPECT_EQ(c.Error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Error},
                  Errors());
        if (c.Error.empty())
            EXPECT_EQ((KeyHandlerFn)ExportKeyHandler, OrdersHandler());
        else
            EXPECT_EQ((KeyHandlerFn)FakeHostKeyHandler, OrdersHandler()) << "handler untouched";
    }
}

TEST_F(LifecycleTest, DateIsCheckedAgainstTheFixedDateText) {
    Start();
    auto dates = FakeHostCallsOf("HostDateValue");
    ASSERT_EQ(2u, dates.size());
    EXPECT_EQ("Dec  5 2016", dates[0]->Text(0));
    EXPECT_EQ(nullptr, dates[1]->Ptr(0));
    auto queries = FakeHostCallsOf("HostFeatureQuery");
    ASSERT_EQ(1u, queries.size());
    EXPECT_EQ(1, queries[0]->Int(0));
    EXPECT_EQ(1, queries[0]->Int(1));
}

TEST_F(LifecycleTest, MissingTable52IsListedWithLengthZero) {
    g_host.Orders.Offered = false;
    Start();
    EXPECT_EQ((std::vector<std::pair<std::string, int32_t>>{{"Tzak", 0}}), Mismatches());
    EXPECT_EQ(901, MismatchList->ExpectedLength);
}

TEST_F(LifecycleTest, AFailedTableKeepsLaterStartsFailing) {
    g_host.OrderLines.Descriptor.RecordLength = 625;
    EXPECT_EQ(-1, Start());
    EXPECT_EQ((std::vector<std::pair<std::string, int32_t>>{{"Tzak_dok", 625}}), Mismatches());

    g_host.OrderLines.Descriptor.RecordLength = 626;  // even once the table fits again
    EXPECT_EQ(-1, Start());
    EXPECT_EQ(1u, Mismatches().size()) << "the same record is not appended twice";
    EXPECT_EQ(2u, Errors().size());
}

TEST_F(LifecycleTest, BothTablesWrongLeaveTwoRecordsAfterEveryStart) {
    g_host.Orders.Descriptor.RecordLength = 900;
    g_host.OrderLines.Descriptor.RecordLength = 625;
    const std::vector<std::pair<std::string, int32_t>> expected = {{"Tzak", 900},
                                                                   {"Tzak_dok", 625}};
    EXPECT_EQ(-1, Start());
    EXPECT_EQ(expected, Mismatches());
    EXPECT_EQ(-1, Start());
    EXPECT_EQ(expected, Mismatches());
}

TEST_F(LifecycleTest, StartTwiceKeepsTheHostsHandlerAsTheSavedOne) {
    EXPECT_EQ(0, Start());
    EXPECT_EQ(0, Start());
    EXPECT_EQ((KeyHandlerFn)FakeHostKeyHandler, SavedKeyHandler);
    EXPECT_EQ((KeyHandlerFn)ExportKeyHandler, OrdersHandler());

    EXPECT_EQ(0, PluginStartStop(nullptr, nullptr));  // stop
    EXPECT_EQ((KeyHandlerFn)FakeHostKeyHandler, OrdersHandler());
    EXPECT_EQ(nullptr, HookedTable);
}

TEST_F(LifecycleTest, StopWithoutStartChangesNothing) {
    char description[80];
    memset(description, 'x', sizeof description);
    EXPECT_EQ(0, PluginStartStop(nullptr, description));
    EXPECT_EQ((KeyHandlerFn)FakeHostKeyHandler, OrdersHandler());
    EXPECT_EQ('x', description[0]);
    EXPECT_EQ(nullptr, g_threadTranslator);
    EXPECT_TRUE(g_host.Calls.empty());
}

TEST_F(LifecycleTest, DescriptionAndTranslatorComeBeforeAnyCheck) {
    g_host.DataVersion = 111;
    char description[80];
    memset(description, 'x', sizeof description);
    EXPECT_EQ(-1, Start(description));
    EXPECT_EQ(0, memcmp(description, TEXT_PLUGIN_DESCRIPTION, PLUGIN_DESCRIPTION_SIZE));
    EXPECT_EQ('x', description[PLUGIN_DESCRIPTION_SIZE]) << "71 bytes copied, no more";
    EXPECT_EQ((void*)HostExceptionTranslator, g_threadTranslator);
}

TEST_F(LifecycleTest, NullDescriptionBufferIsNotWritten) {
    EXPECT_EQ(0, Start(nullptr));
    EXPECT_EQ((void*)HostExceptionTranslator, g_threadTranslator);
}

TEST_F(LifecycleTest, InstallNoticeFollowsTheStoredSetting) {
    const std::string key = "FakTest/Pytaj";
    struct NoticeCase {
        const char* What;
        bool Stored;
        int32_t Value;
        bool FormWrites;
        int32_t FormAnswer;
        bool Shown;
        int32_t RecordAnswer;  // first field when the form is shown
        int32_t Written;
    };
    const NoticeCase cases[] = {
        {"no setting, form leaves the field", false, 0, false, 0, true, 0, 0},
        {"no setting, form answers 1", false, 0, true, 1, true, 0, 1},
        {"setting 0", true, 0, false, 0, true, 0, 0},
        {"setting 1", true, 1, false, 0, false, 0, 0},
        {"setting 65536", true, 65536, false, 0, true, 65536, 0},
        {"form answers 0x1FFFF", true, 0, true, 0x1FFFF, true, 0, -1},
        {"form answers 0x18000", true, 0, true, 0x18000, true, 0, -32768},
    };
    for (const NoticeCase& c : cases) {
        SetUp();
        SCOPED_TRACE(c.What);
        if (c.Stored) g_host.Profile[key] = c.Value;
        g_host.FormWritesAnswer = c.FormWrites;
        g_host.FormAnswer = c.FormAnswer;

        EXPECT_EQ(0, PluginInstall());

        auto forms = FakeHostCallsOf("HostForm");
        auto profile = FakeHostCallsOf("HostProfile");
        ASSERT_EQ(c.Shown ? 1u : 0u, forms.size());
        ASSERT_EQ(c.Shown ? 2u : 1u, profile.size());
        EXPECT_EQ(1, profile[0]->Int(0));
        EXPECT_EQ("FakTest", profile[0]->Text(1));
        EXPECT_EQ("Pytaj", profile[0]->Text(2));
        if (!c.Shown) {
            EXPECT_EQ(c.Value, g_host.Profile[key]);
            continue;
        }
        const FakeCall& form = *forms[0];
        EXPECT_EQ(1194, form.Int(0));
        EXPECT_EQ(0, form.Int(2));
        EXPECT_EQ("Zainstalowano wtyczk\x91: " TEXT_PLUGIN_DESCRIPTION,
                  form.Text(3));
        EXPECT_EQ(93u, form.Text(3).size());
        NoticeRecord shown;
        memcpy(&shown, form.Bytes.data(), sizeof shown);
        EXPECT_EQ(c.RecordAnswer, shown.Answer);
        EXPECT_EQ(0, memcmp(shown.Text, TEXT_PLUGIN_DESCRIPTION, PLUGIN_DESCRIPTION_SIZE));
        EXPECT_EQ(2, profile[1]->Int(0));
        EXPECT_EQ(c.Written, g_host.Profile[key]);
    }
}

TEST_F(LifecycleTest, ReadResultCountsByItsLow16Bits) {
    g_host.ProfileMissingResult = 0x10000;  // low 16 bits 0: counts as a read of 0
    g_host.Profile.clear();
    PluginInstall();
    EXPECT_EQ(1u, FakeHostCountOf("HostForm"));
}

}  // namespace
