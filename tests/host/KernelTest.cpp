// The host's kernel layer called directly, as the driver calls it.
#include "driver/kernel.h"
#include "host/KernelObjects.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ravkern {
namespace {

TEST(HostKernel, FormatNameFailsWhenTheTextDoesNotFit) {
    char buffer[32];
    EXPECT_EQ(STATUS_SUCCESS, kernel::formatName(buffer, sizeof buffer, "\\Device\\Ravkern", 12));
    EXPECT_STREQ("\\Device\\Ravkern12", buffer);
    EXPECT_EQ(STATUS_BUFFER_OVERFLOW, kernel::formatName(buffer, 17, "\\Device\\Ravkern", 12));
    EXPECT_EQ(STATUS_SUCCESS, kernel::formatName(buffer, 18, "\\Device\\Ravkern", 12));
}

TEST(HostKernel, RequestBuffersHonourTheirMinimumSizes) {
    KRequest request;
    request.inputLength = 12;
    request.outputLength = 0;
    request.buffer.assign(12, 7);
    void* buffer = nullptr;
    size_t length = 0;
    EXPECT_EQ(STATUS_SUCCESS, kernel::requestRetrieveInputBuffer(&request, 12, &buffer, &length));
    EXPECT_EQ(request.buffer.data(), buffer);
    EXPECT_EQ(12u, length);
    EXPECT_EQ(STATUS_BUFFER_TOO_SMALL, kernel::requestRetrieveInputBuffer(&request, 13, &buffer, &length));
    EXPECT_EQ(STATUS_BUFFER_TOO_SMALL, kernel::requestRetrieveOutputBuffer(&request, 0, &buffer, &length))
        << "no output buffer at all";

    kernel::requestCompleteWithInformation(&request, STATUS_SUCCESS, 100);
    EXPECT_TRUE(request.completed);
    EXPECT_EQ(12u, request.information) << "never more than the buffer";
    kernel::requestComplete(&request, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(STATUS_SUCCESS, request.status) << "a request completes once";
}

TEST(HostKernel, SymbolicLinksMustNameADeviceSocket) {
    KDevice device;
    EXPECT_EQ(STATUS_INVALID_PARAMETER, kernel::deviceCreateSymbolicLink(&device, "\\DosDevices\\"));
    EXPECT_EQ(STATUS_INVALID_PARAMETER, kernel::deviceCreateSymbolicLink(&device, "\\DosDevices\\../x"));
    EXPECT_EQ(STATUS_INVALID_PARAMETER, kernel::deviceCreateSymbolicLink(&device, "Ravkern0"));
    EXPECT_EQ(STATUS_SUCCESS, kernel::deviceCreateSymbolicLink(&device, "\\DosDevices\\Ravkern0"));
    EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, kernel::deviceCreateSymbolicLink(&device, "\\DosDevices\\Ravkern1"));
}

TEST(HostKernel, ViewsAreRefusedOutsideAClientRequest) {
    KRequest request;
    KView* view = nullptr;
    uint64_t address = 0;
    char memory[16];
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, kernel::viewCreate(&request, memory, 16, &view, &address));
    EXPECT_EQ(nullptr, view);
}

TEST(HostKernel, MapIoSpaceRefusesUnknownAddresses) {
    EXPECT_EQ(nullptr, kernel::mapIoSpace(0x1234, 0x1000));
}

}  // namespace
}  // namespace ravkern
