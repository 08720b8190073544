// Making a stored skin: the container of an ini file and the BMP pictures it names,
// compressed at zlib level 9, as a window's "CompressedData" block holds it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Builds the compressed block from an ini file; pictures are found relative to its folder.
// An ini without [VERSION], [PICTURES], [FORMINFO], [SKINOBJECTS] and [SKINCONTROLS], a
// missing picture file or a picture that is no valid BMP raises std::runtime_error.
std::vector<std::uint8_t> BuildStoredSkin(const std::filesystem::path& iniFile);

// The compressed block of a precompressed skin file: a 32-bit version (at most 3), a 32-bit
// length and that many bytes.
std::vector<std::uint8_t> ReadPrecompressedSkin(const std::filesystem::path& file);
