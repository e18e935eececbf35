// Mail open is one process's at a time: a second process is refused until
// the first closes mail or dies.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/mail/MailHosted.h"
#include "tests/support/PeerProcess.h"

namespace mailtest {
namespace {

const std::vector<std::string> kOneBoard = {"--board", "0"};
const char* const kOpenRefused = "@@   Ravlib(0) RV_MailOpen: Line(0): NG: Ret(12h)";
const char* const kMutexRefused = "##    RavlibBrd0: CreateMutex: Mail Open Mutex: Line(0): NG: Name(RavlibBrd00_Mutx)";

using MailProcesses = HostedMail;

bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(MailProcesses, TheSecondProcessIsRefusedUntilTheFirstCloses) {
    openMail(kOneBoard, {1});
    boardtest::PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open 0"), "0");
    EXPECT_EQ(peer.ask("mailopen 0"), "18");
    // The peer holds the second log slot.
    const std::vector<std::string> refused = ravtest::logLines(box_.cwd() + "/RavlibLog_0100.log");
    EXPECT_TRUE(has(refused, kMutexRefused));
    EXPECT_TRUE(has(refused, kOpenRefused));

    ASSERT_EQ(RV_MailClose(0, 0), MKY43_ER_OK);
    EXPECT_EQ(peer.ask("mailopen 0"), "0");
    EXPECT_EQ(RV_MailOpen(0, 0), MKY43_ER_ALREADYMAILOPEN);
    EXPECT_TRUE(has(newLines(), kMutexRefused));
    EXPECT_EQ(peer.ask("mailclose 0"), "0");
    EXPECT_EQ(RV_MailOpen(0, 0), MKY43_ER_OK);
}

TEST_F(MailProcesses, AProcessKilledWithMailOpenLeavesItFree) {
    openOn(kOneBoard);
    boardtest::PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open 0"), "0");
    ASSERT_EQ(peer.ask("mailopen 0"), "0");
    EXPECT_EQ(RV_MailOpen(0, 0), MKY43_ER_ALREADYMAILOPEN);
    peer.kill();
    EXPECT_EQ(RV_MailOpen(0, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_MailClose(0, 0), MKY43_ER_OK);
}

}  // namespace
}  // namespace mailtest
