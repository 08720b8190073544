// The assembler text of one resource pack (layout in src/winapi/ResourcePack.h). The bytes are
// pulled in with .incbin and every size and offset is a label difference, so the assembler
// measures the files itself and nothing is copied into the build tree.
#pragma once

#include <string>
#include <vector>

struct ResourceFile {
    std::string name; // as stored: upper case
    std::string path; // absolute path of the file
};

// Checks and normalises the pairs: names non-empty printable ASCII without quotes or
// backslashes, unique without regard to case, stored upper case; files existing regular files,
// made absolute. Throws std::runtime_error with a message naming the bad entry.
std::vector<ResourceFile> CheckedResources(const std::vector<std::string>& namesAndFiles);

std::string ResourceAssembly(const std::vector<ResourceFile>& resources);
