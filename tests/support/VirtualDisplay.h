// A virtual X server of the test's own. Xvfb chooses a free display number itself
// (-displayfd) and reports it only once it holds that number and listens, so tests started at
// the same moment never share a server, and a number already taken by another machine's server
// in a shared socket namespace is passed over instead of connected to.
#pragma once

#include <string>
#include <sys/types.h>

namespace testing_support {

class VirtualDisplay {
public:
    // Starts the server and waits up to 15 s for its number.
    VirtualDisplay();
    // Asks the server to end, so it removes its lock file; kills it if it does not.
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& Name() const { return name_; }
    // Kills the server at once, as when the session it served logs out.
    void Kill();

private:
    pid_t server_ = -1;
    std::string name_;
};

} // namespace testing_support
