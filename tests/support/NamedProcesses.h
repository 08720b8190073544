// Copies of /bin/sleep started under chosen file names, standing in for running product
// processes. Every process still running when the object goes is killed and reaped.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

class NamedProcesses {
public:
    // The copies are made in folder.
    explicit NamedProcesses(std::string folder) : folder_(std::move(folder)) {}
    ~NamedProcesses();
    NamedProcesses(const NamedProcesses&) = delete;
    NamedProcesses& operator=(const NamedProcesses&) = delete;

    // Changes to the environment a process starts with: "NAME=value" sets, "NAME" removes.
    using Environment = std::vector<std::string>;

    // Starts fileName (sleeping a minute) and returns once it runs the copy. argv0 replaces
    // argv[0]; a user other than 0 runs it as that user (the folder is opened to others).
    pid_t Start(const std::string& fileName, const std::string& argv0 = "", uid_t user = 0,
                const Environment& changes = {});
    // True while the process has neither ended nor been killed.
    bool Running(pid_t pid) const;
    // Waits for the process to end; the signal that ended it, or 0.
    int Reap(pid_t pid);

private:
    std::string folder_;
    std::vector<pid_t> started_;
};

} // namespace testing_support
