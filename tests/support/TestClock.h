// A clock for tests: GetTickCount returns a virtual time that only Sleep (or the test) moves.
// While it exists it replaces the system clock. Every Sleep is recorded, and an optional hook
// runs on each one, so a test can make something happen "during" a wait.
#pragma once

#include "winapi/Clock.h"

#include <functional>
#include <vector>

namespace testing_support {

class TestClock final : public winapi::Clock {
public:
    explicit TestClock(DWORD start = 1000);
    ~TestClock() override;
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    DWORD TickCount() override { return now_; }
    void Sleep(DWORD milliseconds) override;

    void Advance(DWORD milliseconds) { now_ += milliseconds; }
    const std::vector<DWORD>& Sleeps() const { return sleeps_; }
    DWORD TotalSlept() const;
    void OnSleep(std::function<void(DWORD milliseconds)> hook) { hook_ = std::move(hook); }

private:
    DWORD now_;
    std::vector<DWORD> sleeps_;
    std::function<void(DWORD)> hook_;
};

} // namespace testing_support
