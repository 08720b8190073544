// The VS_VERSIONINFO block of a PE version resource (RT_VERSION), as version.dll reads it:
// a fixed VS_FIXEDFILEINFO record, then UTF-16 strings in one Chinese (PRC) string table.
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
    static FileVersion parse(std::string_view text);
    std::string toString() const;
    uint32_t mostSignificant() const { return uint32_t{major} << 16 | minor; }
    uint32_t leastSignificant() const { return uint32_t{build} << 16 | revision; }
};

struct VersionInfoFields {
    FileVersion fileVersion;
    FileVersion productVersion;
    bool isLibrary = false;
    // Name and value, UTF-8; written in this order.
    std::vector<std::pair<std::string, std::string>> strings;
};

constexpr uint16_t kVersionLanguage = 0x0804; // Chinese (PRC)
constexpr uint16_t kVersionCodePage = 1200;   // UTF-16

std::vector<uint8_t> BuildVersionInfo(const VersionInfoFields& fields);
