#include "ExportTable.h"

#include "ByteBuffer.h"

#include <algorithm>

namespace {

constexpr uint32_t kExportDirectorySize = 40;

} // namespace

ExportTable BuildExportTable(const std::string& libraryName,
                             std::vector<std::pair<std::string, uint32_t>> functions,
                             uint32_t timeDateStamp, uint32_t rva) {
    std::sort(functions.begin(), functions.end());
    const auto count = static_cast<uint32_t>(functions.size());
    const uint32_t addressesRva = rva + kExportDirectorySize;
    const uint32_t namePointersRva = addressesRva + 4 * count;
    const uint32_t ordinalsRva = namePointersRva + 4 * count;
    const uint32_t stringsRva = ordinalsRva + 2 * count;

    ByteBuffer strings;
    const uint32_t libraryNameRva = stringsRva;
    strings.putText(libraryName);
    strings.put8(0);
    std::vector<uint32_t> nameRvas;
    for (const auto& [name, code] : functions) {
        nameRvas.push_back(stringsRva + static_cast<uint32_t>(strings.size()));
        strings.putText(name);
        strings.put8(0);
    }

    ByteBuffer out;
    out.put32(0); // Characteristics
    out.put32(timeDateStamp);
    out.put16(0); // version
    out.put16(0);
    out.put32(libraryNameRva);
    out.put32(1); // ordinal base
    out.put32(count);
    out.put32(count);
    out.put32(addressesRva);
    out.put32(namePointersRva);
    out.put32(ordinalsRva);
    for (const auto& [name, code] : functions)
        out.put32(code);
    for (uint32_t nameRva : nameRvas)
        out.put32(nameRva);
    for (uint32_t i = 0; i < count; ++i)
        out.put16(static_cast<uint16_t>(i));
    out.putBytes(strings.bytes());
    out.alignTo(4);

    ExportTable table;
    table.size = static_cast<uint32_t>(out.size());
    table.bytes = out.take();
    table.rva = rva;
    return table;
}
