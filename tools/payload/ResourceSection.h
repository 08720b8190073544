// The .rsrc section of a PE image: the three-level resource directory (type, name,
// language) with integer identifiers, the data entries and the resource data itself.
#pragma once

#include <cstdint>
#include <vector>

constexpr uint16_t kRtRcData = 10;
constexpr uint16_t kRtVersion = 16;

struct ResourceEntry {
    uint16_t type = 0;
    uint16_t name = 0;
    uint16_t language = 0;
    std::vector<uint8_t> data;
};

// Data entries hold RVAs, so the section's RVA must be known. Entries may come in any
// order; the directory lists them sorted by identifier as loaders expect.
std::vector<uint8_t> BuildResourceSection(std::vector<ResourceEntry> entries, uint32_t sectionRva);
