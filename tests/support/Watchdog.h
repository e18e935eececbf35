// Runs an action once an armed deadline passes, so that a call blocked for
// good (a wait whose wakeup was lost) ends a test or a benchmark run with a
// failure instead of hanging it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace ravtest {

class Watchdog {
public:
    explicit Watchdog(std::function<void()> onTimeout);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The action runs once `after` has passed, unless disarmed before.
    void arm(std::chrono::milliseconds after);
    void disarm();

private:
    void watch();

    std::function<void()> onTimeout_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool stop_ = false;
    std::chrono::steady_clock::time_point deadline_;
    std::thread thread_;
};

}  // namespace ravtest
