// The Ctrl-1 command through ExportKeyHandler against the fake host: which
// keys it takes, the order under the cursor, its file name, the host's check
// and choice, and the three deliveries.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export.h"
#include "fake_host.h"
#include "texts.h"

namespace {

// Arguments the command does not read, distinct so that a swap shows.
enum : intptr_t { A3 = 0x303, A5 = 0x505, A7 = 0x707, A8 = 0x808, A9 = 0x909, A10 = 0xA0A,
                  A11 = 0xB0B };

class ExportCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeHostReset();
        SavedKeyHandler = FakeHostKeyHandler;
        ASSERT_FALSE(dir_.Path().empty()) << "no scratch directory";
    }
    void TearDown() override {
        SavedKeyHandler = nullptr;
        EXPECT_TRUE(g_host.Violations.empty()) << "first violation: " << g_host.Violations[0];
    }

    int32_t Press(uint32_t key, int32_t index = 0) {
        return ExportKeyHandler(key, index, A3, g_host.OrderRows.data(), A5, &g_host.Browse, A7,
                                A8, A9, A10, A11);
    }

    // Order Z12 with two lines and settings number 5, under the cursor.
    void OrderZ12() {
        FakeHostAddOrder("Z12", 5, 77);
        FakeHostAddLine(77, "AB-1", "\x98ruba M6", 120);
        FakeHostAddLine(77, "CD-2", "Nakr\x91tka", -150);
    }

    static const char* const kZ12Content;
    FakeHostWorkDir dir_;
};

const char* const ExportCommandTest::kZ12Content =
    "AB-1;\x98ruba M6;0.120\r\nCD-2;Nakr\x91tka;-0.150\r\n";

TEST_F(ExportCommandTest, OtherKeysGoToTheSavedHandlerUnchanged) {
    FakeHostAddOrder("Z12", 5, 77);
    g_host.KeyHandlerResult = 0x1234;
    for (uint32_t key : {230u, 232u, 0x000100E7u, 0u, 0xFFFFFFFFu}) {
        g_host.Calls.clear();
        EXPECT_EQ(0x1234, Press(key, -7)) << "key " << key;
        ASSERT_EQ(std::vector<std::string>({"KeyHandler"}), FakeHostCallNames()) << "key " << key;
        const FakeCall& call = g_host.Calls[0];
        std::vector<int64_t> expected = {key, -7, A3, (int64_t)(intptr_t)g_host.OrderRows.data(),
                                         A5, (int64_t)(intptr_t)&g_host.Browse,
                                         A7, A8, A9, A10, A11};
        EXPECT_EQ(expected, call.Args) << "key " << key;
    }
}

TEST_F(ExportCommandTest, WithoutASavedHandlerOtherKeysAnswerZero) {
    SavedKeyHandler = nullptr;
    EXPECT_EQ(0, Press(230));
    EXPECT_TRUE(g_host.Calls.empty());
}

TEST_F(ExportCommandTest, CtrlOneExportsAndMailsTheOrder) {
    OrderZ12();
    g_host.ChoiceResult = CHOICE_EMAIL;

    EXPECT_EQ(0, Press(KEY_CTRL_1));

    EXPECT_EQ(kZ12Content, FakeHostReadFile("Z12.txt"));
    EXPECT_EQ(0u, FakeHostCountOf("KeyHandler")) << "Ctrl-1 is not passed on";

    const FakeCall& check = *FakeHostCallsOf("HostCheckFile").at(0);
    EXPECT_EQ("Z12.txt", check.Text(0));
    const FakeCall& choice = *FakeHostCallsOf("HostChoice").at(0);
    EXPECT_EQ(std::vector<std::string>({TEXT_WARNING_TITLE, TEXT_CHOICE_PROMPT, "", "~F~TP",
                                        "~P~lik", "~A~nuluj", "~E~mail", ""}),
              choice.Texts);
    EXPECT_EQ(2094, choice.Int(2));
    EXPECT_EQ(0, choice.Int(7));

    std::vector<std::string> names = FakeHostCallNames();
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>({"HostCheckFile", "HostChoice", "HostMailPrepare",
                                        "HostMailSend"}),
              std::vector<std::string>(names.end() - 4, names.end()));
    const FakeCall& prepare = *FakeHostCallsOf("HostMailPrepare").at(0);
    EXPECT_EQ(std::vector<int64_t>({0, 4, 1}), prepare.Args);
    const FakeCall& send = *FakeHostCallsOf("HostMailSend").at(0);
    EXPECT_EQ(0, send.Int(0));
    EXPECT_EQ("Z12.txt", send.Text(1));
    EXPECT_EQ("Zamowienie", send.Text(2));
    EXPECT_EQ(4, send.Int(3));
}

// The row under the cursor is rows[Current - First + Offset].
TEST_F(ExportCommandTest, ExportsTheOrderUnderTheCursor) {
    FakeHostAddOrder("A1", 1, 11);
    FakeHostAddOrder("B2", 2, 22);
    FakeHostAddOrder("C3", 3, 33);
    FakeHostAddLine(11, "a", "x", 1);
    FakeHostAddLine(22, "b", "x", 2);
    FakeHostAddLine(33, "c", "x", 3);
    const struct {
        int32_t First, Offset, Current;
        const char* File;
        const char* Content;
    } cases[] = {
        {0, 0, 0, "A1.txt", "a;x;0.001\r\n"},
        {10, 0, 12, "C3.txt", "c;x;0.003\r\n"},
        {10, 1, 10, "B2.txt", "b;x;0.002\r\n"},
        {-5, -4, 0, "B2.txt", "b;x;0.002\r\n"},
    };
    for (const auto& c : cases) {
        g_host.Browse.First = c.First;
        g_host.Browse.Offset = c.Offset;
        g_host.Browse.Current = c.Current;
        remove(c.File);
        EXPECT_EQ(0, Press(KEY_CTRL_1));
        EXPECT_EQ(c.Content, FakeHostReadFile(c.File))
            << "first " << c.First << ", offset " << c.Offset << ", current " << c.Current;
    }
}

// The index argument's low 16 bits, sign-extended, reach HostMakeKey.
TEST_F(ExportCommandTest, IndexArgumentIsTheLow16BitsSignExtended) {
    OrderZ12();
    const struct {
        int32_t Argument, Expected;
    } cases[] = {{3, 3}, {0x00010005, 5}, {0x0001FFFE, -2}, {0x8000, -32768}, {-1, -1}};
    for (const auto& c : cases) {
        g_host.Calls.clear();
        Press(KEY_CTRL_1, c.Argument);
        ASSERT_EQ(1u, FakeHostCountOf("HostMakeKey"));
        EXPECT_EQ(c.Expected, FakeHostCallsOf("HostMakeKey").at(0)->Int(0)) << "argument "
                                                                         << c.Argument;
    }
}

TEST_F(ExportCommandTest, EmptyOrderNumberIsReported) {
    FakeHostAddOrder("", 5, 77);
    FakeHostAddLine(77, "AB-1", "x", 1);

    EXPECT_EQ(0, Press(KEY_CTRL_1));
    ASSERT_EQ(std::vector<std::string>({"HostMessage"}), FakeHostCallNames());
    EXPECT_EQ(TEXT_WARNING_TITLE, g_host.Calls[0].Text(0));
    EXPECT_EQ(TEXT_NO_ORDER_NUMBER, g_host.Calls[0].Text(1));
    EXPECT_EQ(1, g_host.Calls[0].Int(2));
    EXPECT_FALSE(FakeHostFileExists(".txt"));
}

// A number too long for a file name is refused, never cut.
TEST_F(ExportCommandTest, TooLongOrderNumberIsReported) {
    FakeHostAddLine(77, "AB-1", "x", 1);
    OrderRow& order = FakeHostAddOrder("", 5, 77);
    const struct {
        size_t Length;
        bool Fits;
    } cases[] = {{251, true}, {252, false}, {874, false}, {875, false}};
    for (const auto& c : cases) {
        g_host.Calls.clear();
        memset(order.OrderNumber, 0, sizeof order.OrderNumber);
        memset(order.OrderNumber, 'N', c.Length);  // 875: no terminator in the field
        EXPECT_EQ(0, Press(KEY_CTRL_1));
        if (c.Fits) {
            EXPECT_EQ(1u, FakeHostCountOf("HostAppendLine")) << "length " << c.Length;
            EXPECT_TRUE(FakeHostFileExists(std::string(c.Length, 'N') + ".txt"));
        } else {
            ASSERT_EQ(std::vector<std::string>({"HostMessage"}), FakeHostCallNames())
                << "length " << c.Length;
            EXPECT_EQ(TEXT_ORDER_NUMBER_TOO_LONG, g_host.Calls[0].Text(1));
            EXPECT_EQ(TEXT_WARNING_TITLE, g_host.Calls[0].Text(0));
        }
    }
}

TEST_F(ExportCommandTest, OrderNumberBecomesASafeFileName) {
    const struct {
        const char* Number;
        const char* File;
    } cases[] = {{"ZAM/1/2016", "ZAM_1_2016.txt"}, {"..\\x", ".._x.txt"}, {"con", "_con.txt"}};
    FakeHostAddLine(77, "AB-1", "x", 1);
    OrderRow& order = FakeHostAddOrder("", 5, 77);
    for (const auto& c : cases) {
        g_host.Calls.clear();
        snprintf(order.OrderNumber, sizeof order.OrderNumber, "%s", c.Number);
        Press(KEY_CTRL_1);
        EXPECT_EQ("AB-1;x;0.001\r\n", FakeHostReadFile(c.File)) << "order " << c.Number;
        EXPECT_EQ(c.File, FakeHostCallsOf("HostCheckFile").at(0)->Text(0));
    }
}

TEST_F(ExportCommandTest, FailedExportEndsTheCommandSilently) {
    OrderZ12();
    g_host.OrderLines.Offered = false;

    EXPECT_EQ(0, Press(KEY_CTRL_1));
    EXPECT_EQ(1u, FakeHostCountOf("HostMessage")) << "only the writer's own message";
    EXPECT_EQ(0u, FakeHostCountOf("HostCheckFile"));
    EXPECT_EQ(0u, FakeHostCountOf("HostChoice"));
}

// The check's low 16 bits, read as signed, decide; the file stays written.
TEST_F(ExportCommandTest, NegativeCheckStopsBeforeTheChoice) {
    OrderZ12();
    const struct {
        int32_t Answer;
        bool Stops;
    } cases[] = {{-1, true},          {0xFFFF, true},      {0x00018000, true},
                 {0, false},          {0x00010000, false}, {0x7FFF, false},
                 {(int32_t)0x80000000, false}};
    for (const auto& c : cases) {
        g_host.Calls.clear();
        g_host.CheckFileResult = c.Answer;
        EXPECT_EQ(0, Press(KEY_CTRL_1));
        EXPECT_EQ(c.Stops ? 0u : 1u, FakeHostCountOf("HostChoice")) << "check answer " << c.Answer;
        EXPECT_EQ(kZ12Content, FakeHostReadFile("Z12.txt"));
    }
}

// The choice's low 16 bits, sign-extended, pick the delivery.
TEST_F(ExportCommandTest, ChoicePicksTheDelivery) {
    OrderZ12();
    g_host.FileDialogResult = -1;  // copy: stop after the dialog
    const struct {
        int32_t Answer;
        const char* Delivery;  // first entry of the delivery, or null for none
    } cases[] = {
        {CHOICE_FTP, "HostSelect"},        {CHOICE_FILE, "HostMaskPath"},
        {CHOICE_EMAIL, "HostMailPrepare"}, {0x00010000 + CHOICE_EMAIL, "HostMailPrepare"},
        {20482, nullptr},                  {0, nullptr},
        {-1, nullptr},                     {20484, nullptr},
    };
    for (const auto& c : cases) {
        g_host.Calls.clear();
        g_host.ChoiceResult = c.Answer;
        EXPECT_EQ(0, Press(KEY_CTRL_1));
        std::vector<std::string> names = FakeHostCallNames();
        ASSERT_FALSE(names.empty());
        if (c.Delivery) {
            auto choice = std::find(names.begin(), names.end(), "HostChoice");
            ASSERT_NE(names.end(), choice);
            ASSERT_NE(names.end(), choice + 1) << "answer " << c.Answer;
            EXPECT_EQ(c.Delivery, *(choice + 1)) << "answer " << c.Answer;
        } else {
            EXPECT_EQ("HostChoice", names.back()) << "answer " << c.Answer;
        }
    }
}

// FTP delivery: settings read under "Nr" and the low 16 bits of the number.
class FtpDeliveryTest : public ExportCommandTest {
protected:
    void SetUp() override {
        ExportCommandTest::SetUp();
        g_host.ChoiceResult = CHOICE_FTP;
    }

    static DeliverySettings Settings(const char* host, const char* user, const std::string& password,
                                     const char* directory, int32_t port, int32_t mode) {
        DeliverySettings s;
        memset(&s, 0, sizeof s);
        s.Size = DELIVERY_SETTINGS_SIZE;
        snprintf(s.Host, sizeof s.Host, "%s", host);
        snprintf(s.User, sizeof s.User, "%s", user);
        snprintf(s.Password, sizeof s.Password, "%s", password.c_str());
        snprintf(s.Directory, sizeof s.Directory, "%s", directory);
        s.Port = port;
        s.Mode = mode;
        return s;
    }

    const FakeCall& Ftp() { return *FakeHostCallsOf("HostFtpSend").at(0); }
};

TEST_F(FtpDeliveryTest, SendsTheFileWithTheStoredSettings) {
    OrderZ12();
    g_host.Settings["Nr5"] = Settings("ftp.example", "jan", "jawne", "/zam\xA2wienia", 21, 3);

    EXPECT_EQ(0, Press(KEY_CTRL_1));

    const FakeCall& ftp = Ftp();
    EXPECT_EQ(std::vector<std::string>({"Z12.txt", "Z12.txt", "", "", "", "ftp.example", "jan",
                                        "jawne", "/zam\xA2wienia", "", ""}),
              ftp.Texts);
    EXPECT_EQ(0, ftp.Int(2));
    EXPECT_EQ(1, ftp.Int(3));
    EXPECT_EQ(0, ftp.Int(4));
    EXPECT_EQ(21, ftp.Int(9));
    EXPECT_EQ(3, ftp.Int(10));
    std::vector<std::string> names = FakeHostCallNames();
    EXPECT_EQ(std::vector<std::string>({"HostChoice", "HostSelect", "HostReadRecord",
                                        "HostFtpSend"}),
              std::vector<std::string>(names.end() - 4, names.end()));
}

TEST_F(FtpDeliveryTest, SettingsKeyIsTheLow16BitsOfTheNumber) {
    const struct {
        int32_t Number;
        const char* Key;
    } cases[] = {{5, "Nr5"}, {65536 + 5, "Nr5"}, {32768, "Nr-32768"}, {-1, "Nr-1"}, {0, "Nr0"}};
    OrderRow& order = FakeHostAddOrder("Z12", 0, 77);
    for (const auto& c : cases) {
        g_host.Calls.clear();
        order.SettingsNumber = c.Number;
        Press(KEY_CTRL_1);
        EXPECT_EQ(c.Number, FakeHostCallsOf("HostSelect").at(0)->Int(1)) << "the full number";
        EXPECT_EQ(c.Key, FakeHostCallsOf("HostReadRecord").at(0)->Text(1)) << "number " << c.Number;
    }
}

// The row is found afresh for the key: HostSelect may move the browse.
TEST_F(FtpDeliveryTest, SettingsKeyComesFromTheRowUnderTheCursorAfterSelecting) {
    FakeHostAddOrder("Z12", 5, 77);
    FakeHostAddOrder("Z13", 6, 78);
    g_host.OnCall = [](const FakeCall& call) {
        if (call.Name == "HostSelect") g_host.Browse.Current = 1;
    };
    Press(KEY_CTRL_1);
    EXPECT_EQ(5, FakeHostCallsOf("HostSelect").at(0)->Int(1));
    EXPECT_EQ("Nr6", FakeHostCallsOf("HostReadRecord").at(0)->Text(1));
}

TEST_F(FtpDeliveryTest, ScrambledPasswordIsDecoded) {
    OrderZ12();
    std::string stored = "@";
    for (char c : std::string("s3kret")) stored += (char)(c ^ SETTINGS_SCRAMBLE_KEY);
    g_host.Settings["Nr5"] = Settings("h", "u", stored, "d", 21, 0);

    Press(KEY_CTRL_1);
    EXPECT_EQ("s3kret", Ftp().Text(7));
}

// The record is cleared before the read: a missing record sends empty texts
// and zeros, and the host sees a clean record with its size set.
TEST_F(FtpDeliveryTest, MissingRecordSendsEmptySettings) {
    OrderZ12();

    Press(KEY_CTRL_1);

    const FakeCall& read = *FakeHostCallsOf("HostReadRecord").at(0);
    ASSERT_EQ((size_t)DELIVERY_SETTINGS_SIZE, read.Bytes.size());
    DeliverySettings arrived;
    memcpy(&arrived, read.Bytes.data(), sizeof arrived);
    EXPECT_EQ(DELIVERY_SETTINGS_SIZE, arrived.Size);
    DeliverySettings clean;
    memset(&clean, 0, sizeof clean);
    clean.Size = DELIVERY_SETTINGS_SIZE;
    EXPECT_EQ(0, memcmp(&clean, &arrived, sizeof clean)) << "record not cleared before the read";

    const FakeCall& ftp = Ftp();
    for (int text = 5; text <= 8; ++text) EXPECT_EQ("", ftp.Text(text)) << "argument " << text + 1;
    EXPECT_EQ(0, ftp.Int(9));
    EXPECT_EQ(0, ftp.Int(10));
}

// A stored text that fills its field is ended at the field's last byte.
TEST_F(FtpDeliveryTest, EveryTextEndsWithinItsField) {
    OrderZ12();
    DeliverySettings full;
    memset(&full, 'S', sizeof full);
    full.Size = DELIVERY_SETTINGS_SIZE;
    full.Password[0] = '@';  // scrambled, no terminator: decoding stays within the field
    full.Port = 21;
    full.Mode = 1;
    g_host.Settings["Nr5"] = full;

    Press(KEY_CTRL_1);

    const FakeCall& ftp = Ftp();
    EXPECT_EQ(std::string(62, 'S'), ftp.Text(5));
    EXPECT_EQ(std::string(60, 'S'), ftp.Text(6));
    EXPECT_EQ(std::string(59, (char)('S' ^ SETTINGS_SCRAMBLE_KEY)), ftp.Text(7));
    EXPECT_EQ(std::string(128, 'S'), ftp.Text(8));
    EXPECT_EQ(21, ftp.Int(9));
    EXPECT_EQ(1, ftp.Int(10));
}

class CopyDeliveryTest : public ExportCommandTest {
protected:
    void SetUp() override {
        ExportCommandTest::SetUp();
        g_host.ChoiceResult = CHOICE_FILE;
        g_host.MaskPathAnswer = "C:\\DANE\\*.*";
        OrderZ12();
    }
};

TEST_F(CopyDeliveryTest, CopiesToThePickedPlace) {
    g_host.FileDialogName = "kopia.txt";

    EXPECT_EQ(0, Press(KEY_CTRL_1));

    const FakeCall& mask = *FakeHostCallsOf("HostMaskPath").at(0);
    EXPECT_EQ("*.*", mask.Text(1));
    const FakeCall& dialog = *FakeHostCallsOf("HostFileDialog").at(0);
    EXPECT_EQ(57, dialog.Int(0));
    EXPECT_EQ("Z12.txt", dialog.Text(1)) << "the dialog starts from the export file's name";
    EXPECT_EQ("C:\\DANE\\*.*", dialog.Text(2)) << "the mask HostMaskPath filled";
    EXPECT_EQ(mask.Ptr(0), dialog.Ptr(2));
    EXPECT_EQ(0, dialog.Int(3));
    const FakeCall& copy = *FakeHostCallsOf("HostCopyFile").at(0);
    EXPECT_EQ("Z12.txt", copy.Text(0));
    EXPECT_EQ("kopia.txt", copy.Text(1));
    EXPECT_EQ(0, copy.Int(2));
    EXPECT_EQ(kZ12Content, FakeHostReadFile("kopia.txt"));
}

// Only the whole value -1 cancels.
TEST_F(CopyDeliveryTest, OnlyMinusOneCancels) {
    const struct {
        int32_t Answer;
        bool Copies;
    } cases[] = {{-1, false},         {0, true},          {1, true},
                 {-2, true},          {0xFFFF, true},     {0x7FFFFFFF, true},
                 {(int32_t)0x80000000, true}};
    for (const auto& c : cases) {
        g_host.Calls.clear();
        g_host.FileDialogResult = c.Answer;
        Press(KEY_CTRL_1);
        EXPECT_EQ(c.Copies ? 1u : 0u, FakeHostCountOf("HostCopyFile")) << "answer " << c.Answer;
    }
}

}  // namespace
