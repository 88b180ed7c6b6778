// Texts of the export command: decoding stored settings texts and turning an
// order number into a safe file name.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export.h"
#include "host_records.h"

namespace {

// "@" followed by the wanted bytes, each combined with the scrambling key.
std::string Scramble(const std::string& wanted) {
    std::string stored = "@";
    for (char c : wanted) stored += (char)(c ^ SETTINGS_SCRAMBLE_KEY);
    return stored;
}

TEST(UnscrambleText, DecodesOnlyTextsMarkedWithAt) {
    const struct {
        std::string Stored;
        std::string Expected;
    } cases[] = {
        {Scramble("tajne123"), "tajne123"},
        {Scramble("has\x92o"), "has\x92o"},       // Mazovia byte
        {"@", ""},
        {"", ""},
        {"jawne", "jawne"},
        {"x@y", "x@y"},                          // '@' not at the start
        {Scramble("@"), "@"},                    // decodes once only
    };
    for (const auto& c : cases) {
        char text[64];
        memset(text, '#', sizeof text);
        memcpy(text, c.Stored.c_str(), c.Stored.size() + 1);
        UnscrambleText(text);
        EXPECT_EQ(c.Expected, std::string(text)) << "stored \"" << c.Stored << "\"";
    }
}

// A stored byte equal to the key decodes to 0 and ends the decoded text, but
// decoding runs on to the stored terminator.
TEST(UnscrambleText, ZeroByteEndsTheTextButDecodingRunsOn) {
    char text[8] = {'@', (char)('A' ^ SETTINGS_SCRAMBLE_KEY), (char)SETTINGS_SCRAMBLE_KEY,
                    (char)('B' ^ SETTINGS_SCRAMBLE_KEY), 0, '#', '#', '#'};
    UnscrambleText(text);
    const char expected[8] = {'A', 0, 'B', 0, 0, '#', '#', '#'};
    EXPECT_EQ(0, memcmp(expected, text, sizeof text))
        << "got " << ::testing::PrintToString(std::vector<int>(text, text + 8));
}

struct NameCase {
    std::string Number;
    std::string Expected;  // empty: does not fit
};

std::string MakeName(const std::string& number, size_t field = 875) {
    std::vector<char> stored(field, 0);
    memcpy(stored.data(), number.data(), number.size() < field ? number.size() : field);
    char name[TEXT_BUFFER_SIZE];
    memset(name, 'X', sizeof name);
    int32_t result = MakeExportFileName(stored.data(), field, name);
    EXPECT_EQ(result == 0, name[0] != 0) << "result and name disagree for " << number;
    return result == 0 ? std::string(name) : std::string();
}

TEST(MakeExportFileName, ReplacesBytesAFileNameCannotHold) {
    const NameCase cases[] = {
        {"Z12", "Z12.txt"},
        {"ZAM/1/2016", "ZAM_1_2016.txt"},
        {"..\\..\\Windows\\x", ".._.._Windows_x.txt"},
        {"C:x", "C_x.txt"},
        {"a*b?c\"d<e>f|g", "a_b_c_d_e_f_g.txt"},
        {"tab\there\x1f\x01", "tab_here__.txt"},
        {"Zam\xA2wienie \x98" "ciana 7", "Zam\xA2wienie \x98" "ciana 7.txt"},  // Mazovia bytes kept
        {"a.b;c,d+e=f[g]h 'i'", "a.b;c,d+e=f[g]h 'i'.txt"},
        {"..", "...txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Expected, MakeName(c.Number)) << "order " << c.Number;
}

TEST(MakeExportFileName, PrefixesReservedDeviceNames) {
    const NameCase cases[] = {
        {"CON", "_CON.txt"},     {"con", "_con.txt"},     {"PrN", "_PrN.txt"},
        {"AUX", "_AUX.txt"},     {"nul", "_nul.txt"},     {"COM1", "_COM1.txt"},
        {"com9", "_com9.txt"},   {"LPT1", "_LPT1.txt"},   {"lPt9", "_lPt9.txt"},
        {"CON.x", "_CON.x.txt"}, {"NUL ", "_NUL .txt"},   {"AUX  .1", "_AUX  .1.txt"},
        {"CONIN$", "_CONIN$.txt"}, {"conout$ .2024", "_conout$ .2024.txt"},
        // Not device names.
        {"CONIN", "CONIN.txt"},  {"CONOUT$X", "CONOUT$X.txt"},
        {"COM0", "COM0.txt"},    {"COM10", "COM10.txt"},  {"LPT", "LPT.txt"},
        {"CONSOLE", "CONSOLE.txt"}, {"XCON", "XCON.txt"}, {" CON", " CON.txt"},
        {"CO", "CO.txt"},        {"x.CON", "x.CON.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Expected, MakeName(c.Number)) << "order " << c.Number;
}

// A name is never cut: two orders must not share one file.
TEST(MakeExportFileName, RefusesNamesThatDoNotFit) {
    EXPECT_EQ(std::string(251, 'A') + ".txt", MakeName(std::string(251, 'A')));
    EXPECT_EQ("", MakeName(std::string(252, 'A')));
    EXPECT_EQ("", MakeName(std::string(874, 'A')));
    // The device prefix counts too.
    EXPECT_EQ("_CON." + std::string(246, 'A') + ".txt", MakeName("CON." + std::string(246, 'A')));
    EXPECT_EQ("", MakeName("CON." + std::string(247, 'A')));
}

// The number is read within its field: one that fills the field has no
// terminator, and nothing after the field is read (the field is the end of
// its allocation here).
TEST(MakeExportFileName, UnterminatedNumberDoesNotFit) {
    EXPECT_EQ("", MakeName(std::string(875, 'A'), 875));
    EXPECT_EQ("", MakeName(std::string(10, 'A'), 10));
    EXPECT_EQ("AAAAAAAAA.txt", MakeName(std::string(9, 'A'), 10));
}

}  // namespace
