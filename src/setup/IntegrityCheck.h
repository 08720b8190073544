// The start-up check that the setup program's own file arrived whole.
#pragma once

#include <cstdint>
#include <string>

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
// with kIncompleteExecutableExitCode having written nothing.
bool EnsureCompleteExecutable();

inline constexpr int kIncompleteExecutableExitCode = 2;
