// The mail exports on a started board: refused arguments touch no register,
// the status bits a send leaves, a send while one is under way, and the
// calls after mail close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "chip/Mky43.h"
#include "tests/mail/MailHosted.h"
#include "tests/support/ChipTrace.h"

namespace mailtest {
namespace {

using namespace ravlib;
using gmtest::ChipTrace;

// An echo at 20 and a station that never arms a buffer at 30; mail takes
// 100 ms, so a send is surely still under way right after it was asked for.
const std::vector<std::string> kSlowMail = {"--board",   "0",         "--station",     "20:1:echo",
                                            "--station", "30:1:idle", "--mail-min-us", "100000"};

using MailExports = HostedMail;

struct RefusedSend {
    const char* what;
    int32_t board;
    int32_t station;
    bool data;
    int32_t length;
    int32_t result;
};

TEST_F(MailExports, RefusedSendsWriteNoRegister) {
    openMail(kSlowMail, {1});
    const RefusedSend cases[] = {
        {"empty", 0, 20, true, 0, MKY43_ER_MAILSIZE},
        {"negative", 0, 20, true, -2, MKY43_ER_MAILSIZE},
        {"one past the buffer", 0, 20, true, 258, MKY43_ER_MAILSIZE},
        {"odd", 0, 20, true, 255, MKY43_ER_MAILSIZE},
        {"station 64", 0, 64, true, 2, MKY43_ER_INVALIDPARAM},
        {"station -1", 0, -1, true, 2, MKY43_ER_INVALIDPARAM},
        {"station 320 (0 and the send bit in MSCR)", 0, 320, true, 2, MKY43_ER_INVALIDPARAM},
        {"no data", 0, 20, false, 2, MKY43_ER_INVALIDPARAM},
        {"board not open, empty", 1, 20, true, 0, MKY43_ER_NOTOPEN},
        {"board 4", 4, 20, true, 2, MKY43_ER_INVALIDPARAM},
    };
    const Mail words = numbered(1);
    for (const RefusedSend& c : cases) {
        ChipTrace trace(window());
        EXPECT_EQ(RV_MailSend(c.board, 0, c.station, c.data ? words.data() : nullptr, c.length), c.result) << c.what;
        const std::vector<gmtest::Access> seen = trace.take();
        EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [](const gmtest::Access& a) { return a.kind == 'W'; }))
            << c.what;
        char ng[120];
        std::snprintf(ng, sizeof ng, "@@   Ravlib(%d) RV_MailSend: Line(0)-StationAdr(%d)-Leng(%d): NG: Ret(%xh)",
                      c.board, c.station, c.length, static_cast<unsigned>(c.result));
        EXPECT_EQ(lastLine(), ng) << c.what;
    }
    int16_t status = 0;
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status & 0x00FF, 0) << "no refused send may have started one";
}

TEST_F(MailExports, ASendWhileOneIsUnderWayAnswersSending) {
    openMail(kSlowMail, {1});
    const Mail words = numbered(2);
    ASSERT_EQ(RV_MailSend(0, 0, 20, words.data(), 2), MKY43_ER_OK);
    const std::uint16_t mscr = os::read16(window(), mky43::MSCR);
    EXPECT_EQ(mscr & 0x7FFF, 20 * 256 + 0x4001) << "one unit to station 20, under way";
    EXPECT_EQ(RV_MailSend(0, 0, 20, words.data(), 256), MKY43_ER_MAILSENDING);
    int16_t status = 0;
    EXPECT_EQ(guardedWait(0, &status), MKY43_ER_MAILSENDRESULT);
    EXPECT_EQ(status, 0x0001);
    // The echo's answer carries the first send's one word.
    ASSERT_EQ(waitForMail(0), MKY43_ER_MAILRECEIVE);
    Mail back;
    back.fill(0x5A5A);
    int32_t source = -1;
    ASSERT_EQ(RV_MailReceive(0, 0, back.data(), 256, &source), MKY43_ER_OK);
    EXPECT_EQ(source, 20);
    EXPECT_EQ(back[0], words[0]);
    EXPECT_EQ(back[4], 0x5A5A) << "an 8-byte mail fills four words at most";
}

struct SendOutcome {
    const char* what;
    int32_t station;
    int16_t status;
};

TEST_F(MailExports, ASendsOutcomeShowsInTheStatusUntilTheNextSend) {
    openMail(kSlowMail, {1});
    const SendOutcome cases[] = {
        {"absent station", 40, 0x0003},
        {"station without a receive buffer", 30, 0x0005},
        {"echo", 20, 0x0001},
    };
    const Mail words = numbered(3);
    for (const SendOutcome& c : cases) {
        ASSERT_EQ(RV_MailSend(0, 0, c.station, words.data(), 16), MKY43_ER_OK) << c.what;
        int16_t status = -1;
        // The send clears the last one's bits at once.
        ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(guardedWait(0, &status), MKY43_ER_MAILSENDRESULT) << c.what;
        EXPECT_EQ(status, c.status) << c.what;
        ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
        EXPECT_EQ(status & 0x00FF, c.status) << c.what << ": the bits stay until the next send";
    }
    ASSERT_EQ(waitForMail(0), MKY43_ER_MAILRECEIVE);
    int16_t status = 0;
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status, 0x0101) << "the echo's answer waits";
    char line[80];
    std::snprintf(line, sizeof line, "**   Ravlib(0) RV_MailStatus: Line(0)-Status(0x%x): OK", 0x101);
    EXPECT_EQ(lastLine(), line);
}

TEST_F(MailExports, ASendRefusedOffTheBusStillEndsTheWait) {
    openOn(kSlowMail);
    ASSERT_EQ(RV_MailOpen(0, 0), MKY43_ER_OK);
    const Mail words = numbered(5);
    ASSERT_EQ(RV_MailSend(0, 0, 20, words.data(), 8), MKY43_ER_OK);
    int16_t status = 0;
    EXPECT_EQ(guardedWait(0, &status), MKY43_ER_MAILSENDRESULT);
    EXPECT_EQ(status, 0x0009);
}

TEST_F(MailExports, WithBothBuffersDisarmedTheStatusAndTheWaitReportIt) {
    openMail(kSlowMail, {1});
    ASSERT_EQ(RV_SetReg16(0, 0, static_cast<int32_t>(mky43::MR0CR), 0), MKY43_ER_OK);
    ASSERT_EQ(RV_SetReg16(0, 0, static_cast<int32_t>(mky43::MR1CR), 0), MKY43_ER_OK);
    int16_t status = 0x7777;
    EXPECT_EQ(guardedWait(0, &status), MKY43_ER_OTHER);
    EXPECT_EQ(status, 0x7777) << "the status is not written on -1";
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status, 0x0020);
    // One buffer armed again is enough.
    ASSERT_EQ(RV_SetReg16(0, 0, static_cast<int32_t>(mky43::MR1CR), mky43::kMrcrArmed), MKY43_ER_OK);
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status, 0);
}

TEST_F(MailExports, AfterMailCloseEveryMailCallAnswersNotOpen) {
    openMail(kSlowMail, {1});
    ASSERT_EQ(RV_MailClose(0, 0), MKY43_ER_OK);
    Mail words = numbered(4);
    int16_t status = 0;
    int32_t source = 0;
    const std::pair<const char*, std::function<int32_t()>> calls[] = {
        {"close", [] { return RV_MailClose(0, 0); }},
        {"send", [&] { return RV_MailSend(0, 0, 20, words.data(), 2); }},
        {"receive", [&] { return RV_MailReceive(0, 0, words.data(), 2, &source); }},
        {"status", [&] { return RV_MailStatus(0, 0, &status); }},
        {"wait", [&] { return RV_MailWaitObject(0, 0, &status); }},
    };
    for (const auto& [what, call] : calls)
        EXPECT_EQ(call(), MKY43_ER_MAILNOTOPEN) << what;
    // Mail close disarmed both buffers.
    EXPECT_EQ(os::read16(window(), mky43::MR0CR), 0);
    EXPECT_EQ(os::read16(window(), mky43::MR1CR), 0);
}

TEST_F(MailExports, OpenTwiceInOneProcessLeavesTheMutexAlone) {
    openMail(kSlowMail, {1});
    EXPECT_EQ(RV_MailOpen(0, 0), MKY43_ER_ALREADYMAILOPEN);
    EXPECT_EQ(newLines(), std::vector<std::string>{"@@   Ravlib(0) RV_MailOpen: Line(0): NG: Ret(12h)"});
    EXPECT_EQ(RV_MailClose(0, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_MailOpen(0, 0), MKY43_ER_OK);
}

TEST_F(MailExports, BoardCloseClosesMailFirstAndDisarmsBothBuffers) {
    openMail(kSlowMail, {1});
    std::vector<gmtest::Access> writes;
    {
        ChipTrace trace(window());
        ASSERT_EQ(RV_close(0), MKY43_ER_OK);
        for (const gmtest::Access& a : trace.take())
            if (a.kind == 'W')
                writes.push_back(a);
    }
    using gmtest::W;
    const std::vector<gmtest::Access> disarm = {W(mky43::SSR, 0x0030), W(mky43::MESR, 0), W(mky43::MR0CR, 0),
                                                W(mky43::SSR, 0x0030), W(mky43::MESR, 0), W(mky43::MR1CR, 0)};
    EXPECT_EQ(writes, disarm);
    const std::vector<std::string> lines = newLines();
    const auto at = [&](const std::string& start) {
        return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; }) -
               lines.begin();
    };
    const auto mutex = at("##    RavlibBrd0: DestoryMutex: Mail Open Mutex: Line(0)");
    const auto device = at("##    RavlibBrd0 close: OK: ");
    const auto done = at("##    Ravlib(0) RV_close: OK");
    EXPECT_LT(mutex, device);
    EXPECT_LT(device, done);
    EXPECT_LT(done, static_cast<long>(lines.size()));
}

// A mail whose buffer was emptied before it was taken is not received:
// re-armed through the registers before the next poll, or cleared by the
// driver when communication stops and starts again.
TEST_F(MailExports, AReceiveFindsNothingInABufferEmptiedMeanwhile) {
    openMail({"--board", "0", "--station", "20:1:echo"}, {1});
    const std::function<void()> empties[] = {[] { RV_SetReg16(0, 0, mky43::MR0CR, 0x0040); },
                                             [] { RV_stop(0, 0), RV_start_gmm(0, 0, 0), RV_start(0, 0, 1, 1, 0); }};
    Mail got;
    int32_t from = -1;
    for (const std::function<void()>& empty : empties) {
        ASSERT_EQ(RV_MailSend(0, 0, 20, numbered(4).data(), 256), MKY43_ER_OK);
        ASSERT_EQ(waitForMail(0), MKY43_ER_MAILRECEIVE);
        empty();
        EXPECT_EQ(RV_MailReceive(0, 0, got.data(), 256, &from), MKY43_ER_MAILNOTRECEIVE);
    }
}

}  // namespace
}  // namespace mailtest
