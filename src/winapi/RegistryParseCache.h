// The parsed form of the registry file this process touched last, kept while the file stays
// as it was.
#pragma once

#include "RegistryFile.h"

#include <ctime>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace winapi {

// What tells one state of a registry file from another: a writer replacing the file makes a
// new inode, one rewriting it in place changes its modification time and mostly its size.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    explicit FileIdentity(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim) {}
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

// The registry file this process last wrote or found unchanged under its exclusive lock, parsed.
// Installing sets one value after another, and a Wine prefix's system.reg takes far longer to
// parse than to stat, so while the file keeps its identity the parsed form is used again.
struct ParsedFile {
    std::string path;
    FileIdentity identity;
    std::string text;
    RegistryFile registry;
};

// Takes the cached form of the file when the file is still in the state it was cached in.
std::optional<ParsedFile> TakeCached(const std::string& path, const FileIdentity& identity);

void StoreCached(ParsedFile parsed);

} // namespace winapi
