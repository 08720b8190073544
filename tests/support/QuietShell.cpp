#include "support/QuietShell.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace testing_support {

int QuietShell(const std::string& command) {
    const int status = std::system(("WINEDEBUG=-all " + command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string QuietShellOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(("WINEDEBUG=-all " + command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

} // namespace testing_support
