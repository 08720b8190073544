// Processes as /proc shows them, described the way the Windows process functions report them,
// and the kernel object behind a process handle.
//
// A process's name (Tool Help's szExeFile) is the file name a user knows the program by: for a
// program running under Wine (its executable is Wine's loader) the Windows file name Wine gives
// it in argv[0] ("mervo.exe" for C:\Program Files\Vostrel\mervo.exe); for a native program the
// file name of its executable. When the executable cannot be read (another user's process), the
// kernel's command name stands in. Windows programs that Wine runs for another system root
// belong to another Windows system: they are neither listed nor opened.
#pragma once

#include "Handles.h"
#include "windef.h"

#include <optional>
#include <string>
#include <vector>

namespace winapi {

struct ProcessDescription {
    DWORD id = 0;
    DWORD parentId = 0;
    DWORD threads = 0;
    std::string exeFile; // GBK; empty when GBK cannot write the name
};

// Every process /proc lists, in ascending id order; nullopt when /proc cannot be read.
std::optional<std::vector<DWORD>> RunningProcessIds();

// nullopt when the process has gone.
std::optional<ProcessDescription> DescribeProcess(DWORD id);

// The GBK Windows path of the process's executable: Wine's argv[0] for a Windows program, the
// executable's path mapped through the system root for a native one. nullopt when the
// executable cannot be read.
std::optional<std::string> ExecutableWindowsPath(DWORD id);

// False for a Windows program that Wine runs for another system root, which is another Windows
// system: its prefix (WINEPREFIX from its environment, unset meaning ~/.wine) is not the same
// folder as ours, or its environment cannot be read. True for every other process, also when
// its executable cannot be read.
bool InThisSystem(DWORD id);

// An opened process. It holds a pidfd, so a signal can never reach another process that
// reused the id after this one ended.
class ProcessObject : public KernelObject {
public:
    ProcessObject(DWORD id, int pidfd, DWORD access) : id_(id), pidfd_(pidfd), access_(access) {}
    ~ProcessObject() override;
    ProcessObject(const ProcessObject&) = delete;
    ProcessObject& operator=(const ProcessObject&) = delete;

    DWORD Id() const { return id_; }
    bool Allows(DWORD access) const { return (access_ & access) == access; }
    // 0 on success, else an errno value; signal 0 only tests that the process is there.
    int Signal(int signal) const;

private:
    DWORD id_;
    int pidfd_; // -1 where the kernel has no pidfds: signals then go by id
    DWORD access_;
};

// Opens a pidfd for the process; -1 with errno set on failure (ENOSYS: no pidfds here).
int OpenPidfd(DWORD id);

// True when the process's real user is ours. Checked with the pidfd open, so the answer is
// about the process the pidfd names.
bool OwnedByUs(DWORD id);

} // namespace winapi
