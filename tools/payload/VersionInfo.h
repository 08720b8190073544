// A program file's version: the four-part number, and the version resource script (.rc) that the
// resource compiler turns into the VS_VERSIONINFO block version.dll reads, with its strings in
// one Chinese (PRC) UTF-16 string table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct FileVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t build = 0;
    uint16_t revision = 0;

    // "a.b.c.d", each field 0..65535; throws std::invalid_argument otherwise.
    static FileVersion Parse(std::string_view text);
    std::string ToString() const;
};

struct VersionResourceFields {
    FileVersion fileVersion;
    FileVersion productVersion;
    bool isLibrary = false;
    // Name and value, UTF-8; written in this order.
    std::vector<std::pair<std::string, std::string>> strings;
};

// The script for a resource compiler that reads it as UTF-8 (windres -c 65001). Throws
// std::invalid_argument for a string holding a control character, which a script cannot carry.
std::string VersionResourceScript(const VersionResourceFields& fields);
