#include "support/VersionPe.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace testing_support {
namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kSectionFileOffset = 0x200;

void Put16(std::string& out, size_t at, std::uint32_t value) {
    if (out.size() < at + 2)
        out.resize(at + 2);
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

// VS_VERSIONINFO with the fixed record only: header, key, padding to 32 bits, 52-byte value.
std::string VersionBlock(std::uint32_t ms, std::uint32_t ls) {
    std::string block;
    const std::u16string key = u"VS_VERSION_INFO";
    Put16(block, 2, 52);
    Put16(block, 4, 0);
    for (size_t i = 0; i <= key.size(); ++i)
        Put16(block, 6 + 2 * i, i < key.size() ? key[i] : 0);
    const size_t value = 40;
    Put32(block, value, 0xFEEF04BD);
    Put32(block, value + 4, 0x00010000);
    Put32(block, value + 8, ms);
    Put32(block, value + 12, ls);
    Put32(block, value + 16, 0x00010000); // product version 1.0.0.0, which must not be read
    Put32(block, value + 20, 0);
    Put32(block, value + 48, 0);
    Put16(block, 0, static_cast<std::uint32_t>(block.size()));
    return block;
}

struct Resource {
    std::uint32_t type, name;
    std::string data;
};

// The resource tree: type -> name -> language 0x804 -> data entry -> data, entries in
// ascending id order as linkers write them. Resources come sorted by type, then name.
std::string ResourceSection(const std::vector<Resource>& resources) {
    std::vector<std::uint32_t> types;
    for (const Resource& resource : resources)
        if (types.empty() || types.back() != resource.type)
            types.push_back(resource.type);
    auto directorySize = [](size_t entries) { return 16 + 8 * entries; };
    // Offsets: root, one directory per type, one language directory per resource, the data
    // entries, then the data.
    size_t at = directorySize(types.size());
    std::vector<size_t> typeDirectories;
    for (std::uint32_t type : types) {
        typeDirectories.push_back(at);
        size_t names = 0;
        for (const Resource& resource : resources)
            names += resource.type == type;
        at += directorySize(names);
    }
    std::vector<size_t> languageDirectories;
    for (size_t i = 0; i < resources.size(); ++i, at += directorySize(1))
        languageDirectories.push_back(at);
    std::vector<size_t> dataEntries;
    for (size_t i = 0; i < resources.size(); ++i, at += 16)
        dataEntries.push_back(at);

    std::string section;
    auto entry = [&](size_t directory, size_t index, std::uint32_t id, std::uint32_t target) {
        Put32(section, directory + 16 + 8 * index, id);
        Put32(section, directory + 20 + 8 * index, target);
    };
    Put16(section, 14, static_cast<std::uint32_t>(types.size()));
    for (size_t t = 0; t < types.size(); ++t) {
        entry(0, t, types[t], 0x80000000 | static_cast<std::uint32_t>(typeDirectories[t]));
        size_t index = 0;
        for (size_t r = 0; r < resources.size(); ++r)
            if (resources[r].type == types[t])
                entry(typeDirectories[t], index++, resources[r].name,
                      0x80000000 | static_cast<std::uint32_t>(languageDirectories[r]));
        Put16(section, typeDirectories[t] + 14, static_cast<std::uint32_t>(index));
    }
    for (size_t r = 0; r < resources.size(); ++r) {
        Put16(section, languageDirectories[r] + 14, 1);
        entry(languageDirectories[r], 0, 0x0804, static_cast<std::uint32_t>(dataEntries[r]));
        Put32(section, dataEntries[r], kSectionRva + static_cast<std::uint32_t>(at));
        Put32(section, dataEntries[r] + 4, static_cast<std::uint32_t>(resources[r].data.size()));
        section.resize(at);
        section += resources[r].data;
        at = (section.size() + 7) / 8 * 8;
    }
    section.resize((section.size() + 0x1FF) / 0x200 * 0x200);
    return section;
}

// RT_GROUP_ICON for images with ids 1..n: header, then one 14-byte entry per image.
std::string IconGroup(const std::vector<IconImage>& icons) {
    std::string group;
    Put16(group, 2, 1);
    Put16(group, 4, static_cast<std::uint32_t>(icons.size()));
    for (size_t i = 0; i < icons.size(); ++i) {
        const size_t entry = 6 + 14 * i;
        group.resize(entry + 14);
        group[entry] = static_cast<char>(icons[i].size & 0xFF); // 256 is stored as 0
        group[entry + 1] = static_cast<char>(icons[i].size & 0xFF);
        Put16(group, entry + 4, 1);
        Put16(group, entry + 6, 32);
        Put32(group, entry + 8, static_cast<std::uint32_t>(icons[i].bytes.size()));
        Put16(group, entry + 12, static_cast<std::uint32_t>(i + 1));
    }
    return group;
}

} // namespace

std::string VersionedPe(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                        std::uint16_t revision, PeOptions options) {
    std::vector<Resource> resources;
    for (size_t i = 0; i < options.icons.size(); ++i)
        resources.push_back({3, static_cast<std::uint32_t>(i + 1), options.icons[i].bytes});
    if (!options.withVersion)
        resources.push_back({10, 1, "plain data"});
    if (!options.icons.empty())
        resources.push_back({14, 1, IconGroup(options.icons)});
    if (options.withVersion)
        resources.push_back({16, 1,
                             VersionBlock(std::uint32_t{major} << 16 | minor,
                                          std::uint32_t{build} << 16 | revision)});
    const std::string section = ResourceSection(resources);
    std::string image(kSectionFileOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::uint32_t optionalSize = options.pe32Plus ? 240 : 224;
    Put16(image, 0x44, options.pe32Plus ? 0x8664 : 0x14C);
    Put16(image, 0x46, 1); // sections
    Put16(image, 0x54, optionalSize);
    Put16(image, 0x56, 0x0102);
    const size_t optional = 0x58;
    Put16(image, optional, options.pe32Plus ? 0x20B : 0x10B);
    const size_t directories = optional + (options.pe32Plus ? 112 : 96);
    Put32(image, directories - 4, 16);
    Put32(image, directories + 16, kSectionRva); // resource directory
    Put32(image, directories + 20, static_cast<std::uint32_t>(section.size()));
    const size_t header = optional + optionalSize;
    image.replace(header, 6, ".rsrc\0", 6);
    Put32(image, header + 8, static_cast<std::uint32_t>(section.size()));
    Put32(image, header + 12, kSectionRva);
    Put32(image, header + 16, static_cast<std::uint32_t>(section.size()));
    Put32(image, header + 20, kSectionFileOffset);
    Put32(image, header + 36, 0x40000040);
    image.resize(kSectionFileOffset);
    return image + section;
}

} // namespace testing_support

namespace testing_support {
namespace {

void PutBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320 ^ crc >> 1 : crc >> 1;
    }
    return ~crc;
}

void PutChunk(std::string& png, std::string_view type, const std::string& data) {
    PutBig32(png, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type) + data;
    png += body;
    PutBig32(png, Crc32(body));
}

} // namespace

// An RGB image, its rows unfiltered, in zlib stored blocks: no compressor needed.
std::string SquarePng(unsigned size) {
    std::string header;
    PutBig32(header, size);
    PutBig32(header, size);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    std::string raw;
    for (unsigned row = 0; row < size; ++row) {
        raw += '\0';
        for (unsigned column = 0; column < size; ++column)
            raw += "\x20\x80\xE0";
    }
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at < raw.size(); at += 0xFFFF) {
        const size_t length = std::min<size_t>(0xFFFF, raw.size() - at);
        zlib += static_cast<char>(at + length == raw.size() ? 1 : 0);
        zlib += static_cast<char>(length & 0xFF);
        zlib += static_cast<char>(length >> 8);
        zlib += static_cast<char>(~length & 0xFF);
        zlib += static_cast<char>(~length >> 8 & 0xFF);
        zlib.append(raw, at, length);
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(zlib, b << 16 | a);
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", "");
    return png;
}

} // namespace testing_support
