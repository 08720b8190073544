#include "PeFileReader.h"

#include <cstring>
#include <stdexcept>

namespace {

std::runtime_error bad(const std::string& what) {
    return std::runtime_error("PE: " + what);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A node of the version tree: wLength, wValueLength, wType, key, value, children.
struct VersionNode {
    size_t start, end, valueStart, childrenStart;
    uint16_t valueLength, type;
    std::u16string key;
};

size_t align4(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

VersionNode readNode(const std::vector<uint8_t>& block, size_t start, size_t limit) {
    const auto at16 = [&](size_t offset) {
        if (offset + 2 > limit)
            throw bad("version node runs past its parent");
        return static_cast<uint16_t>(block[offset] | block[offset + 1] << 8);
    };
    VersionNode node{};
    node.start = start;
    const uint16_t length = at16(start);
    if (length < 6 || start + length > limit)
        throw bad("bad version node length");
    node.end = start + length;
    node.valueLength = at16(start + 2);
    node.type = at16(start + 4);
    size_t offset = start + 6;
    for (uint16_t c; (c = at16(offset)) != 0; offset += 2)
        node.key += static_cast<char16_t>(c);
    node.valueStart = align4(offset + 2);
    const size_t valueBytes = node.type == 1 ? 2 * size_t{node.valueLength} : node.valueLength;
    node.childrenStart = align4(node.valueStart + valueBytes);
    return node;
}

std::vector<VersionNode> childrenOf(const std::vector<uint8_t>& block, const VersionNode& node) {
    std::vector<VersionNode> children;
    for (size_t offset = node.childrenStart; offset < node.end;) {
        children.push_back(readNode(block, offset, node.end));
        offset = align4(children.back().end);
    }
    return children;
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text)
        appendUtf8(out, c);
    return out;
}

} // namespace

std::string PeFixedVersion::fileVersionText() const {
    return std::to_string(fileVersionMS >> 16) + "." + std::to_string(fileVersionMS & 0xFFFF) +
           "." + std::to_string(fileVersionLS >> 16) + "." + std::to_string(fileVersionLS & 0xFFFF);
}

PeFileReader::PeFileReader(std::vector<uint8_t> file) : file_(std::move(file)) {
    if (file_.size() < 0x40 || read16(0) != 0x5A4D)
        throw bad("no MZ header");
    const uint32_t pe = read32(0x3C);
    if (read32(pe) != 0x00004550)
        throw bad("no PE signature");
    machine_ = read16(pe + 4);
    const uint16_t sectionCount = read16(pe + 6);
    const uint16_t optionalSize = read16(pe + 20);
    characteristics_ = read16(pe + 22);
    const size_t optional = pe + 24;
    optionalMagic_ = read16(optional);
    if (optionalMagic_ != 0x10B && optionalMagic_ != 0x20B)
        throw bad("not a PE32 or PE32+ optional header");
    // PE32+ widens the image base and the four stack and heap sizes: 16 bytes more.
    const size_t count = optional + (optionalMagic_ == 0x20B ? 108 : 92);
    const uint32_t directories = read32(count);
    for (uint32_t i = 0; i < directories && i < 16; ++i) {
        directoryRva_[i] = read32(count + 4 + 8 * i);
        directorySize_[i] = read32(count + 8 + 8 * i);
    }
    const size_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t header = table + 40 * size_t{i};
        if (header + 40 > file_.size())
            throw bad("section table runs past the end of the file");
        const char* raw = reinterpret_cast<const char*>(&file_[header]);
        const std::string name(raw, strnlen(raw, 8)); // up to the first zero
        sections_.push_back({name, read32(header + 12), read32(header + 8), read32(header + 20),
                             read32(header + 16)});
        if (size_t{sections_.back().rawOffset} + sections_.back().rawSize > file_.size())
            throw bad("section " + name + " runs past the end of the file");
    }
}

uint16_t PeFileReader::read16(size_t offset) const {
    if (offset + 2 > file_.size())
        throw bad("read past the end of the file");
    return static_cast<uint16_t>(file_[offset] | file_[offset + 1] << 8);
}

uint32_t PeFileReader::read32(size_t offset) const {
    return read16(offset) | uint32_t{read16(offset + 2)} << 16;
}

size_t PeFileReader::offsetOf(uint32_t rva, size_t count) const {
    for (const auto& section : sections_)
        if (rva >= section.virtualAddress &&
            rva + count <= section.virtualAddress + section.rawSize)
            return section.rawOffset + (rva - section.virtualAddress);
    throw bad("RVA outside every section");
}

std::vector<uint8_t> PeFileReader::bytesAt(uint32_t rva, size_t count) const {
    const size_t offset = offsetOf(rva, count);
    return {file_.begin() + static_cast<long>(offset),
            file_.begin() + static_cast<long>(offset + count)};
}

std::string PeFileReader::cString(uint32_t rva) const {
    std::string text;
    for (size_t offset = offsetOf(rva, 1); file_.at(offset) != 0; ++offset)
        text += static_cast<char>(file_[offset]);
    return text;
}

std::vector<uint8_t> PeFileReader::versionBlock() const {
    const uint32_t base = directoryRva_[2];
    if (base == 0)
        throw bad("no resource directory");
    const size_t root = offsetOf(base, 16);
    // Finds the entry with an integer id in the directory at `directory`; with id < 0, the
    // first entry. Returns the entry's OffsetToData.
    const auto find = [&](size_t directory, int id) -> uint32_t {
        const uint16_t named = read16(directory + 12);
        const uint16_t ids = read16(directory + 14);
        for (uint32_t i = 0; i < uint32_t{named} + ids; ++i) {
            const size_t entry = directory + 16 + 8 * i;
            const uint32_t name = read32(entry);
            if (id < 0 || (!(name & 0x80000000) && name == static_cast<uint32_t>(id)))
                return read32(entry + 4);
        }
        throw bad("resource " + std::to_string(id) + " not found");
    };
    const auto subdirectory = [&](uint32_t offsetToData) {
        if (!(offsetToData & 0x80000000))
            throw bad("resource entry is not a directory");
        return root + (offsetToData & 0x7FFFFFFF);
    };
    const size_t names = subdirectory(find(root, 16));
    const size_t languages = subdirectory(find(names, 1));
    const uint32_t dataEntry = find(languages, -1);
    if (dataEntry & 0x80000000)
        throw bad("language entry is a directory");
    const size_t entry = root + dataEntry;
    return bytesAt(read32(entry), read32(entry + 4));
}

PeFixedVersion PeFileReader::fixedVersion() const {
    const std::vector<uint8_t> block = versionBlock();
    const VersionNode root = readNode(block, 0, block.size());
    if (root.key != u"VS_VERSION_INFO" || root.valueLength < 52)
        throw bad("not a VS_VERSIONINFO block");
    const auto at32 = [&](size_t offset) {
        return uint32_t{block[offset]} | uint32_t{block[offset + 1]} << 8 |
               uint32_t{block[offset + 2]} << 16 | uint32_t{block[offset + 3]} << 24;
    };
    const size_t value = root.valueStart;
    return {at32(value), at32(value + 8), at32(value + 12), at32(value + 36)};
}

std::map<std::string, std::string> PeFileReader::versionStrings() const {
    const std::vector<uint8_t> block = versionBlock();
    const VersionNode root = readNode(block, 0, block.size());
    std::map<std::string, std::string> strings;
    for (const auto& child : childrenOf(block, root)) {
        if (child.key != u"StringFileInfo")
            continue;
        const auto tables = childrenOf(block, child);
        if (tables.empty())
            throw bad("StringFileInfo without a table");
        strings["<table>"] = narrow(tables.front().key);
        for (const auto& entry : childrenOf(block, tables.front())) {
            std::u16string value;
            for (size_t i = 0; i + 1 < entry.valueLength; ++i)
                value += static_cast<char16_t>(block.at(entry.valueStart + 2 * i) |
                                               block.at(entry.valueStart + 2 * i + 1) << 8);
            strings[narrow(entry.key)] = narrow(value);
        }
    }
    return strings;
}

std::vector<std::string> PeFileReader::exportNames() const {
    std::vector<std::string> names;
    if (directoryRva_[0] == 0)
        return names;
    const size_t directory = offsetOf(directoryRva_[0], 40);
    const uint32_t count = read32(directory + 24);
    const uint32_t namePointers = read32(directory + 32);
    for (uint32_t i = 0; i < count; ++i)
        names.push_back(cString(read32(offsetOf(namePointers + 4 * i, 4))));
    return names;
}
