// A child process that takes a lock and holds it until it is ended, standing in for another
// live process (a registry writer, a Wine server). Ending it with SIGKILL drops the lock as a
// crash would; the destructor ends it when the test has not.
#pragma once

#include <functional>
#include <sys/types.h>

namespace testing_support {

class LockHolder {
public:
    // Runs takeLock in a forked child and returns once the child has run it.
    explicit LockHolder(const std::function<void()>& takeLock);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // True when the child started and reported that it holds the lock.
    bool Holding() const { return holding_; }
    // Kills the child and waits for it, so the lock is free when this returns.
    void End();

private:
    pid_t child_ = -1;
    bool holding_ = false;
};

} // namespace testing_support
