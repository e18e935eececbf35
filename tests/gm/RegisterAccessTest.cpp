// Register access: word order, ascending accesses, odd offsets and the
// refusal of an access that would leave the chip window.
#include <gtest/gtest.h>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/window/RegisterAccess.h"
#include "sim/RegisterAccess.h"
#include "tests/support/ChipTrace.h"

namespace gmtest {
namespace {

using namespace ravlib;

using Registers = SimWindow;

TEST_F(Registers, Read32AtBcrGivesBcrLowAndInt0crHigh) {
    ravsim::write16(window_, mky43::BCR, 0x0203);
    ravsim::write16(window_, mky43::INT0CR, 0xBEEF);
    ChipTrace trace(window_);
    uint64_t value = 0;
    ASSERT_EQ(RegisterAccess(window_).read(mky43::BCR, 4, &value), MKY43_ER_OK);
    EXPECT_EQ(value, 0xBEEF0203u);
    EXPECT_EQ(trace.take(), (std::vector<Access>{R(mky43::BCR, 0x0203), R(mky43::INT0CR, 0xBEEF)}));
}

TEST_F(Registers, Write64GoesOutLowestWordFirst) {
    ChipTrace trace(window_);
    ASSERT_EQ(RegisterAccess(window_).write(0x10, 8, 0xDDDDCCCCBBBBAAAAull), MKY43_ER_OK);
    EXPECT_EQ(trace.take(), (std::vector<Access>{W(0x10, 0xAAAA), W(0x12, 0xBBBB), W(0x14, 0xCCCC), W(0x16, 0xDDDD)}));
}

TEST_F(Registers, OddOffsetIsUsedUnchanged) {
    RegisterAccess regs(window_);
    ASSERT_EQ(regs.write(0x101, 2, 0x1234), MKY43_ER_OK);
    EXPECT_EQ(window_[0x101], 0x34);
    EXPECT_EQ(window_[0x102], 0x12);
    uint64_t value = 0;
    ASSERT_EQ(regs.read(0x101, 4, &value), MKY43_ER_OK);
    EXPECT_EQ(value & 0xFFFF, 0x1234u);
}

TEST_F(Registers, WritingRhcr0ThroughTheRegistersLoadsTheReadBuffer) {
    RegisterAccess regs(window_);
    ASSERT_EQ(regs.write(8 * 9, 8, 0x4444333322221111ull), MKY43_ER_OK);
    ASSERT_EQ(regs.write(mky43::RHCR0, 2, 9), MKY43_ER_OK);
    uint64_t value = 0;
    ASSERT_EQ(regs.read(mky43::RHPB0, 8, &value), MKY43_ER_OK);
    EXPECT_EQ(value, 0x4444333322221111ull);
}

struct Edge {
    uint16_t offset;
    int width;
    int32_t result;
};

class RegisterEdge : public SimWindow, public ::testing::WithParamInterface<Edge> {};

TEST_P(RegisterEdge, AccessMustStayInsideTheWindow) {
    const Edge& c = GetParam();
    RegisterAccess regs(window_);
    ChipTrace trace(window_);
    uint64_t value = 0x5A5A;
    EXPECT_EQ(regs.read(c.offset, c.width, &value), c.result);
    EXPECT_EQ(regs.write(c.offset, c.width, 0xFFFFFFFFFFFFFFFFull), c.result);
    const size_t accesses = trace.take().size();
    if (c.result == MKY43_ER_OK) {
        EXPECT_EQ(accesses, static_cast<size_t>(c.width));  // width/2 reads and as many writes
    } else {
        EXPECT_EQ(accesses, 0u);
        EXPECT_EQ(value, 0x5A5Au);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RegisterEdge,
                         ::testing::Values(Edge{0xFFE, 2, 0}, Edge{0xFFF, 2, 3}, Edge{0xFFC, 4, 0}, Edge{0xFFD, 4, 3},
                                           Edge{0xFF8, 8, 0}, Edge{0xFF9, 8, 3}, Edge{0x1000, 2, 3}, Edge{0xFFFF, 8, 3},
                                           Edge{0, 8, 0}));

TEST(RegistersNoWindow, Answer16BeforeTheRangeCheck) {
    RegisterAccess regs(nullptr);
    uint64_t value = 3;
    EXPECT_EQ(regs.read(0, 2, &value), MKY43_ER_UNCONNECT);
    EXPECT_EQ(regs.read(0xFFFF, 8, &value), MKY43_ER_UNCONNECT);
    EXPECT_EQ(regs.write(0x10, 8, 1), MKY43_ER_UNCONNECT);
    EXPECT_EQ(value, 3u);
}

}  // namespace
}  // namespace gmtest
