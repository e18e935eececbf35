// Mail through the demo network's echo station: what goes out comes back
// whole, from the echo's station, with every log line of the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/support/HostedBoard.h"

namespace mailtest {
namespace {

using namespace ravlib;
using gmtest::HostedBoard;

const std::vector<std::string> kDemo = {"--board", "0", "--station", "10:2:counter", "--station", "20:1:echo"};

using MailRoundTrip = HostedBoard;

// Waits for mail, passing over send results; the last result seen.
int32_t waitForMail(int board, int16_t* status, int rounds = 4) {
    int32_t result = MKY43_ER_OTHER;
    for (int i = 0; i < rounds; ++i) {
        result = RV_MailWaitObject(board, 0, status);
        if (result != MKY43_ER_MAILSENDRESULT)
            break;
    }
    return result;
}

TEST_F(MailRoundTrip, NumberedBytesComeBackUnchangedFromTheEcho) {
    openOn(kDemo);
    ASSERT_EQ(RV_start(0, 0, 1, 2, 0), MKY43_ER_OK);
    ASSERT_EQ(RV_MailOpen(0, 0), MKY43_ER_OK);
    uint8_t sent[256];
    for (int i = 0; i < 256; ++i)
        sent[i] = static_cast<uint8_t>(i);
    int16_t words[128];
    std::memcpy(words, sent, sizeof words);
    ASSERT_EQ(RV_MailSend(0, 0, 20, words, 256), MKY43_ER_OK);
    int16_t status = -1;
    ASSERT_EQ(waitForMail(0, &status), MKY43_ER_MAILRECEIVE);
    EXPECT_EQ(status, 0);

    int16_t back[128] = {};
    int32_t source = -1;
    ASSERT_EQ(RV_MailReceive(0, 0, back, 256, &source), MKY43_ER_OK);
    EXPECT_EQ(source, 20);
    EXPECT_EQ(std::memcmp(back, sent, sizeof back), 0);
    ASSERT_EQ(RV_MailClose(0, 0), MKY43_ER_OK);
    RV_stop(0, 0);
    ASSERT_EQ(RV_close(0), MKY43_ER_OK);

    const std::vector<std::string> lines = newLines();
    const auto has = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    for (const char* line :
         {"**   Ravlib(0) RV_MailOpen: Line(0): OK", "**   Ravlib(0) RV_MailSend: Line(0)-StationAdr(20)-Leng(256): OK",
          "@@   Ravlib(0) RV_MailWaitObject: Line(0): NG: Ret(18h)",
          "**   Ravlib(0) RV_MailReceive: Line(0)-Leng(256): OK", "**   Ravlib(0) RV_MailClose: Line(0): OK",
          "##    RavlibBrd0: CreateMutex: Mail Open Mutex: Line(0): OK: Name(RavlibBrd00_Mutx)",
          "##    RavlibBrd0: DestoryMutex: Mail Open Mutex: Line(0)"})
        EXPECT_TRUE(has(line)) << line;
}

}  // namespace
}  // namespace mailtest
