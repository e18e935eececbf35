// The calls in progress on one board: a close shuts the gate, so no new
// call gets in, and waits until the calls inside have left before it takes
// the board's objects apart.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ravlib {

class CallGate {
public:
    CallGate() = default;
    CallGate(const CallGate&) = delete;
    CallGate& operator=(const CallGate&) = delete;

    // Counts a call in; false, counting nothing, once the gate is shut.
    bool enter();
    void leave();

    // A call that blocks for as long as the board stays open steps out
    // while it waits and back in after. Stepping back in always counts (the
    // caller leaves once more at its end); false when the board was closed
    // meanwhile, so the call must not touch the board's objects any more.
    void stepOut() { leave(); }
    bool stepIn();

    // Shuts the gate and waits until every call inside has left.
    void shutAndDrain();
    bool shut() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable drained_;
    int32_t inside_ = 0;
    bool shut_ = false;
};

// Holds one call inside a gate for a scope.
class GatePass {
public:
    GatePass() = default;
    ~GatePass() { release(); }
    GatePass(const GatePass&) = delete;
    GatePass& operator=(const GatePass&) = delete;

    bool take(CallGate& gate) {
        release();
        if (!gate.enter())
            return false;
        gate_ = &gate;
        return true;
    }
    void release() {
        if (gate_)
            gate_->leave();
        gate_ = nullptr;
    }

private:
    CallGate* gate_ = nullptr;
};

}  // namespace ravlib
