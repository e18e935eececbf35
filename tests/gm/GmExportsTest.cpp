// The GM and register exports end to end: the library in this process, the
// chip window mapped by a ravkernd child, every access traced.
#include <gtest/gtest.h>

#include <cstring>

#include "chip/Mky43.h"
#include "sim/RegisterAccess.h"
#include "tests/support/ChipTrace.h"
#include "tests/support/HostedBoard.h"

namespace gmtest {
namespace {

using namespace ravlib;
using mky43::RHCR0;
using mky43::RHPB0;
using mky43::WHCR0;
using mky43::WHPB0;

class GmExports : public HostedBoard {
protected:
    void SetUp() override {
        HostedBoard::SetUp();
        openOn({"--board", "0"});
        ASSERT_NE(window(), nullptr);
        // A stopped chip takes nothing from the bus: GM holds what is stored.
        for (std::size_t w = 0; w < 256; ++w)
            ravsim::write16(window(), 2 * w, static_cast<std::uint16_t>(0xA000 + w));
        newLines();
    }
    std::uint16_t gm(std::size_t wordNo) const { return ravsim::read16(window(), 2 * wordNo); }
};

TEST_F(GmExports, SetMemShortInsideABlockIsOneReadModifyWriteOfIt) {
    ChipTrace trace(window());
    const int16_t data[] = {0x1111, 0x2222};
    ASSERT_EQ(RV_SetMemShort(0, 0, data, 3, 1, 2), MKY43_ER_OK);
    EXPECT_EQ(trace.take(),
              (std::vector<Access>{W(RHCR0, 3), R(RHPB0, 0xA00C), R(RHPB0 + 2, 0xA00D), R(RHPB0 + 4, 0xA00E),
                                   R(RHPB0 + 6, 0xA00F), W(WHPB0, 0xA00C), W(WHPB0 + 2, 0x1111), W(WHPB0 + 4, 0x2222),
                                   W(WHPB0 + 6, 0xA00F), W(WHCR0, 3)}));
    EXPECT_EQ(gm(12), 0xA00C);
    EXPECT_EQ(gm(13), 0x1111);
    EXPECT_EQ(gm(14), 0x2222);
    EXPECT_EQ(gm(15), 0xA00F);
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) RV_SetMemShort: Line(0)-OffsetAdr(26)-ShortSize(2): OK");
}

// What each export computes from station, index and count, and the blocks
// its access touches first.
struct Forming {
    const char* exportName;
    int width;
    bool write;
    int32_t station, index, count;
    const char* shown;  // the log line's position and size
    std::size_t firstBlock;
};

class ExportForming : public GmExports, public ::testing::WithParamInterface<Forming> {};

TEST_P(ExportForming, PositionAndLine) {
    const Forming& c = GetParam();
    int32_t buffer[64] = {};
    ChipTrace trace(window());
    int32_t result = -99;
    if (c.write) {
        if (c.width == 2)
            result = RV_SetMemShort(0, 0, reinterpret_cast<int16_t*>(buffer), c.station, c.index, c.count);
        else if (c.width == 4)
            result = RV_SetMemLong(0, 0, buffer, c.station, c.index, c.count);
        else
            result = RV_SetMemDLong(0, 0, buffer, c.station, c.index, c.count);
    } else {
        if (c.width == 2)
            result = RV_GetMemShort(0, 0, reinterpret_cast<int16_t*>(buffer), c.station, c.index, c.count);
        else if (c.width == 4)
            result = RV_GetMemLong(0, 0, buffer, c.station, c.index, c.count);
        else
            result = RV_GetMemDLong(0, 0, buffer, c.station, c.index, c.count);
    }
    ASSERT_EQ(result, MKY43_ER_OK);
    const std::vector<Access> seen = trace.take();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), W(c.write ? RHCR0 : mky43::RHCR1, static_cast<std::uint16_t>(c.firstBlock)));
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) " + c.exportName + ": Line(0)" + c.shown + ": OK");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportForming,
    ::testing::Values(Forming{"RV_SetMemShort", 2, true, 0, 3, 6, "-OffsetAdr(6)-ShortSize(6)", 0},
                      Forming{"RV_SetMemLong", 4, true, 5, 0, 4, "-OffsetAdr(40)-LongSize(4)", 5},
                      Forming{"RV_SetMemDLong", 8, true, 10, 0, 1, "-OffsetAdr(80)-DLongSize(1)", 10},
                      Forming{"RV_SetMemShort", 2, true, 1, -1, 1, "-OffsetAdr(6)-ShortSize(1)", 0},
                      Forming{"RV_SetMemShort", 2, true, 0x10003, 0x20000, 0x10001, "-OffsetAdr(24)-ShortSize(1)", 3},
                      Forming{"RV_GetMemLong", 4, false, 1, 1, 1, "-OffsetAdr(3)-LongSize(1)", 1},
                      Forming{"RV_GetMemShort", 2, false, -1, 5, 1, "-OffsetAdr(1)-ShortSize(1)", 0},
                      Forming{"RV_GetMemDLong", 8, false, 62, 1, 1, "-OffsetAdr(63)-DLongSize(1)", 63},
                      Forming{"RV_GetMemShort", 2, false, 63, 3, 1, "-OffsetAdr(255)-ShortSize(1)", 63}));

TEST_F(GmExports, GetMemLongAssemblesLowWordFirst) {
    int32_t value = 0;
    ASSERT_EQ(RV_GetMemLong(0, 0, &value, 1, 1, 1), MKY43_ER_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(value), 0xA006u + 65536u * 0xA007u);
}

TEST_F(GmExports, AReadPastGmIsRefusedWithItsNgLineAndReadsNothing) {
    struct Case {
        int width;
        int32_t station, index, count;
    } cases[] = {{2, 63, 3, 2}, {4, 63, 2, 1}, {8, 63, 1, 1}, {2, 0, 0, 257}, {2, 100, 0, 1}, {8, 0, 0, 0xFFFF}};
    for (const Case& c : cases) {
        std::vector<int32_t> buffer(2 * 0x10000, 0x5A5A5A5A);
        ChipTrace trace(window());
        const int32_t result =
            c.width == 2 ? RV_GetMemShort(0, 0, reinterpret_cast<int16_t*>(buffer.data()), c.station, c.index, c.count)
            : c.width == 4 ? RV_GetMemLong(0, 0, buffer.data(), c.station, c.index, c.count)
                           : RV_GetMemDLong(0, 0, buffer.data(), c.station, c.index, c.count);
        EXPECT_EQ(result, MKY43_ER_INVALIDPARAM);
        EXPECT_TRUE(trace.take().empty());
        EXPECT_EQ(buffer[0], 0x5A5A5A5A);
        const std::string name = c.width == 2 ? "RV_GetMemShort" : c.width == 4 ? "RV_GetMemLong" : "RV_GetMemDLong";
        EXPECT_EQ(lastLine(), std::string(NG) + "Ravlib(0) " + name + ": Line(0): NG: Ret(3h)");
    }
}

TEST_F(GmExports, GetUsesTheLowSixBitsOfTheStation) {
    std::uint16_t block[4] = {};
    ASSERT_EQ(RV_Get(0, 0, 65, block), MKY43_ER_OK);
    EXPECT_EQ(block[0], 0xA004);
    EXPECT_EQ(block[3], 0xA007);
    ASSERT_EQ(RV_Get(0, 0, -1, block), MKY43_ER_OK);
    EXPECT_EQ(block[0], 0xA0FC);
    EXPECT_EQ(block[3], 0xA0FF);
}

TEST_F(GmExports, MapAllocAttachAndPointersThatOutliveFreeAndUnMap) {
    void* p = nullptr;
    ASSERT_EQ(RV_Map(0, 0, "12", &p), MKY43_ER_OK);
    EXPECT_EQ(static_cast<std::uint8_t*>(p), window() + 96);
    void* untouched = &p;
    EXPECT_EQ(RV_Map(0, 0, "x1", &untouched), MKY43_ER_OTHER);
    EXPECT_EQ(untouched, &p);
    EXPECT_EQ(lastLine(), std::string(NG) + "Ravlib(0) RV_Map: Line(0): NG: Ret(ffffffffh)");
    void* gm = nullptr;
    void* block = nullptr;
    ASSERT_EQ(RV_Attach(0, 0, &gm), MKY43_ER_OK);
    ASSERT_EQ(RV_Alloc(0, 0, 7, &block), MKY43_ER_OK);
    EXPECT_EQ(gm, window());
    EXPECT_EQ(static_cast<std::uint8_t*>(block), window() + 56);
    EXPECT_EQ(RV_Alloc(0, 0, 64, &block), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_Free(0, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_UnMap(0, 0), MKY43_ER_OK);
    EXPECT_EQ(static_cast<volatile std::uint16_t*>(p)[0], 0xA030);
    EXPECT_EQ(static_cast<volatile std::uint16_t*>(block)[1], 0xA01D);
}

TEST_F(GmExports, CkReadsTheCycleCounter) {
    ASSERT_EQ(RV_SetReg16(0, 0, mky43::CCTR, 0x8123), MKY43_ER_OK);
    std::uint16_t code = 0;
    ASSERT_EQ(RV_Ck(0, 0, &code), MKY43_ER_OK);
    EXPECT_EQ(code, 0x8123);
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) RV_Ck: Line(0)-CHKC(0xffff8123): OK");
}

TEST_F(GmExports, PutWritesTheDriversOwnStationDirectly) {
    ASSERT_EQ(RV_start(0, 0, 5, 1, 0), MKY43_ER_OK);
    const int32_t block[2] = {0x22221111, 0x44443333};
    ChipTrace trace(window());
    ASSERT_EQ(RV_Put(0, 0, block), MKY43_ER_OK);
    EXPECT_TRUE(trace.take().empty()) << "neither hazard register nor 16-bit access";
    EXPECT_EQ(gm(20), 0x1111);
    EXPECT_EQ(gm(23), 0x4444);
}

TEST_F(GmExports, PutWithoutTheDriversAnswerWritesNothing) {
    ASSERT_EQ(host_.stop(SIGKILL), 128 + SIGKILL);
    std::uint8_t before[512];
    std::memcpy(before, window(), sizeof before);
    const int32_t block[2] = {0x22221111, 0x44443333};
    EXPECT_EQ(RV_Put(0, 0, block), MKY43_ER_OTHER);
    EXPECT_EQ(std::memcmp(before, window(), sizeof before), 0);
}

TEST_F(GmExports, RegisterWordOrder) {
    ASSERT_EQ(RV_SetReg16(0, 0, mky43::BCR, 0x0203), MKY43_ER_OK);
    ASSERT_EQ(RV_SetReg16(0, 0, mky43::INT0CR, 0xBEEF), MKY43_ER_OK);
    int32_t value = 0;
    ASSERT_EQ(RV_GetReg32(0, 0, mky43::BCR, &value), MKY43_ER_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(value), 0xBEEF0203u);
    ASSERT_EQ(RV_GetReg32(0, 0, 0x10356, &value), MKY43_ER_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(value), 0xBEEF0203u);
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) RV_GetReg32: Line(0)-OffsetAdr(0x356)-Reg(0xbeef0203): OK");

    ChipTrace trace(window());
    ASSERT_EQ(RV_SetReg64(0, 0, 0x10, static_cast<int32_t>(0xBBBBAAAA), static_cast<int32_t>(0xDDDDCCCC)), MKY43_ER_OK);
    EXPECT_EQ(trace.take(), (std::vector<Access>{W(0x10, 0xAAAA), W(0x12, 0xBBBB), W(0x14, 0xCCCC), W(0x16, 0xDDDD)}));
    int32_t lowHigh[2] = {};
    ASSERT_EQ(RV_GetReg64(0, 0, 0x10, lowHigh), MKY43_ER_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(lowHigh[0]), 0xBBBBAAAAu);
    EXPECT_EQ(static_cast<std::uint32_t>(lowHigh[1]), 0xDDDDCCCCu);

    ASSERT_EQ(RV_SetReg32(0, 0, 0x101, 0x12345678), MKY43_ER_OK);
    std::uint16_t half = 0;
    ASSERT_EQ(RV_GetReg16(0, 0, 0x103, &half), MKY43_ER_OK);
    EXPECT_EQ(half, 0x1234);
}

TEST_F(GmExports, RegisterAccessLeavingTheWindowIsRefusedAndTouchesNothing) {
    ChipTrace trace(window());
    std::uint16_t v16 = 7;
    int32_t v32 = 7;
    int32_t v64[2] = {7, 7};
    EXPECT_EQ(RV_GetReg16(0, 0, 0xFFF, &v16), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_GetReg32(0, 0, 0xFFE, &v32), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_GetReg64(0, 0, 0xFF9, v64), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_SetReg16(0, 0, 0x1000, 1), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_SetReg32(0, 0, 0xFFFF, 1), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_SetReg64(0, 0, 0xFFA, 1, 1), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(lastLine(), std::string(NG) + "Ravlib(0) RV_SetReg64: Line(0): NG: Ret(3h)");
    EXPECT_TRUE(trace.take().empty());
    EXPECT_EQ(v16, 7);
    EXPECT_EQ(v32, 7);
    EXPECT_EQ(v64[0], 7);
    EXPECT_EQ(RV_GetReg64(0, 0, 0xFF8, v64), MKY43_ER_OK);
}

TEST_F(GmExports, HardResetKeepsTheWindowAndResetsTheRegisters) {
    ASSERT_EQ(RV_SetReg16(0, 0, mky43::BCR, 0x0203), MKY43_ER_OK);
    std::uint8_t* before = window();
    ASSERT_EQ(RV_HardReset(0, 0), MKY43_ER_OK);
    EXPECT_EQ(window(), before);
    std::uint16_t bcr = 1;
    ASSERT_EQ(RV_GetReg16(0, 0, mky43::BCR, &bcr), MKY43_ER_OK);
    EXPECT_EQ(bcr, 0);
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) RV_GetReg16: Line(0)-OffsetAdr(0x356)-Reg(0x0): OK");
}

TEST_F(GmExports, WritesRunningPastGmChangeNothingInTheWindow) {
    std::uint8_t before[mky43::kWindowSize];
    std::memcpy(before, window(), sizeof before);
    const int16_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(RV_SetMemShort(0, 0, data, 63, 1, 4), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_SetMemShort(0, 0, data, 200, 0, 4), MKY43_ER_INVALIDPARAM);
    for (std::size_t at = 0; at < mky43::kWindowSize; ++at) {
        if ((at >= RHCR0 && at < RHCR0 + 2) || (at >= WHCR0 && at < WHCR0 + 2) || (at >= WHPB0 && at < WHPB0 + 8))
            continue;
        ASSERT_EQ(window()[at], before[at]) << "byte " << at;
    }
}

}  // namespace
}  // namespace gmtest
