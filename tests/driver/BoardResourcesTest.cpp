#include "tests/driver/BoardRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace ravkern::fake {
namespace {

using Texts = std::vector<std::string>;

constexpr const char* kMissing0 = "OrloPnpSetupDeviceResources: Missing memory resource 0\n";
constexpr const char* kMissing1 = "OrloPnpSetupDeviceResources: Missing memory resource 1\n";
constexpr const char* kNoPtes = "MapIoAddress MmMapIoSpace failed (possibly out of PTEs)\n";

class PrepareTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rig.kernel.loadDriver(), STATUS_SUCCESS);
        rig.device = rig.kernel.addDevice();
        ASSERT_NE(rig.device, nullptr);
    }

    BoardRig rig;
};

struct PrepareFailure {
    const char* name;
    void (*arrange)(KResourceList&, Failures&);
    Texts texts;
};

class PrepareFailureTest : public PrepareTest, public ::testing::WithParamInterface<PrepareFailure> {};

TEST_P(PrepareFailureTest, FailsWithItsTextsAndLeavesTheBoardUntouched) {
    GetParam().arrange(rig.resources, rig.kernel.fail);
    EXPECT_EQ(rig.kernel.prepare(rig.device, rig.resources), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(rig.kernel.debugTexts(), GetParam().texts);
    EXPECT_TRUE(rig.kernel.registerWrites().empty());
    EXPECT_TRUE(rig.kernel.sleeps().empty());
    EXPECT_EQ(rig.kernel.liveMappings(), 0u);
    EXPECT_EQ(rig.kernel.release(rig.device), STATUS_SUCCESS);
    EXPECT_TRUE(rig.kernel.violations().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrepareFailureTest,
    ::testing::Values(
        PrepareFailure{"OneMemoryRange", [](KResourceList& l, Failures&) { l.descriptors.resize(1); }, {kMissing0}},
        PrepareFailure{"TwoMemoryRanges", [](KResourceList& l, Failures&) { l.descriptors.resize(2); }, {kMissing1}},
        PrepareFailure{"OnlyOtherTypes",
                       [](KResourceList& l, Failures&) {
                           for (auto& d : l.descriptors)
                               d.type = CmResourceTypePort;
                       },
                       {kMissing0}},
        PrepareFailure{"NoDescriptorForAnIndex",
                       [](KResourceList& l, Failures&) { l.missing.insert(1); },
                       {"WdfResourceCmGetDescriptor \n", kMissing0}},
        PrepareFailure{"NoDescriptorForRegionB",
                       [](KResourceList& l, Failures&) { l.missing.insert(2); },
                       {"WdfResourceCmGetDescriptor \n", kMissing1}},
        PrepareFailure{
            "RegionAUnmappable",
            [](KResourceList&, Failures& f) { f.unmappable.insert(kRegionABase); },
            {kNoPtes, "OrloPnpSetupDeviceResources: MapIoAddress Failed (memory region 2), status(0xC000009A)\n"}},
        PrepareFailure{
            "RegionBUnmappable",
            [](KResourceList&, Failures& f) { f.unmappable.insert(kRegionBBase); },
            {kNoPtes, "OrloPnpSetupDeviceResources: MapIoAddress Failed (memory region 3), status(0xC000009A)\n"}},
        PrepareFailure{"RegionATooSmall",
                       [](KResourceList& l, Failures&) { l.descriptors[1].length = 0xFFF; },
                       {"OrloPnpSetupDeviceResources: memory resource 0 too small\n"}},
        PrepareFailure{"RegionBTooSmall",
                       [](KResourceList& l, Failures&) { l.descriptors[2].length = 7; },
                       {"OrloPnpSetupDeviceResources: memory resource 1 too small\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrepareTest, OtherDescriptorTypesDoNotCountAsMemory) {
    auto& d = rig.resources.descriptors;
    d.insert(d.begin() + 2, ResourceDescriptor{CmResourceTypeInterrupt, 0, 11, 0});
    d.insert(d.begin() + 1, ResourceDescriptor{CmResourceTypePort, 1, 0xE800, 0x80});
    d.insert(d.begin(), ResourceDescriptor{CmResourceTypeDma, 0, 0, 0});
    rig.fillChip(0x5A5A);
    rig.kernel.poke16(kUnusedRangeBase, 0x5A5A);

    ASSERT_EQ(rig.kernel.prepare(rig.device, rig.resources), STATUS_SUCCESS);
    EXPECT_EQ(rig.chip(0), 0);
    EXPECT_EQ(rig.kernel.peek16(kUnusedRangeBase), 0x5A5A);
    EXPECT_EQ(rig.kernel.liveMappings(), 2u);
}

TEST_F(PrepareTest, ResetsTheChipAndClearsItsMemoryButNotItsRegisters) {
    rig.fillChip(0xA5A5);
    rig.setBoardRegister(mky43::kBoardResetRegister, 0x0101);
    rig.setBoardRegister(mky43::kBoardSwitchRegister, 0x0300);

    ASSERT_EQ(rig.kernel.prepare(rig.device, rig.resources), STATUS_SUCCESS);

    for (uint32_t offset = 0; offset < mky43::kMailReceiveBuffersEnd; offset += 2) {
        const bool isRegister = offset >= mky43::kRegisters && offset < mky43::kRegistersEnd;
        ASSERT_EQ(rig.chip(offset), isRegister ? 0xA5A5 : 0) << "offset " << offset;
    }
    std::vector<uint32_t> resetValues;
    for (const RegisterWrite& w : rig.kernel.registerWrites()) {
        if (w.physical == kRegionBBase + mky43::kBoardResetRegister)
            resetValues.push_back(w.value);
        EXPECT_NE(w.physical, kRegionBBase + mky43::kBoardSwitchRegister);
    }
    EXPECT_EQ(resetValues, (std::vector<uint32_t>{0x0103, 0x0101}));
    EXPECT_EQ(rig.kernel.sleeps(), (std::vector<int64_t>{-10000, -100000}));
    EXPECT_EQ(rig.kernel.registerWrites().front().physical, kRegionBBase + mky43::kBoardResetRegister);
    EXPECT_FALSE(rig.kernel.timerArmed(rig.device));
    EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
    EXPECT_TRUE(rig.kernel.debugLines().empty());
}

TEST_F(PrepareTest, ReleaseUnmapsBothRegionsAndAPrepareAfterItStartsAfresh) {
    ASSERT_EQ(rig.kernel.prepare(rig.device, rig.resources), STATUS_SUCCESS);
    rig.file = rig.kernel.openFile(rig.device);
    rig.connect(IOCTL_BOARD_CONNECT, "3", 2);
    rig.tick(20);
    ASSERT_EQ(rig.connectState().status, 1004);

    EXPECT_EQ(rig.kernel.release(rig.device), STATUS_SUCCESS);
    EXPECT_EQ(rig.kernel.liveMappings(), 0u);
    EXPECT_EQ(rig.kernel.release(rig.device), STATUS_SUCCESS);

    rig.fillChip(0x1111);
    ASSERT_EQ(rig.kernel.prepare(rig.device, rig.resources), STATUS_SUCCESS);
    EXPECT_EQ(rig.chip(0x100), 0);
    EXPECT_EQ(rig.connectState().status, 0);
    EXPECT_EQ(rig.connectState().sa, 3);
    EXPECT_EQ(rig.kernel.liveMappings(), 2u);
    EXPECT_TRUE(rig.kernel.violations().empty());
}

TEST(ReleaseTest, NoTickFiresAfterReleaseDuringASequence) {
    for (int ticksBefore : {0, 1, 5, 9, 14, 30}) {
        BoardRig rig;
        ASSERT_TRUE(rig.start());
        rig.connect(IOCTL_BOARD_CONNECT, "1", 1);
        rig.tick(ticksBefore);
        ASSERT_EQ(rig.kernel.release(rig.device), STATUS_SUCCESS);
        const int runs = rig.kernel.routineRuns(rig.device);
        EXPECT_FALSE(rig.kernel.timerArmed(rig.device));
        EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
        rig.tick(50);
        EXPECT_EQ(rig.kernel.routineRuns(rig.device), runs) << "after " << ticksBefore << " ticks";
        EXPECT_TRUE(rig.kernel.violations().empty());
    }
}

// The tick routine runs on its own thread while the board is released.
TEST(ReleaseTest, ReleaseWhileTheRoutineRunsOnAnotherThread) {
    for (int round = 0; round < 20; ++round) {
        BoardRig rig;
        ASSERT_TRUE(rig.start());
        rig.connect(IOCTL_BOARD_CONNECT, "1", 1);
        std::atomic<bool> stop{false};
        std::thread clock([&] {
            while (!stop.load())
                rig.kernel.advance(kTick);
        });
        std::this_thread::sleep_for(std::chrono::microseconds(100 * round));
        EXPECT_EQ(rig.kernel.release(rig.device), STATUS_SUCCESS);
        const int runs = rig.kernel.routineRuns(rig.device);
        for (int i = 0; i < 50; ++i)
            std::this_thread::yield();
        stop.store(true);
        clock.join();
        rig.tick(20);
        EXPECT_EQ(rig.kernel.routineRuns(rig.device), runs);
        EXPECT_FALSE(rig.kernel.timerArmed(rig.device));
        EXPECT_TRUE(rig.kernel.violations().empty()) << rig.kernel.violations().front();
    }
}

}  // namespace
}  // namespace ravkern::fake
