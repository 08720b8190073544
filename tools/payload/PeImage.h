// A 32-bit x86 Windows PE image: DOS header and stub, COFF and PE32 optional headers,
// section table and section data, with the image checksum filled in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class PeKind { Executable, Library };

constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kCodeSection = 0x60000020;     // code, execute, read
constexpr uint32_t kReadOnlySection = 0x40000040; // initialised data, read
constexpr uint32_t kWritableSection = 0xC0000040; // initialised data, read, write

struct PeSection {
    std::string name; // at most 8 characters
    uint32_t characteristics = 0;
    uint32_t rawSize = 0;     // multiple of kFileAlignment
    uint32_t virtualSize = 0; // may exceed rawSize (zero-filled tail)
    // Filled in by PeLayout.
    uint32_t rva = 0;
    uint32_t fileOffset = 0;
};

// Where every section lies in memory and in the file, fixed before any content is made so
// that code and tables can refer to absolute addresses.
class PeLayout {
public:
    PeLayout(uint32_t imageBase, std::vector<PeSection> sections);

    uint32_t imageBase() const { return imageBase_; }
    uint32_t headersSize() const { return headersSize_; }
    uint32_t imageSize() const { return imageSize_; }
    uint32_t fileSize() const;
    const std::vector<PeSection>& sections() const { return sections_; }
    const PeSection& section(const std::string& name) const;
    uint32_t va(uint32_t rva) const { return imageBase_ + rva; }

private:
    uint32_t imageBase_;
    uint32_t headersSize_;
    uint32_t imageSize_;
    std::vector<PeSection> sections_;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

enum DataDirectoryIndex {
    kExportDirectory = 0,
    kImportDirectory = 1,
    kResourceDirectory = 2,
    kIatDirectory = 12
};

struct PeImageContent {
    PeKind kind = PeKind::Executable;
    uint32_t timeDateStamp = 0;
    uint32_t entryPointRva = 0;
    std::array<DataDirectory, 16> directories{};
    // One block per section of the layout, at most its raw size; the rest is zero.
    std::vector<std::vector<uint8_t>> sectionData;
};

std::vector<uint8_t> WritePeImage(const PeLayout& layout, const PeImageContent& content);

// The optional header's CheckSum as the Windows loader computes it, over the whole file
// with the checksum field itself counted as zero.
uint32_t ComputePeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset);
