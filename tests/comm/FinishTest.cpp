// Unloading the library in the last process that has it loaded, with a
// started board: the own GM area is zeroed and the board disconnected
// before it is closed, and the log says so in that order.
#include <gtest/gtest.h>

#include <algorithm>

#include "chip/Mky43.h"
#include "driver/RavkernIoctl.h"
#include "lib/Ravlib.h"
#include "lib/exports/LibraryLoad.h"
#include "tests/support/HostProcess.h"
#include "tests/support/LogLines.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/Sandbox.h"

namespace commtest {
namespace {

using namespace ravlib;

long indexOf(const std::vector<std::string>& lines, const std::string& line) {
    const auto at = std::find(lines.begin(), lines.end(), line);
    return at == lines.end() ? -1 : at - lines.begin();
}

TEST(Finish, TheLastProcessZeroesItsAreaAndDisconnects) {
    ravtest::Sandbox box;
    box.write("RavlibLog.ini", ravtest::kLogAll);
    ravtest::HostProcess host;
    host.spawn({"--board", "0"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    {
        boardtest::PeerProcess peer;
        ASSERT_TRUE(peer.ready());
        ASSERT_EQ(peer.ask("open"), "0");
        ASSERT_EQ(peer.ask("start 2 2"), "0");
        ASSERT_EQ(peer.ask("fill 2 2 4660"), "0");
        ASSERT_EQ(peer.exit(), 0);
    }
    const std::vector<std::string> lines = ravtest::logLines(box.cwd() + "/RavlibLog_0000.log");
    const long disconnect = indexOf(lines, "##    RavlibBrd0 RavelDisConnect: OK: ");
    const long finish = indexOf(lines, "##    RavlibBrd0 Finish: OK: ");
    const long stopLine = indexOf(lines, "**   ------------------- Ravlib.dll Service Stop -------------------");
    ASSERT_GE(disconnect, 0);
    EXPECT_EQ(finish, disconnect + 1);
    EXPECT_GT(stopLine, finish);

    ASSERT_TRUE(processAttach());
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    int16_t own[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(RV_GetMemShort(0, 0, own, 2, 0, 8), MKY43_ER_OK);
    for (int16_t w : own)
        EXPECT_EQ(w, 0);
    uint16_t scr = 0;
    ASSERT_EQ(RV_GetReg16(0, 0, mky43::SCR, &scr), MKY43_ER_OK);
    EXPECT_EQ(scr & 0x0200, 0) << "the chip no longer runs";
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
    processDetach();
}

TEST(Finish, NotTheLastProcessLeavesTheBoardRunning) {
    ravtest::Sandbox box;
    box.write("RavlibLog.ini", ravtest::kLogAll);
    ravtest::HostProcess host;
    host.spawn({"--board", "0"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    ASSERT_TRUE(processAttach());
    {
        boardtest::PeerProcess peer;
        ASSERT_TRUE(peer.ready());
        ASSERT_EQ(peer.ask("open"), "0");
        ASSERT_EQ(peer.ask("start 2 2"), "0");
        ASSERT_EQ(peer.ask("fill 2 2 4660"), "0");
        ASSERT_EQ(peer.exit(), 0);
    }
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    int16_t own[8] = {};
    ASSERT_EQ(RV_GetMemShort(0, 0, own, 2, 0, 8), MKY43_ER_OK);
    for (int16_t w : own)
        EXPECT_EQ(w, 4660);
    uint16_t scr = 0;
    ASSERT_EQ(RV_GetReg16(0, 0, mky43::SCR, &scr), MKY43_ER_OK);
    EXPECT_NE(scr & 0x0200, 0) << "the chip still runs";
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
    processDetach();
}

}  // namespace
}  // namespace commtest
