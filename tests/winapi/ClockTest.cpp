#include "support/TestClock.h"

#include "winapi/kernel32.h"

#include <gtest/gtest.h>

TEST(Clock, TickCountAndSleepGoThroughTheSeam) {
    {
        testing_support::TestClock clock(5000);
        EXPECT_EQ(GetTickCount(), 5000u);
        Sleep(1);
        Sleep(3000);
        EXPECT_EQ(GetTickCount(), 8001u);
        EXPECT_EQ(clock.Sleeps(), (std::vector<DWORD>{1, 3000}));
    }
    // Back on the system clock: it moves forward, and Sleep(0) returns.
    const DWORD before = GetTickCount();
    Sleep(0);
    EXPECT_LE(static_cast<DWORD>(GetTickCount() - before), 1000u);
}
