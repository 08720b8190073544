#include "support/TestClock.h"

#include "winapi/kernel32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace {

// The monotonic clock in whole milliseconds, cut to 32 bits as the tick count is.
DWORD MonotonicMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// Whether GetTickCount answers the monotonic clock's time, read just before and just after it;
// differences, so that a wrap of the 32-bit count between the readings still compares.
bool TickCountIsMonotonicTime() {
    const DWORD before = MonotonicMilliseconds();
    const DWORD ticks = GetTickCount();
    const DWORD after = MonotonicMilliseconds();
    return static_cast<DWORD>(ticks - before) <= static_cast<DWORD>(after - before);
}

void IgnoreSignal(int) {}

} // namespace

TEST(Clock, TheTickCountIsTheMonotonicClockInMilliseconds) {
    EXPECT_TRUE(TickCountIsMonotonicTime());
}

TEST(Clock, SleepWaitsItsWholeTimeThoughASignalInterruptsIt) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = IgnoreSignal; // without SA_RESTART, so nanosleep returns early
    sigaction(SIGUSR1, &action, &previous);
    const pthread_t sleeper = pthread_self();
    // Signals keep coming until Sleep has returned, so some arrive while it sleeps however
    // late this thread gets to run.
    std::atomic<bool> returned = false;
    std::thread interrupter([sleeper, &returned] {
        while (!returned) {
            pthread_kill(sleeper, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    Sleep(200);
    const auto slept = std::chrono::steady_clock::now() - start;
    returned = true;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_GE(slept, std::chrono::milliseconds(200));
}

TEST(Clock, AReplacedClockAnswersUntilItGoesAndTheSystemClockAfter) {
    {
        testing_support::TestClock clock(5000);
        EXPECT_EQ(GetTickCount(), 5000u);
        Sleep(3000); // returns at once: the replacement's own sleep
        EXPECT_EQ(GetTickCount(), 8000u);
    }
    EXPECT_TRUE(TickCountIsMonotonicTime());
}
