// The start-up check that the setup program's own file arrived whole.
#pragma once

#include "CommandLine.h"

#include "rtl/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>

struct ExecutableExtent {
    std::uint64_t found;    // bytes in the executable file
    std::uint64_t expected; // bytes its loadable segments and section headers need
};

// Measures the running executable: the size of /proc/self/exe against the end of its furthest
// PT_LOAD segment and of its section header table (named in the ELF header). Stripping or
// copying the file keeps both consistent, so only a file cut short comes out smaller. The
// headers are read from the file's first page, the program headers as the loader mapped them;
// nothing past the file's end is touched.
ExecutableExtent MeasureRunningExecutable();

// The message for a file cut short, in UTF-8, with both sizes in bytes.
std::string IncompleteExecutableMessage(const ExecutableExtent& extent);

// Called first in main(), before anything reads the resources: true when the file is whole;
// otherwise prints IncompleteExecutableMessage to stderr and returns false, and main() exits
// with kExitPayloadDamaged having written nothing.
bool EnsureCompleteExecutable();

// For a file cut short that was to show its windows: shows IncompleteExecutableMessage in a
// message box when someone can see one (a display answers and Qt's platform is not offscreen
// or minimal) and returns once it is closed. Nothing of the program's resources is read.
void ShowIncompleteExecutableBox(int argc, char* argv[]);

// The CRC-32 of every carried resource (stamped by respack) compared with the executable file,
// read with pread into a small buffer so that peak memory stays low. StartResourceCheck, called
// in main() once the application exists, runs it in a thread of its own beside the options
// window, once the first window has painted (called before the application exists, at once).
// When the application existed at that start, a damaged resource then ends the program through
// EndIfResourcesDamaged on the application's thread; the check's thread itself touches no Qt.
void StartResourceCheck();

// Waits for the resource check, starting it here when main() did not, and raises
// Exception(DamagedResourceMessage(name), in GBK) for the first resource whose bytes differ.
// Everything that writes the install (the install action, the command-line install) calls it
// before writing anything; calling it again returns the same result at once.
void AwaitIntactResources();

// True when the file open at fd holds exactly the bytes of the carried resource name (matched
// without regard to case), by their stamped size and CRC-32. Read with pread from its start.
bool HoldsCarriedResource(int fd, std::string_view name);

// The message for a damaged resource, in UTF-8.
std::string DamagedResourceMessage(std::string_view resourceName);

// For the options window: when AwaitIntactResources raises, ends as EndForDamagedSetup does.
void EndIfResourcesDamaged();

// Prints message (GBK) on standard error in UTF-8, shows it in an error box and ends the
// program with kExitPayloadDamaged, before anything is written.
[[noreturn]] void EndForDamagedSetup(const AnsiString& message);
