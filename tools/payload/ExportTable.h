// Export directory of a PE library: named functions, sorted by name as loaders search it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ExportTable {
    std::vector<uint8_t> bytes;
    uint32_t rva = 0;
    uint32_t size = 0;
};

// `functions` holds each export's name and the RVA of its code.
ExportTable BuildExportTable(const std::string& libraryName,
                             std::vector<std::pair<std::string, uint32_t>> functions,
                             uint32_t timeDateStamp, uint32_t rva);
