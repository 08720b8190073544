// kernel32 time: GetTickCount and Sleep go through the Clock seam. The system clock is the
// monotonic clock in milliseconds (wrapping at 2^32 like the Windows tick count) and
// nanosleep.
#include "Clock.h"
#include "kernel32.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace winapi {
namespace {

class SystemClock final : public Clock {
public:
    DWORD TickCount() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
                        static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL;
        return static_cast<DWORD>(ms);
    }

    void Sleep(DWORD milliseconds) override {
        timespec remaining{static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
        }
    }
};

SystemClock systemClock;
std::atomic<Clock*> currentClock{&systemClock};

} // namespace

void SetClock(Clock* clock) {
    currentClock = clock ? clock : &systemClock;
}

} // namespace winapi

DWORD GetTickCount() {
    return winapi::currentClock.load()->TickCount();
}

void Sleep(DWORD milliseconds) {
    winapi::currentClock.load()->Sleep(milliseconds);
}
