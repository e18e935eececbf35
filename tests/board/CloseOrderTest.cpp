// Open and close of boards on a running host: every detail line in order,
// the window mapped while open, the close's wait for the mail thread, and
// unloading with boards still open.
#include <chrono>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/os/DeviceHandle.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/window/MailThd.h"
#include "tests/support/HostedLibrary.h"

namespace boardtest {
namespace {

class OpenClose : public HostedLibrary {
protected:
    // The open's lines for `board` on its device, with the handle it got.
    std::vector<std::string> openLines(int board, const std::string& device) {
        auto ctrl = ravlib::boardTable().find(board);
        const std::string name = "RavlibBrd" + std::to_string(board);
        const std::string handle = ctrl ? std::to_string(ctrl->openHandle()) : "?";
        handles_[board] = handle;
        return joined(
            std::vector<std::string>{"**   Ravlib(" + std::to_string(board) + ") RV_open"}, semaphoreLines(board),
            std::vector<std::string>{detail(name + " open: OK: <Device=\\\\.\\" + device + ", Handle=" + handle + ">")},
            threadAndEventLines(board),
            std::vector<std::string>{detail(name + " mky40map: OK: "),
                                     "##    Ravlib(" + std::to_string(board) + ") RV_open: OK"});
    }
    std::vector<std::string> closeLines(int board, const std::string& device, unsigned error) {
        const std::string name = "RavlibBrd" + std::to_string(board);
        return joined(std::vector<std::string>{"**   Ravlib(" + std::to_string(board) + ") RV_close",
                                               detail(name + " close: OK: <Device=\\\\.\\" + device + ", Handle=" +
                                                      handles_[board] + ", CE=" + std::to_string(error) + ">")},
                      eventThreadSemaphoreCloseLines(board),
                      std::vector<std::string>{"##    Ravlib(" + std::to_string(board) + ") RV_close: OK"});
    }
    std::string handles_[4];
};

TEST_F(OpenClose, TwoBoardsOpenAndCloseWithEveryDetailLineInOrder) {
    start({"--board", "0", "--board", "1"});
    // A failed search leaves its error (2) behind; the next open clears it, so CE shows 0.
    ASSERT_EQ(RV_open(3), MKY43_ER_OPENDEVICE);
    newLines();
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    std::vector<std::string> expected = openLines(0, "Ravkern0");
    ASSERT_EQ(RV_open(1), MKY43_ER_OK);
    expected = joined(expected, openLines(1, "Ravkern1"));
    ASSERT_EQ(RV_close(1), MKY43_ER_OK);
    expected = joined(expected, closeLines(1, "Ravkern1", 0));
    ASSERT_EQ(RV_close(0), MKY43_ER_OK);
    expected = joined(expected, closeLines(0, "Ravkern0", 0));
    EXPECT_EQ(newLines(), expected);
}

TEST_F(OpenClose, AnOpenBoardHoldsItsWindowThreadAndObjectsAndCloseReleasesThem) {
    start({"--board", "0"});
    const int threads = threadCount();
    const int sockets = socketCount();
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    auto ctrl = ravlib::boardTable().find(0);
    ASSERT_TRUE(ctrl);
    ASSERT_NE(ctrl->gmBase(), nullptr);
    EXPECT_EQ(chipViews(host_.dir()), 1);
    EXPECT_EQ(threadCount(), threads + 1);
    EXPECT_EQ(socketCount(), sockets + 1);
    // The mail thread works on the same window and events.
    ASSERT_NE(ctrl->mailThread(0), nullptr);
    EXPECT_EQ(ctrl->mailThread(0)->gmBase(), ctrl->gmBase());
    EXPECT_EQ(ctrl->mailThread(0)->events(), ctrl->mailEvents(0));
    EXPECT_EQ(ctrl->mailThread(0)->running(), 1);
    EXPECT_FALSE(objectGone("RavlibBrd00_GmSemR"));
    EXPECT_FALSE(objectGone("MailClose_00_MailEve"));
    // GM is plain memory through the view: block 1 written is block 1 read.
    volatile uint16_t* gm = reinterpret_cast<volatile uint16_t*>(ctrl->gmBase());
    gm[4] = 0x1234;
    EXPECT_EQ(gm[4], 0x1234);
    ctrl.reset();

    ASSERT_EQ(RV_close(0), MKY43_ER_OK);
    EXPECT_EQ(chipViews(host_.dir()), 0);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(socketCount(), sockets);
    EXPECT_TRUE(objectGone("RavlibBrd00_StaSem"));
    EXPECT_TRUE(objectGone("RavlibBrd00_GmSemR"));
    EXPECT_TRUE(objectGone("RavlibBrd00_GmSemW"));
    EXPECT_TRUE(objectGone("MailRecv1_00_MailEve"));
    EXPECT_TRUE(objectGone("MailClose_00_MailEve"));
}

TEST_F(OpenClose, CloseWaitsAtLeastFiftyMillisecondsForARunningMailThread) {
    start({"--board", "0"});
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(RV_open(0), MKY43_ER_OK);
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_EQ(RV_close(0), MKY43_ER_OK);
        EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(50));
    }
}

TEST_F(OpenClose, CloseWakesAWaiterOfThisProcessWithTheCloseEvent) {
    start({"--board", "0"});
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    std::shared_ptr<ravlib::EvntCtrl> events = ravlib::boardTable().find(0)->mailEvents(0);
    ASSERT_TRUE(events);
    uint32_t woke = 0xdead;
    std::thread waiter([&] { woke = events->wait(20000); });
    ASSERT_EQ(RV_close(0), MKY43_ER_OK);
    waiter.join();
    EXPECT_EQ(woke, 3u);
    // The waiter's set stays whole until it lets go; then the events vanish.
    EXPECT_TRUE(events->isOpen(0));
    events.reset();
    EXPECT_TRUE(objectGone("MailClose_00_MailEve"));
}

TEST_F(OpenClose, UnloadingAsTheLastProcessFinishesThenClosesWithoutWaiting) {
    start({"--board", "0", "--board", "1"});
    ASSERT_EQ(RV_open(1), MKY43_ER_OK);
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    const std::string handle0 = std::to_string(ravlib::boardTable().find(0)->openHandle());
    const std::string handle1 = std::to_string(ravlib::boardTable().find(1)->openHandle());
    newLines();
    const int threads = threadCount();
    detach();
    const std::string ce = std::to_string(ravlib::os::deviceLastError());
    std::vector<std::string> expected;
    for (int board : {0, 1}) {
        const std::string b = std::to_string(board);
        expected.push_back(detail("RavlibBrd" + b + " RavelDisConnect: OK: "));
        expected.push_back(detail("RavlibBrd" + b + " Finish: OK: "));
        expected.push_back(detail("RavlibBrd" + b + " close: OK: <Device=\\\\.\\Ravkern" + b +
                                  ", Handle=" + (board ? handle1 : handle0) + ", CE=" + ce + ">"));
        expected = joined(expected, eventThreadSemaphoreCloseLines(board));
    }
    expected.push_back("**   ------------------- Ravlib.dll Service Stop -------------------");
    EXPECT_EQ(newLines(), expected);
    EXPECT_EQ(threadCount(), threads - 2);
    EXPECT_EQ(chipViews(host_.dir()), 0);
}

}  // namespace
}  // namespace boardtest
