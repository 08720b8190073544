// Where the encrypted data of a 7z archive lies. Reads the signature header and the plain
// (not packed) header far enough to know, for every folder whose packed stream goes through
// 7zAES, the stream and the coder properties that carry its initialisation vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Method ids, the id bytes read as one big-endian number.
inline constexpr uint64_t kAesMethod = 0x06F10701;
inline constexpr uint64_t kLzmaMethod = 0x030101;
inline constexpr uint64_t kLzma2Method = 0x21;

struct EncryptedFolder {
    size_t folderNumber = 0;     // counted from 1, for messages
    size_t propertiesOffset = 0; // of the 7zAES coder properties, in the file
    size_t propertiesSize = 0;
    size_t packOffset = 0; // of the packed stream the 7zAES coder decrypts, in the file
    size_t packSize = 0;
    size_t plainSize = 0; // the data before the zero bytes that fill the last AES block
    std::optional<uint64_t> nextMethod; // coder that reads the decrypted data, if any
};

struct SevenZipFolders {
    size_t headerOffset = 0; // of the next header, in the file
    size_t headerSize = 0;
    std::vector<EncryptedFolder> encrypted;
};

// Throws std::runtime_error for a file that is not a 7z archive, a damaged one, and a header
// this reader cannot see into (packed or encrypted).
SevenZipFolders ReadSevenZipFolders(std::span<const uint8_t> archive);

// Byte offsets of the signature header's fields.
inline constexpr size_t kSignatureHeaderSize = 32;
inline constexpr size_t kStartHeaderCrcOffset = 8;
inline constexpr size_t kStartHeaderOffset = 12;
inline constexpr size_t kNextHeaderCrcOffset = 28;

// Writes the CRCs of the header and of the start header after the header has changed in place.
void UpdateHeaderCrcs(std::span<uint8_t> archive, const SevenZipFolders& folders);
