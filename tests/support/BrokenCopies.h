// Broken copies of a built executable, as a download gone wrong leaves them: cut short, or
// with a byte changed inside one of its carried resources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ResourceInFile {
    std::string name;
    std::uint64_t offset; // of the resource's first byte in the file
    std::uint64_t size;
};

// The resources of an executable file, read from its first pack (packs start on a page).
std::vector<ResourceInFile> ResourcesIn(const std::string& file);

// The resource name of file; fails the test when there is none.
ResourceInFile ResourceIn(const std::string& file, const std::string& name);

// Copies executable to copy (replacing it), keeping it executable.
void CopyExecutable(const std::string& executable, const std::string& copy);

// Inverts the lowest bit of the byte at offset of file; fails the test on error.
void FlipByte(const std::string& file, std::uint64_t offset);

} // namespace testing_support
