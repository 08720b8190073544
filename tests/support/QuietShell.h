// Shell commands for tests against the real Wine: Wine's debug output is silenced, and a
// command's own output is either dropped or returned.
#pragma once

#include <string>

namespace testing_support {

// Runs the command with its output dropped; its exit code, or -1 when it did not exit.
int QuietShell(const std::string& command);
// The standard output of the command; its standard error is dropped.
std::string QuietShellOutput(const std::string& command);

} // namespace testing_support
