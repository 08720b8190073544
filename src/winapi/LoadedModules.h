// The files behind the libraries this process has loaded, so the file functions can refuse to
// change them: on Windows a loaded library's file cannot be overwritten, and on Linux writing
// into a mapped object crashes the process that runs it.
#pragma once

#include <sys/types.h>

namespace winapi {

// Is the file with this device and inode a library loaded through LoadLibraryA?
bool IsLoadedLibraryFile(dev_t device, ino_t inode);

} // namespace winapi
