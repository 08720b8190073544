#include "support/TestClock.h"

#include <numeric>

namespace testing_support {

TestClock::TestClock(DWORD start) : now_(start) {
    winapi::SetClock(this);
}

TestClock::~TestClock() {
    winapi::SetClock(nullptr);
}

void TestClock::Sleep(DWORD milliseconds) {
    sleeps_.push_back(milliseconds);
    now_ += milliseconds;
    if (hook_)
        hook_(milliseconds);
}

DWORD TestClock::TotalSlept() const {
    return std::accumulate(sleeps_.begin(), sleeps_.end(), DWORD{0});
}

} // namespace testing_support
