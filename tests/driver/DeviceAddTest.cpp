#include "tests/driver/BoardRig.h"

#include <gtest/gtest.h>

namespace ravkern::fake {
namespace {

using Texts = std::vector<std::string>;

TEST(DriverEntryTest, FailedDriverCreationIsPrintedAndReturned) {
    FakeKernel kernel;
    kernel.fail.driverCreate = STATUS_INSUFFICIENT_RESOURCES;
    EXPECT_EQ(kernel.loadDriver(), STATUS_INSUFFICIENT_RESOURCES);
    ASSERT_EQ(kernel.debugLines().size(), 1u);
    EXPECT_EQ(kernel.debugLines()[0].component, 77u);
    EXPECT_EQ(kernel.debugLines()[0].level, 0u);
    EXPECT_EQ(kernel.debugTexts(), Texts{"WdfDriverCreate failed with status %!STATUS!\n"});
}

TEST(DeviceAddTest, DevicesAreNumberedInOrderWithNameAndLink) {
    FakeKernel kernel;
    ASSERT_EQ(kernel.loadDriver(), STATUS_SUCCESS);
    for (int n = 0; n < 3; ++n) {
        KDevice* device = kernel.addDevice();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(kernel.lastDeviceAddStatus(), STATUS_SUCCESS);
        EXPECT_EQ(kernel.deviceName(device), "\\Device\\Ravkern" + std::to_string(n));
        EXPECT_EQ(kernel.symbolicLink(device), "\\DosDevices\\Ravkern" + std::to_string(n));
        EXPECT_TRUE(kernel.hasQueue(device));
        EXPECT_FALSE(kernel.isExclusive(device));
    }
    EXPECT_TRUE(kernel.debugLines().empty());
}

TEST(DeviceAddTest, ReloadingTheDriverStartsCountingAgain) {
    {
        FakeKernel kernel;
        kernel.loadDriver();
        kernel.addDevice();
        kernel.addDevice();
    }
    FakeKernel kernel;
    kernel.loadDriver();
    EXPECT_EQ(kernel.deviceName(kernel.addDevice()), "\\Device\\Ravkern0");
}

// Each failure prints its text with the status in decimal and returns the
// status; a device object once created uses up its number.
struct AddFailure {
    NTSTATUS Failures::*step;
    const char* text;
    bool numberUsed;
};

class DeviceAddFailureTest : public ::testing::TestWithParam<AddFailure> {};

TEST_P(DeviceAddFailureTest, PrintsItsTextAndTheCounterAdvancesOnlyForACreatedDevice) {
    FakeKernel kernel;
    kernel.loadDriver();
    kernel.fail.*GetParam().step = STATUS_INSUFFICIENT_RESOURCES;
    kernel.addDevice();
    EXPECT_EQ(kernel.lastDeviceAddStatus(), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(kernel.debugTexts(), Texts{GetParam().text});

    kernel.fail = Failures{};
    KDevice* next = kernel.addDevice();
    ASSERT_NE(next, nullptr);
    const std::string number = GetParam().numberUsed ? "1" : "0";
    EXPECT_EQ(kernel.deviceName(next), "\\Device\\Ravkern" + number);
    EXPECT_EQ(kernel.symbolicLink(next), "\\DosDevices\\Ravkern" + number);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DeviceAddFailureTest,
    ::testing::Values(
        AddFailure{&Failures::deviceName, "RtlUnicodeStringPrintf(DeviceName) failed -1073741670 \n", false},
        AddFailure{&Failures::deviceCreate, "WdfDeviceInitialize failed -1073741670 \n", false},
        AddFailure{&Failures::linkName, "RtlUnicodeStringPrintf(SymbolicLink) failed -1073741670 \n", true},
        AddFailure{&Failures::symbolicLink, "WdfDeviceCreateSymbolicLink failed -1073741670 \n", true},
        AddFailure{&Failures::queueCreate, "WdfIoQueueCreate failed -1073741670 \n", true}));

TEST(FileObjectTest, ManyOpensOfOneDeviceSucceed) {
    BoardRig rig;
    ASSERT_TRUE(rig.start());
    std::vector<KFile*> files;
    for (int i = 0; i < 16; ++i)
        files.push_back(rig.kernel.openFile(rig.device));
    for (KFile* f : files)
        EXPECT_EQ(rig.kernel.control(f, IOCTL_BOARD_RESERVED_804, nullptr, 0, 0).status, STATUS_SUCCESS);
    for (KFile* f : files)
        rig.kernel.closeFile(f);
    EXPECT_TRUE(rig.kernel.violations().empty());
}

}  // namespace
}  // namespace ravkern::fake
