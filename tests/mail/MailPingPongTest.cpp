// A thousand mails to the echo station and back, in both ways of learning
// that the answer is there: none lost, doubled or changed.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/mail/MailHosted.h"

namespace mailtest {
namespace {

constexpr int kExchanges = 1000;

enum class Notice { StatusPoll, Wait };

class MailPingPong : public HostedMail, public ::testing::WithParamInterface<Notice> {
protected:
    // True once a mail waits, asking RV_MailStatus every 200 µs for 10 s at most.
    static bool mailWaits() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            int16_t status = 0;
            if (RV_MailStatus(0, 0, &status) != MKY43_ER_OK)
                return false;
            if (status & 0x0100)
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
};

TEST_P(MailPingPong, EveryMailComesBackOnceAndWhole) {
    // Logging off: a thousand exchanges' lines add nothing here.
    box_.write("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=0H\r\n");
    openMail({"--board", "0", "--station", "20:1:echo", "--mail-min-us", "200"}, {1});
    for (int n = 0; n < kExchanges; ++n) {
        const Mail sent = numbered(n);
        ASSERT_EQ(RV_MailSend(0, 0, 20, sent.data(), 256), MKY43_ER_OK) << "mail " << n;
        if (GetParam() == Notice::StatusPoll)
            ASSERT_TRUE(mailWaits()) << "mail " << n << " did not come back";
        else
            ASSERT_EQ(waitForMail(0), MKY43_ER_MAILRECEIVE) << "mail " << n;
        Mail got;
        int32_t source = -1;
        ASSERT_EQ(RV_MailReceive(0, 0, got.data(), 256, &source), MKY43_ER_OK) << "mail " << n;
        ASSERT_EQ(source, 20);
        ASSERT_EQ(got[0], sent[0]) << "mail " << n << " came back as " << got[0] / 131;
        ASSERT_EQ(got, sent) << "mail " << n << " changed on its way";
        ASSERT_EQ(RV_MailReceive(0, 0, got.data(), 256, &source), MKY43_ER_MAILNOTRECEIVE) << "mail " << n;
    }
    // Nothing more comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int16_t status = 0;
    ASSERT_EQ(RV_MailStatus(0, 0, &status), MKY43_ER_OK);
    EXPECT_EQ(status & 0x0100, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, MailPingPong, ::testing::Values(Notice::StatusPoll, Notice::Wait),
                         [](const auto& info) { return info.param == Notice::StatusPoll ? "StatusPoll" : "Wait"; });

}  // namespace
}  // namespace mailtest
