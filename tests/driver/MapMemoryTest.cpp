#include "tests/driver/BoardRig.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ravkern::fake {
namespace {

MapRequest reply(const ControlResult& result) {
    MapRequest request{};
    if (result.output.size() == sizeof request)
        std::memcpy(&request, result.output.data(), sizeof request);
    return request;
}

class MapTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.start()); }
    void TearDown() override { EXPECT_TRUE(rig.kernel.violations().empty()); }

    uint64_t mapWindow(KFile* on = nullptr) {
        const ControlResult result = rig.map(kMapCommandMap, mky43::kWindowSize, 0, on);
        EXPECT_EQ(result.status, STATUS_SUCCESS);
        EXPECT_EQ(result.bytes, sizeof(MapRequest));
        const MapRequest r = reply(result);
        EXPECT_EQ(r.command, kMapCommandMap);
        EXPECT_EQ(r.length, mky43::kWindowSize);
        EXPECT_NE(r.userAddress, 0u);
        return r.userAddress;
    }

    BoardRig rig;
};

TEST_F(MapTest, MapAndUnmapOneView) {
    const uint64_t address = mapWindow();
    EXPECT_EQ(rig.kernel.liveViews(), 1u);
    const ControlResult result = rig.map(kMapCommandUnmap, 0, address);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.bytes, sizeof(MapRequest));
    EXPECT_EQ(reply(result).userAddress, address);
    EXPECT_EQ(rig.kernel.liveViews(), 0u);
    mapWindow();
    EXPECT_EQ(rig.kernel.liveViews(), 1u);
    rig.kernel.closeFile(rig.file);
}

TEST_F(MapTest, UnmapWithoutAViewSucceedsAndChangesNothing) {
    const ControlResult result = rig.map(kMapCommandUnmap, 0, 0x1234);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.bytes, sizeof(MapRequest));
    EXPECT_EQ(reply(result).userAddress, 0x1234u);
    EXPECT_EQ(rig.kernel.liveViews(), 0u);
}

TEST_F(MapTest, OneViewPerFileObject) {
    const uint64_t first = mapWindow();
    const ControlResult second = rig.map(kMapCommandMap, mky43::kWindowSize, 0);
    EXPECT_EQ(second.status, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(second.bytes, 0u);
    EXPECT_EQ(rig.kernel.liveViews(), 1u);

    KFile* other = rig.kernel.openFile(rig.device);
    const uint64_t otherAddress = mapWindow(other);
    EXPECT_NE(otherAddress, first);
    EXPECT_EQ(rig.kernel.liveViews(), 2u);

    // Each file unmaps only its own view.
    EXPECT_EQ(rig.map(kMapCommandUnmap, 0, otherAddress).status, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(rig.map(kMapCommandUnmap, 0, first, other).status, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(rig.kernel.liveViews(), 2u);
    EXPECT_EQ(rig.map(kMapCommandUnmap, 0, otherAddress, other).status, STATUS_SUCCESS);
    EXPECT_EQ(rig.map(kMapCommandUnmap, 0, first).status, STATUS_SUCCESS);
    EXPECT_EQ(rig.kernel.liveViews(), 0u);
}

struct LengthCase {
    uint32_t length;
    NTSTATUS status;
};

class MapLengthTest : public MapTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(MapLengthTest, LengthMustLieWithinRegionA) {
    const ControlResult result = rig.map(kMapCommandMap, GetParam().length, 0);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(rig.kernel.liveViews(), GetParam().status == STATUS_SUCCESS ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, MapLengthTest,
                         ::testing::Values(LengthCase{0, STATUS_INVALID_PARAMETER}, LengthCase{1, STATUS_SUCCESS},
                                           LengthCase{0x1000, STATUS_SUCCESS},
                                           LengthCase{0x1001, STATUS_INVALID_PARAMETER},
                                           LengthCase{0xFFFFFFFF, STATUS_INVALID_PARAMETER}));

TEST_F(MapTest, AnyCommandOtherThanUnmapMaps) {
    const ControlResult result = rig.map(5, 0x800, 0);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_NE(reply(result).userAddress, 0u);
    EXPECT_EQ(rig.kernel.liveViews(), 1u);
}

TEST_F(MapTest, AFailedViewIsReportedAndNotRecorded) {
    rig.kernel.fail.viewCreate = STATUS_INSUFFICIENT_RESOURCES;
    const ControlResult result = rig.map(kMapCommandMap, mky43::kWindowSize, 0);
    EXPECT_EQ(result.status, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(result.bytes, 0u);
    rig.kernel.fail.viewCreate = STATUS_SUCCESS;
    mapWindow();
    EXPECT_EQ(rig.kernel.liveViews(), 1u);
}

TEST_F(MapTest, ClosingAFileRemovesItsView) {
    KFile* other = rig.kernel.openFile(rig.device);
    mapWindow(other);
    mapWindow();
    rig.kernel.closeFile(other);
    EXPECT_EQ(rig.kernel.liveViews(), 1u);
    rig.kernel.closeFile(rig.file);
    EXPECT_EQ(rig.kernel.liveViews(), 0u);
}

}  // namespace
}  // namespace ravkern::fake
