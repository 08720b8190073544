#include "support/VirtualDisplay.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

VirtualDisplay::VirtualDisplay() {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return;
    server_ = fork();
    if (server_ == 0) {
        // dup2 leaves the copy open across exec; a pipe end that already is 3 needs it cleared.
        if (ready[1] == 3)
            fcntl(3, F_SETFD, 0);
        else
            dup2(ready[1], 3);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    pollfd readable{ready[0], POLLIN, 0};
    char c = 0;
    while (server_ > 0 && poll(&readable, 1, 15000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (c == '\n' && !number.empty())
        name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
    if (server_ <= 0)
        return;
    kill(server_, SIGTERM);
    for (int i = 0; i < 250; ++i) {
        if (waitpid(server_, nullptr, WNOHANG) == server_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Kill();
}

void VirtualDisplay::Kill() {
    if (server_ <= 0)
        return;
    kill(server_, SIGKILL);
    waitpid(server_, nullptr, 0);
    server_ = -1;
}

} // namespace testing_support
