// The processes of a test's system root: Wine's server and the Windows programs it runs, which
// must not outlive the root (a program whose root is gone waits for ever).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

// The processes whose WINEPREFIX lies in folder (the folder itself or below it).
std::vector<pid_t> RootProcesses(const std::string& folder);

// Ends every process of the root that folder holds: Wine's own way first (wineserver -k for
// root, which ends the server and its programs), then SIGKILL for any program that had not
// reached the server yet. Returns once none is left, or after ten seconds.
void EndRootProcesses(const std::string& folder, const std::string& root);

} // namespace testing_support
