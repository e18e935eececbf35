// A device socket that records what the library does with it: each
// connection, control and disconnection in order. It answers the switch
// query with its switch value and refuses the map control.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace boardtest {

class FakeDevice {
public:
    // Listens as device `number` in the runtime directory `dir`.
    FakeDevice(const std::string& dir, int number, int32_t switchValue);
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    bool listening() const { return listenFd_ >= 0; }
    // Completion status of the switch query (0: success).
    void failSwitchQuery(uint32_t status) { switchStatus_ = status; }

    // "open", "control 99022018 in 20 out 20", "close", in order.
    std::vector<std::string> events() const;
    // Waits up to 5 s until `count` events are recorded.
    bool awaitEvents(size_t count) const;

private:
    void serve();
    bool answer(int fd);
    void record(const std::string& event);

    std::string path_;
    int listenFd_ = -1;
    int32_t switchValue_;
    std::atomic<uint32_t> switchStatus_{0};
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<std::string> events_;
    std::thread server_;
};

}  // namespace boardtest
