#include "tests/driver/BoardRig.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ravkern::fake {
namespace {

using Texts = std::vector<std::string>;

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.start());
        rig.kernel.clearRecords();
    }

    void TearDown() override { EXPECT_TRUE(rig.kernel.violations().empty()); }

    BoardRig rig;
};

// An input whose first byte is a digit, so that only its length decides.
std::vector<uint8_t> digitInput(size_t length) {
    std::vector<uint8_t> input(length, 0);
    if (length != 0)
        input[0] = '4';
    return input;
}

struct SizeCase {
    uint32_t code;
    size_t inputLength;
    size_t outputLength;
    NTSTATUS status;
    size_t bytes;
};

class ControlSizeTest : public ControlTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ControlSizeTest, SizesAreComparedForEquality) {
    const SizeCase& c = GetParam();
    const ControlResult result = rig.control(c.code, digitInput(c.inputLength), c.outputLength);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.bytes, c.bytes);
    if (c.status != STATUS_SUCCESS) {
        EXPECT_EQ(rig.connectState().status, 0) << "a refused request changes nothing";
        EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
        EXPECT_TRUE(rig.kernel.registerWrites().empty());
        EXPECT_EQ(rig.kernel.liveViews(), 0u);
    }
    EXPECT_TRUE(rig.kernel.debugLines().empty());
}

constexpr NTSTATUS kOk = STATUS_SUCCESS;
constexpr NTSTATUS kBad = STATUS_INVALID_PARAMETER;

INSTANTIATE_TEST_SUITE_P(
    Codes, ControlSizeTest,
    ::testing::Values(
        SizeCase{IOCTL_BOARD_HARD_RESET, 0, 0, kOk, 0}, SizeCase{IOCTL_BOARD_HARD_RESET, 12, 20, kOk, 0},
        SizeCase{IOCTL_BOARD_CONNECT, 12, 0, kOk, 0}, SizeCase{IOCTL_BOARD_CONNECT, 13, 0, kBad, 0},
        SizeCase{IOCTL_BOARD_CONNECT, 11, 0, kBad, 0}, SizeCase{IOCTL_BOARD_CONNECT, 0, 12, kBad, 0},
        SizeCase{IOCTL_BOARD_CONNECT_LF, 12, 12, kOk, 0}, SizeCase{IOCTL_BOARD_CONNECT_LF, 13, 0, kBad, 0},
        SizeCase{IOCTL_BOARD_CONNECT_GMM, 12, 0, kOk, 0}, SizeCase{IOCTL_BOARD_CONNECT_GMM, 24, 0, kBad, 0},
        SizeCase{IOCTL_BOARD_DISCONNECT, 0, 0, kOk, 0}, SizeCase{IOCTL_BOARD_MAP_MEMORY, 15, 16, kBad, 0},
        SizeCase{IOCTL_BOARD_MAP_MEMORY, 17, 17, kBad, 0}, SizeCase{IOCTL_BOARD_MAP_MEMORY, 0, 16, kBad, 0},
        SizeCase{IOCTL_BOARD_GET_CONNECT_STATE, 0, 12, kOk, 12},
        SizeCase{IOCTL_BOARD_GET_CONNECT_STATE, 12, 12, kOk, 12},
        SizeCase{IOCTL_BOARD_GET_CONNECT_STATE, 0, 11, kBad, 0},
        SizeCase{IOCTL_BOARD_GET_CONNECT_STATE, 0, 13, kBad, 0}, SizeCase{IOCTL_BOARD_GET_DIPSW, 0, 20, kOk, 20},
        SizeCase{IOCTL_BOARD_GET_DIPSW, 30, 20, kOk, 20}, SizeCase{IOCTL_BOARD_GET_DIPSW, 0, 24, kBad, 0},
        SizeCase{IOCTL_BOARD_GET_DIPSW, 0, 19, kBad, 0}, SizeCase{IOCTL_BOARD_GET_DIPSW, 20, 0, kBad, 0},
        SizeCase{IOCTL_BOARD_RESERVED_804, 0, 0, kOk, 0}, SizeCase{IOCTL_BOARD_RESERVED_804, 64, 64, kOk, 0},
        SizeCase{IOCTL_BOARD_RESERVED_807, 3, 0, kOk, 0}, SizeCase{IOCTL_BOARD_RESERVED_808, 0, 7, kOk, 0},
        SizeCase{0x9902202C, 0, 0, kBad, 0}, SizeCase{0x9902202C, 12, 12, kBad, 0}, SizeCase{0x99021FFC, 0, 0, kBad, 0},
        SizeCase{0x99022001, 0, 0, kBad, 0}, SizeCase{0x99026000, 0, 0, kBad, 0}, SizeCase{0x98022000, 0, 0, kBad, 0},
        SizeCase{0, 0, 0, kBad, 0}, SizeCase{0xFFFFFFFF, 16, 16, kBad, 0}));

TEST_F(ControlTest, ControlCodesAreTheSeries) {
    const uint32_t codes[] = {IOCTL_BOARD_HARD_RESET, IOCTL_BOARD_CONNECT,      IOCTL_BOARD_DISCONNECT,
                              IOCTL_BOARD_MAP_MEMORY, IOCTL_BOARD_RESERVED_804, IOCTL_BOARD_GET_CONNECT_STATE,
                              IOCTL_BOARD_GET_DIPSW,  IOCTL_BOARD_RESERVED_807, IOCTL_BOARD_RESERVED_808,
                              IOCTL_BOARD_CONNECT_LF, IOCTL_BOARD_CONNECT_GMM};
    for (uint32_t i = 0; i < std::size(codes); ++i)
        EXPECT_EQ(codes[i], 0x99022000u + 4 * i);
}

struct RetrievalCase {
    uint32_t code;
    size_t inputLength;
    size_t outputLength;
    NTSTATUS Failures::*failure;
    const char* text;
};

class RetrievalFailureTest : public ControlTest, public ::testing::WithParamInterface<RetrievalCase> {};

TEST_P(RetrievalFailureTest, CompletesWithTheRetrievalStatusAndPrintsItsText) {
    const RetrievalCase& c = GetParam();
    rig.kernel.fail.*c.failure = STATUS_BUFFER_TOO_SMALL;
    const ControlResult result = rig.control(c.code, digitInput(c.inputLength), c.outputLength);
    EXPECT_EQ(result.status, STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(result.bytes, 0u);
    EXPECT_EQ(rig.kernel.debugTexts(), Texts{c.text});
    EXPECT_EQ(rig.kernel.debugLines().at(0).status, STATUS_BUFFER_TOO_SMALL);
    EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RetrievalFailureTest,
    ::testing::Values(RetrievalCase{IOCTL_BOARD_CONNECT, 12, 0, &Failures::retrieveInput,
                                    "WdfRequestRetrieveInputBuffer failed with status %!STATUS!\n"},
                      RetrievalCase{IOCTL_BOARD_CONNECT_LF, 12, 0, &Failures::retrieveInput,
                                    "WdfRequestRetrieveInputBuffer failed with status %!STATUS!\n"},
                      RetrievalCase{IOCTL_BOARD_CONNECT_GMM, 12, 0, &Failures::retrieveInput,
                                    "WdfRequestRetrieveInputBuffer failed with status %!STATUS!\n"},
                      RetrievalCase{IOCTL_BOARD_MAP_MEMORY, 16, 16, &Failures::retrieveInput,
                                    "WdfRequestRetrieveInputBuffer failed with status:-1073741789 \n"},
                      RetrievalCase{IOCTL_BOARD_GET_CONNECT_STATE, 0, 12, &Failures::retrieveOutput,
                                    "WdfRequestRetrieveOutputBuffer failed with status -1073741789 \n"},
                      RetrievalCase{IOCTL_BOARD_GET_DIPSW, 0, 20, &Failures::retrieveOutput,
                                    "WdfRequestRetrieveOutputBuffer failed with status -1073741789 \n"}));

TEST_F(ControlTest, DipSwitchReportsBits8To15) {
    for (const auto& [reg, value] :
         std::vector<std::pair<uint16_t, int32_t>>{{0x0200, 2}, {0xFF34, 255}, {0x00FF, 0}}) {
        rig.setBoardRegister(mky43::kBoardSwitchRegister, reg);
        const ControlResult result = rig.control(IOCTL_BOARD_GET_DIPSW, {}, sizeof(DipSwitchInfo));
        ASSERT_EQ(result.status, STATUS_SUCCESS);
        ASSERT_EQ(result.output.size(), sizeof(DipSwitchInfo));
        DipSwitchInfo info;
        std::memcpy(&info, result.output.data(), sizeof info);
        EXPECT_EQ(std::memcmp(info.tag, "DIPSW\0\0\0", 8), 0);
        EXPECT_EQ(info.value, value);
        EXPECT_EQ(info.reserved[0], 0);
        EXPECT_EQ(info.reserved[1], 0);
    }
    EXPECT_TRUE(rig.kernel.registerWrites().empty());
}

TEST_F(ControlTest, HardResetPulsesTheResetBitAndLeavesTheSequence) {
    rig.setBoardRegister(mky43::kBoardResetRegister, 0x8040);
    rig.connect(IOCTL_BOARD_CONNECT, "2", 1);
    rig.tick(3);
    const int32_t state = rig.connectState().status;
    rig.kernel.clearRecords();

    EXPECT_EQ(rig.control(IOCTL_BOARD_HARD_RESET, {}, 0).status, STATUS_SUCCESS);

    std::vector<RegisterWrite> expected{{kRegionBBase + mky43::kBoardResetRegister, 16, 0x8042},
                                        {kRegionBBase + mky43::kBoardResetRegister, 16, 0x8040}};
    const auto writes = rig.kernel.registerWrites();
    ASSERT_EQ(writes.size(), expected.size());
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].physical, expected[i].physical);
        EXPECT_EQ(writes[i].value, expected[i].value);
    }
    EXPECT_EQ(rig.kernel.sleeps(), (std::vector<int64_t>{-10000, -10000}));
    EXPECT_EQ(rig.connectState().status, state);
}

TEST_F(ControlTest, ConnectStateReportsTheLastRequest) {
    ASSERT_EQ(rig.connect(IOCTL_BOARD_CONNECT_LF, "12", 5).status, STATUS_SUCCESS);
    const ConnectState state = rig.connectState();
    EXPECT_EQ(state.status, 1);
    EXPECT_EQ(state.sa, 12);
    EXPECT_EQ(state.slen, 5);
}

}  // namespace
}  // namespace ravkern::fake
