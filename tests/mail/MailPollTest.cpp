// The mail thread's steps against a plain memory window whose registers the
// test sets: the status word, the offer, the events, and the chip sequences
// of send, receive and arm.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/os/ChipAccess.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/window/MailThd.h"
#include "tests/support/Sandbox.h"

namespace mailtest {
namespace {

using namespace ravlib;

constexpr uint16_t kReceived = mky43::kMrcrReceived;
constexpr uint16_t kArmed = mky43::kMrcrArmed;

// A received mail's control word: units, source station, bit 7.
uint16_t landed(int units, int source) {
    return static_cast<uint16_t>(kReceived | units | source << 8);
}

class MailPoll : public ::testing::Test {
protected:
    void SetUp() override {
        for (int j = 0; j < EvntCtrl::kEvents; ++j)
            ASSERT_EQ(events_->create(j, ("PollEvent" + std::to_string(j)).c_str()), 1);
        mail_.setEvents(events_);
        mail_.setGmBase(window_);
        mail_.setMailOpen(1);
        set(mky43::MR0CR, kArmed);
        set(mky43::MR1CR, kArmed);
    }
    void TearDown() override { mail_.setEvents(nullptr); }

    void set(std::size_t offset, uint16_t value) { os::write16(window_, offset, value); }
    uint16_t reg(std::size_t offset) const { return os::read16(window_, offset); }

    // The events set since the last call, as their indexes; they are reset.
    std::vector<int> takeEvents() {
        std::vector<int> set;
        for (int j = 0; j < EvntCtrl::kEvents; ++j)
            if (events_->isSet(j))
                set.push_back(j);
        while (events_->wait(0) < static_cast<uint32_t>(EvntCtrl::kEvents)) {
        }
        return set;
    }

    ravtest::Sandbox box_;
    alignas(8) std::uint8_t window_[mky43::kWindowSize] = {};
    std::shared_ptr<EvntCtrl> events_ = std::make_shared<EvntCtrl>();
    MailThd mail_;
};

struct PollCase {
    const char* name;
    uint16_t mesr, mscr, mr0cr, mr1cr;
    uint16_t status;
    int32_t offer;
    std::vector<int> events;
};

class PollStep : public MailPoll, public ::testing::WithParamInterface<PollCase> {};

TEST_P(PollStep, RegistersGiveStatusOfferAndEvents) {
    const PollCase& c = GetParam();
    set(mky43::MESR, c.mesr);
    set(mky43::MSCR, c.mscr);
    set(mky43::MR0CR, c.mr0cr);
    set(mky43::MR1CR, c.mr1cr);
    mail_.poll();
    EXPECT_EQ(mail_.mailStatus(), c.status);
    EXPECT_EQ(mail_.rxBuffer(), c.offer);
    EXPECT_EQ(takeEvents(), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Mail, PollStep,
    ::testing::Values(PollCase{"Quiet", 0, 0, kArmed, kArmed, 0, 0, {}},
                      PollCase{"NoMember", 0x0001, 0, kArmed, kArmed, 0x0002, 0, {}},
                      PollCase{"NoBufferThere", 0x0002, 0, kArmed, kArmed, 0x0004, 0, {}},
                      PollCase{"NotOnBus", 0x0004, 0, kArmed, kArmed, 0x0008, 0, {}},
                      PollCase{"BadLength", 0x0020, 0, kArmed, kArmed, 0x0010, 0, {}},
                      PollCase{"OtherErrorBitsIgnored", 0xFFD8, 0, kArmed, kArmed, 0, 0, {}},
                      PollCase{"NothingArmed", 0, 0, 0, 0, 0x0020, 0, {4}},
                      PollCase{"OneArmedIsEnough", 0, 0, 0, kArmed, 0, 0, {}},
                      PollCase{"MailInBuffer0", 0, 0, landed(3, 5), kArmed, 0x0100, 1, {0}},
                      PollCase{"MailInBuffer1", 0, 0, kArmed, landed(1, 9), 0x0100, 2, {1}},
                      PollCase{"MailInBothWakesBuffer0Only", 0, 0, landed(1, 5), landed(2, 9), 0x0100, 1, {0}},
                      PollCase{"SendInProgressIsNotASendResult", 0, 0x4000 | 20 << 8 | 1, kArmed, kArmed, 0, 0, {}}),
    [](const ::testing::TestParamInfo<PollCase>& info) { return std::string(info.param.name); });

TEST_F(MailPoll, SendSeenInProgressThenEndedSetsSentAndTheSendResultOnce) {
    const int16_t word = 0x1234;
    ASSERT_EQ(mail_.send(20, &word, 2), MKY43_ER_OK);
    mail_.poll();
    EXPECT_EQ(mail_.mailStatus(), 0);
    set(mky43::MSCR, reg(mky43::MSCR) & ~mky43::kMscrSending);
    set(mky43::MESR, 0x0002);
    mail_.poll();
    EXPECT_EQ(mail_.mailStatus(), 0x0001 | 0x0004);
    EXPECT_EQ(takeEvents(), std::vector<int>{2});
    mail_.poll();
    EXPECT_EQ(mail_.mailStatus(), 0x0001 | 0x0004) << "the sent bit stays until the next send";
    EXPECT_TRUE(takeEvents().empty());

    set(mky43::MR0CR, landed(1, 20));
    mail_.poll();
    ASSERT_EQ(mail_.mailStatus(), 0x0001 | 0x0004 | 0x0100);
    takeEvents();
    ASSERT_EQ(mail_.send(20, &word, 2), MKY43_ER_OK);
    EXPECT_EQ(mail_.mailStatus(), 0x0100) << "a send keeps only the waiting-mail bit";
}

TEST_F(MailPoll, SendThatEndsBeforeAnyPollStillGetsItsResult) {
    const int16_t word = 1;
    ASSERT_EQ(mail_.send(20, &word, 2), MKY43_ER_OK);
    // Refused at once: the board is off the bus.
    set(mky43::MSCR, 0);
    set(mky43::MESR, 0x0004);
    mail_.poll();
    EXPECT_EQ(mail_.mailStatus(), 0x0001 | 0x0008);
    EXPECT_EQ(takeEvents(), std::vector<int>{2});
    mail_.poll();
    EXPECT_TRUE(takeEvents().empty()) << "one result per send";
}

TEST_F(MailPoll, BufferAlreadyOfferedStaysOfferedWhileBothHoldMail) {
    set(mky43::MR1CR, landed(1, 9));
    mail_.poll();
    ASSERT_EQ(mail_.rxBuffer(), 2);
    set(mky43::MR0CR, landed(1, 5));
    mail_.poll();
    EXPECT_EQ(mail_.rxBuffer(), 2);
    EXPECT_EQ(takeEvents(), (std::vector<int>{0, 1})) << "buffer 1 at the first poll, buffer 0 at the second";
}

struct SendCase {
    const char* name;
    int32_t station;
    int32_t length;
    int32_t result;
    int words;  // words written to the send buffer
    uint16_t mscr;
};

class SendSequence : public MailPoll, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendSequence, WritesTheBufferAndStartsTheSend) {
    const SendCase& c = GetParam();
    int16_t data[128];
    for (int i = 0; i < 128; ++i)
        data[i] = static_cast<int16_t>(0x7100 + i);
    set(mky43::SSR, 0xFFFF);
    set(mky43::MESR, 0xFFFF);
    EXPECT_EQ(mail_.send(c.station, data, c.length), c.result);
    int written = 0;
    while (written < 128 && reg(mky43::kMailSendBuffer + 2 * written) == static_cast<uint16_t>(data[written]))
        ++written;
    EXPECT_EQ(written, c.words);
    EXPECT_EQ(reg(mky43::MSCR), c.mscr);
    const bool started = c.result == MKY43_ER_OK;
    EXPECT_EQ(reg(mky43::SSR), started ? 0x0030 : 0xFFFF);
    EXPECT_EQ(reg(mky43::MESR), started ? 0 : 0xFFFF);
    EXPECT_EQ(reg(mky43::MSLR), started ? 0x1FFF : 0);
}

INSTANTIATE_TEST_SUITE_P(Mail, SendSequence,
                         ::testing::Values(SendCase{"OneWord", 20, 2, MKY43_ER_OK, 1, 20 * 256 + 0x4001},
                                           SendCase{"OneUnit", 3, 8, MKY43_ER_OK, 4, 3 * 256 + 0x4001},
                                           SendCase{"NineBytesTakeTwoUnits", 3, 10, MKY43_ER_OK, 5, 3 * 256 + 0x4002},
                                           SendCase{"WholeBuffer", 63, 256, MKY43_ER_OK, 128, 63 * 256 + 0x4020},
                                           SendCase{"StationKeptToSixteenBits", 300, 2, MKY43_ER_OK, 1,
                                                    (300 * 256 + 0x4001) & 0xFFFF},
                                           SendCase{"OddLength", 20, 255, MKY43_ER_MAILSIZE, 0, 0}),
                         [](const ::testing::TestParamInfo<SendCase>& info) { return std::string(info.param.name); });

TEST_F(MailPoll, SendWhileOneIsInProgressTouchesNothing) {
    const int16_t word = 0x55;
    set(mky43::MSCR, 0x4000 | 9 << 8 | 1);
    EXPECT_EQ(mail_.send(20, &word, 2), MKY43_ER_MAILSENDING);
    EXPECT_EQ(reg(mky43::MSCR), 0x4000 | 9 << 8 | 1);
    EXPECT_EQ(reg(mky43::kMailSendBuffer), 0);
}

struct ReceiveCase {
    const char* name;
    int units;
    int32_t length;
    int words;
};

class ReceiveCopy : public MailPoll, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceiveCopy, CopiesTheSmallerLengthAndRearms) {
    const ReceiveCase& c = GetParam();
    for (int i = 0; i < 128; ++i)
        set(mky43::kMailReceiveBuffer0 + 2 * i, static_cast<uint16_t>(0x4400 + i));
    set(mky43::MR0CR, landed(c.units, 42));
    mail_.poll();
    int16_t got[130];
    std::fill(std::begin(got), std::end(got), int16_t{0x5A5A});
    int32_t source = -1;
    ASSERT_EQ(mail_.receive(got, c.length, &source), MKY43_ER_OK);
    EXPECT_EQ(source, 42);
    for (int i = 0; i < 130; ++i)
        EXPECT_EQ(got[i], i < c.words ? 0x4400 + i : 0x5A5A) << "word " << i;
    EXPECT_EQ(reg(mky43::MR0CR), kArmed);
    EXPECT_EQ(reg(mky43::SSR), 0x0030);
}

INSTANTIATE_TEST_SUITE_P(Mail, ReceiveCopy,
                         ::testing::Values(ReceiveCase{"LongerBuffer", 3, 256, 12},
                                           ReceiveCase{"ShorterBuffer", 3, 10, 5},
                                           ReceiveCase{"OddBufferLosesItsLastByte", 3, 7, 3},
                                           ReceiveCase{"WholeMail", 32, 256, 128}, ReceiveCase{"OneByte", 1, 1, 0}),
                         [](const ::testing::TestParamInfo<ReceiveCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MailPoll, SecondReceiveBeforeTheNextPollFindsNothingOrTheOtherBuffer) {
    set(mky43::MR0CR, landed(1, 5));
    mail_.poll();
    int16_t got[4];
    int32_t source = -1;
    ASSERT_EQ(mail_.receive(got, 8, &source), MKY43_ER_OK);
    EXPECT_EQ(mail_.receive(got, 8, &source), MKY43_ER_MAILNOTRECEIVE);

    set(mky43::MR0CR, landed(1, 5));
    set(mky43::MR1CR, landed(1, 9));
    mail_.poll();
    ASSERT_EQ(mail_.receive(got, 8, &source), MKY43_ER_OK);
    EXPECT_EQ(source, 5);
    ASSERT_EQ(mail_.receive(got, 8, &source), MKY43_ER_OK);
    EXPECT_EQ(source, 9);
    EXPECT_EQ(mail_.receive(got, 8, &source), MKY43_ER_MAILNOTRECEIVE);
}

TEST_F(MailPoll, MailLandingInARearmedBufferBeforeThePollStillWakes) {
    set(mky43::MR0CR, landed(1, 5));
    mail_.poll();
    ASSERT_EQ(takeEvents(), std::vector<int>{0});
    int16_t got[4];
    int32_t source = -1;
    ASSERT_EQ(mail_.receive(got, 8, &source), MKY43_ER_OK);
    set(mky43::MR0CR, landed(1, 6));
    mail_.poll();
    EXPECT_EQ(takeEvents(), std::vector<int>{0});
    EXPECT_EQ(mail_.rxBuffer(), 1);
}

TEST_F(MailPoll, ClosedMailOrNoWindowRefusesEverySequence) {
    int16_t data[4] = {};
    int32_t source = 0;
    mail_.setMailOpen(0);
    EXPECT_EQ(mail_.send(1, data, 2), MKY43_ER_MAILNOTOPEN);
    EXPECT_EQ(mail_.receive(data, 8, &source), MKY43_ER_MAILNOTOPEN);
    EXPECT_EQ(mail_.arm(0, false), MKY43_ER_MAILNOTOPEN);
    EXPECT_EQ(reg(mky43::MR0CR), kArmed);
    mail_.setMailOpen(1);
    mail_.setGmBase(nullptr);
    EXPECT_EQ(mail_.send(1, data, 2), MKY43_ER_UNCONNECT);
    EXPECT_EQ(mail_.receive(data, 8, &source), MKY43_ER_UNCONNECT);
    EXPECT_EQ(mail_.arm(0, false), MKY43_ER_UNCONNECT);
    mail_.poll();
    EXPECT_EQ(reg(mky43::kMailSendBuffer), 0);
}

}  // namespace
}  // namespace mailtest
