// Hot patching on code bytes in memory (not executed natively; the Wine
// scenarios run patched code for real): what is written, where the prior
// entry points, and that every protection change is undone.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "fake_platform.h"
#include "runtime_patch.h"

namespace {

// Targets and replacements lie in one static block, as code of one module
// does, so every displacement fits in 32 bits.
struct CodeBlock {
    uint8_t Target[3][16];
    uint8_t Replacement[16];
    uint8_t Destination[16];
};
CodeBlock g_code;

const uint8_t kPrologue[] = {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10};

int32_t Displacement(const void* jumpAt, const void* to) {
    return (int32_t)((intptr_t)to - ((intptr_t)jumpAt + 5));
}

int32_t ReadDisplacement(const uint8_t* jumpAt) {
    int32_t value;
    memcpy(&value, jumpAt + 1, 4);
    return value;
}

class HotPatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakePlatformReset();
        memset(&g_code, 0xCC, sizeof g_code);
        memset(TrampolineArea, 0, sizeof(Trampoline) * TRAMPOLINE_SLOTS);
    }
    void WritePrologue(uint8_t* target) { memcpy(target, kPrologue, sizeof kPrologue); }
    // Every protection change is followed, for the same memory, by one that
    // puts the previous protection back.
    void ExpectProtectionRestored() {
        std::vector<std::pair<void*, uint32_t>> open;
        for (const FakeProtectCall& call : g_platform.Protects) {
            auto it = std::find_if(open.begin(), open.end(),
                                   [&](auto& o) { return o.first == call.Address; });
            if (it == open.end())
                open.push_back({call.Address, call.Protection});
            else {
                EXPECT_EQ((uint32_t)FAKE_INITIAL_PROTECTION, call.Protection)
                    << "restored to the previous protection";
                open.erase(it);
            }
        }
        EXPECT_TRUE(open.empty()) << open.size() << " protection change(s) never undone";
    }
};

TEST_F(HotPatchTest, RelativeJumpTargetGetsANewDisplacementOnly) {
    uint8_t* target = g_code.Target[0];
    target[0] = 0xE9;
    int32_t old = Displacement(target, g_code.Destination);
    memcpy(target + 1, &old, 4);
    uint8_t before[16];
    memcpy(before, target, 16);
    void* prior = nullptr;

    EXPECT_NE(0, HotPatch(target, &prior, g_code.Replacement));
    EXPECT_EQ((void*)g_code.Destination, prior) << "prior entry is the old destination";
    EXPECT_EQ(0xE9, target[0]);
    EXPECT_EQ(Displacement(target, g_code.Replacement), ReadDisplacement(target));
    EXPECT_EQ(0, memcmp(before + 5, target + 5, 11)) << "only the displacement changes";
    EXPECT_EQ(0, TrampolineArea[0].InUse) << "no trampoline for a jump";
    ASSERT_FALSE(g_platform.Protects.empty());
    EXPECT_EQ((uint32_t)PROTECTION_EXECUTE_READWRITE, g_platform.Protects[0].Protection);
    EXPECT_EQ(1u, g_platform.Flushes.size());
    ExpectProtectionRestored();
}

TEST_F(HotPatchTest, PrologueTargetsUseTheTwoTrampolinesInOrder) {
    for (int i = 0; i < 3; ++i) WritePrologue(g_code.Target[i]);
    void* prior[3] = {g_code.Target[0], g_code.Target[1], g_code.Target[2]};

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("target " + std::to_string(i));
        EXPECT_NE(0, HotPatch(g_code.Target[i], &prior[i], g_code.Replacement));
        Trampoline& slot = TrampolineArea[i];
        EXPECT_EQ((void*)&slot, prior[i]);
        EXPECT_EQ(-1, slot.InUse);
        EXPECT_EQ(0, memcmp(slot.Prologue, kPrologue, 5)) << "the prologue runs again";
        EXPECT_EQ(0xE9, slot.Resume.Opcode);
        EXPECT_EQ(Displacement(&slot.Resume, g_code.Target[i] + 5), slot.Resume.Displacement)
            << "then the target continues after its prologue";
        EXPECT_EQ(0xE9, g_code.Target[i][0]);
        EXPECT_EQ(Displacement(g_code.Target[i], g_code.Replacement),
                  ReadDisplacement(g_code.Target[i]));
        EXPECT_EQ(0, memcmp(g_code.Target[i] + 5, kPrologue + 5, 3)) << "nothing else changes";
    }
    ExpectProtectionRestored();

    // Both slots taken: a third target is left exactly as it was.
    g_platform.Protects.clear();
    EXPECT_EQ(0, HotPatch(g_code.Target[2], &prior[2], g_code.Replacement));
    EXPECT_EQ(0, memcmp(g_code.Target[2], kPrologue, sizeof kPrologue));
    EXPECT_EQ((void*)g_code.Target[2], prior[2]);
    // The target's protection is put back; the area keeps its new one.
    auto& protects = g_platform.Protects;
    protects.erase(std::remove_if(protects.begin(), protects.end(),
                                  [](const FakeProtectCall& p) {
                                      return p.Address == (void*)TrampolineArea;
                                  }),
                   protects.end());
    ExpectProtectionRestored();
}

TEST_F(HotPatchTest, OtherCodeIsNotPatched) {
    const std::vector<uint8_t> shapes[] = {
        {0x55, 0x8B, 0xEC, 0x83, 0xEC},  // prologue without the two-byte filler
        {0x8B, 0xFF, 0x55, 0x8B, 0xEB},
        {0xEB, 0x05, 0x90, 0x90, 0x90},  // short jump
        {0xCC, 0xCC, 0xCC, 0xCC, 0xCC},
    };
    for (const auto& shape : shapes) {
        uint8_t* target = g_code.Target[0];
        memcpy(target, shape.data(), shape.size());
        void* prior = target;
        EXPECT_EQ(0, HotPatch(target, &prior, g_code.Replacement));
        EXPECT_EQ(0, memcmp(target, shape.data(), shape.size()));
        EXPECT_EQ((void*)target, prior);
    }
    EXPECT_TRUE(g_platform.Protects.empty());
    EXPECT_EQ(0, TrampolineArea[0].InUse);
}

TEST_F(HotPatchTest, FailedProtectionChangesNothing) {
    struct FailCase {
        const char* What;
        bool Jump;
        bool AreaFails;  // else the target fails
    };
    const FailCase cases[] = {
        {"jump target", true, false},
        {"prologue target", false, false},
        {"trampoline area", false, true},
    };
    for (const FailCase& c : cases) {
        SetUp();
        SCOPED_TRACE(c.What);
        uint8_t* target = g_code.Target[0];
        if (c.Jump) {
            target[0] = 0xE9;
            int32_t old = Displacement(target, g_code.Destination);
            memcpy(target + 1, &old, 4);
        } else {
            WritePrologue(target);
        }
        uint8_t before[16];
        memcpy(before, target, 16);
        g_platform.ProtectFailsAt = {c.AreaFails ? (void*)TrampolineArea : (void*)target};
        void* prior = target;

        EXPECT_EQ(0, HotPatch(target, &prior, g_code.Replacement));
        EXPECT_EQ(0, memcmp(before, target, 16));
        EXPECT_EQ((void*)target, prior);
        EXPECT_EQ(0, TrampolineArea[0].InUse) << "no slot claimed";
        EXPECT_EQ(0, TrampolineArea[0].Prologue[0]) << "the area is not written";
        g_platform.Protects.erase(
            std::remove_if(g_platform.Protects.begin(), g_platform.Protects.end(),
                           [&](const FakeProtectCall& p) {
                               return p.Address == g_platform.ProtectFailsAt[0];
                           }),
            g_platform.Protects.end());
        ExpectProtectionRestored();
    }
}

TEST(ClaimTrampoline, ClaimsEachSlotOnceAndNeverReleases) {
    memset(TrampolineArea, 0, sizeof(Trampoline) * TRAMPOLINE_SLOTS);
    TrampolineArea[0].InUse = -1;  // already claimed
    EXPECT_EQ(&TrampolineArea[1], ClaimTrampoline());
    EXPECT_EQ(nullptr, ClaimTrampoline());
    EXPECT_EQ(-1, TrampolineArea[1].InUse);
}

}  // namespace
