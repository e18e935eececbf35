// The lock of one process's threads on Windows: a slim reader/writer lock,
// taken exclusively. mingw-w64's std::mutex cannot be made at compile time;
// this lock is one word that is zero when free.
#pragma once

namespace ravlib::os {

class CriticalSection {
public:
    constexpr CriticalSection() noexcept = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter();
    void leave();

    // For std::lock_guard.
    void lock() { enter(); }
    void unlock() { leave(); }

private:
    void* lock_ = nullptr;  // the SRWLOCK
};

}  // namespace ravlib::os
