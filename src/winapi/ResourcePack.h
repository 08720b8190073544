// The container in which resources travel inside the executable.
//
// Linux executables have no resource section, so the build (tools/respack, used through
// cmake/Resources.cmake) generates an assembler file that places one "pack" per target in an
// ELF section of its own, "vostrel_rsrc", allocated and read-only, with the files pulled in by
// .incbin. Being an allocated section it is part of a loadable segment: `strip` keeps it, a
// copy of the file keeps it, and at run time it is simply mapped from the executable with the
// rest of the program, paged in on demand and never copied. The linker's
// __start_vostrel_rsrc/__stop_vostrel_rsrc symbols bound the section.
//
// A pack is, all integers little-endian and every offset counted from the pack's first byte:
//   PackHeader, then `count` PackEntry records (each with the zlib CRC-32 of its bytes, which
//   the start-up check compares with the file), then the names (NUL-terminated, upper case),
//   then each resource's bytes, each aligned to kPackAlignment so that the kernel can copy a
//   resource out of the executable file page for page.
// Packs follow one another (each aligned to kPackAlignment) when a target embeds several.
#pragma once

#include <cstdint>
#include <vector>

namespace winapi {

inline constexpr char kResourceSectionName[] = "vostrel_rsrc";
inline constexpr char kPackMagic[8] = {'V', 'R', 'S', 'R', 'C', 'P', 'K', '2'};
inline constexpr unsigned kPackAlignment = 4096;         // one page
inline constexpr std::uint16_t kResourceLanguage = 2052; // Chinese (PRC), as stored

struct PackHeader {
    char magic[8];
    std::uint32_t count;     // number of entries
    std::uint32_t reserved;  // 0
    std::uint64_t totalSize; // bytes from the header to the end of the last resource
};

struct PackEntry {
    std::uint64_t nameOffset;
    std::uint64_t dataOffset;
    std::uint64_t size;
    std::uint32_t type;      // numeric resource type, e.g. 10 for RT_RCDATA
    std::uint16_t language;  // always kResourceLanguage
    std::uint16_t reserved;  // 0
    std::uint32_t crc32;     // zlib crc32 of the resource's bytes
    std::uint32_t reserved2; // 0
};

// The resources of the running executable, in pack order: name as stored, entry and the
// mapped bytes. Used by the start-up check; lookups go through FindResourceA.
struct PackedResource {
    const char* name;
    const PackEntry* entry;
    const void* data;
};
std::vector<PackedResource> PackedResources();

static_assert(sizeof(PackHeader) == 24 && sizeof(PackEntry) == 40);

} // namespace winapi
