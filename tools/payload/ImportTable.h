// Import data of a PE image: the import address table (IAT), import descriptors, lookup
// tables and hint/name entries, laid out at a given RVA inside a read-only section.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct ImportedLibrary {
    std::string name; // "KERNEL32.dll"
    std::vector<std::string> functions;
};

struct ImportTable {
    std::vector<uint8_t> bytes;
    uint32_t descriptorsRva = 0;
    uint32_t descriptorsSize = 0;
    uint32_t iatRva = 0;
    uint32_t iatSize = 0;
    // RVA of each function's IAT slot, the operand of `call dword ptr [slot]`.
    std::map<std::string, uint32_t> slotRva;
};

ImportTable BuildImportTable(const std::vector<ImportedLibrary>& libraries, uint32_t rva);
