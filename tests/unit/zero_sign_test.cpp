// Zero without a sign: the double-to-digits replacement, and the walk of a
// format over an i686 argument block that the formatter's wrapper uses.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <vector>

#include "zero_sign.h"

namespace {

double g_seen;
int32_t RecordingStep(double value, int32_t precision, void*, char*, uint32_t size) {
    g_seen = value;
    return precision * 1000 + (int32_t)size;
}

TEST(ZeroSignFix, OnlyAnExactZeroLosesItsSign) {
    ZeroSignFixPrior = RecordingStep;
    const double values[] = {-0.0, 0.0, -0.0004, 1e-300, -INFINITY, NAN};
    for (double value : values) {
        EXPECT_EQ(3007, ZeroSignFix(value, 3, nullptr, nullptr, 7)) << "result passed back";
        if (value == 0.0) {
            EXPECT_EQ(0.0, g_seen);
            EXPECT_FALSE(signbit(g_seen)) << value;
        } else if (isnan(value)) {
            EXPECT_TRUE(isnan(g_seen));
        } else {
            EXPECT_EQ(value, g_seen);
        }
    }
}

// An i686 argument block: 32-bit slots, doubles in 8 bytes, long doubles in 12.
struct Block {
    std::vector<uint8_t> Bytes;
    Block& Int(int32_t v) { return Put(&v, 4); }
    Block& Double(double v) { return Put(&v, 8); }
    Block& LongDouble(long double v) {
        uint8_t slot[12] = {};
        memcpy(slot, &v, 10);
        return Put(slot, 12);
    }
    Block& Put(const void* p, size_t n) {
        Bytes.insert(Bytes.end(), (const uint8_t*)p, (const uint8_t*)p + n);
        return *this;
    }
    double DoubleAt(size_t offset) const {
        double v;
        memcpy(&v, &Bytes[offset], 8);
        return v;
    }
};

TEST(ClearZeroSigns, RewritesZeroArgumentsOfEfgConversionsOnly) {
    struct Case {
        const char* Format;
        Block Arguments;
        int32_t Used;
        std::vector<size_t> Cleared;   // offsets of doubles that must become +0
        std::vector<size_t> Kept;      // offsets of doubles that keep their sign
    };
    const Case cases[] = {
        {"%s;%s;%.3f", Block().Int(1).Int(2).Double(-0.0), 16, {8}, {}},
        {"%e %E %g %G %f %F", Block().Double(-0.0).Double(-0.0).Double(-0.0).Double(-0.0)
                                  .Double(-0.0).Double(-0.0), 48, {0, 8, 16, 24, 32, 40}, {}},
        {"%a %A", Block().Double(-0.0).Double(-0.0), 16, {}, {0, 8}},
        {"%.3f", Block().Double(-0.0004), 8, {}, {0}},
        {"%lld %f", Block().Int(0).Int(0).Double(-0.0), 16, {8}, {}},
        {"%*.*f %%", Block().Int(5).Int(2).Double(-0.0), 16, {8}, {}},
        {"%-+ #08.3f", Block().Double(-0.0), 8, {0}, {}},
        {"%I64d %I32d %hd %c %p %f", Block().Int(0).Int(0).Int(0).Int(0).Int(0).Int(0)
                                         .Double(-0.0), 32, {24}, {}},
        {"no conversions", Block(), 0, {}, {}},
        {"%1$f", Block().Double(-0.0), -1, {}, {0}},
        {"%y", Block().Int(0), -1, {}, {}},
        {"%", Block(), -1, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Format);
        Block block = c.Arguments;
        EXPECT_EQ(c.Used, ClearZeroSigns(c.Format, nullptr, 512, 0)) << "measure";
        EXPECT_EQ(c.Used, ClearZeroSigns(c.Format, block.Bytes.data(),
                                         (int32_t)block.Bytes.size(), 1));
        for (size_t offset : c.Cleared) EXPECT_FALSE(signbit(block.DoubleAt(offset))) << offset;
        for (size_t offset : c.Kept) EXPECT_TRUE(signbit(block.DoubleAt(offset))) << offset;
    }
}

TEST(ClearZeroSigns, LongDoubleZeroAndShortBlocks) {
    Block block = Block().LongDouble(-0.0L).Int(7);
    EXPECT_EQ(16, ClearZeroSigns("%Lg %d", block.Bytes.data(), 16, 1));
    long double value = 0;
    memcpy(&value, block.Bytes.data(), 10);
    EXPECT_FALSE(signbit(value));
    EXPECT_EQ(-1, ClearZeroSigns("%f %f", nullptr, 12, 0)) << "more than the block holds";
}

}  // namespace
