// A failure at each step of RV_open answers its code and leaves nothing of
// the board behind: no slot, object, thread, handle or view.
#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/os/TestSeams.h"
#include "tests/support/HostedLibrary.h"

namespace boardtest {
namespace {

using ravlib::os::testing::SyncKind;

const char* const kObjectNames[] = {"RavlibBrd00_StaSem",   "RavlibBrd00_GmSemR",   "RavlibBrd00_GmSemW",
                                    "MailRecv1_00_MailEve", "MailRecv2_00_MailEve", "MailSeRes_00_MailEve",
                                    "MailClose_00_MailEve", "MailError_00_MailEve"};

const char* const kEventWords[] = {"MailRecv1", "MailRecv2", "MailSeRes", "MailClose", "MailError"};

struct FailureCase {
    const char* name;
    SyncKind kind;
    int skip;  // successful creations of that kind before the failing one
    int32_t result;
};

class OpenFailure : public HostedLibrary, public ::testing::WithParamInterface<FailureCase> {
protected:
    void TearDown() override {
        ravlib::os::testing::clearFailures();
        HostedLibrary::TearDown();
    }
};

// The detail lines of a failed open of board 0 on device 0.
std::vector<std::string> expectedLines(const FailureCase& c) {
    const std::vector<std::string> sems = semaphoreLines(0);
    const std::vector<std::string> made = threadAndEventLines(0);
    const std::string opened = detail("RavlibBrd0 open: OK: <Device=\\\\.\\Ravkern0, Handle=#>");
    const std::string closed = detail("RavlibBrd0 close: OK: <Device=\\\\.\\Ravkern0, Handle=#, CE=#>");
    const std::vector<std::string> closing = eventThreadSemaphoreCloseLines(0);
    const std::vector<std::string> semClose(closing.end() - 3, closing.end());
    std::vector<std::string> lines{"**   Ravlib(0) RV_open"};
    if (c.kind == SyncKind::Semaphore) {
        const char* titles[] = {"Comm Start Semaphore", "GM Read Semaphore", "GM Write Semaphore"};
        const char* suffixes[] = {"_StaSem", "_GmSemR", "_GmSemW"};
        lines.insert(lines.end(), sems.begin(), sems.begin() + c.skip);
        lines.push_back(detail(std::string("RavlibBrd0: CreateSemaphore: ") + titles[c.skip] +
                               ": Line(0): NG: Name(RavlibBrd00" + suffixes[c.skip] + ")"));
        lines.insert(lines.end(), semClose.begin(), semClose.begin() + c.skip);
    } else if (c.kind == SyncKind::Thread) {
        const std::string refused = detail("RavlibBrd0: CreateThread: Mail Thread: Line(0): NG");
        lines = joined(lines, sems, std::vector<std::string>{opened, refused, closed}, semClose);
    } else {
        lines = joined(lines, sems, std::vector<std::string>{opened});
        lines.insert(lines.end(), made.begin(), made.begin() + 1 + c.skip);
        lines.push_back(detail(std::string(kEventWords[c.skip]) + "_0: CreateEvent: Mail Event: Line(0): NG: Name(" +
                               kEventWords[c.skip] + "_00_MailEve)"));
        lines.push_back(closed);
        lines.push_back(detail("RavlibBrd0: DestoryThread: Mail Thread: Line(0)"));
        lines.insert(lines.end(), semClose.begin(), semClose.end());
    }
    char failure[64];
    std::snprintf(failure, sizeof failure, "@@   Ravlib(0) RV_open NG: Ret(%xh)", c.result);
    lines.push_back(failure);
    return lines;
}

TEST_P(OpenFailure, AnswersItsCodeAndLeavesNothing) {
    const FailureCase& c = GetParam();
    start({"--board", "0"});
    const int threads = threadCount();
    const int sockets = socketCount();
    ravlib::os::testing::failNext(c.kind, c.skip);
    EXPECT_EQ(RV_open(0), c.result);
    EXPECT_EQ(withoutNumbers(newLines()), expectedLines(c));

    EXPECT_FALSE(ravlib::boardTable().find(0));
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(socketCount(), sockets);
    EXPECT_EQ(chipViews(host_.dir()), 0);
    for (const char* name : kObjectNames)
        EXPECT_TRUE(objectGone(name)) << name;

    // Nothing is left that would stand in the way of the next open.
    EXPECT_EQ(RV_open(0), MKY43_ER_OK);
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OpenFailure,
    ::testing::Values(FailureCase{"CommStartSemaphore", SyncKind::Semaphore, 0, MKY43_ER_CREATESEMAPH},
                      FailureCase{"GmReadSemaphore", SyncKind::Semaphore, 1, MKY43_ER_CREATESEMAPH},
                      FailureCase{"GmWriteSemaphore", SyncKind::Semaphore, 2, MKY43_ER_CREATESEMAPH},
                      FailureCase{"MailThread", SyncKind::Thread, 0, MKY43_ER_CREATETHREAD},
                      FailureCase{"MailRecv1Event", SyncKind::Event, 0, MKY43_ER_CREATEEVENT},
                      FailureCase{"MailRecv2Event", SyncKind::Event, 1, MKY43_ER_CREATEEVENT},
                      FailureCase{"MailSeResEvent", SyncKind::Event, 2, MKY43_ER_CREATEEVENT},
                      FailureCase{"MailCloseEvent", SyncKind::Event, 3, MKY43_ER_CREATEEVENT},
                      FailureCase{"MailErrorEvent", SyncKind::Event, 4, MKY43_ER_CREATEEVENT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostedLibrary, NoDeviceLeavesNothingEither) {
    start({});
    const int threads = threadCount();
    EXPECT_EQ(RV_open(0), MKY43_ER_OPENDEVICE);
    EXPECT_EQ(newLines(), joined(std::vector<std::string>{"**   Ravlib(0) RV_open"}, ravtest::noDeviceOpenLines(0),
                                 std::vector<std::string>{"@@   Ravlib(0) RV_open NG: Ret(4h)"}));
    EXPECT_EQ(threadCount(), threads);
    for (const char* name : kObjectNames)
        EXPECT_TRUE(objectGone(name)) << name;
}

}  // namespace
}  // namespace boardtest
