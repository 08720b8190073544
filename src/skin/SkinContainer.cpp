#include "skin/SkinContainer.h"

#include "skin/BmpImage.h"
#include "skin/ByteReader.h"
#include "skin/SkinErrors.h"

namespace {

// A flag byte of 0 is followed by a BMP file; any other value means no picture.
QImage ReadFlaggedPicture(ByteReader& reader) {
    if (reader.ReadByte() != 0)
        return QImage();
    return ReadBmp(reader);
}

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutFlaggedPicture(std::vector<std::uint8_t>& out, const StoredPicture& picture) {
    out.push_back(picture.empty() ? 1 : 0);
    out.insert(out.end(), picture.begin(), picture.end());
}

} // namespace

SkinContainer ReadSkinContainer(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    SkinContainer skin;
    skin.Version = reader.ReadInt32();
    if (skin.Version >= SkinContainer::kFirstUnknownVersion)
        return skin;
    skin.Picture = ReadFlaggedPicture(reader);
    skin.InactivePicture = ReadFlaggedPicture(reader);
    skin.MaskPicture = ReadFlaggedPicture(reader);
    if (skin.Version == 2) {
        ReadFlaggedPicture(reader);
        ReadFlaggedPicture(reader);
    }
    std::int32_t count = reader.ReadInt32();
    for (std::int32_t i = 0; i < count; ++i)
        skin.ActivePictures.push_back(ReadBmp(reader));
    auto rest = reader.Rest();
    skin.IniText.assign(rest.begin(), rest.end());
    return skin;
}

std::vector<std::uint8_t> WriteSkinContainer(const StoredPicture& picture,
                                             const StoredPicture& inactive,
                                             const StoredPicture& mask,
                                             const std::vector<StoredPicture>& pictures,
                                             std::span<const std::uint8_t> iniText) {
    std::vector<std::uint8_t> out;
    PutInt32(out, SkinContainer::kWrittenVersion);
    PutFlaggedPicture(out, picture);
    PutFlaggedPicture(out, inactive);
    PutFlaggedPicture(out, mask);
    PutInt32(out, static_cast<std::int32_t>(pictures.size()));
    for (const StoredPicture& p : pictures)
        out.insert(out.end(), p.begin(), p.end());
    out.insert(out.end(), iniText.begin(), iniText.end());
    return out;
}
