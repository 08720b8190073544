// The one way a file is written whole: the bytes go to a temporary "<path>.XXXXXX" beside the
// file, are flushed to the disk, and the temporary is renamed over the file; then the folder is
// flushed, so that the new name survives a crash too. A failure at any point (a full disk
// included) removes the temporary and leaves the earlier file, or none, never a file cut short.
// The temporary is held under an exclusive flock while it exists, so that a cleaner can tell
// a live writer's temporary from one a killed writer left.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace winapi {

struct WholeFileOptions {
    mode_t mode = 0644;
    // False only for a caller that makes several renames in one folder and then flushes the
    // folder once itself (SyncFolderOf).
    bool syncFolder = true;
    // Receives the new file's status (its identity) when given.
    struct stat* written = nullptr;
    // Receives, when given, a read-only descriptor of the new file that the caller closes: what
    // it reads stays the bytes written, whatever is renamed over the path afterwards.
    int* readBack = nullptr;
};

// Writes the file at the Linux path with what fill puts into the descriptor it is given; fill
// returns 0 or an errno value. Returns 0, or the errno value of the first failure (ENOENT when
// the folder is missing).
int WriteWholeFile(const std::string& path, const std::function<int(int fd)>& fill,
                   const WholeFileOptions& options = {});

// The same with bytes as the file's content.
int WriteWholeFile(const std::string& path, std::string_view bytes,
                   const WholeFileOptions& options = {});

// Reads the whole file at the Linux path into bytes; 0, or the errno value of the failure. A
// link in the last component is not followed (ELOOP).
int ReadWholeFile(const std::string& path, std::string& bytes);

// Removes the "<path>.XXXXXX" temporaries that writers killed mid-write left beside the file; a
// temporary whose lock a live writer holds is left alone.
void RemoveDeadTemporaries(const std::string& path);

// Flushes the renames made in the folder of the file at path.
void SyncFolderOf(const std::string& path);

} // namespace winapi
