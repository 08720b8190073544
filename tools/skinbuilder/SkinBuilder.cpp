#include "SkinBuilder.h"

#include "skin/BmpImage.h"
#include "skin/ByteReader.h"
#include "skin/SkinContainer.h"
#include "skin/SkinIni.h"
#include "skin/ZlibBlock.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The picture file as it is stored, after checking that it is one whole valid BMP.
StoredPicture LoadPicture(const std::filesystem::path& folder, const AnsiString& name) {
    if (name.empty())
        return {};
    std::filesystem::path path = folder / name;
    std::vector<std::uint8_t> bytes = ReadFile(path);
    try {
        ByteReader reader(bytes);
        QImage image = ReadBmp(reader);
        if (reader.Remaining() != 0)
            throw std::runtime_error(path.string() + ": size field does not match the file");
        if (image.isNull())
            return {};
    } catch (const Exception& e) {
        throw std::runtime_error(path.string() + ": " + e.Message());
    }
    return bytes;
}

// The ini file's lines, each ended by CR LF.
std::vector<std::uint8_t> IniLines(const std::vector<std::uint8_t>& file) {
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < file.size()) {
        std::size_t end = i;
        while (end < file.size() && file[end] != '\r' && file[end] != '\n')
            ++end;
        out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(i),
                   file.begin() + static_cast<std::ptrdiff_t>(end));
        out.push_back('\r');
        out.push_back('\n');
        if (end < file.size() && file[end] == '\r' && end + 1 < file.size() &&
            file[end + 1] == '\n')
            ++end;
        i = end + 1;
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> BuildStoredSkin(const std::filesystem::path& iniFile) {
    std::vector<std::uint8_t> text = ReadFile(iniFile);
    SkinIni ini = SkinIni::Parse(text);
    for (const char* section : {"VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS"})
        if (!ini.HasSection(section))
            throw std::runtime_error(iniFile.string() + ": no [" + section + "] section");

    std::filesystem::path folder = iniFile.parent_path();
    StoredPicture picture = LoadPicture(folder, ini.ReadString("PICTURES", "picture", ""));
    StoredPicture inactive = LoadPicture(folder, ini.ReadString("PICTURES", "inactivepicture", ""));
    StoredPicture mask = LoadPicture(folder, ini.ReadString("PICTURES", "mask", ""));
    std::vector<StoredPicture> pictures;
    int count = ini.ReadInteger("PICTURES", "activepicturescount", 0);
    for (int i = 0; i < count; ++i) {
        AnsiString name = ini.ReadString("PICTURES", std::to_string(i), "");
        StoredPicture stored = LoadPicture(folder, name);
        if (stored.empty())
            throw std::runtime_error(iniFile.string() + ": numbered picture " + std::to_string(i) +
                                     " is missing");
        pictures.push_back(std::move(stored));
    }
    std::vector<std::uint8_t> container =
        WriteSkinContainer(picture, inactive, mask, pictures, IniLines(text));
    return DeflateBlock(container, 9);
}

std::vector<std::uint8_t> ReadPrecompressedSkin(const std::filesystem::path& file) {
    std::vector<std::uint8_t> bytes = ReadFile(file);
    try {
        ByteReader reader(bytes);
        std::int32_t version = reader.ReadInt32();
        if (version > SkinContainer::kWrittenVersion)
            throw std::runtime_error(file.string() + ": skin version " + std::to_string(version));
        std::uint32_t length = reader.ReadUInt32();
        auto block = reader.ReadBytes(length);
        return {block.begin(), block.end()};
    } catch (const Exception& e) {
        throw std::runtime_error(file.string() + ": " + e.Message());
    }
}
