// How ShellExecuteA starts a program on Linux, and the seam through which tests record the
// starts instead of making them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace winapi {

// One program start, already resolved: no shell ever reads these strings.
struct ProgramStart {
    std::string program;                                          // Linux path of the executable
    std::vector<std::string> arguments;                           // argv, argv[0] included (UTF-8)
    std::string workingFolder;                                    // Linux path; empty keeps ours
    std::vector<std::pair<std::string, std::string>> environment; // set on top of ours
    int showCommand = 0; // recorded only: Linux has no such request
};

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // Starts the program detached and returns without waiting; 0 or the errno of the failure.
    virtual int Start(const ProgramStart& start) = 0;
};

// Replaces the starter; nullptr restores the real one.
void SetProgramStarter(ProgramStarter* starter);

// The Linux path of the `wine` that starts Windows executables: the first on the PATH.
std::optional<std::string> FindWine();

} // namespace winapi
