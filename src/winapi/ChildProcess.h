// Starting child programs: the environment they get, and a run that waits for the end.
#pragma once

#include "ProgramStarter.h"

#include <string>
#include <utility>
#include <vector>

namespace winapi {

// This process's environment with the given variables set on top ("NAME=value" entries).
std::vector<std::string>
EnvironmentWith(const std::vector<std::pair<std::string, std::string>>& variables);

// Runs the program with no input and its output discarded, and waits for its end; the exit
// code, or -1 when it could not be started or did not end normally.
int RunAndWait(const ProgramStart& start);

} // namespace winapi
