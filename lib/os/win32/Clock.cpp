#include "lib/os/Clock.h"

#include <windows.h>

#include <mmsystem.h>

namespace ravlib::os {

LocalTime localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

uint32_t tickMs() {
    return timeGetTime();
}

}  // namespace ravlib::os
