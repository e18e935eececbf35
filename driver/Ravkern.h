// The driver's entry point, called by the host once when it loads the driver.
// Every other entry (device add, file create and close, prepare and release
// hardware, device control, tick routine) reaches the host through the
// configurations the driver registers in kernel.h.
#pragma once

#include "driver/kernel.h"

namespace ravkern {

// Passive. Registers the device-add callback; returns the status of driverCreate.
NTSTATUS DriverEntry(KDriver* driver, const char* registryPath);

}  // namespace ravkern
