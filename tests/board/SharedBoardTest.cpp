// Two processes with the same board open share its semaphores and events;
// a close in one wakes the other's wait; unloading leaves the network alone
// while another process has the library loaded.
#include <thread>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/files/LogFile.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/SemCtrl.h"
#include "tests/support/HostedLibrary.h"
#include "tests/support/PeerProcess.h"

namespace boardtest {
namespace {

using namespace ravlib;

class SharedBoard : public HostedLibrary {
protected:
    void SetUp() override {
        HostedLibrary::SetUp();
        start({"--board", "0"});
    }
};

TEST_F(SharedBoard, BothProcessesOpenTheBoardAndWaitOnTheSameSemaphore) {
    PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open 0"), "0");
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    auto ctrl = boardTable().find(0);
    ASSERT_TRUE(ctrl);

    ASSERT_EQ(ctrl->gmReadSem(0)->wait(os::kInfinite), os::kWaitObject0);
    peer.send("take 0");
    EXPECT_EQ(peer.readLine(300), "<timeout>");
    ASSERT_EQ(ctrl->gmReadSem(0)->release(), 1);
    EXPECT_EQ(peer.readLine(), "taken");
    // Now the peer holds it.
    EXPECT_EQ(ctrl->gmReadSem(0)->wait(200), os::kWaitTimeout);
    EXPECT_EQ(peer.ask("give 0"), "given");
    EXPECT_EQ(ctrl->gmReadSem(0)->wait(5000), os::kWaitObject0);
    EXPECT_EQ(ctrl->gmReadSem(0)->release(), 1);
    // The other two semaphores are separate objects: taking one leaves them free.
    EXPECT_EQ(ctrl->gmWriteSem(0)->wait(0), os::kWaitObject0);
    EXPECT_EQ(ctrl->gmWriteSem(0)->release(), 1);

    EXPECT_EQ(peer.ask("close 0"), "0");
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
    EXPECT_EQ(peer.exit(), 0);
}

TEST_F(SharedBoard, AnEventSetInOneProcessWakesTheOtherAndCloseWakesItWithTheCloseEvent) {
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open 0"), "0");
    std::shared_ptr<EvntCtrl> events = boardTable().find(0)->mailEvents(0);
    ASSERT_TRUE(events);

    uint32_t woke[2] = {0xdead, 0xdead};
    std::thread waiter([&] {
        woke[0] = events->wait(20000);
        woke[1] = events->wait(20000);
    });
    // Whenever the waiter gets there, the lowest signalled event comes first.
    EXPECT_EQ(peer.ask("set 0 1"), "set");
    EXPECT_EQ(peer.ask("close 0"), "0");
    waiter.join();
    EXPECT_EQ(woke[0], 1u);
    EXPECT_EQ(woke[1], 3u);
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
}

TEST_F(SharedBoard, UnloadingWithAnotherProcessLoadedDoesNotFinish) {
    PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    EXPECT_EQ(theLog().processCount(), 2);
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    const std::string handle = std::to_string(boardTable().find(0)->openHandle());
    newLines();
    detach();
    const std::string ce = std::to_string(os::deviceLastError());
    EXPECT_EQ(newLines(),
              joined(std::vector<std::string>{detail("RavlibBrd0 close: OK: <Device=\\\\.\\Ravkern0, Handle=" + handle +
                                                     ", CE=" + ce + ">")},
                     eventThreadSemaphoreCloseLines(0),
                     std::vector<std::string>{"**   ------------------- Ravlib.dll Service Stop -------------------"}));
    EXPECT_EQ(peer.ask("count"), "1");
    EXPECT_EQ(peer.exit(), 0);
}

}  // namespace
}  // namespace boardtest
