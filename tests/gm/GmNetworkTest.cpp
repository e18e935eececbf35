// GM over the simulated bus: two boards see each other's blocks and member
// flags, the demo network's counter station advances, and a board whose
// window did not map answers 16 everywhere but the hard reset.
#include <gtest/gtest.h>

#include <cstring>

#include "chip/Mky43.h"
#include "lib/board/BoardTable.h"
#include "tests/support/FakeDevice.h"
#include "tests/support/HostedBoard.h"

namespace gmtest {
namespace {

using namespace ravlib;

uint64_t memberFlags(int board) {
    int32_t lowHigh[2] = {};
    if (RV_GetReg64(board, 0, mky43::MFR, lowHigh) != MKY43_ER_OK)
        return 0;
    return static_cast<uint64_t>(static_cast<uint32_t>(lowHigh[1])) << 32 | static_cast<uint32_t>(lowHigh[0]);
}

bool blockIs(int board, int station, const int16_t (&want)[4]) {
    int16_t got[4] = {};
    return RV_GetMemShort(board, 0, got, station, 0, 4) == MKY43_ER_OK && std::memcmp(got, want, sizeof got) == 0;
}

using GmNetwork = HostedBoard;

TEST_F(GmNetwork, TwoBoardsSeeEachOthersBlocksAndMemberBits) {
    openOn({"--board", "0", "--board", "1"}, 2);
    ASSERT_EQ(RV_start(0, 0, 1, 2, 0), MKY43_ER_OK);
    ASSERT_EQ(RV_start(1, 0, 5, 1, 0), MKY43_ER_OK);
    const int16_t mine[8] = {0x0101, 0x0102, 0x0103, 0x0104, 0x0201, 0x0202, 0x0203, 0x0204};
    const int16_t theirs[4] = {0x0501, 0x0502, 0x0503, 0x0504};
    ASSERT_EQ(RV_SetMemShort(0, 0, mine, 1, 0, 8), MKY43_ER_OK);
    ASSERT_EQ(RV_SetMemShort(1, 0, theirs, 5, 0, 4), MKY43_ER_OK);

    const uint64_t members = 1ull << 1 | 1ull << 2 | 1ull << 5;
    EXPECT_TRUE(eventually([] { return memberFlags(0) == (1ull << 1 | 1ull << 2 | 1ull << 5); }))
        << std::hex << memberFlags(0);
    EXPECT_TRUE(eventually([&] { return memberFlags(1) == members; })) << std::hex << memberFlags(1);
    EXPECT_TRUE(eventually([&] { return blockIs(0, 5, theirs); }));
    const int16_t second[4] = {0x0201, 0x0202, 0x0203, 0x0204};
    EXPECT_TRUE(eventually([&] { return blockIs(1, 2, second); }));

    RV_stop(1, 0);
    EXPECT_TRUE(eventually([] { return memberFlags(0) == (1ull << 1 | 1ull << 2); })) << std::hex << memberFlags(0);
    RV_stop(0, 0);
}

TEST_F(GmNetwork, DemoNetworkCounterAdvancesAndMembersShow) {
    openOn({"--board", "0", "--station", "10:2:counter", "--station", "20:1:echo"});
    ASSERT_EQ(RV_start(0, 0, 1, 2, 0), MKY43_ER_OK);
    const int16_t mine[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(RV_SetMemShort(0, 0, mine, 1, 0, 8), MKY43_ER_OK);
    int16_t back[8] = {};
    ASSERT_EQ(RV_GetMemShort(0, 0, back, 1, 0, 8), MKY43_ER_OK);
    EXPECT_EQ(std::memcmp(back, mine, sizeof mine), 0);
    const uint64_t members = 1ull << 1 | 1ull << 2 | 1ull << 10 | 1ull << 11 | 1ull << 20;
    EXPECT_TRUE(eventually([&] { return memberFlags(0) == members; })) << std::hex << memberFlags(0);
    int16_t first[8] = {}, later[8] = {};
    ASSERT_EQ(RV_GetMemShort(0, 0, first, 10, 0, 8), MKY43_ER_OK);
    EXPECT_TRUE(eventually([&] {
        return RV_GetMemShort(0, 0, later, 10, 0, 8) == MKY43_ER_OK && std::memcmp(first, later, sizeof first) != 0;
    }));
    EXPECT_EQ(RV_stop(0, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
    // The lines of the session in the order the calls made them.
    const std::vector<std::string> want = {
        std::string(kDetail) + "RavlibBrd0 RavelConnect: Adr(1)-Size(2): OK: ",
        std::string(kTrace) + "Ravlib(0) RV_start: Line(0): OK",
        std::string(kTrace) + "Ravlib(0) RV_SetMemShort: Line(0)-OffsetAdr(8)-ShortSize(8): OK",
        std::string(kTrace) + "Ravlib(0) RV_GetMemShort: Line(0)-OffsetAdr(4)-ShortSize(8): OK",
        std::string(kTrace) + "Ravlib(0) RV_GetMemShort: Line(0)-OffsetAdr(40)-ShortSize(8): OK",
        std::string(kDetail) + "RavlibBrd0 RavelDisConnect: OK: ",
        std::string(kTrace) + "Ravlib(0) RV_stop: Line(0): OK",
        std::string(kTrace) + "Ravlib(0) RV_close",
        std::string(kDetail) + "Ravlib(0) RV_close: OK"};
    const std::vector<std::string> lines = newLines();
    size_t found = 0;
    for (const std::string& line : lines)
        if (found < want.size() && line == want[found])
            ++found;
    EXPECT_EQ(found, want.size()) << "missing or out of order: " << (found < want.size() ? want[found] : "");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("NG"), std::string::npos) << line;
}

TEST_F(GmNetwork, EveryWindowOperationAnswers16WithoutAWindowButHardResetWorks) {
    start({});
    boardtest::FakeDevice device(host_.dir(), 0, 0);
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    ASSERT_EQ(window(), nullptr);
    int32_t buffer[16] = {};
    int16_t* shorts = reinterpret_cast<int16_t*>(buffer);
    void* p = nullptr;
    std::uint16_t u16 = 0;
    const int32_t results[] = {RV_GetMemShort(0, 0, shorts, 0, 0, 1),
                               RV_GetMemLong(0, 0, buffer, 0, 0, 1),
                               RV_GetMemDLong(0, 0, buffer, 0, 0, 1),
                               RV_SetMemShort(0, 0, shorts, 0, 0, 1),
                               RV_SetMemLong(0, 0, buffer, 0, 0, 1),
                               RV_SetMemDLong(0, 0, buffer, 0, 0, 1),
                               RV_Put(0, 0, buffer),
                               RV_Get(0, 0, 0, buffer),
                               RV_Ck(0, 0, &u16),
                               RV_Alloc(0, 0, 0, &p),
                               RV_Attach(0, 0, &p),
                               RV_Map(0, 0, "1", &p),
                               RV_GetReg16(0, 0, 0, &u16),
                               RV_GetReg32(0, 0, 0, buffer),
                               RV_GetReg64(0, 0, 0, buffer),
                               RV_SetReg16(0, 0, 0, 1),
                               RV_SetReg32(0, 0, 0, 1),
                               RV_SetReg64(0, 0, 0, 1, 1),
                               RV_reset(0, 0, 0x1234),
                               RV_GetMemShort(0, 0, shorts, 100, 0, 1),
                               RV_GetReg16(0, 0, 0xFFFF, &u16)};
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i)
        EXPECT_EQ(results[i], MKY43_ER_UNCONNECT) << "call " << i;
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(RV_Free(0, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_HardReset(0, 0), MKY43_ER_OK);
    const std::vector<std::string> events = device.events();
    EXPECT_EQ(events.back(), "control 99022000 in 0 out 0");
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
}

}  // namespace
}  // namespace gmtest
