// CreateThread. The object keeps an event that the thread sets when its
// body has returned, and joins on that rather than on the thread's end alone:
// a thread's end waits for the loader, which a join during DLL unload holds.
// After the event the thread only returns to the system. At process exit the
// system ends the threads before the DLL's detach, so the event never comes;
// the thread's end, signalled by then, stands in for it.
#include "lib/os/Thread.h"

#include "lib/os/TestSeams.h"
#include "lib/os/win32/Handle.h"

#include <cstdint>
#include <new>

namespace ravlib::os {

namespace {

struct Start {
    Thread::Body body;
    void* context;
    HANDLE finished;
};

}  // namespace

Thread::~Thread() {
    join();
}

void* Thread::entry(void* start) {
    Start copy = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    copy.body(copy.context);
    SetEvent(copy.finished);
    return nullptr;
}

bool Thread::start(Body body, void* context) {
    if (started_ || body == nullptr || detail::injectedFailure(testing::SyncKind::Thread))
        return false;
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (finished == nullptr)
        return false;
    auto* start = new (std::nothrow) Start{body, context, finished};
    if (start == nullptr) {
        CloseHandle(finished);
        return false;
    }
    struct Trampoline {
        static DWORD WINAPI run(void* start) {
            entry(start);
            return 0;
        }
    };
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, Trampoline::run, start, 0, &id);
    if (thread == nullptr) {
        delete start;
        CloseHandle(finished);
        return false;
    }
    handle_ = std::uint64_t{static_cast<std::uint32_t>(win32::toInt(thread))} << 32 |
              static_cast<std::uint32_t>(win32::toInt(finished));
    started_ = true;
    id_.store(id, std::memory_order_release);
    return true;
}

void Thread::join() {
    if (!started_)
        return;
    HANDLE finished = win32::toHandle(static_cast<std::int32_t>(handle_ & 0xFFFFFFFFu));
    HANDLE thread = win32::toHandle(static_cast<std::int32_t>(handle_ >> 32));
    // The thread itself cannot wait for its own end.
    if (GetCurrentThreadId() != id()) {
        HANDLE ends[] = {finished, thread};
        WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    }
    CloseHandle(finished);
    CloseHandle(thread);
    started_ = false;
    handle_ = 0;
    id_.store(0, std::memory_order_release);
}

}  // namespace ravlib::os
