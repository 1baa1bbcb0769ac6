#include "app/StartupTrace.h"

#ifdef TRAVINE_STARTUP_TRACE
#include <windows.h>

#include <cstdio>

void TraceStartupStep(const char* step) {
    FILETIME created;
    FILETIME unused;
    FILETIME now;
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    std::fprintf(stderr, "startup %8.1f ms  %s\n", static_cast<double>(ticks(now) - ticks(created)) / 10000.0,
                 step);
    std::fflush(stderr);
}

void TraceStartupIdle() {
    static bool stamped = false;
    MSG pending;
    if (!stamped && !PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE)) {
        stamped = true;
        TraceStartupStep("first idle");
    }
}
#endif
