// What `ravkernd status` reports, as lines for a person or as one JSON
// object for a program: the bus, its statistics and each device's connect
// sequence.
#pragma once

#include "driver/Ravkern.h"
#include "sim/Bus.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace ravhost {

struct HostStatus {
    ravsim::BusStatus bus;
    std::chrono::microseconds cycleTime{0};
    // By board index; empty where the board has no device.
    std::vector<std::optional<ravkern::ConnectStatistics>> connects;
};

std::string formatStatus(const HostStatus& status);
std::string formatStatusJson(const HostStatus& status);

}  // namespace ravhost
