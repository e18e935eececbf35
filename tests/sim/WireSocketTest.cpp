#include "sim/WireSocket.h"
#include "sim/DeviceWire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ravsim::wire {
namespace {

class WireSocketTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends)); }
    void TearDown() override {
        for (int fd : ends)
            if (fd >= 0)
                close(fd);
    }
    int ends[2] = {-1, -1};
};

TEST_F(WireSocketTest, FrameWithBodyArrivesAsOneMessage) {
    ControlFrame head{kControl, 0x99022004, 4, 0};
    const char body[4] = {'1', '2', 0, 0};
    ASSERT_TRUE(sendFrame(ends[0], &head, sizeof head, body, sizeof body));
    char buffer[64];
    Received got = receiveFrame(ends[1], buffer, sizeof buffer, 1000);
    ASSERT_EQ(static_cast<ssize_t>(sizeof head + sizeof body), got.length);
    EXPECT_FALSE(got.truncated);
    EXPECT_EQ(-1, got.fd);
    EXPECT_EQ(0, std::memcmp(buffer + sizeof head, body, sizeof body));
}

TEST_F(WireSocketTest, DescriptorTravelsWithTheFrame) {
    int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    MapViewFrame head{kMapView, 0x1000};
    ASSERT_TRUE(sendFrame(ends[0], &head, sizeof head, nullptr, 0, fd));
    close(fd);
    MapViewFrame in{};
    Received got = receiveFrame(ends[1], &in, sizeof in, 1000);
    ASSERT_EQ(static_cast<ssize_t>(sizeof in), got.length);
    ASSERT_GE(got.fd, 0);
    EXPECT_EQ(0x1000u, in.length);
    EXPECT_EQ(FD_CLOEXEC, fcntl(got.fd, F_GETFD) & FD_CLOEXEC);
    close(got.fd);
}

TEST_F(WireSocketTest, OversizeMessageIsReportedTruncated) {
    char big[128] = {};
    ASSERT_TRUE(sendFrame(ends[0], big, sizeof big));
    char small[16];
    Received got = receiveFrame(ends[1], small, sizeof small, 1000);
    EXPECT_TRUE(got.truncated);
}

TEST_F(WireSocketTest, ClosedPeerAndTimeoutAreDistinct) {
    char buffer[16];
    Received quiet = receiveFrame(ends[1], buffer, sizeof buffer, 10);
    EXPECT_EQ(-1, quiet.length);
    EXPECT_TRUE(quiet.timedOut);
    close(ends[0]);
    ends[0] = -1;
    Received closed = receiveFrame(ends[1], buffer, sizeof buffer, 1000);
    EXPECT_EQ(0, closed.length);
    EXPECT_FALSE(closed.timedOut);
    EXPECT_FALSE(sendFrame(ends[1], buffer, sizeof buffer)) << "no SIGPIPE, just false";
}

}  // namespace
}  // namespace ravsim::wire
