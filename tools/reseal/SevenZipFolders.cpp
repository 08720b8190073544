#include "SevenZipFolders.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <zlib.h>

namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

// Property ids of the header.
enum : uint8_t {
    kEnd = 0x00,
    kHeader = 0x01,
    kArchiveProperties = 0x02,
    kMainStreamsInfo = 0x04,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kEncodedHeader = 0x17,
};

[[noreturn]] void Damaged(const std::string& what) {
    throw std::runtime_error("damaged archive: " + what);
}

[[noreturn]] void Inconsistent() {
    Damaged("the header's folder list is inconsistent");
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
    return static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

uint64_t ReadLittleEndian(std::span<const uint8_t> bytes, size_t offset, size_t size) {
    uint64_t value = 0;
    for (size_t i = size; i-- > 0;)
        value = value << 8 | bytes[offset + i];
    return value;
}

void WriteLittleEndian32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Reads the header's bytes and numbers; knows where it is in the file.
class HeaderReader {
public:
    HeaderReader(std::span<const uint8_t> bytes, size_t fileOffset)
        : bytes_(bytes), fileOffset_(fileOffset) {}

    uint8_t Byte() {
        if (position_ >= bytes_.size())
            Damaged("the header ends early");
        return bytes_[position_++];
    }

    // The 7z number: the leading one bits of the first byte count the bytes that follow.
    uint64_t Number() {
        const uint8_t first = Byte();
        uint64_t value = 0;
        for (unsigned i = 0, mask = 0x80; i < 8; ++i, mask >>= 1) {
            if ((first & mask) == 0)
                return value | static_cast<uint64_t>(first & (mask - 1)) << (8 * i);
            value |= static_cast<uint64_t>(Byte()) << (8 * i);
        }
        return value;
    }

    // A number of things each described by at least one more header byte, so a damaged count
    // cannot ask for more memory than the header has bytes.
    size_t Count() {
        const uint64_t count = Number();
        if (count > bytes_.size() - position_)
            Inconsistent();
        return static_cast<size_t>(count);
    }

    void Skip(uint64_t size) {
        if (size > bytes_.size() - position_)
            Damaged("the header ends early");
        position_ += static_cast<size_t>(size);
    }

    size_t FileOffset() const { return fileOffset_ + position_; }

private:
    std::span<const uint8_t> bytes_;
    size_t fileOffset_;
    size_t position_ = 0;
};

void SkipDigests(HeaderReader& reader, size_t count) {
    size_t defined = count;
    if (reader.Byte() == 0) {
        defined = 0;
        uint8_t bits = 0;
        for (size_t i = 0; i < count; ++i) {
            if (i % 8 == 0)
                bits = reader.Byte();
            defined += (bits >> (7 - i % 8)) & 1;
        }
    }
    reader.Skip(4 * static_cast<uint64_t>(defined));
}

struct Coder {
    uint64_t method = 0;
    uint64_t unpackSize = 0; // of its one output
    size_t firstInput = 0;   // index of its first input stream in the folder
    size_t inputs = 1;
    size_t propertiesOffset = 0;
    size_t propertiesSize = 0;
};

// A folder: its coders, the bind pairs (an input fed by a coder's output) and the inputs that
// read packed streams, in the order of those streams.
struct Folder {
    std::vector<Coder> coders;
    std::vector<std::pair<size_t, size_t>> bindPairs;
    std::vector<size_t> packedInputs;
};

Folder ReadFolder(HeaderReader& reader) {
    Folder folder;
    const size_t coderCount = reader.Count();
    if (coderCount == 0)
        Inconsistent();
    size_t inputCount = 0;
    for (size_t i = 0; i < coderCount; ++i) {
        Coder& coder = folder.coders.emplace_back();
        const uint8_t flags = reader.Byte();
        const size_t idSize = flags & 0x0F;
        if ((flags & 0xC0) != 0 || idSize > 8)
            Inconsistent();
        for (size_t b = 0; b < idSize; ++b)
            coder.method = coder.method << 8 | reader.Byte();
        if ((flags & 0x10) != 0) {
            coder.inputs = reader.Count();
            if (reader.Number() != 1)
                Inconsistent();
        }
        if ((flags & 0x20) != 0) {
            coder.propertiesSize = reader.Count();
            coder.propertiesOffset = reader.FileOffset();
            reader.Skip(coder.propertiesSize);
        }
        coder.firstInput = inputCount;
        inputCount += coder.inputs;
    }
    for (size_t i = 0; i + 1 < coderCount; ++i) {
        const uint64_t input = reader.Number();
        const uint64_t output = reader.Number();
        if (input >= inputCount || output >= coderCount)
            Inconsistent();
        folder.bindPairs.emplace_back(input, output);
    }
    if (inputCount < coderCount)
        Inconsistent();
    const size_t packedCount = inputCount - (coderCount - 1);
    if (packedCount == 1) {
        for (size_t input = 0; input < inputCount && folder.packedInputs.empty(); ++input)
            if (std::none_of(folder.bindPairs.begin(), folder.bindPairs.end(),
                             [input](const auto& pair) { return pair.first == input; }))
                folder.packedInputs.push_back(input);
        if (folder.packedInputs.empty())
            Inconsistent();
    } else {
        for (size_t i = 0; i < packedCount; ++i) {
            const uint64_t input = reader.Number();
            if (input >= inputCount)
                Inconsistent();
            folder.packedInputs.push_back(input);
        }
    }
    return folder;
}

struct StreamsInfo {
    uint64_t packPosition = 0;
    std::vector<uint64_t> packSizes;
    std::vector<Folder> folders;
};

// Pack info, folders and their coders' output sizes; what follows them is not needed.
StreamsInfo ReadStreamsInfo(HeaderReader& reader) {
    StreamsInfo info;
    uint8_t id = reader.Byte();
    if (id == kPackInfo) {
        info.packPosition = reader.Number();
        info.packSizes.resize(reader.Count());
        while ((id = reader.Byte()) != kEnd) {
            if (id == kSize)
                for (uint64_t& size : info.packSizes)
                    size = reader.Number();
            else if (id == kCrc)
                SkipDigests(reader, info.packSizes.size());
            else
                reader.Skip(reader.Number());
        }
        id = reader.Byte();
    }
    if (id == kUnpackInfo) {
        if (reader.Byte() != kFolder)
            Inconsistent();
        const size_t folderCount = reader.Count();
        if (reader.Byte() != 0) // the folders are kept in another stream
            Inconsistent();
        for (size_t i = 0; i < folderCount; ++i)
            info.folders.push_back(ReadFolder(reader));
        if (reader.Byte() != kCodersUnpackSize)
            Inconsistent();
        for (Folder& folder : info.folders)
            for (Coder& coder : folder.coders)
                coder.unpackSize = reader.Number();
    }
    return info;
}

std::vector<EncryptedFolder> EncryptedFolders(const StreamsInfo& info, size_t dataEnd) {
    std::vector<size_t> packOffsets;
    uint64_t offset = kSignatureHeaderSize + info.packPosition;
    for (uint64_t size : info.packSizes) {
        if (offset > dataEnd || size > dataEnd - offset)
            Damaged("a packed stream lies outside the archive's data");
        packOffsets.push_back(static_cast<size_t>(offset));
        offset += size;
    }
    std::vector<EncryptedFolder> encrypted;
    size_t firstStream = 0;
    for (size_t f = 0; f < info.folders.size(); ++f) {
        const Folder& folder = info.folders[f];
        if (folder.packedInputs.size() > info.packSizes.size() - firstStream)
            Inconsistent();
        for (size_t c = 0; c < folder.coders.size(); ++c) {
            const Coder& coder = folder.coders[c];
            if (coder.method != kAesMethod)
                continue;
            const auto packed =
                std::find(folder.packedInputs.begin(), folder.packedInputs.end(), coder.firstInput);
            if (coder.inputs != 1 || packed == folder.packedInputs.end())
                throw std::runtime_error("folder " + std::to_string(f + 1) +
                                         ": the 7zAES coder does not read a packed stream");
            const size_t stream = firstStream + (packed - folder.packedInputs.begin());
            const uint64_t packSize = info.packSizes[stream];
            if (packSize % 16 != 0 || coder.unpackSize > packSize ||
                packSize - coder.unpackSize >= 16)
                Damaged("the packed stream of folder " + std::to_string(f + 1) +
                        " is not its data in whole AES blocks");
            EncryptedFolder& entry = encrypted.emplace_back();
            entry.folderNumber = f + 1;
            entry.propertiesOffset = coder.propertiesOffset;
            entry.propertiesSize = coder.propertiesSize;
            entry.packOffset = packOffsets[stream];
            entry.packSize = static_cast<size_t>(packSize);
            entry.plainSize = static_cast<size_t>(coder.unpackSize);
            // The decrypted data go on to the coder whose input is bound to this coder's output.
            for (const auto& [input, output] : folder.bindPairs)
                if (output == c)
                    for (const Coder& next : folder.coders)
                        if (input >= next.firstInput && input < next.firstInput + next.inputs)
                            entry.nextMethod = next.method;
        }
        firstStream += folder.packedInputs.size();
    }
    return encrypted;
}

} // namespace

SevenZipFolders ReadSevenZipFolders(std::span<const uint8_t> archive) {
    if (archive.size() < kSignatureHeaderSize ||
        !std::equal(std::begin(kSignature), std::end(kSignature), archive.begin()))
        throw std::runtime_error("not a 7z archive");
    if (ReadLittleEndian(archive, kStartHeaderCrcOffset, 4) !=
        Crc32(archive.subspan(kStartHeaderOffset, kSignatureHeaderSize - kStartHeaderOffset)))
        Damaged("the start header's CRC does not match");
    const uint64_t nextOffset = ReadLittleEndian(archive, kStartHeaderOffset, 8);
    const uint64_t nextSize = ReadLittleEndian(archive, kStartHeaderOffset + 8, 8);
    const size_t room = archive.size() - kSignatureHeaderSize;
    if (nextOffset > room || nextSize > room - nextOffset)
        Damaged("the header lies outside the file");

    SevenZipFolders result;
    result.headerOffset = kSignatureHeaderSize + static_cast<size_t>(nextOffset);
    result.headerSize = static_cast<size_t>(nextSize);
    const auto header = archive.subspan(result.headerOffset, result.headerSize);
    if (ReadLittleEndian(archive, kNextHeaderCrcOffset, 4) != Crc32(header))
        Damaged("the header's CRC does not match");

    HeaderReader reader(header, result.headerOffset);
    const uint8_t id = reader.Byte();
    if (id == kEncodedHeader) {
        const StreamsInfo packed = ReadStreamsInfo(reader);
        throw std::runtime_error(
            EncryptedFolders(packed, result.headerOffset).empty()
                ? "the archive's header is packed; this tool reads plain headers (7z a -mhc=off)"
                : "the archive's header is encrypted; this tool reads plain headers "
                  "(7z a -mhe=off -mhc=off)");
    }
    if (id != kHeader)
        Damaged("the header has an unknown type");
    uint8_t section = reader.Byte();
    if (section == kArchiveProperties) {
        while (reader.Byte() != kEnd)
            reader.Skip(reader.Number());
        section = reader.Byte();
    }
    if (section == kMainStreamsInfo)
        result.encrypted = EncryptedFolders(ReadStreamsInfo(reader), result.headerOffset);
    return result;
}

void UpdateHeaderCrcs(std::span<uint8_t> archive, const SevenZipFolders& folders) {
    WriteLittleEndian32(archive, kNextHeaderCrcOffset,
                        Crc32(archive.subspan(folders.headerOffset, folders.headerSize)));
    WriteLittleEndian32(
        archive, kStartHeaderCrcOffset,
        Crc32(archive.subspan(kStartHeaderOffset, kSignatureHeaderSize - kStartHeaderOffset)));
}
