#include "BrokenCopies.h"

#include "TempSystemRoot.h"

#include "winapi/ResourcePack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace testing_support {

std::vector<ResourceInFile> ResourcesIn(const std::string& file) {
    const std::string bytes = ReadLinuxFile(file).value_or("");
    const std::string_view magic(winapi::kPackMagic, sizeof winapi::kPackMagic);
    size_t pack = 0;
    while ((pack = bytes.find(magic, pack)) != std::string::npos && pack % winapi::kPackAlignment)
        ++pack;
    std::vector<ResourceInFile> resources;
    if (pack == std::string::npos)
        return resources;
    winapi::PackHeader header;
    std::memcpy(&header, bytes.data() + pack, sizeof header);
    for (std::uint32_t i = 0; i < header.count; ++i) {
        winapi::PackEntry entry;
        std::memcpy(&entry, bytes.data() + pack + sizeof header + i * sizeof entry, sizeof entry);
        resources.push_back(
            {bytes.data() + pack + entry.nameOffset, pack + entry.dataOffset, entry.size});
    }
    return resources;
}

ResourceInFile ResourceIn(const std::string& file, const std::string& name) {
    for (const ResourceInFile& resource : ResourcesIn(file))
        if (resource.name == name)
            return resource;
    ADD_FAILURE() << file << " carries no resource " << name;
    return {};
}

void CopyExecutable(const std::string& executable, const std::string& copy) {
    std::filesystem::copy_file(executable, copy, std::filesystem::copy_options::overwrite_existing);
}

void FlipByte(const std::string& file, std::uint64_t offset) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekg(static_cast<std::streamoff>(offset));
    const char byte = static_cast<char>(stream.get() ^ 0x01);
    stream.seekp(static_cast<std::streamoff>(offset));
    stream.put(byte);
    EXPECT_TRUE(stream.good()) << file << " at " << offset;
}

} // namespace testing_support
