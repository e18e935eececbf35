// Mail between boards of one host: what a receive copies, two mails that
// land between two polls, and waits ended by a board close.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "chip/Mky43.h"
#include "lib/os/ChipAccess.h"
#include "tests/mail/MailHosted.h"
#include "tests/support/PeerProcess.h"

namespace mailtest {
namespace {

using namespace ravlib;

const std::vector<std::string> kThreeBoards = {"--board", "0", "--board", "1", "--board", "2"};

using MailNetwork = HostedMail;

struct ReceiveCase {
    int32_t length;  // the caller's buffer length
    size_t wordsCopied;
};

TEST_F(MailNetwork, AReceiveCopiesTheSmallerLengthAndLeavesTheRestAlone) {
    openMail(kThreeBoards, {1, 5});
    const ReceiveCase cases[] = {{256, 12}, {10, 5}, {7, 3}, {24, 12}};
    for (const ReceiveCase& c : cases) {
        const Mail sent = numbered(c.length);
        ASSERT_EQ(RV_MailSend(0, 0, 5, sent.data(), 24), MKY43_ER_OK);
        ASSERT_EQ(waitForMail(1), MKY43_ER_MAILRECEIVE) << c.length;
        Mail got;
        got.fill(0x5A5A);
        int32_t source = -1;
        ASSERT_EQ(RV_MailReceive(1, 0, got.data(), c.length, &source), MKY43_ER_OK) << c.length;
        EXPECT_EQ(source, 1) << c.length;
        for (size_t w = 0; w < got.size(); ++w)
            EXPECT_EQ(got[w], w < c.wordsCopied ? sent[w] : 0x5A5A) << "length " << c.length << ", word " << w;
        char line[80];
        std::snprintf(line, sizeof line, "**   Ravlib(1) RV_MailReceive: Line(0)-Leng(%d): OK", c.length);
        EXPECT_EQ(lastLine(), line);
        // The sender learns that its mail went out.
        int16_t status = 0;
        EXPECT_EQ(guardedWait(0, &status), MKY43_ER_MAILSENDRESULT);
        EXPECT_EQ(status, 0x0001);
    }
    int32_t source = 0;
    Mail got;
    EXPECT_EQ(RV_MailReceive(1, 0, got.data(), 256, &source), MKY43_ER_MAILNOTRECEIVE);
}

TEST_F(MailNetwork, TwoMailsBetweenTwoPollsWakeOneWaitAndAreReadInTurn) {
    openMail(kThreeBoards, {1, 5, 9});
    MailThd* thread = ctrl(0)->mailThread(0);
    std::uint8_t* base = thread->gmBase();
    // Board 0's mail thread sees no window while both mails land.
    thread->setGmBase(nullptr);
    const Mail fromFive = numbered(5), fromNine = numbered(9);
    ASSERT_EQ(RV_MailSend(1, 0, 1, fromFive.data(), 256), MKY43_ER_OK);
    ASSERT_EQ(RV_MailSend(2, 0, 1, fromNine.data(), 256), MKY43_ER_OK);
    const bool bothLanded = eventually([&] {
        return (os::read16(base, mky43::MR0CR) & mky43::kMrcrReceived) &&
               (os::read16(base, mky43::MR1CR) & mky43::kMrcrReceived);
    });
    thread->setGmBase(base);
    ASSERT_TRUE(bothLanded);

    int16_t status = -1;
    EXPECT_EQ(guardedWait(0, &status), MKY43_ER_MAILRECEIVE);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(ctrl(0)->mailEvents(0)->isSet(1)) << "one poll, one wakeup";
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status, 0x0100);

    std::set<int32_t> sources;
    for (int turn = 0; turn < 2; ++turn) {
        Mail got;
        int32_t source = -1;
        ASSERT_EQ(RV_MailReceive(0, 0, got.data(), 256, &source), MKY43_ER_OK) << turn;
        EXPECT_EQ(got, source == 5 ? fromFive : fromNine) << "from " << source;
        sources.insert(source);
    }
    EXPECT_EQ(sources, (std::set<int32_t>{5, 9}));
    Mail got;
    int32_t source = -1;
    EXPECT_EQ(RV_MailReceive(0, 0, got.data(), 256, &source), MKY43_ER_MAILNOTRECEIVE);
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status, 0);
}

TEST_F(MailNetwork, ABoardClosedByAnotherThreadEndsItsWaitWithMailClose) {
    openMail(kThreeBoards, {1});
    std::shared_ptr<EvntCtrl> events = ctrl(0)->mailEvents(0);
    std::weak_ptr<EvntCtrl> watch = events;
    events.reset();
    int16_t status = 0x7777;
    int32_t result = -100;
    std::thread waiter([&] { result = RV_MailWaitObject(0, 0, &status); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(RV_close(0), MKY43_ER_OK);
    waiter.join();
    EXPECT_EQ(result, MKY43_ER_MAILCLOSE);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(watch.expired()) << "the event set goes with its last waiter";
    const std::vector<std::string> lines = newLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "@@   Ravlib(0) RV_MailWaitObject: Line(0): NG: Ret(19h)"),
              lines.end());
}

TEST_F(MailNetwork, ABoardClosedByAnotherProcessEndsTheWaitHere) {
    openMail(kThreeBoards, {1});
    boardtest::PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open 0"), "0");
    int16_t status = 0x7777;
    int32_t result = -100;
    std::thread waiter([&] { result = guardedWait(0, &status); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(peer.ask("close 0"), "0");
    waiter.join();
    EXPECT_EQ(result, MKY43_ER_MAILCLOSE);
    EXPECT_EQ(status, 0);
    // This process's board stays open, mail and all.
    EXPECT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
}

}  // namespace
}  // namespace mailtest
