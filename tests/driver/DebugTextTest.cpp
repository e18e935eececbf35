#include "driver/DebugText.h"

#include <gtest/gtest.h>

#include <string>

namespace ravkern {
namespace {

struct DebugTextCase {
    const char* format;
    NTSTATUS status;
    const char* expected;
};

class DebugTextTest : public ::testing::TestWithParam<DebugTextCase> {};

TEST_P(DebugTextTest, ExpandsTheOneConversion) {
    char out[256];
    const size_t length = formatDebugText(out, sizeof out, GetParam().format, GetParam().status);
    EXPECT_STREQ(out, GetParam().expected);
    EXPECT_EQ(length, std::string(GetParam().expected).size());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DebugTextTest,
    ::testing::Values(DebugTextCase{"WdfDeviceInitialize failed %d \n", STATUS_INSUFFICIENT_RESOURCES,
                                    "WdfDeviceInitialize failed -1073741670 \n"},
                      DebugTextCase{"MapIoAddress Failed (memory region 2), status(0x%X)\n",
                                    STATUS_INSUFFICIENT_RESOURCES,
                                    "MapIoAddress Failed (memory region 2), status(0xC000009A)\n"},
                      DebugTextCase{"WdfDriverCreate failed with status %!STATUS!\n", STATUS_UNSUCCESSFUL,
                                    "WdfDriverCreate failed with status %!STATUS!\n"},
                      DebugTextCase{"WdfResourceCmGetDescriptor \n", STATUS_SUCCESS, "WdfResourceCmGetDescriptor \n"},
                      DebugTextCase{"%d and %d", 5, "5 and %d"}, DebugTextCase{"100%", 1, "100%"}));

TEST(DebugTextCut, StopsAtTheBufferEndWithANul) {
    char out[8] = "xxxxxxx";
    const size_t length = formatDebugText(out, sizeof out, "status %d", 123456);
    EXPECT_EQ(length, 7u);
    EXPECT_STREQ(out, "status ");
    EXPECT_EQ(formatDebugText(nullptr, 0, "abc", 0), 0u);
}

}  // namespace
}  // namespace ravkern
