// Small Windows executables (PE images) made byte by byte for tests of the version resource:
// one .rsrc section holding a VS_VERSIONINFO block with the given file version (or, without it,
// an RT_RCDATA resource) and, when asked, an icon group with its images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// One image of an icon: its width and height in pixels, and its stored bytes.
struct IconImage {
    unsigned size;
    std::string bytes;
};

struct PeOptions {
    bool pe32Plus = false;   // a 64-bit image (PE32+) instead of a 32-bit one
    bool withVersion = true; // false: an RT_RCDATA resource instead of the version
    std::vector<IconImage> icons = {};
};

// A PNG file of size x size pixels in one colour, as icon images store them.
std::string SquarePng(unsigned size);

std::string VersionedPe(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                        std::uint16_t revision, PeOptions options = {});

} // namespace testing_support
