// Small Windows executables (PE images) made byte by byte for tests of the version resource:
// one .rsrc section holding a VS_VERSIONINFO block with the given file version, or resources
// without one.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

struct PeOptions {
    bool pe32Plus = false;   // a 64-bit image (PE32+) instead of a 32-bit one
    bool withVersion = true; // false: the section holds only an RT_RCDATA resource
};

std::string VersionedPe(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                        std::uint16_t revision, PeOptions options = {});

} // namespace testing_support
