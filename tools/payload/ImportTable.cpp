#include "ImportTable.h"

#include "ByteBuffer.h"

#include <stdexcept>

namespace {

constexpr uint32_t kDescriptorSize = 20;

} // namespace

ImportTable BuildImportTable(const std::vector<ImportedLibrary>& libraries, uint32_t rva) {
    if (libraries.empty())
        throw std::invalid_argument("an import table needs a library");
    size_t thunkCount = 0;
    for (const auto& library : libraries)
        thunkCount += library.functions.size() + 1;

    // IAT first so that it is one contiguous block, then descriptors, lookup tables, names.
    const uint32_t iatSize = static_cast<uint32_t>(thunkCount * 4);
    const uint32_t descriptorsRva = rva + iatSize;
    const uint32_t descriptorsSize =
        static_cast<uint32_t>((libraries.size() + 1) * kDescriptorSize);
    const uint32_t lookupRva = descriptorsRva + descriptorsSize;
    const uint32_t namesRva = lookupRva + iatSize;

    // Hint/name entries and library names, with their RVAs.
    ByteBuffer names;
    std::vector<std::vector<uint32_t>> functionNameRvas;
    std::vector<uint32_t> libraryNameRvas;
    for (const auto& library : libraries) {
        auto& rvas = functionNameRvas.emplace_back();
        for (const auto& function : library.functions) {
            rvas.push_back(namesRva + static_cast<uint32_t>(names.size()));
            names.put16(0); // hint
            names.putText(function);
            names.put8(0);
            names.alignTo(2);
        }
    }
    for (const auto& library : libraries) {
        libraryNameRvas.push_back(namesRva + static_cast<uint32_t>(names.size()));
        names.putText(library.name);
        names.put8(0);
        names.alignTo(2);
    }

    ImportTable table;
    ByteBuffer thunks;
    std::vector<uint32_t> thunkStarts;
    for (size_t l = 0; l < libraries.size(); ++l) {
        thunkStarts.push_back(static_cast<uint32_t>(thunks.size()));
        for (size_t f = 0; f < libraries[l].functions.size(); ++f) {
            table.slotRva[libraries[l].functions[f]] = rva + static_cast<uint32_t>(thunks.size());
            thunks.put32(functionNameRvas[l][f]);
        }
        thunks.put32(0);
    }

    ByteBuffer out;
    out.putBytes(thunks.bytes()); // IAT, bound by the loader
    for (size_t l = 0; l < libraries.size(); ++l) {
        out.put32(lookupRva + thunkStarts[l]); // OriginalFirstThunk
        out.put32(0);                          // TimeDateStamp
        out.put32(0);                          // ForwarderChain
        out.put32(libraryNameRvas[l]);
        out.put32(rva + thunkStarts[l]); // FirstThunk
    }
    out.putZeros(kDescriptorSize);
    out.putBytes(thunks.bytes()); // lookup tables, never overwritten
    out.putBytes(names.bytes());

    table.bytes = out.take();
    table.descriptorsRva = descriptorsRva;
    table.descriptorsSize = descriptorsSize;
    table.iatRva = rva;
    table.iatSize = iatSize;
    return table;
}
