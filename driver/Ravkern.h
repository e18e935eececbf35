// The driver's entries that the host calls by name: DriverEntry once when it
// loads the driver, connectStatistics for its status report. Every other
// entry (device add, file create and close, prepare and release hardware,
// device control, tick routine) reaches the host through the configurations
// the driver registers in kernel.h.
#pragma once

#include "driver/kernel.h"

namespace ravkern {

// Passive. Registers the device-add callback; returns the status of driverCreate.
NTSTATUS DriverEntry(KDriver* driver, const char* registryPath);

// A device's connect sequence as the host reports it.
struct ConnectStatistics {
    int32_t state;                 // as IOCTL_BOARD_GET_CONNECT_STATE gives it
    uint32_t supervisionRestarts;  // times the supervision found the running bit clear and started again
};

// Any level, for a device whose device add succeeded.
ConnectStatistics connectStatistics(KDevice* device);

}  // namespace ravkern
