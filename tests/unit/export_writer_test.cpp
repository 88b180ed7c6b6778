// The export file writer: line format, texts within their fields, the decimal
// point under any locale, and the writer's dialogue with the host's scans.
#include <limits.h>
#include <locale.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export.h"
#include "fake_host.h"
#include "texts.h"

namespace {

OrderLineRow MakeLineRow(const char* code, const char* description, int32_t thousandths) {
    OrderLineRow row;
    memset(&row, 0, sizeof row);
    snprintf(row.Code, sizeof row.Code, "%s", code);
    snprintf(row.Description, sizeof row.Description, "%s", description);
    row.QuantityThousandths = thousandths;
    return row;
}

std::string Format(const OrderLineRow& row) {
    char line[LINE_BUFFER_SIZE];
    memset(line, 'X', sizeof line);
    uint32_t length = FormatExportLine(&row, line);
    std::string text(line);
    EXPECT_EQ(text.size(), length) << "returned length differs from the line's";
    return text;
}

// The third column for stored thousandths, under any locale.
const struct {
    int32_t Thousandths;
    const char* Expected;
} kQuantities[] = {
    {250, "0.250"},         {1, "0.001"},      {-1, "-0.001"},
    {0, "0.000"},           {999, "0.999"},    {1000000, "1000.000"},
    {-150, "-0.150"},       {120, "0.120"},    {-999999, "-999.999"},
    {INT_MAX, "2147483.647"}, {INT_MIN, "-2147483.648"},
};

// Locales under which the quantities are formatted: the C locale, and locales
// whose radix is not a point (a comma, or the two-byte Arabic separator).
class ExportLineLocale : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!setlocale(LC_NUMERIC, GetParam()))
            GTEST_SKIP() << "locale " << GetParam() << " is not installed";
        if (strcmp(GetParam(), "C") != 0 && strcmp(localeconv()->decimal_point, ".") == 0)
            GTEST_SKIP() << "locale " << GetParam() << " has a decimal point already";
    }
    void TearDown() override { setlocale(LC_NUMERIC, "C"); }
};

TEST_P(ExportLineLocale, QuantityHasThreeDecimalsAndAPoint) {
    for (const auto& c : kQuantities) {
        OrderLineRow row = MakeLineRow("AB-1", "opis", c.Thousandths);
        EXPECT_EQ(std::string("AB-1;opis;") + c.Expected, Format(row))
            << "stored thousandths " << c.Thousandths;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, ExportLineLocale,
                         ::testing::Values("C", "pl_PL.UTF-8", "de_DE.UTF-8", "ps_AF.UTF-8"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum((unsigned char)c)) c = '_';
                             return name;
                         });

TEST(ExportLine, TextsAreCopiedByteForByte) {
    // "Śruba M6; stal" in Mazovia bytes, with a semicolon of its own.
    OrderLineRow row = MakeLineRow("AB-1", "\x98ruba M6; stal", 120);
    EXPECT_EQ("AB-1;\x98ruba M6; stal;0.120", Format(row));
    EXPECT_EQ(";;0.000", Format(MakeLineRow("", "", 0)));
}

// A text that fills its whole field has no terminator; it contributes its
// field's width less one, and nothing beyond the field is read.
TEST(ExportLine, UnterminatedTextsStayWithinTheirFields) {
    const struct {
        size_t CodeFill;         // bytes of the code field filled (17 = no terminator)
        size_t DescriptionFill;  // bytes of the text field filled (121 = no terminator)
        size_t CodeLength;
        size_t DescriptionLength;
    } cases[] = {
        {17, 5, 16, 5},
        {3, 121, 3, 120},
        {17, 121, 16, 120},
        {16, 120, 16, 120},  // terminated in the last byte: whole text
    };
    for (const auto& c : cases) {
        OrderLineRow row;
        memset(&row, 0, sizeof row);
        memset(row.Code, 'C', c.CodeFill);
        memset(row.Description, 'D', c.DescriptionFill);
        // Whatever follows a field must not appear in the line.
        row.QuantityThousandths = 0x41414141;
        std::string expected = std::string(c.CodeLength, 'C') + ";" +
                               std::string(c.DescriptionLength, 'D') + ";1094795.585";
        EXPECT_EQ(expected, Format(row))
            << "code fill " << c.CodeFill << ", text fill " << c.DescriptionFill;
    }
}

TEST(ExportLine, LongestLineFitsTheBuffer) {
    OrderLineRow row;
    memset(&row, 0xA7, sizeof row);  // no terminator anywhere
    row.QuantityThousandths = INT_MIN;
    std::string line = Format(row);
    EXPECT_EQ(16u + 1 + 120 + 1 + 12, line.size());
    EXPECT_LT(line.size(), (size_t)LINE_BUFFER_SIZE);
}

// WriteExportFile against the fake host, in a directory of its own.
class WriteExportFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeHostReset();
        ASSERT_FALSE(dir_.Path().empty()) << "no scratch directory";
    }
    void TearDown() override {
        EXPECT_TRUE(g_host.Violations.empty()) << "first violation: " << g_host.Violations[0];
    }

    // An order whose lines carry the key value 77.
    OrderRow& Order() { return g_host.OrderStore.empty() ? FakeHostAddOrder("Z12", 5, 77)
                                                        : *g_host.OrderStore[0]; }
    int32_t Write(int32_t index = 0) { return WriteExportFile("Z12.txt", index, &Order()); }

    FakeHostWorkDir dir_;
};

TEST_F(WriteExportFileTest, WritesTheOrdersLinesInScanOrder) {
    FakeHostAddLine(77, "AB-1", "\x98ruba M6", 120);
    FakeHostAddLine(12, "OBCE", "inne zam\xA2wienie", 1);  // another order's line
    FakeHostAddLine(77, "CD-2", "Nakr\x91tka", -150);
    FakeHostAddLine(77, "EF-3", "Podk\x92" "adka", 1000000);

    EXPECT_EQ(0, Write());
    EXPECT_EQ("AB-1;\x98ruba M6;0.120\r\n"
              "CD-2;Nakr\x91tka;-0.150\r\n"
              "EF-3;Podk\x92" "adka;1000.000\r\n",
              FakeHostReadFile("Z12.txt"));
}

TEST_F(WriteExportFileTest, TalksToTheHostInOrderWithConsistentArguments) {
    FakeHostAddLine(77, "AB-1", "x", 1);

    EXPECT_EQ(0, Write(-2));

    std::vector<std::string> expected = {"HostTable",    "HostTablePrepare", "HostMakeKey",
                                         "HostScanBegin", "HostScanNext",    "HostAppendLine",
                                         "HostScanNext", "HostScanEnd"};
    EXPECT_EQ(expected, FakeHostCallNames());

    const FakeCall& table = g_host.Calls[0];
    EXPECT_EQ(TABLE_ORDER_LINES, table.Int(0));
    const FakeCall& prepare = g_host.Calls[1];
    EXPECT_EQ(&g_host.OrderLines.Descriptor, prepare.Ptr(0));
    EXPECT_EQ(255, prepare.Int(1));
    const FakeCall& key = g_host.Calls[2];
    EXPECT_EQ(-2, key.Int(0)) << "index argument passed on";
    EXPECT_EQ(77, key.Int(3)) << "key value from byte 897 of the order";
    const FakeCall& begin = g_host.Calls[3];
    EXPECT_EQ(key.Ptr(2), begin.Ptr(3)) << "the key buffer HostMakeKey filled";
    EXPECT_EQ(g_host.MakeKeyResult, begin.Int(2));
    for (const FakeCall* call : FakeHostCallsOf("HostScanNext"))
        EXPECT_EQ(begin.Ptr(0), call->Ptr(0)) << "the cursor HostScanBegin started";
    EXPECT_EQ(begin.Ptr(0), FakeHostCallsOf("HostScanEnd").at(0)->Ptr(0));
    EXPECT_EQ("Z12.txt", FakeHostCallsOf("HostAppendLine").at(0)->Text(0));
}

// The row buffer is taken from the descriptor after HostTablePrepare, which
// may set it up.
TEST_F(WriteExportFileTest, ReadsTheRowBufferThatPreparingSetUp) {
    FakeHostAddLine(77, "AB-1", "x", 1);
    std::vector<uint8_t> prepared(ORDER_LINE_RECORD_LENGTH, 0);
    g_host.OrderLines.Descriptor.RowBuffer = nullptr;
    g_host.OnCall = [&](const FakeCall& call) {
        if (call.Name == "HostTablePrepare") g_host.OrderLines.Descriptor.RowBuffer = prepared.data();
    };

    EXPECT_EQ(0, Write());
    EXPECT_EQ("AB-1;x;0.001\r\n", FakeHostReadFile("Z12.txt"));
}

TEST_F(WriteExportFileTest, OldFileIsReplaced) {
    FakeHostWriteFile("Z12.txt", "stara tre\x9E\x8D;9;9.999\r\nwi\x91" "cej\r\n");
    FakeHostAddLine(77, "AB-1", "x", 1);

    EXPECT_EQ(0, Write());
    EXPECT_EQ("AB-1;x;0.001\r\n", FakeHostReadFile("Z12.txt"));
}

TEST_F(WriteExportFileTest, OrderWithoutLinesLeavesNoFile) {
    FakeHostWriteFile("Z12.txt", "old");
    FakeHostAddLine(12, "OBCE", "x", 1);

    EXPECT_EQ(0, Write());
    EXPECT_FALSE(FakeHostFileExists("Z12.txt"));
    EXPECT_EQ(1u, FakeHostCountOf("HostScanEnd"));
}

TEST_F(WriteExportFileTest, MissingLinesTableIsReported) {
    FakeHostWriteFile("Z12.txt", "old");
    g_host.OrderLines.Offered = false;

    EXPECT_EQ(1, Write());
    ASSERT_EQ(1u, FakeHostCountOf("HostMessage"));
    const FakeCall& message = *FakeHostCallsOf("HostMessage").at(0);
    EXPECT_EQ(TEXT_WARNING_TITLE, message.Text(0));
    EXPECT_EQ(TEXT_NO_LINES_TABLE, message.Text(1));
    EXPECT_EQ(1, message.Int(2));
    EXPECT_EQ(std::vector<std::string>({"HostTable", "HostMessage"}), FakeHostCallNames());
    EXPECT_FALSE(FakeHostFileExists("Z12.txt")) << "the old file is deleted first";
}

TEST_F(WriteExportFileTest, NoKeyEndsSilently) {
    FakeHostWriteFile("Z12.txt", "old");
    FakeHostAddLine(77, "AB-1", "x", 1);
    g_host.MakeKeyResult = 0;

    EXPECT_EQ(1, Write());
    EXPECT_EQ(std::vector<std::string>({"HostTable", "HostTablePrepare", "HostMakeKey"}),
              FakeHostCallNames());
    EXPECT_FALSE(FakeHostFileExists("Z12.txt"));
}

TEST_F(WriteExportFileTest, ScanNotStartedStillEndsTheScan) {
    FakeHostAddLine(77, "AB-1", "x", 1);
    g_host.ScanBeginResult = 0;

    EXPECT_EQ(0, Write());
    EXPECT_EQ(0u, FakeHostCountOf("HostScanNext"));
    EXPECT_EQ(1u, FakeHostCountOf("HostScanEnd"));
    EXPECT_FALSE(FakeHostFileExists("Z12.txt"));
}

// Only an answer of exactly 1 delivers a row; any other ends the scan.
TEST_F(WriteExportFileTest, ScanEndsOnAnyAnswerButOne) {
    for (int32_t answer : {0, 2, -1, 0x10001}) {
        FakeHostReset();
        FakeHostAddLine(77, "AB-1", "x", 1);
        FakeHostAddLine(77, "CD-2", "y", 2);
        g_host.ScanNextStopAfter = 1;
        g_host.ScanNextStopResult = answer;

        EXPECT_EQ(0, Write());
        EXPECT_EQ("AB-1;x;0.001\r\n", FakeHostReadFile("Z12.txt")) << "answer " << answer;
        EXPECT_EQ(2u, FakeHostCountOf("HostScanNext")) << "answer " << answer;
        EXPECT_EQ(1u, FakeHostCountOf("HostScanEnd")) << "answer " << answer;
    }
}

}  // namespace
