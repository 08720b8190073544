#include "support/LockHolder.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

LockHolder::LockHolder(const std::function<void()>& takeLock) {
    int ready[2];
    if (pipe(ready) != 0)
        return;
    child_ = fork();
    if (child_ == 0) {
        close(ready[0]);
        takeLock();
        (void)!write(ready[1], "x", 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char byte = 0;
    holding_ = child_ > 0 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
}

LockHolder::~LockHolder() {
    End();
}

void LockHolder::End() {
    if (child_ <= 0)
        return;
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
    child_ = -1;
    holding_ = false;
}

} // namespace testing_support
