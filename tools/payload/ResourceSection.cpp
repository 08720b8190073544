#include "ResourceSection.h"

#include "ByteBuffer.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

constexpr uint32_t kDirectorySize = 16;
constexpr uint32_t kDirectoryEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;
constexpr uint32_t kSubdirectoryFlag = 0x80000000;

using LanguageMap = std::map<uint16_t, const ResourceEntry*>;
using NameMap = std::map<uint16_t, LanguageMap>;
using TypeMap = std::map<uint16_t, NameMap>;

uint32_t directorySize(size_t entries) {
    return kDirectorySize + kDirectoryEntrySize * static_cast<uint32_t>(entries);
}

void putDirectoryHeader(ByteBuffer& out, size_t idEntries) {
    out.put32(0); // Characteristics
    out.put32(0); // TimeDateStamp
    out.put16(0); // MajorVersion
    out.put16(0); // MinorVersion
    out.put16(0); // NumberOfNamedEntries
    out.put16(static_cast<uint16_t>(idEntries));
}

} // namespace

std::vector<uint8_t> BuildResourceSection(std::vector<ResourceEntry> entries, uint32_t sectionRva) {
    TypeMap tree;
    for (const auto& entry : entries) {
        auto& slot = tree[entry.type][entry.name][entry.language];
        if (slot != nullptr)
            throw std::invalid_argument("duplicate resource entry");
        slot = &entry;
    }

    // Breadth-first layout: root, type directories, name directories, data entries, data.
    uint32_t offset = directorySize(tree.size());
    std::map<uint16_t, uint32_t> typeOffsets;
    for (const auto& [type, names] : tree) {
        typeOffsets[type] = offset;
        offset += directorySize(names.size());
    }
    std::map<std::pair<uint16_t, uint16_t>, uint32_t> nameOffsets;
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names) {
            nameOffsets[{type, name}] = offset;
            offset += directorySize(languages.size());
        }
    const uint32_t dataEntriesStart = offset;
    const uint32_t dataStart = (dataEntriesStart + kDataEntrySize * entries.size() + 7) & ~7u;

    ByteBuffer out;
    putDirectoryHeader(out, tree.size());
    for (const auto& [type, names] : tree) {
        out.put32(type);
        out.put32(kSubdirectoryFlag | typeOffsets[type]);
    }
    for (const auto& [type, names] : tree) {
        putDirectoryHeader(out, names.size());
        for (const auto& [name, languages] : names) {
            out.put32(name);
            out.put32(kSubdirectoryFlag | nameOffsets[{type, name}]);
        }
    }
    uint32_t dataEntry = dataEntriesStart;
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names) {
            putDirectoryHeader(out, languages.size());
            for (const auto& [language, entry] : languages) {
                out.put32(language);
                out.put32(dataEntry);
                dataEntry += kDataEntrySize;
            }
        }

    uint32_t dataOffset = dataStart;
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names)
            for (const auto& [language, entry] : languages) {
                out.put32(sectionRva + dataOffset);
                out.put32(static_cast<uint32_t>(entry->data.size()));
                out.put32(0); // CodePage
                out.put32(0); // Reserved
                dataOffset = (dataOffset + static_cast<uint32_t>(entry->data.size()) + 7) & ~7u;
            }
    out.alignTo(8);
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names)
            for (const auto& [language, entry] : languages) {
                out.putBytes(entry->data);
                out.alignTo(8);
            }
    return out.take();
}
